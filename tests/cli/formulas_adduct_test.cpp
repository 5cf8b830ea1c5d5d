// Pins `formulas MZ --adduct ION`: the neutral molecules M, bounded by the
// element rows, whose ion of each type lies in the window. The evidence is a
// brute-force walk written here: every M of small element ranges, its ion
// built by hand from the type's multiplier, added and lost atoms (no ion
// notation parser, no formula search), its m/z computed as (mass - z x
// electronMass) / |z| from the element table's lightest masses, kept when it
// lies in the window. The command must list exactly those molecules with
// exactly those ion formulae. Hand-worked cases beside it: glucose as [M+Na]+
// (72 + 12 x 1.007825 + 6 x 15.99491 + 22.98977 - 0.000549 = 203.05258), the
// water loss that a molecule without O cannot give, two ion types in one run,
// the 200 of an ion type and the usage errors, with nothing on standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/formulas_cli.h"
#include "core/cluster_engine.h"
#include "core/element_table.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::ExpectRefusal;
using tarnevo::testing::JsonValue;
using tarnevo::testing::RefusalCase;
using tarnevo::testing::RunTool;

// Elements in Hill order after C and H, as the formulae are written.
const std::vector<std::string> kSymbols = {"C", "H", "Cl", "K", "N", "Na", "O"};

double LightMass(const std::string& symbol) {
    static const core::ElementTable table;
    for (int index = 0; index < core::kElementCount; ++index) {
        if (core::SymbolOf(index) == symbol) return table[index].lightMass;
    }
    ADD_FAILURE() << symbol;
    return NAN;
}

using Atoms = std::map<std::string, int>;

std::string HillText(const Atoms& atoms) {
    std::string text;
    for (const std::string& symbol : kSymbols) {
        const auto at = atoms.find(symbol);
        if (at == atoms.end() || at->second == 0) continue;
        text += symbol + (at->second == 1 ? std::string() : std::to_string(at->second));
    }
    return text;
}

// An ion type spelled out by hand: k x M plus the net atoms of the bracket.
struct HandIonType {
    std::string notation;
    int moleculeCount;
    Atoms added;  // net of additions
    Atoms lost;   // net of losses
    int charge;
};

// (adduct, neutral formula, ion formula)
using Match = std::tuple<std::string, std::string, std::string>;

// Every M with C cMin-cMax, H 0-hMax, N nMin-nMax, O 0-oMax (at least one
// atom) whose ion of the type lies in [target - tolerance, target + tolerance].
std::set<Match> BruteForce(const HandIonType& type, double target, double tolerance, int cMax, int hMax,
                           int nMax, int oMax, int cMin = 0, int nMin = 0) {
    std::set<Match> matches;
    const long double low = static_cast<long double>(target) - tolerance;
    const long double high = static_cast<long double>(target) + tolerance;
    for (int c = cMin; c <= cMax; ++c) {
        for (int h = 0; h <= hMax; ++h) {
            for (int n = nMin; n <= nMax; ++n) {
                for (int o = 0; o <= oMax; ++o) {
                    if (c + h + n + o == 0) continue;
                    const Atoms molecule = {{"C", c}, {"H", h}, {"N", n}, {"O", o}};
                    Atoms ion;
                    for (const auto& [symbol, count] : molecule) ion[symbol] += type.moleculeCount * count;
                    for (const auto& [symbol, count] : type.added) ion[symbol] += count;
                    bool possible = true;
                    for (const auto& [symbol, count] : type.lost) {
                        ion[symbol] -= count;
                        possible = possible && ion[symbol] >= 0;
                    }
                    if (!possible) continue;
                    long double mass = 0.0L;
                    for (const auto& [symbol, count] : ion)
                        mass += count * static_cast<long double>(LightMass(symbol));
                    const long double mz =
                        (mass - type.charge * static_cast<long double>(core::electronMass)) /
                        std::abs(type.charge);
                    if (mz >= low && mz <= high)
                        matches.emplace(type.notation, HillText(molecule), HillText(ion));
                }
            }
        }
    }
    return matches;
}

