// Pins `identify --batch` as a script relies on it: one JSON line out per
// JSON line in, in input order, each echoing its "id"; a refused line answers
// with its id, line number, message and status while the batch goes on; a
// line's fields stand for the options of the same meaning, with the same
// checks, and replace the batch's; options beside --batch that cannot hold
// for every line stop the batch before a line is read. The answers are read
// back through the JSON reader, so the test sees what a script would parse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/identify_batch.h"
#include "cli/json_value.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::RunTool;

// A batch file in the test's scratch folder, removed afterwards.
class BatchFile {
public:
    explicit BatchFile(const std::string& text) {
        std::string pattern = ::testing::TempDir() + "/tarnevo_identify_batch_XXXXXX";
        const int descriptor = mkstemp(pattern.data());
        if (descriptor >= 0) close(descriptor);
        path_ = pattern;
        std::ofstream(path_, std::ios::binary) << text;
    }
    ~BatchFile() { std::remove(path_.c_str()); }
    BatchFile(const BatchFile&) = delete;
    BatchFile& operator=(const BatchFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

CliRun RunBatch(const std::string& text, const std::vector<std::string>& options = {}) {
    const BatchFile file(text);
    std::vector<std::string> arguments = {"identify", "--batch", file.Path()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return RunTool(arguments);
}

// Each answer line read as JSON.
std::vector<JsonValue> Answers(const std::string& out) {
    std::vector<JsonValue> answers;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        JsonParse parse = ParseJson(line);
        EXPECT_EQ(parse.problem, "") << line;
        answers.push_back(std::move(parse.value));
    }
    return answers;
}

std::string ErrorOf(const JsonValue& answer) {
    const JsonValue* error = answer.Find("error");
    return error == nullptr ? std::string() : error->text;
}

constexpr const char* kCaffeinePeaks = R"("peaks": [[195.0877, 100], [196.0908, 10.4], [197.0917, 1.2]])";

std::string Line(const std::string& id, const std::string& fields = {}) {
    return "{\"id\": " + id + ", " + kCaffeinePeaks + (fields.empty() ? "" : ", " + fields) + "}\n";
}

TEST(IdentifyBatch, AnswersEachLineInOrderEchoingItsId) {
    const CliRun run =
        RunBatch(Line("\"q1\"") + "\n# a comment\n" + Line("2", "\"charge\": 1") + Line("\"q\\u00e9\""));
    EXPECT_EQ(run.status, kExitOk) << run.errors;
    const std::vector<JsonValue> answers = Answers(run.out);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0].Find("id")->text, "q1");
    EXPECT_EQ(answers[1].Find("id")->kind, JsonValue::Kind::Number);  // a number stays one
    EXPECT_EQ(answers[1].Find("id")->text, "2");
    EXPECT_EQ(answers[2].Find("id")->text, "q\xC3\xA9");
    for (const JsonValue& answer : answers) {
        EXPECT_EQ(answer.members[0].key, "id");
        EXPECT_NE(answer.Find("candidates"), nullptr);
        EXPECT_EQ(answer.Find("error"), nullptr);
    }
}

// Lines are answered on every core a few dozen at a time; the answers still
// come in input order, across the batches of lines the workers share, with
// refused lines in their places.
TEST(IdentifyBatch, ManyLinesKeepTheirOrderAcrossWorkers) {
    std::string text;
    constexpr int kLines = 500;
    for (int k = 0; k < kLines; ++k)
        text += k % 7 == 3 ? "{\"id\": " + std::to_string(k) + "}\n" : Line(std::to_string(k));
    const CliRun run = RunBatch(text);
    EXPECT_EQ(run.status, kExitRefused);
    const std::vector<JsonValue> answers = Answers(run.out);
    ASSERT_EQ(answers.size(), static_cast<std::size_t>(kLines));
    for (int k = 0; k < kLines; ++k) {
        EXPECT_EQ(answers[k].Find("id")->text, std::to_string(k));
        EXPECT_EQ(answers[k].Find("error") != nullptr, k % 7 == 3) << k;
    }
}

// However many workers answer, the output is the one a single worker writes,
// byte for byte: each answer waits for those of the lines before it.
TEST(IdentifyBatch, EveryNumberOfJobsWritesTheSameAnswers) {
    std::string text;
    for (int k = 0; k < 70; ++k)
        text += k % 5 == 2 ? "{\"id\": " + std::to_string(k) + "}\n" : Line(std::to_string(k));
    const CliRun one = RunBatch(text, {"--jobs", "1"});
    EXPECT_EQ(one.status, kExitRefused);
    for (const char* jobs : {"2", "3", "16"}) {
        const CliRun many = RunBatch(text, {"--jobs", jobs});
        EXPECT_EQ(many.status, one.status) << jobs;
        EXPECT_EQ(many.out, one.out) << jobs;
    }
}

