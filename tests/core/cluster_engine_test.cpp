// Pins the engine on cases worked out by hand: closed forms for one element,
// the stop test between whole passes, the ion mass and the four limits.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/cluster_engine.h"
#include "core/program_context.h"

namespace tarnevo::core {
namespace {

struct ClusterRun {
    std::unique_ptr<ProgramContext> program = std::make_unique<ProgramContext>();
    LimitCheck check;
};

ClusterRun RunCluster(const std::string& text, int charge = 1, double stopFA = kDefaultStopFA) {
    ClusterRun run;
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(text, formula), FormulaSyntax::Valid) << text;
    run.check = CheckClusterLimits(run.program->elements, run.program->cluster, formula, charge);
    if (run.check.status != ClusterLimit::WithinLimits) return run;
    OrderPolyisotopicElements(run.program->elements, run.program->cluster, formula);
    ComputeCluster(run.program->cluster, run.program->cluster.polyAtomCount, stopFA);
    return run;
}

double Peak(const ClusterRun& run, int n) { return static_cast<double>(run.program->cluster.peakSum[n]); }

TEST(ClusterEngine, Cl2IsABinomial) {
    const ClusterRun run = RunCluster("Cl2");
    const ClusterWorkspace& ws = run.program->cluster;
    // 35Cl 0.7576, 37Cl 0.2424: [A+0] = p^2, [A+2] = 2pq, [A+4] = q^2.
    EXPECT_NEAR(Peak(run, 0), 0.7576 * 0.7576, 1e-15);
    EXPECT_EQ(Peak(run, 1), 0.0);
    EXPECT_NEAR(Peak(run, 2), 2 * 0.7576 * 0.2424, 1e-15);
    EXPECT_EQ(Peak(run, 3), 0.0);
    EXPECT_NEAR(Peak(run, 4), 0.2424 * 0.2424, 1e-15);
    EXPECT_EQ(ws.lastPeakIndex, 4);
    EXPECT_FALSE(ws.peakOverflow);
    EXPECT_NEAR(static_cast<double>(ws.cumulativeFA), 1.0, 1e-15);
}

TEST(ClusterEngine, StopTestRunsWholePassesOnly) {
    // [A+0] + [A+2] = 0.57396 + 0.36728 = 0.94124 > 0.9 after pass 1: [A+4] never comes.
    const ClusterRun run = RunCluster("Cl2", 1, 0.9);
    EXPECT_EQ(run.program->cluster.lastPeakIndex, 2);
    EXPECT_EQ(Peak(run, 4), 0.0);
    // Pass 1 always runs, even when [A+0] alone exceeds the stop FA (C: 0.9893 > 0.5).
    const ClusterRun carbon = RunCluster("C", 1, 0.5);
    EXPECT_EQ(carbon.program->cluster.lastPeakIndex, 1);
}

TEST(ClusterEngine, AStopFAEqualToTheCumulativeFADoesNotStop) {
    // B: 10B 0.1982, 11B 0.8018. B2 after pass 1: 1 - 0.8018^2 in double. With
    // exactly that stop FA, equality must not stop, so pass 2 runs.
    const ClusterRun first = RunCluster("B2", 1, 0.99999);
    const long double afterPassOne = first.program->cluster.peakSum[0] + first.program->cluster.peakSum[1];
    const double tie = static_cast<double>(afterPassOne);
    EXPECT_EQ(RunCluster("B2", 1, tie).program->cluster.lastPeakIndex, 2);
    EXPECT_EQ(RunCluster("B2", 1, std::nextafter(tie, 0.0)).program->cluster.lastPeakIndex, 1);
}

TEST(ClusterEngine, IonMassSubtractsChargeTimesElectronMass) {
    const ClusterRun plus = RunCluster("C6H6", 1);
    EXPECT_DOUBLE_EQ(plus.check.ionMassA, 6 * 12.0 + 6 * 1.007825 - 0.000548579909);
    const ClusterRun minus = RunCluster("C6H6", -1);
    EXPECT_NEAR(minus.check.ionMassA - plus.check.ionMassA, 2 * 0.000548579909, 1e-12);
    const ClusterRun minusTwo = RunCluster("C6H6", -2);
    EXPECT_DOUBLE_EQ(minusTwo.check.ionMassA, 6 * 12.0 + 6 * 1.007825 + 2 * 0.000548579909);
    EXPECT_EQ(plus.program->cluster.lastPeakIndex, minus.program->cluster.lastPeakIndex);
}

TEST(ClusterEngine, BenzeneHasTheMonoisotopicPeakLargest) {
    const ClusterRun run = RunCluster("C6H6");
    const double p0 = std::pow(0.9893, 6) * std::pow(0.999885, 6);
    EXPECT_NEAR(Peak(run, 0), p0, 1e-15);
    EXPECT_GT(Peak(run, 0), Peak(run, 1));
}

TEST(ClusterEngine, MonoisotopicAtomsOnlyContributeMass) {
    const ClusterRun run = RunCluster("C2Na2F");
    EXPECT_EQ(run.check.status, ClusterLimit::WithinLimits);
    EXPECT_EQ(run.program->cluster.polyElementCount, 1);
    EXPECT_EQ(run.program->cluster.polyAtomCount, 2);
    EXPECT_DOUBLE_EQ(run.check.ionMassA, 24.0 + 2 * 22.98977 + 18.9984 - 0.000548579909);
}

struct LimitCase {
    const char* formula;
    ClusterLimit expected;
};

void PrintTo(const LimitCase& limit, std::ostream* out) { *out << limit.formula; }

class Limits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limits, AreCheckedInOrder) {
    auto program = std::make_unique<ProgramContext>();
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText(GetParam().formula, formula), FormulaSyntax::Valid);
    EXPECT_EQ(CheckClusterLimits(program->elements, program->cluster, formula, 1).status,
              GetParam().expected);
}

