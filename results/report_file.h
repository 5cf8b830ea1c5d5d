// Writing a file so that a failure never destroys what was there: the bytes go
// to a temporary file beside the target, which replaces the target only when
// every byte is on disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnevo::results {

// Nothing on success; otherwise the reason, e.g. "No space left on device".
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes);

// The message shown when a report cannot be saved, naming file and reason.
std::string SaveFailureMessage(const std::string& path, std::string_view reason);

}  // namespace tarnevo::results
