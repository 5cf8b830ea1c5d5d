// Pins what the Pattern Plot's resolving power field accepts and how the
// profile's legend writes R: blank and 0 mean no profile; whole or decimal
// numbers from 100 to 10,000,000 are taken, with commas only between groups of
// three digits, so that a decimal comma ("60000,5", typed on a German desktop)
// is refused instead of read as 600,005; everything else gets the one message.
// The expectations are the field's stated rule written out by hand, and the
// group boundaries (3, 4, 7 and 8 digits) are where a grouping loop slips.
// Then where a cluster's sticks stand under a profile (at the resolved peaks,
// heights scaled as the nominal sticks scale FA) and how high the height
// axis reaches for an m/z range zoomed into, both on small hand-made plots
// whose answers are worked out in the comments.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/pattern_plot_zoom.h"
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

// [A+0] at m/z 200 with FA 0.8 drawn 100 high: 125 per unit of FA. The
// [A+1] stick at its mean m/z 201.0024 splits into the 15N peak (FA 0.02,
// 2.5 high) and the 13C peak (FA 0.14, 17.5 high), both labelled [A+1]; a
// peak 4 u beyond the last stick and one below a visible height go.
TEST(StandSticksAtResolvedPeaksTest, SticksStandAtThePeaksResolved) {
    output::PlotSeries sticks{"C", {}, output::SeriesStyle::Stick};
    sticks.marks.push_back({200.0, 100.0, "[A+0]", 200.0, 0.8, 100.0});
    sticks.marks.push_back({201.0024, 20.0, "[A+1]", 201.0024, 0.16, 20.0});
    core::ResolvedPattern pattern;
    pattern.peaks = {{200.0, 0.8}, {200.997, 0.02}, {201.00335, 0.14}, {201.01, 1e-7}, {205.0, 0.001}};
    StandSticksAtResolvedPeaks(sticks, pattern, 1);
    ASSERT_EQ(sticks.marks.size(), 3U);
    const double heights[] = {100.0, 2.5, 17.5};
    const double mzs[] = {200.0, 200.997, 201.00335};
    const char* labels[] = {"[A+0]", "[A+1]", "[A+1]"};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(sticks.marks[k].x, mzs[k]);
        EXPECT_DOUBLE_EQ(sticks.marks[k].y, heights[k]);
        EXPECT_EQ(sticks.marks[k].label, labels[k]);
        EXPECT_DOUBLE_EQ(*sticks.marks[k].rel, heights[k]);
    }
}

// Sticks 100, 50 and 10 high at m/z 100, 101 and 102 under a head room of
// 1.12 (the axis to 112); a profile rising from 0 at 100.9 to 40 at 101.5
// and back to 0 at 102.1.
output::PlotMark At(double x, double y) {
    output::PlotMark mark;
    mark.x = x;
    mark.y = y;
    return mark;
}

output::PlotData ZoomPlot() {
    output::PlotData plot;
    plot.empty = false;
    plot.series.push_back(
        {"profile", {At(100.9, 0.0), At(101.5, 40.0), At(102.1, 0.0)}, output::SeriesStyle::Profile});
    plot.series.push_back(
        {"sticks", {At(100.0, 100.0), At(101.0, 50.0), At(102.0, 10.0)}, output::SeriesStyle::Stick});
    plot.x = {99.4, 102.6};
    plot.y = {0.0, 112.0};
    return plot;
}

struct ZoomCase {
    output::PlotRange x;
    double high;
};

class HeightsInSightTest : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(HeightsInSightTest, ReachTheHighestMarkInSight) {
    const output::PlotRange heights = HeightsInSight(ZoomPlot(), GetParam().x);
    EXPECT_EQ(heights.low, 0.0);
    EXPECT_NEAR(heights.high, GetParam().high, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Zoom, HeightsInSightTest,
    ::testing::Values(ZoomCase{{99.4, 102.6},
                               112.0},  // the whole plot: as it was made
                                        // [101.8, 102.2]: the stick of 10, and the profile entering at 101.8
                                        // between 40 at 101.5 and 0 at 102.1: 40 x 0.3 / 0.6 = 20; 20 x 1.12.
                      ZoomCase{{101.8, 102.2}, 22.4},
                      // [101.95, 102.05]: the profile 40 x 0.15 / 0.6 = 10 at the left edge
                      // and the stick of 10: 10 x 1.12.
                      ZoomCase{{101.95, 102.05}, 11.2},
                      ZoomCase{{103.0, 104.0}, 112.0}));  // nothing in sight: as it was made

TEST(HeightsInSightTest, PointsKeepTheirHeights) {
    output::PlotData plot = ZoomPlot();
    plot.marks = output::PlotMarks::Points;
    plot.y = {-5.0, 5.0};
    EXPECT_EQ(HeightsInSight(plot, {101.8, 102.2}).high, 5.0);
}

}  // namespace
}  // namespace tarnevo::app
