// Pins how the question of Identify Ion from Pattern is read from its two
// dialogs: the peak grid (blank rows skipped, every refused cell named by its
// row), two columns of pasted text (every separator instrument software
// uses, comments and headings skipped, more than 30 peaks refused), and the
// options turned into the engine's query (which checked ion types carry the
// ion's charge, the element rows, the filters and the resolving power
// model), each refusal with its sentence. Then the command itself through a
// scripted port: Retry brings the grid back as typed, the last question
// presets the next one, and a question the engine answers is stored. The
// expected ion types are read off the ion-type table by hand (which carry
// charge 1, which 2), not from the code under test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/identify_command.h"
#include "calc/identify_grid_paste.h"
#include "calc/identify_input.h"
#include "cli/identify_options.h"
#include "core/formula_parser.h"
#include "output/identification_page.h"
#include "tests/support/command_fixture.h"

namespace tarnevo::calc {
namespace {

using core::MeasuredPeak;

IdentifyPeaksInput Grid(const std::vector<std::pair<std::string, std::string>>& rows) {
    IdentifyPeaksInput input;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        input.mz[row] = rows[row].first;
        input.intensity[row] = rows[row].second;
    }
    return input;
}

// Rows 1 and 3 filled, row 2 blank (blanks only): two peaks in row order.
TEST(PeakGrid, SkipsBlankRowsAndKeepsTheRowOrder) {
    const PeakReading reading = ReadPeakGrid(Grid({{"196.0908", "10.4"}, {"  ", ""}, {" 195.0877 ", "100"}}));
    EXPECT_EQ(reading.problem, "");
    ASSERT_EQ(reading.peaks.size(), 2U);
    EXPECT_DOUBLE_EQ(reading.peaks[0].mz, 196.0908);
    EXPECT_DOUBLE_EQ(reading.peaks[0].intensity, 10.4);
    EXPECT_DOUBLE_EQ(reading.peaks[1].mz, 195.0877);
}

struct GridCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> rows;
    const char* problem;
};

void PrintTo(const GridCase& gridCase, std::ostream* out) { *out << gridCase.name; }

class PeakGridRefusal : public ::testing::TestWithParam<GridCase> {};

