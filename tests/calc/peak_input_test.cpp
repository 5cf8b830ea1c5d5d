// Pins the record of the peak-entry dialog shared by the spectrum calculations:
// the m/z a caller offers for peak k is first + k / |z| (one mass unit apart on
// the mass scale), each peak's text reaches that peak through its key, intensities
// are accepted from 0 to 100 only, and the read-only m/z fields are still
// validated on OK, so an m/z outside 1..10000 cannot pass unnoticed.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "calc/peak_input.h"

namespace tarnevo::calc {
namespace {

TEST(PeakInput, OffersPeaksOneMassUnitApartOnTheMzScale) {
    PeakInput single;
    single.SetEvenlySpacedMz(200.0, 1);
    EXPECT_DOUBLE_EQ(single.mz[0], 200.0);
    EXPECT_DOUBLE_EQ(single.mz[11], 211.0);

    // A doubly charged ion: 0.5 between neighbours, whatever the sign of z.
    for (int charge : {2, -2}) {
        PeakInput doubly;
        doubly.SetEvenlySpacedMz(300.25, charge);
        EXPECT_DOUBLE_EQ(doubly.mz[1], 300.75);
        EXPECT_DOUBLE_EQ(doubly.mz[11], 305.75);
        EXPECT_EQ(doubly.intensity, (std::array<double, 12>{}));  // intensities untouched
    }
}

// What the command line and the scripted tests rely on: the text given for a
// key lands in that peak and in nothing else, for every one of the twelve.
TEST(PeakInput, TextGivenForAPeaksKeyLandsInThatPeakOnly) {
    PeakInput input;
    for (int peak = 1; peak <= 12; ++peak) {
        const auto intensity = port::FindField(input, "intensity" + std::to_string(peak));
        ASSERT_TRUE(intensity.has_value()) << peak;
        EXPECT_FALSE(port::AssignFieldText(*intensity, std::to_string(peak * 7)).has_value());
    }
    for (int peak = 1; peak <= 12; ++peak) {
        EXPECT_EQ(input.intensity[peak - 1], peak * 7.0) << peak;
    }
    EXPECT_EQ(input.mz, (std::array<double, 12>{}));  // no intensity strayed into an m/z
    EXPECT_FALSE(port::FindField(input, "intensity13").has_value());
    EXPECT_FALSE(port::FindField(input, "mz0").has_value());
}

TEST(PeakInput, IntensitiesAreRelativeFromZeroToHundred) {
    PeakInput input;
    const auto field = port::FindField(input, "intensity7");
    ASSERT_TRUE(field.has_value());
    EXPECT_FALSE(port::AssignFieldText(*field, "100").has_value());
    EXPECT_EQ(port::AssignFieldText(*field, "100.001").value_or(""),
              "Please enter a number between 0 and 100.");
    EXPECT_EQ(input.intensity[6], 100.0);
}

TEST(PeakInput, ReadOnlyMzIsValidatedLikeTheOthers) {
    PeakInput input;
    input.SetEvenlySpacedMz(9995.0, 1);  // peaks 6..11 lie above 10000
    const auto refusal = port::ValidateRecord(input);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->index, 12u);  // m/z of peak 6 (10001), the first out of range
    EXPECT_EQ(refusal->message, "Please enter a number between 1 and 10000.");

    input.SetEvenlySpacedMz(200.0, 1);
    EXPECT_FALSE(port::ValidateRecord(input).has_value());
}

}  // namespace
}  // namespace tarnevo::calc
