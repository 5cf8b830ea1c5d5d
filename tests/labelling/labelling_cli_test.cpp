// Pins the command line of the labelling calculations: `label` against closed
// forms (one 13C at 0.99, Cl2 at 0.5), its JSON "enriched" block; `enrich`
// recovering an enrichment from a spectrum that `label` itself printed, its
// cycle limit answering the 20-cycle question (itself limited, so the count can
// reach it), how the search ended, a largest peak that reads exactly 100, and
// the refusals with the desktop program's messages and exit statuses (an
// estimate given for a two-isotope element is a usage error: it would choose
// nothing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "cli/cli.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::JsonValue;
using tarnevo::testing::RefusalCase;
using tarnevo::testing::RunTool;

TEST(LabelCli, OneCarbonAt99PercentAndItsEnrichedBlock) {
    const CliRun run = RunTool({"label", "C", "--enrich", "C:1:0.99", "--stop", "0.99999", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_NEAR(JsonValue(run.out, "fa", run.out.find("{\"n\": 0")), 0.01, 1e-15);
    EXPECT_NEAR(JsonValue(run.out, "fa", run.out.find("{\"n\": 1")), 0.99, 1e-15);
    EXPECT_NE(
        run.out.find("\"enriched\": [{\"symbol\": \"C\", \"atoms\": 1, \"isotopes\": [{\"massNumber\": 12, "),
        std::string::npos);
    EXPECT_EQ(JsonValue(run.out, "fa", run.out.find("{\"massNumber\": 13")), 0.99);
}

TEST(LabelCli, TwoElementsAndTheResultPage) {
    const CliRun run =
        RunTool({"label", "Cl2C", "--charge", "-1", "--enrich", "Cl:2:0.5", "--enrich", "C:1"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_NE(run.out.find("***** Isotope Cluster Patterns Using Labelled Atoms *****"), std::string::npos);
    EXPECT_NE(run.out.find("Full enrichment details are presented in the saved data file."),
              std::string::npos);
}

class LabellingCliRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(LabellingCliRefusal, ExitsWithItsStatusAndMessage) { tarnevo::testing::ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Cases, LabellingCliRefusal,
    ::testing::Values(
        RefusalCase{
            {"label", "C6H6"}, kExitUsage, "tarnevo-cli label: --enrich SYM:ATOMS[:FA,...] is required"},
        RefusalCase{{"label", "C6H6", "--enrich", "C"},
                    kExitUsage,
                    "tarnevo-cli label: --enrich is written SYM:ATOMS[:FA,FA,...], e.g. --enrich C:2:0.99"},
        RefusalCase{{"label", "C6H6", "--enrich", "C:1", "--charge", "0"},
                    kExitRefused,
                    "Ion charge cannot be zero!"},
        RefusalCase{{"label", "C6Jx", "--enrich", "C:1"},
                    kExitRefused,
                    "Error - User defined elements, Jx - Qz, are not supported!"},
        RefusalCase{{"label", "C6H6F", "--enrich", "F:1"},
                    kExitRefused,
                    "Error - Your element is monoisotopic and cannot be enriched!"},
        RefusalCase{{"label", "C6H6", "--enrich", "Jx:1"}, kExitRefused, "Symbol Entry Error"},
        RefusalCase{{"label", "C6H6", "--enrich", "C:7"},
                    kExitRefused,
                    "Error - Either the number of enriched atoms is too large,\r"},
        RefusalCase{{"label", "C6H6", "--enrich", "C:101"},
                    kExitUsage,
                    "--enrich ATOMS: an integer from 1 to 100 is required, not '101'"},
        RefusalCase{{"label", "O2", "--enrich", "O:1:0.6,0.5"},
                    kExitRefused,
                    "Error - One or more of your heavy isotopic FAs is too large!"},
        RefusalCase{{"label", "C6H6", "--enrich", "C:1:0.5,0.5"},
                    kExitUsage,
                    "tarnevo-cli label: --enrich C:1:0.5,0.5: C has 1 heavy isotope(s), 2 FAs were given"},
        RefusalCase{{"label", "O2", "--enrich", "O:1:0.5,x"},
                    kExitUsage,
                    "--enrich O FA 2: a number from 0 to 0.99999 is required, not 'x'"},
        RefusalCase{{"enrich", "C6H6", "--element", "C"},
                    kExitUsage,
                    "tarnevo-cli enrich: --element, --atoms, --first-mz and --intensities are required"},
        RefusalCase{{"enrich", "SnCl4", "--element", "Sn", "--atoms", "1", "--first-mz", "300",
                     "--intensities", "100"},
                    kExitRefused,
                    "Error - TARNEVO cannot analyze elements with more than four isotopes!"},
        RefusalCase{
            {"enrich", "C6H6", "--element", "C", "--atoms", "7", "--first-mz", "78", "--intensities", "100"},
            kExitUsage,
            "--atoms: an integer from 1 to 6 is required, not '7'"},
        RefusalCase{
            {"enrich", "C6H6", "--element", "C", "--atoms", "1", "--first-mz", "78", "--intensities", "100"},
            kExitRefused,
            "Error - There are insufficient peaks in your spectrum for the analysis!"},
        RefusalCase{{"enrich", "C6H6", "--element", "C", "--atoms", "1", "--first-mz", "70", "--intensities",
                     "100,50"},
                    kExitRefused,
                    "Error - The first peak in the spectrum cannot have a negative index!"},
        RefusalCase{{"enrich", "C6H6", "--element", "C", "--atoms", "1", "--first-mz", "78", "--intensities",
                     "100,50", "--max-cycles", "0"},
                    kExitUsage,
                    "tarnevo-cli enrich: --max-cycles: an integer from 1 to 100000 is required, not '0'"},
        // The cycle count overflowed on its way to this limit.
        RefusalCase{
            {"enrich", "C6H6", "--element", "C", "--atoms", "1", "--first-mz", "78", "--intensities",
             "100,50", "--max-cycles", "2147483647"},
            kExitUsage,
            "tarnevo-cli enrich: --max-cycles: an integer from 1 to 100000 is required, not '2147483647'"},
        RefusalCase{{"enrich", "C10H8", "--element", "C", "--atoms", "3", "--first-mz", "128.06205",
                     "--intensities", "3.437,31.2,95.189,100,7.348,0.239,0.004", "--max-isotope", "2"},
                    kExitUsage,
                    "--max-isotope: C has two isotopes; the estimate of maximum enrichment applies only to "
                    "elements of three or four"},
        RefusalCase{
            {"enrich", "C10H8", "--element", "C", "--atoms", "3", "--first-mz", "128.06205", "--intensities",
             "3.437,31.2,95.189,100,7.348,0.239,0.004", "--max-isotope", "2", "--estimate", "0.9"},
            kExitUsage,
            "--max-isotope and --estimate: C has two isotopes; the estimate of maximum enrichment "
            "applies only to elements of three or four"}));

// Relative intensities to three decimals of the first peaks of a JSON cluster.
std::string Intensities(const std::string& json, int peaks) {
    std::vector<double> fa;
    double largest = 0;
    for (int n = 0; n < peaks; ++n) {
        fa.push_back(JsonValue(json, "fa", json.find("{\"n\": " + std::to_string(n) + ",")));
        largest = std::max(largest, fa.back());
    }
    std::string text;
    for (double value : fa) {
        std::array<char, 32> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%.3f", 100 * value / largest);
        text += (text.empty() ? "" : ",") + std::string(buffer.data());
    }
    return text;
}

TEST(EnrichCli, RecoversTheEnrichmentOfASpectrumThatLabelPrinted) {
    const CliRun pattern = RunTool({"label", "C10H8", "--enrich", "C:3:0.75", "--json"});
    ASSERT_EQ(pattern.status, kExitOk) << pattern.errors;
    const std::string firstMz = std::to_string(JsonValue(pattern.out, "ionMassA"));
    const CliRun run = RunTool({"enrich", "C10H8", "--element", "C", "--atoms", "3", "--first-mz", firstMz,
                                "--intensities", Intensities(pattern.out, 6), "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_NE(run.out.find("\"converged\": true"), std::string::npos);
    EXPECT_LT(JsonValue(run.out, "ssr"), 0.1);
    EXPECT_NEAR(JsonValue(run.out, "fa", run.out.find("{\"massNumber\": 13")), 0.75, 0.01);
    EXPECT_EQ(JsonValue(run.out, "firstPeakOffset"), 0);
    EXPECT_GE(JsonValue(run.out, "cycles"), 1);
    const std::size_t peak2 = run.out.find("{\"n\": 2, \"mz\"", run.out.find("\"peaks\""));
    ASSERT_NE(peak2, std::string::npos);
    EXPECT_NEAR(JsonValue(run.out, "calculated", peak2), JsonValue(run.out, "experimental", peak2), 0.3);
    EXPECT_NE(run.out.find("\"clusterPeaks\": [{\"n\": 0"), std::string::npos);
}

TEST(EnrichCli, TheCycleLimitAnswersNoAtTheFirstQuestionAtOrPastIt) {
    const std::vector<std::string> unfittable = {"enrich",        "C6H6",     "--element",  "C",
                                                 "--atoms",       "6",        "--first-mz", "78.05",
                                                 "--intensities", "100,0,100"};
    std::vector<std::string> limited = unfittable;
    limited.insert(limited.end(), {"--max-cycles", "50", "--json"});
    const CliRun run = RunTool(limited);
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_EQ(JsonValue(run.out, "cycles"), 60);
    EXPECT_NE(run.out.find("\"converged\": false, \"ended\": \"cycleLimit\""), std::string::npos);
    EXPECT_TRUE(run.errors.empty());

    // The largest limit is accepted; this search ends by itself long before it,
    // where its simplex collapses, and says so.
    std::vector<std::string> largest = unfittable;
    largest.insert(largest.end(), {"--max-cycles", "100000", "--json"});
    const CliRun ended = RunTool(largest);
    ASSERT_EQ(ended.status, kExitOk) << ended.errors;
    EXPECT_LT(JsonValue(ended.out, "cycles"), 1000);
    EXPECT_NE(ended.out.find("\"converged\": false, \"ended\": \"cannotImprove\""), std::string::npos);
    EXPECT_NE(ended.errors.find("The fit can improve no further."), std::string::npos);
}

TEST(EnrichCli, TheLargestPeakReadsExactly100) {
    // Three 13C at 0.75 in naphthalene: the fitted cluster's largest FA is
    // 0.42038211548602344, and that FA x 100 / itself is 100.00000000000001 in
    // double arithmetic.
    const CliRun run =
        RunTool({"enrich", "C10H8", "--element", "C", "--atoms", "3", "--first-mz", "128.06205",
                 "--intensities", "3.437,31.2,95.189,100,7.348,0.239,0.004", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    const std::size_t largest = run.out.find("{\"n\": 3, ");
    ASSERT_NE(largest, std::string::npos);
    EXPECT_EQ(JsonValue(run.out, "fa", largest), 0.42038211548602344);
    EXPECT_EQ(JsonValue(run.out, "rel", largest), 100.0);
    const std::size_t compared = run.out.find("{\"n\": 3, ", run.out.find("\"peaks\""));
    ASSERT_NE(compared, std::string::npos);
    EXPECT_EQ(JsonValue(run.out, "calculated", compared), 100.0);
}

}  // namespace
}  // namespace tarnevo::cli