TEST_P(PeakGridRefusal, NamesTheRowAndWhatIsWrong) {
    const PeakReading reading = ReadPeakGrid(Grid(GetParam().rows));
    EXPECT_EQ(reading.problem, GetParam().problem);
    EXPECT_TRUE(reading.peaks.empty() || !reading.problem.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cells, PeakGridRefusal,
    ::testing::Values(
        GridCase{"EmptyGrid", {}, "Enter at least one peak: its m/z and its intensity."},
        GridCase{"ZeroIntensity",
                 {{"195.0877", "100"}, {"196.0908", "0"}},
                 "Peak 2: the intensity must be greater than 0."},
        GridCase{"NegativeIntensity",
                 {{"195.0877", "100"}, {"196.0908", "-4"}},
                 "Peak 2: the intensity must be greater than 0."},
        GridCase{"NegativeMz", {{"-195.0877", "100"}}, "Peak 1: the m/z must be greater than 0."},
        GridCase{"MzNotANumber", {{"195,0877", "100"}}, "Peak 1: the m/z must be a number."},
        GridCase{"IntensityNotFinite", {{"195.0877", "inf"}}, "Peak 1: the intensity must be a number."},
        GridCase{"HalfARow",
                 {{"195.0877", "100"}, {"", ""}, {"197.09", ""}},
                 "Peak 3: enter both its m/z and its intensity, or neither."}),
    [](const ::testing::TestParamInfo<GridCase>& entry) { return std::string(entry.param.name); });

// What instrument software copies: tabs, commas, semicolons and blanks, a
// heading, a comment, a third column, Windows line ends.
TEST(PeakColumns, ReadsEverySeparatorAndSkipsHeadingsAndComments) {
    const PeakReading reading = ReadPeakColumns(
        "# caffeine [M+H]+\r\n"
        "m/z\tIntensity\tResolution\r\n"
        "\r\n"
        "195.0877\t1000\t61234\r\n"
        "196.0908, 104   # the 13C peak\n"
        "197.0917;12\n"
        "  198.09   1.5e0  \n");
    EXPECT_EQ(reading.problem, "");
    ASSERT_EQ(reading.peaks.size(), 4U);
    EXPECT_DOUBLE_EQ(reading.peaks[0].mz, 195.0877);
    EXPECT_DOUBLE_EQ(reading.peaks[0].intensity, 1000.0);
    EXPECT_DOUBLE_EQ(reading.peaks[1].intensity, 104.0);
    EXPECT_DOUBLE_EQ(reading.peaks[2].mz, 197.0917);
    EXPECT_DOUBLE_EQ(reading.peaks[3].intensity, 1.5);
}

// European exports write "195,0877;100": split at every comma it would read
// as m/z 195 with an intensity of 877, a plausible peak, silently wrong.
TEST(PeakColumns, ADecimalCommaIsRefusedNotMisread) {
    EXPECT_EQ(ReadPeakColumns("195,0877;100\n").problem,
              "The pasted text, line 1: '195,0877;100' writes a decimal comma; the decimal point is '.' "
              "(195.0877)");
    EXPECT_EQ(ReadPeakColumns("195.0877,100\n196.0908, 10.4\n").peaks.size(), 2U);  // commas as separators
}

TEST(PeakColumns, RefusesWhatIsNotAListOfPeaks) {
    EXPECT_EQ(ReadPeakColumns("").problem,
              "The pasted text holds no peaks: two columns of numbers, m/z and intensity, were expected.");
    EXPECT_EQ(ReadPeakColumns("m/z intensity\n# nothing\n").problem,
              "The pasted text holds no peaks: two columns of numbers, m/z and intensity, were expected.");
    EXPECT_EQ(ReadPeakColumns("195.0877 100\n196.0908\n").problem,
              "The pasted text, line 2: expected two columns, m/z and intensity, not 1 in '196.0908'");
    EXPECT_EQ(ReadPeakColumns("195.0877 100\ntotal 104\n").problem,
              "The pasted text, line 2: the m/z 'total' is not a number");
    std::string many;
    for (int k = 0; k < 31; ++k) many += std::to_string(100 + k) + " 1\n";
    EXPECT_EQ(ReadPeakColumns(many).problem,
              "The pasted text holds 31 peaks; give at most 30 peaks of one ion's cluster");
    many.erase(many.rfind("130 1\n"));
    EXPECT_EQ(ReadPeakColumns(many).problem, "");
}

// Pasted peaks go into the grid from the top and read back as the same
// numbers; rows below are emptied.
TEST(PeakColumns, FillTheGridThatReadsThemBack) {
    IdentifyPeaksInput input = Grid({{"1", "1"}, {"2", "2"}, {"3", "3"}});
    const std::vector<MeasuredPeak> peaks = {{195.0877, 1000.0}, {196.0908, 104.0}};
    FillPeakGrid(input, peaks);
    EXPECT_EQ(input.mz[2], "");
    const PeakReading reading = ReadPeakGrid(input);
    ASSERT_EQ(reading.peaks.size(), 2U);
    EXPECT_EQ(reading.peaks[1].mz, 196.0908);
    EXPECT_EQ(reading.peaks[1].intensity, 104.0);
}

int Index(const char* symbol) { return core::LookupSymbolText(symbol, 0); }

std::vector<std::string> TypeTexts(const core::IdentifyQuery& query) {
    std::vector<std::string> texts;
    for (const core::IdentifyIonType& type : query.ionTypes) texts.push_back(type.text);
    return texts;
}

// The defaults: C H N O P S, each to what fits, carbon from 1 and the others
// from 0, as the engine's own defaults; all filters on at the 99.99 %
// ratios; 5 ppm; R 60,000 at every m/z.
TEST(IdentifyOptions, TheDefaultsMakeTheDefaultQuestion) {
    const OptionsReading reading = ReadIdentifyOptions(IdentifyOptionsInput{}, 1);
    EXPECT_EQ(reading.problem, "");
    const core::IdentifyQuery& query = reading.query;
    ASSERT_EQ(query.elements.size(), 6U);
    const char* symbols[] = {"C", "H", "N", "O", "P", "S"};
    const std::vector<core::IdentifyElement> engineDefaults = core::DefaultIdentifyElements();
    ASSERT_EQ(engineDefaults.size(), 6U);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(query.elements[k].element, Index(symbols[k]));
        EXPECT_EQ(query.elements[k].minimum, k == 0 ? 1 : 0);
        EXPECT_EQ(query.elements[k].maximum, -1);
        EXPECT_EQ(query.elements[k].element, engineDefaults[k].element);
        EXPECT_EQ(query.elements[k].minimum, engineDefaults[k].minimum);
    }
    EXPECT_EQ(query.polarity, 1);
    EXPECT_EQ(query.ppm, core::kDefaultIdentifyPpm);
    EXPECT_EQ(query.power.resolution, core::kDefaultIdentifyResolvingPower);
    EXPECT_EQ(query.power.model, core::ResolvingPowerModel::Constant);
    EXPECT_TRUE(query.rules.ringsPlusDoubleBonds && query.rules.elementRatios && query.rules.lewisSenior);
    EXPECT_EQ(query.rules.ratioLevel, core::RatioLevel::KnownCompounds9999);
}

