// libFuzzer target for whole tarnevo-cli command lines: any command (cluster,
// isotopes, loss-of-h, label, enrich, polymer, formulas, identify, help, or none
// known) with any arguments, and standard input for the batches of cluster and
// identify and for `identify --peaks-file -` (a pipe in descriptor 0's place),
// run in-process through the command line's entry point with string streams.
// Every run must keep the command line's promises (fuzz/cli_promises.h) and
// must not crash, trip a sanitizer or hang.
//
// Input: one argument a line (an argument may hold spaces; a CR is kept); the
// first is the command. A line holding only "<<<" ends the arguments: what
// follows is standard input. Files stay out of the way: a --report value is
// replaced by a scratch path (removed after the run), and a --batch or
// --peaks-file value other than "-" by a path that does not exist. Inputs whose
// run would be long are skipped before running (fuzz/cli_fuzz_input.cpp tells
// which and why).
//
// Set TARNEVO_FUZZ_DESCRIBE=1 to print each command line, its status and its output
// on standard error.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "fuzz/cli_fuzz_input.h"
#include "fuzz/cli_promises.h"

namespace {

using tarnevo::fuzz::CommandLine;
using tarnevo::fuzz::Outcome;

bool DescribeEveryRun() {
    static const bool describe = std::getenv("TARNEVO_FUZZ_DESCRIBE") != nullptr;
    return describe;
}

void Describe(const CommandLine& line, const Outcome& run) {
    std::string text = "tarnevo-cli";
    for (const std::string& word : line.arguments) text += " '" + word + "'";
    if (!line.standardInput.empty()) text += " <<< '" + line.standardInput + "'";
    std::fprintf(stderr, "%s\n  exit %d\n  stdout: %s\n  stderr: %s\n", text.c_str(), run.status,
                 run.out.c_str(), run.errors.c_str());
}

void FailUnless(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzzer failure: %s\n", what);
    std::abort();
}

// Standard input for one run: a pipe holding the input, put in descriptor 0's
// place (the batch reads the descriptor, not std::cin) and taken away after.
// The inputs are at most a few hundred bytes, far within a pipe's buffer, so
// writing them all before the run cannot block.
class StandardInputFrom {
public:
    explicit StandardInputFrom(const std::string& text) : saved_(dup(STDIN_FILENO)) {
        int ends[2];
        FailUnless(pipe(ends) == 0 && saved_ >= 0, "the fuzzer can make a pipe for standard input");
        FailUnless(write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()),
                   "the fuzzer can fill standard input");
        close(ends[1]);
        dup2(ends[0], STDIN_FILENO);
        close(ends[0]);
    }
    ~StandardInputFrom() {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    StandardInputFrom(const StandardInputFrom&) = delete;
    StandardInputFrom& operator=(const StandardInputFrom&) = delete;

private:
    int saved_;
};

Outcome Run(const CommandLine& line) {
    const StandardInputFrom input(line.standardInput);
    std::ostringstream out;
    std::ostringstream errors;
    Outcome run;
    run.status = tarnevo::cli::RunCli(line.arguments, out, errors);
    run.out = out.str();
    run.errors = errors.str();
    std::remove(tarnevo::fuzz::ScratchReportPath().c_str());
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CommandLine line = tarnevo::fuzz::Decode(std::string_view(reinterpret_cast<const char*>(data), size));
    tarnevo::fuzz::KeepFilesAway(line.arguments);
    tarnevo::fuzz::BoundFitCycles(line.arguments);
    tarnevo::fuzz::KeepOneWorkerIfAsked(line.arguments);
    if (!tarnevo::fuzz::ExpectedWorkIsBounded(line)) return 0;
    const Outcome run = Run(line);
    if (DescribeEveryRun()) Describe(line, run);
    tarnevo::fuzz::CheckPromises(line, run);
    return 0;
}
