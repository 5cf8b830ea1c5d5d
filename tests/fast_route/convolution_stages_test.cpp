// Pins the three stages of the convolution route each on its own, against closed
// forms worked from the ion's FAs with plain loops that share no code with the
// route: the pass sums are the binomial distribution of the heavy atoms (a
// convolution of binomials for several elements) and the stop test ends the passes
// where the running sum first exceeds the stop FA; a group's unit is that
// distribution for its elements, with the defect moment of its heavy atoms beside
// it; the merge gives for Cl2 the peaks p0^2, 2 p0 p1 and p1^2 at [A+0], [A+2] and
// [A+4]; and the store scales peaks that lie below the double range instead of
// losing them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/cluster_merge.h"
#include "core/cluster_pass_sums.h"
#include "core/cluster_units.h"
#include "core/element_table.h"
#include "tests/fast_route/ion_setup.h"

namespace tarnevo::testing {
namespace {

using core::convolution::IonRuns;
using core::convolution::MergedPeaks;
using core::convolution::PassSums;
using core::convolution::ScratchLines;
using core::convolution::UnitSet;

// The route's stages on one ion, in the order the route runs them.
struct Stages {
    explicit Stages(const ClusterWorkspace& prepared) : ion(prepared), lines(scratch) {
        core::convolution::DescribeElements(ion, lines, runs);
    }
    PassSums Passes(int lastPass, double stopFA) {
        return core::convolution::RunPasses(ion, runs, lines, lastPass, stopFA);
    }
    ClusterWorkspace ion;
    std::vector<Extended> scratch;
    ScratchLines lines;
    IonRuns runs;
};

Extended Binomial(int n, int k) {
    Extended value = 1;
    for (int i = 1; i <= k; ++i) value = value * (n - k + i) / i;
    return value;
}

// P(exactly h of an element's atoms are heavy), q the sum of its heavy FAs.
std::vector<Extended> HeavyAtomDistribution(const core::ClusterIon& ion, int element) {
    const int atoms = ion.orderedCount[element];
    const Extended light = ion.workFA[ion.firstFAEntry[element]];
    Extended heavy = 0;
    for (int k = 1; k <= ion.orderedHeavyCount[element]; ++k)
        heavy += ion.workFA[ion.firstFAEntry[element] + k];
    std::vector<Extended> distribution;
    for (int h = 0; h <= atoms; ++h)
        distribution.push_back(Binomial(atoms, h) * std::pow(light, atoms - h) * std::pow(heavy, h));
    return distribution;
}

std::vector<Extended> Convolve(const std::vector<Extended>& a, const std::vector<Extended>& b) {
    std::vector<Extended> c(a.size() + b.size() - 1, 0.0L);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j) c[i + j] += a[i] * b[j];
    return c;
}

Extended TrueScale(Extended mantissa, int exponent) { return std::ldexp(mantissa, exponent); }

TEST(PassSums, TheStopTestEndsAtThePassWhoseSumFirstExceedsTheStopFA) {
    // Cl2: p0^2 = 0.5740 after pass 0, + 2 p0 p1 = 0.3673 after pass 1 (0.9412),
    // + p1^2 = 0.0588 after pass 2 (1).
    const core::ElementTable table;
    const ClusterWorkspace ion = PrepareIon(table, "Cl2");
    const Extended p0 = ion.workFA[0];
    const Extended p1 = ion.workFA[1];
    core::ExtendedPrecisionScope precision;
    {
        Stages stages(ion);
        const PassSums sums = stages.Passes(2, 0.9);
        EXPECT_EQ(sums.passes, 1);
        EXPECT_NEAR(static_cast<double>(TrueScale(sums.cumulative, sums.passExponent)),
                    static_cast<double>(p0 * p0 + 2 * p0 * p1), 1e-15);
    }
    {
        Stages stages(ion);
        const PassSums sums = stages.Passes(2, 0.95);
        EXPECT_EQ(sums.passes, 2);
        EXPECT_NEAR(static_cast<double>(TrueScale(sums.cumulative, sums.passExponent)), 1.0, 1e-15);
    }
    {
        Stages stages(ion);  // a pass limit ends the passes whatever the stop FA
        EXPECT_EQ(stages.Passes(1, 0.95).passes, 1);
    }
}

TEST(PassSums, SeveralElementsGiveTheConvolutionOfTheirBinomials) {
    const core::ElementTable table;
    const ClusterWorkspace ion = PrepareIon(table, "C12H20Cl3");
    std::vector<Extended> distribution = HeavyAtomDistribution(ion, 0);
    for (int e = 1; e < ion.polyElementCount; ++e)
        distribution = Convolve(distribution, HeavyAtomDistribution(ion, e));
    core::ExtendedPrecisionScope precision;
    for (const int lastPass : {0, 1, 3, 7}) {
        Stages stages(ion);
        const PassSums sums = stages.Passes(lastPass, 1.0);  // never stops early
        ASSERT_EQ(sums.passes, lastPass);
        Extended expected = 0;
        for (int r = 0; r <= lastPass; ++r) expected += distribution[static_cast<std::size_t>(r)];
        EXPECT_NEAR(static_cast<double>(TrueScale(sums.cumulative, sums.passExponent) / expected), 1.0, 1e-13)
            << "passes 0 .. " << lastPass;
    }
}

TEST(PassSums, OnlyAnIonWhosePeaksAreAllBelowTheDoubleRangeIsCertainlyThere) {
    // Sn5000: the first composition is 0.0097^5000, about 1e-10066, and no pass
    // below [A+320] brings the total near 1e-308. C60 is nowhere near.
    const core::ElementTable table;
    core::ExtendedPrecisionScope precision;
    {
        Stages stages(PrepareIon(table, "Sn5000"));
        EXPECT_TRUE(stages.Passes(core::kPeakCount, 0.9999).PeaksCertainlyBelowDoubleRange());
    }
    {
        Stages stages(PrepareIon(table, "C60"));
        EXPECT_FALSE(stages.Passes(60, 0.9999).PeaksCertainlyBelowDoubleRange());
    }
}

TEST(Units, ElementsWithOneHeavyIsotopeShareAUnitPerDeltaAndCarryTheirDefects) {
    // C6H6Cl2: 13C and 2H (delta 1) form one group, 37Cl (delta 2) another.
    const core::ElementTable table;
    const ClusterWorkspace ion = PrepareIon(table, "C6H6Cl2");
    core::ExtendedPrecisionScope precision;
    Stages stages(ion);
    const PassSums sums = stages.Passes(14, 1.0);
    UnitSet units;
    core::convolution::BuildUnits(ion, stages.runs, stages.lines, sums.passes, units);
    ASSERT_EQ(units.count, 2);
    // P(j heavy atoms among C6H6), and the defect moment of exactly one: from a
    // group with no atoms (no heavy atom, certainly), each element adds either its
    // one heavy atom to none before or none to the one before.
    std::vector<Extended> deltaOne{1.0L};
    Extended oneHeavyMoment = 0;
    for (int e = 0; e < ion.polyElementCount; ++e) {
        if (ion.workDelta[ion.firstSlot[e]] != 1) continue;
        const std::vector<Extended> own = HeavyAtomDistribution(ion, e);
        oneHeavyMoment = oneHeavyMoment * own[0] + deltaOne[0] * own[1] * ion.workDefect[ion.firstSlot[e]];
        deltaOne = Convolve(deltaOne, own);
    }
    for (int u = 0; u < units.count; ++u) {
        const core::convolution::Unit& unit = units.units[u];
        EXPECT_EQ(unit.isotopeCount, 1);
        EXPECT_EQ(unit.minDelta, unit.maxDelta);
        if (unit.minDelta != 1) {
            EXPECT_EQ(unit.minDelta, 2);
            EXPECT_EQ(unit.top, 2);  // two chlorine atoms
            continue;
        }
        ASSERT_EQ(unit.top, 12);
        for (int j = 0; j <= unit.top; ++j) {
            EXPECT_NEAR(static_cast<double>(TrueScale(unit.weight[j], unit.exponent) / deltaOne[j]), 1.0,
                        1e-13)
                << "j " << j;
        }
        EXPECT_NEAR(static_cast<double>(TrueScale(unit.momentWeight[1], unit.exponent) / oneHeavyMoment), 1.0,
                    1e-13);
    }
}

TEST(Units, AnElementWithSeveralHeavyIsotopesIsAUnitOfItsOwn) {
    // Oxygen's 17O (delta 1) and 18O (delta 2): one unit whose shares add to 1.
    const core::ElementTable table;
    const ClusterWorkspace ion = PrepareIon(table, "O3");
    core::ExtendedPrecisionScope precision;
    Stages stages(ion);
    UnitSet units;
    core::convolution::BuildUnits(ion, stages.runs, stages.lines, stages.Passes(3, 1.0).passes, units);
    ASSERT_EQ(units.count, 1);
    const core::convolution::Unit& unit = units.units[0];
    EXPECT_EQ(unit.isotopeCount, 2);
    EXPECT_EQ(unit.minDelta, 1);
    EXPECT_EQ(unit.maxDelta, 2);
    EXPECT_NEAR(static_cast<double>(unit.share[0] + unit.share[1]), 1.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(unit.share[0] / unit.share[1]), ion.workFA[1] / ion.workFA[2], 1e-15);
}

TEST(MergeAndStore, ChlorineTwoGivesTheTrinomialPeaksAndTheHeavyIsotopesDefect) {
    const core::ElementTable table;
    ClusterWorkspace ion = PrepareIon(table, "Cl2");
    const Extended p0 = ion.workFA[0];
    const Extended p1 = ion.workFA[1];
    core::ExtendedPrecisionScope precision;
    Stages stages(ion);
    const PassSums sums = stages.Passes(2, 1.0);
    UnitSet units;
    core::convolution::BuildUnits(ion, stages.runs, stages.lines, sums.passes, units);
    const MergedPeaks merged = core::convolution::MergePeaks(units, sums.passes, ion);
    core::ClusterPeaks peaks;
    core::convolution::StorePeaks(merged, sums, peaks);
    EXPECT_FALSE(peaks.underflow);
    EXPECT_NEAR(static_cast<double>(peaks.peakSum[0]), static_cast<double>(p0 * p0), 1e-15);
    EXPECT_NEAR(static_cast<double>(peaks.peakSum[2]), static_cast<double>(2 * p0 * p1), 1e-15);
    EXPECT_NEAR(static_cast<double>(peaks.peakSum[4]), static_cast<double>(p1 * p1), 1e-15);
    for (const int odd : {1, 3, 5}) EXPECT_EQ(peaks.peakSum[odd], 0) << "[A+" << odd << "]";
    // [A+2] holds one 37Cl, [A+4] two: their mean defects are one and two defects.
    EXPECT_NEAR(static_cast<double>(peaks.peakDefectMoment[2] / peaks.peakSum[2]), ion.workDefect[0], 1e-15);
    EXPECT_NEAR(static_cast<double>(peaks.peakDefectMoment[4] / peaks.peakSum[4]), 2 * ion.workDefect[0],
                1e-15);
    EXPECT_NEAR(static_cast<double>(peaks.cumulativeFA), 1.0, 1e-15);
}

// The ion's peaks atom by atom: each atom shifts the mass by 0 (lightest isotope,
// FA p0) or by delta_i (FA p_i); the peaks are the convolution of one such
// distribution per atom.
std::vector<Extended> PeaksAtomByAtom(const core::ClusterIon& ion) {
    std::vector<Extended> peaks{1.0L};
    for (int e = 0; e < ion.polyElementCount; ++e) {
        std::vector<Extended> atom{static_cast<Extended>(ion.workFA[ion.firstFAEntry[e]])};
        for (int k = 0; k < ion.orderedHeavyCount[e]; ++k) {
            const auto delta = static_cast<std::size_t>(ion.workDelta[ion.firstSlot[e] + k]);
            if (atom.size() <= delta) atom.resize(delta + 1, 0.0L);
            atom[delta] += ion.workFA[ion.firstFAEntry[e] + 1 + k];
        }
        for (int n = 0; n < ion.orderedCount[e]; ++n) peaks = Convolve(peaks, atom);
    }
    return peaks;
}

class MergeOracle : public ::testing::TestWithParam<const char*> {};

TEST_P(MergeOracle, EveryPassRunGivesThePeaksOfTheAtomByAtomConvolution) {
    // Several units, merged in turn (a group by diagonals, an element with several
    // heavy isotopes by Horner) before the last collapses the table to peaks.
    const core::ElementTable table;
    ClusterWorkspace ion = PrepareIon(table, GetParam());
    const std::vector<Extended> expected = PeaksAtomByAtom(ion);
    core::ExtendedPrecisionScope precision;
    Stages stages(ion);
    const PassSums sums = stages.Passes(ion.polyAtomCount, 1.0);
    UnitSet units;
    core::convolution::BuildUnits(ion, stages.runs, stages.lines, sums.passes, units);
    ASSERT_GE(units.count, 3);
    const MergedPeaks merged = core::convolution::MergePeaks(units, sums.passes, ion);
    for (std::size_t n = 0; n < expected.size(); ++n) {
        const Extended peak = TrueScale(merged.peaks[n], merged.exponent);
        EXPECT_NEAR(static_cast<double>(peak), static_cast<double>(expected[n]),
                    1e-14 + 1e-12 * static_cast<double>(expected[n]))
            << "[A+" << n << "]";
    }
}

INSTANTIATE_TEST_SUITE_P(Ions, MergeOracle, ::testing::Values("C6H6Cl2O2", "Se2S2Br3C4", "Sn2Cl3N2Xe"));

TEST(MergeAndStore, NoUnitsAtAllIsTheEmptyCompositionOfProbabilityOne) {
    core::ConvolutionMemory memory;
    const MergedPeaks merged = core::convolution::MergePeaks(UnitSet{}, 0, memory);
    EXPECT_EQ(TrueScale(merged.peaks[0], merged.exponent), 1.0L);
    for (int n = 1; n < core::kPeakCount; ++n) ASSERT_EQ(merged.peaks[n], 0) << "[A+" << n << "]";
}

TEST(MergeAndStore, PeaksBelowTheDoubleRangeAreStoredScaledWithTheirExponent) {
    // Largest peak 0.5 x 2^-1100 = 2^-1101, below the smallest normal double
    // 2^-1022: stored as 0.5 with peakExponent -1100, the cumulative FA 2^-1100
    // (x 2^1100) as 1.
    MergedPeaks merged;
    merged.peaks[0] = 0.5L;
    merged.peaks[3] = 0.25L;
    merged.exponent = -1100;
    PassSums sums;
    sums.passes = 3;
    sums.cumulative = 0.5L;
    sums.passExponent = -1099;
    core::ClusterPeaks peaks;
    core::convolution::StorePeaks(merged, sums, peaks);
    EXPECT_TRUE(peaks.underflow);
    EXPECT_EQ(peaks.peakExponent, -1100);
    EXPECT_EQ(peaks.peakSum[0], 0.5L);
    EXPECT_EQ(peaks.peakSum[3], 0.25L);
    EXPECT_EQ(peaks.cumulativeFA, 1.0L);
    // The same peaks 2^1100 times larger are within range and stored as they are.
    merged.exponent = 0;
    sums.passExponent = 0;
    core::convolution::StorePeaks(merged, sums, peaks);
    EXPECT_FALSE(peaks.underflow);
    EXPECT_EQ(peaks.peakExponent, 0);
    EXPECT_EQ(peaks.peakSum[0], 0.5L);
}

TEST(MergeAndStore, ARefusedIonKeepsItsPassesCumulativeFAAndNoPeaks) {
    PassSums sums;
    sums.passes = 40;
    sums.cumulative = 0.75L;
    sums.passExponent = -20000;
    sums.belowOverflowBound = 0.5L;  // 2^-20001 in truth
    core::ClusterPeaks peaks;
    peaks.peakSum[7] = 0.3L;
    peaks.lastPeakIndex = 7;
    peaks.peakOverflow = true;
    core::convolution::LeavePeaksOut(sums, peaks);
    EXPECT_TRUE(peaks.underflow);
    EXPECT_EQ(peaks.peakSum[7], 0);
    EXPECT_EQ(peaks.lastPeakIndex, 0);
    EXPECT_FALSE(peaks.peakOverflow);
    EXPECT_EQ(peaks.peakExponent, -20000);  // the bound's exponent, 0 + -20000
    EXPECT_EQ(TrueScale(peaks.cumulativeFA, peaks.peakExponent), TrueScale(0.75L, -20000));
}

}  // namespace
}  // namespace tarnevo::testing
