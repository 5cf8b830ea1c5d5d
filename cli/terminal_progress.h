// How far a long computation has come, shown to a person at a terminal: one
// line of standard error, "Searching... 42%", rewritten in place with a
// carriage return and blanked when the work ends, so that what is printed next
// starts on a clean line. Nothing is written when the descriptor is not a
// terminal (a file, a pipe, a test run), where the line would be noise in a
// log, nor during the first second, so quick runs never flicker.
#pragma once

#include <unistd.h>

#include <chrono>
#include <string>

#include "core/work_progress.h"

namespace tarnevo::cli {

class TerminalProgress : public core::WorkProgress {
public:
    static constexpr std::chrono::milliseconds kQuietTime{1000};

    // label: the words before the percentage, e.g. "Searching...".
    explicit TerminalProgress(std::string label, int fd = STDERR_FILENO,
                              std::chrono::milliseconds quietTime = kQuietTime);
    // Blanks the line if one was shown.
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Shows the whole percentage done; never asks to stop.
    bool KeepGoing(double fractionDone) override;

    // Blanks the line now (before the results are printed).
    void Clear();

private:
    void Show(const std::string& line);

    std::string label_;
    int fd_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::milliseconds quietTime_;
    int shownPercent_ = -1;  // -1: no line on the terminal
    std::size_t shownWidth_ = 0;
};

}  // namespace tarnevo::cli