// The text of every "key": "..." in a JSON text, in order.
std::vector<std::string> JsonStrings(const std::string& json, const std::string& key) {
    std::vector<std::string> values;
    const std::string opening = "\"" + key + "\": \"";
    for (std::size_t at = json.find(opening); at != std::string::npos; at = json.find(opening, at + 1)) {
        const std::size_t start = at + opening.size();
        values.push_back(json.substr(start, json.find('"', start) - start));
    }
    return values;
}

// The listed formulae (after the "formulae" key) as matches.
std::vector<Match> ListedMatches(const std::string& json) {
    const std::string listed = json.substr(json.find("\"formulae\""));
    const std::vector<std::string> adducts = JsonStrings(listed, "adduct");
    const std::vector<std::string> formulae = JsonStrings(listed, "formula");
    const std::vector<std::string> ions = JsonStrings(listed, "ionFormula");
    EXPECT_EQ(adducts.size(), formulae.size());
    EXPECT_EQ(adducts.size(), ions.size());
    std::vector<Match> matches;
    for (std::size_t i = 0; i < adducts.size() && i < formulae.size() && i < ions.size(); ++i)
        matches.emplace_back(adducts[i], formulae[i], ions[i]);
    return matches;
}

std::string Row(const std::string& symbol, int maximum) { return symbol + ":0:" + std::to_string(maximum); }

struct BruteForceCase {
    HandIonType type;
    double target;
    double tolerance;
    int cMin = 0;  // minima of the C and N rows
    int nMin = 0;
    // Rows C, N, O, H: the walk's last row is lighter than a window on M
    // wider than 1 u, so one walk would record C5N3O4H14 and leave its loop
    // before C5N3O4H15, also in the window.
    bool hydrogenLast = false;
};

void PrintTo(const BruteForceCase& check, std::ostream* out) {
    *out << check.type.notation << " at " << check.target;
}

class FormulasAdductBruteForce : public ::testing::TestWithParam<BruteForceCase> {};

TEST_P(FormulasAdductBruteForce, ListsExactlyTheMoleculesWhoseIonLiesInTheWindow) {
    const BruteForceCase& check = GetParam();
    constexpr int kC = 10, kH = 24, kN = 3, kO = 8;
    std::ostringstream tolerance;
    tolerance << check.tolerance;
    std::ostringstream target;
    target.precision(17);
    target << check.target;
    const auto row = [](const std::string& symbol, int minimum, int maximum) {
        return symbol + ":" + std::to_string(minimum) + ":" + std::to_string(maximum);
    };
    std::vector<std::string> arguments = {"formulas", target.str(),        "--tol", tolerance.str(),
                                          "--adduct", check.type.notation, "--all", "--json"};
    std::vector<std::string> rows = {row("C", check.cMin, kC), Row("H", kH), row("N", check.nMin, kN),
                                     Row("O", kO)};
    if (check.hydrogenLast) std::rotate(rows.begin() + 1, rows.begin() + 2, rows.end());
    for (const std::string& element : rows) arguments.insert(arguments.end(), {"--element", element});
    const CliRun run = RunTool(arguments);
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::vector<Match> listed = ListedMatches(run.out);
    const std::set<Match> expected =
        BruteForce(check.type, check.target, check.tolerance, kC, kH, kN, kO, check.cMin, check.nMin);
    EXPECT_EQ(std::set<Match>(listed.begin(), listed.end()), expected);
    EXPECT_EQ(listed.size(), expected.size());  // each once
    EXPECT_FALSE(expected.empty());             // a window that holds something
}

const HandIonType kProtonated{"[M+H]+", 1, {{"H", 1}}, {}, 1};
const HandIonType kSodiated{"[M+Na]+", 1, {{"Na", 1}}, {}, 1};
const HandIonType kWaterLoss{"[M-H2O+H]+", 1, {{"H", 1}}, {{"H", 2}, {"O", 1}}, 1};
const HandIonType kDeprotonated{"[M-H]-", 1, {}, {{"H", 1}}, -1};
const HandIonType kDoublyProtonated{"[M+2H]2+", 1, {{"H", 2}}, {}, 2};
const HandIonType kDimerSodiated{"[2M+Na]+", 2, {{"Na", 1}}, {}, 1};
const HandIonType kChloride{"[M+Cl]-", 1, {{"Cl", 1}}, {}, -1};
const HandIonType kRadical{"[M]+", 1, {}, {}, 1};

