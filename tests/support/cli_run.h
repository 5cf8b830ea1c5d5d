// Runs tarnevo-cli in process for the tests of the command line: the exit
// status and what went to standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
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

// The number after "key": in a JSON text, starting the search at `from`; NaN
// (and a test failure) when the key is missing.
inline double JsonValue(const std::string& json, const std::string& key, std::size_t from = 0) {
    const std::size_t at = json.find("\"" + key + "\": ", from);
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) return NAN;
    return std::stod(json.substr(at + key.size() + 4));
}

}  // namespace tarnevo::testing
