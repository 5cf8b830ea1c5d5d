// Pins tarnevo-cli identify end to end on a measurement whose answer is known:
// the peaks of protonated caffeine as an instrument of R 60,000 records them,
// computed from the exact fine structure with the full-precision masses. The
// true ion must rank first whichever way the peaks reach the command (--peaks,
// a peaks file, a batch line), and the three ways must agree candidate for
// candidate: they differ only in how the numbers are read. The ion's m/z is
// checked against a sum worked by hand, not against the program's own output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "calc/ion_identify_run.h"
#include "calc/resolved_pattern.h"
#include "cli/cli.h"
#include "cli/json_value.h"
#include "core/formula_parser.h"
#include "core/text_format.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::RunTool;

// The resolved peaks of C8H11N4O2+ at R 60,000 above 0.1 % of the base peak,
// intensities in percent of it.
std::vector<core::ResolvedPeak> CaffeineProtonatedPeaks() {
    core::ParsedFormula ion;
    EXPECT_EQ(core::ParseFormulaText("C8H11N4O2", ion), core::FormulaSyntax::Valid);
    const calc::ResolvedIon resolved =
        calc::ResolveIon(calc::IdentificationTable(), ion, 1,
                         {60000.0, core::ResolvingPowerModel::Constant, 200.0}, core::ProfileWanted::No);
    double base = 0.0;
    for (const core::ResolvedPeak& peak : resolved.pattern.peaks) base = std::max(base, peak.abundance);
    std::vector<core::ResolvedPeak> peaks;
    for (const core::ResolvedPeak& peak : resolved.pattern.peaks) {
        if (peak.abundance >= 0.001 * base) peaks.push_back({peak.mz, 100.0 * peak.abundance / base});
    }
    return peaks;
}

class TempFile {
public:
    TempFile(const std::string& name, const std::string& text)
        : path_(::testing::TempDir() + "/tarnevo_" + name + "_" + std::to_string(getpid())) {
        std::ofstream(path_) << text;
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

JsonValue ReadAnswer(const CliRun& run) {
    EXPECT_EQ(run.status, kExitOk) << run.errors;
    JsonParse parse = ParseJson(run.out);
    EXPECT_EQ(parse.problem, "") << run.out;
    return std::move(parse.value);
}

// The ranked list as "adduct formula" texts, to compare two answers.
std::vector<std::string> Ranking(const JsonValue& answer) {
    std::vector<std::string> ranking;
    const JsonValue* candidates = answer.Find("candidates");
    if (candidates == nullptr) return ranking;
    for (const JsonValue& candidate : candidates->items)
        ranking.push_back(candidate.Find("adduct")->text + " " + candidate.Find("formula")->text);
    return ranking;
}

TEST(IdentifyEndToEnd, ProtonatedCaffeineRanksFirstByEveryInput) {
    const std::vector<core::ResolvedPeak> peaks = CaffeineProtonatedPeaks();
    ASSERT_GE(peaks.size(), 3u);
    std::string option;
    std::string file = "m/z\tintensity\n";
    std::string batch = "{\"id\": \"caffeine\", \"charge\": 1, \"peaks\": [";
    for (std::size_t k = 0; k < peaks.size(); ++k) {
        const std::string mz = core::FormatShortest(peaks[k].mz);
        const std::string intensity = core::FormatShortest(peaks[k].abundance);
        option += (k == 0 ? "" : ",") + mz + ":" + intensity;
        file += mz + "\t" + intensity + "\n";
        batch += (k == 0 ? "[" : ", [") + mz + ", " + intensity + "]";
    }
    batch += "]}\n";

    const JsonValue fromOption =
        ReadAnswer(RunTool({"identify", "--peaks", option, "--charge", "1", "--json"}));
    const std::vector<std::string> ranking = Ranking(fromOption);
    ASSERT_FALSE(ranking.empty());
    EXPECT_EQ(ranking.front(), "[M+H]+ C8H10N4O2");
    const JsonValue& best = fromOption.Find("candidates")->items.front();
    EXPECT_EQ(best.Find("ionFormula")->text, "C8H11N4O2");
    // 8 x 12 + 11 x 1.00782503207 + 4 x 14.0030740048 + 2 x 15.99491461956
    // - 0.00054857991 (one electron) = 195.08765203 u.
    EXPECT_NEAR(best.Find("mz")->number, 195.08765203, 2e-6);
    EXPECT_EQ(best.Find("electronClass")->text, "EE");
    EXPECT_EQ(best.Find("dbe")->number, 6.0);  // caffeine: two rings, four double bonds

    const TempFile peaksFile("caffeine_peaks", file);
    EXPECT_EQ(Ranking(ReadAnswer(
                  RunTool({"identify", "--peaks-file", peaksFile.Path(), "--charge", "1", "--json"}))),
              ranking);
    const TempFile batchFile("caffeine_batch", batch);
    const JsonValue fromBatch = ReadAnswer(RunTool({"identify", "--batch", batchFile.Path()}));
    EXPECT_EQ(fromBatch.Find("id")->text, "caffeine");
    EXPECT_EQ(Ranking(fromBatch), ranking);
}

// Without --charge the spacing of the peaks tells z = 1, with the polarity's sign.
TEST(IdentifyEndToEnd, TheChargeIsReadFromTheSpacing) {
    std::string option;
    for (const core::ResolvedPeak& peak : CaffeineProtonatedPeaks()) {
        option += (option.empty() ? "" : ",") + core::FormatShortest(peak.mz) + ":" +
                  core::FormatShortest(peak.abundance);
    }
    const JsonValue answer =
        ReadAnswer(RunTool({"identify", "--peaks", option, "--polarity", "+", "--json"}));
    EXPECT_EQ(answer.Find("charge")->number, 1.0);
    EXPECT_TRUE(answer.Find("chargeInferred")->boolean);
    ASSERT_FALSE(Ranking(answer).empty());
    EXPECT_EQ(Ranking(answer).front(), "[M+H]+ C8H10N4O2");
}

}  // namespace
}  // namespace tarnevo::cli
