// Pins `cluster --batch` as a script relies on it: one JSON line per ion line,
// a refused line as its own error object (help, a report or CSV asked for in a
// line included), the options beside --batch as every line's defaults with the
// line's own options winning, a line longer than 64 KiB refused without being
// kept in memory or echoed, and input that cannot be read (a directory, a
// missing file) as exit status 74 with the reason instead of an empty success;
// a line whose calculation runs out of memory (injected by its answerer) as a
// refused line of its own. Each expectation is the command's exact output for a batch file written by
// the test, through the same entry point as the program's main.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/cli.h"
#include "cli/line_reader.h"
#include "cli/parallel_batch.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::JsonValue;
using tarnevo::testing::RunTool;

constexpr double kElectron = 0.000548579909;
constexpr std::size_t kLineLimit = 64 * 1024;  // the limit the README states

// A batch file in the test's scratch folder, removed afterwards.
class BatchFile {
public:
    // A name of its own (mkstemp): CTest runs each test in a process of its
    // own, two at a time, and a name counted within one process once let two
    // tests read each other's batch.
    explicit BatchFile(const std::string& text) {
        std::string pattern = ::testing::TempDir() + "/tarnevo_batch_XXXXXX";
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

std::vector<std::string> OutputLines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

CliRun RunBatch(const std::string& text, std::vector<std::string> options = {}) {
    const BatchFile file(text);
    std::vector<std::string> arguments = {"cluster", "--batch", file.Path()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return RunTool(arguments);
}

// ---- Lines that ask for what a line cannot do ----------------------------------

struct LineCase {
    const char* name;
    const char* line;
    const char* error;
};

void PrintTo(const LineCase& lineCase, std::ostream* out) { *out << lineCase.name; }

class RefusedBatchLine : public ::testing::TestWithParam<LineCase> {};

// Help in a line once printed the usage into the JSON Lines and counted as a
// success; each of these is one error object, and the next line still runs.
TEST_P(RefusedBatchLine, IsOneErrorObjectAndTheBatchGoesOn) {
    const CliRun run = RunBatch(std::string(GetParam().line) + "\nCl2\n");
    EXPECT_EQ(run.status, kExitRefused);
    const std::vector<std::string> lines = OutputLines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[0],
              std::string("{\"line\": 1, \"error\": \"") + GetParam().error + "\", \"exitCode\": 64}");
    EXPECT_EQ(lines[1].rfind("{\"formula\": \"Cl2\"", 0), 0u) << lines[1];
    // The status comes with a count, so that a failed batch never ends unexplained.
    EXPECT_EQ(run.errors,
              "tarnevo-cli cluster: 1 batch line was refused; each has its error object in the output\n");
}

INSTANTIATE_TEST_SUITE_P(
    Words, RefusedBatchLine,
    ::testing::Values(
        LineCase{"Help", "C6H6 --help", "--help is not taken in a batch line"},
        LineCase{"ShortHelp", "-h", "-h is not taken in a batch line"},
        LineCase{"Report", "C6H6 --report r.txt", "--report is not taken in a batch line"},
        LineCase{"Csv", "C6H6 --csv", "--csv is not taken in a batch line"},
        LineCase{"Batch", "--batch=other.txt", "--batch=other.txt is not taken in a batch line"},
        // The value is missing; the line is not given a --json of the batch's own.
        LineCase{"OptionWithoutValue", "C6H6 --charge", "tarnevo-cli cluster: option --charge needs a value"},
        LineCase{"OptionAsValue", "C6H6 --charge --stop=0.9",
                 "tarnevo-cli cluster: option --charge needs a value, not the option --stop=0.9"}),
    [](const auto& named) { return std::string(named.param.name); });

// ---- The options beside --batch -------------------------------------------------

// They were dropped without a word; they hold for every line that does not
// give its own.
TEST(BatchDefaults, HoldForEachLineThatDoesNotGiveItsOwn) {
    const CliRun run = RunBatch("C6H6\nCl2 --charge -1 --stop 0.99\nJxC\nJxC --define Jx=20\n",
                                {"--charge", "2", "--stop", "0.9", "--define", "Jx=10.0129:1=0.8"});
    ASSERT_EQ(run.status, kExitOk) << run.out << run.errors;
    const std::vector<std::string> lines = OutputLines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(JsonValue(lines[0], "charge"), 2);
    EXPECT_EQ(JsonValue(lines[0], "stopFA"), 0.9);
    EXPECT_EQ(JsonValue(lines[1], "charge"), -1);
    EXPECT_EQ(JsonValue(lines[1], "stopFA"), 0.99);
    // Jx of the batch: 10.0129 u + 12 u, less two electrons for the charge 2.
    EXPECT_NEAR(JsonValue(lines[2], "ionMassA"), (10.0129 + 12.0 - 2 * kElectron), 1e-12);
    // The line's own Jx (20 u, monoisotopic) replaces the batch's.
    EXPECT_NEAR(JsonValue(lines[3], "ionMassA"), (20.0 + 12.0 - 2 * kElectron), 1e-12);
}

// The ion type beside --batch is the charge of every line that chooses none
// of its own; a line's --charge or --adduct replaces it.
TEST(BatchDefaults, AnIonTypeHoldsForEachLineThatChoosesNoCharge) {
    const CliRun run =
        RunBatch("C6H12O6\nC6H12O6 --charge 2\nC6H12O6 --adduct [M-H]-\n", {"--adduct", "[M+Na]+"});
    ASSERT_EQ(run.status, kExitOk) << run.out << run.errors;
    const std::vector<std::string> lines = OutputLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_NE(lines[0].find(R"("adduct": "[M+Na]+", "ionFormula": "C6H12NaO6")"), std::string::npos);
    EXPECT_EQ(lines[1].find("adduct"), std::string::npos);
    EXPECT_EQ(JsonValue(lines[1], "charge"), 2);
    EXPECT_NE(lines[2].find(R"("adduct": "[M-H]-", "ionFormula": "C6H11O6")"), std::string::npos);
}

struct DefaultCase {
    const char* name;
    std::vector<std::string> options;
    const char* firstErrorLine;
};

void PrintTo(const DefaultCase& defaultCase, std::ostream* out) { *out << defaultCase.name; }

class UnusableBatchOptions : public ::testing::TestWithParam<DefaultCase> {};

// An option beside --batch that no line could use is a usage error before any
// line runs, not the same refusal on every line.
TEST_P(UnusableBatchOptions, AreAUsageErrorBeforeAnyLineRuns) {
    const CliRun run = RunBatch("C6H6\nJxC\n", GetParam().options);
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.errors.substr(0, run.errors.find('\n')), GetParam().firstErrorLine);
}

INSTANTIATE_TEST_SUITE_P(
    Options, UnusableBatchOptions,
    ::testing::Values(
        DefaultCase{"Charge", {"--charge", "x"}, "--charge: an integer from -30 to 30 is required, not 'x'"},
        DefaultCase{"Stop", {"--stop", "1.5"}, "--stop: a number from 0.5 to 0.99999 is required, not '1.5'"},
        DefaultCase{"DefinitionValue",
                    {"--define", "Jx=0.5"},
                    "--define Jx: a number from 1 to 300 is required, not '0.5'"},
        DefaultCase{
            "DefinitionSymbol", {"--define", "Fe=50"}, "--define takes Jx, Jy, Jz, Qx, Qy or Qz, not Fe"},
        DefaultCase{"IonType",
                    {"--adduct", "[M+H]"},
                    "--adduct: Ion type '[M+H]' has no charge after ']'; write it as +, -, 2+ or 2-."},
        DefaultCase{"Report",
                    {"--report", "r.txt"},
                    "tarnevo-cli cluster: --batch prints JSON Lines and writes no report; --report is not "
                    "taken with it"},
        DefaultCase{"NoWorkers",
                    {"--jobs", "0"},
                    "tarnevo-cli cluster: --jobs: the number of workers, a whole number from 1 to 256"},
        DefaultCase{"PartOfAWorker",
                    {"--jobs", "1.5"},
                    "tarnevo-cli cluster: --jobs: the number of workers, a whole number from 1 to 256"},
        DefaultCase{"TooManyWorkers",
                    {"--jobs", "257"},
                    "tarnevo-cli cluster: --jobs: the number of workers, a whole number from 1 to 256"}),
    [](const auto& named) { return std::string(named.param.name); });

// ---- Workers ----------------------------------------------------------------------

// However many workers compute the ions, the output is the one a single worker
// writes, byte for byte, over several groups of lines read at once: refused
// lines, comments, resolved ions and user-defined elements among them, each
// worker keeping its engine memory from one ion to the next.
TEST(BatchWorkers, EveryNumberOfJobsWritesTheSameLines) {
    const std::vector<std::string> kinds = {"C6H6",
                                            "C%dH%dN2O3S --charge -1",
                                            "# a comment",
                                            "Xx",
                                            "",
                                            "Sn%d",
                                            "C%dH%dCl2 --adduct [M+Na]+",
                                            "JxC%d --define Jx=10.0129:1=0.8",
                                            "C%dH%d --resolution 60000",
                                            "C%d --stop 0.99",
                                            "CH4 --charge 0"};
    std::string text;
    constexpr int kLines = 1300;  // beyond two groups of 256 lines for each of two workers
    for (int k = 0; k < kLines; ++k) {
        std::string line = kinds[static_cast<std::size_t>(k) % kinds.size()];
        for (std::size_t at = line.find("%d"); at != std::string::npos; at = line.find("%d"))
            line.replace(at, 2, std::to_string(1 + k % 40));
        text += line + '\n';
    }
    const CliRun one = RunBatch(text, {"--jobs", "1"});
    EXPECT_EQ(one.status, kExitRefused);
    EXPECT_EQ(OutputLines(one.out).size(), static_cast<std::size_t>(kLines - 2 * (kLines / 11)));
    for (const char* jobs : {"2", "3", "16"}) {
        const CliRun many = RunBatch(text, {"--jobs", jobs});
        EXPECT_EQ(many.status, one.status) << jobs;
        EXPECT_EQ(many.out, one.out) << jobs;
        EXPECT_EQ(many.errors, one.errors) << jobs;
    }
}

// What a batch has printed so far, as a script reading its output sees it:
// each flush hands the bytes over.
class WatchedOutput : public std::stringbuf {
public:
    // Waits up to ten seconds for `lines` whole lines; false if they did not come.
    bool WaitForLines(std::size_t lines) {
        std::unique_lock lock(mutex_);
        return seen_.wait_for(lock, std::chrono::seconds(10), [&] {
            return static_cast<std::size_t>(std::count(handed_.begin(), handed_.end(), '\n')) >= lines;
        });
    }

protected:
    int sync() override {
        const std::lock_guard lock(mutex_);
        handed_ = str();
        seen_.notify_all();
        return 0;
    }

private:
    std::mutex mutex_;
    std::condition_variable seen_;
    std::string handed_;
};

// A script may write one ion, wait for its line, then write the next: the
// batch answers what it has before it waits for more input, however many
// workers it has.
TEST(BatchWorkers, AnswerAQuestionBeforeWaitingForTheNext) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const int savedInput = dup(STDIN_FILENO);
    ASSERT_EQ(dup2(ends[0], STDIN_FILENO), STDIN_FILENO);
    close(ends[0]);
    WatchedOutput watched;
    std::ostream out(&watched);
    std::ostringstream errors;
    int status = -1;
    std::thread batch([&] { status = RunCli({"cluster", "--batch", "-", "--jobs", "2"}, out, errors); });
    const auto ask = [&](std::string_view line) { return write(ends[1], line.data(), line.size()) > 0; };
    EXPECT_TRUE(ask("C6H6\n"));
    const bool firstAnswered = watched.WaitForLines(1);
    EXPECT_TRUE(firstAnswered);
    EXPECT_TRUE(ask("CH4\n"));
    EXPECT_TRUE(firstAnswered && watched.WaitForLines(2));
    close(ends[1]);
    batch.join();
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
    EXPECT_EQ(status, kExitOk) << errors.str();
    const std::vector<std::string> lines = OutputLines(watched.str());
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[1].rfind(R"({"formula": "CH4")", 0), 0U) << lines[1];
}

