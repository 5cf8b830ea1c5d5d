// Pins tarnevo-cli formulas --all: every formula in the m/z range, sorted by
// m/z, as CSV rows, JSON and page lines, and a refusal with exit status 2
// beyond the ceiling on what it lists. The three formulae at m/z 28 are worked
// by hand below from the masses of the element table; the longer listings are
// checked against the stored table (the first 200, which the desktop path
// composes) and against the properties a sorted listing must have.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "calc/calculation_catalog.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/formulas_cli.h"
#include "tests/support/cli_run.h"

namespace tarnevo::testing {
namespace {

using Row = std::vector<std::string>;

std::vector<Row> CsvRows(const std::string& csv) {
    std::vector<Row> rows;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        Row row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) row.push_back(cell);
        if (!line.empty() && line.back() == ',') row.emplace_back();
        rows.push_back(row);
    }
    return rows;
}

// At m/z 28 +- 0.02 (charge 1, one electron 0.000548579909 off each mass) with
// C 0-2, H 0-4, N 0-2 and O 0-1 the walk records, in this order:
//   N2   2 x 14.00307           - me = 28.00559142
//   CO   12 + 15.99491          - me = 27.99436142
//   CH2N 12 + 2 x 1.007825 + 14.00307 - me = 28.01817142
// C2H4 (28.03075) lies above 28.02; every other partial formula passes from
// below 27.98 to above 28.02 in one step.
const std::vector<std::string> kMz28 = {"formulas",  "28",    "--tol",     "0.02",  "--element", "C:0:2",
                                        "--element", "H:0:4", "--element", "N:0:2", "--element", "O:0:1"};

std::vector<std::string> With(std::vector<std::string> words, const std::vector<std::string>& more) {
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

TEST(FormulasAll, CsvListsEveryFormulaByMzWithTheStoredTablesColumns) {
    const CliRun run = RunTool(With(kMz28, {"--all", "--csv"}));
    ASSERT_EQ(run.status, cli::kExitOk) << run.errors;
    const std::vector<Row> rows = CsvRows(run.out);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (Row{"formula", "mz", "errorPpm", "electronClass", "dbe"}));
    // Sorted by m/z: CO, N2, CH2N. Electron classes from S - z with C 4, H 1,
    // N 5, O 6 valence electrons: CO 10 - 1 odd, N2 10 - 1 odd, CH2N 11 - 1
    // even. Rings plus double bonds 1 + sum n (v - 2) / 2 with the usual
    // valences C 4, H 1, N 3, O 2: CO 2, N2 2, CH2N 1 + 1 - 1 + 0.5 = 1.5.
    const struct {
        const char* formula;
        double mz;
        const char* electronClass;
        const char* dbe;
    } expected[] = {
        {"CO", 27.99436142, "OE", "2"}, {"N2", 28.00559142, "OE", "2"}, {"CH2N", 28.01817142, "EE", "1.5"}};
    for (std::size_t i = 0; i < 3; ++i) {
        const Row& row = rows[i + 1];
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(row[0], expected[i].formula);
        EXPECT_NEAR(std::stod(row[1]), expected[i].mz, 1e-8);
        EXPECT_NEAR(std::stod(row[2]), (expected[i].mz - 28.0) / 28.0 * 1e6, 1e-3);
        EXPECT_EQ(row[3], expected[i].electronClass);
        EXPECT_EQ(row[4], expected[i].dbe);
    }
}

TEST(FormulasAll, CsvOfAFewFormulaeIsTheStoredTable) {
    // Below 200 formulae --all finds what the desktop stores; its table must
    // come out byte for byte, though built from the listing, not the state.
    for (const auto& query :
         {kMz28, std::vector<std::string>{"formulas", "200", "--element", "C", "--element", "H"},
          std::vector<std::string>{"formulas", "2.5", "--tol", "0.001", "--element", "C"}}) {
        const CliRun stored = RunTool(With(query, {"--csv"}));
        const CliRun all = RunTool(With(query, {"--all", "--csv"}));
        ASSERT_EQ(stored.status, cli::kExitOk) << stored.errors;
        ASSERT_EQ(all.status, cli::kExitOk) << all.errors;
        EXPECT_EQ(all.out, stored.out) << query[1];
    }
}

