// Pins the rules of the enrichment search on small cases worked by hand: the
// starting simplices and their boundaries, the range test (an FA of exactly 0 or
// 1 is out), which contraction is evaluated and kept, the replacement that moves
// the old second-worst vertex to the last position and re-sorts only the first
// D, the stop test after each cycle (never on the starting simplex), the
// question every 20 cycles, and the peak offset, peak count and light-FA
// estimate; then the mend of the search's weakness: what counts as a collapsed
// simplex, the fresh simplex around the best vertex, and the end of a search
// whose best SSR cannot fall below the threshold. The evaluators are scripted
// or simple quadratics, so every expected point and SSR follows from the
// arithmetic in the comments.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <deque>
#include <vector>

#include "core/enrichment_fit.h"

namespace tarnevo::core {
namespace {

// Answers with scripted SSRs in order and records the points asked about.
struct ScriptedEvaluator {
    std::deque<double> answers;
    std::vector<FAVector> asked;
    TrialEvaluator Function() {
        return [this](const FAVector& fa) {
            asked.push_back(fa);
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected evaluation";
                return 1e9;
            }
            const double ssr = answers.front();
            answers.pop_front();
            return ssr;
        };
    }
};

EnrichmentFit TwoIsotopeFit(FAVector v0, double s0, FAVector v1, double s1, FAVector v2, double s2) {
    EnrichmentFit fit;
    fit.isotopeCount = 2;
    fit.vertexFA = {v0, v1, v2};
    fit.vertexSSR = {s0, s1, s2};
    return fit;
}

void ExpectPoint(const FAVector& actual, double light, double heavy) {
    EXPECT_DOUBLE_EQ(actual[0], light);
    EXPECT_DOUBLE_EQ(actual[1], heavy);
}

TEST(StartingSimplex, TwoIsotopesFollowTheLightFAEstimate) {
    EnrichmentFit fit;
    SetTwoIsotopeSimplex(fit, 0.1999);
    ExpectPoint(fit.vertexFA[0], 0.2, 0.8);
    ExpectPoint(fit.vertexFA[1], 0.15, 0.85);
    ExpectPoint(fit.vertexFA[2], 0.1, 0.9);
    SetTwoIsotopeSimplex(fit, 0.2);
    ExpectPoint(fit.vertexFA[0], 0.5, 0.5);
    ExpectPoint(fit.vertexFA[1], 0.4, 0.6);
    ExpectPoint(fit.vertexFA[2], 0.6, 0.4);
    SetTwoIsotopeSimplex(fit, 0.8);
    ExpectPoint(fit.vertexFA[0], 0.8, 0.2);
    ExpectPoint(fit.vertexFA[2], 0.9, 0.1);
}

// The starting simplices of three- and four-isotope elements, worked by hand:
// vertex 0 puts u on the isotope of maximum enrichment and shares 1 - u evenly
// among the others; vertex v (1 <= v < D) moves s from isotope v+1 to isotope
// v, and the last vertex moves s from the lightest isotope to the heaviest.
// u and s follow from the estimate: for three isotopes 0.5 and 0.1 below 0.8,
// else 0.8 and 0.05; for four 0.52 and 0.1 below 0.79, else 0.79 and 0.05, so
// the rows also pin where those boundaries fall.
struct StepSimplexCase {
    int isotopes;
    int maxIsotope;
    double estimate;
    std::array<std::array<double, 4>, 5> vertices;  // D + 1 rows of D FAs
};

class StepSimplex : public ::testing::TestWithParam<StepSimplexCase> {};

TEST_P(StepSimplex, StartsFromTheSimplexWorkedByHand) {
    const StepSimplexCase& c = GetParam();
    EnrichmentFit fit;
    if (c.isotopes == 3) {
        SetThreeIsotopeSimplex(fit, c.maxIsotope, c.estimate);
    } else {
        SetFourIsotopeSimplex(fit, c.maxIsotope, c.estimate);
    }
    ASSERT_EQ(fit.isotopeCount, c.isotopes);
    for (int v = 0; v <= c.isotopes; ++v) {
        double sum = 0;
        for (int i = 0; i < c.isotopes; ++i) {
            EXPECT_NEAR(fit.vertexFA[v][i], c.vertices[v][i], 1e-15) << "vertex " << v << " isotope " << i;
            sum += fit.vertexFA[v][i];
        }
        EXPECT_NEAR(sum, 1.0, 1e-15) << "vertex " << v;
        EXPECT_TRUE(IsInRange(fit.vertexFA[v], c.isotopes)) << "vertex " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, StepSimplex,
    ::testing::Values(
        StepSimplexCase{
            3, 2, 0.8, {{{0.1, 0.8, 0.1}, {0.15, 0.75, 0.1}, {0.1, 0.85, 0.05}, {0.05, 0.8, 0.15}}}},
        StepSimplexCase{
            3, 1, 0.79999, {{{0.5, 0.25, 0.25}, {0.6, 0.15, 0.25}, {0.5, 0.35, 0.15}, {0.4, 0.25, 0.35}}}},
        StepSimplexCase{
            3, 3, 0.5, {{{0.25, 0.25, 0.5}, {0.35, 0.15, 0.5}, {0.25, 0.35, 0.4}, {0.15, 0.25, 0.6}}}},
        StepSimplexCase{4,
                        3,
                        0.79,
                        {{{0.07, 0.07, 0.79, 0.07},
                          {0.12, 0.02, 0.79, 0.07},
                          {0.07, 0.12, 0.74, 0.07},
                          {0.07, 0.07, 0.84, 0.02},
                          {0.02, 0.07, 0.79, 0.12}}}},
        StepSimplexCase{4,
                        4,
                        0.78999,
                        {{{0.16, 0.16, 0.16, 0.52},
                          {0.26, 0.06, 0.16, 0.52},
                          {0.16, 0.26, 0.06, 0.52},
                          {0.16, 0.16, 0.26, 0.42},
                          {0.06, 0.16, 0.16, 0.62}}}},
        StepSimplexCase{4,
                        1,
                        0.99999,
                        {{{0.79, 0.07, 0.07, 0.07},
                          {0.84, 0.02, 0.07, 0.07},
                          {0.79, 0.12, 0.02, 0.07},
                          {0.79, 0.07, 0.12, 0.02},
                          {0.74, 0.07, 0.07, 0.12}}}}));

TEST(SearchCycle, RangeTestRefusesAnFAOfExactlyZeroOrOne) {
    EXPECT_TRUE(IsInRange({0.5, 0.5, 0, 0}, 2));
    EXPECT_FALSE(IsInRange({0.0, 1.0, 0, 0}, 2));
    EXPECT_FALSE(IsInRange({1.0, 0.0, 0, 0}, 2));
    EXPECT_FALSE(IsInRange({-0.1, 1.1, 0, 0}, 2));
    EXPECT_TRUE(IsInRange({0.2, 0.3, 0.5, 0}, 3));
    EXPECT_FALSE(IsInRange({0.2, 0.8, 0.0, 0}, 3));
}

// centroid c = mean of (0.5, 0.5) and (0.25, 0.75) = (0.375, 0.625); the worst
// vertex is (0.75, 0.25), so c - worst = (-0.375, 0.375) and the reflection is
// exactly (0, 1): out of range. Outside contraction o = (0.1875, 0.8125),
// inside contraction i = (0.5625, 0.4375).
EnrichmentFit ReflectionOntoTheBoundary() {
    return TwoIsotopeFit({0.5, 0.5}, 1.0, {0.25, 0.75}, 2.0, {0.75, 0.25}, 3.0);
}

TEST(SearchCycle, OutOfRangeReflectionKeepsTheOutsideContractionWhenNoWorse) {
    EnrichmentFit fit = ReflectionOntoTheBoundary();
    ScriptedEvaluator evaluator{{3.0}, {}};  // o equal to the worst SSR is kept
    RunSearchCycle(fit, evaluator.Function());
    ASSERT_EQ(evaluator.asked.size(), 1u);
    ExpectPoint(evaluator.asked[0], 0.1875, 0.8125);
    // o (3.0) goes to position 1, the old second-worst (2.0) to position 2; only
    // the first two are sorted, so position 2 holds a smaller SSR than 1.
    ExpectPoint(fit.vertexFA[0], 0.5, 0.5);
    ExpectPoint(fit.vertexFA[1], 0.1875, 0.8125);
    ExpectPoint(fit.vertexFA[2], 0.25, 0.75);
    EXPECT_EQ(fit.vertexSSR[1], 3.0);
    EXPECT_EQ(fit.vertexSSR[2], 2.0);
    EXPECT_EQ(fit.cycleCount, 1);
    ExpectPoint(fit.centroidFA, 0.375, 0.625);
    ExpectPoint(fit.towardCentroid, -0.375, 0.375);
}

TEST(SearchCycle, OutOfRangeReflectionFallsBackToTheInsideContraction) {
    EnrichmentFit fit = ReflectionOntoTheBoundary();
    ScriptedEvaluator evaluator{{3.5, 0.5}, {}};  // o worse than the worst: i, which is kept and best
    RunSearchCycle(fit, evaluator.Function());
    ASSERT_EQ(evaluator.asked.size(), 2u);
    ExpectPoint(evaluator.asked[1], 0.5625, 0.4375);
    ExpectPoint(fit.vertexFA[0], 0.5625, 0.4375);
    EXPECT_EQ(fit.vertexSSR[0], 0.5);
    ExpectPoint(fit.vertexFA[1], 0.5, 0.5);
    ExpectPoint(fit.vertexFA[2], 0.25, 0.75);
}

TEST(SearchCycle, BothContractionsOutOfRangeGoStraightToTheInsideOne) {
    // A search never leaves (0, 1), so this simplex is made up for the rule:
    // c = (0.5, 0.5), worst (-0.5, 1.5), c - worst = (1, -1).
    EnrichmentFit fit = TwoIsotopeFit({0.5, 0.5}, 1.0, {0.5, 0.5}, 2.0, {-0.5, 1.5}, 3.0);
    ScriptedEvaluator evaluator{{2.5}, {}};
    RunSearchCycle(fit, evaluator.Function());
    ASSERT_EQ(evaluator.asked.size(), 1u);
    // r = (1.5, -0.5), o = (1.0, 0.0): both out; i = (0.0, 1.0).
    ExpectPoint(evaluator.asked[0], 0.0, 1.0);
}

TEST(SearchCycle, InRangeReflectionIsKeptWhenAtMostTheSecondWorst) {
    // c = (0.375, 0.625), worst (0.5, 0.5): r = (0.25, 0.75).
    EnrichmentFit fit = TwoIsotopeFit({0.4, 0.6}, 1.0, {0.35, 0.65}, 2.0, {0.5, 0.5}, 3.0);
    ScriptedEvaluator evaluator{{2.0}, {}};
    RunSearchCycle(fit, evaluator.Function());
    ASSERT_EQ(evaluator.asked.size(), 1u);
    EXPECT_NEAR(evaluator.asked[0][0], 0.25, 1e-15);
    EXPECT_NEAR(fit.vertexFA[1][0], 0.25, 1e-15);  // r (2.0) after the best (1.0)
    EXPECT_EQ(fit.vertexSSR[2], 2.0);              // the old second-worst
}

TEST(SearchCycle, InRangeReflectionNoBetterThanTheWorstTakesTheInsideContraction) {
    EnrichmentFit fit = TwoIsotopeFit({0.4, 0.6}, 1.0, {0.35, 0.65}, 2.0, {0.5, 0.5}, 3.0);
    ScriptedEvaluator evaluator{{3.0, 7.0}, {}};
    RunSearchCycle(fit, evaluator.Function());
    ASSERT_EQ(evaluator.asked.size(), 2u);
    // i = c - (c - worst) / 2 = (0.4375, 0.5625), kept although worse than all.
    EXPECT_NEAR(evaluator.asked[1][0], 0.4375, 1e-15);
    EXPECT_NEAR(fit.vertexFA[1][0], 0.4375, 1e-15);
    EXPECT_EQ(fit.vertexSSR[1], 7.0);
    EXPECT_EQ(fit.vertexSSR[2], 2.0);
}

TEST(SearchCycle, InRangeReflectionBetweenTakesTheOutsideContraction) {
    EnrichmentFit fit = TwoIsotopeFit({0.4, 0.6}, 1.0, {0.35, 0.65}, 2.0, {0.5, 0.5}, 3.0);
    ScriptedEvaluator evaluator{{2.5, 0.5}, {}};
    RunSearchCycle(fit, evaluator.Function());
    ASSERT_EQ(evaluator.asked.size(), 2u);
    // o = c + (c - worst) / 2 = (0.3125, 0.6875), best now.
    EXPECT_NEAR(evaluator.asked[1][0], 0.3125, 1e-15);
    EXPECT_NEAR(fit.vertexFA[0][0], 0.3125, 1e-15);
    EXPECT_EQ(fit.vertexSSR[0], 0.5);
    EXPECT_EQ(fit.vertexSSR[1], 1.0);
    EXPECT_EQ(fit.vertexSSR[2], 2.0);
}

TEST(SortVertices, OnlyAStrictlySmallerSSRDisplacesAVertex) {
    EnrichmentFit fit = TwoIsotopeFit({0.1, 0.9}, 2.0, {0.2, 0.8}, 2.0, {0.3, 0.7}, 1.0);
    SortVertices(fit, 3);
    EXPECT_EQ(fit.vertexFA[0][0], 0.3);
    EXPECT_EQ(fit.vertexFA[1][0], 0.1);
    EXPECT_EQ(fit.vertexFA[2][0], 0.2);
}

// SSR = 100 (light - 0.3)^2 from the start (0.2, 0.8), (0.15, 0.85), (0.1, 0.9):
// SSRs 1, 2.25, 4. Cycle 1 reflects (0.1, 0.9) through (0.175, 0.825) to
// (0.25, 0.75), SSR 0.25 <= 2.25: kept. Cycle 2 reflects (0.15, 0.85) through
// (0.225, 0.775) to (0.3, 0.7), SSR 0 < 0.1: converged after two cycles.
TEST(EnrichmentSearch, ConvergesOnAQuadraticAsWorkedByHand) {
    EnrichmentFit fit;
    SetTwoIsotopeSimplex(fit, 0.0);
    int evaluations = 0;
    const TrialEvaluator quadratic = [&](const FAVector& fa) {
        ++evaluations;
        return 100 * (fa[0] - 0.3) * (fa[0] - 0.3);
    };
    EvaluateStartingSimplex(fit, quadratic);
    EXPECT_NEAR(fit.vertexSSR[0], 1.0, 1e-12);
    EXPECT_NEAR(fit.vertexSSR[2], 4.0, 1e-12);
    const SearchEnd end = RunEnrichmentSearch(fit, quadratic, [](int, double) {
        ADD_FAILURE() << "no question before 20 cycles";
        return false;
    });
    EXPECT_EQ(end, SearchEnd::Converged);
    EXPECT_EQ(fit.cycleCount, 2);
    EXPECT_EQ(evaluations, 5);
    EXPECT_NEAR(fit.vertexFA[0][0], 0.3, 1e-12);
    EXPECT_NEAR(fit.vertexFA[1][0], 0.25, 1e-12);
    EXPECT_NEAR(fit.vertexFA[2][0], 0.2, 1e-12);
}

TEST(EnrichmentSearch, TheStartingSimplexIsNotTestedAndTheQuestionComesEveryTwentyCycles) {
    EnrichmentFit fit;
    SetTwoIsotopeSimplex(fit, 0.5);
    const TrialEvaluator zero = [](const FAVector&) { return 0.0; };
    EvaluateStartingSimplex(fit, zero);
    EXPECT_EQ(RunEnrichmentSearch(fit, zero, [](int, double) { return false; }), SearchEnd::Converged);
    EXPECT_EQ(fit.cycleCount, 1);

    // An SSR that never falls below 0.1: asked at 20 and 40; No at 40 stops.
    EnrichmentFit stuck;
    SetTwoIsotopeSimplex(stuck, 0.5);
    const TrialEvaluator high = [](const FAVector& fa) { return 5.0 + fa[0]; };
    EvaluateStartingSimplex(stuck, high);
    std::vector<int> asked;
    const SearchEnd end = RunEnrichmentSearch(stuck, high, [&](int cycles, double best) {
        asked.push_back(cycles);
        EXPECT_GE(best, 5.0);
        return cycles < 40;
    });
    EXPECT_EQ(end, SearchEnd::Stopped);
    EXPECT_EQ(asked, (std::vector<int>{20, 40}));
    EXPECT_EQ(stuck.cycleCount, 40);
    for (int v = 0; v < 3; ++v) EXPECT_NEAR(stuck.vertexFA[v][0] + stuck.vertexFA[v][1], 1.0, 1e-12);
}

// A three-isotope simplex whose last two vertices are p and q and whose best
// three have the centroid (0.4, 0.4, 0.2) + towardCentroid.
EnrichmentFit ThreeIsotopeState(FAVector toward, FAVector p, double pSSR, FAVector q, double qSSR) {
    EnrichmentFit fit;
    fit.isotopeCount = 3;
    fit.vertexFA = {FAVector{0.6, 0.2, 0.2}, FAVector{0.2, 0.6, 0.2}, p, q};
    fit.vertexSSR = {1.0, 2.0, pSSR, qSSR};
    fit.towardCentroid = toward;
    return fit;
}

struct CollapseCase {
    const char* what;
    FAVector toward;
    FAVector last;  // the other of the last two is (0.4, 0.4, 0.2)
    double ssr;     // the SSRs of the last two: ssr and lastSSR
    double lastSSR;
    bool collapsed;
};

class CollapsedSimplex : public ::testing::TestWithParam<CollapseCase> {};

TEST_P(CollapsedSimplex, NeedsTheWorstOnTheCentroidAndTheLastTwoAgreeing) {
    const CollapseCase& c = GetParam();
    const EnrichmentFit fit = ThreeIsotopeState(c.toward, {0.4, 0.4, 0.2}, c.ssr, c.last, c.lastSSR);
    EXPECT_EQ(HasCollapsed(fit), c.collapsed) << c.what;
}

// The tolerances: 1e-7 in every FA, and SSRs within 1e-9 of the larger of 1 and
// their size (1e-9 absolute below 1, 1e-6 at an SSR of 1000).
INSTANTIATE_TEST_SUITE_P(
    Tolerances, CollapsedSimplex,
    ::testing::Values(
        CollapseCase{"identical", {0, 0, 0}, {0.4, 0.4, 0.2}, 9.0, 9.0, true},
        CollapseCase{
            "within both", {5e-8, -5e-8, 0}, {0.4 + 9e-8, 0.4 - 9e-8, 0.2}, 1000.0, 1000.0 + 9e-7, true},
        CollapseCase{"worst off the centroid", {2e-7, -2e-7, 0}, {0.4, 0.4, 0.2}, 9.0, 9.0, false},
        CollapseCase{"last two apart in FA", {0, 0, 0}, {0.4, 0.4 + 2e-7, 0.2 - 2e-7}, 9.0, 9.0, false},
        CollapseCase{"last two apart in SSR", {0, 0, 0}, {0.4, 0.4, 0.2}, 1000.0, 1000.0 + 2e-6, false},
        CollapseCase{"small SSRs, absolute", {0, 0, 0}, {0.4, 0.4, 0.2}, 0.5, 0.5 + 5e-10, true},
        CollapseCase{"small SSRs apart", {0, 0, 0}, {0.4, 0.4, 0.2}, 0.5, 0.5 + 2e-9, false}));

TEST(RestartAroundBestVertex, ReachesTowardEachPureIsotopeAndKeepsTheBest) {
    EnrichmentFit fit;
    fit.isotopeCount = 3;
    fit.vertexFA[0] = {0.5, 0.3, 0.2};
    fit.vertexSSR[0] = 1.0;
    // Vertex k = 0.2 x (0.5, 0.3, 0.2) + 0.8 x pure isotope k.
    ScriptedEvaluator evaluator{{3.0, 0.5, 2.0}, {}};
    RestartAroundBestVertex(fit, evaluator.Function());
    ASSERT_EQ(evaluator.asked.size(), 3u);
    const std::vector<FAVector> expected = {{0.9, 0.06, 0.04}, {0.1, 0.86, 0.04}, {0.1, 0.06, 0.84}};
    for (std::size_t v = 0; v < expected.size(); ++v) {
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(evaluator.asked[v][i], expected[v][i], 1e-15) << v << " " << i;
    }
    // Sorted over all four: the new vertex 2 (0.5), the old best (1), 3 (2), 1 (3).
    EXPECT_EQ(fit.vertexSSR, (std::array<double, 5>{0.5, 1.0, 2.0, 3.0, 0.0}));
    EXPECT_NEAR(fit.vertexFA[0][1], 0.86, 1e-15);
    EXPECT_EQ(fit.vertexFA[1], (FAVector{0.5, 0.3, 0.2, 0}));
    EXPECT_EQ(fit.restartCount, 1);
}

// SSR = 5 + 100 (light - 0.3)^2 never falls below 0.1: the simplex collapses
// onto light = 0.3, starts once more around it, collapses there again and ends.
// The old search ran on until the question was answered No.
TEST(EnrichmentSearch, ASimplexCollapsedAboveTheThresholdEndsAfterARestartThatFindsNothingBetter) {
    EnrichmentFit fit;
    SetTwoIsotopeSimplex(fit, 0.5);
    const TrialEvaluator floor5 = [](const FAVector& fa) {
        return 5.0 + 100 * (fa[0] - 0.3) * (fa[0] - 0.3);
    };
    EvaluateStartingSimplex(fit, floor5);
    std::vector<int> asked;
    const SearchEnd end = RunEnrichmentSearch(fit, floor5, [&](int cycles, double) {
        asked.push_back(cycles);
        return cycles < 1000;
    });
    EXPECT_EQ(end, SearchEnd::CannotImprove);
    EXPECT_EQ(fit.restartCount, 1);
    EXPECT_LT(fit.cycleCount, 1000);
    // Asked at every multiple of 20 before the end, and never after it.
    EXPECT_EQ(asked.size(), static_cast<std::size_t>((fit.cycleCount - 1) / kCyclesPerQuestion));
    EXPECT_NEAR(fit.vertexFA[0][0], 0.3, 1e-6);
    EXPECT_NEAR(fit.vertexSSR[0], 5.0, 1e-9);
}

struct OffsetCase {
    double x;  // |charge| x first m/z - natural ion mass
    int offset;
};

class FirstPeakOffsetRule : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(FirstPeakOffsetRule, AddsAHalfAndTruncatesTowardZero) {
    const double ionMass = 300.0;
    EXPECT_EQ(FirstPeakOffset(1, ionMass + GetParam().x, ionMass), GetParam().offset);
    // Doubly charged: the m/z is half the mass.
    EXPECT_EQ(FirstPeakOffset(-2, (ionMass + GetParam().x) / 2, ionMass), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(Cases, FirstPeakOffsetRule,
                         ::testing::Values(OffsetCase{-1.49, 0}, OffsetCase{-1.0, 0}, OffsetCase{0.0, 0},
                                           OffsetCase{0.49, 0}, OffsetCase{0.5, 1}, OffsetCase{2.3, 2},
                                           OffsetCase{-1.5, -1}, OffsetCase{-3.0, -2}));

TEST(ExperimentalPeakCount, KeepsInnerZerosAndDropsTrailingOnes) {
    EXPECT_EQ(ExperimentalPeakCount(std::vector<double>{100, 0, 45, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 3);
    EXPECT_EQ(ExperimentalPeakCount(std::vector<double>(12, 0.0)), 0);
    EXPECT_EQ(ExperimentalPeakCount(std::vector<double>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}), 12);
}

TEST(LightFAEstimate, InvertsTheRatioOfTheA0Peaks) {
    const std::vector<double> spectrum = {25, 50, 25};  // [A+0] is a quarter of the whole
    EXPECT_EQ(LightFAEstimate(1, spectrum, 3, 0.99, 0.9, 2), 0.001);
    // One atom: 0.25 x 0.99 / 0.5.
    EXPECT_NEAR(LightFAEstimate(0, spectrum, 3, 0.99, 0.5, 1), 0.495, 1e-15);
    // Two atoms: sqrt(0.25 / 0.64) x 0.9 = 0.625 x 0.9.
    EXPECT_NEAR(LightFAEstimate(0, spectrum, 3, 0.9, 0.64, 2), 0.5625, 1e-15);
    // No [A+0] intensity: the estimate is 0.
    EXPECT_EQ(LightFAEstimate(0, std::vector<double>{0, 50, 25}, 3, 0.9, 0.64, 2), 0.0);
}

}  // namespace
}  // namespace tarnevo::core