// A line whose answer throws what the batch does not answer for ends the
// batch with that exception on the caller's thread, whichever worker met it,
// with no thread left waiting for the others.
TEST(BatchWorkers, WhatALineThrowsReachesTheCaller) {
    std::string text;
    for (int k = 0; k < 100; ++k) text += "C6H6\n";
    const BatchFile file(text);
    for (const std::size_t workers : {1U, 3U}) {
        const int fd = open(file.Path().c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        LineReader reader(fd, kMaxBatchLineBytes);
        std::ostringstream out;
        const auto answer = [](const BatchLine& line) {
            if (line.number == 42) throw std::logic_error("a fault of the answerer");
            return BatchLineAnswer{"answered\n", false};
        };
        EXPECT_THROW(AnswerBatch(reader, {.count = workers, .linesEach = 4}, answer, out), std::logic_error)
            << workers;
        close(fd);
    }
}

// Regression: a line whose calculation ran out of memory (std::bad_alloc,
// injected here at line 42) ended the whole batch, the lines already answered
// unprinted. It is a refused line with its error object, whichever worker met
// it, and the batch goes on.
TEST(BatchWorkers, ALineOutOfMemoryIsRefusedAndTheBatchGoesOn) {
    std::string text;
    for (int k = 0; k < 100; ++k) text += "C6H6\n";
    const BatchFile file(text);
    for (const std::size_t workers : {1U, 3U}) {
        std::ostringstream out;
        std::ostringstream errors;
        const auto answer = [](const BatchLine& line) {
            if (line.number == 42) throw std::bad_alloc();
            return BatchLineAnswer{"answered " + std::to_string(line.number) + "\n", false};
        };
        const int status =
            RunBatchFile("cluster", file.Path(), {.count = workers, .linesEach = 4}, answer, out, errors);
        EXPECT_EQ(status, kExitRefused) << workers;
        const std::vector<std::string> lines = OutputLines(out.str());
        ASSERT_EQ(lines.size(), 100U) << workers;
        EXPECT_EQ(lines[40], "answered 41");
        EXPECT_EQ(lines[41],
                  "{\"line\": 42, \"error\": \"out of memory: the calculation needs more memory than the "
                  "system could give; ask for less (a narrower range, fewer atoms) or free memory\", "
                  "\"exitCode\": 2}");
        EXPECT_EQ(lines[99], "answered 100");
        EXPECT_EQ(errors.str(),
                  "tarnevo-cli cluster: 1 batch line was refused; each has its error object in the output\n");
    }
}

// Memory running out past a line's own refusal (here even its error object
// cannot be made) ends the batch with a message; the groups of lines answered
// before stay printed, in order.
TEST(BatchWorkers, MemoryRunningOutBeyondALineEndsTheBatchAfterTheLinesPrinted) {
    std::string text;
    for (int k = 0; k < 100; ++k) text += "C6H6\n";
    const BatchFile file(text);
    for (const std::size_t workers : {1U, 3U}) {
        std::ostringstream out;
        std::ostringstream errors;
        const auto answer = [](const BatchLine& line) {
            if (line.number == 42) throw std::bad_alloc();
            return BatchLineAnswer{"answered " + std::to_string(line.number) + "\n", false};
        };
        const auto noRefusal = [](std::size_t, const std::string&, int) -> std::string {
            throw std::bad_alloc();
        };
        const int status = RunBatchFile("cluster", file.Path(), {.count = workers, .linesEach = 4}, answer,
                                        out, errors, noRefusal);
        EXPECT_EQ(status, kExitRefused) << workers;
        const std::vector<std::string> lines = OutputLines(out.str());
        EXPECT_FALSE(lines.empty()) << workers;
        EXPECT_LT(lines.size(), 42U) << workers;
        for (std::size_t k = 0; k < lines.size(); ++k)
            EXPECT_EQ(lines[k], "answered " + std::to_string(k + 1));
        EXPECT_EQ(
            errors.str(),
            "tarnevo-cli cluster: out of memory: the calculation needs more memory than the system could "
            "give; ask for less (a narrower range, fewer atoms) or free memory; the batch ended there, "
            "after the answers printed\n");
    }
}

TEST(BatchWorkers, GoWithTheBatchOnly) {
    const CliRun run = RunTool({"cluster", "C6H6", "--jobs", "2"});
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.errors.substr(0, run.errors.find('\n')),
              "tarnevo-cli cluster: --jobs goes with --batch: one ion is one job");
}

