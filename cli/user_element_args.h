// --define Jx=MASS[:DELTA=FA,DELTA=FA,...]: the isotopes of a user-defined
// element, as the desktop program asks for them in a dialog. Example:
// --define Jx=10.0129:1=0.8 is boron-like (lightest 10.0129 u, a heavy isotope one
// mass unit up with FA 0.8, leaving 0.2 for the lightest).
#pragma once

#include <string>
#include <vector>

#include "cli/cli_port.h"

namespace tarnevo::cli {

// Prepares the answers of the user-element dialogs; the usage error, or empty.
std::string PrepareUserElementAnswers(CliPort& port, const std::vector<std::string>& definitions);

}  // namespace tarnevo::cli
