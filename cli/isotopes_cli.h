// tarnevo-cli isotopes SYMBOL: the isotopes of one natural element (Display
// Isotopic Data).
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

int RunIsotopesCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