TEST(IdentifyBatch, JobsGoWithTheBatchOnly) {
    const CliRun run = RunTool({"identify", "--peaks", "195.0877:100,196.0908:10.4", "--jobs", "2"});
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_NE(run.errors.find("--jobs goes with --batch"), std::string::npos) << run.errors;
}

// A line without an id is still answered, with "id": null: the line number
// of a refused one, and the order of the rest, tell which it was.
TEST(IdentifyBatch, ALineWithoutIdAnswersWithNull) {
    const CliRun run = RunBatch(std::string("{") + kCaffeinePeaks + "}\n");
    EXPECT_EQ(run.status, kExitOk) << run.errors;
    const std::vector<JsonValue> answers = Answers(run.out);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].Find("id")->kind, JsonValue::Kind::Null);
}

struct RefusedLine {
    const char* name;
    std::string line;
    std::string error;
    int exitCode;
};

void PrintTo(const RefusedLine& refused, std::ostream* out) { *out << refused.name; }

class RefusedBatchLine : public ::testing::TestWithParam<RefusedLine> {};

// Between two good lines, the refused one answers on line 3 (line 2 is blank)
// and the batch goes on to line 4.
TEST_P(RefusedBatchLine, AnswersWithItsErrorAndTheBatchGoesOn) {
    const CliRun run = RunBatch(Line("\"before\"") + "\n" + GetParam().line + "\n" + Line("\"after\""));
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_EQ(run.errors,
              "tarnevo-cli identify: 1 batch line was refused; each has its error object in the output\n");
    const std::vector<JsonValue> answers = Answers(run.out);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0].Find("id")->text, "before");
    EXPECT_EQ(answers[2].Find("id")->text, "after");
    const JsonValue& refused = answers[1];
    ASSERT_NE(refused.Find("line"), nullptr) << run.out;
    EXPECT_EQ(refused.Find("line")->number, 3.0);
    EXPECT_EQ(ErrorOf(refused), GetParam().error);
    EXPECT_EQ(refused.Find("exitCode")->number, GetParam().exitCode);
    EXPECT_EQ(refused.Find("candidates"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    NotALine, RefusedBatchLine,
    ::testing::Values(RefusedLine{"notJson", "q1 195.0877:100", "not JSON: expected a value at byte 1",
                                  kExitUsage},
                      RefusedLine{"cut", "{\"id\": \"q1\", \"peaks\": [[195.08",
                                  "not JSON: expected ',' or ']' at byte 31", kExitUsage},
                      RefusedLine{"notAnObject", "[[195.0877, 100]]",
                                  "a batch line is one JSON object, not an array", kExitUsage},
                      RefusedLine{"idAnArray", "{\"id\": [1]}",
                                  "\"id\": a string or a number is required, not an array", kExitUsage}),
    [](const ::testing::TestParamInfo<RefusedLine>& param) { return std::string(param.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusedBatchLine,
    ::testing::Values(
        RefusedLine{"noPeaks", "{\"id\": \"x\"}", "the line gives no \"peaks\": [[MZ, I], ...]", kExitUsage},
        RefusedLine{"peaksAString", "{\"id\": \"x\", \"peaks\": \"195.0877:100\"}",
                    "\"peaks\": an array of [MZ, I] is required, not a string", kExitUsage},
        RefusedLine{"peakOfThree", "{\"id\": \"x\", \"peaks\": [[195.0877, 100], [196.0908, 10.4, 1]]}",
                    "\"peaks\": each peak is [MZ, I], two numbers; peak 2 is not", kExitUsage},
        RefusedLine{"peakAsText", "{\"id\": \"x\", \"peaks\": [[\"195.0877\", 100]]}",
                    "\"peaks\": each peak is [MZ, I], two numbers; peak 1 is not", kExitUsage},
        RefusedLine{
            "unknownField", Line("\"x\"", "\"charges\": 1"),
            "unknown field \"charges\"; a line gives id, peaks, charge, polarity, adducts, elements, ppm, "
            "top, resolvingPower, instrument",
            kExitUsage},
        RefusedLine{"chargeAsText", Line("\"x\"", "\"charge\": \"1\""),
                    "\"charge\": a number is required, not a string", kExitUsage},
        RefusedLine{"adductsNotStrings", Line("\"x\"", "\"adducts\": [1]"),
                    "\"adducts\": an array of strings is required; item 1 is a number", kExitUsage},
        // The fields are read with the options' own checks and messages.
        RefusedLine{
            "chargeZero", Line("\"x\"", "\"charge\": 0"),
            "--charge: 0 is no ion's charge; leave --charge out to read the charge from the spacing of the "
            "peaks",
            kExitUsage},
        RefusedLine{"ppmOutOfRange", Line("\"x\"", "\"ppm\": 5000"),
                    "--ppm: a number from 0.01 to 1000 is required, not '5000'", kExitUsage},
        RefusedLine{"badElement", Line("\"x\"", "\"elements\": [\"C\", \"Xy:0:3\"]"),
                    "--element: 'Xy' is no element symbol", kExitUsage},
        RefusedLine{
            "topZero", Line("\"x\"", "\"top\": 0"),
            "--top: a whole number from 1 to 1000000 is required, not '0' (--all lists every candidate)",
            kExitUsage},
        RefusedLine{"resolvingPowerTooLow", Line("\"x\"", "\"resolvingPower\": 5"),
                    "--resolution: a number from 100 to 10000000 is required, not '5'", kExitUsage},
        // Regression: the later of two disagreeing fields was taken, the other dropped.
        RefusedLine{"chargeThenPolarityDisagreeing", Line("\"x\"", "\"charge\": 1, \"polarity\": \"-\""),
                    "--polarity - disagrees with --charge 1; give one or the other", kExitUsage},
        RefusedLine{"polarityThenChargeDisagreeing", Line("\"x\"", "\"polarity\": \"-\", \"charge\": 1"),
                    "--polarity - disagrees with --charge 1; give one or the other", kExitUsage},
        RefusedLine{"adductsThenChargeDisagreeing", Line("\"x\"", "\"adducts\": [\"[M+H]+\"], \"charge\": 2"),
                    "--charge 2 disagrees with the charge of [M+H]+ (+); give one or the other", kExitUsage},
        RefusedLine{"polarityAgainstItsAdducts",
                    Line("\"x\"", "\"polarity\": \"+\", \"adducts\": [\"[M-H]-\"]"),
                    "--polarity + disagrees with the charge of [M-H]-; give one or the other", kExitUsage}),
    [](const ::testing::TestParamInfo<RefusedLine>& param) { return std::string(param.param.name); });

// The id of a line refused after it was read is echoed beside the line number.
TEST(IdentifyBatch, ARefusedLineEchoesItsId) {
    const CliRun run = RunBatch(Line("\"q7\"", "\"ppm\": -1"));
    EXPECT_EQ(run.status, kExitRefused);
    const std::vector<JsonValue> answers = Answers(run.out);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].members[0].key, "id");
    EXPECT_EQ(answers[0].Find("id")->text, "q7");
    EXPECT_EQ(answers[0].Find("line")->number, 1.0);
}

// The batch's options hold for each line without the field; a line's field
// replaces them. --ppm 0.005 beside --batch is out of range and refused
// before any line; a line's "ppm" of 3 is fine. A line's "charge" replaces
// the batch's --polarity, so "charge": 1 beside --polarity - is no conflict,
// while a line giving neither takes the batch's --adduct [M-H]- and --polarity -.
TEST(IdentifyBatch, ALinesFieldsReplaceTheBatchOptions) {
    const CliRun run = RunBatch(Line("\"own charge\"", "\"charge\": 1") + Line("\"batch charge\""),
                                {"--polarity", "-", "--ppm", "3"});
    EXPECT_EQ(run.status, kExitOk) << run.out << run.errors;
    EXPECT_EQ(Answers(run.out).size(), 2u);

    const CliRun conflicting =
        RunBatch(Line("\"own polarity\"", "\"polarity\": \"+\""), {"--adduct", "[M-H]-"});
    const std::vector<JsonValue> answers = Answers(conflicting.out);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(ErrorOf(answers[0]), "--polarity + disagrees with the charge of [M-H]-; give one or the other");
}

// A line's ion types carry their charge: they replace the batch's --charge
// and --polarity, as a cluster batch line's ion type replaces the batch's
// charge (regression: [M-H]- was refused beside --charge 1).
TEST(IdentifyBatch, ALinesAdductsReplaceTheBatchCharge) {
    const CliRun run = RunBatch(Line("\"negative\"", "\"adducts\": [\"[M-H]-\"]") + Line("\"batch\""),
                                {"--charge", "1", "--polarity", "+"});
    EXPECT_EQ(run.status, kExitOk) << run.out << run.errors;
    const std::vector<JsonValue> answers = Answers(run.out);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].Find("charge")->number, -1.0) << run.out;
    EXPECT_EQ(answers[1].Find("charge")->number, 1.0) << run.out;
}

