// Pins the command line's contract: exit statuses, the desktop program's own
// messages on standard error, and JSON numbers that agree with closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "cli/cli.h"

namespace tarnevo::cli {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string errors;
};

CliRun RunTool(std::vector<std::string> arguments) {
    std::ostringstream out;
    std::ostringstream errors;
    CliRun run;
    run.status = RunCli(arguments, out, errors);
    run.out = out.str();
    run.errors = errors.str();
    return run;
}

// The number after "key": in a JSON text, starting the search at `from`.
double JsonValue(const std::string& json, const std::string& key, std::size_t from = 0) {
    const std::size_t at = json.find("\"" + key + "\": ", from);
    EXPECT_NE(at, std::string::npos) << key;
    return std::stod(json.substr(at + key.size() + 4));
}

TEST(Cli, Br2JsonIsTheBinomialToFullPrecision) {
    const CliRun run = RunTool({"cluster", "Br2", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    // 79Br 0.5069 (78.91834 u), 81Br 0.4931: [A+0] p^2, [A+2] 2pq, [A+4] q^2.
    const double p = 0.5069, q = 0.4931;
    EXPECT_EQ(JsonValue(run.out, "lastPeakIndex"), 4);
    EXPECT_EQ(JsonValue(run.out, "maxPeakIndex"), 2);
    EXPECT_NEAR(JsonValue(run.out, "ionMassA"), 2 * 78.91834 - 0.000548579909, 1e-12);
    const std::size_t peak2 = run.out.find("{\"n\": 2");
    EXPECT_NEAR(JsonValue(run.out, "fa", run.out.find("{\"n\": 0")), p * p, 1e-15);
    EXPECT_NEAR(JsonValue(run.out, "fa", peak2), 2 * p * q, 1e-15);
    EXPECT_NEAR(JsonValue(run.out, "mz", peak2), 2 * 78.91834 - 0.000548579909 + 2, 1e-12);
    EXPECT_NEAR(JsonValue(run.out, "fa", run.out.find("{\"n\": 4")), q * q, 1e-15);
    EXPECT_EQ(JsonValue(run.out, "rel", peak2), 100.0);
    EXPECT_NE(run.out.find("\"peakOverflow\": false"), std::string::npos);
}

TEST(Cli, Br2JsonCarriesTheTrueMassesBesideTheNominalOnes) {
    const CliRun run = RunTool({"cluster", "Br2", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    // [A+2] is 79Br81Br only: 78.91834 + 80.91629, 1.99795 u above [A+0] rather than 2.
    const double electron = 0.000548579909;
    EXPECT_NEAR(JsonValue(run.out, "centroidMz", run.out.find("{\"n\": 2")), 78.91834 + 80.91629 - electron, 1e-11);
    EXPECT_NEAR(JsonValue(run.out, "centroidMz", run.out.find("{\"n\": 4")), 2 * 80.91629 - electron, 1e-11);
    // The mean ion mass is twice bromine's mean atomic mass.
    EXPECT_NEAR(JsonValue(run.out, "averageMass"), 2 * (0.5069 * 78.91834 + 0.4931 * 80.91629) - electron, 1e-11);
    EXPECT_EQ(JsonValue(run.out, "mostAbundantPeak"), 2);
    // Numbers in their shortest exact form.
    EXPECT_NE(run.out.find("\"stopFA\": 0.9999,"), std::string::npos) << run.out;
}

TEST(Cli, CentroidMzDividesByTheCharge) {
    const CliRun run = RunTool({"cluster", "Cl2", "--charge", "-2", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_NEAR(JsonValue(run.out, "centroidMz", run.out.find("{\"n\": 2")),
                (34.96885 + 36.9659 + 2 * 0.000548579909) / 2, 1e-11);
}

TEST(Cli, ChargeDividesMzAndUserElementsAreDefinedByOption) {
    const CliRun run = RunTool({"cluster", "JxC", "--charge", "-2", "--define", "Jx=10.0129:1=0.8", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    const double mass = 10.0129 + 12.0 + 2 * 0.000548579909;
    EXPECT_NEAR(JsonValue(run.out, "ionMassA"), mass, 1e-12);
    EXPECT_NEAR(JsonValue(run.out, "mz", run.out.find("{\"n\": 1")), (mass + 1) / 2, 1e-12);
    // [A+0] = 0.2 x 0.9893
    EXPECT_NEAR(JsonValue(run.out, "fa", run.out.find("{\"n\": 0")), 0.2 * 0.9893, 1e-15);
}

struct RefusalCase {
    std::vector<std::string> arguments;
    int status;
    const char* firstErrorLine;
};

void PrintTo(const RefusalCase& refusal, std::ostream* out) {
    for (const auto& argument : refusal.arguments) *out << argument << ' ';
}

class CliRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CliRefusal, ExitsWithItsStatusAndMessage) {
    const CliRun run = RunTool(GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.errors.substr(0, run.errors.find('\n')), GetParam().firstErrorLine);
    EXPECT_TRUE(run.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliRefusal,
    ::testing::Values(
        RefusalCase{{"cluster", "C6H6", "--charge", "0"}, kExitRefused, "Ion charge cannot be zero!"},
        RefusalCase{{"cluster", "C6H6", "--charge", "31"}, kExitRefused, "Please enter an integer between -30 and 30."},
        RefusalCase{{"cluster", "C6H6", "--stop", "1.0"}, kExitRefused,
                    "Please enter a number between 0.5 and 0.99999."},
        RefusalCase{{"cluster", std::string(129, 'C')}, kExitRefused, "Please enter no more than 128 characters."},
        RefusalCase{{"cluster", "C6 H6"}, kExitRefused, "Formula Entry Error"},
        RefusalCase{{"cluster", "C20001"}, kExitRefused,
                    "Maximum number of atoms for an element (20000) has been exceeded."},
        RefusalCase{{"cluster", "NaF"}, kExitRefused, "The ion must contain at least one polyisotopic element."},
        RefusalCase{{"cluster", "JyC"}, kExitRefused,
                    "The formula contains the user-defined element Jy: give its isotopes with --define "
                    "Jy=MASS[:DELTA=FA,...]."},
        RefusalCase{{"cluster", "JxC", "--define", "Jx=0.5"}, kExitRefused, "Please enter a number between 1 and 300."},
        RefusalCase{{"cluster", "JxC", "--define", "Jx=50:2=0.5,2=0.1"}, kExitRefused,
                    "Delta masses for two isotopes cannot be equal."},
        RefusalCase{{"cluster", "JxC", "--define", "Fe=50"}, kExitUsage,
                    "--define takes Jx, Jy, Jz, Qx, Qy or Qz, not Fe"},
        RefusalCase{{}, kExitUsage, "tarnevo-cli: no command given"},
        RefusalCase{{"cluster"}, kExitUsage, "tarnevo-cli cluster: expected 1 argument(s)"},
        RefusalCase{{"cluster", "C6H6", "--charge"}, kExitUsage, "tarnevo-cli cluster: option --charge needs a value"},
        RefusalCase{{"cluster", "C6H6", "--colour"}, kExitUsage, "tarnevo-cli cluster: unknown option --colour"},
        RefusalCase{{"polish", "C6H6"}, kExitUsage, "tarnevo-cli: unknown command polish"}));

TEST(Cli, UsageListsTheCommands) {
    const CliRun run = RunTool({"--help"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_NE(run.out.find("usage: tarnevo-cli cluster FORMULA"), std::string::npos);
}

}  // namespace
}  // namespace tarnevo::cli
