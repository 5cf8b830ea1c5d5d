// Pins `cluster --adduct` as a chemist uses it: the molecule typed and the ion
// type give the cluster of the ion's elemental formula with the notation's
// charge (caffeine [M+H]+ at 195.087626 u with the table's masses, worked by
// hand: 8 x 12 + 11 x 1.007825 + 4 x 14.00307 + 2 x 15.99491 - 0.000548580),
// the JSON names molecule, ion type, ion formula and the molecule's mass, and
// every way of asking for an ion that cannot be is a message with nothing on
// standard output: a notation that is not one or a disagreeing --charge is a
// usage error (64), a loss the molecule cannot give a refusal (2). In a batch
// the ion type beside --batch holds for every line that chooses no charge of
// its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::ExpectRefusal;
using tarnevo::testing::JsonValue;
using tarnevo::testing::RefusalCase;
using tarnevo::testing::RunTool;

TEST(ClusterAdduct, TheIonOfTheMoleculeAndItsTypeIsComputed) {
    const CliRun run = RunTool({"cluster", "C8H10N4O2", "--adduct", "[M+H]+", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.out.rfind(R"({"formula": "C8H10N4O2", "adduct": "[M+H]+", "ionFormula": "C8H11N4O2", )", 0),
              0U)
        << run.out;
    EXPECT_NEAR(JsonValue(run.out, "neutralMass"), 194.08035, 1e-9);  // 8 x 12 + 10 x 1.007825 + ...
    EXPECT_NEAR(JsonValue(run.out, "ionMassA"), 195.087626420, 1e-9);
    EXPECT_EQ(JsonValue(run.out, "charge"), 1.0);

    // A doubly charged negative ion: (C10H14N5O13P3 + 2 electrons) / 2.
    const CliRun atp = RunTool({"cluster", "C10H16N5O13P3", "--adduct", "[M-2H]2-", "--json"});
    ASSERT_EQ(atp.status, 0) << atp.errors;
    EXPECT_EQ(JsonValue(atp.out, "charge"), -2.0);
    EXPECT_NEAR(JsonValue(atp.out, "mz", atp.out.find("\"peaks\"")), 252.490554, 1e-6);
}

TEST(ClusterAdduct, AnAgreeingChargeIsTakenAndThePageShowsTheIon) {
    const CliRun run = RunTool({"cluster", "C6H12O6", "--adduct", "[M+Na]+", "--charge", "1"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.out.find("Ion Formula: C6H12NaO6"), std::string::npos) << run.out;
}

// label takes the ion type the same way: the enriched atoms are counted in
// the ion's formula, which the page names.
TEST(LabelAdduct, LabelsTheIonOfTheMolecule) {
    const CliRun run = RunTool({"label", "C6H12O6", "--adduct", "[M+Na]+", "--enrich", "C:6:0.99", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.out.rfind(R"({"formula": "C6H12O6", "adduct": "[M+Na]+", "ionFormula": "C6H12NaO6", )", 0),
              0U)
        << run.out;
    const CliRun conflict =
        RunTool({"label", "C6H12O6", "--adduct", "[M-H]-", "--charge", "1", "--enrich", "C:6"});
    EXPECT_EQ(conflict.status, 64);
    EXPECT_TRUE(conflict.out.empty());
}

class ClusterAdductRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ClusterAdductRefusal, SaysWhyAndPrintsNothing) { ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    EachKind, ClusterAdductRefusal,
    ::testing::Values(
        RefusalCase{{"cluster", "CH4", "--adduct", "M+H"},
                    64,
                    "--adduct: Ion type 'M+H' is not in brackets; write it as [M+H]+ or [M-H]-."},
        RefusalCase{
            {"cluster", "CH4", "--adduct", "[M+Xx]+"},
            64,
            "--adduct: Ion type '[M+Xx]+' adds or loses 'Xx', which is not a formula of known elements."},
        RefusalCase{{"cluster", "C8H10N4O2", "--adduct", "[M+2H]2+", "--charge", "1"},
                    64,
                    "--charge 1 disagrees with the charge of [M+2H]2+ (2+); give one or the other"},
        RefusalCase{
            {"cluster", "CH4", "--adduct", "[M-H2O+H]+"},
            2,
            "The ion [M-H2O+H]+ cannot be formed from 'CH4': its losses take 1 O and the molecule holds 0."},
        RefusalCase{
            {"cluster", "CH4", "--adduct", "[M-H2O+H]+", "--json"},
            2,
            R"({"error": "The ion [M-H2O+H]+ cannot be formed from 'CH4': its losses take 1 O and the )"
            R"(molecule holds 0.", "exitCode": 2})"},
        RefusalCase{{"cluster", "Xy", "--adduct", "[M+H]+"}, 2, "Formula Entry Error"}));

}  // namespace
}  // namespace tarnevo::cli
