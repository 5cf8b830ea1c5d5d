// Pins `--csv` of every subcommand against `--json` of the same run: the CSV
// must carry the same peaks and isotopes with the very same number texts (both
// are the shortest exact form of the stored doubles), so a script may use
// either. Also pins that the two options exclude each other.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "cli/cli.h"

namespace tarnevo::cli {
namespace {

std::string RunCommand(std::vector<std::string> arguments, int expectedStatus = kExitOk) {
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(RunCli(arguments, out, errors), expectedStatus) << errors.str();
    return expectedStatus == kExitOk ? out.str() : errors.str();
}

// The texts of every `"key": number` in a JSON text, in order.
std::vector<std::string> JsonNumbers(const std::string& json, const std::string& key) {
    std::vector<std::string> numbers;
    const std::regex pattern("\"" + key + "\": (-?[0-9][0-9.eE+-]*)");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), pattern); it != std::sregex_iterator();
         ++it)
        numbers.push_back((*it)[1].str());
    return numbers;
}

// Column `column` of every data row (the header is left out). The texts here
// hold no quoted commas.
std::vector<std::string> CsvColumn(const std::string& csv, std::size_t column) {
    std::vector<std::string> cells;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        std::vector<std::string> row;
        std::stringstream cells_of(line);
        std::string cell;
        while (std::getline(cells_of, cell, ',')) row.push_back(cell);
        if (line.back() == ',') row.emplace_back();
        cells.push_back(column < row.size() ? row[column] : "<missing>");
    }
    return cells;
}

std::string Header(const std::string& csv) { return csv.substr(0, csv.find('\n')); }

struct PeakCase {
    std::vector<std::string> arguments;
};

class CsvMatchesJson : public ::testing::TestWithParam<PeakCase> {};

TEST_P(CsvMatchesJson, PeakColumnsAreTheJsonNumbers) {
    std::vector<std::string> json = GetParam().arguments;
    json.push_back("--json");
    std::vector<std::string> csv = GetParam().arguments;
    csv.push_back("--csv");
    const std::string jsonText = RunCommand(json);
    const std::string csvText = RunCommand(csv);
    ASSERT_EQ(Header(csvText), "ion,n,mz,centroidMz,fa,rel");
    EXPECT_EQ(CsvColumn(csvText, 2), JsonNumbers(jsonText, "mz"));
    EXPECT_EQ(CsvColumn(csvText, 3), JsonNumbers(jsonText, "centroidMz"));
    EXPECT_EQ(CsvColumn(csvText, 4), JsonNumbers(jsonText, "fa"));
    EXPECT_EQ(CsvColumn(csvText, 5), JsonNumbers(jsonText, "rel"));
    EXPECT_EQ(CsvColumn(csvText, 1), JsonNumbers(jsonText, "n"));
    EXPECT_GT(CsvColumn(csvText, 0).size(), 2U);
}

INSTANTIATE_TEST_SUITE_P(
    Subcommands, CsvMatchesJson,
    ::testing::Values(PeakCase{{"cluster", "Br2"}}, PeakCase{{"cluster", "C6H5Cl2", "--charge", "-2"}},
                      PeakCase{{"cluster", "JxC", "--define", "Jx=10.0129:1=0.8"}},
                      PeakCase{{"polymer", "--ru", "C2H4O", "--ci", "Na", "--ru-range", "3-5"}},
                      PeakCase{{"polymer", "--ru", "C2H4O", "--cap", "CH3OH", "--ci", "Na", "--ci-count", "2",
                                "--charge", "2", "--ru-range", "4-6"}}));

TEST(CliCsv, PolymerRowsNameTheirIon) {
    const std::string csv =
        RunCommand({"polymer", "--ru", "C2H4O", "--ci", "Na", "--ru-range", "3-5", "--csv"});
    EXPECT_NE(csv.find("\n(C2H4O)3Na,0,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n(C2H4O)5Na,0,"), std::string::npos) << csv;
}