// ---- Line length ------------------------------------------------------------------

// A 100 MB line once took 3 GB. The limit is checked on the line's bytes: a
// line of exactly 64 KiB runs, one byte more is refused, and the batch goes on.
TEST(BatchLineLength, LongerThan64KiBIsRefusedAndTheNextLineRuns) {
    const std::string atLimit = "C6H6" + std::string(kLineLimit - 4, ' ');
    const std::string overLimit = "Cl2" + std::string(kLineLimit - 2, ' ');
    const CliRun run = RunBatch(atLimit + "\n" + overLimit + "\nBr2\n");
    EXPECT_EQ(run.status, kExitRefused);
    const std::vector<std::string> lines = OutputLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out.substr(0, 500);
    EXPECT_EQ(lines[0].rfind("{\"formula\": \"C6H6\"", 0), 0u) << lines[0].substr(0, 200);
    EXPECT_EQ(
        lines[1],
        "{\"line\": 2, \"error\": \"the line is longer than 65536 bytes (64 KiB), the most a batch line "
        "may hold\", \"exitCode\": 64}");
    EXPECT_EQ(lines[2].rfind("{\"formula\": \"Br2\"", 0), 0u) << lines[2].substr(0, 200);
}

// A long word is named by its start: the error of a 60 KB value is a line of
// ordinary length that still shows what was typed.
TEST(BatchLineLength, ALongValueIsEchoedByItsStart) {
    const CliRun run = RunBatch("C6H6 --charge " + std::string(60000, '7') + "\n");
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_EQ(run.out, "{\"line\": 1, \"error\": \"--charge: an integer from -30 to 30 is required, not '" +
                           std::string(64, '7') + "...'\", \"exitCode\": 64}\n");
}

