// Pins the steps of the loss-of-H correction that need no engine, on values
// worked by hand: the position of the first peak (rounded with halves away from
// zero, -4 .. -1 only), the peak count that drops only trailing zeros, and the
// removal of one species, whose amount comes from its first peak even when a
// later one is larger, with its refusal when that peak has no intensity.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "calc/loss_of_h_command.h"
#include "core/enrichment_fit.h"

namespace tarnevo::calc::loss_of_h {
namespace {

// An [A+0] ion mass that is exact in binary, so that m/z exactly half a unit
// between two peaks stays exactly half after the subtraction.
constexpr double kIonMass = 78.25;

struct OffsetCase {
    double firstPeakMz;
    int charge;
    std::optional<int> offset;
};

void PrintTo(const OffsetCase& c, std::ostream* out) { *out << c.firstPeakMz << " z=" << c.charge; }

class FirstPeak : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(FirstPeak, IsRoundedHalfAwayFromZeroWithinMinusFourToMinusOne) {
    EXPECT_EQ(FirstPeakOffset(GetParam().firstPeakMz, GetParam().charge, kIonMass), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, FirstPeak,
    ::testing::Values(OffsetCase{kIonMass - 1.5, 1, -2},            // exactly half: away from zero
                      OffsetCase{kIonMass - 0.5, 1, -1},            // exactly half at the top end
                      OffsetCase{kIonMass - 0.4, 1, std::nullopt},  // rounds to 0: not a loss peak
                      OffsetCase{kIonMass - 4.5, 1, std::nullopt},
                      // Doubly charged: 2 x m/z is compared, so m/z 0.5 below [A+0] is.
                      OffsetCase{(kIonMass - 1.0) / 2, 2, -1}, OffsetCase{(kIonMass - 3.0) / 2, 2, -3},
                      OffsetCase{kIonMass - 3.0, 2, std::nullopt}));  // 2 x 75.25 - 78.25 = +72.25

TEST(ExperimentalPeakCount, DropsOnlyTrailingZeros) {
    EXPECT_EQ(core::ExperimentalPeakCount(Spectrum{50, 100, 0, 30}), 4);  // the inner zero stays a peak
    EXPECT_EQ(core::ExperimentalPeakCount(Spectrum{0, 0, 5}), 3);
}

TEST(SubtractSpecies, UsesTheFirstPeakEvenWhenALaterOneIsLarger) {
    // FA 0.1, 0.4, 0.2 -> relative 25, 100, 50; amount 5 / 25 = 0.2 of the
    // pattern: 5 - 5, 30 - 20, 12 - 10.
    std::vector<double> working = {5, 30, 12};
    const std::array<double, 3> fa = {0.1, 0.4, 0.2};
    ASSERT_TRUE(SubtractSpecies(working, 0, fa));
    EXPECT_NEAR(working[0], 0.0, 1e-12);
    EXPECT_NEAR(working[1], 10.0, 1e-12);
    EXPECT_NEAR(working[2], 2.0, 1e-12);
}

TEST(SubtractSpecies, RefusesASpeciesWithoutIntensityAtItsFirstPeak) {
    std::vector<double> working = {100, 40, 10};
    const std::vector<double> before = working;
    // [A+0] too small for a double (a rare lightest isotope in many atoms).
    EXPECT_FALSE(SubtractSpecies(working, 0, std::array<double, 3>{0.0, 0.3, 0.7}));
    EXPECT_FALSE(SubtractSpecies(working, 1, std::array<double, 2>{0.0, 0.0}));
    // A first peak so small that the amount overflows.
    EXPECT_FALSE(SubtractSpecies(working, 0, std::array<double, 3>{1e-320, 0.3, 0.7}));
    EXPECT_EQ(working, before);
}

}  // namespace
}  // namespace tarnevo::calc::loss_of_h
