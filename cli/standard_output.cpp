#include "cli/standard_output.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "cli/cli.h"
#include "cli/cli_output.h"

namespace tarnevo::cli {

DescriptorOutput::DescriptorOutput(int fd, std::size_t bufferSize)
    : fd_(fd), buffer_(std::max<std::size_t>(bufferSize, 1)) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorOutput::~DescriptorOutput() { Drain(); }

// Writes what is buffered; false once any write has failed.
bool DescriptorOutput::Drain() {
    const char* next = pbase();
    while (error_ == 0 && next < pptr()) {
        const ssize_t written = write(fd_, next, static_cast<std::size_t>(pptr() - next));
        if (written < 0) {
            if (errno != EINTR) error_ = errno;
            continue;
        }
        next += written;
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error_ == 0;
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type c) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize DescriptorOutput::xsputn(const char* text, std::streamsize count) {
    std::streamsize done = 0;
    while (done < count) {
        if (pptr() == epptr() && !Drain()) return done;
        const std::streamsize room = epptr() - pptr();
        const std::streamsize part = std::min(room, count - done);
        traits_type::copy(pptr(), text + done, static_cast<std::size_t>(part));
        pbump(static_cast<int>(part));
        done += part;
    }
    return done;
}

int DescriptorOutput::sync() { return Drain() ? 0 : -1; }

void PrepareStandardDescriptors() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, nullptr);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open returns the lowest free descriptor: this one.
        open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    }
}

int FinishStandardOutput(int status, std::ostream& out, const DescriptorOutput& buffer, std::ostream& errors,
                         FailureForm form) {
    out.flush();
    if (buffer.Error() == 0 && out.good()) return status;
    const int error = buffer.Error() != 0 ? buffer.Error() : EIO;
    const std::string message = "tarnevo-cli: the output could not be written to standard output: " +
                                std::generic_category().message(error);
    if (form == FailureForm::Json) {
        errors << '{' << JsonErrorFields(message, kExitWriteFailed) << "}\n";
    } else {
        errors << message << '\n';
    }
    return kExitWriteFailed;
}

}  // namespace tarnevo::cli
