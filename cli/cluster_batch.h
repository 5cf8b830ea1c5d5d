// tarnevo-cli cluster --batch FILE|-: many ions, one a line, each printed as one
// JSON line, so that thousands of ions need one start of the program.
#pragma once

#include <cstddef>
#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

// The longest batch line taken. A line is one ion and a few options, far
// below this; the limit keeps a file without line ends (or a stray binary
// file) from taking memory without end.
inline constexpr std::size_t kMaxBatchLineBytes = 64 * 1024;

// Runs every line of the batch that --batch names (standard input for "-"):
// FORMULA [--charge Z] [--stop FA] [--define ...]..., blank lines and lines
// that start with '#' skipped. The --charge, --stop and --define given beside
// --batch hold for every line that does not give its own. A refused line
// prints {"line": N, "error": ..., "exitCode": ...} in place of its results.
// Exit status: kExitOk when every line gave results, kExitRefused when any was
// refused, kExitUsage when the options beside --batch are not usable (nothing
// is read then), kExitWriteFailed when the batch could not be read (the lines
// before stay printed).
int RunClusterBatch(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli
