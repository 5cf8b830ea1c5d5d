// tarnevo-cli loss-of-h FORMULA: Correct for Loss of H, the spectrum of an ion
// freed of the species that lost one to four H.
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

inline constexpr const char* kLossOfHUsage =
    "usage: tarnevo-cli loss-of-h FORMULA --first-mz MZ --intensities I0,I1,... [--charge 1|2] "
    "[--define Jx=MASS[:DELTA=FA,...]]... [--json] [--report FILE]";

OptionRules LossOfHOptionRules();
int RunLossOfHCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