// Heavy slots: Sn 9, Xe 8, Cd 7, Te 7, Ba 6, Dy 6, Gd 6, Hg 6, Mo 6, Nd 6, Os 6,
// Ru 6, Sm 6, Yb 6 = 91. The 19-element formula has 19 x 1..3 heavy slots <= 88.
INSTANTIATE_TEST_SUITE_P(
    Engine, Limits,
    ::testing::Values(LimitCase{"NaF", ClusterLimit::NoPolyisotopicElement},
                      LimitCase{"SnXeCdTeBaDyGdHgMoNdOsRuSmYb", ClusterLimit::TooManyHeavyIsotopes},
                      LimitCase{"CHNOSClBrSiKMgLiBAgCuGaRbSbEu", ClusterLimit::WithinLimits},
                      LimitCase{"CHNOSClBrSiKMgLiBAgCuGaRbSbEuIr", ClusterLimit::TooManyPolyElements},
                      LimitCase{"C20000H10000", ClusterLimit::WithinLimits},
                      LimitCase{"C20000H10001", ClusterLimit::TooManyPolyAtoms},
                      LimitCase{"C20000H10001NaF", ClusterLimit::TooManyPolyAtoms}));

TEST(ClusterEngine, EighteenElementsAndEightyEightHeavyIsotopesAreAccepted) {
    // Heavy slots: Sn 9, Xe 8, Cd 7, Te 7, Ba Dy Gd Hg Mo Nd Os Ru 6 each (48) = 79,
    // then C H N Cl 1 each, Si 2, S 3 = 9: 88 slots in 18 elements.
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText("SnXeCdTeBaDyGdHgMoNdOsRuCHNClSiS", formula), FormulaSyntax::Valid);
    auto program = std::make_unique<ProgramContext>();
    const LimitCheck check = CheckClusterLimits(program->elements, program->cluster, formula, 1);
    EXPECT_EQ(check.status, ClusterLimit::WithinLimits);
    EXPECT_EQ(program->cluster.heavySlotCount, 88);
    EXPECT_EQ(program->cluster.polyElementCount, 18);
}

TEST(ClusterEngine, PolyAtomCountIsKeptWhenALaterCheckFails) {
    auto program = std::make_unique<ProgramContext>();
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText("Sn2XeCdTeBaDyGdHgMoNdOsRuSmYb", formula), FormulaSyntax::Valid);
    CheckClusterLimits(program->elements, program->cluster, formula, 1);
    EXPECT_EQ(program->cluster.polyAtomCount, 15);
}

TEST(ClusterEngine, OrderPutsMostHeavyProbabilityFirstAndNotesJx) {
    auto program = std::make_unique<ProgramContext>();
    ElementTable& table = program->elements;
    // Jx: lightest 0.5, one heavy isotope 0.5: score 0.5 x 2 = 1.0; C6: 0.0107 x 6 = 0.0642; Cl: 0.2424.
    table[84].lightMass = 10.0;
    table[84].heavyCount = 1;
    table[84].firstDelta = naturalDeltaCount;
    table[84].firstFA = naturalFACount;
    table.deltaPool[naturalDeltaCount] = 1;
    table.faPool[naturalFACount] = 0.5;
    table.faPool[naturalFACount + 1] = 0.5;
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText("C6ClJx2", formula), FormulaSyntax::Valid);
    CheckClusterLimits(table, program->cluster, formula, 1);
    const int jxPosition = OrderPolyisotopicElements(table, program->cluster, formula);
    const ClusterWorkspace& ws = program->cluster;
    EXPECT_EQ(ws.orderedCount[0], 2);  // Jx
    EXPECT_EQ(ws.orderedCount[1], 1);  // Cl
    EXPECT_EQ(ws.orderedCount[2], 6);  // C
    EXPECT_EQ(jxPosition, 0);
    EXPECT_EQ(ws.workFA[2], 0.7576);  // Cl's run follows Jx's two FAs
    EXPECT_EQ(ws.workDelta[1], 2);
    for (std::uint32_t count : formula.counts) EXPECT_EQ(count, 0u);
}

