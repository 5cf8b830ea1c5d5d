// A part of a long computation's progress: the fraction a step reports of
// its own work placed within the share of the whole that step stands for.
// The identification walks one window per ion type, each in several
// searches: the third of three ion types reporting 50 % is 5/6 of the whole.
#pragma once

#include <algorithm>
#include <cstddef>

#include "core/work_progress.h"

namespace tarnevo::core {

class ProgressSpan : public WorkProgress {
public:
    // whole may be null (no one is watching); from..to within 0..1.
    ProgressSpan(WorkProgress* whole, double from, double to) : whole_(whole), from_(from), to_(to) {}

    // The index-th of count equal parts of this span.
    ProgressSpan Part(std::size_t index, std::size_t count) const {
        const double width = (to_ - from_) / static_cast<double>(std::max<std::size_t>(count, 1));
        const double end = index + 1 >= count ? to_ : from_ + width * static_cast<double>(index + 1);
        return {whole_, from_ + width * static_cast<double>(index), end};
    }

    // The span between two fractions of this one. Where one span ends the
    // next begins at the very same double (the same expression), and the
    // last part ends at this one's end exactly: the fractions never fall.
    ProgressSpan Between(double from, double to) const {
        return {whole_, from_ + (to_ - from_) * from, to >= 1.0 ? to_ : from_ + (to_ - from_) * to};
    }

    bool KeepGoing(double fractionDone) override {
        if (whole_ == nullptr || cancelled_) return !cancelled_;
        const double done = from_ + (to_ - from_) * std::clamp(fractionDone, 0.0, 1.0);
        cancelled_ = !whole_->KeepGoing(std::min(done, to_));
        return !cancelled_;
    }

    // Whether the whole answered false through this span. A computation may
    // not heed a false answer to its last question (the formula search's
    // report of its end); its caller asks this.
    bool Cancelled() const { return cancelled_; }

    // What to hand a computation that takes a WorkProgress*: null when no one
    // watches, so that it spends nothing on asking.
    WorkProgress* Watched() { return whole_ == nullptr ? nullptr : this; }

private:
    WorkProgress* whole_;
    double from_;
    double to_;
    bool cancelled_ = false;
};

}  // namespace tarnevo::core
