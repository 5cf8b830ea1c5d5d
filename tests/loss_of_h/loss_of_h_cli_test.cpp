// Pins tarnevo-cli loss-of-h: the exit status for results (0), refusals (2, with
// the desktop program's message on standard error) and usage errors (64, also
// for a value its field does not accept, naming the option), the
// JSON object with peak indexes relative to [A+0] and the m/z the result page
// shows, and the report file. The doubly charged case uses an m/z that is exact
// in binary (38.5), so the m/z of every peak, 0.5 apart, can be written out here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::RefusalCase;
using Outcome = tarnevo::testing::CliRun;

Outcome RunLossOfH(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "loss-of-h");
    return tarnevo::testing::RunTool(arguments);
}

TEST(LossOfHCli, JsonNumbersPeaksFromTheFirstAndGivesThePageMz) {
    // C6H6++: 2 x 38.5 - 78.04585 = -1.05 -> the first peak is.
    const Outcome run =
        RunLossOfH({"C6H6", "--charge", "2", "--first-mz", "38.5", "--intensities", "20,100,6.5", "--json"});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.out.rfind("{\"formula\": \"C6H6\", \"charge\": 2, \"ionMassA\": ", 0), 0u) << run.out;
    EXPECT_NE(
        run.out.find(", \"firstPeakMz\": 38.5, \"firstPeakOffset\": -1, \"expPeakCount\": 3, "
                     "\"experimental\": [{\"n\": -1, \"mz\": 38.5, \"rel\": 20}, {\"n\": 0, \"mz\": 39, "
                     "\"rel\": 100}, {\"n\": 1, \"mz\": 39.5, \"rel\": 6.5}], \"corrected\": [{\"n\": 0, "
                     "\"mz\": 39, \"rel\": 100}, {\"n\": 1, \"mz\": 39.5, \"rel\": "),
        std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - 4), "}]}\n");
}

TEST(LossOfHCli, PrintsTheResultPageAndWritesTheReport) {
    const auto path = std::filesystem::temp_directory_path() / "tarnevo-loss-of-h-cli-test.txt";
    std::filesystem::remove(path);
    const Outcome run =
        RunLossOfH({"C6H6", "--first-mz", "77.05", "--intensities", "100,50,0.1", "--report", path.string()});
    ASSERT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_NE(run.out.find("***** Results for Spectrum Correction for Loss of H *****"), std::string::npos);
    EXPECT_NE(run.out.find("  [A-1]      77.05    100.000"), std::string::npos) << run.out;
    std::ifstream file(path, std::ios::binary);
    const std::string report((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(report.find("TARNEVO Loss of H Correction Data\r\n"), std::string::npos);
    EXPECT_NE(report.find("Spectrum corrected for loss of H:\r\n"), std::string::npos);
    std::filesystem::remove(path);
}

class LossOfHCliRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(LossOfHCliRefusal, EndsWithItsStatusAndMessage) { tarnevo::testing::ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Inputs, LossOfHCliRefusal,
    ::testing::Values(
        RefusalCase{{"loss-of-h", "C6H6", "--first-mz", "77.7", "--intensities", "100,50"},
                    kExitRefused,
                    "Error - The index of the first peak in the spectrum must be between -4 and -1!"},
        RefusalCase{{"loss-of-h", "C6H6", "--first-mz", "77.05", "--intensities", "100,50", "--charge", "3"},
                    kExitUsage,
                    "--charge: an integer from 1 to 2 is required, not '3'"},
        RefusalCase{{"loss-of-h", "C6H6", "--first-mz", "77.05", "--intensities", "100,100.5"},
                    kExitUsage,
                    "--intensities: a number from 0 to 100 is required, not '100.5'"},
        RefusalCase{
            {"loss-of-h", "C6H6", "--first-mz", "77.05", "--intensities", "1,2,3,4,5,6,7,8,9,10,11,12,13"},
            kExitUsage,
            "tarnevo-cli loss-of-h: --intensities takes at most 12 values"},
        RefusalCase{{"loss-of-h", "C6H6", "--intensities", "100,50"},
                    kExitUsage,
                    "tarnevo-cli loss-of-h: --first-mz MZ is required"},
        RefusalCase{{"loss-of-h", "C6H6", "--first-mz", "77.05"},
                    kExitUsage,
                    "tarnevo-cli loss-of-h: --intensities I0,I1,... is required"}));

}  // namespace
}  // namespace tarnevo::cli