// Of the table's positive types, [M+2H]2+ and [M+H+Na]2+ carry charge 2, the
// other eight charge 1; of the negative ones [M-2H]2- carries -2.
TEST(IdentifyOptions, OnlyTheCheckedTypesOfTheIonsChargeAreConsidered) {
    IdentifyOptionsInput input;
    EXPECT_EQ(TypeTexts(ReadIdentifyOptions(input, 1).query),
              (std::vector<std::string>{"[M+H]+", "[M+Na]+", "[M+K]+", "[M+NH4]+", "[2M+H]+", "[2M+Na]+",
                                        "[M-H2O+H]+", "[M]+"}));
    EXPECT_EQ(TypeTexts(ReadIdentifyOptions(input, 2).query),
              (std::vector<std::string>{"[M+2H]2+", "[M+H+Na]2+"}));
    input.positiveTypes[1] = false;  // [M+Na]+
    input.otherTypes = " [M+Li]+ ,, [M+H]+";
    EXPECT_EQ(TypeTexts(ReadIdentifyOptions(input, 1).query),
              (std::vector<std::string>{"[M+H]+", "[M+K]+", "[M+NH4]+", "[2M+H]+", "[2M+Na]+", "[M-H2O+H]+",
                                        "[M]+", "[M+Li]+"}));
    input.polarity = IdentifyOptionsInput::kNegative;
    input.otherTypes.clear();
    const OptionsReading negative = ReadIdentifyOptions(input, -2);
    EXPECT_EQ(TypeTexts(negative.query), (std::vector<std::string>{"[M-2H]2-"}));
    EXPECT_EQ(negative.query.polarity, -1);
}

struct OptionsCase {
    const char* name;
    void (*change)(IdentifyOptionsInput&);
    const char* problem;
};

void PrintTo(const OptionsCase& optionsCase, std::ostream* out) { *out << optionsCase.name; }

