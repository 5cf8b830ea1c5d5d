#include "document/report_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace tarnevo::doc {

namespace {

// A save that failed: the errno, and a fuller explanation where the bare
// system text would hide the real cause.
struct SaveError {
    int code = 0;
    std::string explanation;
};

using SaveResult = std::optional<SaveError>;

SaveResult Failed(int code, std::string explanation = {}) { return SaveError{code, std::move(explanation)}; }

std::string ErrorText(int error) { return std::generic_category().message(error); }

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writing past a file size limit (ulimit -f) raises SIGXFSZ, which by default
// ends the process on the spot, leaving the temporary file behind and the user
// without a word. Ignored, the write fails with EFBIG and is reported like a
// full disk.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGXFSZ, &ignore, &previous_);
    }
    ~FileSizeSignalIgnored() { sigaction(SIGXFSZ, &previous_, nullptr); }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction previous_ {};
};

// 0 when every byte was written, else the errno of the failure. A short
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

SaveResult FromErrno(int error) { return error == 0 ? std::nullopt : Failed(error); }

// The descriptor named by "-", "/dev/stdout", "/dev/fd/N" or "/proc/self/fd/N";
// -1 for any other path. Such a name stands for an open file of this process
// (a terminal, a pipe, a file the shell opened): it is written where it
// stands, never replaced by a new file.
int DescriptorNamedBy(const std::string& path) {
    if (path == "-" || path == "/dev/stdout") return STDOUT_FILENO;
    for (const std::string_view prefix : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/")}) {
        if (!path.starts_with(prefix) || path.size() == prefix.size()) continue;
        int descriptor = -1;
        const char* first = path.data() + prefix.size();
        const char* last = path.data() + path.size();
        const auto [end, error] = std::from_chars(first, last, descriptor);
        if (error == std::errc() && end == last && descriptor >= 0) return descriptor;
    }
    return -1;
}

// Follows symbolic links in the last part of path until it names something
// that is not a link, or nothing yet (a dangling link names the file it would
// create). Stops early at a descriptor name. 0 or the errno.
int FollowLinks(std::string& path) {
    constexpr int kMaxLinks = 40;  // as the kernel allows, against loops
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        if (DescriptorNamedBy(path) >= 0) return 0;
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(status.st_mode)) return 0;
        std::string target(4096, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return errno;
        if (static_cast<std::size_t>(length) >= target.size()) return ENAMETOOLONG;
        target.resize(static_cast<std::size_t>(length));
        path = target.starts_with('/') ? target : DirectoryOf(path) + "/" + target;
    }
    return ELOOP;
}

