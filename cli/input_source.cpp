#include "cli/input_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "cli/arguments.h"

namespace tarnevo::cli {

InputSource::InputSource(const std::string& path, const std::string& what)
    : name_(path == "-" ? "standard input" : "the " + what + " \"" + Echoed(path) + "\"") {
    if (path == "-") {
        fd_ = STDIN_FILENO;
        return;
    }
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) openError_ = errno;
    owned_ = fd_ >= 0;
}

InputSource::~InputSource() {
    if (owned_) close(fd_);
}

std::string InputSource::ReadFailure(int error) const {
    return name_ + " could not be read: " + std::generic_category().message(error);
}

}  // namespace tarnevo::cli
