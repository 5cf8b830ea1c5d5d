// Pins how a report reaches the disk: a save either replaces the file with
// every byte of the new report or leaves the directory exactly as it was (an
// older report byte-identical, no temporary left behind), and the document's
// save bookkeeping (saveCount, savedFlag, runDate, the modified flag) moves
// only on success. Failures are real ones made by the operating system: a
// missing directory, a directory in the target's place, a file size limit
// that stops writing part way (as a full disk does), and a write-protected
// report, which is refused even for the superuser. The evidence is a
// snapshot of the whole test directory taken before and after each attempt.
// What lies at the path (links, devices, FIFOs, other owners, unprivileged
// users) is pinned in save_targets_test.cpp.
#include "document/report_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "document/document.h"
#include "output/report.h"
#include "tests/output/sample_states.h"
#include "tests/output/scratch_files.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::testing {
namespace {

using doc::Document;
using doc::WriteFileSafely;

// While alive, files of this process cannot grow beyond `bytes`, and writing
// past the limit fails with EFBIG instead of killing the process: the same
// short write and error a full disk gives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    sighandler_t oldHandler_{};
};

const std::string kOldReport =
    "TARNEVO Isotope Data\r\nIsotopes of C\r\n\r\nTARNEVO run on May 01, 2029, at 08.00 h\r\n";

// ---- Successful writes -------------------------------------------------

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
    ~ScopedUmask() { umask(old_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t old_;
};

TEST(AtomicWriteTest, NewFileHoldsTheBytesWithNormalPermissions) {
    const ScratchDirectory dir;
    const ScopedUmask mask(022);
    const fs::path target = dir.Path() / "File_X.txt";
    EXPECT_EQ(WriteFileSafely(target, "line 1\r\nline 2\r\n"), std::nullopt);
    EXPECT_EQ(ReadFile(target), "line 1\r\nline 2\r\n");
    EXPECT_EQ(ModeOf(target), 0644u);
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u) << "a temporary file was left behind";
}

TEST(AtomicWriteTest, OverwriteReplacesAllBytesAndKeepsTheMode) {
    const ScratchDirectory dir;
    const fs::path target = dir.Path() / "report.txt";
    WriteFile(target, kOldReport + std::string(1000, 'x'));
    chmod(target.c_str(), 0600);
    EXPECT_EQ(WriteFileSafely(target, "short\r\n"), std::nullopt);
    EXPECT_EQ(ReadFile(target), "short\r\n");
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u);
}

TEST(AtomicWriteTest, RelativePathWritesIntoTheWorkingDirectory) {
    const ScratchDirectory dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    const auto reason = WriteFileSafely("plain.txt", "x\r\n");
    fs::current_path(previous);
    EXPECT_EQ(reason, std::nullopt);
    EXPECT_EQ(ReadFile(dir.Path() / "plain.txt"), "x\r\n");
}

// ---- Failed writes ------------------------------------------------------

struct FailureCase {
    std::string name;
    // Prepares the directory and returns the target path.
    std::function<fs::path(const fs::path& dir)> prepare;
    std::string reason;
    bool limitFileSize = false;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FailureCase& testCase, std::ostream* out) { *out << testCase.name; }

class SaveFailureTest : public ::testing::TestWithParam<FailureCase> {
protected:
    void SetUp() override {
        target_ = GetParam().prepare(dir_.Path());
        before_ = Snapshot(dir_.Path());
    }
    void TearDown() override { EXPECT_EQ(Snapshot(dir_.Path()), before_) << "the directory changed"; }

    // Runs the write with the case's conditions in force.
    template <typename Write>
    auto Attempt(Write write) {
        if (GetParam().limitFileSize) {
            const FileSizeLimit limit(16);
            return write();
        }
        return write();
    }

    ScratchDirectory dir_;
    fs::path target_;
    std::map<std::string, std::string> before_;
};

TEST_P(SaveFailureTest, WriteFileSafelyReportsTheReasonAndChangesNothing) {
    const auto reason = Attempt([&] { return WriteFileSafely(target_, std::string(4096, 'r')); });
    EXPECT_EQ(reason, GetParam().reason);
}

