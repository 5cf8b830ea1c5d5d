// Pins the isotope pattern score and the charge read from the peaks' spacing.
// Every expected score is derived by hand in a comment from the error model
// (Gaussian terms -z^2 / 2; intensity sigma sqrt((0.05 a)^2 + 0.005^2) for a
// predicted relative intensity a; noise 0.01 of the base peak), on patterns
// written down here, never from the program's own output. The charge cases
// are clusters whose spacings follow from the 13C step, 1.00336 u / |z|.
#include "core/pattern_score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tarnevo::core {
namespace {

// Chlorobenzene's radical cation C6H5Cl+ by hand: [A+1] 6 x 1.07 % 13C plus
// 5 x 0.012 % 2H ~ 0.0657; [A+2] 37Cl/35Cl = 24.22 / 75.78 = 0.3197 (the 13C2
// part is negligible); [A+3] 0.3197 x 0.0657 ~ 0.0210.
const std::vector<ResolvedPeak> kChloroPattern = {
    {112.0080, 1.0}, {113.0114, 0.0657}, {114.0051, 0.3197}, {115.0084, 0.0210}};
// The same m/z with a bromine's ratios: 81Br/79Br = 49.31 / 50.69 = 0.973 at
// [A+2] and 0.973 x 0.0657 = 0.0639 at [A+3].
const std::vector<ResolvedPeak> kBromoLikePattern = {
    {112.0080, 1.0}, {113.0114, 0.0657}, {114.0051, 0.973}, {115.0084, 0.0639}};

// The predicted peaks as measured, intensities on another scale.
std::vector<MeasuredPeak> AsMeasured(const std::vector<ResolvedPeak>& pattern, double scale = 2.5e6) {
    std::vector<MeasuredPeak> peaks;
    peaks.reserve(pattern.size());
    for (const ResolvedPeak& peak : pattern) peaks.push_back({peak.mz, peak.abundance * scale});
    return peaks;
}

TEST(PatternScore, APerfectMatchScoresZeroAndReadsOneHundred) {
    const PatternScore score = ScorePattern(AsMeasured(kChloroPattern), kChloroPattern);
    ASSERT_EQ(score.status, PatternStatus::Scored);
    EXPECT_NEAR(score.logLikelihood, 0.0, 1e-12);
    EXPECT_NEAR(score.patternMatch, 100.0, 1e-9);
    EXPECT_EQ(score.comparisonCount, 8);  // four matched peaks, m/z and intensity each
    ASSERT_TRUE(score.monoisotopicErrorPpm.has_value());
    EXPECT_NEAR(*score.monoisotopicErrorPpm, 0.0, 1e-9);
    ASSERT_EQ(score.peaks.size(), 4U);
    for (const PeakComparison& line : score.peaks) EXPECT_EQ(line.outcome, PeakOutcome::Matched);
}

// Every way of spoiling a perfect match scores below it.
enum class Spoil { ShiftMz, RaiseIntensity, DropPeak, AddPeak };
class SpoiledMatch : public ::testing::TestWithParam<Spoil> {};

TEST_P(SpoiledMatch, ScoresBelowThePerfectOne) {
    std::vector<MeasuredPeak> measured = AsMeasured(kChloroPattern, 1.0);
    switch (GetParam()) {
        case Spoil::ShiftMz:
            measured[1].mz += 0.0002;
            break;
        case Spoil::RaiseIntensity:
            measured[2].intensity *= 1.1;
            break;
        case Spoil::DropPeak:
            measured.pop_back();
            break;
        case Spoil::AddPeak:
            measured.push_back({116.0, 0.02});
            break;
    }
    const PatternScore score = ScorePattern(measured, kChloroPattern);
    ASSERT_EQ(score.status, PatternStatus::Scored);
    EXPECT_LT(score.logLikelihood, -0.1);
    EXPECT_LT(score.patternMatch, 100.0);
}

INSTANTIATE_TEST_SUITE_P(Spoils, SpoiledMatch,
                         ::testing::Values(Spoil::ShiftMz, Spoil::RaiseIntensity, Spoil::DropPeak,
                                           Spoil::AddPeak));

// A chlorine pattern scored as a bromine one. [A+2]: measured 0.3197 against
// 0.973, sigma sqrt(0.04865^2 + 0.005^2) = 0.048906, z = 13.358, term -89.22.
// [A+3]: 0.0210 against 0.0639, sigma sqrt(0.003195^2 + 0.005^2) = 0.0059337,
// z = 7.230, term -26.14. The m/z agree, so the score is their sum, -115.36.
TEST(PatternScore, AChlorinePatternScoredAsBromineLosesClearly) {
    const std::vector<MeasuredPeak> measured = AsMeasured(kChloroPattern);
    const PatternScore right = ScorePattern(measured, kChloroPattern);
    const PatternScore swapped = ScorePattern(measured, kBromoLikePattern);
    ASSERT_EQ(swapped.status, PatternStatus::Scored);
    EXPECT_NEAR(swapped.peaks[2].intensityTerm, -89.22, 0.01);
    EXPECT_NEAR(swapped.peaks[3].intensityTerm, -26.14, 0.01);
    EXPECT_NEAR(swapped.logLikelihood, -115.36, 0.01);
    EXPECT_NEAR(swapped.parts.mz, 0.0, 1e-12);
    EXPECT_GT(right.logLikelihood - swapped.logLikelihood, 100.0);
    EXPECT_LT(swapped.patternMatch, 0.01);  // 100 x e^(-115.36 / 8) = 5.5E-5
}

// And the other way: [A+2] 0.973 against 0.3197, sigma
// sqrt(0.015985^2 + 0.005^2) = 0.016749, z = 39.0, term -760.
TEST(PatternScore, ABrominePatternScoredAsChlorineLosesClearly) {
    const PatternScore swapped = ScorePattern(AsMeasured(kBromoLikePattern), kChloroPattern);
    ASSERT_EQ(swapped.status, PatternStatus::Scored);
    EXPECT_NEAR(swapped.peaks[2].intensityTerm, -760.8, 0.5);
    EXPECT_LT(swapped.logLikelihood, -760.0);
}

// Predicted 1, 0.2, 0.03 and 0.009 of the base; only the first two measured.
// The [A+2] at 0.03 went unseen, so it was measured at most at the noise
// level 0.01: its cost is -0.5 x (0.03 - 0.01)^2 / (0.0015^2 + 0.005^2)
// = -0.0002 / 0.00002725 = -7.3394. The [A+3] at 0.009 lies below the noise
// and costs nothing. Five comparisons (two matched peaks, one missing):
// pattern match 100 x e^(-7.3394 / 5) = 23.04.
TEST(PatternScore, AMissingPeakCostsWhatTheModelSays) {
    const std::vector<ResolvedPeak> predicted = {
        {300.0, 1.0}, {301.0034, 0.2}, {302.0067, 0.03}, {303.0101, 0.009}};
    const std::vector<MeasuredPeak> measured = {{300.0, 50.0}, {301.0034, 10.0}};
    const PatternScore score = ScorePattern(measured, predicted);
    ASSERT_EQ(score.status, PatternStatus::Scored);
    EXPECT_NEAR(score.parts.missing, -7.3394, 1e-4);
    EXPECT_NEAR(score.logLikelihood, -7.3394, 1e-4);
    EXPECT_EQ(score.comparisonCount, 5);
    EXPECT_NEAR(score.patternMatch, 23.04, 0.01);
    ASSERT_EQ(score.peaks.size(), 3U);
    EXPECT_EQ(score.peaks[2].outcome, PeakOutcome::Missing);
    EXPECT_DOUBLE_EQ(score.peaks[2].predictedMz, 302.0067);
}

// The cost is continuous at the noise level: a peak just above it (0.0101,
// sigma 0.0050250) costs -0.5 x (0.0001 / 0.005025)^2 = -0.000198, and one
// of 0.0099 nothing, so a candidate does not jump in rank across the noise.
TEST(PatternScore, AMissingPeakAtTheNoiseLevelCostsAlmostNothing) {
    const std::vector<MeasuredPeak> measured = {{300.0, 1.0}};
    const PatternScore above =
        ScorePattern(measured, std::vector<ResolvedPeak>{{300.0, 1.0}, {301.0034, 0.0101}});
    const PatternScore below =
        ScorePattern(measured, std::vector<ResolvedPeak>{{300.0, 1.0}, {301.0034, 0.0099}});
    EXPECT_NEAR(above.parts.missing, -0.000198, 1e-6);
    EXPECT_EQ(below.parts.missing, 0.0);
    EXPECT_EQ(below.peaks.size(), 1U);
}

// A measured peak at 0.05 where the candidate predicts nothing: the candidate
// allows at most the noise level there, so the excess 0.04 counts at the
// noise level's sigma sqrt(0.0005^2 + 0.005^2) = 0.0050249: z = 7.9603,
// term -31.68.
TEST(PatternScore, AnUnexplainedPeakCostsItsExcessOverTheNoise) {
    const std::vector<ResolvedPeak> predicted = {{300.0, 1.0}};
    const std::vector<MeasuredPeak> measured = {{300.0, 1.0}, {302.0, 0.05}};
    const PatternScore score = ScorePattern(measured, predicted);
    EXPECT_NEAR(score.parts.unexplained, -31.68, 0.01);
    EXPECT_EQ(score.peaks[1].outcome, PeakOutcome::Unexplained);
    EXPECT_EQ(score.comparisonCount, 3);
}

// Every measured peak d ppm above its prediction: each m/z term is
// -0.5 x (d / 2)^2 at the default 2 ppm, four of them -d^2 / 2 in all, and
// the monoisotopic error reads d. Up to the 4-sigma window (8 ppm) they match.
class ShiftedMeasurement : public ::testing::TestWithParam<double> {};

TEST_P(ShiftedMeasurement, CostsAsTheGaussianSays) {
    const double d = GetParam();
    std::vector<MeasuredPeak> measured = AsMeasured(kChloroPattern);
    for (MeasuredPeak& peak : measured) peak.mz *= 1.0 + d * 1e-6;
    const PatternScore score = ScorePattern(measured, kChloroPattern);
    ASSERT_EQ(score.status, PatternStatus::Scored);
    EXPECT_NEAR(score.parts.mz, -d * d / 2.0, 1e-6);
    EXPECT_NEAR(score.parts.intensity, 0.0, 1e-12);
    ASSERT_TRUE(score.monoisotopicErrorPpm.has_value());
    EXPECT_NEAR(*score.monoisotopicErrorPpm, d, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Ppm, ShiftedMeasurement, ::testing::Values(-6.0, -1.0, 0.5, 2.0, 4.0, 7.5));

// The monoisotopic peak is the lightest predicted one above the noise: a
// 54Fe-like peak 2 u below at 0.005 of the base neither sets the mass error
// nor, unmeasured, costs anything. Predicted out of m/z order on purpose.
TEST(PatternScore, TheMonoisotopicPeakIsTheLightestAboveTheNoise) {
    const std::vector<ResolvedPeak> predicted = {{301.0034, 0.2}, {300.0, 1.0}, {298.0, 0.005}};
    const std::vector<MeasuredPeak> measured = {{300.0 * (1.0 + 1.5e-6), 1.0}, {301.0034, 0.2}};
    const PatternScore score = ScorePattern(measured, predicted);
    ASSERT_TRUE(score.monoisotopicErrorPpm.has_value());
    EXPECT_NEAR(*score.monoisotopicErrorPpm, 1.5, 1e-6);
    EXPECT_NEAR(score.logLikelihood, -0.5 * 0.75 * 0.75, 1e-6);  // 1.5 ppm is 0.75 sigma
    EXPECT_EQ(score.peaks.size(), 2U);
}

// Beyond the window (10 ppm is 5 sigma) nothing matches: every measured peak
// is unexplained and every predicted one above the noise missing.
TEST(PatternScore, PeaksBeyondTheWindowDoNotMatch) {
    std::vector<MeasuredPeak> measured = AsMeasured(kChloroPattern);
    for (MeasuredPeak& peak : measured) peak.mz *= 1.0 + 10e-6;
    const PatternScore score = ScorePattern(measured, kChloroPattern);
    EXPECT_EQ(score.peaks.size(), 8U);
    EXPECT_EQ(score.parts.mz, 0.0);
    EXPECT_FALSE(score.monoisotopicErrorPpm.has_value());
}

// One to one, nearest first: two measured peaks 0.4 and 0.6 ppm from one
// predicted peak at m/z 500; the nearer takes it, the other is unexplained.
TEST(PatternScore, MatchesOneToOneNearestFirst) {
    const std::vector<ResolvedPeak> predicted = {{500.0, 1.0}};
    const std::vector<MeasuredPeak> measured = {{500.0003, 0.5}, {499.9998, 1.0}};
    const PatternScore score = ScorePattern(measured, predicted);
    ASSERT_EQ(score.peaks.size(), 2U);
    EXPECT_EQ(score.peaks[0].outcome, PeakOutcome::Matched);
    EXPECT_DOUBLE_EQ(score.peaks[0].measuredMz, 499.9998);
    EXPECT_EQ(score.peaks[1].outcome, PeakOutcome::Unexplained);
}

// A resolved [A+1] at R 240,000: the 15N line 6.3 mDa below the 13C one.
// A measured peak on the 13C line is matched to it, not to the 15N line, whose
// 0.0037 of the base falls below the noise and so goes unlisted.
TEST(PatternScore, AMeasuredPeakTakesTheNearestOfAFineStructure) {
    const std::vector<ResolvedPeak> predicted = {{150.0, 1.0}, {150.9970, 0.0037}, {151.0034, 0.099}};
    const std::vector<MeasuredPeak> measured = {{150.0, 100.0}, {151.0034, 9.9}};
    const PatternScore score = ScorePattern(measured, predicted);
    ASSERT_EQ(score.peaks.size(), 2U);
    EXPECT_DOUBLE_EQ(score.peaks[1].predictedMz, 151.0034);
    EXPECT_NEAR(score.logLikelihood, 0.0, 1e-12);
}

struct PeakRefusal {
    std::vector<MeasuredPeak> peaks;
    PatternStatus status;
    std::string problem;
};

class RefusedPeaks : public ::testing::TestWithParam<PeakRefusal> {};

TEST_P(RefusedPeaks, AreRefusedByScoreAndChargeAlike) {
    const PeakRefusal& refusal = GetParam();
    const PatternScore score = ScorePattern(refusal.peaks, kChloroPattern);
    EXPECT_EQ(score.status, refusal.status);
    EXPECT_EQ(score.problem, refusal.problem);
    const ChargeInference charge = InferCharge(refusal.peaks);
    EXPECT_EQ(charge.status, refusal.status);
    EXPECT_EQ(charge.problem, refusal.problem);
    EXPECT_EQ(charge.charge, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedPeaks,
    ::testing::Values(
        PeakRefusal{{},
                    PatternStatus::NoPeaks,
                    "No peaks: give the m/z and intensity of at least one measured peak."},
        PeakRefusal{{{500.0, 10.0}, {501.0, 0.0}},
                    PatternStatus::NonPositiveIntensity,
                    "Peak 2 has the intensity 0: every intensity must be a number greater than 0."},
        PeakRefusal{{{500.0, -3.5}},
                    PatternStatus::NonPositiveIntensity,
                    "Peak 1 has the intensity -3.5: every intensity must be a number greater than 0."},
        PeakRefusal{{{500.0, 1.0}, {501.0, std::nan("")}},
                    PatternStatus::NonPositiveIntensity,
                    "Peak 2 has the intensity nan: every intensity must be a number greater than 0."},
        PeakRefusal{{{0.0, 1.0}},
                    PatternStatus::NonPositiveMz,
                    "Peak 1 has the m/z 0: every m/z must be a number greater than 0."},
        PeakRefusal{std::vector<MeasuredPeak>(31, {500.0, 1.0}), PatternStatus::TooManyPeaks,
                    "31 peaks: give at most 30 peaks of one ion's cluster."}));

TEST(PatternScore, RefusesACandidateWithoutPeaksAndABadModel) {
    const std::vector<MeasuredPeak> measured = {{500.0, 1.0}};
    EXPECT_EQ(ScorePattern(measured, std::vector<ResolvedPeak>{{500.0, 0.0}}).status,
              PatternStatus::NoPredictedPeaks);
    PatternErrorModel model;
    model.intensityFloor = 0.0;  // an unexplained peak would have no finite cost
    const PatternScore score = ScorePattern(measured, kChloroPattern, model);
    EXPECT_EQ(score.status, PatternStatus::InvalidErrorModel);
    EXPECT_EQ(score.problem, "The intensity floor must be a fraction of the base peak greater than 0.");
    model = {};
    model.noiseLevel = 1.0;
    EXPECT_EQ(ScorePattern(measured, kChloroPattern, model).status, PatternStatus::InvalidErrorModel);
}

// --- The charge ---------------------------------------------------------------

// A carbon-rich cluster at m/z 600: peaks 1.00336 / z apart, intensities
// falling as a C30 ion's do (1, 0.33, 0.05).
std::vector<MeasuredPeak> CarbonCluster(int z) {
    const double step = 1.00336 / z;
    return {{600.0, 100.0}, {600.0 + step, 33.0}, {600.0 + 2.0 * step, 5.0}};
}

class ChargedCluster : public ::testing::TestWithParam<int> {};

TEST_P(ChargedCluster, ReadsItsChargeFromTheSpacing) {
    const ChargeInference inferred = InferCharge(CarbonCluster(GetParam()));
    EXPECT_EQ(inferred.status, PatternStatus::Scored);
    EXPECT_EQ(inferred.charge, GetParam());
    EXPECT_TRUE(inferred.problem.empty());
}

INSTANTIATE_TEST_SUITE_P(Charges, ChargedCluster, ::testing::Values(1, 2, 3, 4));

// Regression: cysteine's [M+H]+ at R 77,000 shows [A+1] as its 33S and 13C
// lines and [A+2] as its 34S line alone. [A+1]'s centroid (123.0294, mostly
// 13C) lies 0.9934 below [A+2] (34S adds 1.99580 to [A+0], 13C 1.00336): no
// single step of 1.0013 +- 0.0052 plus 10 ppm, which refused the peaks as not
// one cluster. Each peak lies within its own number of steps of [A+0].
TEST(InferCharge, ReadsA13CPlusOneBeforeA34SPlusTwoAsOneCluster) {
    const std::vector<MeasuredPeak> cysteine = {
        {122.02723, 95.35}, {123.02585, 0.59}, {123.03004, 3.21}, {124.02276, 4.56}};
    EXPECT_EQ(InferCharge(cysteine).charge, 1);
    EXPECT_EQ(CheckClusterOfCharge(cysteine, 1).status, PatternStatus::Scored);
    EXPECT_EQ(CheckClusterOfCharge(cysteine, -1).status, PatternStatus::Scored);
}

TEST(CheckClusterOfCharge, RefusesPeaksOfAnotherCharge) {
    // A singly charged cluster read at charge 2: [A+1] 1.003 above [A+0] is two
    // half steps, but a peak at 0.5 would be missing, which is allowed; a
    // spacing of 0.75 fits no whole number of half steps.
    const std::vector<MeasuredPeak> peaks = {{500.0, 100.0}, {500.75, 30.0}};
    const PatternRefusal refusal = CheckClusterOfCharge(peaks, 2);
    EXPECT_EQ(refusal.status, PatternStatus::NotOneCluster);
    EXPECT_NE(refusal.problem.find("charge 2"), std::string::npos) << refusal.problem;
}

// Cases whose spacings are not all single 13C steps.
TEST(InferCharge, ReadsGapsFineStructureAndAnyOrder) {
    // Dibromomethane's cation: [A+0], [A+2], [A+4] only, 1.99795 u apart (81Br).
    const std::vector<MeasuredPeak> dibromo = {{171.8523, 51.0}, {173.8503, 100.0}, {175.8482, 49.0}};
    EXPECT_EQ(InferCharge(dibromo).charge, 1);
    // At R 240,000 the [A+1] shows its 15N line 6.3 mDa below the 13C one:
    // one nominal peak, listed out of order.
    const std::vector<MeasuredPeak> fine = {{151.0034, 8.0}, {150.0, 100.0}, {150.9971, 0.4}};
    EXPECT_EQ(InferCharge(fine).charge, 1);
    // A doubly charged ion whose [A+1] and [A+3] went unseen: spacings of one
    // mass unit on the m/z scale are two half steps, read as z = 1 (the
    // smallest charge the spacings allow).
    const std::vector<MeasuredPeak> evenOnly = {{400.0, 100.0}, {401.0034, 20.0}};
    EXPECT_EQ(InferCharge(evenOnly).charge, 1);
}

struct ChargeRefusal {
    std::vector<MeasuredPeak> peaks;
    PatternStatus status;
    std::string problem;
};

class UnreadableCharge : public ::testing::TestWithParam<ChargeRefusal> {};

TEST_P(UnreadableCharge, IsRefusedWithAReason) {
    const ChargeInference inferred = InferCharge(GetParam().peaks);
    EXPECT_EQ(inferred.status, GetParam().status);
    EXPECT_EQ(inferred.problem, GetParam().problem);
    EXPECT_EQ(inferred.charge, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, UnreadableCharge,
    ::testing::Values(
        ChargeRefusal{
            {{500.0, 1.0}},
            PatternStatus::ChargeNotInferable,
            "The charge cannot be inferred from one peak (or the fine structure of one): give the charge, "
            "or more peaks of the cluster."},
        // The 13C and 15N lines of one [A+1]: still one nominal peak.
        ChargeRefusal{
            {{501.0034, 1.0}, {500.9971, 0.1}},
            PatternStatus::ChargeNotInferable,
            "The charge cannot be inferred from one peak (or the fine structure of one): give the charge, "
            "or more peaks of the cluster."},
        // 0.7 is no whole number of steps: 0.70 at z = 1, 1.40 at z = 2,
        // 2.10 at z = 3, 2.80 at z = 4, each at least 0.1 step from one.
        ChargeRefusal{
            {{500.0, 1.0}, {500.7, 1.0}},
            PatternStatus::NotOneCluster,
            "The peaks are not of one cluster: m/z 500.0000 and 500.7000 are 0.7000 apart, which is not 1 "
            "to 4 isotope spacings (1/z) for any charge from 1 to 4."},
        // Ten mass units with nothing between: more than four steps.
        ChargeRefusal{
            {{500.0, 1.0}, {510.0, 1.0}},
            PatternStatus::NotOneCluster,
            "The peaks are not of one cluster: m/z 500.0000 and 510.0000 are 10.0000 apart, which is not 1 "
            "to 4 isotope spacings (1/z) for any charge from 1 to 4."},
        // A half step (z = 2 or 4) then a third of one (z = 3).
        ChargeRefusal{
            {{600.0, 1.0}, {600.50168, 1.0}, {600.83613, 1.0}},
            PatternStatus::NotOneCluster,
            "The peaks are not of one cluster: each spacing fits a charge from 1 to 4, but no one charge "
            "fits them all."}));

}  // namespace
}  // namespace tarnevo::core