// A user-defined element with one heavy isotope (delta, FA) written straight
// into the table, as the isotope dialog would store it.
void DefineTwoIsotopeElement(ElementTable& table, int index, int delta, double heavyFA) {
    table[index].lightMass = 10.0;
    table[index].heavyCount = 1;
    table[index].firstDelta = table.nextDeltaSlot;
    table[index].firstFA = table.nextFASlot;
    table.deltaPool[table.nextDeltaSlot++] = delta;
    table.faPool[table.nextFASlot++] = 1.0 - heavyFA;
    table.faPool[table.nextFASlot++] = heavyFA;
}

TEST(ClusterEngine, OrderFollowsTheScoreNotTheIndex) {
    // Br: (1 - 0.5069) x 3 = 1.479 beats Ag: (1 - 0.51839) x 3 = 1.445.
    auto program = std::make_unique<ProgramContext>();
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText("Ag3Br3", formula), FormulaSyntax::Valid);
    CheckClusterLimits(program->elements, program->cluster, formula, 1);
    OrderPolyisotopicElements(program->elements, program->cluster, formula);
    EXPECT_EQ(program->cluster.workFA[0], 0.5069);
}

TEST(ClusterEngine, EqualScoresGoToTheLowerIndex) {
    auto program = std::make_unique<ProgramContext>();
    DefineTwoIsotopeElement(program->elements, 85, 2, 0.3);  // Jy first in the pools
    DefineTwoIsotopeElement(program->elements, 84, 1, 0.3);  // Jx, same FAs
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText("Jy2Jx2", formula), FormulaSyntax::Valid);
    CheckClusterLimits(program->elements, program->cluster, formula, 1);
    OrderPolyisotopicElements(program->elements, program->cluster, formula);
    EXPECT_EQ(program->cluster.workDelta[0], 1);  // Jx placed first
    EXPECT_EQ(program->cluster.workDelta[1], 2);
}

TEST(ClusterEngine, OverflowBeyondPeak319IsCountedButNotStored) {
    // Jx13 with a heavy isotope 25 units up (FA 0.9): all 13 heavy is 325 units up.
    auto program = std::make_unique<ProgramContext>();
    DefineTwoIsotopeElement(program->elements, 84, 25, 0.9);
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText("Jx13", formula), FormulaSyntax::Valid);
    CheckClusterLimits(program->elements, program->cluster, formula, 1);
    OrderPolyisotopicElements(program->elements, program->cluster, formula);
    ComputeCluster(program->cluster, program->cluster.polyAtomCount, kDefaultStopFA);
    const ClusterWorkspace& ws = program->cluster;
    EXPECT_TRUE(ws.peakOverflow);
    EXPECT_EQ(ws.lastPeakIndex, 300);  // 12 heavy atoms
    EXPECT_NEAR(static_cast<double>(ws.peakSum[300]), 13 * std::pow(0.9, 12) * 0.1, 1e-15);
    // The 0.9^13 of [A+325] is counted in the cumulative FA only.
    long double stored = 0;
    for (const Extended fa : ws.peakSum) stored += fa;
    EXPECT_NEAR(static_cast<double>(ws.cumulativeFA - stored), std::pow(0.9, 13), 1e-15);
}

TEST(ClusterEngine, FormulaLightMassIgnoresChargeAndKeepsTheFormula) {
    const ElementTable table;
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText("C2H4ONa", formula), FormulaSyntax::Valid);
    const ParsedFormula before = formula;
    EXPECT_DOUBLE_EQ(FormulaLightMass(table, formula), 24.0 + 4 * 1.007825 + 15.99491 + 22.98977);
    EXPECT_EQ(formula.counts, before.counts);
}

TEST(ExtendedPrecision, PowerReachesBelowTheDoubleRange) {
    // 0.0097^200 ~ 10^(200 x log10 0.0097) = 10^-402.66
    const Extended value = ExtendedPower(0.0097L, 200);
    EXPECT_GT(value, 0.0L);
    EXPECT_NEAR(static_cast<double>(std::log10(value)), 200 * std::log10(0.0097), 1e-9);
    EXPECT_EQ(ExtendedPower(0.5L, 0), 1.0L);
}

}  // namespace
}  // namespace tarnevo::core

namespace tarnevo::core {
namespace {

#if defined(__x86_64__) || defined(__i386__)
unsigned short ControlWord() {
    unsigned short word = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

void SetControlWord(unsigned short word) { __asm__ __volatile__("fldcw %0" : : "m"(word)); }

TEST(ExtendedPrecision, TheEnumerationRestoresTheCallersControlWord) {
    const unsigned short original = ControlWord();
    // Double precision (PC = 10) and round toward zero (RC = 11), as another
    // library might leave the unit.
    const auto foreign = static_cast<unsigned short>((original & ~0x0F00) | 0x0200 | 0x0C00);
    SetControlWord(foreign);
    {
        ExtendedPrecisionScope scope;
        EXPECT_EQ(ControlWord() & 0x0F00, 0x0300);  // 64-bit mantissa, round to nearest
    }
    EXPECT_EQ(ControlWord(), foreign);
    SetControlWord(original);
}
#endif

}  // namespace
}  // namespace tarnevo::core
