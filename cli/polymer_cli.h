// tarnevo-cli polymer: the isotope clusters of a series of cluster ions or
// polymer ions n x RU + EC + k x CI (Cluster Ions and Polymers).
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

inline constexpr const char* kPolymerUsage =
    "usage: tarnevo-cli polymer --ru FORMULA [--cap FORMULA] --ci FORMULA [--ci-count K] [--charge Z] "
    "(--ru-range MIN-MAX | --mz-range MIN-MAX) [--stop FA] [--define Jx=MASS[:DELTA=FA,...]]... "
    "[--json | --csv] [--report FILE]";

OptionRules PolymerOptionRules();
int RunPolymerCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
