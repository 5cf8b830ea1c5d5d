// Pins the command line's contract: exit statuses, the desktop program's own
// messages on standard error, and JSON numbers that agree with closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/cli.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::JsonValue;
using tarnevo::testing::RefusalCase;
using tarnevo::testing::RunTool;

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
    EXPECT_NEAR(JsonValue(run.out, "centroidMz", run.out.find("{\"n\": 2")), 78.91834 + 80.91629 - electron,
                1e-11);
    EXPECT_NEAR(JsonValue(run.out, "centroidMz", run.out.find("{\"n\": 4")), 2 * 80.91629 - electron, 1e-11);
    // The mean ion mass is twice bromine's mean atomic mass.
    EXPECT_NEAR(JsonValue(run.out, "averageMass"), 2 * (0.5069 * 78.91834 + 0.4931 * 80.91629) - electron,
                1e-11);
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
    const CliRun run =
        RunTool({"cluster", "JxC", "--charge", "-2", "--define", "Jx=10.0129:1=0.8", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    const double mass = 10.0129 + 12.0 + 2 * 0.000548579909;
    EXPECT_NEAR(JsonValue(run.out, "ionMassA"), mass, 1e-12);
    EXPECT_NEAR(JsonValue(run.out, "mz", run.out.find("{\"n\": 1")), (mass + 1) / 2, 1e-12);
    // [A+0] = 0.2 x 0.9893
    EXPECT_NEAR(JsonValue(run.out, "fa", run.out.find("{\"n\": 0")), 0.2 * 0.9893, 1e-15);
}

class CliRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CliRefusal, ExitsWithItsStatusAndMessage) { tarnevo::testing::ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliRefusal,
    ::testing::Values(
        RefusalCase{{"cluster", "C6H6", "--charge", "0"}, kExitRefused, "Ion charge cannot be zero!"},
        // A value outside an option's range is a usage error that names the option.
        RefusalCase{{"cluster", "C6H6", "--charge", "31"},
                    kExitUsage,
                    "--charge: an integer from -30 to 30 is required, not '31'"},
        RefusalCase{{"cluster", "C6H6", "--charge", "x"},
                    kExitUsage,
                    "--charge: an integer from -30 to 30 is required, not 'x'"},
        RefusalCase{{"cluster", "C6H6", "--stop", "1.0"},
                    kExitUsage,
                    "--stop: a number from 0.5 to 0.99999 is required, not '1.0'"},
        RefusalCase{{"cluster", std::string(129, 'C')},
                    kExitUsage,
                    "FORMULA: at most 128 characters are accepted, not '" + std::string(64, 'C') + "...'"},
        RefusalCase{{"cluster", "C6 H6"}, kExitRefused, "Formula Entry Error"},
        RefusalCase{{"cluster", "C20001"},
                    kExitRefused,
                    "Maximum number of atoms for an element (20000) has been exceeded."},
        RefusalCase{
            {"cluster", "NaF"}, kExitRefused, "The ion must contain at least one polyisotopic element."},
        RefusalCase{{"cluster", "JyC"},
                    kExitRefused,
                    "The formula contains the user-defined element Jy: give its isotopes with --define "
                    "Jy=MASS[:DELTA=FA,...]."},
        RefusalCase{{"cluster", "JxC", "--define", "Jx=0.5"},
                    kExitUsage,
                    "--define Jx: a number from 1 to 300 is required, not '0.5'"},
        RefusalCase{
            {"cluster", "C6H6", "--define", "Jx=50:1=0.5"},
            kExitUsage,
            "--define Jx: the formula does not contain Jx; define only the user-defined elements it holds"},
        RefusalCase{{"cluster", "JxC", "--define", "Jx=50:1=0.5", "--define", "Jx=60"},
                    kExitUsage,
                    "--define Jx is given twice; give each user-defined element once"},
        RefusalCase{{"cluster", "JxC", "--define", "Jx=50:2=0.5,2=0.1"},
                    kExitRefused,
                    "Delta masses for two isotopes cannot be equal."},
        RefusalCase{{"cluster", "JxC", "--define", "Fe=50"},
                    kExitUsage,
                    "--define takes Jx, Jy, Jz, Qx, Qy or Qz, not Fe"},
        RefusalCase{{}, kExitUsage, "tarnevo-cli: no command given"},
        RefusalCase{{"cluster"}, kExitUsage, "tarnevo-cli cluster: expected 1 argument(s)"},
        RefusalCase{{"cluster", "C6H6", "--charge"},
                    kExitUsage,
                    "tarnevo-cli cluster: option --charge needs a value"},
        RefusalCase{
            {"cluster", "C6H6", "--colour"}, kExitUsage, "tarnevo-cli cluster: unknown option --colour"},
        // An option where a value belongs is a forgotten value, not a file or number named "--...".
        RefusalCase{{"cluster", "C6H6", "--report", "--charge", "2"},
                    kExitUsage,
                    "tarnevo-cli cluster: option --report needs a value, not the option --charge"},
        RefusalCase{{"cluster", "C6H6", "--stop", "--charge=2"},
                    kExitUsage,
                    "tarnevo-cli cluster: option --stop needs a value, not the option --charge=2"},
        RefusalCase{{"polish", "C6H6"}, kExitUsage, "tarnevo-cli: unknown command polish"}));

