#include "tests/output/golden_file.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace tarnevo::testing {

std::string ReadGoldenBytes(const std::string& name) {
    std::ifstream file(std::string(TARNEVO_TEST_DATA_DIR) + "/golden/" + name, std::ios::binary);
    if (!file) return "<missing golden file " + name + ">";
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadGoldenLines(const std::string& name) {
    std::istringstream text(ReadGoldenBytes(name));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

}  // namespace tarnevo::testing
