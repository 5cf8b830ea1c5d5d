// tarnevo-cli identify --batch FILE|-: many measured spectra, one JSON object
// a line, each answered by one JSON line in input order, so that a script
// identifies thousands of ions with one start of the program.
//
// A line: {"id": "q1", "peaks": [[MZ, I], ...], "charge": 1, "polarity": "+",
// "adducts": ["[M+H]+", ...], "elements": ["C:0:30", "H", ...], "ppm": 5,
// "top": 20, "resolvingPower": 60000}; only "peaks" is required. Each field
// stands for the option of the same meaning and is read with the same checks;
// the options beside --batch hold for every line that does not give the field
// ("charge" and "polarity" are one choice: a line giving either takes neither
// of the batch's). Blank lines and lines starting with '#' are skipped.
// The answer echoes "id" (null when the line has none) before the fields of
// --json; a refused line answers {"id": ..., "line": N, "error": ...,
// "exitCode": ...} and the batch goes on.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/parallel_batch.h"

namespace tarnevo::cli {

// Exit status: kExitOk when every line was answered, kExitRefused when any
// was refused, kExitUsage when the options beside --batch are not usable
// (nothing is read then), kExitWriteFailed when the batch could not be read
// (the lines before stay printed).
int RunIdentifyBatch(const Arguments& arguments, std::ostream& out, std::ostream& errors);

// One line's answer: its JSON line (empty for a skipped line) and whether it
// was refused. defaults are the command line's options.
BatchLineAnswer AnswerBatchLine(std::string_view line, std::size_t lineNumber, const Arguments& defaults);

}  // namespace tarnevo::cli
