// The error models of real analysers on hand-made comparisons, each expected
// value derived by hand in its comment (not from the code under test).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/instrument_error_model.h"
#include "core/pattern_score.h"

namespace tarnevo::testing {
namespace {

using core::MeasuredPeak;
using core::PatternErrorModel;
using core::ResolvedPeak;

const PatternErrorModel kQTof = core::InstrumentModelOf(core::Instrument::QTof).errorModel;

// Predicted peaks of a C13-like ion at m/z 300: [A+0] 100, [A+1] 20 (1.00336 up).
const std::vector<ResolvedPeak> kPredicted = {{300.0, 100.0}, {301.00336, 20.0}};

TEST(InstrumentErrorModel, AQuarterLowPlusOneCostsLittleOnAQTof) {
    const std::vector<MeasuredPeak> measured = {{300.0, 100.0}, {301.00336, 15.0}};
    const core::PatternScore score = core::ScorePattern(measured, kPredicted, kQTof);
    // sigma = sqrt((0.10 x 0.20)^2 + 0.012^2) = 0.023324; z = 0.05 / sigma =
    // 2.1437; t of 3: -(4 / 2) ln(1 + 2.1437^2 / 3) = -2 ln(2.5319) = -1.858.
    EXPECT_NEAR(score.parts.intensity, -1.858, 0.002);
    // The default Gaussian model: sigma = hypot(0.05 x 0.2, 0.005) = 0.011180,
    // z = 4.472, -z^2 / 2 = -10.0.
    const core::PatternScore gaussian = core::ScorePattern(measured, kPredicted);
    EXPECT_NEAR(gaussian.parts.intensity, -10.0, 0.01);
}

TEST(InstrumentErrorModel, AMissingPeakCostsABoundedAmount) {
    // An 8 % [A+1] the peak picking dropped beside a 30 % [A+2].
    const std::vector<ResolvedPeak> predicted = {{300.0, 100.0}, {301.00336, 8.0}, {301.99705, 30.0}};
    const std::vector<MeasuredPeak> measured = {{300.0, 100.0}, {301.99705, 30.0}};
    const core::PatternScore within = core::ScorePattern(measured, predicted, kQTof);
    // Uncapped: sigma(0.08) = sqrt(0.008^2 + 0.012^2) = 0.014422, z = (0.08 -
    // 0.005) / sigma = 5.200, -2 ln(1 + 27.04 / 3) = -4.61: beyond the cap of 3.
    EXPECT_DOUBLE_EQ(within.parts.missing, -kQTof.missingCap);
    // Beyond the last measured peak (a cluster given up to [A+1]) the cap is 1.
    const std::vector<MeasuredPeak> cut = {{300.0, 100.0}, {301.00336, 8.0}};
    const core::PatternScore beyond = core::ScorePattern(cut, predicted, kQTof);
    EXPECT_DOUBLE_EQ(beyond.parts.missing, -kQTof.missingBeyondCap);
    // The default model keeps its unbounded Gaussian: (0.3 - 0.01) / hypot(0.015,
    // 0.005) = 18.34 sigmas, -168.
    EXPECT_LT(core::ScorePattern(cut, predicted).parts.missing, -150.0);
}

// Three peaks at 300, 301 and 302 of 100, 50 and 25 %, measured off by the
// given ppm each.
double MzPart(const std::vector<double>& errorsPpm, const PatternErrorModel& model) {
    const std::vector<ResolvedPeak> predicted = {{300.0, 100.0}, {301.00336, 50.0}, {302.00672, 25.0}};
    std::vector<MeasuredPeak> measured;
    for (std::size_t k = 0; k < predicted.size(); ++k) {
        measured.push_back({predicted[k].mz * (1.0 + errorsPpm[k] * 1e-6), predicted[k].abundance});
    }
    return core::ScorePattern(measured, predicted, model).parts.mz;
}

TEST(InstrumentErrorModel, ACommonOffsetCostsLessThanTheSameSpread) {
    // Gaussian, sigma 1 ppm a peak, offset sigma s = 3 ppm: the exponent of the
    // joint density of e with the offset integrated out, covariance I + s^2 11',
    // is -(sum e^2 - s^2 (sum e)^2 / (1 + 3 s^2)) / 2.
    PatternErrorModel model;
    model.mzPpm = 1.0;
    model.mzOffsetPpm = 3.0;
    model.matchWindowSigmas = 10.0;
    // e = (3, 3, 3): (27 - 9 x 81 / 28) / 2 = 0.4821.
    EXPECT_NEAR(MzPart({3.0, 3.0, 3.0}, model), -0.4821, 1e-3);
    // e = (3, -3, 3): (27 - 9 x 9 / 28) / 2 = 12.054.
    EXPECT_NEAR(MzPart({3.0, -3.0, 3.0}, model), -12.054, 1e-3);
    // On the Q-TOF's model too, and without an offset each error counts alone.
    EXPECT_GT(MzPart({3.0, 3.0, 3.0}, kQTof), MzPart({3.0, -3.0, 3.0}, kQTof));
    EXPECT_NEAR(MzPart({3.0, 3.0, 3.0}, PatternErrorModel{}), -3 * 0.5 * 1.5 * 1.5, 1e-6);
}

TEST(InstrumentErrorModel, NamesAndTheirModels) {
    for (const char* name : {"orbitrap", "ft-icr", "q-tof", "tof", "it-tof", "custom"}) {
        const std::optional<core::Instrument> instrument = core::InstrumentNamed(name);
        ASSERT_TRUE(instrument) << name;
        EXPECT_EQ(core::InstrumentModelOf(*instrument).name, name);
        EXPECT_EQ(core::CheckErrorModel(core::InstrumentModelOf(*instrument).errorModel).status,
                  core::PatternStatus::Scored);
    }
    EXPECT_FALSE(core::InstrumentNamed("QTOF"));
    EXPECT_EQ(core::InstrumentNameList(), "orbitrap, ft-icr, q-tof, tof, it-tof or custom");
    // The custom model is the default one: rankings without --instrument stay.
    const PatternErrorModel custom = core::InstrumentModelOf(core::Instrument::Custom).errorModel;
    EXPECT_EQ(custom.tailDof, 0.0);
    EXPECT_EQ(custom.mzOffsetPpm, 0.0);
    EXPECT_TRUE(std::isinf(custom.missingCap));
}

}  // namespace
}  // namespace tarnevo::testing
