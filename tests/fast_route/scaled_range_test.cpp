// Pins the ions the enumeration cannot represent, against closed forms that share
// nothing with the engine:
// - Sn5000: its first composition, 0.0097^5000 ~ 1e-10066, lies far below even the
//   extended range. A single element's peaks are sums of multinomial terms, which
//   the test lists itself (every multiset of heavy isotopes with the given shift)
//   and sums in log space with lgamma; the engine's scaled peaks must match them,
//   and the result must be flagged as below the double range.
// - FAs of exactly 0 (an enrichment to 100 %): ratio updates would divide by them;
//   both routes must give the binomial instead.
// - An ion whose peaks are normal extended values but below the double range
//   (Ta1000, enumerated): flagged and rescaled alike on both routes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "core/cluster_convolution.h"
#include "core/cluster_enumeration.h"
#include "tests/fast_route/ion_setup.h"

namespace tarnevo::testing {
namespace {

using core::ElementTable;

constexpr int kTin = 67;
constexpr int kTinAtoms = 5000;

struct Isotopes {
    Extended logLight = 0;
    std::vector<int> delta;
    std::vector<Extended> logFA;
};

Isotopes TinIsotopes(const ElementTable& table) {
    Isotopes tin;
    tin.logLight = std::log(static_cast<Extended>(table.LightFA(kTin)));
    for (int k = 0; k < table[kTin].heavyCount; ++k) {
        tin.delta.push_back(table.HeavyDelta(kTin, k));
        tin.logFA.push_back(std::log(static_cast<Extended>(table.HeavyFA(kTin, k))));
    }
    return tin;
}

Extended LogAdd(Extended a, Extended b) {
    if (a < b) std::swap(a, b);
    if (b == -INFINITY) return a;
    return a + std::log1p(std::exp(b - a));
}

// Natural log of the multinomial sum over every multiset of heavy isotopes, from
// isotope `next` on, that adds `shiftLeft` to a composition already holding
// `heavy` heavy atoms with log weight `logSoFar` (the 1/x! factors included).
Extended LogPeak(const Isotopes& tin, std::size_t next, int shiftLeft, int heavy, Extended logSoFar) {
    if (shiftLeft == 0) {
        const int light = kTinAtoms - heavy;
        return logSoFar + std::lgamma(Extended{kTinAtoms + 1}) -
               std::lgamma(static_cast<Extended>(light + 1)) + light * tin.logLight;
    }
    if (next == tin.delta.size()) return -INFINITY;
    Extended total = -INFINITY;
    for (int x = 0; x * tin.delta[next] <= shiftLeft; ++x) {
        const Extended term = logSoFar + x * tin.logFA[next] - std::lgamma(static_cast<Extended>(x + 1));
        total = LogAdd(total, LogPeak(tin, next + 1, shiftLeft - x * tin.delta[next], heavy + x, term));
    }
    return total;
}

Extended Log2TrueValue(Extended scaled, int exponent) { return std::log2(scaled) + exponent; }

TEST(BelowExtendedRange, Sn5000PeaksAreTheMultinomialSums) {
    const ElementTable table;
    ClusterWorkspace ws = PrepareIon(table, "Sn5000");
    ASSERT_EQ(core::ChooseClusterRoute(ws, ws.polyAtomCount), core::ClusterRoute::Convolution);
    core::ComputeCluster(ws, ws.polyAtomCount, 0.9999);
    EXPECT_TRUE(ws.underflow);
    EXPECT_EQ(ws.passCount, 320);  // the cumulative FA never comes near the stop FA
    EXPECT_LT(ws.peakExponent, -30000);
    EXPECT_GE(LargestPeak(ws), 0.5L);
    EXPECT_LT(LargestPeak(ws), 1.0L);
    EXPECT_TRUE(ws.peakOverflow);
    EXPECT_EQ(ws.lastPeakIndex, 319);

    // No composition below [A+320] has more than 159 heavy atoms, so none of these
    // peaks is cut by the 320 passes. [A+1] cannot be made: the smallest delta is 2.
    const Isotopes tin = TinIsotopes(table);
    EXPECT_EQ(ws.peakSum[1], 0);
    for (int n : {0, 2, 3, 4, 5, 6, 8, 11, 16, 20, 24}) {
        const Extended expected = LogPeak(tin, 0, n, 0, 0) / std::numbers::ln2_v<Extended>;
        const Extended computed = Log2TrueValue(ws.peakSum[n], ws.peakExponent);
        EXPECT_NEAR(static_cast<double>(computed), static_cast<double>(expected), 3e-12) << "[A+" << n << "]";
    }
    // [A+0] = 0.0097^5000: log2 = 5000 log2 0.0097, about -33439.
    EXPECT_NEAR(static_cast<double>(Log2TrueValue(ws.peakSum[0], ws.peakExponent)),
                kTinAtoms * std::log2(0.0097), 1e-9);
}

TEST(BelowExtendedRange, Sn5000CumulativeIsTheBinomialTail) {
    // Every composition with at most 320 heavy atoms: sum over h <= 320 of
    // C(5000, h) p0^(5000 - h) q^h with q the sum of the heavy FAs.
    const ElementTable table;
    ClusterWorkspace ws = PrepareIon(table, "Sn5000");
    core::ComputeCluster(ws, ws.polyAtomCount, 0.9999);
    const Extended p0 = table.LightFA(kTin);
    Extended q = 0;
    for (int k = 0; k < table[kTin].heavyCount; ++k) q += table.HeavyFA(kTin, k);
    Extended logSum = -INFINITY;
    for (int h = 0; h <= 320; ++h) {
        logSum =
            LogAdd(logSum, std::lgamma(Extended{kTinAtoms + 1}) - std::lgamma(static_cast<Extended>(h + 1)) -
                               std::lgamma(static_cast<Extended>(kTinAtoms - h + 1)) +
                               (kTinAtoms - h) * std::log(p0) + h * std::log(q));
    }
    EXPECT_NEAR(static_cast<double>(Log2TrueValue(ws.cumulativeFA, ws.peakExponent)),
                static_cast<double>(logSum / std::numbers::ln2_v<Extended>), 3e-12);
}

TEST(ZeroFA, FullyHeavyElementShiftsTheWholeCluster) {
    // Cl2C2 with Cl at 1/2 and 1/2 and carbon enriched to 100 % 13C (lightest FA 0):
    // every ion carries +2 from carbon, and chlorine adds 0, 2 or 4 with 1/4, 1/2,
    // 1/4. The enumeration meets 0 x (1 / 0) on its way and must not keep it.
    const ElementTable table;
    ClusterWorkspace ws = PrepareIon(table, "Cl2C2");
    ASSERT_EQ(ws.orderedCount[1], 2);  // carbon placed second
    ws.workFA[0] = 0.5;
    ws.workFA[1] = 0.5;
    ws.workFA[2] = 0.0;
    ws.workFA[3] = 1.0;
    ClusterWorkspace enumerated = ws;
    core::ComputeClusterByEnumeration(enumerated, 4, 0.9999);
    EXPECT_EQ(enumerated.peakSum[2], 0.25L);
    EXPECT_EQ(enumerated.peakSum[4], 0.5L);

    core::ComputeCluster(ws, 4, 0.9999);
    EXPECT_EQ(ws.passCount, 4);
    EXPECT_EQ(ws.lastPeakIndex, 6);
    EXPECT_FALSE(ws.underflow);
    const Extended expected[] = {0, 0, 0.25L, 0, 0.5L, 0, 0.25L};
    for (int n = 0; n < core::kPeakCount; ++n) EXPECT_EQ(ws.peakSum[n], n < 7 ? expected[n] : 0.0L) << n;
}

TEST(ZeroFA, MissingHeavyIsotopeLeavesTheBinomial) {
    // O10 with FAs 0.8 (16O), 0 (18O, +2), 0.2 (17O, +1): [A+k] = C(10, k) 0.8^(10-k)
    // 0.2^k up to the last pass. Compositions with 18O are still visited (with
    // probability 0), so the last peak index is twice the pass count.
    const ElementTable table;
    ClusterWorkspace ws = PrepareIon(table, "O10");
    ws.workFA[0] = 0.8;
    ws.workFA[1] = 0.0;
    ws.workFA[2] = 0.2;
    ClusterWorkspace enumerated = ws;
    core::ComputeClusterByEnumeration(enumerated, 10, 0.99999);
    EXPECT_NEAR(static_cast<double>(enumerated.peakSum[1]), 10 * std::pow(0.8, 9) * 0.2, 1e-15);

    core::ComputeCluster(ws, 10, 0.99999);
    // Cumulative binomial(10, 0.2): 0.999922 after 7 passes, 0.9999958 after 8.
    ASSERT_EQ(ws.passCount, 8);
    EXPECT_EQ(ws.lastPeakIndex, 16);
    Extended choose = 1;
    for (int k = 0; k <= 16; ++k) {
        const Extended expected = k <= 8 ? choose * std::pow(0.8L, 10 - k) * std::pow(0.2L, k) : 0.0L;
        EXPECT_NEAR(static_cast<double>(ws.peakSum[k]), static_cast<double>(expected), 1e-15) << k;
        choose = choose * (10 - k) / (k + 1);
    }
}

TEST(BelowDoubleRange, BothRoutesFlagAndRescaleAlike) {
    // Ta1000: [A+0] = 0.00012^1000 ~ 1e-3921 is a normal extended value and the
    // enumeration (321 compositions) runs; the largest peak, about 1e-2370, is
    // below any double.
    const ElementTable table;
    ClusterWorkspace enumerated = PrepareIon(table, "Ta1000");
    ASSERT_EQ(core::ChooseClusterRoute(enumerated, 1000), core::ClusterRoute::Enumeration);
    ClusterWorkspace convolved = enumerated;
    core::ComputeCluster(enumerated, 1000, 0.9999);
    core::ComputeClusterByConvolution(convolved, 1000, 0.9999);
    for (const ClusterWorkspace* ws : {&enumerated, &convolved}) {
        EXPECT_TRUE(ws->underflow);
        EXPECT_EQ(ws->passCount, 320);
        EXPECT_GE(LargestPeak(*ws), 0.5L);
        EXPECT_LT(LargestPeak(*ws), 1.0L);
    }
    EXPECT_EQ(enumerated.peakExponent, convolved.peakExponent);
    for (int n = 0; n < core::kPeakCount; ++n) {
        EXPECT_NEAR(static_cast<double>(enumerated.peakSum[n]), static_cast<double>(convolved.peakSum[n]),
                    1e-12)
            << n;
    }
}

}  // namespace
}  // namespace tarnevo::testing
