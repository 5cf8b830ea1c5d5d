// Reads the hand-written expectations kept in tests/output/golden.
#pragma once

#include <string>
#include <vector>

namespace tarnevo::testing {

// The exact bytes of a golden file (CR LF kept).
std::string ReadGoldenBytes(const std::string& name);
// The lines of a golden file with LF line ends; an empty line stays an empty
// string, and the newline after the last line ends it rather than adding one.
std::vector<std::string> ReadGoldenLines(const std::string& name);

}  // namespace tarnevo::testing