TEST_P(SaveFailureTest, WriteReportKeepsTheSaveBookkeeping) {
    Document document;
    document.state = ClusterState();
    document.SetModified(true);
    document.saveCount = 1;
    document.savedFlag = true;
    document.runDate = "May 01, 2029, at 08.00 h";
    const auto outcome = Attempt([&] { return document.WriteReport(target_, 1900000000); });
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.errorMessage, "The report could not be saved to \"" + target_.string() + "\": " +
                                        GetParam().reason + ". Any earlier file of that name is unchanged.");
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.saveCount, 1);
    EXPECT_TRUE(document.savedFlag);
    EXPECT_EQ(document.runDate, "May 01, 2029, at 08.00 h");
}

INSTANTIATE_TEST_SUITE_P(Failures, SaveFailureTest,
                         ::testing::Values(FailureCase{"MissingDirectory",
                                                       [](const fs::path& dir) {
                                                           return dir / "no-such-folder" / "report.txt";
                                                       },
                                                       "No such file or directory"},
                                           FailureCase{"DirectoryInPlaceOfTarget",
                                                       [](const fs::path& dir) {
                                                           fs::create_directory(dir / "report.txt");
                                                           WriteFile(dir / "report.txt" / "keep.txt", "keep");
                                                           return dir / "report.txt";
                                                       },
                                                       "Is a directory"},
                                           FailureCase{"DiskFullPartWay",
                                                       [](const fs::path& dir) {
                                                           WriteFile(dir / "report.txt", kOldReport);
                                                           return dir / "report.txt";
                                                       },
                                                       "File too large", true},
                                           FailureCase{"WriteProtectedReport",
                                                       [](const fs::path& dir) {
                                                           WriteFile(dir / "report.txt", kOldReport);
                                                           chmod((dir / "report.txt").c_str(), 0444);
                                                           return dir / "report.txt";
                                                       },
                                                       "The file is read-only"}),
                         [](const ::testing::TestParamInfo<FailureCase>& test) { return test.param.name; });

// ---- The document's save bookkeeping -----------------------------------

TEST(WriteReportTest, SavingTwiceCountsTwoAndRewritesWithTheNewDate) {
    const ScratchDirectory dir;
    const fs::path target = dir.Path() / "report.txt";
    Document document;
    document.state = ClusterState();
    document.SetModified(true);

    ASSERT_TRUE(document.WriteReport(target, 1000000000).saved);
    EXPECT_EQ(document.saveCount, 1);
    EXPECT_TRUE(document.savedFlag);
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(document.runDate, output::FormatRunDate(1000000000));
    EXPECT_EQ(ReadFile(target), output::ComposeReport(document.state, document.runDate));

    ASSERT_TRUE(document.WriteReport(target, 1234567890).saved);
    EXPECT_EQ(document.saveCount, 2);
    EXPECT_EQ(document.runDate, output::FormatRunDate(1234567890));
    const std::string second = ReadFile(target);
    EXPECT_TRUE(second.starts_with("TARNEVO Isotope Cluster Data\r\n"));
    EXPECT_TRUE(second.ends_with("\r\n\r\nTARNEVO run on " + document.runDate + "\r\n"));
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u);
}

// The save reminder of File New: the user says Yes and picks a file that
// cannot be written. The message names file and reason, and File New does not
// go on, so the unsaved results stay and can still be saved elsewhere.
TEST(WriteReportTest, FailedReminderSaveStopsFileNew) {
    const ScratchDirectory dir;
    const std::string target = (dir.Path() / "missing" / "File_X.txt").string();
    Document document;
    document.state = ClusterState();
    document.CompleteCalculation(true);

    ScriptedPort ui;
    ui.ExpectMessage("Current data set is not saved, save it?", MessageButtons::YesNo, MessageIcon::Question,
                     MessageModality::System, MessageAnswer::Yes)
        .ExpectSaveFile(target, "File_X.txt")
        .ExpectMessage("The report could not be saved to \"" + target +
                       "\": No such file or directory. Any earlier file of that name is unchanged.");
    EXPECT_FALSE(document.FileNew(ui));
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.saveCount, 0);
    EXPECT_FALSE(document.savedFlag);
    EXPECT_TRUE(document.runDate.empty());
}

}  // namespace
}  // namespace tarnevo::testing
