// Pins how the identification reports its progress and answers a cancel: the
// fractions it reports never fall and end at 1; a cancel at any of its
// questions stops it with the Cancelled status and nothing listed; and it
// asks often enough (a bound on the formulae walked between two questions)
// for a cancel to be answered within a fraction of a second.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "calc/ion_identify_run.h"
#include "core/work_progress.h"

namespace tarnevo::testing {
namespace {

// Records each fraction; answers false from the stopAt-th question on.
class RecordingProgress : public core::WorkProgress {
public:
    explicit RecordingProgress(std::size_t stopAt = static_cast<std::size_t>(-1)) : stopAt_(stopAt) {}
    bool KeepGoing(double fractionDone) override {
        fractions.push_back(fractionDone);
        return fractions.size() < stopAt_;
    }
    std::vector<double> fractions;

private:
    std::size_t stopAt_;
};

core::IdentifyQuery CaffeineQuestion() {
    core::IdentifyQuery query;
    query.peaks = {{195.0877, 100.0}, {196.0908, 10.4}};
    query.charge = 1;
    return query;
}

TEST(IdentifyProgress, RisesToOneAndChangesNothing) {
    RecordingProgress progress;
    const core::IdentifyResult watched = calc::IdentifyMeasuredIon(CaffeineQuestion(), &progress);
    const core::IdentifyResult alone = calc::IdentifyMeasuredIon(CaffeineQuestion());
    ASSERT_EQ(watched.status, core::IdentifyStatus::Identified);
    ASSERT_EQ(watched.candidates.size(), alone.candidates.size());
    ASSERT_FALSE(progress.fractions.empty());
    for (std::size_t k = 1; k < progress.fractions.size(); ++k) {
        EXPECT_GE(progress.fractions[k], progress.fractions[k - 1]) << "question " << k;
    }
    EXPECT_GE(progress.fractions.front(), 0.0);
    EXPECT_EQ(progress.fractions.back(), 1.0);
}

TEST(IdentifyProgress, CancelAtAnyQuestionStopsWithNothingListed) {
    RecordingProgress count;
    calc::IdentifyMeasuredIon(CaffeineQuestion(), &count);
    // Every question but the last (which only reports the end).
    const std::size_t questions = count.fractions.size();
    ASSERT_GT(questions, 2U);
    for (std::size_t stopAt = 1; stopAt < questions; stopAt += std::max<std::size_t>(1, questions / 40)) {
        RecordingProgress progress(stopAt);
        const core::IdentifyResult result = calc::IdentifyMeasuredIon(CaffeineQuestion(), &progress);
        EXPECT_EQ(result.status, core::IdentifyStatus::Cancelled) << "stopped at question " << stopAt;
        EXPECT_EQ(result.problem, "The identification was cancelled: no candidate is listed.");
        EXPECT_TRUE(result.candidates.empty());
        // Asked no more once told to stop.
        EXPECT_EQ(progress.fractions.size(), stopAt);
    }
}

// A wide window (500 ppm at m/z 900, some hundred thousand formulae): the
// questions must come at least every few thousand formulae walked, each a
// microsecond or so, so that a cancel is answered in milliseconds.
TEST(IdentifyProgress, AsksOftenInAWideWindow) {
    core::IdentifyQuery query;
    query.peaks = {{900.5, 100.0}};
    query.charge = 1;
    query.ppm = 500.0;
    query.ionTypes = {{"[M+H]+", *core::ParseIonNotation("[M+H]+").notation}};
    RecordingProgress progress;
    const core::IdentifyResult result = calc::IdentifyMeasuredIon(query, &progress);
    ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
    ASSERT_GT(result.massMatches, 50'000U);
    EXPECT_GT(progress.fractions.size(), result.massMatches / 20'000);
}

}  // namespace
}  // namespace tarnevo::testing
