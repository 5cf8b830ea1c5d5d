// Runs tarnevo-cli in process for the tests of the command line: the exit
// status and what went to standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace tarnevo::testing {

struct CliRun {
    int status = -1;
    std::string out;
    std::string errors;
};

inline CliRun RunTool(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream errors;
    const int status = cli::RunCli(arguments, out, errors);
    return {status, out.str(), errors.str()};
}

// A command line the tool must refuse: its exit status and the first line it
// writes on standard error. Nothing may reach standard output.
struct RefusalCase {
    std::vector<std::string> arguments;
    int status;
    std::string firstErrorLine;
};

inline void PrintTo(const RefusalCase& refusal, std::ostream* out) {
    for (const auto& argument : refusal.arguments) *out << argument << ' ';
}

inline void ExpectRefusal(const RefusalCase& refusal) {
    const CliRun run = RunTool(refusal.arguments);
    EXPECT_EQ(run.status, refusal.status);
    EXPECT_EQ(run.errors.substr(0, run.errors.find('\n')), refusal.firstErrorLine);
    EXPECT_TRUE(run.out.empty());
}

// The number after "key": in a JSON text, starting the search at `from`; NaN
// (and a test failure) when the key is missing.
inline double JsonValue(const std::string& json, const std::string& key, std::size_t from = 0) {
    const std::size_t at = json.find("\"" + key + "\": ", from);
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) return NAN;
    return std::stod(json.substr(at + key.size() + 4));
}

}  // namespace tarnevo::testing
