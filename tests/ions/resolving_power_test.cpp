// Pins what an instrument of a given resolving power makes of an ion's lines.
// Closed forms: two equal Gaussians show a dip between them exactly when they
// lie more than 2 sigma (0.849 FWHM) apart; a lone line's profile is its
// Gaussian; the Orbitrap's FWHM grows as m/z^1.5. A case known by hand: the
// 13C and 15N lines of an [A+1] at m/z 151, 6.3 mDa apart, are one peak at
// R 17,500 and two at R 240,000. And an oracle that shares nothing with the
// fast path (no bins, no regions, no reach): the profile evaluated densely over
// every line, its minima found, the lines between them summed, on random
// patterns with a fixed seed.
#include "core/resolving_power.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

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
TEST_P(EqualLines, ShowADipExactlyWhenMoreThanTwoSigmaApart) {
    const double fwhm = 0.05;
    const double d = GetParam() * fwhm;
    const std::vector<SpectrumLine> lines = {{500.0, 0.3}, {500.0 + d, 0.3}};
    const ResolvedPattern pattern = ResolvePattern(lines, Constant(10000.0));
    if (d > 2.0 * kSigmaPerFwhm * fwhm) {
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
                         ::testing::Values(0.3, 0.8, 0.83, 0.87, 0.9, 1.5, 5.0, 20.0));

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
    // 0.9 FWHM apart: resolved as sharp lines; with a spread of their own as
    // wide as the instrument's, their Gaussians are sqrt(2) wider and merge.
    const double fwhm = 0.05;
    const double sigma = fwhm * kSigmaPerFwhm;
    std::vector<SpectrumLine> lines = {{500.0, 1.0}, {500.0 + 0.9 * fwhm, 1.0}};
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

// The oracle: every line's Gaussian summed at 400 points a FWHM, no cut-off.
std::vector<ResolvedPeak> DenseOracle(const std::vector<SpectrumLine>& lines, const ResolvingPower& power) {
    double low = lines.front().mz;
    double high = low;
    for (const SpectrumLine& line : lines) {
        low = std::min(low, line.mz);
        high = std::max(high, line.mz);
    }
    auto profile = [&](double x) {
        double sum = 0.0;
        for (const SpectrumLine& line : lines) {
            const double sigma = power.FwhmAt(line.mz) * kSigmaPerFwhm;
            sum += line.abundance / sigma * std::exp(-0.5 * std::pow((x - line.mz) / sigma, 2));
        }
        return sum;
    };
    std::vector<double> minima;
    const double step = power.FwhmAt(low) / 400.0;
    double before = profile(low - step);
    double here = profile(low);
    for (double x = low; x <= high; x += step) {
        const double after = profile(x + step);
        if (here < before && here <= after) minima.push_back(x);
        before = here;
        here = after;
    }
    std::vector<ResolvedPeak> peaks(minima.size() + 1);
    std::vector<double> weighted(minima.size() + 1, 0.0);
    for (const SpectrumLine& line : lines) {
        const std::size_t k = static_cast<std::size_t>(
            std::upper_bound(minima.begin(), minima.end(), line.mz) - minima.begin());
        peaks[k].abundance += line.abundance;
        weighted[k] += line.mz * line.abundance;
    }
    std::vector<ResolvedPeak> found;
    for (std::size_t k = 0; k < peaks.size(); ++k) {
        if (peaks[k].abundance > 0.0) found.push_back({weighted[k] / peaks[k].abundance, peaks[k].abundance});
    }
    return found;
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
        const std::vector<ResolvedPeak> expected = DenseOracle(lines, power);
        const std::vector<ResolvedPeak> found = ResolvePattern(lines, power).peaks;
        ASSERT_EQ(found.size(), expected.size()) << "trial " << trial;
        for (std::size_t k = 0; k < found.size(); ++k) {
            EXPECT_NEAR(found[k].mz, expected[k].mz, 1e-9) << "trial " << trial << " peak " << k;
            EXPECT_NEAR(found[k].abundance, expected[k].abundance, 1e-12)
                << "trial " << trial << " peak " << k;
        }
    }
}

}  // namespace
}  // namespace tarnevo::core