INSTANTIATE_TEST_SUITE_P(
    IonTypes, FormulasAdductBruteForce,
    ::testing::Values(
        BruteForceCase{kProtonated, 181.0707, 0.01}, BruteForceCase{kSodiated, 203.0526, 0.02},
        BruteForceCase{kWaterLoss, 163.0601, 0.01}, BruteForceCase{kDeprotonated, 179.0561, 0.01},
        BruteForceCase{kDoublyProtonated, 91.0390, 0.005}, BruteForceCase{kDimerSodiated, 383.1160, 0.02},
        BruteForceCase{kChloride, 215.0328, 0.01}, BruteForceCase{kRadical, 180.0628, 0.01},
        // Windows on M wider than an H atom: 3 x 2 x 0.5 = 3 u, 2 x 2 x 0.4 = 1.6 u.
        BruteForceCase{HandIonType{"[M+3H]3+", 1, {{"H", 3}}, {}, 3}, 61.0, 0.5, 0, 0, true},
        BruteForceCase{HandIonType{"[M-2H]2-", 1, {}, {{"H", 2}}, -2}, 89.0, 0.4, 0, 0, true},
        // Rows with minima: every M holds at least 2 C and 1 N.
        BruteForceCase{kProtonated, 150.0, 0.3, 2, 1}, BruteForceCase{kSodiated, 140.0, 0.5, 3, 1}));

