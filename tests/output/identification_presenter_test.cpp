// Pins what an ion identification shows: its result page, its report
// section, its CSV table and its plot, from a small state written by hand
// (caffeine's [M+H]+ measured as three peaks, and a sodium adduct of another
// molecule ranked second). The expected lines are composed column by column
// in the comments from the layout's rules (widths, decimals, the order of the
// peaks by m/z), not copied from the program's output. Then the edges: more
// candidates than the page lists, none at all, a selection out of range, and
// which page line is which candidate (a click on it selects it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/formula_search.h"
#include "core/ion_notation.h"
#include "output/csv_table.h"
#include "output/identification_page.h"
#include "output/page_layout.h"
#include "output/plot_data.h"
#include "output/report.h"

namespace tarnevo::testing {
namespace {

using output::CalcKind;
using output::CalculationState;

core::ParsedFormula Formula(const char* text) {
    core::ParsedFormula formula;
    EXPECT_EQ(core::ParseFormulaText(text, formula), core::FormulaSyntax::Valid) << text;
    return formula;
}

int Index(const char* symbol) { return core::LookupSymbolText(symbol, 0); }

core::IdentifyIonType IonType(const char* text) { return {text, *core::ParseIonNotation(text).notation}; }

core::PeakComparison Matched(double measuredMz, double measuredRel, double predictedMz, double predictedRel) {
    return {core::PeakOutcome::Matched, measuredMz, measuredRel, predictedMz, predictedRel, 0.0, 0.0};
}

// Three measured peaks, entered out of m/z order on a scale of 1000; the
// charge read from their spacing; two ion types; C H N O; two candidates.
CalculationState CaffeineState() {
    CalculationState state;
    state.calcKind = CalcKind::IonIdentification;
    output::IonIdentification& identification = state.identification;
    identification.query.peaks = {{196.0908, 104.0}, {195.0877, 1000.0}, {197.0917, 12.0}};
    identification.query.charge = 0;
    core::IdentifyResult& result = identification.result;
    result.charge = 1;
    result.chargeInferred = true;
    result.monoisotopicMz = 195.0877;
    result.ionTypes = {IonType("[M+H]+"), IonType("[M+Na]+")};
    result.elements = {{Index("C"), 0, 16}, {Index("H"), 0, 40}, {Index("N"), 0, 13}, {Index("O"), 0, 12}};
    result.massMatches = 7;
    result.filteredOut = 5;

    core::IdentifyCandidate caffeine;
    caffeine.ionType = 0;
    caffeine.molecule = Formula("C8H10N4O2");
    caffeine.ion = Formula("C8H11N4O2");
    caffeine.mz = 195.087652;
    caffeine.errorPpm = 0.246;
    caffeine.dbe = 6.0;
    caffeine.electronClass = core::kEvenElectron;
    caffeine.pattern.patternMatch = 95.5;
    caffeine.pattern.logLikelihood = -0.37;
    caffeine.pattern.peaks = {Matched(195.0877, 1.0, 195.08765, 1.0),
                              Matched(196.0908, 0.104, 196.09088, 0.1065),
                              Matched(197.0917, 0.012, 197.09096, 0.012),
                              {core::PeakOutcome::Missing, 0.0, 0.0, 198.093, 0.011, 0.0, -1.2}};
    caffeine.score = -0.37;

    core::IdentifyCandidate adduct;
    adduct.ionType = 1;
    adduct.molecule = Formula("C9H8O2");
    adduct.ion = Formula("C9H8NaO2");
    adduct.mz = 195.0879;
    adduct.errorPpm = -1.03;
    adduct.dbe = std::numeric_limits<double>::quiet_NaN();
    adduct.electronClass = core::kIndeterminateElectrons;
    adduct.pattern.patternMatch = 40.2;
    adduct.pattern.logLikelihood = -4.3;
    adduct.prior = -3.0;
    adduct.pattern.peaks = {Matched(195.0877, 1.0, 195.0879, 1.0),
                            {core::PeakOutcome::Unexplained, 196.0908, 0.104, 0.0, 0.0, 0.0, -3.0}};
    adduct.score = -7.3;
    result.candidates = {caffeine, adduct};
    return state;
}

// Measured rows: m/z in 13 columns, the intensity as entered in 16, Rel %
// (of 1000) in 13, in m/z order whatever the order of entry. Ranking rows:
// rank in 4 columns and a blank, ion type in 11, M and the ion in 14 each,
// then right-aligned m/z (5 decimals) in 10, ppm (2) in 7, DBE (1; "-" without
// usual valences) in 6, e- in 3, match (1) in 7, score (2) in 7. Comparison:
// measured m/z in 17, Rel % in 9, predicted m/z in 16, Rel % in 9, then the
// outcome of an unmatched peak.
const std::vector<std::string> kCaffeineQuestion = {
    "Measured peaks:",
    "          m/z       Intensity        Rel %",
    "    195.08770            1000      100.000",
    "    196.09080             104       10.400",
    "    197.09170              12        1.200",
    "Ion charge: +1 (inferred from the spacing of the peaks)",
    "Monoisotopic peak: m/z 195.08770",
    "Ion types: [M+H]+, [M+Na]+",
    "Elements of M: C 0-16, H 0-40, N 0-13, O 0-12",
    "Mass accuracy: 5 ppm    Resolving power: 60,000 at every m/z",
    "Chemistry filters: RDBE, element ratios (99.99 %), LEWIS/SENIOR",
    "Formulae within the mass accuracy: 7, removed by the filters: 5, ranked: 2",
};

TEST(IdentificationPage, ShowsTheQuestionTheRankingAndTheSelectedCandidatesPeaks) {
    std::vector<std::string> expected = {
        "       ***** Results for Ion Identification from an Isotope Pattern *****"};
    expected.insert(expected.end(), kCaffeineQuestion.begin(), kCaffeineQuestion.end());
    const std::vector<std::string> rest = {
        "",
        "Rank Ion type   Neutral M     Ion                  m/z    ppm   DBE e-  Match  Score",
        "   1 [M+H]+     C8H10N4O2     C8H11N4O2      195.08765   0.25   6.0 EE   95.5  -0.37",
        "   2 [M+Na]+    C9H8O2        C9H8NaO2       195.08790  -1.03     - **   40.2  -7.30",
        "",
        "Peaks of rank 1: C8H10N4O2 as [M+H]+ (ion C8H11N4O2)",
        "     Measured m/z    Rel %   Predicted m/z    Rel %",
        "        195.08770  100.000       195.08765  100.000",
        "        196.09080   10.400       196.09088   10.650",
        "        197.09170    1.200       197.09096    1.200",
        "                                 198.09300    1.100   missing",
        "Pattern match 95.5 of 100; log-likelihood -0.37, prior 0.00, score -0.37",
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(output::LayoutResultLines(CaffeineState()), expected);
}

TEST(IdentificationPage, TheComparisonFollowsTheSelection) {
    CalculationState state = CaffeineState();
    state.identification.selected = 1;
    const std::vector<std::string> page = output::LayoutResultLines(state);
    const std::vector<std::string> tail(page.end() - 5, page.end());
    const std::vector<std::string> expected = {
        "Peaks of rank 2: C9H8O2 as [M+Na]+ (ion C9H8NaO2)",
        "     Measured m/z    Rel %   Predicted m/z    Rel %",
        "        195.08770  100.000       195.08790  100.000",
        "        196.09080   10.400                            unexplained",
        "Pattern match 40.2 of 100; log-likelihood -4.30, prior -3.00, score -7.30",
    };
    EXPECT_EQ(tail, expected);
}

TEST(IdentificationReport, WritesTheQuestionTheRankingAndTheComparison) {
    std::string expected = "TARNEVO Ion Identification Data\r\n";
    for (const std::string& line : kCaffeineQuestion) expected += line + "\r\n";
    expected +=
        "\r\n"
        "Rank, Ion type, Neutral M, Ion, m/z, Error ppm, DBE, Electrons, Pattern match, Score\r\n"
        "1, [M+H]+, C8H10N4O2, C8H11N4O2, 195.08765, 0.25, 6.0, EE, 95.5, -0.37\r\n"
        "2, [M+Na]+, C9H8O2, C9H8NaO2, 195.08790, -1.03, -, **, 40.2, -7.30\r\n"
        "\r\n"
        "Peaks of rank 1: C8H10N4O2 as [M+H]+ (ion C8H11N4O2)\r\n"
        "Measured m/z, Rel %, Predicted m/z, Rel %, Outcome\r\n"
        "195.08770, 100.000, 195.08765, 100.000, matched\r\n"
        "196.09080, 10.400, 196.09088, 10.650, matched\r\n"
        "197.09170, 1.200, 197.09096, 1.200, matched\r\n"
        ", , 198.09300, 1.100, missing\r\n"
        "\r\n"
        "TARNEVO run on DATE\r\n";
    EXPECT_EQ(output::ComposeReport(CaffeineState(), "DATE"), expected);
}

// Numbers in full precision; a DBE that does not exist leaves its cell empty,
// the electron classes as every table writes them.
TEST(IdentificationCsv, ListsEveryCandidateInFullPrecision) {
    EXPECT_EQ(output::ComposeCsv(CaffeineState()),
              "rank,adduct,formula,ionFormula,mz,errorPpm,dbe,electronClass,patternScore,score\n"
              "1,[M+H]+,C8H10N4O2,C8H11N4O2,195.087652,0.246,6,EE,95.5,-0.37\n"
              "2,[M+Na]+,C9H8O2,C9H8NaO2,195.0879,-1.03,,indeterminate,40.2,-7.3\n");
}

// The question's other settings as the page echoes them: the Orbitrap's R
// at its reference m/z, the stricter ratios, filters switched off, a charge
// given rather than read.
struct EchoCase {
    const char* name;
    void (*change)(output::IonIdentification&);
    std::size_t line;  // in the question's lines
    const char* expected;
};

void PrintTo(const EchoCase& echo, std::ostream* out) { *out << echo.name; }

class IdentificationEcho : public ::testing::TestWithParam<EchoCase> {};

TEST_P(IdentificationEcho, SaysWhatWasAsked) {
    CalculationState state = CaffeineState();
    GetParam().change(state.identification);
    const std::vector<std::string> page = output::LayoutResultLines(state);
    ASSERT_GT(page.size(), GetParam().line + 1);
    EXPECT_EQ(page[GetParam().line + 1], GetParam().expected);  // + 1: the title
}

INSTANTIATE_TEST_SUITE_P(
    Settings, IdentificationEcho,
    ::testing::Values(EchoCase{"Orbitrap",
                               [](output::IonIdentification& id) {
                                   id.query.power = {120000.0, core::ResolvingPowerModel::Orbitrap, 400.0};
                                   id.query.ppm = 2.5;
                               },
                               9, "Mass accuracy: 2.5 ppm    Resolving power: 120,000 at m/z 400 (Orbitrap)"},
                      EchoCase{"StrictRatiosAndNoRdbe",
                               [](output::IonIdentification& id) {
                                   id.query.rules.ringsPlusDoubleBonds = false;
                                   id.query.rules.ratioLevel = core::RatioLevel::KnownCompounds997;
                               },
                               10, "Chemistry filters: element ratios (99.7 %), LEWIS/SENIOR"},
                      EchoCase{
                          "NoFilters",
                          [](output::IonIdentification& id) {
                              id.query.rules = {false, false, false, core::RatioLevel::KnownCompounds9999};
                          },
                          10, "Chemistry filters: none"},
                      EchoCase{"ChargeGiven",
                               [](output::IonIdentification& id) {
                                   id.result.charge = -2;
                                   id.result.chargeInferred = false;
                               },
                               5, "Ion charge: -2"}),
    [](const ::testing::TestParamInfo<EchoCase>& entry) { return std::string(entry.param.name); });

// 25 candidates: the page and the report list the best 20 and say so, the
// CSV table has a row for each of the 25.
TEST(IdentificationPage, ListsTheBestTwentyAndTheTableAll) {
    CalculationState state = CaffeineState();
    const core::IdentifyCandidate second = state.identification.result.candidates[1];
    state.identification.result.candidates.resize(25, second);
    const std::vector<std::string> page = output::LayoutResultLines(state);
    const auto note =
        std::find(page.begin(), page.end(),
                  "The best 20 of 25 candidates are listed; File, Export Table writes them all.");
    ASSERT_NE(note, page.end());
    EXPECT_EQ(*(note - 1),
              "  20 [M+Na]+    C9H8O2        C9H8NaO2       195.08790  -1.03     - **   40.2  -7.30");
    const std::string csv = output::ComposeCsv(state);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 26);
    EXPECT_NE(csv.find("\n25,[M+Na]+,"), std::string::npos);
    EXPECT_NE(output::ComposeReport(state, "DATE")
                  .find("Candidates ranked below 20: 5 (Export Table lists them all)."),
              std::string::npos);
}

// The counts add up from the engine's own tallies: what the first comparison
// of nominal peaks ruled out is said, and the ranked count stands even when
// the command line has cut the list to its --top (regression: the cut list's
// length was printed as the count ranked).
TEST(IdentificationPage, CountsWhatWasRankedNotWhatIsListed) {
    CalculationState state = CaffeineState();
    core::IdentifyResult& result = state.identification.result;
    result.massMatches = 40;
    result.filteredOut = 25;
    result.ruledOutByPattern = 13;  // 40 - 25 - 13 = 2 ranked, as the list holds
    result.candidates.resize(1);    // --top 1
    const std::vector<std::string> page = output::LayoutResultLines(state);
    EXPECT_NE(
        std::find(page.begin(), page.end(),
                  "Formulae within the mass accuracy: 40, removed by the filters: 25, by their pattern: "
                  "13, ranked: 2"),
        page.end());
}

// Regression: what passed beyond the best the identification scores was
// counted as ruled out by its pattern; the line now says the ranked are the
// best of what passed.
TEST(IdentificationPage, SaysTheRankedAreTheBestOfWhatPassed) {
    CalculationState state = CaffeineState();
    core::IdentifyResult& result = state.identification.result;
    result.massMatches = 1000;
    result.filteredOut = 300;
    result.ruledOutByPattern = 100;
    result.notRanked = 598;  // 1000 - 300 - 100 = 600 passed, of which 2 ranked
    const std::vector<std::string> page = output::LayoutResultLines(state);
    EXPECT_NE(std::find(page.begin(), page.end(),
                        "Formulae within the mass accuracy: 1000, removed by the filters: 300, by their "
                        "pattern: 100, ranked: 2 (the best of 600 that passed)"),
              page.end())
        << ::testing::PrintToString(page);
}

// The engine found formulae but the filters removed them all, or found none:
// the page says which, and nothing is compared or plotted but the peaks.
TEST(IdentificationPage, SaysWhyThereIsNoCandidate) {
    CalculationState state = CaffeineState();
    state.identification.result.candidates.clear();
    EXPECT_EQ(output::LayoutResultLines(state).back(),
              "Every formula within the mass accuracy was removed by the chemistry filters.");
    state.identification.result.massMatches = 0;
    state.identification.result.filteredOut = 0;
    EXPECT_EQ(output::LayoutResultLines(state).back(),
              "No formula of these elements and ion types lies within the mass accuracy.");
    EXPECT_EQ(output::ComposeCsv(state),
              "rank,adduct,formula,ionFormula,mz,errorPpm,dbe,electronClass,patternScore,score\n");
    const output::PlotData plot = output::MakePlotData(state);
    ASSERT_EQ(plot.series.size(), 1U);
    EXPECT_EQ(plot.series[0].name, output::kExperimentalSeries);
}

// A damaged selection beyond the candidates compares nothing rather than
// reading past the list.
TEST(IdentificationPage, ASelectionOutOfRangeComparesNothing) {
    CalculationState state = CaffeineState();
    state.identification.selected = 7;
    const std::vector<std::string> page = output::LayoutResultLines(state);
    EXPECT_EQ(page.back().substr(0, 4), "   2");
    EXPECT_EQ(output::MakePlotData(state).series.size(), 1U);
}

// The title line is line 0, the question 12 lines, an empty line and the
// heading: rank 1 stands on line 15, rank 2 on 16.
TEST(IdentificationPage, KnowsWhichLineListsWhichCandidate) {
    const CalculationState state = CaffeineState();
    EXPECT_EQ(output::CandidateOnPageLine(state, 15), std::optional<std::size_t>(0));
    EXPECT_EQ(output::CandidateOnPageLine(state, 16), std::optional<std::size_t>(1));
    EXPECT_EQ(output::CandidateOnPageLine(state, 14), std::nullopt);
    EXPECT_EQ(output::CandidateOnPageLine(state, 17), std::nullopt);
    CalculationState other = state;
    other.calcKind = CalcKind::FormulaFromMz;
    EXPECT_EQ(output::CandidateOnPageLine(other, 15), std::nullopt);
}

// Measured bars (the largest 100: 104 of 1000 is 10.4), the candidate's
// resolved peaks as sticks (its largest 100: 0.009 of 0.9 is 1), its profile
// first so that it is drawn behind them.
TEST(IdentificationPlot, MeasuredBarsAgainstTheCandidatesProfileAndPeaks) {
    CalculationState state = CaffeineState();
    state.identification.selectedPattern.peaks = {{195.08765, 0.9}, {196.09088, 0.0945}, {197.09096, 0.009}};
    state.identification.selectedPattern.profile = {{195.087, 50.0}, {195.08765, 100.0}, {195.0883, 50.0}};
    const output::PlotData plot = output::MakePlotData(state);
    EXPECT_FALSE(plot.empty);
    EXPECT_EQ(plot.title, "Rank 1: C8H10N4O2 as [M+H]+ (ion C8H11N4O2)");
    ASSERT_EQ(plot.series.size(), 3U);
    EXPECT_EQ(plot.series[0].style, output::SeriesStyle::Profile);
    EXPECT_EQ(plot.series[0].name, "Profile at R 60,000");
    EXPECT_EQ(plot.series[0].marks.size(), 3U);
    EXPECT_EQ(plot.series[1].style, output::SeriesStyle::Bar);
    ASSERT_EQ(plot.series[1].marks.size(), 3U);
    EXPECT_DOUBLE_EQ(plot.series[1].marks[0].x, 195.0877);
    EXPECT_DOUBLE_EQ(plot.series[1].marks[0].y, 100.0);
    EXPECT_DOUBLE_EQ(plot.series[1].marks[1].y, 10.4);
    EXPECT_EQ(plot.series[2].style, output::SeriesStyle::Stick);
    EXPECT_EQ(plot.series[2].name, "Calculated: C8H11N4O2");
    ASSERT_EQ(plot.series[2].marks.size(), 3U);
    EXPECT_DOUBLE_EQ(plot.series[2].marks[0].y, 100.0);
    EXPECT_NEAR(plot.series[2].marks[2].y, 1.0, 1e-12);
    // Every stick in sight, with head room above the tallest.
    EXPECT_LT(plot.x.low, 195.0877);
    EXPECT_GT(plot.x.high, 197.0917);
    EXPECT_GT(plot.y.high, 100.0);
}

// The profile is computed over a span wider than its peaks, flat at its ends;
// the m/z range follows the sticks (a margin of 0.6 at least around them) and
// the visible part of the profile, not its flat ends nor the predicted peaks
// far out of sight: a regression of the first plots, whose axis ran to m/z
// 201 for caffeine's peaks at 195 to 197.
TEST(IdentificationPlot, TheRangeIgnoresTheProfilesFlatEnds) {
    CalculationState state = CaffeineState();
    // [A+6] at a millionth of the base peak: out of sight, and left out.
    state.identification.selectedPattern.peaks = {{195.08765, 0.9}, {201.1, 0.9e-6}};
    state.identification.selectedPattern.profile = {
        {194.0, 0.0}, {195.087, 50.0}, {195.08765, 100.0}, {195.0883, 50.0}, {201.0, 0.0}};
    const output::PlotData plot = output::MakePlotData(state);
    EXPECT_GT(plot.x.low, 194.0);
    EXPECT_LT(plot.x.high, 199.0);
    EXPECT_EQ(plot.series.back().marks.size(), 1U);
    EXPECT_GT(plot.x.high, 197.0917);
}

}  // namespace
}  // namespace tarnevo::testing
