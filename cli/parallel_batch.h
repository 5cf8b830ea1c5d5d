// The lines of a batch answered on several threads and printed in their
// input order. Each line is a question of its own (one ion, one measured
// spectrum), so the lines are read a few dozen per worker at a time, answered
// side by side, and printed before the next are read: the output keeps the
// input's order whatever the number of workers, and the memory stays that of
// one such group of lines however long the input.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/line_reader.h"

namespace tarnevo::cli {

// The longest batch line taken. A line is one question and a few options, far
// below this; the limit keeps a file without line ends (or a stray binary
// file) from taking memory without end.
inline constexpr std::size_t kMaxBatchLineBytes = 64 * 1024;

// "the line is longer than 65536 bytes (64 KiB), ...": the limit as a user reads it.
std::string LineTooLongMessage();

// One line as read: its text, or a mark that it was longer than the limit.
struct BatchLine {
    std::string text;
    std::size_t number = 0;  // from 1
    bool tooLong = false;
};

// One line's answer: its JSON line (empty for a skipped line) and whether it was refused.
struct BatchLineAnswer {
    std::string json;
    bool refused = false;
};

// Answers one line; called on several threads at once, so it may share with
// the other lines only what it reads.
using BatchLineAnswerer = std::function<BatchLineAnswer(const BatchLine& line)>;

// The error object of a line that the batch refuses for the answerer: a line
// whose calculation ran out of memory (std::bad_alloc), in the form of the
// batch's other refused lines.
using BatchLineRefusal =
    std::function<std::string(std::size_t lineNumber, const std::string& message, int status)>;

// {"line": 3, "error": "...", "exitCode": 2} and a line end.
std::string LineErrorObject(std::size_t lineNumber, const std::string& message, int status);

struct BatchOutcome {
    std::size_t refused = 0;
    int readError = 0;  // an errno when the input could not be read to its end; 0 otherwise
    // Memory ran out outside any one line's calculation (reading a group of
    // lines, keeping their answers): the batch ended there, the answers
    // printed before it stay.
    bool outOfMemory = false;
};

// How many threads answer a batch, and how many lines each takes at most from
// a group read at once: enough that the wait for a group's slowest line costs
// little beside the answers, few enough that a group's answers stay small. A
// group holds only the lines the input already has, so a slow pipe of
// questions is answered as they come.
struct BatchWorkers {
    std::size_t count = 1;
    std::size_t linesEach = 32;
};

// Reads every line of reader, answers them with the workers and prints the
// answers to out in input order. A line whose answer runs out of memory gets
// its error object from refusal, with kExitRefused, and the batch goes on. A
// failed out ends the batch: no later answer could be seen. The answers before
// a read error stay printed.
BatchOutcome AnswerBatch(LineReader& reader, const BatchWorkers& workers, const BatchLineAnswerer& answer,
                         std::ostream& out, const BatchLineRefusal& refusal = LineErrorObject);

// The whole batch of `command` from the file at path (standard input for
// "-"): its lines answered as AnswerBatch does. Exit status:
// - kExitWriteFailed with nothing on errors when out failed: the answers were
//   not seen, and the program's one message about its standard output
//   (FinishStandardOutput) says so;
// - kExitWriteFailed with the reason on errors when the input cannot be opened
//   or read to its end (the answers before stay printed);
// - kExitRefused with a message when memory ran out outside the lines (the
//   answers before stay printed), or with the count of refused lines when
//   there were any (their error objects are in the output);
// - else kExitOk.
int RunBatchFile(std::string_view command, const std::string& path, const BatchWorkers& workers,
                 const BatchLineAnswerer& answer, std::ostream& out, std::ostream& errors,
                 const BatchLineRefusal& refusal = LineErrorObject);

// The most workers --jobs takes: far beyond any machine's cores, short of
// what would only spend memory on threads.
inline constexpr long long kMaxBatchJobs = 256;

// The workers of --jobs N, or one per core when it is not given; nothing for a
// --jobs that is no whole number from 1 to kMaxBatchJobs.
std::optional<std::size_t> BatchWorkerCount(const Arguments& arguments);

// "tarnevo-cli cluster: --jobs: the number of workers, a whole number from 1 to 256"
std::string BatchJobsProblem(std::string_view command);

}  // namespace tarnevo::cli
