// Pins `cluster --resolution` as a user at a high-resolution instrument reads
// it. Cross-check of two routes: at a resolving power that merges each nominal
// peak's fine structure but keeps the nominal peaks apart, every resolved peak
// is the engine's nominal peak: its FA and its centroid m/z (which the engine
// computes without listing a composition). A case known by hand: the [A+1] of
// protonated paracetamol (C8H10NO2+, m/z 153.07) is one peak at R 17,500 and
// shows its 15N line (153.0676) apart from its 13C line (153.0739) at
// R 240,000. A protein takes the moment model and says so; the CSV gains the
// tables; what cannot be asked is a usage error with nothing on standard
// output.
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

// The values of one key in the order they appear after `from`.
std::vector<double> ValuesOf(const std::string& json, const std::string& key, std::size_t from,
                             std::size_t to) {
    std::vector<double> values;
    for (std::size_t at = json.find("\"" + key + "\": ", from); at < to;
         at = json.find("\"" + key + "\": ", at + 1)) {
        values.push_back(JsonValue(json, key, at));
    }
    return values;
}

TEST(ClusterResolution, AtModestResolvingPowerEachPeakIsTheEnginesNominalPeak) {
    const CliRun run =
        RunTool({"cluster", "C24H32N4O6S", "--adduct", "[M+H]+", "--resolution", "5000", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::size_t peaks = run.out.find("\"peaks\"");
    const std::size_t resolved = run.out.find("\"resolvedPeaks\"");
    ASSERT_NE(resolved, std::string::npos);
    const std::vector<double> centroids = ValuesOf(run.out, "centroidMz", peaks, resolved);
    const std::vector<double> fas = ValuesOf(run.out, "fa", peaks, resolved);
    const std::vector<double> resolvedMz = ValuesOf(run.out, "mz", resolved, std::string::npos);
    const std::vector<double> resolvedFa = ValuesOf(run.out, "fa", resolved, std::string::npos);
    // The engine stops after the pass of heavy atoms that brings the cluster
    // to its stop FA, so its higher peaks lack the compositions of more heavy
    // atoms than that; [A+0] .. [A+3] hold every one.
    ASSERT_GE(resolvedMz.size(), 4U);
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_NEAR(resolvedMz[n], centroids[n], 2e-6) << "[A+" << n << "]";
        EXPECT_NEAR(resolvedFa[n], fas[n], 1e-4) << "[A+" << n << "]";  // the fine structure holds 99.99 %
    }
    EXPECT_NE(run.out.find(R"("patternModel": "fine structure")"), std::string::npos);
}

TEST(ClusterResolution, TheNitrogenLineOfAnAPlusOneStandsApartOnlyAtHighResolvingPower) {
    const CliRun low =
        RunTool({"cluster", "C8H9NO2", "--adduct", "[M+H]+", "--resolution", "17500", "--json"});
    ASSERT_EQ(low.status, 0) << low.errors;
    const std::vector<double> lowMz =
        ValuesOf(low.out, "mz", low.out.find("\"resolvedPeaks\""), std::string::npos);
    ASSERT_GE(lowMz.size(), 2U);
    EXPECT_NEAR(lowMz[1], 153.0737, 1e-4);  // 13C and 15N merged, weighted by their FAs

    const CliRun high =
        RunTool({"cluster", "C8H9NO2", "--adduct", "[M+H]+", "--resolution", "240000", "--json"});
    ASSERT_EQ(high.status, 0) << high.errors;
    const std::vector<double> highMz =
        ValuesOf(high.out, "mz", high.out.find("\"resolvedPeaks\""), std::string::npos);
    ASSERT_GE(highMz.size(), 3U);
    EXPECT_NEAR(highMz[1], 153.0676, 1e-4);  // 12C8 1H10 15N 16O2, less an electron
    EXPECT_NEAR(highMz[2], 153.0739, 1e-4);  // 13C 12C7 1H10 14N 16O2 with the 2H line beside it
}

// Regression: Sn60's peaks lie around [A+408], beyond [A+319], as far as a
// cluster is stored: its averageMass came from the stored peaks (7030.7) and
// its resolved peaks held 4E-8 of the ion. Tin's standard atomic weight is
// 118.710, so the ion's mean mass is 60 x 118.710 = 7122.6 (less an electron).
TEST(ClusterResolution, AHeavyIonIsResolvedWhereItIsAndItsMeanMassIsTheWholeIons) {
    const CliRun run = RunTool({"cluster", "Sn60", "--resolution", "60000", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NEAR(JsonValue(run.out, "averageMass"), 7122.6, 0.05);
    const std::size_t resolved = run.out.find("\"resolvedPeaks\"");
    ASSERT_NE(resolved, std::string::npos);
    const std::vector<double> mz = ValuesOf(run.out, "mz", resolved, std::string::npos);
    const std::vector<double> fa = ValuesOf(run.out, "fa", resolved, std::string::npos);
    ASSERT_FALSE(fa.empty());
    double held = 0.0;
    double moment = 0.0;
    for (std::size_t k = 0; k < fa.size(); ++k) {
        held += fa[k];
        moment += fa[k] * mz[k];
    }
    EXPECT_NEAR(held, 1.0, 1e-7);
    EXPECT_NEAR(moment / held, 7122.6, 0.05);
}

TEST(ClusterResolution, AProteinTakesTheMomentsOfItsPeaksAndSaysSo) {
    const CliRun run = RunTool({"cluster", "C2934H4615N781O897S39", "--charge", "20", "--resolution",
                                "120000", "--orbitrap", "--at", "400", "--profile", "--json"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.out.find(R"("patternModel": "peak moments")"), std::string::npos);
    EXPECT_NE(run.out.find(R"("resolvingPower": {"r": 120000, "model": "orbitrap", "atMz": 400})"),
              std::string::npos)
        << run.out.substr(0, 300);
    EXPECT_NE(run.out.find("\"profile\": [["), std::string::npos);
}

TEST(ClusterResolution, TheCsvAndThePageGainTheResolvedPeaks) {
    const CliRun csv = RunTool({"cluster", "C6H6", "--resolution", "60000", "--profile", "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.errors;
    EXPECT_NE(csv.out.find("\n\nresolvedMz,fa,rel\n78.046401420091,"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("\n\nprofileMz,rel\n"), std::string::npos);
    const CliRun page = RunTool({"cluster", "C6H6", "--resolution", "60000"});
    EXPECT_NE(page.out.find("\nResolved peaks at R 60000, the same at every m/z (fine structure):\n"),
              std::string::npos)
        << page.out;
    const CliRun plain = RunTool({"cluster", "C6H6"});
    EXPECT_EQ(plain.out.find("Resolved"), std::string::npos);
}

class ClusterResolutionRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ClusterResolutionRefusal, SaysWhyAndPrintsNothing) { ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    EachKind, ClusterResolutionRefusal,
    ::testing::Values(RefusalCase{{"cluster", "C6H6", "--profile"}, 64, "--profile needs --resolution R"},
                      RefusalCase{{"cluster", "C6H6", "--orbitrap"}, 64, "--orbitrap needs --resolution R"},
                      RefusalCase{{"cluster", "C6H6", "--resolution", "60000", "--at", "400"},
                                  64,
                                  "--at needs --orbitrap: R is the same at every m/z"},
                      RefusalCase{{"cluster", "C6H6", "--resolution", "50"},
                                  64,
                                  "--resolution: a number from 100 to 10000000 is required, not '50'"},
                      RefusalCase{{"cluster", "C6H6", "--resolution", "60000", "--orbitrap", "--at", "0"},
                                  64,
                                  "--at: a number from 1 to 100000 is required, not '0'"}));

}  // namespace
}  // namespace tarnevo::cli
