// Pins the CSV export of every calculation kind: its columns, one row per
// peak, formula or isotope, numbers that read back as the very doubles stored
// (so no digit is lost), a '.' decimal point under a comma-decimal locale,
// quoting of texts, and the file written by Export Table (or, on failure, the
// message shown and nothing left behind). Expected values are the sample
// states' stored numbers; derived ones (ppm, rings plus double bonds) are
// worked by hand in the comments.
#include "output/csv_table.h"
#include "document/table_export.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>

#include "document/document.h"
#include "tests/output/sample_states.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::testing {
namespace {

namespace fs = std::filesystem;
using output::ComposeCsv;
using Row = std::vector<std::string>;

// A small reader of what the writer promises: commas between cells, quoted
// cells with doubled quotes, '\n' after each row.
std::vector<Row> ParseCsv(const std::string& text) {
    std::vector<Row> rows;
    Row row;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(cell);
            cell.clear();
        } else if (c == '\n') {
            row.push_back(cell);
            rows.push_back(row);
            row.clear();
            cell.clear();
        } else {
            cell += c;
        }
    }
    EXPECT_TRUE(row.empty() && cell.empty()) << "the last row ends with a line break";
    return rows;
}

double Number(const std::string& cell) {
    std::istringstream in(cell);
    in.imbue(std::locale::classic());
    double value = 0.0;
    in >> value;
    EXPECT_TRUE(in && in.eof()) << "not a number: " << cell;
    return value;
}

TEST(CsvTable, ClusterRowsCarryTheStoredDoublesExactly) {
    output::CalculationState state = ClusterState();
    state.cluster.peakCentroidMz[0] = 112.00810000000001;  // a value that needs all 17 digits
    const auto rows = ParseCsv(ComposeCsv(state));
    ASSERT_EQ(rows.size(), 5U);
    EXPECT_EQ(rows[0], (Row{"ion", "n", "mz", "centroidMz", "fa", "rel"}));
    for (int n = 0; n < 4; ++n) {
        const Row& row = rows[static_cast<std::size_t>(n) + 1];
        ASSERT_EQ(row.size(), 6U);
        EXPECT_EQ(row[0], "C6H5Cl");
        EXPECT_EQ(row[1], std::to_string(n));
        EXPECT_EQ(Number(row[2]), 112.0081 + n);
        EXPECT_EQ(Number(row[4]), state.cluster.peakFA[static_cast<std::size_t>(n)]);
        EXPECT_EQ(Number(row[5]), state.cluster.peakFA[static_cast<std::size_t>(n)] * 100.0 / 0.75);
    }
    EXPECT_EQ(Number(rows[1][3]), 112.00810000000001);
    EXPECT_EQ(rows[2][3], "") << "a centroid that was not computed is left empty, not 0";
    EXPECT_EQ(rows[4][4], "1.2e-05");
}

TEST(CsvTable, RepeatingUnitsListEveryIonsPeaksUnderItsFormula) {
    const auto rows = ParseCsv(ComposeCsv(RepeatingUnitState()));
    ASSERT_EQ(rows.size(), 6U);  // header, 2 + 3 peaks
    EXPECT_EQ(rows[1][0], "CH3OH(C2H4O)3(Na)2");
    EXPECT_EQ(rows[3][0], "CH3OH(C2H4O)4(Na)2");
    EXPECT_EQ(rows[3][1], "0");
    // (244.5 + 2) / 2 = 123.25; 0.1 of the ion's largest 0.6.
    EXPECT_EQ(Number(rows[5][2]), 123.25);
    EXPECT_EQ(Number(rows[5][5]), 0.1 * 100.0 / 0.6);
}

TEST(CsvTable, EnrichmentComparesExperimentWithFit) {
    const auto rows = ParseCsv(ComposeCsv(EnrichmentState(2)));
    ASSERT_EQ(rows.size(), 5U);
    EXPECT_EQ(rows[0], (Row{"n", "mz", "experimental", "calculated"}));
    EXPECT_EQ(rows[1], (Row{"0", "78.0464", "0", "2"}));  // 0.01 of 0.5
    EXPECT_EQ(rows[3], (Row{"2", "80.0464", "100", "100"}));
    EXPECT_EQ(rows[4], (Row{"3", "81.0464", "40", "40"}));
}

TEST(CsvTable, LossOfHRowsSpanBothSpectra) {
    const auto rows = ParseCsv(ComposeCsv(LossOfHFromAMinusOneState()));
    // Measured ..[A+3], corrected [A+0]..[A+3]: five rows.
    ASSERT_EQ(rows.size(), 6U);
    EXPECT_EQ(rows[0], (Row{"n", "mz", "experimental", "corrected"}));
    EXPECT_EQ(rows[1], (Row{"-1", "127.05", "20", ""}));
    EXPECT_EQ(rows[2], (Row{"0", "128.05", "100", "100"}));
    EXPECT_EQ(rows[5], (Row{"3", "131.05", "0.25", "0.125"}));
}

TEST(CsvTable, LossOfHWithMoreCorrectedThanMeasuredPeaks) {
    output::CalculationState state = LossOfHState();
    state.spectrum.expPeakCount = 1;  // only measured; corrected [A+0]..[A+2]
    const auto rows = ParseCsv(ComposeCsv(state));
    ASSERT_EQ(rows.size(), 6U);  // .. [A+2]
    EXPECT_EQ(rows[1], (Row{"-2", "126.05", "5", ""}));
    EXPECT_EQ(rows[2], (Row{"-1", "127.05", "", ""}));
    EXPECT_EQ(rows[5], (Row{"2", "130.05", "", "0.6"}));
}

