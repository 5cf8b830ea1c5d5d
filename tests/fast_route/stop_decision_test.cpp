// Pins the stop test where a cumulative FA lies within the routes' rounding of the
// point at which its double rounding passes the stop FA: the decision is the one
// exact arithmetic gives, whichever route asks and however its own sum erred. The
// evidence is exact: every case uses FAs whose sums are dyadic fractions or whose
// excess over one is far below a double's ulp, so the exact cumulative FA and its
// rounding to double follow by hand (derivations beside each case); the routes'
// own sums carry errors of up to 1e-16 there, enough to cross the decision point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "core/cluster_convolution.h"
#include "core/cluster_enumeration.h"
#include "core/cluster_stop.h"
#include "tests/fast_route/ion_setup.h"

namespace tarnevo::testing {
namespace {

using core::ComputeClusterByConvolution;
using core::ComputeClusterByEnumeration;
using core::CumulativeFAExceedsStop;
using core::ElementTable;
using core::PreciseCumulativeFA;

// Two-isotope element of `formula` (one element) with FAs light and heavy.
ClusterWorkspace TwoIsotopeIon(const std::string& formula, double light, double heavy) {
    const ElementTable table;
    ClusterWorkspace ws = PrepareIon(table, formula);
    EXPECT_EQ(ws.polyElementCount, 1);
    EXPECT_EQ(ws.orderedHeavyCount[0], 1);
    ws.workFA[0] = light;
    ws.workFA[1] = heavy;
    return ws;
}

TEST(StopTest, RegressionCumulativeFAJustAboveTheStopFARoundsOntoIt) {
    // 13 atoms: 9 of an element with FAs a = 1.5092798464711186e-72 and 1 (as an
    // enrichment fit's trial writes them), 4 with FAs 1/2 and 1/2; stop FA 0.9375.
    // The FAs sum to (1 + a)^9 x 1 in all, and only the composition with all 13
    // atoms heavy lies beyond pass 12: 1^9 x (1/2)^4 = 1/16. So after 12 passes the
    // cumulative FA is exactly (1 + a)^9 - 1/16 = 0.9375 + 9a + ..., about
    // 0.9375 + 1.4e-71, which rounds to the double 0.9375 (half an ulp there is
    // 2^-54, 5.6e-17): not above the stop FA, so pass 13 runs. After 11 passes it
    // is 0.9375 minus the 12-heavy compositions (9 + 3 of them alone carry
    // C(4, 3) / 16 = 1/4), well below: 13 passes is the exact answer. The
    // convolution's sum after 12 passes was 7.7e-17 too high (a^9 through log2 and
    // exp2), rounded to 0.9375 + 2^-53 and stopped at 12.
    const ElementTable table;
    ClusterWorkspace prepared = PrepareIon(table, "B9H4");
    ASSERT_EQ(prepared.orderedCount[0], 9);
    ASSERT_EQ(prepared.orderedCount[1], 4);
    const double a = 1.5092798464711186e-72;
    prepared.workFA[0] = a;
    prepared.workFA[1] = 1.0;
    prepared.workFA[2] = 0.5;
    prepared.workFA[3] = 0.5;
    EXPECT_EQ(static_cast<double>(PreciseCumulativeFA(prepared, 12)), 0.9375);
    EXPECT_LT(PreciseCumulativeFA(prepared, 11), 0.75L);

    ClusterWorkspace enumerated = prepared;
    ComputeClusterByEnumeration(enumerated, 13, 0.9375);
    ClusterWorkspace convolved = prepared;
    ComputeClusterByConvolution(convolved, 13, 0.9375);
    EXPECT_EQ(enumerated.passCount, 13);
    EXPECT_EQ(convolved.passCount, 13);
    ExpectSameCluster(enumerated, convolved, "B9H4 at 0.9375");
}

struct RoundedSumCase {
    const char* what;
    ClusterWorkspace ion;
    int passes;
    Extended routeSum;  // a route's sum of those passes, off by its rounding
    double stopFA;
    bool exactlyStops;
};

void PrintTo(const RoundedSumCase& c, std::ostream* out) { *out << c.what; }

class RoundedSums : public ::testing::TestWithParam<RoundedSumCase> {};

TEST_P(RoundedSums, DecideAsTheExactCumulativeFA) {
    const RoundedSumCase& c = GetParam();
    EXPECT_EQ(CumulativeFAExceedsStop(c.ion, c.passes, c.routeSum, c.stopFA), c.exactlyStops);
}

// Sum over r = 0 .. passes of C(54, r), exactly: the cumulative FA of H54 at FAs
// 1/2 and 1/2 after `passes` passes, times 2^54.
std::uint64_t BinomialPrefix54(int passes) {
    std::uint64_t sum = 0;
    std::uint64_t coefficient = 1;
    for (int r = 0; r <= passes; ++r) {
        sum += coefficient;
        coefficient = coefficient * static_cast<std::uint64_t>(54 - r) / static_cast<std::uint64_t>(r + 1);
    }
    return sum;
}

// H54 at 1/2 and 1/2 after 32 passes: k / 2^54 with k = sum of C(54, r), r <= 32.
// C(54, r) is odd exactly when the bits of r lie within those of 54 (110110b,
// Lucas): r = 0, 2, 4, 6, 16, 18, 20, 22, 32, nine odd terms, so k is odd and the
// cumulative FA (about 0.94) lies exactly halfway between the doubles
// (k - 1) / 2^54 and (k + 1) / 2^54, whose ulp is 2^-53. Rounding to nearest even
// goes to the one whose mantissa (k -+ 1) / 2 is even.
RoundedSumCase MidpointCase() {
    const std::uint64_t k = BinomialPrefix54(32);
    const std::uint64_t below = (k - 1) / 2;  // the double below, in units of 2^-53
    const double stopFA = std::ldexp(static_cast<double>(below), -53);
    const Extended exact = std::ldexp(static_cast<Extended>(k), -54);
    // Rounded to even: above the stop FA exactly when the double below is odd. The
    // route's sum, 1e-19 high, would round up whatever the parity.
    return {"H54 at a midpoint between doubles",
            TwoIsotopeIon("H54", 0.5, 0.5),
            32,
            exact + 1e-19L,
            stopFA,
            below % 2 == 1};
}

INSTANTIATE_TEST_SUITE_P(NearTheStopFA, RoundedSums,
                         ::testing::Values(
                             // Br2 at 1/2 and 1/2: 1/4 + 1/2 = 3/4 after pass 1, exactly.
                             RoundedSumCase{"3/4 at stop 0.75, a sum 7e-17 high",
                                            TwoIsotopeIon("Br2", 0.5, 0.5), 1, 0.75L + 7e-17L, 0.75, false},
                             RoundedSumCase{"3/4 at the stop FA below 0.75, a sum 7e-17 low",
                                            TwoIsotopeIon("Br2", 0.5, 0.5), 1, 0.75L - 7e-17L,
                                            std::nextafter(0.75, 0.0), true},
                             // 3/4 + 1/4 = 1 after pass 2, which equals the stop FA 1; a sum 1.5e-16 high
                             // is past the midpoint 1 + 2^-53 and would round to the next double.
                             RoundedSumCase{"1 at stop 1, a sum 1.5e-16 high", TwoIsotopeIon("Br2", 0.5, 0.5),
                                            2, 1.0L + 1.5e-16L, 1.0, false},
                             MidpointCase()));

}  // namespace
}  // namespace tarnevo::testing