class IdentifyOptionsRefusal : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(IdentifyOptionsRefusal, SaysWhatIsWrong) {
    IdentifyOptionsInput input;
    GetParam().change(input);
    EXPECT_EQ(ReadIdentifyOptions(input, 1).problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, IdentifyOptionsRefusal,
    ::testing::Values(
        OptionsCase{"UnknownSymbol", [](IdentifyOptionsInput& in) { in.elements[6].symbol = "Xq"; },
                    "\"Xq\" is not the symbol of an element."},
        OptionsCase{"UserElement", [](IdentifyOptionsInput& in) { in.elements[6].symbol = "Jx"; },
                    "The user-defined element Jx cannot take part in an identification: its isotopes are not "
                    "known to the full-precision masses the search uses."},
        OptionsCase{"RepeatedElement", [](IdentifyOptionsInput& in) { in.elements[7].symbol = " C"; },
                    "The element C is entered twice."},
        OptionsCase{"MinimumAboveMaximum",
                    [](IdentifyOptionsInput& in) {
                        in.elements[6] = {"Cl", 3, 2};
                    },
                    "The minimum number of Cl atoms is larger than the maximum."},
        OptionsCase{"NoElement",
                    [](IdentifyOptionsInput& in) {
                        for (auto& row : in.elements) row.symbol = " ";
                    },
                    "Enter at least one element of the molecule."},
        OptionsCase{"TypeOfAnotherCharge", [](IdentifyOptionsInput& in) { in.otherTypes = "[M+2Na]2+"; },
                    "[M+2Na]2+ carries the charge +2, but the ion's charge is +1."},
        OptionsCase{"NoTypeLeft",
                    [](IdentifyOptionsInput& in) {
                        for (auto&& box : in.positiveTypes) box = false;
                    },
                    "None of the ion types checked or entered carries the ion's charge +1: check or enter at "
                    "least one that does."}),
    [](const ::testing::TestParamInfo<OptionsCase>& entry) { return std::string(entry.param.name); });

TEST(IdentifyOptions, ANotationThatIsNoneGetsTheParsersSentence) {
    IdentifyOptionsInput input;
    input.otherTypes = "[M+H]";
    EXPECT_EQ(ReadIdentifyOptions(input, 1).problem, core::ParseIonNotation("[M+H]").problem);
    EXPECT_FALSE(ReadIdentifyOptions(input, 1).problem.empty());
}

// A maximum of 0 is as many as fit; Cl with a range is taken as given;
// the strict ratios, filters off and the Orbitrap model reach the query.
TEST(IdentifyOptions, RowsFiltersAndModelReachTheQuery) {
    IdentifyOptionsInput input;
    input.elements[6] = {"Cl", 1, 2};
    input.rdbe = false;
    input.lewisSenior = false;
    input.strictRatios = true;
    input.powerModel = IdentifyOptionsInput::kOrbitrapPower;
    input.referenceMz = 400.0;
    input.resolution = 120000.0;
    input.ppm = 2.5;
    const core::IdentifyQuery query = ReadIdentifyOptions(input, 1).query;
    ASSERT_EQ(query.elements.size(), 7U);
    EXPECT_EQ(query.elements[6].element, Index("Cl"));
    EXPECT_EQ(query.elements[6].minimum, 1);
    EXPECT_EQ(query.elements[6].maximum, 2);
    EXPECT_FALSE(query.rules.ringsPlusDoubleBonds);
    EXPECT_FALSE(query.rules.lewisSenior);
    EXPECT_TRUE(query.rules.elementRatios);
    EXPECT_EQ(query.rules.ratioLevel, core::RatioLevel::KnownCompounds997);
    EXPECT_EQ(query.power.model, core::ResolvingPowerModel::Orbitrap);
    EXPECT_EQ(query.power.referenceMz, 400.0);
    EXPECT_EQ(query.power.resolution, 120000.0);
    EXPECT_EQ(query.ppm, 2.5);
}

// The ranges of the fields come from the engine's and the resolved pattern's
// constants, through the dialogs' shared validator.
TEST(IdentifyOptions, FieldsRefuseEntriesOutOfRange) {
    IdentifyOptionsInput input;
    const auto refusal = [&input](std::string_view key, std::string_view text) {
        return port::AssignFieldText(*port::FindField(input, key), text).value_or("");
    };
    EXPECT_EQ(refusal("ppm", "0"), "Please enter a number between 0.01 and 1000.");
    EXPECT_EQ(refusal("resolution", "50"), "Please enter a number between 100 and 10000000.");
    EXPECT_EQ(refusal("charge", "5"), "Please enter an integer between 0 and 4.");
    EXPECT_EQ(refusal("max1", "-1"), "Please enter an integer between 0 and 1000.");
    EXPECT_EQ(refusal("pos3", "1"), "");
    EXPECT_EQ(refusal("neg8", "0"), "");
    EXPECT_FALSE(input.negativeTypes[7]);
    EXPECT_EQ(refusal("top", "0"), "Please enter an integer between 1 and 1000000.");
    EXPECT_EQ(refusal("top", "1000000"), "");
}

// The desktop's number of candidates to list takes the range of the command
// line's --top, its default the page's usual number.
static_assert(IdentifyOptionsInput::kListed.minimum == 1);
static_assert(IdentifyOptionsInput::kListed.maximum == static_cast<double>(cli::kMaxIdentifyTop));
static_assert(output::kListedCandidates == cli::kDefaultIdentifyTop);

TEST(IdentifyOptions, TheOtherPolaritysBoxesAndTheReferenceAreGreyed) {
    IdentifyOptionsInput input;
    EXPECT_TRUE(input.IsFieldEnabled("pos1"));
    EXPECT_FALSE(input.IsFieldEnabled("neg1"));
    EXPECT_FALSE(input.IsFieldEnabled("at"));
    input.polarity = IdentifyOptionsInput::kNegative;
    input.powerModel = IdentifyOptionsInput::kOrbitrapPower;
    EXPECT_FALSE(input.IsFieldEnabled("pos1"));
    EXPECT_TRUE(input.IsFieldEnabled("neg1"));
    EXPECT_TRUE(input.IsFieldEnabled("at"));
}

class IdentifyCommand : public testing::CommandFixture {};

// A refused grid: Retry shows it again with what was typed; Cancel on the
// second showing ends the command with nothing stored, the entries kept.
TEST_F(IdentifyCommand, RetryShowsTheGridAgainAsTyped) {
    port.ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              grid.mz[0] = "195.0877";
                                              grid.intensity[0] = "0";
                                              return port::DialogAnswer::Ok;
                                          })
        .ExpectMessage("Peak 1: the intensity must be greater than 0.", port::MessageButtons::RetryCancel,
                       port::MessageIcon::Exclamation, port::MessageModality::System,
                       port::MessageAnswer::Retry)
        .ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              EXPECT_EQ(grid.mz[0], "195.0877");
                                              EXPECT_EQ(grid.intensity[0], "0");
                                              return port::DialogAnswer::Cancel;
                                          });
    RunIdentifyIon(context);
    ExpectNothingStored();
    EXPECT_EQ(view.identify.intensity[0], "0");
}

