// tarnevo-cli cluster FORMULA: the Isotope Cluster Pattern calculation.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "calc/command_context.h"
#include "cli/adduct_option.h"
#include "cli/arguments.h"

namespace tarnevo::cli {

int RunClusterCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

// One ion from FORMULA (with --adduct, the molecule M of that ion type),
// --charge, --stop and --define, with sharedDefinitions
// (a batch's --define) for the user-defined elements that its own --define
// leaves out; those may go unused.
int RunClusterIon(const Arguments& arguments, const std::vector<std::string>& sharedDefinitions,
                  std::ostream& out, std::ostream& errors);

// The JSON fields of one ion's stored cluster, "formula" to the peaks (under
// peaksKey), without the enclosing braces: the other single-ion commands
// extend the same object. Of an ion given by its molecule and ion type,
// "formula" is the molecule and the ion type's fields follow it.
void PrintClusterJsonFields(const calc::CommandContext& context, std::string_view peaksKey, std::ostream& out,
                            const AdductIon* adduct = nullptr);

}  // namespace tarnevo::cli