struct RefusedDefaults {
    const char* name;
    std::vector<std::string> options;
    std::string firstErrorLine;
};

void PrintTo(const RefusedDefaults& refused, std::ostream* out) { *out << refused.name; }

class RefusedBatchOptions : public ::testing::TestWithParam<RefusedDefaults> {};

// Nothing is read and nothing printed: every line would fail the same way.
TEST_P(RefusedBatchOptions, StopTheBatchBeforeItsFirstLine) {
    const CliRun run = RunBatch(Line("\"q1\""), GetParam().options);
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.errors.substr(0, run.errors.find('\n')), GetParam().firstErrorLine);
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, RefusedBatchOptions,
    ::testing::Values(
        RefusedDefaults{
            "csv", {"--csv"}, "tarnevo-cli identify: --batch prints JSON Lines; --csv is not taken with it"},
        RefusedDefaults{
            "report",
            {"--report", "x.txt"},
            "tarnevo-cli identify: --batch prints JSON Lines and writes no report; --report is not "
            "taken with it"},
        RefusedDefaults{
            "peaks",
            {"--peaks", "1:2"},
            "tarnevo-cli identify: each batch line gives its own \"peaks\"; --peaks is not taken with "
            "--batch"},
        RefusedDefaults{
            "badPpm", {"--ppm", "0.005"}, "--ppm: a number from 0.01 to 1000 is required, not '0.005'"},
        RefusedDefaults{"noJobs",
                        {"--jobs", "0"},
                        "tarnevo-cli identify: --jobs: the number of workers, a whole number from 1 to 256"},
        RefusedDefaults{"partJob",
                        {"--jobs", "1.5"},
                        "tarnevo-cli identify: --jobs: the number of workers, a whole number from 1 to 256"},
        RefusedDefaults{"tooManyJobs",
                        {"--jobs", "257"},
                        "tarnevo-cli identify: --jobs: the number of workers, a whole number from 1 to 256"},
        RefusedDefaults{"badFilter",
                        {"--no-filter", "x"},
                        "--no-filter: rdbe, ratios or lewis-senior is required, not 'x'"}),
    [](const ::testing::TestParamInfo<RefusedDefaults>& param) { return std::string(param.param.name); });

