// Pins what the structure of an ion tells on its own, against evidence computed
// another way:
// - the shifts reached within a number of passes, on ions whose answer is worked by
//   hand (uranium's +1 and +4, cerium's even deltas, benzene);
// - the bound on the probability below [A+320]: never below what the full
//   computation finds (random ions, fixed seed), and a refusal in
//   BelowDoubleRange::Refuse mode only where computing every peak confirms that the
//   largest lies below the double range (a family of ions across the border).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <string>

#include "core/cluster_convolution.h"
#include "core/cluster_reach.h"
#include "tests/fast_route/ion_setup.h"

namespace tarnevo::testing {
namespace {

using core::ElementTable;

struct ReachCase {
    const char* formula;
    int passes;
    int lastPeakIndex;
    bool overflow;
};

class Reach : public ::testing::TestWithParam<ReachCase> {};

TEST_P(Reach, ShiftsFollowTheDeltas) {
    const ElementTable table;
    const ReachCase& c = GetParam();
    const core::VisitedShifts visited = core::ReachedShifts(PrepareIon(table, c.formula), c.passes);
    EXPECT_EQ(visited.lastPeakIndex, c.lastPeakIndex);
    EXPECT_EQ(visited.peakOverflow, c.overflow);
}

INSTANTIATE_TEST_SUITE_P(
    ByHand, Reach,
    ::testing::Values(ReachCase{"C6H6", 2, 2, false},    // two heavy atoms, +1 each
                      ReachCase{"Cl2", 1, 2, false},     // one 37Cl
                      ReachCase{"U100", 82, 319, true},  // 79 x 238U (+4) + 3 x 235U (+1) = 319
                      ReachCase{"U100", 81, 318, true},  // 79 x 4 + 2 = 318; 81 x 4 = 324 overflows
                      ReachCase{"Ce80", 80, 318, true},  // deltas 2, 4, 6: odd shifts never
                      ReachCase{"S3", 3, 12, false}));   // three 36S (+4)

// Upper bound on the probability of [A+0] .. [A+319] together: at least the sum of
// the peaks the engine computes, whatever the ion.
TEST(ProbabilityBelowOverflow, BoundsTheComputedPeaks) {
    const ElementTable table;
    std::mt19937 random(11);
    const char* symbols[] = {"C", "H", "O", "S", "Cl", "Br", "Sn", "Xe", "Hg", "U", "Ce", "Mo"};
    for (int trial = 0; trial < 60; ++trial) {
        std::string formula;
        for (const char* symbol : symbols) {
            if (std::uniform_int_distribution<int>(0, 3)(random) != 0) continue;
            formula += symbol + std::to_string(std::uniform_int_distribution<int>(1, 300)(random));
        }
        if (formula.empty()) formula = "Sn10";
        ClusterWorkspace ws = PrepareIon(table, formula);
        const double bound = core::Log2ProbabilityBelowOverflow(ws);
        core::ComputeCluster(ws, ws.polyAtomCount, 0.99999);
        Extended total = 0;
        for (const Extended peak : ws.peakSum) total += peak;
        if (!(total > 0)) continue;
        const double log2Total = static_cast<double>(std::log2(total)) + ws.peakExponent;
        EXPECT_LE(log2Total, bound + 1e-9) << formula;
    }
}

// Ions of twelve tin-like elements, n atoms each: near n = 21 the cluster moves
// beyond the double range below [A+320]. Every early refusal must be one that the
// full computation confirms, and far beyond the border every ion is refused early.
TEST(EarlyRefusal, OnlyWhereTheFullComputationAgrees) {
    const ElementTable table;
    int refused = 0;
    for (int n : {8, 18, 21, 22, 23, 30}) {
        const std::string k = std::to_string(n);
        const std::string formula = "Sn" + k + "Xe" + k + "Cd" + k + "Te" + k + "Ba" + k + "Dy" + k + "Gd" +
                                    k + "Hg" + k + "Mo" + k + "Nd" + k + "Ru" + k + "Sm" + k;
        const ClusterWorkspace prepared = PrepareIon(table, formula);
        ClusterWorkspace early = prepared;
        core::ComputeCluster(early, prepared.polyAtomCount, 0.99999, core::BelowDoubleRange::Refuse);
        if (!early.underflow) {
            EXPECT_FALSE(core::PeaksCertainlyBelowDoubleRange(prepared)) << formula;
            continue;
        }
        ++refused;
        EXPECT_EQ(LargestPeak(early), 0) << formula;  // refused: no peaks
        ClusterWorkspace full = prepared;
        core::ComputeCluster(full, prepared.polyAtomCount, 0.99999, core::BelowDoubleRange::Compute);
        EXPECT_TRUE(full.underflow) << formula;
    }
    EXPECT_GE(refused, 3);
}

TEST(EarlyRefusal, AcceptedIonsAreComputedInFull) {
    const ElementTable table;
    const ClusterWorkspace prepared = PrepareIon(table, "C254H377N65O75S6");
    ClusterWorkspace refusing = prepared;
    ClusterWorkspace computing = prepared;
    core::ComputeCluster(refusing, prepared.polyAtomCount, 0.9999, core::BelowDoubleRange::Refuse);
    core::ComputeCluster(computing, prepared.polyAtomCount, 0.9999, core::BelowDoubleRange::Compute);
    EXPECT_FALSE(refusing.underflow);
    EXPECT_EQ(refusing.peakSum, computing.peakSum);
    EXPECT_EQ(refusing.passCount, computing.passCount);
}

TEST(EarlyRefusal, Sn5000IsRefusedBeforeAnyPass) {
    const ElementTable table;
    ClusterWorkspace ws = PrepareIon(table, "Sn5000");
    EXPECT_LT(core::Log2ProbabilityBelowOverflow(ws), DBL_MIN_EXP - 1);
    core::ComputeCluster(ws, ws.polyAtomCount, 0.9999, core::BelowDoubleRange::Refuse);
    EXPECT_TRUE(ws.underflow);
    EXPECT_EQ(ws.passCount, 0);
    EXPECT_EQ(LargestPeak(ws), 0);
}

}  // namespace
}  // namespace tarnevo::testing
