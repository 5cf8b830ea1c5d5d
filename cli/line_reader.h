// Lines of text read from a file descriptor, each at most a fixed length, with
// a read error told apart from the end of the input. A batch may come from a
// pipe, a file or a terminal; a directory, a closed standard input or a failing
// disk must end the batch with their reason instead of looking like an empty
// file, and one line without an end must not take all memory.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarnevo::cli {

class LineReader {
public:
    enum class Status {
        Line,     // `line` holds the next line, without its '\n'
        TooLong,  // the next line is longer than the limit: skipped to its end, `line` is empty
        End,      // no more lines
        Failed,   // the input could not be read: Error() is the reason (an errno)
    };

    // Reads fd, which stays open (the caller owns it).
    LineReader(int fd, std::size_t maxLineBytes);

    Status Next(std::string& line);

    // Whether Next can go on without waiting for the writer: a whole line is
    // buffered, or the descriptor has bytes (or its end, or an error) ready
    // now. A file always has; a pipe from a program that writes a question
    // and waits for its answer has not, and the answer must not wait for more.
    bool MoreAtHand() const;
    int Error() const { return error_; }

private:
    bool Fill();  // more bytes in the buffer; false at the end or on an error
    // Moves the bytes up to the next '\n' (or all of them) into line; true when
    // the line ended.
    bool TakeUntilLineEnd(std::string& line);

    static constexpr std::size_t kChunk = 64 * 1024;

    int fd_;
    std::size_t maxLineBytes_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    int error_ = 0;
};

}  // namespace tarnevo::cli
