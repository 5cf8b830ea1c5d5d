// Standard output that cannot fail unnoticed. A result page lost to a full
// disk (> /dev/full), a closed descriptor (>&-) or a file size limit must end
// the run with a message and exit status 74, not with status 0.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace tarnevo::cli {

// A stream buffer over a file descriptor that remembers the first write error
// (its errno); later output is dropped, the stream goes bad.
class DescriptorOutput : public std::streambuf {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;
    explicit DescriptorOutput(int fd, std::size_t bufferSize = kDefaultBufferSize);
    ~DescriptorOutput() override;
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;

    // 0 while every byte so far was written.
    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool Drain();

    int fd_;
    int error_ = 0;
    std::vector<char> buffer_;
};

// Makes the process safe for checked output before anything is written:
// SIGXFSZ is ignored (a write past a file size limit then fails with its
// reason instead of killing the program), and a closed standard descriptor is
// taken by /dev/null opened so that using it fails (read-only for output, and
// the other way round), so that no file opened later becomes "standard output".
void PrepareStandardDescriptors();

// How the message about a failed standard output is written: as a line of
// text, or, when the command line asked for JSON, as the same JSON object as
// every other failure, so that a script reads all failures alike.
enum class FailureForm { Text, Json };

// Flushes out and turns a failed standard output into exit status 74 with a
// message on errors; otherwise returns status unchanged.
int FinishStandardOutput(int status, std::ostream& out, const DescriptorOutput& buffer, std::ostream& errors,
                         FailureForm form = FailureForm::Text);

}  // namespace tarnevo::cli