// Peaks whose spacing tells no charge, with the charge left to be read: the
// reason is shown before any search.
TEST_F(IdentifyCommand, AChargeThatCannotBeReadIsRefusedBeforeTheSearch) {
    port.ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              grid.mz[0] = "195.0877";
                                              grid.intensity[0] = "100";
                                              return port::DialogAnswer::Ok;
                                          })
        .ExpectDialogEntries(std::string(IdentifyOptionsInput::kCaption), {{"charge", "0"}})
        .ExpectMessage(core::InferCharge(std::vector<MeasuredPeak>{{195.0877, 100.0}}).problem,
                       port::MessageAnswer::Cancel);
    RunIdentifyIon(context);
    ExpectNothingStored();
}

// A question the engine answers is stored as the data set's results, and
// both dialogs' entries are the next question's presets.
TEST_F(IdentifyCommand, StoresTheQuestionAndKeepsItForTheNextOne) {
    port.ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              FillPeakGrid(grid,
                                                           ReadPeakColumns("195.0877 100\n196.0908 10.4\n"
                                                                           "197.0917 1.2\n")
                                                               .peaks);
                                              return port::DialogAnswer::Ok;
                                          })
        .ExpectDialogEntries(std::string(IdentifyOptionsInput::kCaption),
                             {{"charge", "1"}, {"symbol5", ""}, {"symbol6", ""}, {"ppm", "3"}});
    RunIdentifyIon(context);
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().calcKind, output::CalcKind::IonIdentification);
    const core::IdentifyQuery& query = State().identification.query;
    ASSERT_EQ(query.peaks.size(), 3U);
    EXPECT_DOUBLE_EQ(query.peaks[2].mz, 197.0917);
    EXPECT_EQ(query.charge, 1);
    EXPECT_EQ(query.ppm, 3.0);
    EXPECT_EQ(query.elements.size(), 4U);  // C H N O
    EXPECT_EQ(view.identify.ppm, 3.0);
    EXPECT_EQ(view.identify.mz[1], "196.0908");
    EXPECT_EQ(view.identify.elements[4].symbol, "");
}

// Regression: peaks of no one cluster (0.7 apart fits no charge from 1 to
// 4) with the charge left to be read. Retry brought the options back, which
// cannot mend the peaks, so that only Cancel got out; it brings the peak grid
// back as entered, and the options follow it again.
TEST_F(IdentifyCommand, RetryAfterPeaksOfNoClusterBringsBackThePeakGrid) {
    const std::string refusal =
        core::InferCharge(std::vector<MeasuredPeak>{{500.0, 100.0}, {500.7, 30.0}}).problem;
    ASSERT_TRUE(refusal.starts_with("The peaks are not of one cluster: m/z 500.0000 and 500.7000"));
    port.ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              grid = Grid({{"500.0", "100"}, {"500.7", "30"}});
                                              return port::DialogAnswer::Ok;
                                          })
        .ExpectDialogEntries(std::string(IdentifyOptionsInput::kCaption), {{"charge", "0"}})
        .ExpectMessage(refusal, port::MessageAnswer::Retry)
        .ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              EXPECT_EQ(grid.mz[1], "500.7");
                                              EXPECT_EQ(grid.intensity[1], "30");
                                              grid.mz[1] = "501.0";
                                              return port::DialogAnswer::Ok;
                                          })
        .ExpectDialogCancel(std::string(IdentifyOptionsInput::kCaption));
    RunIdentifyIon(context);
    ExpectNothingStored();
    EXPECT_TRUE(port.Finished());
}

