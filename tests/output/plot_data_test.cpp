// Pins what the pattern plot shows for every calculation kind, from the sample
// states whose numbers are round enough to work by hand: where each stick
// stands and how tall it is, the two spectra of the enrichment fit and of the
// loss-of-H correction (both at the true m/z), the ion labels of a polymer
// series, the formulae ranked by their mass error, axis ranges that keep every
// mark in sight, and tick steps whose labels stay distinct at any zoom.
// Expected positions are worked from the stored masses in the comments, not
// taken from the code under test; the tick labels are checked by writing them
// out as the axis does and comparing neighbours.
#include "output/plot_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

#include "document/document_plot.h"
#include "tests/output/sample_states.h"

namespace tarnevo::testing {
namespace {

using doc::MakePlotData;
using output::MakePlotData;
using output::PlotData;
using output::PlotMark;
using output::PlotMarks;
using output::PlotSeries;

constexpr double kTight = 1e-9;

void ExpectStick(const PlotMark& mark, double x, double y, const std::string& label) {
    EXPECT_NEAR(mark.x, x, kTight) << label;
    EXPECT_NEAR(mark.y, y, 1e-9 * std::max(1.0, std::abs(y))) << label;
    EXPECT_EQ(mark.label, label);
}

TEST(PlotData, FreshDataSetIsEmptyWithAHint) {
    doc::Document document;
    const PlotData plot = MakePlotData(document);
    EXPECT_TRUE(plot.empty);
    EXPECT_FALSE(plot.hint.empty());
    EXPECT_TRUE(plot.series.empty());

    // The same stored values become a plot once the data set holds results.
    document.state = ClusterState();
    EXPECT_TRUE(MakePlotData(document).empty);
    document.readyForCalculation = false;
    EXPECT_FALSE(MakePlotData(document).empty);
}

TEST(PlotData, ClusterSticksAtNominalMzWithRelativeHeights) {
    const PlotData plot = MakePlotData(ClusterState());
    ASSERT_EQ(plot.series.size(), 1U);
    const auto& marks = plot.series[0].marks;
    ASSERT_EQ(marks.size(), 4U);
    // No centroids stored: [A+n] at 112.0081 + n; Rel % = FA / 0.75 x 100.
    ExpectStick(marks[0], 112.0081, 100.0, "[A+0]");
    ExpectStick(marks[1], 113.0081, 0.05 / 0.75 * 100, "[A+1]");
    ExpectStick(marks[2], 114.0081, 0.2 / 0.75 * 100, "[A+2]");
    ExpectStick(marks[3], 115.0081, 1.2e-5 / 0.75 * 100, "[A+3]");
    EXPECT_DOUBLE_EQ(*marks[2].fa, 0.2);
    EXPECT_EQ(plot.marks, PlotMarks::Sticks);
    EXPECT_NE(plot.title.find("C6H5Cl"), std::string::npos) << plot.title;
    EXPECT_NE(plot.title.find("[A+0] m/z 112.0081"), std::string::npos) << plot.title;
    // Span 3 u: the margin is its floor of 0.6 each side; 12 % above the tallest.
    EXPECT_NEAR(plot.x.low, 111.4081, kTight);
    EXPECT_NEAR(plot.x.high, 115.6081, kTight);
    EXPECT_DOUBLE_EQ(plot.y.low, 0.0);
    EXPECT_NEAR(plot.y.high, 112.0, kTight);
}

TEST(PlotData, ClusterSticksStandAtTheStoredCentroids) {
    output::CalculationState state = ClusterState();
    // 35Cl -> 37Cl moves [A+2] 1.99705 u rather than 2 above [A+0].
    state.cluster.peakCentroidMz = {112.0081, 113.0114, 114.00515, 115.0085};
    const PlotData plot = MakePlotData(state);
    EXPECT_DOUBLE_EQ(plot.series[0].marks[2].x, 114.00515);
    EXPECT_DOUBLE_EQ(plot.series[0].marks[2].mz, 114.00515);
}

TEST(PlotData, NegativeChargeDividesTheMz) {
    const PlotData plot = MakePlotData(ClusterWithUserElementsState());
    // (250.5 + n) / 2 for charge -2; the largest FA 0.5 is [A+1].
    const auto& marks = plot.series[0].marks;
    ExpectStick(marks[0], 125.25, 80.0, "[A+0]");
    ExpectStick(marks[1], 125.75, 100.0, "[A+1]");
    ExpectStick(marks[2], 126.25, 20.0, "[A+2]");
    EXPECT_NE(plot.title.find("[A+0] m/z 125.2500"), std::string::npos) << plot.title;
}

TEST(PlotData, ZeroTotalLabelledPatternReadsZeroLikeThePage) {
    const PlotData plot = MakePlotData(ZeroTotalLabelledAtomsState());
    for (const PlotMark& mark : plot.series[0].marks) EXPECT_EQ(mark.y, 0.0);
    EXPECT_GT(plot.y.high, plot.y.low);
}

// Regression: each spectrum was drawn 0.12 m/z off its peak (a stick at 77.93
// read 78.05 under the pointer); both now stand at the true m/z in two styles.
TEST(PlotData, EnrichmentFitShowsBothSpectraAtTheTrueMz) {
    const PlotData plot = MakePlotData(EnrichmentState(2));
    ASSERT_EQ(plot.series.size(), 2U);
    EXPECT_TRUE(plot.showLegend);
    const PlotSeries& measured = plot.series[0];
    const PlotSeries& calculated = plot.series[1];
    EXPECT_EQ(measured.name, "Experimental");
    EXPECT_EQ(calculated.name, "Calculated");
    // Two calculated peaks precede the first measured one, which read 0 in the
    // experiment: rows [A+0]..[A+3] at 78.0464 + n.
    ASSERT_EQ(measured.marks.size(), 4U);
    ASSERT_EQ(calculated.marks.size(), 4U);
    const double experimental[] = {0.0, 0.0, 100.0, 40.0};
    const double fitted[] = {2.0, 4.0, 100.0, 40.0};  // 0.01, 0.02, 0.5, 0.2 of 0.5
    for (int n = 0; n < 4; ++n) {
        const double mz = 78.0464 + n;
        EXPECT_NEAR(measured.marks[n].mz, mz, kTight);
        EXPECT_NEAR(calculated.marks[n].mz, mz, kTight);
        EXPECT_NEAR(measured.marks[n].x, mz, kTight);  // where the axis puts it
        EXPECT_NEAR(calculated.marks[n].x, mz, kTight);
        EXPECT_NEAR(measured.marks[n].y, experimental[n], kTight);
        EXPECT_NEAR(calculated.marks[n].y, fitted[n], kTight);
    }
    EXPECT_NE(plot.title.find("C(12) 0.10000, C(13) 0.90000"), std::string::npos) << plot.title;
    // The measured peaks are the wide bars behind the calculated sticks.
    EXPECT_EQ(measured.style, output::SeriesStyle::Bar);
    EXPECT_EQ(calculated.style, output::SeriesStyle::Stick);
}

TEST(PlotData, LossOfHShowsMeasuredFromAMinusTwoAndCorrectedFromAPlusZero) {
    const PlotData plot = MakePlotData(LossOfHState());
    ASSERT_EQ(plot.series.size(), 2U);
    const auto& measured = plot.series[0].marks;
    const auto& corrected = plot.series[1].marks;
    ASSERT_EQ(measured.size(), 5U);
    ASSERT_EQ(corrected.size(), 3U);
    // Measured at 126.05, one spacing per peak; [A+0] of the corrected
    // spectrum two spacings higher, at 128.05.
    EXPECT_EQ(measured[0].label, "[A-2]");
    EXPECT_NEAR(measured[0].mz, 126.05, kTight);
    EXPECT_NEAR(measured[2].y, 100.0, kTight);
    EXPECT_EQ(corrected[0].label, "[A+0]");
    EXPECT_NEAR(corrected[0].mz, 128.05, kTight);
    EXPECT_NEAR(corrected[1].y, 10.8, kTight);
    EXPECT_NEAR(corrected[2].mz, measured[4].mz, kTight);  // both [A+2]
    EXPECT_EQ(plot.series[1].name, "Corrected for loss of H");
    // Drawn where they read, one over the other.
    EXPECT_NEAR(measured[0].x, 126.05, kTight);
    EXPECT_NEAR(corrected[2].x, measured[4].x, kTight);
    EXPECT_EQ(plot.series[0].style, output::SeriesStyle::Bar);
}

// Regression: the formulae were plotted as error against m/z, a straight line
// by construction. Now each is a labelled point of its error at its rank, best
// match first, in the series of its electron class. The sample's errors:
// (107.0491 - 107.05) / 107.05 x 1e6 = -8.4073 ppm, 107.05: 0, 107.073: +214.8529.
TEST(PlotData, FormulaeAreRankedPointsOfTheirErrorByElectronClass) {
    const PlotData plot = MakePlotData(FormulaState());
    EXPECT_EQ(plot.marks, PlotMarks::Points);
    EXPECT_TRUE(plot.xCounts);
    EXPECT_TRUE(plot.showLegend);
    ASSERT_EQ(plot.series.size(), 3U);
    EXPECT_EQ(plot.series[0].name, "EE: even-electron ions");
    EXPECT_EQ(plot.series[1].name, "OE: odd-electron ions");
    EXPECT_EQ(plot.series[2].name, "**: electron class indeterminate");
    ASSERT_EQ(plot.series[2].marks.size(), 1U);
    ExpectStick(plot.series[2].marks[0], 1.0, 0.0, "** CHNO");  // exact: the best
    ExpectStick(plot.series[0].marks[0], 2.0, -0.0009 / 107.05 * 1e6, "EE C7H7O");
    ExpectStick(plot.series[1].marks[0], 3.0, 0.023 / 107.05 * 1e6, "OE C6H5N");
    EXPECT_NEAR(plot.series[1].marks[0].mz, 107.073, kTight);
    // Each point carries its formula, in rank order.
    ASSERT_EQ(plot.labels.size(), 3U);
    EXPECT_EQ(plot.labels[0].text, "CHNO");
    EXPECT_EQ(plot.labels[1].text, "C7H7O");
    EXPECT_NEAR(plot.labels[2].x, 3.0, kTight);
    // Symmetric about 0 and beyond the window's edge of 0.05 / 107.05 x 1e6 = 467.07 ppm.
    EXPECT_DOUBLE_EQ(plot.y.low, -plot.y.high);
    EXPECT_GT(plot.y.high, 467.07);
    EXPECT_DOUBLE_EQ(plot.x.low, 0.5);
    EXPECT_DOUBLE_EQ(plot.x.high, 3.5);
}

TEST(PlotData, FormulaeWithEqualErrorsKeepThePageOrder) {
    // 100 + i for i = 0 .. 199 around 150: |error| falls to 0 at i = 50, and
    // 149 and 151 lie equally far from it: the earlier on the page ranks first.
    const PlotData plot = MakePlotData(FullFormulaState());
    ASSERT_EQ(plot.series.size(), 1U);
    const auto& points = plot.series[0].marks;
    ASSERT_EQ(points.size(), 200U);
    EXPECT_NEAR(points[0].mz, 150.0, kTight);
    EXPECT_NEAR(points[1].mz, 149.0, kTight);
    EXPECT_NEAR(points[2].mz, 151.0, kTight);
    for (std::size_t k = 1; k < points.size(); ++k)
        EXPECT_LE(std::abs(points[k - 1].y), std::abs(points[k].y));
}

TEST(PlotData, NoFormulaStillDrawsAnErrorAxis) {
    const PlotData plot = MakePlotData(NoFormulaState());
    EXPECT_FALSE(plot.empty);
    EXPECT_TRUE(plot.series.empty());
    EXPECT_NE(plot.title.find("(no formulae found)"), std::string::npos);
    EXPECT_LT(plot.x.low, plot.x.high);
    EXPECT_LT(plot.y.low, 0.0);
    EXPECT_GT(plot.y.high, 0.0);
}

TEST(PlotData, PolymerIonsShareOneAxisAndAreLabelledAboveTheirTallestPeak) {
    const PlotData plot = MakePlotData(RepeatingUnitState());
    ASSERT_EQ(plot.series.size(), 2U);
    // Charge 2: (200.5 + n) / 2 and (244.5 + n) / 2; Rel % of each ion's own largest FA.
    const auto& first = plot.series[0].marks;
    const auto& second = plot.series[1].marks;
    ASSERT_EQ(first.size(), 2U);
    ASSERT_EQ(second.size(), 3U);
    EXPECT_NEAR(first[1].x, 100.75, kTight);
    EXPECT_NEAR(first[1].y, 25.0, kTight);
    EXPECT_NEAR(second[0].x, 122.25, kTight);
    EXPECT_NEAR(second[1].y, 50.0, kTight);
    EXPECT_NEAR(second[2].y, 0.1 / 0.6 * 100, kTight);
    ASSERT_EQ(plot.labels.size(), 2U);
    EXPECT_EQ(plot.labels[0].text, "CH3OH(C2H4O)3(Na)2");
    EXPECT_NEAR(plot.labels[0].x, 100.25, kTight);
    EXPECT_EQ(plot.labels[1].text, "CH3OH(C2H4O)4(Na)2");
    EXPECT_NEAR(plot.labels[1].x, 122.25, kTight);
    EXPECT_GT(plot.y.high, 100.0 * 1.2);  // room for the labels above 100 %
}

TEST(PlotData, IsotopicDataSticksAtExactMassesWithFAHeights) {
    const PlotData plot = MakePlotData(IsotopicDataState());
    const auto& marks = plot.series[0].marks;
    ASSERT_EQ(marks.size(), 2U);
    ExpectStick(marks[0], 34.96885268, 0.7576, "Cl(35)");
    ExpectStick(marks[1], 36.96590259, 0.2424, "Cl(37)");
    EXPECT_EQ(plot.yTitle, "FA");
    EXPECT_NEAR(*marks[1].rel, 0.2424 / 0.7576 * 100, kTight);
}

// The hovered text names the series first: with two spectra at one m/z the
// reader learns which of them the pointer is on.
TEST(PlotData, HoverTextReadsSeriesLabelPositionAndHeight) {
    const PlotData cluster = MakePlotData(ClusterState());
    EXPECT_EQ(output::DescribeMark(cluster, cluster.series[0], cluster.series[0].marks[2]),
              "C6H5Cl\n[A+2]\nm/z 114.00810\nFA 2.00000E-001\nRel % 26.667");
    const PlotData fit = MakePlotData(EnrichmentState(2));
    EXPECT_EQ(output::DescribeMark(fit, fit.series[0], fit.series[0].marks[3]),
              "Experimental\n[A+3]\nm/z 81.04640\nRel % 40.000");
    const PlotData formulae = MakePlotData(FormulaState());
    EXPECT_EQ(output::DescribeMark(formulae, formulae.series[0], formulae.series[0].marks[0]),
              "EE: even-electron ions\nEE C7H7O\nm/z 107.04910\nError -8.41 ppm\nRank 2");
    const PlotData isotopes = MakePlotData(IsotopicDataState());
    EXPECT_EQ(output::DescribeMark(isotopes, isotopes.series[0], isotopes.series[0].marks[1]),
              "Cl\nCl(37)\nMass 36.96590\nFA 2.42400E-001\nRel % 31.996");
}

// The labels an axis writes for ticks: first + k x step within the range,
// printed as "%.<decimals>f" like the desktop's axis format.
std::vector<std::string> TickLabels(output::PlotRange range, const output::PlotTicks& ticks) {
    std::vector<std::string> labels;
    for (int k = 0; k < 1000; ++k) {
        const double value = ticks.first + k * ticks.step;
        if (value > range.high + 1e-9 * ticks.step) break;
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", ticks.decimals, value);
        labels.emplace_back(text);
    }
    return labels;
}

// Regression: zoomed to a few thousandths of m/z the axis wrote 180.064 twice.
TEST(PlotTicks, ZoomedMzAxisLabelsAreDistinct) {
    const output::PlotRange zoomed{180.0638, 180.0652};
    const output::PlotTicks ticks = output::NiceTicks(zoomed, 5);
    // 0.0014 / 5 = 0.00028: the next step of 1, 2 or 5 x 10^k is 0.0005, four decimals.
    EXPECT_NEAR(ticks.step, 0.0005, 1e-15);
    EXPECT_EQ(ticks.decimals, 4);
    EXPECT_EQ(TickLabels(zoomed, ticks), (std::vector<std::string>{"180.0640", "180.0645", "180.0650"}));
}

// Any span from 1e-7 to 1e5 at any offset and room: neighbouring labels differ,
// every tick lies in the range, and no more gaps than there is room for.
TEST(PlotTicks, LabelsStayDistinctAtEveryZoom) {
    for (double span = 1e-7; span < 1e5; span *= 1.7) {
        for (const double low : {0.0, 0.37, 180.0638, 1999.99, -250.0}) {
            for (const int room : {1, 2, 3, 5, 8, 13}) {
                const output::PlotRange range{low, low + span};
                const output::PlotTicks ticks = output::NiceTicks(range, room);
                const std::vector<std::string> labels = TickLabels(range, ticks);
                ASSERT_FALSE(labels.empty()) << low << " + " << span;
                EXPECT_LE(labels.size(), static_cast<std::size_t>(room) + 1) << low << " + " << span;
                // Within the range, give or take the rounding of first = n x step.
                EXPECT_GE(ticks.first, low - 1e-9 * span - 1e-12 * std::abs(low)) << low << " + " << span;
                EXPECT_EQ(std::set<std::string>(labels.begin(), labels.end()).size(), labels.size())
                    << low << " + " << span << " in " << room;
            }
        }
    }
}

TEST(PlotTicks, StepsAreOneTwoOrFiveTimesAPowerOfTen) {
    EXPECT_DOUBLE_EQ(output::NiceTicks({0.0, 112.0}, 3).step, 50.0);  // 37.3 -> 50: 0, 50, 100
    EXPECT_DOUBLE_EQ(output::NiceTicks({0.0, 112.0}, 12).step, 10.0);
    EXPECT_DOUBLE_EQ(output::NiceTicks({0.0, 0.3}, 3).step, 0.1);  // 0.3 / 3 is 0.0999... in doubles
    EXPECT_EQ(output::NiceTicks({0.0, 0.3}, 3).decimals, 1);
    EXPECT_DOUBLE_EQ(output::NiceTicks({-467.0, 467.0}, 4).first, -400.0);
}

// Ranks are counted: a plot of two formulae never writes 1.5.
TEST(PlotTicks, WholeNumberAxisStepsByOneAtLeast) {
    const output::PlotTicks ticks = output::NiceTicks({0.5, 2.5}, 10, output::TickValues::WholeNumbers);
    EXPECT_DOUBLE_EQ(ticks.step, 1.0);
    EXPECT_DOUBLE_EQ(ticks.first, 1.0);
    EXPECT_EQ(ticks.decimals, 0);
}

TEST(PlotTicks, EmptyOrBrokenRangeGetsOneTick) {
    EXPECT_DOUBLE_EQ(output::NiceTicks({5.0, 5.0}, 4).first, 5.0);
    EXPECT_DOUBLE_EQ(output::NiceTicks({5.0, 4.0}, 4).step, 1.0);
    EXPECT_DOUBLE_EQ(output::NiceTicks({0.0, std::nan("")}, 4).step, 1.0);
    EXPECT_DOUBLE_EQ(output::NiceTicks({0.0, 10.0}, 0).step, 10.0);  // room for no gap: one is taken
}

// Every kind, every sample: the axes show every mark, and no value is NaN or
// infinite.
using StateMaker = std::function<output::CalculationState()>;
class EveryKind : public ::testing::TestWithParam<std::pair<const char*, StateMaker>> {};

TEST_P(EveryKind, AxisRangesShowEveryMark) {
    const PlotData plot = MakePlotData(GetParam().second());
    ASSERT_FALSE(plot.empty);
    EXPECT_LT(plot.x.low, plot.x.high);
    EXPECT_LT(plot.y.low, plot.y.high);
    for (const PlotSeries& series : plot.series) {
        for (const PlotMark& mark : series.marks) {
            EXPECT_GT(mark.x, plot.x.low) << mark.label;
            EXPECT_LT(mark.x, plot.x.high) << mark.label;
            EXPECT_GE(mark.y, plot.y.low) << mark.label;
            EXPECT_LT(mark.y, plot.y.high) << mark.label;
        }
    }
    for (const auto& label : plot.labels) EXPECT_LT(label.y, plot.y.high);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, EveryKind,
    ::testing::Values(std::make_pair("Cluster", StateMaker(ClusterState)),
                      std::make_pair("UserElements", StateMaker(ClusterWithUserElementsState)),
                      std::make_pair("OddPeakCount", StateMaker(OddPeakCountClusterState)),
                      std::make_pair("SinglePeak", StateMaker(SinglePeakClusterState)),
                      std::make_pair("Labelled", StateMaker(LabelledAtomsState)),
                      std::make_pair("ZeroTotal", StateMaker(ZeroTotalLabelledAtomsState)),
                      std::make_pair("Enrichment0", StateMaker([] { return EnrichmentState(0); })),
                      std::make_pair("Enrichment2", StateMaker([] { return EnrichmentState(2); })),
                      std::make_pair("Formula", StateMaker(FormulaState)),
                      std::make_pair("LongFormula", StateMaker(LongFormulaState)),
                      std::make_pair("NoFormula", StateMaker(NoFormulaState)),
                      std::make_pair("FullFormula", StateMaker(FullFormulaState)),
                      std::make_pair("LossOfH", StateMaker(LossOfHState)),
                      std::make_pair("LossOfHFromAMinusOne", StateMaker(LossOfHFromAMinusOneState)),
                      std::make_pair("RepeatingUnits", StateMaker(RepeatingUnitState)),
                      std::make_pair("NoEndCap", StateMaker(RepeatingUnitWithoutEndCapState)),
                      std::make_pair("IsotopicData", StateMaker(IsotopicDataState))),
    [](const auto& sample) { return std::string(sample.param.first); });

// Counts damaged beyond their storage never lead outside the arrays.
TEST(PlotData, DamagedCountsStayInsideStorage) {
    output::CalculationState state = RepeatingUnitState();
    state.series.ionCount = 1000;
    state.series.ionLastPeakIndex.fill(500);
    EXPECT_NO_FATAL_FAILURE(MakePlotData(state));
    state = LossOfHState();
    state.spectrum.expPeakCount = -5;
    state.spectrum.correctedCount = 99;
    EXPECT_EQ(MakePlotData(state).series[1].marks.size(), 12U);
}

}  // namespace
}  // namespace tarnevo::testing
