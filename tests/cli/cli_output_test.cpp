// Pins that tarnevo-cli never reports success for output it lost: standard
// output on a full device or a closed descriptor, a file size limit, and a
// report that cannot be saved all end with exit status 74 and a message, and
// leave no temporary file. The built program is run through /bin/sh with the
// real redirections (> /dev/full, >&-, ulimit -f) and, for the read-only
// folder, as the user nobody through setpriv when the tests run as root, so
// the evidence is the program's own exit status, standard error and the
// folder afterwards. A batch read from a standard input that cannot be read
// (a folder, a closed descriptor) ends the same way, and a batch whose output
// is lost reports that failure alone. Memory running out (ulimit -v) is a
// refusal with a message, not an abort. Also pins MIN-MAX ranges whose numbers
// carry exponents.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/cli.h"
#include "cli/standard_output.h"

namespace tarnevo::cli {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "tarnevo-cli-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        chmod(path_.c_str(), 0755);  // the unprivileged user must reach inside
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::permissions(path_ / "locked", fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

struct ShellRun {
    int status = -1;
    std::string errors;
};

// Runs "tarnevo-cli <arguments>" through /bin/sh, prefix and redirections
// included; standard error is captured in the folder.
ShellRun RunShell(const ScratchFolder& folder, const std::string& prefix, const std::string& arguments) {
    const fs::path errors = folder.Path() / "errors.log";
    const std::string command =
        prefix + " '" TARNEVO_CLI_PATH "' " + arguments + " 2>'" + errors.string() + "'";
    const int status = std::system(command.c_str());
    ShellRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.errors = ReadFile(errors);
    fs::remove(errors);
    return run;
}

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// ---- Standard output -----------------------------------------------------------

struct OutputCase {
    const char* name;
    const char* shell;  // prefix and redirection of standard output
    const char* reason;
};

void PrintTo(const OutputCase& outputCase, std::ostream* out) { *out << outputCase.name; }

class LostStandardOutput : public ::testing::TestWithParam<OutputCase> {};

TEST_P(LostStandardOutput, ExitsWith74AndSaysWhy) {
    const ScratchFolder folder;
    const std::string redirection = GetParam().shell;
    const ShellRun run = RunShell(folder, "", "cluster C6H6 " + redirection);
    EXPECT_EQ(run.status, kExitWriteFailed) << run.errors;
    EXPECT_EQ(run.errors, std::string("tarnevo-cli: the output could not be written to standard output: ") +
                              GetParam().reason + "\n");
}

INSTANTIATE_TEST_SUITE_P(Redirections, LostStandardOutput,
                         ::testing::Values(OutputCase{"FullDevice", ">/dev/full", "No space left on device"},
                                           OutputCase{"ClosedDescriptor", ">&-", "Bad file descriptor"}),
                         [](const auto& named) { return std::string(named.param.name); });

// Under --json the failure is the same JSON object as every other failure; it
// was a line of plain text.
TEST(LostStandardOutput, UnderJsonIsAJsonObject) {
    const ScratchFolder folder;
    const ShellRun run = RunShell(folder, "", "cluster C6H6 --json >/dev/full");
    EXPECT_EQ(run.status, kExitWriteFailed) << run.errors;
    EXPECT_EQ(run.errors,
              "{\"error\": \"tarnevo-cli: the output could not be written to standard output: No space left "
              "on device\", \"exitCode\": 74}\n");
}

// The polymer page of 30 ions is far beyond 512 bytes: without care SIGXFSZ
// kills the program (exit 153) in the middle of the page.
TEST(LostStandardOutput, FileSizeLimitIsAFailureNotASignal) {
    const ScratchFolder folder;
    const fs::path page = folder.Path() / "page.txt";
    const ShellRun run = RunShell(folder, "ulimit -f 1;",
                                  "polymer --ru C2H4O --ci Na --ru-range 1-30 >'" + page.string() + "'");
    EXPECT_EQ(run.status, kExitWriteFailed) << run.errors;
    EXPECT_EQ(run.errors,
              "tarnevo-cli: the output could not be written to standard output: File too large\n");
}

TEST(DescriptorOutput, PassesEveryByteWhenTheWritesSucceed) {
    const ScratchFolder folder;
    const fs::path file = folder.Path() / "out.txt";
    const std::vector<std::string> arguments = {"polymer", "--ru",       "C2H4O", "--ci",
                                                "Na",      "--ru-range", "1-30"};
    std::ostringstream expected;
    std::ostringstream ignored;
    ASSERT_EQ(RunCli(arguments, expected, ignored), kExitOk);
    constexpr std::size_t kSmallBuffer = 100;  // odd-sized pieces, many drains
    ASSERT_GT(expected.str().size(), 100 * kSmallBuffer);

    std::FILE* handle = std::fopen(file.c_str(), "wb");
    ASSERT_NE(handle, nullptr);
    int status = 0;
    std::ostringstream errors;
    {
        DescriptorOutput buffer(fileno(handle), kSmallBuffer);
        std::ostream out(&buffer);
        status = FinishStandardOutput(RunCli(arguments, out, errors), out, buffer, errors);
    }
    std::fclose(handle);
    EXPECT_EQ(status, kExitOk);
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(ReadFile(file), expected.str());
}

// ---- Batch input ---------------------------------------------------------------

struct InputCase {
    const char* name;
    const char* redirection;  // of standard input; FOLDER stands for a folder
    const char* reason;
};

void PrintTo(const InputCase& inputCase, std::ostream* out) { *out << inputCase.name; }

class UnreadableStandardInput : public ::testing::TestWithParam<InputCase> {};

// A batch from a standard input that cannot be read once ended with status 0
// and nothing said, as if it were empty.
TEST_P(UnreadableStandardInput, ExitsWith74AndSaysWhy) {
    const ScratchFolder folder;
    std::string redirection = GetParam().redirection;
    if (const std::size_t at = redirection.find("FOLDER"); at != std::string::npos) {
        redirection.replace(at, 6, "'" + folder.Path().string() + "'");
    }
    const ShellRun run = RunShell(folder, "", "cluster --batch - >/dev/null " + redirection);
    EXPECT_EQ(run.status, kExitWriteFailed) << run.errors;
    EXPECT_EQ(run.errors, std::string("tarnevo-cli cluster: standard input could not be read: ") +
                              GetParam().reason + "\n");
}

INSTANTIATE_TEST_SUITE_P(Redirections, UnreadableStandardInput,
                         ::testing::Values(InputCase{"Folder", "<FOLDER", "Is a directory"},
                                           InputCase{"Closed", "<&-", "Bad file descriptor"}),
                         [](const auto& named) { return std::string(named.param.name); });

// ---- Batch output --------------------------------------------------------------

struct BatchOutputCase {
    const char* name;
    const char* command;
    const char* line;  // a line the batch refuses
    const char* json;  // "--json" or ""
    const char* errors;
};

void PrintTo(const BatchOutputCase& batchCase, std::ostream* out) { *out << batchCase.name; }

class LostBatchOutput : public ::testing::TestWithParam<BatchOutputCase> {};

// Regression: the refused lines of a batch whose output was lost were counted
// as refused ("100 batch lines were refused; each has its error object in the
// output", with nothing written), beside the failure of standard output, and
// under --json as a second error object. Only the write failure is reported.
TEST_P(LostBatchOutput, IsOneWriteFailure) {
    const ScratchFolder folder;
    const fs::path batch = folder.Path() / "batch.txt";
    {
        std::ofstream file(batch);
        for (int k = 0; k < 100; ++k) file << GetParam().line << '\n';
    }
    const ShellRun run = RunShell(folder, "",
                                  std::string(GetParam().command) + " --batch '" + batch.string() + "' " +
                                      GetParam().json + " >/dev/full");
    EXPECT_EQ(run.status, kExitWriteFailed) << run.errors;
    EXPECT_EQ(run.errors, GetParam().errors);
}

constexpr const char* kLostText =
    "tarnevo-cli: the output could not be written to standard output: No space left on device\n";
constexpr const char* kLostJson =
    "{\"error\": \"tarnevo-cli: the output could not be written to standard output: No space left on "
    "device\", \"exitCode\": 74}\n";

INSTANTIATE_TEST_SUITE_P(
    BothBatches, LostBatchOutput,
    ::testing::Values(BatchOutputCase{"Cluster", "cluster", "Xx2", "", kLostText},
                      BatchOutputCase{"ClusterJson", "cluster", "Xx2", "--json", kLostJson},
                      BatchOutputCase{"Identify", "identify", "[1, 2]", "", kLostText},
                      BatchOutputCase{"IdentifyJson", "identify", "[1, 2]", "--json", kLostJson}),
    [](const auto& named) { return std::string(named.param.name); });

// ---- Memory running out ----------------------------------------------------------

// Every formula of a wide window kept for --all, in an address space held to
// 60 MB (the program itself needs some 20): the list outgrows it at once.
// Regression: std::bad_alloc ended the program with "terminate called" and
// SIGABRT (status 134); it is a refusal with a message like any other.
TEST(OutOfMemory, EndsTheCommandWithStatus2AndAMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves far more address space than the limit allows";
#endif
    const ScratchFolder folder;
    const std::string search =
        "formulas 3000 --tol 0.5 --all --element C --element H --element N --element O --element S";
    const std::string message =
        "tarnevo-cli formulas: out of memory: the calculation needs more memory than the system could give; "
        "ask for less (a narrower range, fewer atoms) or free memory";
    const ShellRun text = RunShell(folder, "ulimit -v 60000;", search + " >/dev/null");
    EXPECT_EQ(text.status, kExitRefused) << text.errors;
    EXPECT_EQ(text.errors, message + "\n");
    const ShellRun json = RunShell(folder, "ulimit -v 60000;", search + " --json >/dev/null");
    EXPECT_EQ(json.status, kExitRefused) << json.errors;
    EXPECT_EQ(json.errors, "{\"error\": \"" + message + "\", \"exitCode\": 2}\n");
}

// ---- The report ----------------------------------------------------------------

TEST(ReportOption, DashWritesTheReportAfterThePageOnStandardOutput) {
    const ScratchFolder folder;
    const fs::path both = folder.Path() / "both.txt";
    const ShellRun run = RunShell(folder, "", "isotopes C --report - >'" + both.string() + "'");
    EXPECT_EQ(run.status, kExitOk) << run.errors;
    const std::string text = ReadFile(both);
    const std::size_t report = text.find("TARNEVO Isotope Data\r\n");
    ASSERT_NE(report, std::string::npos) << text;
    EXPECT_NE(text.find("Isotopes of C"), std::string::npos);
    EXPECT_LT(text.find('\n'), report) << "the page comes first";
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(ReportOption, FileSizeLimitFailsTheSaveAndLeavesNoTemporary) {
    const ScratchFolder folder;
    const fs::path report = folder.Path() / "report.txt";
    const ShellRun run =
        RunShell(folder, "ulimit -f 1;",
                 "polymer --ru C2H4O --ci Na --ru-range 1-30 >/dev/null --report '" + report.string() + "'");
    EXPECT_EQ(run.status, kExitWriteFailed) << run.errors;
    EXPECT_EQ(run.errors, "The report could not be saved to \"" + report.string() +
                              "\": File too large. Any earlier file of that name is unchanged.\n");
    EXPECT_EQ(EntriesIn(folder.Path()), 0u) << "a temporary file was left behind";
}

// An ordinary user (nobody, through setpriv, when the tests run as root)
// saving over a writable report in a folder that forbids new files.
TEST(ReportOption, ReadOnlyFolderIsNamedForAnUnprivilegedUser) {
    const ScratchFolder folder;
    const fs::path locked = folder.Path() / "locked";
    fs::create_directory(locked);
    const fs::path report = locked / "report.txt";
    std::ofstream(report) << "old\r\n";
    std::string prefix;
    if (geteuid() == 0) {
        ASSERT_EQ(chown(locked.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(report.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(folder.Path().c_str(), 65534, 65534), 0);  // for the error log
        prefix = "setpriv --reuid=nobody --regid=nogroup --clear-groups";
    }
    chmod(locked.c_str(), 0555);
    const ShellRun run = RunShell(folder, prefix, "isotopes C >/dev/null --report '" + report.string() + "'");
    EXPECT_EQ(run.status, kExitWriteFailed) << run.errors;
    EXPECT_EQ(run.errors, "The report could not be saved to \"" + report.string() + "\": The folder \"" +
                              locked.string() +
                              "\" does not allow the temporary file that a safe save writes first "
                              "(Permission denied). Any earlier file of that name is unchanged.\n");
    EXPECT_EQ(ReadFile(report), "old\r\n");
    EXPECT_EQ(EntriesIn(locked), 1u);
}

// ---- Ranges with exponents -----------------------------------------------------

struct RangeCase {
    const char* name;
    const char* range;
    int status;
    const char* firstErrorLine;
};

void PrintTo(const RangeCase& rangeCase, std::ostream* out) { *out << rangeCase.name; }

class MzRange : public ::testing::TestWithParam<RangeCase> {};

// Each range is split into the two numbers the dialog checks: a wrong split
// gives the usage error (64) or a different window.
TEST_P(MzRange, SplitsBetweenTheNumbers) {
    std::ostringstream out;
    std::ostringstream errors;
    std::vector<std::string> arguments = {"polymer", "--ru",       "C2H4O",         "--ci",
                                          "Na",      "--mz-range", GetParam().range};
    if (GetParam().status == kExitOk) arguments.emplace_back("--json");
    const int status = RunCli(arguments, out, errors);
    EXPECT_EQ(status, GetParam().status) << errors.str();
    EXPECT_EQ(errors.str().substr(0, errors.str().find('\n')), GetParam().firstErrorLine);
    if (status == kExitOk) {
        // 50 to 400 holds the ions with 1 .. 8 repeating units.
        EXPECT_NE(out.str().find("\"firstRUCount\": 1, \"lastRUCount\": 8"), std::string::npos) << out.str();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exponents, MzRange,
    ::testing::Values(RangeCase{"Plain", "50-400", kExitOk, ""},
                      RangeCase{"ExponentOnBothSides", "5e1-4e2", kExitOk, ""},
                      RangeCase{"SignedExponents", "5.0E+1-4.0e+02", kExitOk, ""},
                      RangeCase{"NegativeExponentOnTheLeft", "5000e-2-400", kExitOk, ""},
                      RangeCase{"NegativeExponentOnTheRight", "50-40000E-2", kExitOk, ""},
                      // Split right, the minimum is then checked on its own.
                      RangeCase{"TinyMinimum", "1e-5-400", kExitUsage,
                                "--mz-range: a number from 1 to 50000 is required, not '1e-5'"},
                      RangeCase{"NoSecondNumber", "1e-5", kExitUsage,
                                "tarnevo-cli polymer: a range is written MIN-MAX, e.g. --ru-range 4-8 or "
                                "--mz-range 50-400"}),
    [](const auto& named) { return std::string(named.param.name); });

}  // namespace
}  // namespace tarnevo::cli
