// Where a command reads its input from: a file it names, or standard input for
// "-". The descriptor is opened here and closed with this object; a file that
// cannot be opened keeps its reason for the message.
#pragma once

#include <string>

namespace tarnevo::cli {

class InputSource {
public:
    // what: the input as a message names a file of it ("peaks file" gives
    // `the peaks file "a.txt"`; standard input is "standard input").
    InputSource(const std::string& path, const std::string& what);
    ~InputSource();
    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;
    InputSource(InputSource&&) = delete;
    InputSource& operator=(InputSource&&) = delete;

    int Descriptor() const { return fd_; }
    int OpenError() const { return openError_; }  // an errno; 0 when open
    const std::string& Name() const { return name_; }

    // "the peaks file "a.txt" could not be read: No such file or directory"
    std::string ReadFailure(int error) const;

private:
    std::string name_;
    int fd_ = -1;
    int openError_ = 0;
    bool owned_ = false;
};

}  // namespace tarnevo::cli
