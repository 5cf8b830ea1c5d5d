#include "results/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace tarnevo::results {

namespace {

std::string ErrorText(int error) { return std::generic_category().message(error); }

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new, empty file beside the target under a name nobody else uses.
// Mode 0666 lets the user's umask decide the permissions, as for any file a
// program creates (usually 0644).
int CreateTemporaryBeside(const std::string& path, std::string& temporaryPath) {
    static unsigned sequence = 0;
    const std::string stem = DirectoryOf(path) + "/.tarnevo-save-" + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = stem + std::to_string(++sequence) + ".tmp";
        const int fd = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// 0 when every byte reached the file, else the errno of the failure. A short
// write (a full disk, a file size limit) is retried, so that the call that
// cannot make progress reports why.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// An existing report keeps its permissions when it is replaced.
int KeepModeOfExistingTarget(int fd, const std::string& path) {
    struct stat target {};
    if (stat(path.c_str(), &target) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISREG(target.st_mode)) return 0;  // rename reports what is wrong with it
    return fchmod(fd, target.st_mode & 07777) == 0 ? 0 : errno;
}

int FillAndClose(int fd, const std::string& path, std::string_view bytes) {
    int error = WriteAll(fd, bytes);
    if (error == 0) error = KeepModeOfExistingTarget(fd, path);
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string temporaryPath;
    const int fd = CreateTemporaryBeside(path, temporaryPath);
    if (fd < 0) return ErrorText(errno);
    int error = FillAndClose(fd, path, bytes);
    if (error == 0 && rename(temporaryPath.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temporaryPath.c_str());
        return ErrorText(error);
    }
    return std::nullopt;
}

std::string SaveFailureMessage(const std::string& path, std::string_view reason) {
    return "The report could not be saved to \"" + path + "\": " + std::string(reason) +
           ". Any earlier file of that name is unchanged.";
}

}  // namespace tarnevo::results
