// tarnevo-cli cluster --batch FILE|-: many ions, one a line, each printed as one
// JSON line, so that thousands of ions need one start of the program.
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

// Runs every line of the batch that --batch names (standard input for "-"):
// FORMULA [--charge Z] [--stop FA] [--define ...]..., blank lines and lines
// that start with '#' skipped. The --charge, --stop and --define given beside
// --batch hold for every line that does not give its own. A refused line
// prints {"line": N, "error": ..., "exitCode": ...} in place of its results.
// --jobs N ions are computed at once (one a core by default); the lines are
// printed in input order all the same.
// Exit status: kExitOk when every line gave results, kExitRefused when any was
// refused, kExitUsage when the options beside --batch are not usable (nothing
// is read then), kExitWriteFailed when the batch could not be read (the lines
// before stay printed).
int RunClusterBatch(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
