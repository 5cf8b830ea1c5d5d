// Pins what the command line's progress line writes: on a pseudo-terminal
// (the same kind of device a person's terminal is) "Searching... 42%" after a
// carriage return, rewritten only when the whole percentage changes, and
// blanked at the end; nothing at all on a pipe (a log, a script) or within
// the quiet first second. The bytes are read back from the terminal's other
// end, so the evidence is what a person would see.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "cli/terminal_progress.h"

namespace tarnevo::testing {
namespace {

using std::chrono::milliseconds;

// Everything readable from fd within a short wait.
std::string Drain(int fd) {
    std::string text;
    pollfd ready{fd, POLLIN, 0};
    while (poll(&ready, 1, 100) == 1 && (ready.revents & POLLIN) != 0) {
        char chunk[256];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

class PseudoTerminal : public ::testing::Test {
protected:
    void SetUp() override {
        controller_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(controller_, 0);
        ASSERT_EQ(grantpt(controller_), 0);
        ASSERT_EQ(unlockpt(controller_), 0);
        terminal_ = open(ptsname(controller_), O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal_, 0);
        // Raw output: the bytes as written, no newline translation.
        termios modes{};
        tcgetattr(terminal_, &modes);
        cfmakeraw(&modes);
        tcsetattr(terminal_, TCSANOW, &modes);
    }
    void TearDown() override {
        if (terminal_ >= 0) close(terminal_);
        if (controller_ >= 0) close(controller_);
    }
    int controller_ = -1;
    int terminal_ = -1;
};

TEST_F(PseudoTerminal, ShowsWholePercentsOnOneLineAndBlanksItAtTheEnd) {
    {
        cli::TerminalProgress progress("Searching...", terminal_, milliseconds(0));
        EXPECT_TRUE(progress.KeepGoing(0.421));
        EXPECT_TRUE(progress.KeepGoing(0.429));  // still 42%: not rewritten
        EXPECT_TRUE(progress.KeepGoing(1.0));
    }
    // "Searching... 100%" is 17 columns: 17 blanks clear it.
    EXPECT_EQ(Drain(controller_), "\rSearching... 42%\rSearching... 100%\r" + std::string(17, ' ') + "\r");
}

TEST_F(PseudoTerminal, SaysNothingDuringTheQuietTime) {
    {
        cli::TerminalProgress progress("Searching...", terminal_, milliseconds(60000));
        progress.KeepGoing(0.5);
    }
    EXPECT_EQ(Drain(controller_), "");
}

TEST_F(PseudoTerminal, AnnouncesNothingForWorkAlreadyDone) {
    {
        cli::TerminalProgress progress("Searching...", terminal_, milliseconds(0));
        progress.KeepGoing(1.0);
    }
    EXPECT_EQ(Drain(controller_), "");
}

TEST(TerminalProgress, WritesNothingToAPipe) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    {
        cli::TerminalProgress progress("Searching...", ends[1], milliseconds(0));
        EXPECT_TRUE(progress.KeepGoing(0.5));
    }
    close(ends[1]);
    char byte = 0;
    EXPECT_EQ(read(ends[0], &byte, 1), 0);
    close(ends[0]);
}

}  // namespace
}  // namespace tarnevo::testing