TEST(Cli, HelpListsTheCommandsAndEachCommandExplainsItself) {
    const CliRun list = RunTool({"help"});
    EXPECT_EQ(list.status, kExitOk);
    for (const char* command : {"cluster", "polymer", "isotopes"}) {
        EXPECT_NE(list.out.find(std::string("  ") + command), std::string::npos) << command;
        for (const std::vector<std::string>& asked :
             {std::vector<std::string>{command, "--help"}, std::vector<std::string>{"help", command}}) {
            const CliRun help = RunTool(asked);
            EXPECT_EQ(help.status, kExitOk);
            EXPECT_EQ(help.out.rfind(std::string("usage: tarnevo-cli ") + command, 0), 0u) << help.out;
            EXPECT_NE(help.out.find(std::string("example: tarnevo-cli ") + command), std::string::npos);
        }
    }
    const CliRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, kExitOk);
    EXPECT_EQ(version.out.rfind("tarnevo-cli ", 0), 0u);
}

// With --json, failures are JSON on standard error as well, whatever their kind.
TEST(Cli, JsonFailuresAreJsonObjects) {
    const CliRun refused = RunTool({"cluster", "C6H6", "--charge", "0", "--json"});
    EXPECT_EQ(refused.status, kExitRefused);
    EXPECT_EQ(refused.errors, "{\"error\": \"Ion charge cannot be zero!\", \"exitCode\": 2}\n");
    const CliRun usage = RunTool({"cluster", "--json"});
    EXPECT_EQ(usage.status, kExitUsage);
    EXPECT_EQ(usage.errors,
              "{\"error\": \"tarnevo-cli cluster: expected 1 argument(s)\", \"exitCode\": 64}\n");
    EXPECT_TRUE(usage.out.empty());
}

// A batch: one JSON line per ion, refused lines as error objects with their line
// number, comments and blank lines skipped; status 2 when any line failed.
TEST(Cli, BatchGivesOneJsonLinePerIon) {
    const std::string path = ::testing::TempDir() + "/tarnevo_batch.txt";
    {
        std::ofstream file(path);
        file << "C6H6\n# a comment\n\nCl2 --charge -2\nNaF\nBr2 --stop 3\n";
    }
    const CliRun run = RunTool({"cluster", "--batch", path});
    EXPECT_EQ(run.status, kExitRefused);
    std::istringstream lines(run.out);
    std::vector<std::string> objects;
    for (std::string line; std::getline(lines, line);) objects.push_back(line);
    ASSERT_EQ(objects.size(), 4u) << run.out;
    EXPECT_EQ(objects[0].rfind("{\"formula\": \"C6H6\"", 0), 0u);
    EXPECT_EQ(JsonValue(objects[1], "charge"), -2);
    EXPECT_EQ(objects[2],
              "{\"line\": 5, \"error\": \"The ion must contain at least one polyisotopic element.\", "
              "\"exitCode\": 2}");
    EXPECT_EQ(objects[3].rfind("{\"line\": 6, \"error\": \"--stop: a number", 0), 0u) << objects[3];
    EXPECT_EQ(RunTool({"cluster", "--batch", path, "C6H6"}).status, kExitUsage);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace tarnevo::cli
