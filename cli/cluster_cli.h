// tarnevo-cli cluster FORMULA: the Isotope Cluster Pattern calculation.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "calc/command_context.h"
#include "cli/arguments.h"

namespace tarnevo::cli {

inline constexpr const char* kClusterUsage =
    "usage: tarnevo-cli cluster FORMULA [--charge Z] [--stop FA] [--define Jx=MASS[:DELTA=FA,...]]... "
    "[--json | --csv] [--report FILE]\n"
    "       tarnevo-cli cluster --batch FILE|-   (one ion a line: FORMULA [--charge Z] [--stop FA]; JSON "
    "Lines out)";

OptionRules ClusterOptionRules();
int RunClusterCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

// The JSON fields of one ion's stored cluster, "formula" to the peaks (under
// peaksKey), without the enclosing braces: the other single-ion commands
// extend the same object.
void PrintClusterJsonFields(const calc::CommandContext& context, std::string_view peaksKey,
                            std::ostream& out);

}  // namespace tarnevo::cli
