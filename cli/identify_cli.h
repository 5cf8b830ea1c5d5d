// tarnevo-cli identify: the formulae and ion types that explain a measured
// isotope pattern, ranked by mass and pattern.
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

int RunIdentifyCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
