// Pins the scaled arithmetic, the binomial rows and the merge planner of the
// convolution route on their own:
// - powers and binomial rows against logarithms worked with lgamma, which share no
//   step with the ratio recurrences, over and far below the extended range;
// - the planner's cell count against counting the row spans one by one, and its
//   order being a permutation of the units whatever their shapes (fixed seed).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>

#include "core/cluster_binomial.h"
#include "core/cluster_merge_plan.h"

namespace tarnevo::testing {
namespace {

using core::Extended;
namespace cv = core::convolution;

Extended Log2Of(const cv::Scaled& value) { return std::log2(value.mantissa) + value.exponent; }

TEST(ScaledPower, MatchesTheLogarithmInAndBelowTheExtendedRange) {
    struct Case {
        Extended base;
        int power;
    };
    for (const Case c : {Case{0.9893L, 100}, Case{0.0097L, 200}, Case{0.0097L, 5000}, Case{0.5L, 20000}}) {
        const cv::Scaled value = cv::ScaledPower(c.base, c.power);
        EXPECT_NEAR(static_cast<double>(Log2Of(value)), static_cast<double>(c.power * std::log2(c.base)),
                    1e-9)
            << c.power;
    }
    EXPECT_EQ(cv::ScaledPower(0.3L, 0).mantissa, 1.0L);
    EXPECT_EQ(cv::ScaledPower(0.0L, 5).mantissa, 0.0L);
}

// log2 of C(atoms, h) light^(atoms - h) heavy^h.
double Log2Binomial(int atoms, int h, double light, double heavy) {
    const double log2Choose =
        (std::lgamma(atoms + 1.0) - std::lgamma(h + 1.0) - std::lgamma(atoms - h + 1.0)) / std::log(2.0);
    return log2Choose + (atoms - h) * std::log2(light) + h * std::log2(heavy);
}

TEST(BinomialRow, EveryEntryIsTheBinomialTermScaled) {
    struct Case {
        int atoms;
        double light;
        int top;
    };
    // Carbon of an antibody, tin far below the extended range, a heavy-rich element.
    for (const Case c : {Case{6464, 0.9893, 119}, Case{5000, 0.0097, 320}, Case{300, 0.2, 300}}) {
        std::array<Extended, 321> row{};
        const int exponent = cv::FillBinomialRow(c.atoms, c.light, 1 - c.light, c.top, row.data());
        const Extended largest = *std::max_element(row.begin(), row.begin() + c.top + 1);
        EXPECT_GE(largest, 0.5L);
        EXPECT_LT(largest, 1.0L);
        for (int h = 0; h <= c.top; ++h) {
            const double expected = Log2Binomial(c.atoms, h, c.light, 1 - c.light);
            EXPECT_NEAR(static_cast<double>(std::log2(row[h])) + exponent, expected,
                        1e-9 * std::fabs(expected) + 1e-9)
                << c.atoms << " atoms, h " << h;
        }
    }
}

TEST(BinomialRow, NoLightIsotopeLeavesOnlyTheAllHeavyTerm) {
    std::array<Extended, 321> row{};
    const int exponent = cv::FillBinomialRow(4, 0.0, 1.0, 10, row.data());
    EXPECT_EQ(std::ldexp(row[4], exponent), 1.0L);
    for (int h = 0; h <= 10; ++h) {
        if (h != 4) {
            EXPECT_EQ(row[h], 0.0L) << h;
        }
    }
}

TEST(MergePlan, CellCountIsTheSumOfTheRowSpans) {
    for (int top : {0, 1, 40, 119, 320}) {
        for (int minDelta : {1, 2, 3}) {
            for (int maxDelta : {minDelta, minDelta + 1, 8, 12}) {
                double counted = 0;
                for (int h = 0; h <= top; ++h) {
                    const int low = h * minDelta;
                    const int high = std::min(319, h * maxDelta);
                    if (low <= high) counted += high - low + 1;
                }
                EXPECT_EQ(cv::CellCount(top, minDelta, maxDelta), counted)
                    << top << " " << minDelta << " " << maxDelta;
            }
        }
    }
}

TEST(MergePlan, OrderIsAPermutationOfTheUnits) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 200; ++trial) {
        const int count = std::uniform_int_distribution<int>(1, 18)(random);
        std::array<cv::UnitShape, 18> units{};
        for (int u = 0; u < count; ++u) {
            const int isotopes = std::uniform_int_distribution<int>(1, 9)(random);
            const int minDelta = std::uniform_int_distribution<int>(1, 4)(random);
            units[u] = {
                std::uniform_int_distribution<int>(0, 320)(random), isotopes, minDelta,
                isotopes == 1 ? minDelta : minDelta + std::uniform_int_distribution<int>(0, 10)(random)};
        }
        std::array<int, 18> order{};
        order.fill(-1);
        cv::PlanMergeOrder(units.data(), count, 320, order.data());
        std::array<int, 18> sorted = order;
        std::sort(sorted.begin(), sorted.begin() + count);
        for (int u = 0; u < count; ++u) ASSERT_EQ(sorted[u], u) << "trial " << trial;
    }
}

}  // namespace
}  // namespace tarnevo::testing
