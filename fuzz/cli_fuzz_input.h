// What cli_command_fuzzer makes of its input before running it: the command line
// and standard input it decodes, the files it keeps out of the way, and the
// work it lets a command line do (see ExpectedWorkIsBounded).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnevo::fuzz {

struct CommandLine {
    std::vector<std::string> arguments;
    std::string standardInput;
};

// One argument a line (an argument may hold spaces; a CR is kept); the first is
// the command. A line holding only "<<<" ends the arguments: what follows is
// standard input.
CommandLine Decode(std::string_view text);

// The path --report is pointed at; the run removes it after each input.
const std::string& ScratchReportPath();

// Points --report at the scratch path, and --batch and --peaks-file at standard
// input or nowhere, in both spellings (--name FILE and --name=FILE). A report on
// standard output (--report -) would go to the process's own, past the string
// streams.
void KeepFilesAway(std::vector<std::string>& arguments);

// The enrichment fit runs up to 1000 cycles unless told otherwise, a second or
// more under the sanitizers: without --max-cycles, it is given 100.
void BoundFitCycles(std::vector<std::string>& arguments);

// With TARNEVO_FUZZ_ONE_WORKER set (the gate sets it), a batch runs on one
// worker: --jobs N becomes --jobs 1 (an N the command line refuses stays as
// it is), and a batch without --jobs gets it. Workers answering lines side by
// side hit the same edges in an order, and with counts, that vary from run to
// run, and the gate must give one commit one verdict; the open-ended search
// leaves the workers alone, so the parallel answering is fuzzed there.
void KeepOneWorkerIfAsked(std::vector<std::string>& arguments);

// Whether the run stays short enough to be run at all (the reasons are in
// cli_fuzz_input.cpp).
bool ExpectedWorkIsBounded(const CommandLine& line);

bool HasWord(const std::vector<std::string>& words, std::string_view wanted);

// The values of --name VALUE and --name=VALUE, in order.
std::vector<std::string> ValuesOf(const std::vector<std::string>& arguments, const std::string& name);

// A number as the command line reads it, or `fallback` when it is none.
double NumberOr(const std::string& text, double fallback);

// The lines of text as the batches read them (split at line feeds; a last line
// without one counts).
std::vector<std::string> InputLines(const std::string& text);

}  // namespace tarnevo::fuzz
