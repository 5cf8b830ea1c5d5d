// Pins that every calculation kind is shown by a presenter of its own: the
// first line of its result page, of its report and of its CSV table is the
// one written by hand below for that kind, and a value outside the kinds (a
// damaged state) shows nothing rather than another kind's results. A report
// head chosen by a catch-all used to name any kind it did not list "Loss of H
// Correction Data"; the switch below has no default either, so adding a kind
// without writing its expected heads here stops this test from compiling.
#include "output/result_presenter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "output/csv_table.h"
#include "output/page_layout.h"
#include "output/plot_data.h"
#include "output/report.h"

namespace tarnevo::testing {
namespace {

using output::CalcKind;
using output::CalculationState;

// The first lines of a kind's page, report and CSV table, copied from the
// hand-written golden files (the CSV headers from the column lists).
struct KindHeads {
    std::string_view pageTitle;
    std::string_view reportHead;
    std::string_view csvHeader;
};

std::optional<KindHeads> HandWrittenHeads(CalcKind kind) {
    switch (kind) {
        case CalcKind::IsotopeCluster:
            return KindHeads{"                 ***** Isotope Cluster Pattern Results *****",
                             "TARNEVO Isotope Cluster Data", "ion,n,mz,centroidMz,fa,rel"};
        case CalcKind::LabelledAtoms:
            return KindHeads{"          ***** Isotope Cluster Patterns Using Labelled Atoms *****",
                             "TARNEVO Isotope Cluster Data Using Labelled Atoms",
                             "ion,n,mz,centroidMz,fa,rel"};
        case CalcKind::EnrichmentFromSpectrum:
            return KindHeads{"            ***** Enrichment Results for a Labelled Element *****",
                             "TARNEVO Elemental Enrichment Data", "n,mz,experimental,calculated"};
        case CalcKind::FormulaFromMz:
            return KindHeads{"       ***** Results for Ion Formulae Matching a Specific m/z Range *****",
                             "TARNEVO Formula Estimation Data", "formula,mz,errorPpm,electronClass,dbe"};
        case CalcKind::LossOfH:
            return KindHeads{"          ***** Results for Spectrum Correction for Loss of H *****",
                             "TARNEVO Loss of H Correction Data", "n,mz,experimental,corrected"};
        case CalcKind::RepeatingUnits:
            return KindHeads{"               ***** Results for Ions with Repeating Units *****",
                             "TARNEVO Data for Ions with Repeating Units", "ion,n,mz,centroidMz,fa,rel"};
        case CalcKind::IsotopicData:
            return KindHeads{"            ***** Isotopic Data Used by TARNEVO *****", "TARNEVO Isotope Data",
                             "massNumber,mass,fa"};
        case CalcKind::IonIdentification:
            return KindHeads{
                "       ***** Results for Ion Identification from an Isotope Pattern *****",
                "TARNEVO Ion Identification Data",
                "rank,adduct,formula,ionFormula,mz,errorPpm,dbe,electronClass,patternScore,score"};
    }
    return std::nullopt;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

// Every value a CalcKind's int can hold in a sane state, and some beyond:
// the kinds get their own heads, the rest nothing at all.
class PresenterOfTest : public ::testing::TestWithParam<int> {};

TEST_P(PresenterOfTest, EachKindShowsItsOwnHeadsAndOthersShowNothing) {
    CalculationState state;
    state.calcKind = static_cast<CalcKind>(GetParam());
    const std::optional<KindHeads> heads = HandWrittenHeads(state.calcKind);
    const std::vector<std::string> page = output::LayoutResultLines(state);
    const std::string report = output::ComposeReport(state, "DATE");
    const std::string csv = output::ComposeCsv(state);
    const output::PlotData plot = output::MakePlotData(state);
    if (!heads) {
        EXPECT_TRUE(page.empty());
        EXPECT_EQ(report, "\r\nTARNEVO run on DATE\r\n");
        EXPECT_EQ(csv, "");
        EXPECT_TRUE(plot.empty);
        EXPECT_EQ(plot.hint, output::kPlotHint);
        return;
    }
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.front(), heads->pageTitle);
    EXPECT_EQ(FirstLine(report), heads->reportHead);
    EXPECT_EQ(FirstLine(csv), heads->csvHeader);
    EXPECT_FALSE(plot.empty);
}

INSTANTIATE_TEST_SUITE_P(KindValues, PresenterOfTest, ::testing::Range(-2, 12));

}  // namespace
}  // namespace tarnevo::testing