TEST(IdentifyBatch, AMissingBatchFileIsUnreadable) {
    const CliRun run = RunTool({"identify", "--batch", "/nonexistent/batch.jsonl"});
    EXPECT_EQ(run.status, kExitWriteFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.errors,
              "tarnevo-cli identify: the batch file \"/nonexistent/batch.jsonl\" could not be read: No such "
              "file or "
              "directory\n");
}

// A line beyond the 64 KiB limit is refused by its number, neither kept nor
// echoed, and the next line is still answered.
TEST(IdentifyBatch, ALineTooLongIsRefusedAndTheBatchGoesOn) {
    const std::string longLine = "{\"id\": \"" + std::string(70 * 1024, 'x') + "\"}\n";
    const CliRun run = RunBatch(longLine + Line("\"next\""));
    EXPECT_EQ(run.status, kExitRefused);
    const std::vector<JsonValue> answers = Answers(run.out);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].Find("line")->number, 1.0);
    EXPECT_EQ(ErrorOf(answers[0]),
              "the line is longer than 65536 bytes (64 KiB), the most a batch line may hold");
    EXPECT_EQ(answers[1].Find("id")->text, "next");
}

// Random bytes as batch lines: each is answered by exactly one JSON line (or
// skipped as blank or comment), never a crash or a broken output line.
TEST(IdentifyBatch, RandomLinesAreEachAnsweredWithValidJson) {
    std::mt19937 random(8122026);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(1, 60);
    for (int trial = 0; trial < 300; ++trial) {
        std::string line;
        for (int k = length(random); k > 0; --k) {
            const char c = static_cast<char>(byte(random));
            line += c == '\n' ? ' ' : c;
        }
        const BatchLineAnswer answer = AnswerBatchLine(line, 1, {});
        if (answer.json.empty()) continue;  // blank or a comment
        EXPECT_TRUE(answer.refused);
        EXPECT_EQ(answer.json.back(), '\n');
        EXPECT_EQ(answer.json.find('\n'), answer.json.size() - 1);
        EXPECT_EQ(ParseJson(answer.json).problem, "") << answer.json;
    }
}

}  // namespace
}  // namespace tarnevo::cli
