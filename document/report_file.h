// Saving a file so that nothing at the path is harmed:
// - a regular file (or a new name) is replaced atomically: the bytes go to a
//   temporary file beside it, which takes its place only when every byte is on
//   disk, with the owner, group and mode of the file it replaces; a failure
//   leaves the old file and no temporary behind;
// - a file without write permission is refused, never replaced;
// - a symbolic link is followed: the file it points to is replaced (or created,
//   for a dangling link) and the link stays;
// - a device, FIFO or socket is written to directly, never replaced;
// - "-", "/dev/stdout" and the descriptor names /dev/fd/N and /proc/self/fd/N
//   write to that open descriptor of this process (standard output for the first two).
// Replacing a file gives it a new inode, so a hard link to the old file keeps
// the old content.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnevo::doc {

// Nothing on success; otherwise the reason, e.g. "No space left on device".
std::optional<std::string> WriteFileSafely(const std::string& path, std::string_view bytes);

// The reason given for a target without write permission.
inline constexpr std::string_view kReadOnlyFileReason = "The file is read-only";

// The message shown when a report cannot be saved, naming file and reason.
std::string SaveFailureMessage(const std::string& path, std::string_view reason);

}  // namespace tarnevo::doc