// Regression: the same with a charge given, which the engine refuses (the
// peaks are no cluster of charge 1): that ended the command with OK only;
// now Retry brings the peak grid back too.
TEST_F(IdentifyCommand, PeaksTheEngineRefusesComeBackOnRetry) {
    const std::vector<MeasuredPeak> peaks = {{500.0, 100.0}, {500.7, 30.0}};
    const std::string refusal = core::CheckClusterOfCharge(peaks, 1).problem;
    ASSERT_TRUE(refusal.starts_with("The peaks are not one cluster of charge 1"));
    port.ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              grid = Grid({{"500.0", "100"}, {"500.7", "30"}});
                                              return port::DialogAnswer::Ok;
                                          })
        .ExpectDialogEntries(std::string(IdentifyOptionsInput::kCaption), {{"charge", "1"}})
        .ExpectMessage(refusal, port::MessageButtons::RetryCancel, port::MessageIcon::Exclamation,
                       port::MessageModality::System, port::MessageAnswer::Retry)
        .ExpectDialogCancel(std::string(IdentifyPeaksInput::kCaption));
    RunIdentifyIon(context);
    ExpectNothingStored();
    EXPECT_TRUE(port.Finished());
}

// Regression: the identification ran on the user-interface thread, which a
// wide question froze for seconds. It runs as long work, which the desktop
// puts behind a progress dialog; the user's Cancel there ends the command
// quietly, with nothing stored.
TEST_F(IdentifyCommand, TheIdentificationIsLongWorkThatCanBeCancelled) {
    port.ExpectDialog<IdentifyPeaksInput>(std::string(IdentifyPeaksInput::kCaption),
                                          [](IdentifyPeaksInput& grid) {
                                              grid = Grid({{"195.08765", "100"}, {"196.09101", "10.4"}});
                                              return port::DialogAnswer::Ok;
                                          })
        .ExpectDialogEntries(std::string(IdentifyOptionsInput::kCaption), {{"charge", "1"}})
        .ExpectLongWorkCancelled(std::string(kIdentifyProgress));
    RunIdentifyIon(context);
    ExpectNothingStored();
    EXPECT_TRUE(port.Finished());
    EXPECT_TRUE(port.Shown().empty());
}

// The number of candidates to list reaches the stored results and the next
// question's presets; the page lists that many ranks. Caffeine's [M+H]+ at
// 5 ppm with the defaults has four candidates (the desktop's own walk), so
// 2 cuts the list and the page says how many there are.
TEST_F(IdentifyCommand, ListsTheNumberOfCandidatesAskedFor) {
    port.ExpectDialog<IdentifyPeaksInput>(
            std::string(IdentifyPeaksInput::kCaption),
            [](IdentifyPeaksInput& grid) {
                grid = Grid({{"195.08765", "100"}, {"196.09101", "10.4"}, {"197.09203", "1.2"}});
                return port::DialogAnswer::Ok;
            })
        .ExpectDialogEntries(std::string(IdentifyOptionsInput::kCaption), {{"charge", "1"}, {"top", "2"}});
    RunIdentifyIon(context);
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(view.identify.listed, 2);
    ASSERT_GT(State().identification.result.candidates.size(), 2U);
    const output::IdentificationPage page = output::LayoutIdentificationPage(State());
    EXPECT_EQ(page.candidateLines, 2U);
    EXPECT_TRUE(page.lines[page.firstCandidateLine + 2].starts_with("The best 2 of "));
}