TEST(CsvTable, FormulaeWithErrorElectronClassAndRingsPlusDoubleBonds) {
    const auto rows = ParseCsv(ComposeCsv(output::CalculationState(FormulaState())));
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[0], (Row{"formula", "mz", "errorPpm", "electronClass", "dbe"}));
    EXPECT_EQ(rows[1][0], "C7H7O");
    EXPECT_EQ(Number(rows[1][1]), 107.0491);
    EXPECT_NEAR(Number(rows[1][2]), -0.0009 / 107.05 * 1e6, 1e-9);
    EXPECT_EQ(rows[1][3], "EE");
    // C7H7O: 1 + 7 (4 - 2) / 2 + 7 (1 - 2) / 2 + 1 (2 - 2) / 2 = 4.5.
    EXPECT_EQ(rows[1][4], "4.5");
    // CHNO: 1 + 1 - 0.5 + 0.5 + 0 = 2; C6H5N: 1 + 6 - 2.5 + 0.5 = 5.
    EXPECT_EQ(rows[2], (Row{"CHNO", "107.05", "0", "indeterminate", "2"}));
    EXPECT_EQ(rows[3][3], "OE");
    EXPECT_EQ(rows[3][4], "5");
}

TEST(CsvTable, RingsPlusDoubleBondsUnknownForTheUserElement) {
    output::CalculationState state = NoFormulaState();  // elements C, H, Jx
    state.formulae.formulaCount = 2;
    state.formulae.formulaAtoms[0] = {2, 6, 0};  // C2H6: 1 + 2 - 3 = 0
    state.formulae.formulaAtoms[1] = {1, 2, 1};
    state.formulae.formulaMz = {30.04695, 149.9};
    const auto rows = ParseCsv(ComposeCsv(state));
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[1][4], "0");
    EXPECT_EQ(rows[2][0], "CH2Jx");
    EXPECT_EQ(rows[2][4], "");
}

TEST(CsvTable, NoFormulaGivesTheHeaderOnly) {
    EXPECT_EQ(ComposeCsv(NoFormulaState()), "formula,mz,errorPpm,electronClass,dbe\n");
}

TEST(CsvTable, IsotopicData) {
    EXPECT_EQ(ComposeCsv(IsotopicDataState()),
              "massNumber,mass,fa\n35,34.96885268,0.7576\n37,36.96590259,0.2424\n");
}

TEST(CsvTable, TextsWithCommasOrQuotesAreQuoted) {
    output::CalculationState state = SinglePeakClusterState();
    state.formulaText = "C\"6\",H";
    const std::string csv = ComposeCsv(state);
    EXPECT_NE(csv.find("\n\"C\"\"6\"\",H\",0,"), std::string::npos) << csv;
    EXPECT_EQ(ParseCsv(csv)[1][0], "C\"6\",H");
}

TEST(CsvTable, NonFiniteNumbersLeaveTheCellEmpty) {
    output::CalculationState state = IsotopicDataState();
    state.isotopes.isotopeFAList[0] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ParseCsv(ComposeCsv(state))[1], (Row{"35", "34.96885268", ""}));
}

// A comma as decimal point in both the C and the C++ locale, as a German
// desktop has it, changes nothing in the file.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(CsvTable, DecimalPointIsAPeriodUnderACommaDecimalLocale) {
    const std::string expected = ComposeCsv(ClusterState()) + ComposeCsv(FormulaState());
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    const bool german =
        std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr || std::setlocale(LC_ALL, "de_DE.utf8") != nullptr;
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string underComma = ComposeCsv(ClusterState()) + ComposeCsv(FormulaState());
    std::locale::global(previous);
    std::setlocale(LC_ALL, previousC.c_str());
    EXPECT_EQ(underComma, expected);
    EXPECT_NE(expected.find("112.0081"), std::string::npos);
    if (!german) std::cout << "de_DE locale not installed: only the C++ locale used a comma\n";
}

class ExportTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() /
                     ("tarnevo-csv-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                      "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        document_.state = RepeatingUnitState();
        document_.readyForCalculation = false;
    }
    void TearDown() override { fs::remove_all(directory_); }

    static std::string Read(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    fs::path directory_;
    doc::Document document_;
};

TEST_F(ExportTableTest, WritesTheTableWhereTheUserChose) {
    const fs::path path = directory_ / "polymer.csv";
    ScriptedPort ui;
    ui.ExpectSaveFile(path.string(), "Results.csv");
    EXPECT_TRUE(doc::ExportTable(document_, ui));
    EXPECT_EQ(Read(path), ComposeCsv(document_.state));
    EXPECT_EQ(ui.LastSaveRequest().defaultExtension, "csv");
    // Exporting is not saving: the report bookkeeping does not move.
    EXPECT_EQ(document_.saveCount, 0);
    EXPECT_FALSE(document_.savedFlag);
}

TEST_F(ExportTableTest, FailureIsShownAndLeavesNoFile) {
    const fs::path path = directory_ / "missing" / "polymer.csv";
    ScriptedPort ui;
    ui.ExpectSaveFile(path.string())
        .ExpectMessageContaining("The table could not be exported to \"" + path.string() + "\": ");
    EXPECT_FALSE(doc::ExportTable(document_, ui));
    EXPECT_TRUE(fs::is_empty(directory_));
}

TEST_F(ExportTableTest, CancelWritesNothingAndAFreshDataSetAsksNothing) {
    ScriptedPort ui;
    ui.ExpectSaveFile(std::nullopt);
    EXPECT_FALSE(doc::ExportTable(document_, ui));
    document_.readyForCalculation = true;
    EXPECT_FALSE(doc::ExportTable(document_, ui));  // the script expects no second dialog
    EXPECT_TRUE(fs::is_empty(directory_));
}

}  // namespace
}  // namespace tarnevo::testing
