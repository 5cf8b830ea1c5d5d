// How far a long computation has come, shown to a person at a terminal: one
// line of standard error, "Searching... 42%", rewritten in place with a
// carriage return and blanked when the work ends, so that what is printed next
// starts on a clean line. Nothing is written when the descriptor is not a
// terminal (a file, a pipe, a test run), where the line would be noise in a
// log, nor during the first second, so quick runs never flicker.
//
// A program that runs commands in-process (the Python module) may take the
// line elsewhere and stop the work: while a ScopedProgressOutlet lives, every
// TerminalProgress made on its thread writes through its outlet instead.
#pragma once

#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

#include "core/work_progress.h"

namespace tarnevo::cli {

// Where the progress line goes in place of the descriptor, and whether the
// person waiting has given up (Ctrl-C in Python).
class ProgressOutlet {
public:
    virtual ~ProgressOutlet() = default;
    // Whether the line is shown at all, as isatty() tells it for a descriptor.
    virtual bool IsTerminal() const = 0;
    // false: the text could not be written, and no more is tried.
    virtual bool Write(std::string_view text) = 0;
    // false: stop the work as soon as possible; called as often as the work
    // reports, so it must be cheap.
    virtual bool KeepGoing() = 0;
};

// The outlet of the TerminalProgress made on this thread while it lives.
class ScopedProgressOutlet {
public:
    explicit ScopedProgressOutlet(ProgressOutlet& outlet);
    ~ScopedProgressOutlet();
    ScopedProgressOutlet(const ScopedProgressOutlet&) = delete;
    ScopedProgressOutlet& operator=(const ScopedProgressOutlet&) = delete;

private:
    ProgressOutlet* previous_;
};

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

    // Shows the whole percentage done; asks to stop only when the outlet does.
    bool KeepGoing(double fractionDone) override;

    // Blanks the line now (before the results are printed).
    void Clear();

private:
    void Show(const std::string& line);

    std::string label_;
    ProgressOutlet* outlet_;  // nullptr: the line goes to fd_
    int fd_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::milliseconds quietTime_;
    int shownPercent_ = -1;  // -1: no line on the terminal
    std::size_t shownWidth_ = 0;
};

}  // namespace tarnevo::cli
