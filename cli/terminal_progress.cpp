#include "cli/terminal_progress.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarnevo::cli {

namespace {

thread_local ProgressOutlet* threadOutlet = nullptr;

}  // namespace

ScopedProgressOutlet::ScopedProgressOutlet(ProgressOutlet& outlet) : previous_(threadOutlet) {
    threadOutlet = &outlet;
}

ScopedProgressOutlet::~ScopedProgressOutlet() { threadOutlet = previous_; }

TerminalProgress::TerminalProgress(std::string label, int fd, std::chrono::milliseconds quietTime)
    : label_(std::move(label)),
      outlet_(threadOutlet),
      fd_(fd),
      terminal_(outlet_ != nullptr ? outlet_->IsTerminal() : isatty(fd) == 1),
      quietTime_(quietTime) {}

TerminalProgress::~TerminalProgress() { Clear(); }

bool TerminalProgress::KeepGoing(double fractionDone) {
    if (outlet_ != nullptr && !outlet_->KeepGoing()) return false;
    if (!terminal_) return true;
    // Whole percents, rounded down: 100% only when the work is done.
    const double done = std::isnan(fractionDone) ? 0.0 : std::clamp(fractionDone, 0.0, 1.0);
    const int percent = static_cast<int>(std::floor(done * 100.0));
    if (percent == shownPercent_) return true;
    if (shownPercent_ < 0) {
        // Nothing to announce for work that is done, or still in its first second.
        if (done >= 1.0 || std::chrono::steady_clock::now() - start_ < quietTime_) return true;
    }
    shownPercent_ = percent;
    const std::string line = label_ + " " + std::to_string(percent) + "%";
    shownWidth_ = std::max(shownWidth_, line.size());
    Show("\r" + line);
    return true;
}

void TerminalProgress::Clear() {
    if (shownPercent_ < 0) return;
    shownPercent_ = -1;
    Show("\r" + std::string(shownWidth_, ' ') + "\r");
    shownWidth_ = 0;
}

void TerminalProgress::Show(const std::string& line) {
    // Progress is a courtesy: a terminal that fails a write is left alone.
    const bool written = outlet_ != nullptr
                             ? outlet_->Write(line)
                             : write(fd_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (!written) terminal_ = false;
}

}  // namespace tarnevo::cli