// Creates a new, empty file beside the target under a name nobody else uses.
// For a new name, mode 0666 lets the user's umask decide the permissions, as
// for any file a program creates (usually 0644). A replacement starts private
// and receives the old file's mode once written, so that the new content of a
// private report is never readable by others on the way.
int CreateTemporaryBeside(const std::string& path, bool replacing, std::string& temporaryPath) {
    // Reports may be written from several threads of one process (the Python module).
    static std::atomic<unsigned> sequence = 0;
    const std::string stem = DirectoryOf(path) + "/.tarnevo-save-" + std::to_string(getpid()) + "-";
    const mode_t mode = replacing ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = stem + std::to_string(++sequence) + ".tmp";
        const int fd = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The replacement takes over the owner, group and mode of the file it
// replaces, so that saving (for example as root) over another user's report
// hands it back as it was. The owner goes first: changing it clears the
// set-id bits that the mode then restores.
SaveResult KeepOwnerAndMode(int fd, const struct stat& replaced) {
    if ((replaced.st_uid != geteuid() || replaced.st_gid != getegid()) &&
        fchown(fd, replaced.st_uid, replaced.st_gid) != 0) {
        if (errno != EPERM) return Failed(errno);
        return Failed(EPERM,
                      "The file belongs to another user or group, and replacing it would change its owner");
    }
    return FromErrno(fchmod(fd, replaced.st_mode & 07777) == 0 ? 0 : errno);
}

SaveResult FillAndClose(int fd, std::string_view bytes, const struct stat* replaced) {
    SaveResult error = FromErrno(WriteAll(fd, bytes));
    if (!error && replaced != nullptr) error = KeepOwnerAndMode(fd, *replaced);
    if (!error && fsync(fd) != 0) error = Failed(errno);
    if (close(fd) != 0 && !error) error = Failed(errno);
    return error;
}

// After the rename, the folder entry itself must reach the disk for the new
// report to survive a power cut. Best effort: the save has already happened.
void SyncDirectoryOf(const std::string& path) {
    const int fd = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// A writable file in a folder that does not let us create files cannot be
// replaced safely; say so instead of a bare "Permission denied", which would
// point at the file the user can see is writable.
SaveResult TemporaryRefused(int error, const std::string& path, const struct stat* replaced) {
    if (replaced == nullptr || (error != EACCES && error != EPERM)) return Failed(error);
    return Failed(error, "The folder \"" + DirectoryOf(path) +
                             "\" does not allow the temporary file that a safe save writes first (" +
                             ErrorText(error) + ")");
}

// Writes the bytes to a temporary file beside path, then renames it over
// path. replaced: the status of the regular file at path, or null for a new name.
SaveResult ReplaceAtomically(const std::string& path, std::string_view bytes, const struct stat* replaced) {
    std::string temporaryPath;
    const int fd = CreateTemporaryBeside(path, replaced != nullptr, temporaryPath);
    if (fd < 0) return TemporaryRefused(errno, path, replaced);
    SaveResult error = FillAndClose(fd, bytes, replaced);
    if (!error && rename(temporaryPath.c_str(), path.c_str()) != 0) error = Failed(errno);
    if (error) {
        unlink(temporaryPath.c_str());
        return error;
    }
    SyncDirectoryOf(path);
    return std::nullopt;
}

// A device, FIFO or socket has no content to protect and must stay what it is
// (replacing /dev/null by a file would break the whole system): write to it.
SaveResult WriteDirectly(const std::string& path, std::string_view bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Failed(errno);
    SaveResult error = FromErrno(WriteAll(fd, bytes));
    if (close(fd) != 0 && !error) error = Failed(errno);
    return error;
}

// No write permission for us, or none for anybody: the superuser may write
// anything, but a file protected against writing is protected against Save too.
bool IsReadOnly(const std::string& path, const struct stat& status) {
    if ((status.st_mode & 0222) == 0) return true;
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

SaveResult Save(const std::string& requestedPath, std::string_view bytes) {
    std::string path = requestedPath;
    if (const int error = FollowLinks(path)) return Failed(error);
    if (const int descriptor = DescriptorNamedBy(path); descriptor >= 0) {
        return FromErrno(WriteAll(descriptor, bytes));
    }
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        if (errno != ENOENT) return Failed(errno);
        return ReplaceAtomically(path, bytes, nullptr);
    }
    if (S_ISDIR(status.st_mode)) return Failed(EISDIR);
    if (!S_ISREG(status.st_mode)) return WriteDirectly(path, bytes);
    if (IsReadOnly(path, status)) return Failed(EACCES, std::string(kReadOnlyFileReason));
    return ReplaceAtomically(path, bytes, &status);
}

}  // namespace

std::optional<std::string> WriteFileSafely(const std::string& path, std::string_view bytes) {
    const FileSizeSignalIgnored fileSizeSignal;
    const SaveResult error = Save(path, bytes);
    if (!error) return std::nullopt;
    return error->explanation.empty() ? ErrorText(error->code) : error->explanation;
}

std::string SaveFailureMessage(const std::string& path, std::string_view reason) {
    return "The report could not be saved to \"" + path + "\": " + std::string(reason) +
           ". Any earlier file of that name is unchanged.";
}

}  // namespace tarnevo::doc