TEST(FormulasAdduct, FindsGlucoseAsItsSodiumAdduct) {
    const CliRun run = RunTool({"formulas", "203.0526", "--tol", "0.001", "--adduct", "[M+Na]+", "--element",
                                "C:0:12", "--element", "H:0:24", "--element", "O:0:12", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ListedMatches(run.out), (std::vector<Match>{{"[M+Na]+", "C6H12O6", "C6H12NaO6"}}));
    // 72 + 12 x 1.007825 + 6 x 15.99491 + 22.98977 - 0.000548580 = 203.052581
    EXPECT_NEAR(JsonValue(run.out, "mz", run.out.find("\"formulae\"")), 203.052581, 1e-6);
    EXPECT_NEAR(JsonValue(run.out, "dbe"), 1.0, 0.0);  // of glucose, not of the ion

    const CliRun csv = RunTool({"formulas", "203.0526", "--tol", "0.001", "--adduct", "[M+Na]+", "--element",
                                "C:0:12", "--element", "H:0:24", "--element", "O:0:12", "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.errors;
    EXPECT_EQ(csv.out.rfind("adduct,formula,ionFormula,mz,errorPpm,electronClass,dbe\n"
                            "[M+Na]+,C6H12O6,C6H12NaO6,203.05258",
                            0),
              0U)
        << csv.out;
    EXPECT_NE(csv.out.find(",EE,1\n"), std::string::npos) << csv.out;
}

// C7H16 would give [M-H2O+H]+ at 100.12520 - 18.01056 + 1.00783 - 0.00055 =
// 83.12191, but holds no O to lose.
TEST(FormulasAdduct, AWaterLossSkipsMoleculesWithoutOxygen) {
    const CliRun run = RunTool({"formulas", "83.1219", "--tol", "0.01", "--adduct", "[M-H2O+H]+", "--element",
                                "C:0:10", "--element", "H:0:24", "--element", "O:0:4", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    for (const Match& match : ListedMatches(run.out)) {
        EXPECT_NE(std::get<1>(match).find('O'), std::string::npos) << std::get<1>(match);
    }
    EXPECT_EQ(run.out.find("\"C7H16\""), std::string::npos) << run.out;
    // The rows do hold C7H16: as the radical cation it is found
    // (100.12520 - 0.00055 = 100.12465).
    const CliRun radical = RunTool({"formulas", "100.1247", "--tol", "0.001", "--adduct", "[M]+", "--element",
                                    "C:0:10", "--element", "H:0:24", "--element", "O:0:4", "--json"});
    ASSERT_EQ(radical.status, 0) << radical.errors;
    EXPECT_NE(radical.out.find("\"formula\": \"C7H16\""), std::string::npos) << radical.out;
}

// No molecule can give the losses of the type: not an error, just nothing.
TEST(FormulasAdduct, AnIonTypeNoMoleculeCanFormListsNothing) {
    const CliRun run = RunTool({"formulas", "83.1219", "--tol", "0.01", "--adduct", "[M-H2O+H]+", "--element",
                                "C:0:10", "--element", "H:0:24"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.out.find("[M-H2O+H]+: no formulae were detected within the mass range."), std::string::npos)
        << run.out;
}

// Each ion type in the order given (not by m/z), each one's molecules by m/z.
TEST(FormulasAdduct, TwoIonTypesInOneRunKeepTheirOrder) {
    const CliRun run = RunTool({"formulas", "181.0707", "--tol", "0.02", "--adduct", "[M+Na]+", "--adduct",
                                "[M+H]+", "--element", "C:0:10", "--element", "H:0:24", "--element", "N:0:3",
                                "--element", "O:0:8", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::vector<Match> listed = ListedMatches(run.out);
    std::set<Match> expected = BruteForce(kSodiated, 181.0707, 0.02, 10, 24, 3, 8);
    const std::set<Match> protonated = BruteForce(kProtonated, 181.0707, 0.02, 10, 24, 3, 8);
    ASSERT_FALSE(expected.empty());
    ASSERT_FALSE(protonated.empty());
    expected.insert(protonated.begin(), protonated.end());
    EXPECT_EQ(std::set<Match>(listed.begin(), listed.end()), expected);
    // Sodium adducts first, then the protonated molecules.
    const std::size_t firstProtonated = run.out.find("{\"adduct\": \"[M+H]+\"", run.out.find("\"formulae\""));
    EXPECT_EQ(run.out.find("{\"adduct\": \"[M+Na]+\"", firstProtonated), std::string::npos);
    double previous = 0.0;
    std::string previousType;
    const std::string formulae = run.out.substr(run.out.find("\"formulae\""));
    for (std::size_t at = formulae.find("{\"adduct\""); at != std::string::npos;
         at = formulae.find("{\"adduct\"", at + 1)) {
        const std::string type = formulae.substr(at + 12, formulae.find('"', at + 12) - at - 12);
        const double mz = JsonValue(formulae, "mz", at);
        if (type == previousType) {
            EXPECT_LE(previous, mz);
        }
        previous = mz;
        previousType = type;
    }
    // The listing shows both types in the same order.
    const CliRun page =
        RunTool({"formulas", "181.0707", "--tol", "0.02", "--adduct", "[M+Na]+", "--adduct", "[M+H]+",
                 "--element", "C:0:10", "--element", "H:0:24", "--element", "N:0:3", "--element", "O:0:8"});
    ASSERT_EQ(page.status, 0) << page.errors;
    EXPECT_LT(page.out.find("[M+Na]+ "), page.out.find("[M+H]+ ")) << page.out;
    EXPECT_NE(page.out.find("\n[M+H]+    C6H12O6    C6H13O6         181.0706        -0.35\n"),
              std::string::npos)
        << page.out;
}

// Rows whose maximum is left to its default bound M by M's own highest mass:
// glucose (180.06 u) as [M+2H]2+ at m/z 91.04 holds 6 O, more than fit under
// 91 u (5).
TEST(FormulasAdduct, DefaultMaximaFollowTheMoleculesMassNotTheIons) {
    const CliRun run = RunTool({"formulas", "91.0390", "--tol", "0.001", "--adduct", "[M+2H]2+", "--element",
                                "C", "--element", "H", "--element", "O", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.out.find(R"("formula": "C6H12O6", "ionFormula": "C6H14O6")"), std::string::npos) << run.out;
    // M weighs at most 2 x 91.0400 + 2 x 0.000549 - 2 x 1.007825 = 180.0653 u:
    // 15 C, 178 H, 11 O alone.
    EXPECT_NE(run.out.find(R"("maxima": [15, 178, 11]})"), std::string::npos) << run.out;
}

// A charge beyond the desktop dialog's range (-10 to 10) is the notation's
// to state, and a --charge that agrees with it is no error: C12H24 + 20 H =
// 168.18780 + 20.15650 = 188.34430 u, less 20 electrons, over 20 is 9.41667.
TEST(FormulasAdduct, AnAgreeingChargeBeyondTheSearchRangeIsTaken) {
    const CliRun run = RunTool({"formulas", "9.41667", "--tol", "0.0001", "--adduct", "[M+20H]20+",
                                "--charge", "20", "--element", "C:0:12", "--element", "H:0:30", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.out.find(R"("formula": "C12H24", "ionFormula": "C12H44")"), std::string::npos) << run.out;
    const CliRun notANumber = RunTool({"formulas", "9.41667", "--adduct", "[M+20H]20+", "--charge", "x",
                                       "--element", "C:0:12", "--element", "H:0:30"});
    EXPECT_EQ(notANumber.status, 64);
    EXPECT_TRUE(notANumber.out.empty());
}

TEST(FormulasAdduct, EachIonTypeListsAtMost200UnlessAll) {
    const std::vector<std::string> common = {
        "formulas",  "300",    "--tol",     "0.5",    "--adduct",  "[M+H]+", "--adduct",  "[M+Na]+",
        "--element", "C:0:20", "--element", "H:0:40", "--element", "N:0:5",  "--element", "O:0:10"};
    std::vector<std::string> capped = common;
    capped.emplace_back("--json");
    const CliRun run = RunTool(capped);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(
        run.out.find(
            R"({"adduct": "[M+H]+", "charge": 1, "formulaCount": 200, "storageFull": true, "maxima": [20, 40, 5, 10]})"),
        std::string::npos)
        << run.out.substr(0, 400);
    EXPECT_EQ(JsonValue(run.out, "formulaCount", run.out.find("\"elements\"")), 400.0);

    std::vector<std::string> all = common;
    all.insert(all.end(), {"--all", "--json"});
    const CliRun every = RunTool(all);
    ASSERT_EQ(every.status, 0) << every.errors;
    EXPECT_GT(JsonValue(every.out, "formulaCount", every.out.find("\"elements\"")), 400.0);
    EXPECT_NE(every.out.find(R"("storageFull": false, "formulae")"), std::string::npos);

    const CliRun page = RunTool(common);
    EXPECT_NE(page.out.find("[M+Na]+: only the first 200 formulae found are listed; --all lists every one."),
              std::string::npos);

    // The ceiling of --all holds for the ion types together.
    std::ostringstream out;
    std::ostringstream errors;
    Arguments arguments;
    arguments.positional = {"300"};
    arguments.values = {{"tol", "0.5"},        {"adduct", "[M+H]+"},  {"adduct", "[M+Na]+"},
                        {"element", "C:0:20"}, {"element", "H:0:40"}, {"element", "N:0:5"},
                        {"element", "O:0:10"}};
    arguments.flags = {"all"};
    const std::size_t protonatedCount = static_cast<std::size_t>(
        JsonValue(every.out, "formulaCount", every.out.find("\"adduct\": \"[M+H]+\"")));
    EXPECT_EQ(RunFormulasCommandListingAtMost(protonatedCount + 1, arguments, out, errors), 2);
    EXPECT_TRUE(out.str().empty());
    EXPECT_NE(errors.str().find("formulae lie in the m/z range, more than --all lists"), std::string::npos);
}

class FormulasAdductRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(FormulasAdductRefusal, SaysWhyAndPrintsNothing) { ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    EachKind, FormulasAdductRefusal,
    ::testing::Values(
        RefusalCase{{"formulas", "200", "--adduct", "M+H", "--element", "C"},
                    64,
                    "--adduct: Ion type 'M+H' is not in brackets; write it as [M+H]+ or [M-H]-."},
        RefusalCase{
            {"formulas", "200", "--adduct", "[M+H]+", "--adduct", "[M+Xx]+", "--element", "C"},
            64,
            "--adduct: Ion type '[M+Xx]+' adds or loses 'Xx', which is not a formula of known elements."},
        RefusalCase{{"formulas", "200", "--adduct", "[M+H]+", "--adduct", "[M+2H]2+", "--charge", "1",
                     "--element", "C"},
                    64,
                    "--charge 1 disagrees with the charge of [M+2H]2+ (2+); give one or the other"},
        RefusalCase{
            {"formulas", "200", "--adduct", "[M+H]+", "--element", "C", "--report", "out.txt"},
            64,
            "tarnevo-cli formulas: --report is not available with --adduct (the report shows the ions of "
            "the m/z, not molecules by ion type); use --json or --csv"},
        RefusalCase{{"formulas", "200", "--adduct", "[M+H]+", "--element", "Xy"}, 2, "Symbol Entry Error"}));

}  // namespace
}  // namespace tarnevo::cli
