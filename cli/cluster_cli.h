// tarnevo-cli cluster FORMULA: the Isotope Cluster Pattern calculation.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace tarnevo::cli {

inline constexpr const char* kClusterUsage =
    "usage: tarnevo-cli cluster FORMULA [--charge Z] [--stop FA] [--define Jx=MASS[:DELTA=FA,...]]... "
    "[--json] [--report FILE]\n"
    "       tarnevo-cli cluster --batch FILE|-   (one ion a line: FORMULA [--charge Z] [--stop FA]; JSON Lines out)";

OptionRules ClusterOptionRules();
int RunClusterCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
