// Pins the report file byte for byte, for every calculation kind and the
// variants whose shape differs (user-defined elements, negative charges,
// experimental peaks below [A+0], calculated peaks before the first
// experimental one, no end cap, no formula, a full formula store). The
// expectations in golden/report_*.txt were written by hand from the format
// rules with the values of sample_states.cpp, CR LF line ends included, so a
// fault in the writer cannot slip into its own expectation.
#include <gtest/gtest.h>

#include <functional>

#include "core/text_format.h"
#include "output/report.h"
#include "tests/output/golden_file.h"
#include "tests/output/sample_states.h"

namespace tarnevo::testing {
namespace {

using output::CalculationState;
using output::ComposeReport;

constexpr std::string_view kRunDate = "January 02, 2030, at 07.05 h";

struct GoldenReport {
    std::string file;
    std::function<CalculationState()> state;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const GoldenReport& testCase, std::ostream* out) { *out << testCase.file; }

class ReportGoldenTest : public ::testing::TestWithParam<GoldenReport> {};

TEST_P(ReportGoldenTest, MatchesHandWrittenFileByteForByte) {
    EXPECT_EQ(ComposeReport(GetParam().state(), kRunDate), ReadGoldenBytes(GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, ReportGoldenTest,
    ::testing::Values(GoldenReport{"report_kind0.txt", ClusterState},
                      GoldenReport{"report_kind0_user_elements.txt", ClusterWithUserElementsState},
                      GoldenReport{"report_kind1.txt", LabelledAtomsState},
                      GoldenReport{"report_kind2.txt", [] { return EnrichmentState(0); }},
                      GoldenReport{"report_kind2_offset2.txt", [] { return EnrichmentState(2); }},
                      GoldenReport{"report_kind3.txt", FormulaState},
                      GoldenReport{"report_kind3_none.txt", NoFormulaState},
                      GoldenReport{"report_kind4.txt", LossOfHState},
                      GoldenReport{"report_kind5.txt", RepeatingUnitState},
                      GoldenReport{"report_kind5_no_end_cap.txt", RepeatingUnitWithoutEndCapState},
                      GoldenReport{"report_kind6.txt", IsotopicDataState}),
    [](const ::testing::TestParamInfo<GoldenReport>& test) {
        std::string name = test.param.file.substr(0, test.param.file.find('.'));
        return name;
    });

// Formula i of the full store is C H(i) at m/z 100 + i: "C", "CH", "CH2", ...
// The capacity line follows the 200th formula line directly.
TEST(ReportTest, FullFormulaStoreEndsWithCapacityLine) {
    std::string expected =
        "TARNEVO Formula Estimation Data\r\n"
        "Target m/z: 150.0000\r\n"
        "Range in m/z: 149.9500 to 150.0500\r\n"
        "Ion Charge: 1\r\n"
        "Elements considered, C, H\r\n"
        "\r\n"
        "Ion Formula, m/z\r\n";
    for (int i = 0; i < 200; ++i) {
        const std::string hydrogen = i == 0 ? "" : i == 1 ? "H" : "H" + std::to_string(i);
        expected += "EE C" + hydrogen + ", " + std::to_string(100 + i) + ".0000\r\n";
    }
    expected += "Number of compounds exceeds the buffer capacity (200).\r\n";
    expected += "\r\nTARNEVO run on January 02, 2030, at 07.05 h\r\n";
    EXPECT_EQ(ComposeReport(FullFormulaState(), kRunDate), expected);
}

// A formula text far longer than any line buffer still comes out whole, on
// one line of its own.
TEST(ReportTest, VeryLongFormulaTextIsWrittenWhole) {
    CalculationState state = ClusterState();
    state.formulaText = std::string(150, 'C') + std::string(150, 'H');
    const std::string report = ComposeReport(state, kRunDate);
    EXPECT_NE(report.find("\r\nIon Formula: " + state.formulaText + "\r\nMass of [A+0] Ion: "),
              std::string::npos);
}

// The trailer is the date text exactly as given, after an empty line; an
// empty date (time not convertible) still closes the file with a whole line.
TEST(ReportTest, TrailerCarriesTheGivenDate) {
    const std::string report = ComposeReport(IsotopicDataState(), "");
    EXPECT_TRUE(report.ends_with("0.24240\r\n\r\nTARNEVO run on \r\n"));
}

// Detail lines walk the isotopes of all detailed elements with one cursor:
// Jx owns isotopes 0-1, Qy isotopes 2-4.
TEST(ReportTest, DetailLinesAdvanceTheIsotopeCursor) {
    const CalculationState state = ClusterWithUserElementsState();
    int cursor = 0;
    EXPECT_EQ(output::FormatDetailLine(state, cursor, 0),
              "2 atom(s) of Jx: Jx(10)=0.20000, Jx(11)=0.80000\r\n");
    EXPECT_EQ(cursor, 2);
    EXPECT_EQ(output::FormatDetailLine(state, cursor, 1),
              "1 atom(s) of Qy: Qy(20)=0.50000, Qy(21)=0.30000, Qy(22)=0.20000\r\n");
    EXPECT_EQ(cursor, 5);
}

// A one-letter symbol is stored padded with a blank, which never shows.
TEST(ReportTest, DetailLineDropsThePaddingOfOneLetterSymbols) {
    const CalculationState state = LabelledAtomsState();
    int cursor = 2;
    EXPECT_EQ(output::FormatDetailLine(state, cursor, 1), "1 atom(s) of N: N(14)=0.50000, N(15)=0.50000\r\n");
}

// A largest FA of 0 gives no scale for Rel %; the report writes 0.000 where a
// plain division would print "nan".
TEST(ReportTest, ZeroLargestFAGivesZeroRelativeIntensity) {
    CalculationState state = SinglePeakClusterState();
    state.cluster.peakFA[0] = 0.0;
    state.cluster.maxFA = 0.0;
    state.cluster.totalFA = 0.0;
    const std::string report = ComposeReport(state, kRunDate);
    EXPECT_NE(report.find("[A+0], 12.00, 0.000000E+000, 0.000, 0.000\r\n"), std::string::npos) << report;
}

// Counts beyond their storage (a damaged state) are cut to the storage, never
// read past it.
TEST(ReportTest, CountsBeyondStorageAreBounded) {
    CalculationState state = RepeatingUnitState();
    state.series.ionCount = 1000;
    state.series.ionLastPeakIndex.fill(100);
    const std::string report = ComposeReport(state, kRunDate);
    std::size_t rows = 0;
    for (std::size_t at = report.find("\r\n[A+"); at != std::string::npos;
         at = report.find("\r\n[A+", at + 1))
        ++rows;
    EXPECT_EQ(rows, 320u);
}

}  // namespace
}  // namespace tarnevo::testing
