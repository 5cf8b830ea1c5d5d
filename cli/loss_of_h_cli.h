// tarnevo-cli loss-of-h FORMULA: Correct for Loss of H, the spectrum of an ion
// freed of the species that lost one to four H.
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

int RunLossOfHCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