TEST(CliCsv, IsotopesMatchTheJson) {
    const std::string json = RunCommand({"isotopes", "Sn", "--json"});
    const std::string csv = RunCommand({"isotopes", "Sn", "--csv"});
    ASSERT_EQ(Header(csv), "massNumber,mass,fa");
    EXPECT_EQ(CsvColumn(csv, 0), JsonNumbers(json, "massNumber"));
    EXPECT_EQ(CsvColumn(csv, 1), JsonNumbers(json, "mass"));
    EXPECT_EQ(CsvColumn(csv, 2), JsonNumbers(json, "fa"));
    EXPECT_EQ(CsvColumn(csv, 0).size(), 10U);  // tin has ten stable isotopes
}

TEST(CliCsv, JsonAndCsvExcludeEachOther) {
    const std::string errors = RunCommand({"cluster", "Br2", "--json", "--csv"}, kExitUsage);
    EXPECT_NE(errors.find("tarnevo-cli cluster: give at most one of --json and --csv"), std::string::npos)
        << errors;
}

// The part of a JSON text from `"key": [` to the first ']' after it.
std::string JsonList(const std::string& json, const std::string& key) {
    const std::size_t start = json.find("\"" + key + "\": [");
    EXPECT_NE(start, std::string::npos) << key;
    return json.substr(start, json.find(']', start) - start);
}

// A table whose columns repeat the numbers of one JSON list of the same run.
struct TableCase {
    std::string name;
    std::vector<std::string> arguments;
    std::string header;
    std::string jsonList;
    std::vector<std::pair<std::size_t, std::string>> columns;  // CSV column, JSON key
    std::size_t rows;
};

void PrintTo(const TableCase& table, std::ostream* out) { *out << table.name; }

class TableMatchesJson : public ::testing::TestWithParam<TableCase> {};

TEST_P(TableMatchesJson, ColumnsAreTheJsonNumbers) {
    const TableCase& table = GetParam();
    std::vector<std::string> json = table.arguments;
    json.push_back("--json");
    std::vector<std::string> csv = table.arguments;
    csv.push_back("--csv");
    const std::string list = JsonList(RunCommand(json), table.jsonList);
    const std::string csvText = RunCommand(csv);
    ASSERT_EQ(Header(csvText), table.header);
    for (const auto& [column, key] : table.columns)
        EXPECT_EQ(CsvColumn(csvText, column), JsonNumbers(list, key)) << key;
    EXPECT_EQ(CsvColumn(csvText, 0).size(), table.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Calculations, TableMatchesJson,
    ::testing::Values(TableCase{"LabelledPattern",
                                {"label", "C6H6", "--enrich", "C:2:0.99"},
                                "ion,n,mz,centroidMz,fa,rel",
                                "peaks",
                                {{2, "mz"}, {4, "fa"}, {5, "rel"}},
                                5},
                      // The first measured peak is [A+0]: the table and the JSON list the same peaks.
                      TableCase{"EnrichmentFit",
                                {"enrich", "C6H6", "--element", "C", "--atoms", "2", "--first-mz", "78.0464",
                                 "--intensities", "1.2,22,100,4.4"},
                                "n,mz,experimental,calculated",
                                "peaks",
                                {{1, "mz"}, {2, "experimental"}, {3, "calculated"}},
                                4}),
    [](const ::testing::TestParamInfo<TableCase>& entry) { return entry.param.name; });

TEST(CliCsv, BatchTakesNoCsv) {
    const std::string errors = RunCommand({"cluster", "--batch", "-", "--csv"}, kExitUsage);
    EXPECT_NE(errors.find("--csv is not taken with it"), std::string::npos) << errors;
}

TEST(CliCsv, RefusedCalculationPrintsNoTable) {
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(RunCli({"cluster", "Xx2", "--csv"}, out, errors), kExitRefused);
    EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace tarnevo::cli
