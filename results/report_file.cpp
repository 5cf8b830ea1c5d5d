#include "results/report_file.h"

namespace tarnevo::results {

std::optional<std::string> WriteFileAtomically(const std::string&, std::string_view) { return "not implemented"; }
std::string SaveFailureMessage(const std::string& path, std::string_view reason) {
    return path + ": " + std::string(reason);
}

}  // namespace tarnevo::results
