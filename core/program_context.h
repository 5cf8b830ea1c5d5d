// The program-wide data of one running program: the element table with its
// isotope pools, the cluster engine's workspace, and the stop FA that the
// calculations' dialogs show and change. One instance per program (tests make
// fresh ones); every calculation receives it and overwrites what it uses.
#pragma once

#include "core/cluster_engine.h"
#include "core/element_table.h"

namespace tarnevo::core {

inline constexpr double kDefaultStopFA = 0.9999;

struct ProgramContext {
    ElementTable elements;
    ClusterWorkspace cluster;
    double stopFASetting = kDefaultStopFA;
};

}  // namespace tarnevo::core