// ---- Input that cannot be read ----------------------------------------------------

// A directory opens and then fails to read; it once ended the batch with
// status 0 and nothing said.
TEST(BatchInput, ADirectoryIsAReadErrorWithItsReason) {
    const std::string folder = ::testing::TempDir() + "/tarnevo_batch_folder";
    mkdir(folder.c_str(), 0700);
    const CliRun run = RunTool({"cluster", "--batch", folder});
    rmdir(folder.c_str());
    EXPECT_EQ(run.status, kExitWriteFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.errors,
              "tarnevo-cli cluster: the batch file \"" + folder + "\" could not be read: Is a directory\n");
}

TEST(BatchInput, AMissingFileIsAReadErrorWithItsReason) {
    const std::string missing = ::testing::TempDir() + "/tarnevo_no_such_batch.txt";
    const CliRun run = RunTool({"cluster", "--batch", missing, "--json"});
    EXPECT_EQ(run.status, kExitWriteFailed);
    EXPECT_EQ(run.errors, "{\"error\": \"tarnevo-cli cluster: the batch file \\\"" + missing +
                              "\\\" could not be read: No such file or directory\", \"exitCode\": 74}\n");
}

// A last line without its line end is a line like any other.
TEST(BatchInput, TheLastLineNeedsNoLineEnd) {
    const CliRun run = RunBatch("C6H6\nCl2");
    EXPECT_EQ(run.status, kExitOk) << run.out;
    EXPECT_EQ(OutputLines(run.out).size(), 2u);
}

}  // namespace
}  // namespace tarnevo::cli
