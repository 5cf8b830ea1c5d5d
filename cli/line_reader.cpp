#include "cli/line_reader.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tarnevo::cli {

LineReader::LineReader(int fd, std::size_t maxLineBytes)
    : fd_(fd), maxLineBytes_(maxLineBytes), buffer_(kChunk) {}

bool LineReader::Fill() {
    if (error_ != 0) return false;
    for (;;) {
        const ssize_t got = read(fd_, buffer_.data(), buffer_.size());
        if (got > 0) {
            begin_ = 0;
            end_ = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) return false;
        if (errno != EINTR) {
            error_ = errno;
            return false;
        }
    }
}

bool LineReader::TakeUntilLineEnd(std::string& line) {
    const char* first = buffer_.data() + begin_;
    const char* last = buffer_.data() + end_;
    const char* lineEnd = std::find(first, last, '\n');
    // Past the limit only the length matters: the bytes are dropped, so that
    // memory stays within the limit however long the line.
    const std::size_t room = maxLineBytes_ + 1 - std::min(line.size(), maxLineBytes_ + 1);
    line.append(first, std::min(static_cast<std::size_t>(lineEnd - first), room));
    begin_ = static_cast<std::size_t>(lineEnd - buffer_.data());
    if (lineEnd == last) return false;
    ++begin_;
    return true;
}

bool LineReader::MoreAtHand() const {
    if (error_ != 0) return true;
    const char* first = buffer_.data() + begin_;
    const char* last = buffer_.data() + end_;
    if (std::find(first, last, '\n') != last) return true;
    pollfd ready{fd_, POLLIN, 0};
    return poll(&ready, 1, 0) != 0;  // a poll that fails lets the read tell why
}

LineReader::Status LineReader::Next(std::string& line) {
    line.clear();
    bool started = false;
    for (;;) {
        if (begin_ == end_ && !Fill()) {
            if (error_ != 0) return Status::Failed;
            if (!started) return Status::End;
            break;  // a last line without '\n'
        }
        started = true;
        if (TakeUntilLineEnd(line)) break;
    }
    if (line.size() > maxLineBytes_) {
        line.clear();
        return Status::TooLong;
    }
    return Status::Line;
}

}  // namespace tarnevo::cli
