// tarnevo-cli: the calculations of the desktop program driven from command-line
// arguments, through the same command handlers, checks and messages.
//
// Exit status: 0 results printed; 2 the calculation was refused (the message the
// desktop program would show is on standard error) or ran out of memory; 64 bad
// usage; 74 the report file or standard output could not be written, or a
// batch could not be read.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarnevo::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 2;
inline constexpr int kExitUsage = 64;
inline constexpr int kExitWriteFailed = 74;

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors);

// RunCli as the program runs it: memory running out (std::bad_alloc) ends the
// command with a message in the form of its other failures and kExitRefused,
// instead of ending the process. The Python module calls RunCli itself, and
// its std::bad_alloc becomes Python's MemoryError.
int RunProgram(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors);

// The usage lines of a command ("cluster"), as its --help shows them and its
// usage errors end with; empty for a name that is no command.
std::string_view UsageOf(std::string_view command);

// "out of memory: ...": why a command or a batch line ended for want of memory.
std::string OutOfMemoryMessage();

// Whether the command line asks for JSON, and so for its failures as JSON
// objects on standard error: {"error": "...", "exitCode": 2}.
bool AsksForJson(const std::vector<std::string>& arguments);

}  // namespace tarnevo::cli
