// tarnevo-cli cluster FORMULA: the Isotope Cluster Pattern calculation.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "calc/command_context.h"
#include "cli/arguments.h"

namespace tarnevo::cli {

int RunClusterCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

// One ion from FORMULA, --charge, --stop and --define, with sharedDefinitions
// (a batch's --define) for the user-defined elements that its own --define
// leaves out; those may go unused.
int RunClusterIon(const Arguments& arguments, const std::vector<std::string>& sharedDefinitions,
                  std::ostream& out, std::ostream& errors);

// The JSON fields of one ion's stored cluster, "formula" to the peaks (under
// peaksKey), without the enclosing braces: the other single-ion commands
// extend the same object.
void PrintClusterJsonFields(const calc::CommandContext& context, std::string_view peaksKey,
                            std::ostream& out);

}  // namespace tarnevo::cli
