// Pins what the Pattern Plot's resolving power field accepts and how the
// profile's legend writes R: blank and 0 mean no profile; whole or decimal
// numbers from 100 to 10,000,000 are taken, with commas only between groups of
// three digits, so that a decimal comma ("60000,5", typed on a German desktop)
// is refused instead of read as 600,005; everything else gets the one message.
// The expectations are the field's stated rule written out by hand, and the
// group boundaries (3, 4, 7 and 8 digits) are where a grouping loop slips.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/plot_profile.h"

namespace tarnevo::app {
namespace {

constexpr const char* kRefusal =
    "Please enter a resolving power between 100 and 10,000,000, or leave the field empty for no profile.";

struct FieldCase {
    const char* text;
    std::optional<double> resolution;  // nothing: off, or refused when refused is set
    bool refused;
};

class ResolvingPowerFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(ResolvingPowerFieldTest, ReadsAsTheFieldPromises) {
    const FieldCase& entry = GetParam();
    const ResolvingPowerEntry read = ReadResolvingPower(entry.text);
    EXPECT_EQ(read.resolution, entry.resolution) << entry.text;
    EXPECT_EQ(read.problem, entry.refused ? std::string(kRefusal) : std::string()) << entry.text;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ResolvingPowerFieldTest,
    ::testing::Values(FieldCase{"", std::nullopt, false}, FieldCase{"   ", std::nullopt, false},
                      FieldCase{"0", std::nullopt, false}, FieldCase{" 60000 ", 60000.0, false},
                      FieldCase{"100", 100.0, false}, FieldCase{"10000000", 10000000.0, false},
                      FieldCase{"60,000", 60000.0, false}, FieldCase{"10,000,000", 10000000.0, false},
                      FieldCase{"1,000.5", 1000.5, false}, FieldCase{"17500.5", 17500.5, false},
                      FieldCase{"99", std::nullopt, true}, FieldCase{"99.9", std::nullopt, true},
                      FieldCase{"10,000,001", std::nullopt, true}, FieldCase{"-60000", std::nullopt, true},
                      FieldCase{"60000,5", std::nullopt, true}, FieldCase{"6,0000", std::nullopt, true},
                      FieldCase{",600", std::nullopt, true}, FieldCase{"60,000,", std::nullopt, true},
                      FieldCase{"60000.5,0", std::nullopt, true}, FieldCase{"60k", std::nullopt, true},
                      FieldCase{"inf", std::nullopt, true}, FieldCase{"nan", std::nullopt, true}));

TEST(ProfileSeriesNameTest, GroupsTheDigitsOfR) {
    const auto name = [](double r) {
        core::ResolvingPower power;
        power.resolution = r;
        return ProfileSeriesName(power, calc::PatternModel::FineStructure);
    };
    EXPECT_EQ(name(100.0), "Profile at R 100 (fine structure)");
    EXPECT_EQ(name(1000.0), "Profile at R 1,000 (fine structure)");
    EXPECT_EQ(name(17500.0), "Profile at R 17,500 (fine structure)");
    EXPECT_EQ(name(10000000.0), "Profile at R 10,000,000 (fine structure)");
    EXPECT_EQ(name(17500.5), "Profile at R 17500.5 (fine structure)");
}

TEST(ProfileSeriesNameTest, NamesTheReferenceOfAFallingR) {
    core::ResolvingPower power;
    power.resolution = 240000.0;
    power.model = core::ResolvingPowerModel::Orbitrap;
    EXPECT_EQ(ProfileSeriesName(power, calc::PatternModel::PeakMoments),
              "Profile at R 240,000 at m/z 200 (peak moments)");
}

}  // namespace
}  // namespace tarnevo::app
