// Pins what an instrument of a given resolving power makes of an ion's lines.
// Closed forms: two equal Gaussians part when the dip between them reaches 5 %
// of their tops (between 0.9 and 1 FWHM apart, derived below); a lone line's
// profile is its Gaussian; the Orbitrap's FWHM grows as m/z^1.5. A case known
// by hand: the 13C and 15N lines of an [A+1] at m/z 151, 6.3 mDa apart, are one
// peak at R 17,500 and two at R 240,000. And an oracle that shares nothing with
// the code under test (tests/support/profile_oracle.h: every line summed on a
// dense grid, exact tops and valleys by golden-section search), on random
// patterns with a fixed seed, with lines placed right beside the valleys.
#include "core/resolving_power.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "core/peak_moments.h"
#include "core/resolved_peaks.h"
#include "tests/support/profile_oracle.h"

namespace tarnevo::core {
namespace {

constexpr double kSigmaPerFwhm = 0.42466090014400953;  // 1 / (2 sqrt(2 ln 2))

ResolvingPower Constant(double resolution) { return {resolution, ResolvingPowerModel::Constant, 200.0}; }

TEST(ResolvingPower, OrbitrapWidthGrowsAsMzToTheThreeHalves) {
    const ResolvingPower orbitrap{120000.0, ResolvingPowerModel::Orbitrap, 200.0};
    EXPECT_DOUBLE_EQ(orbitrap.FwhmAt(200.0), 200.0 / 120000.0);
    EXPECT_DOUBLE_EQ(orbitrap.FwhmAt(800.0), 800.0 / 60000.0);  // R halves at four times the m/z
    EXPECT_DOUBLE_EQ(Constant(60000.0).FwhmAt(600.0), 0.01);
}

class EqualLines : public ::testing::TestWithParam<double> {};

// Two lines of equal abundance, d FWHM apart at m/z 500, R 10,000 (FWHM 0.05).
// With sigma = 0.4247 FWHM the valley midway is 2 exp(-d^2 / 8 sigma^2) of one
// line's height and each top at least 1 + exp(-d^2 / 2 sigma^2): at 0.9 FWHM
// (2.119 sigma) 1.141 against more than 1.106 and less than 1.15 (a dip of
// under 1 %: one peak); at 1 FWHM (2.355 sigma) exactly 1 against at least
// 1.0625 (a dip of 6 %: two peaks).
TEST_P(EqualLines, PartWhenTheDipReachesFivePercent) {
    const double fwhm = 0.05;
    const double d = GetParam() * fwhm;
    const std::vector<SpectrumLine> lines = {{500.0, 0.3}, {500.0 + d, 0.3}};
    const ResolvedPattern pattern = ResolvePattern(lines, Constant(10000.0));
    if (GetParam() >= 1.0) {
        ASSERT_EQ(pattern.peaks.size(), 2U);
        EXPECT_DOUBLE_EQ(pattern.peaks[0].mz, 500.0);
        EXPECT_DOUBLE_EQ(pattern.peaks[1].mz, 500.0 + d);
    } else {
        ASSERT_EQ(pattern.peaks.size(), 1U);
        EXPECT_NEAR(pattern.peaks[0].mz, 500.0 + d / 2.0, 1e-12);
        EXPECT_DOUBLE_EQ(pattern.peaks[0].abundance, 0.6);
    }
}

INSTANTIATE_TEST_SUITE_P(AroundTheLimit, EqualLines,
                         ::testing::Values(0.3, 0.8, 0.87, 0.9, 1.0, 1.5, 5.0, 20.0));

TEST(ResolvedPeaks, TheCarbonNitrogenDoubletOfAnAPlusOneMergesAtLowResolvingPower) {
    // [A+1] of an ion at m/z 150: 13C at 151.00000 (FA 0.088) and 15N at
    // 151.0063 (0.0037), 6.3 mDa apart.
    const std::vector<SpectrumLine> lines = {{151.0063, 0.0037}, {151.0, 0.088}};
    const ResolvedPattern low = ResolvePattern(lines, Constant(17500.0));  // FWHM 8.6 mDa
    ASSERT_EQ(low.peaks.size(), 1U);
    EXPECT_NEAR(low.peaks[0].mz, (151.0 * 0.088 + 151.0063 * 0.0037) / 0.0917, 1e-12);
    EXPECT_NEAR(low.peaks[0].abundance, 0.0917, 1e-15);

    const ResolvedPattern high = ResolvePattern(lines, Constant(240000.0));  // FWHM 0.63 mDa
    ASSERT_EQ(high.peaks.size(), 2U);
    EXPECT_DOUBLE_EQ(high.peaks[0].mz, 151.0);
    EXPECT_DOUBLE_EQ(high.peaks[1].mz, 151.0063);
    EXPECT_DOUBLE_EQ(high.peaks[1].abundance, 0.0037);
}

TEST(ResolvedPeaks, ALineOfItsOwnSpreadMergesWhatSharpLinesWouldNot) {
    // 1.2 FWHM (2.55 sigma) apart: resolved as sharp lines (a dip of 15 %);
    // with a spread of their own as wide as the instrument's, their Gaussians
    // are sqrt(2) wider, 1.8 of their sigma apart, and merge without a dip.
    const double fwhm = 0.05;
    const double sigma = fwhm * kSigmaPerFwhm;
    std::vector<SpectrumLine> lines = {{500.0, 1.0}, {500.0 + 1.2 * fwhm, 1.0}};
    EXPECT_EQ(ResolvePattern(lines, Constant(10000.0)).peaks.size(), 2U);
    for (SpectrumLine& line : lines) line.variance = sigma * sigma;
    EXPECT_EQ(ResolvePattern(lines, Constant(10000.0)).peaks.size(), 1U);
}

TEST(Profile, OfALoneLineIsItsGaussianFromZeroToZero) {
    const std::vector<SpectrumLine> lines = {{300.0, 0.25}};
    const ResolvedPattern pattern = ResolvePattern(lines, Constant(30000.0), ProfileWanted::Yes);
    const double sigma = 0.01 * kSigmaPerFwhm;
    ASSERT_GT(pattern.profile.size(), 40U);  // 20 samples a FWHM over +-3 sigma
    EXPECT_EQ(pattern.profile.front().relative, 0.0);
    EXPECT_EQ(pattern.profile.back().relative, 0.0);
    // Scaled so that its highest sample reads 100.
    double nearest = 1e9;
    for (const ProfilePoint& point : pattern.profile) nearest = std::min(nearest, std::abs(point.mz - 300.0));
    const double top = std::exp(-0.5 * std::pow(nearest / sigma, 2));
    for (std::size_t i = 1; i + 1 < pattern.profile.size(); ++i) {
        const double x = (pattern.profile[i].mz - 300.0) / sigma;
        EXPECT_NEAR(pattern.profile[i].relative, 100.0 * std::exp(-0.5 * x * x) / top, 1e-9);
    }
}

TEST(ResolvedPeaks, IgnoreWhatCannotBeALineAndAResolvingPowerThatIsNone) {
    const std::vector<SpectrumLine> lines = {{200.0, 0.0}, {-5.0, 1.0}, {NAN, 1.0}, {201.0, 0.5}};
    const ResolvedPattern pattern = ResolvePattern(lines, Constant(1000.0));
    ASSERT_EQ(pattern.peaks.size(), 1U);
    EXPECT_EQ(pattern.peaks[0].mz, 201.0);
    EXPECT_TRUE(ResolvePattern(lines, Constant(0.0)).peaks.empty());
    EXPECT_TRUE(ResolvePattern(lines, Constant(INFINITY)).peaks.empty());
    EXPECT_TRUE(ResolvePattern({}, Constant(1000.0)).peaks.empty());
}

void ExpectSamePeaks(const std::vector<ResolvedPeak>& found, const std::vector<ResolvedPeak>& expected,
                     int trial) {
    ASSERT_EQ(found.size(), expected.size()) << "trial " << trial;
    for (std::size_t k = 0; k < found.size(); ++k) {
        EXPECT_NEAR(found[k].mz, expected[k].mz, 1e-9) << "trial " << trial << " peak " << k;
        EXPECT_NEAR(found[k].abundance, expected[k].abundance, 1e-12) << "trial " << trial << " peak " << k;
    }
}

TEST(ResolvedPeaks, AgreeWithADenseEvaluationOfEveryLine) {
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> offset(0.0, 0.02);
    std::uniform_real_distribution<double> share(0.001, 1.0);
    for (int trial = 0; trial < 40; ++trial) {
        // Up to 12 lines in three nominal groups around m/z 400, 401, 402,
        // spread over 20 mDa each (FWHM 6.7 mDa at R 60,000).
        std::vector<SpectrumLine> lines;
        for (int i = 0; i < 4 + trial % 9; ++i)
            lines.push_back({400.0 + i % 3 + offset(random), share(random)});
        const ResolvingPower power = trial % 2 == 0
                                         ? Constant(60000.0)
                                         : ResolvingPower{90000.0, ResolvingPowerModel::Orbitrap, 200.0};
        ExpectSamePeaks(ResolvePattern(lines, power).peaks, testing::OraclePeaks(lines, power, kValleyShare),
                        trial);
    }
}

// Regression: the profile was sampled every FWHM / 20 and a peak ended at the
// lowest sample, so a line within a twentieth of a FWHM of a valley could join
// the wrong peak. Here a weak line is put a hair (1/2000 to 1/50 of a FWHM)
// either side of each of the oracle's valleys.
TEST(ResolvedPeaks, ALineBesideAValleyJoinsThePeakOnItsSide) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> offset(0.0, 0.02);
    std::uniform_real_distribution<double> share(0.05, 1.0);
    std::uniform_real_distribution<double> hair(0.0005, 0.02);
    for (int trial = 0; trial < 30; ++trial) {
        std::vector<SpectrumLine> lines;
        for (int i = 0; i < 5 + trial % 6; ++i) lines.push_back({400.0 + offset(random), share(random)});
        const ResolvingPower power = Constant(60000.0 + 4000.0 * trial);
        const double fwhm = power.FwhmAt(400.0);
        const testing::DenseProfile profile(lines, power);
        std::vector<SpectrumLine> beside = lines;
        const std::vector<ResolvedPeak> peaks = testing::OraclePeaks(lines, power, kValleyShare);
        for (std::size_t k = 0; k + 1 < peaks.size(); ++k) {
            // The valley between two neighbouring peaks lies between their centroids.
            double lowest = peaks[k].mz;
            for (double x = peaks[k].mz; x < peaks[k + 1].mz; x += fwhm / 200.0) {
                if (profile(x) < profile(lowest)) lowest = x;
            }
            const double valley = profile.Golden(lowest - fwhm / 200.0, lowest + fwhm / 200.0, -1.0).mz;
            const double side = trial % 2 == 0 ? 1.0 : -1.0;
            beside.push_back({valley + side * hair(random) * fwhm, 1e-4});
        }
        ExpectSamePeaks(ResolvePattern(beside, power).peaks,
                        testing::OraclePeaks(beside, power, kValleyShare), trial);
    }
}

// Regression: an antibody at charge 1 and R 100,000 (FWHM 1.5 u over nominal
// peaks 1 u apart) has a profile of one hump with a dip of 0.4 % on it, which
// parted it into two peaks of half the ion each; no centroiding would.
TEST(ResolvedPeaks, AnAntibodysShallowDipDoesNotPartItsEnvelope) {
    const ElementTable table;
    ParsedFormula antibody;
    ASSERT_EQ(ParseFormulaText("C6464H9950N1714O2016S44", antibody), FormulaSyntax::Valid);
    std::vector<SpectrumLine> lines;
    for (const PeakMoment& peak : PeakMoments(table, antibody, 319)) {
        lines.push_back({static_cast<double>(145000.0L + peak.shift + peak.meanDefect),
                         static_cast<double>(peak.abundance), static_cast<double>(peak.variance)});
    }
    const ResolvedPattern pattern = ResolvePattern(lines, Constant(100000.0));
    ASSERT_EQ(pattern.peaks.size(), 1U);
    EXPECT_NEAR(pattern.peaks[0].abundance, 1.0, 1e-9);
}

}  // namespace
}  // namespace tarnevo::core