TEST(FormulasAll, LongListingsAreSortedAndAgreeAcrossCsvJsonAndPage) {
    const std::vector<std::string> query = {"formulas",  "500", "--tol",     "0.5", "--element", "C",
                                            "--element", "H",   "--element", "N",   "--element", "O"};
    const CliRun csv = RunTool(With(query, {"--all", "--csv"}));
    const CliRun json = RunTool(With(query, {"--all", "--json"}));
    const CliRun page = RunTool(With(query, {"--all"}));
    ASSERT_EQ(csv.status, cli::kExitOk);
    ASSERT_EQ(json.status, cli::kExitOk);
    ASSERT_EQ(page.status, cli::kExitOk);
    const std::vector<Row> rows = CsvRows(csv.out);
    const auto count = static_cast<std::size_t>(JsonValue(json.out, "formulaCount"));
    ASSERT_GT(count, 200u);
    EXPECT_EQ(rows.size(), count + 1);
    // The page: title, target, range, charge, a blank line and the heading, then a line a formula.
    EXPECT_EQ(static_cast<std::size_t>(std::count(page.out.begin(), page.out.end(), '\n')), count + 6);
    EXPECT_EQ(page.out.find("storage capacity"), std::string::npos);
    double previous = 0.0;
    std::size_t at = json.out.find("\"formulae\": [");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double mz = std::stod(rows[i][1]);
        EXPECT_LE(previous, mz) << "row " << i;
        EXPECT_GE(mz, 499.5);
        EXPECT_LE(mz, 500.5);
        previous = mz;
        // The same formula in the same place of the JSON list.
        at = json.out.find("{\"formula\": \"" + rows[i][0] + "\"", at);
        ASSERT_NE(at, std::string::npos) << rows[i][0];
        EXPECT_EQ(JsonValue(json.out, "mz", at), mz);
    }
}

// Runs formulas with a lowered ceiling on what --all lists.
CliRun RunListingAtMost(std::size_t maxListed, const std::vector<std::string>& words) {
    cli::OptionRules rules = calc::FindCommandLineCommand("formulas")->command->options;
    rules.flags.insert("csv");
    const cli::ArgumentParse parse = cli::ParseArguments(words, rules);
    EXPECT_TRUE(parse.error.empty()) << parse.error;
    std::ostringstream out;
    std::ostringstream errors;
    const int status = cli::RunFormulasCommandListingAtMost(maxListed, parse.arguments, out, errors);
    return {status, out.str(), errors.str()};
}

TEST(FormulasAll, RefusesMoreFormulaeThanItListsAndSaysHowToNarrowTheRange) {
    const std::vector<std::string> words(kMz28.begin() + 1, kMz28.end());
    for (const char* format : {"--json", "--csv", "--all"}) {
        const CliRun refused = RunListingAtMost(2, With(words, {"--all", format}));
        EXPECT_EQ(refused.status, cli::kExitRefused) << format;
        EXPECT_EQ(
            refused.errors,
            "tarnevo-cli formulas: more than 2 formulae lie in the m/z range, more than --all lists (it "
            "holds them all to sort them by m/z); narrow the range with --tol or bound the atom counts "
            "with --element SYM:MIN:MAX\n");
        EXPECT_TRUE(refused.out.empty()) << format;
    }
    // Exactly at the ceiling the listing is complete.
    const CliRun listed = RunListingAtMost(3, With(words, {"--all", "--csv"}));
    EXPECT_EQ(listed.status, cli::kExitOk);
    EXPECT_EQ(CsvRows(listed.out).size(), 4u);
    // Without --all the ceiling does not apply: the desktop keeps the first 200.
    EXPECT_EQ(RunListingAtMost(2, With(words, {"--csv"})).status, cli::kExitOk);
}

TEST(FormulasAll, TheRefusalWritesTheCeilingWithThousandsSeparators) {
    // 500 +- 0.5 with C, H, N and O holds several thousand formulae.
    const CliRun refused = RunListingAtMost(1234, {"500", "--tol", "0.5", "--element", "C", "--element", "H",
                                                   "--element", "N", "--element", "O", "--all"});
    EXPECT_EQ(refused.status, cli::kExitRefused);
    EXPECT_EQ(refused.errors.rfind("tarnevo-cli formulas: more than 1,234 formulae lie in the m/z range", 0),
              0u)
        << refused.errors;
}

TEST(FormulasCsv, RingsPlusDoubleBondsFollowTheUsualValencesLikeJson) {
    // FeCO at 53.93961 + 12 + 15.99491 - me = 81.93397142. Fe has no usual
    // valence (it forms two or three bonds), so the JSON gives dbe null; the
    // table gave 1 + (0 - 2) / 2 + (4 - 2) / 2 = 1 from Fe's zero valence
    // electrons, a second rule for the same column. Both now leave it empty.
    const std::vector<std::string> query = {"formulas", "81.934",    "--tol", "0.001",     "--element",
                                            "Fe:0:1",   "--element", "C:0:1", "--element", "O:0:1"};
    const CliRun csv = RunTool(With(query, {"--csv"}));
    const CliRun json = RunTool(With(query, {"--json"}));
    ASSERT_EQ(csv.status, cli::kExitOk) << csv.errors;
    const std::vector<Row> rows = CsvRows(csv.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], "FeCO");
    EXPECT_EQ(rows[1][4], "");
    EXPECT_NE(json.out.find("\"dbe\": null}"), std::string::npos);
}

TEST(FormulasHelp, NamesEveryOutputOption) {
    const CliRun help = RunTool({"formulas", "--help"});
    EXPECT_EQ(help.status, cli::kExitOk);
    EXPECT_NE(help.out.find("[--all] [--json | --csv] [--report FILE]"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace tarnevo::testing
