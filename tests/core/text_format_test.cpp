// Pins the number texts of reports and result pages: the signed three-digit
// exponent of "%.6E" and "%.5E" (part of the report format), rounding that
// carries into the exponent, and fixed-point rounding. Expected texts are the
// C library's printf results for the same formats, worked out by hand.
#include "core/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarnevo::testing {
namespace {

using core::FormatFixed;
using core::FormatScientific;

struct ScientificCase {
    double value;
    int decimals;
    std::string text;
};

class ScientificTest : public ::testing::TestWithParam<ScientificCase> {};

TEST_P(ScientificTest, HasSignedThreeDigitExponent) {
    EXPECT_EQ(FormatScientific(GetParam().value, GetParam().decimals), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Exponents, ScientificTest,
    ::testing::Values(ScientificCase{1e-3, 6, "1.000000E-003"}, ScientificCase{1e-300, 6, "1.000000E-300"},
                      ScientificCase{0.0, 6, "0.000000E+000"}, ScientificCase{1e-3, 5, "1.00000E-003"},
                      ScientificCase{1e-300, 5, "1.00000E-300"}, ScientificCase{0.0, 5, "0.00000E+000"},
                      ScientificCase{0.75, 6, "7.500000E-001"}, ScientificCase{1.0, 5, "1.00000E+000"},
                      ScientificCase{12.5, 6, "1.250000E+001"}, ScientificCase{-2.5e-7, 6, "-2.500000E-007"},
                      ScientificCase{1.5e100, 5, "1.50000E+100"},
                      // 9.9999996E-4 rounds up to ten times its exponent.
                      ScientificCase{9.9999996e-4, 6, "1.000000E-003"},
                      // The smallest subnormal double, 4.94E-324.
                      ScientificCase{std::numeric_limits<double>::denorm_min(), 5, "4.94066E-324"}));

TEST(FixedTest, RoundsToTheGivenDecimals) {
    EXPECT_EQ(FormatFixed(112.0081, 4), "112.0081");
    EXPECT_EQ(FormatFixed(0.05 * 100 / 0.75, 3), "6.667");
    EXPECT_EQ(FormatFixed(100.0, 3), "100.000");
    EXPECT_EQ(FormatFixed(1.2e-5, 3), "0.000");
    EXPECT_EQ(FormatFixed(-1.5, 2), "-1.50");
    EXPECT_EQ(FormatFixed(0.99999, 5), "0.99999");
    EXPECT_EQ(FormatFixed(0.999996, 5), "1.00000");
}

TEST(FixedTest, NonFiniteValuesReadAsTheCLibraryWritesThem) {
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 3), "inf");
    EXPECT_EQ(FormatScientific(std::numeric_limits<double>::infinity(), 6), "INF");
}

// Regression: the upper-casing of "-inf" shifted the minus sign as well and
// wrote a carriage return in its place.
TEST(FixedTest, RegressionNegativeInfinityKeepsItsMinusSign) {
    EXPECT_EQ(FormatScientific(-std::numeric_limits<double>::infinity(), 6), "-INF");
}

TEST(AlignmentTest, RightAlignedAndSpreadNeverCut) {
    EXPECT_EQ(core::RightAligned("100.000", 8), " 100.000");
    EXPECT_EQ(core::RightAligned("100.000", 5), "100.000");
    EXPECT_EQ(core::Spread("[A+0]", "100.00", 17), "[A+0]      100.00");
    EXPECT_EQ(core::Spread("[A+10]", "12345678901.00", 17), "[A+10]12345678901.00");
    EXPECT_EQ(core::Spread("OE C7", "100.0000", 44, 2), "OE C7" + std::string(31, ' ') + "100.0000");
    EXPECT_EQ(core::Spread(std::string(42, 'C'), "100.0000", 44, 2), std::string(42, 'C') + "  100.0000");
}

}  // namespace
}  // namespace tarnevo::testing