// A table pasted into a cell of the grid (Ctrl+V) spreads from that cell: a
// spreadsheet's tab-separated copy, a text list with commas and blanks, a
// heading skipped, a third column dropped; pasted at an intensity, one
// column of intensities fills only that column.
struct GridPasteCase {
    const char* name;
    GridCell from;
    const char* text;
    std::vector<std::pair<std::string, std::string>> expected;  // rows 1, 2, ... after the paste
};

void PrintTo(const GridPasteCase& pasteCase, std::ostream* out) { *out << pasteCase.name; }

class GridPasteSpreads : public ::testing::TestWithParam<GridPasteCase> {};

TEST_P(GridPasteSpreads, FromTheCellAsASpreadsheetDoes) {
    IdentifyPeaksInput grid = Grid({{"1", "10"}, {"2", "20"}, {"3", "30"}, {"4", "40"}});
    const GridPaste paste = PasteTableIntoGrid(grid, GetParam().from, GetParam().text);
    EXPECT_EQ(paste.outcome, GridPasteOutcome::Pasted);
    const IdentifyPeaksInput expected = Grid(GetParam().expected);
    for (std::size_t row = 0; row < IdentifyPeaksInput::kRows; ++row) {
        EXPECT_EQ(grid.mz[row], expected.mz[row]) << "row " << row + 1;
        EXPECT_EQ(grid.intensity[row], expected.intensity[row]) << "row " << row + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    PeakGrid, GridPasteSpreads,
    ::testing::Values(
        // Both columns from row 2: row 1 kept, the rows after the table emptied.
        GridPasteCase{"SpreadsheetTabs",
                      {1, GridColumn::Mz},
                      "195.0877\t100\r\n196.0908\t10.4\r\n",
                      {{"1", "10"}, {"195.0877", "100"}, {"196.0908", "10.4"}}},
        GridPasteCase{"HeadingAndThirdColumn",
                      {0, GridColumn::Mz},
                      "m/z\tIntensity\tRes\n195.1\t100\t60000\n",
                      {{"195.1", "100"}}},
        GridPasteCase{"CommasAndBlanks",
                      {0, GridColumn::Mz},
                      "195.1, 100\n\n196.1,  10\n",
                      {{"195.1", "100"}, {"196.1", "10"}}},
        // A decimal comma on a line that blanks separate stays in its cell
        // (refused as no number on OK), not m/z 195 with intensity 0877.
        GridPasteCase{"DecimalCommaKept", {0, GridColumn::Mz}, "195,0877 100\n", {{"195,0877", "100"}}},
        GridPasteCase{"SemicolonsKeepCommas",
                      {0, GridColumn::Mz},
                      "195,0877;100\n196,09;10\n",
                      {{"195,0877", "100"}, {"196,09", "10"}}},
        GridPasteCase{"IntensitiesOnly",
                      {1, GridColumn::Intensity},
                      "11\n12\n13\n",
                      {{"1", "10"}, {"2", "11"}, {"3", "12"}, {"4", "13"}}},
        // Two columns pasted at an intensity: the second has no column left.
        GridPasteCase{"TwoColumnsAtAnIntensity",
                      {3, GridColumn::Intensity},
                      "7\t8\n9\t10\n",
                      {{"1", "10"}, {"2", "20"}, {"3", "30"}, {"4", "7"}, {"", "9"}}}),
    [](const ::testing::TestParamInfo<GridPasteCase>& param) { return std::string(param.param.name); });

// One value is no table: the cell takes it as typed. A table longer than the
// rows left below the cell is refused, the grid untouched.
TEST(PeakGrid, OneValueIsNoTableAndATooLongTableIsRefused) {
    IdentifyPeaksInput grid = Grid({{"1", "10"}});
    EXPECT_EQ(PasteTableIntoGrid(grid, {0, GridColumn::Mz}, "195.0877\n").outcome,
              GridPasteOutcome::NotATable);
    std::string rows;
    for (int k = 0; k < 3; ++k) rows += "500\t1\n";
    const GridPaste paste = PasteTableIntoGrid(grid, {28, GridColumn::Mz}, rows);
    EXPECT_EQ(paste.outcome, GridPasteOutcome::TooLong);
    EXPECT_EQ(paste.problem, "The pasted table has 3 rows, but from row 29 the grid has room for 2.");
    EXPECT_EQ(grid.mz[28], "");
    EXPECT_EQ(grid.mz[0], "1");
}

}  // namespace
}  // namespace tarnevo::calc
