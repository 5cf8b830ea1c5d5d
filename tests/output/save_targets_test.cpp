// Pins what a save does to whatever already lies at the path: a regular file
// is replaced with its owner, group and mode kept; a write-protected file is
// refused; a symbolic link is saved through (its target replaced or created,
// the link kept); a device node, a FIFO or an open descriptor is written to,
// never replaced; a file size limit with the signal at its default fails the
// save instead of killing the program. Every case uses real objects made for
// the test (links, a FIFO with a reading thread, device nodes made with
// mknod), and the unprivileged cases run in a child process that has dropped
// to the user nobody (when the tests run as root, as in CI), so permissions
// really apply. The evidence is the file system afterwards: lstat of the
// object, the bytes read back, and a snapshot of the whole folder showing no
// temporary file left behind.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "document/report_file.h"
#include "tests/output/scratch_files.h"

namespace tarnevo::testing {
namespace {

using doc::WriteFileSafely;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
const std::string kOld = "old report\r\n";
const std::string kNew = "TARNEVO Isotope Data\r\nnew report\r\n";

std::string Outcome(const std::optional<std::string>& reason) { return reason ? *reason : "saved"; }

struct stat LinkStatus(const fs::path& path) {
    struct stat status {};
    lstat(path.c_str(), &status);
    return status;
}

// Runs body in a child process whose user is nobody when this process is root
// (an ordinary user already is unprivileged), and returns the text it
// returned, or how the child died.
std::string AsUnprivilegedUser(const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
                               setresuid(kNobody, kNobody, kNobody) != 0)) {
            _exit(3);
        }
        const std::string text = body();
        if (write(channel[1], text.data(), text.size()) < 0) _exit(4);
        _exit(0);
    }
    close(channel[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0) return "child failed with status " + std::to_string(WEXITSTATUS(status));
    return text;
}

// A scratch folder that the unprivileged user of AsUnprivilegedUser owns.
class UnprivilegedScratch : public ScratchDirectory {
public:
    UnprivilegedScratch() { GiveToUnprivilegedUser(Path()); }
    static void GiveToUnprivilegedUser(const fs::path& path) {
        if (geteuid() == 0) {
            EXPECT_EQ(lchown(path.c_str(), kNobody, kNoGroup), 0);
        }
    }
};

bool IsRoot() { return geteuid() == 0; }

// ---- Regular files: replaced, but only as they were -------------------------------

TEST(SaveOverFile, KeepsTheOwnerGroupAndModeOfAnotherUsersFile) {
    if (!IsRoot()) GTEST_SKIP() << "only the superuser can hand a file to another user";
    const ScratchDirectory dir;
    const fs::path target = dir.Path() / "report.txt";
    WriteFile(target, kOld);
    ASSERT_EQ(chown(target.c_str(), kNobody, kNoGroup), 0);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    EXPECT_EQ(Outcome(WriteFileSafely(target, kNew)), "saved");
    const struct stat after = LinkStatus(target);
    EXPECT_EQ(after.st_uid, kNobody);
    EXPECT_EQ(after.st_gid, kNoGroup);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(target), kNew);
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u);
}

// An ordinary user may write another user's file but cannot give a
// replacement that owner: refused, with the reason, rather than taking the
// file over.
TEST(SaveOverFile, AnotherUsersFileIsNotTakenOverByAnOrdinaryUser) {
    if (!IsRoot()) GTEST_SKIP() << "needs a file of another user, made by the superuser";
    const UnprivilegedScratch dir;
    const fs::path target = dir.Path() / "report.txt";
    WriteFile(target, kOld);
    ASSERT_EQ(chmod(target.c_str(), 0666), 0);  // owned by root, writable by all
    const auto before = Snapshot(dir.Path());
    EXPECT_EQ(AsUnprivilegedUser([&] { return Outcome(WriteFileSafely(target, kNew)); }),
              "The file belongs to another user or group, and replacing it would change its owner");
    EXPECT_EQ(Snapshot(dir.Path()), before);
    EXPECT_EQ(LinkStatus(target).st_uid, 0u);
}

// The superuser (in-process here) and an ordinary user (in the child) alike.
TEST(SaveOverFile, WriteProtectedFileIsRefusedAndUntouched) {
    const UnprivilegedScratch dir;
    const fs::path target = dir.Path() / "report.txt";
    WriteFile(target, kOld);
    UnprivilegedScratch::GiveToUnprivilegedUser(target);
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    const auto before = Snapshot(dir.Path());

    EXPECT_EQ(Outcome(WriteFileSafely(target, kNew)), "The file is read-only");
    EXPECT_EQ(AsUnprivilegedUser([&] { return Outcome(WriteFileSafely(target, kNew)); }),
              "The file is read-only");
    EXPECT_EQ(Snapshot(dir.Path()), before);
    EXPECT_EQ(ModeOf(target), 0444u);
}

// An ordinary user may write the file but not create one beside it: the
// message names the folder as the cause, and the old file stays whole.
TEST(SaveOverFile, ReadOnlyFolderIsNamedAsTheCause) {
    const UnprivilegedScratch dir;
    const fs::path folder = dir.Path() / "locked";
    fs::create_directory(folder);
    const fs::path target = folder / "report.txt";
    WriteFile(target, kOld);
    UnprivilegedScratch::GiveToUnprivilegedUser(folder);
    UnprivilegedScratch::GiveToUnprivilegedUser(target);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    const auto before = Snapshot(dir.Path());

    EXPECT_EQ(AsUnprivilegedUser([&] { return Outcome(WriteFileSafely(target, kNew)); }),
              "The folder \"" + folder.string() +
                  "\" does not allow the temporary file that a safe save writes first (Permission denied)");
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

// A new name in a folder the user cannot write: the plain system reason is the cause.
TEST(SaveOverFile, NewNameInReadOnlyFolderGivesThePlainReason) {
    const UnprivilegedScratch dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    EXPECT_EQ(AsUnprivilegedUser([&] { return Outcome(WriteFileSafely(dir.Path() / "new.txt", kNew)); }),
              "Permission denied");
    EXPECT_TRUE(Snapshot(dir.Path()).empty());
}

// Documented in the help: an atomic save gives the path a new file, so a hard
// link made earlier keeps the old report.
TEST(SaveOverFile, HardLinkKeepsTheOldContent) {
    const ScratchDirectory dir;
    WriteFile(dir.Path() / "report.txt", kOld);
    fs::create_hard_link(dir.Path() / "report.txt", dir.Path() / "other-name.txt");
    EXPECT_EQ(Outcome(WriteFileSafely(dir.Path() / "report.txt", kNew)), "saved");
    EXPECT_EQ(ReadFile(dir.Path() / "report.txt"), kNew);
    EXPECT_EQ(ReadFile(dir.Path() / "other-name.txt"), kOld);
}

// ---- Symbolic links: saved through, kept -------------------------------------------

struct LinkCase {
    const char* name;
    bool targetExists;
    // The link text of each link, from the one saved to the last; each is
    // relative to the scratch folder's "links" subfolder or absolute.
    std::vector<std::string> chain;
};

void PrintTo(const LinkCase& linkCase, std::ostream* out) { *out << linkCase.name; }

class SaveThroughLink : public ::testing::TestWithParam<LinkCase> {};

TEST_P(SaveThroughLink, ReplacesTheTargetAndKeepsTheLinks) {
    const ScratchDirectory dir;
    fs::create_directory(dir.Path() / "links");
    fs::create_directory(dir.Path() / "data");
    const fs::path target = dir.Path() / "data" / "report.txt";
    if (GetParam().targetExists) {
        WriteFile(target, kOld);
        chmod(target.c_str(), 0600);
    }
    const std::vector<std::string>& chain = GetParam().chain;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        fs::create_symlink(chain[i], dir.Path() / "links" / ("link" + std::to_string(i)));
    }

    EXPECT_EQ(Outcome(WriteFileSafely(dir.Path() / "links" / "link0", kNew)), "saved");
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const fs::path link = dir.Path() / "links" / ("link" + std::to_string(i));
        EXPECT_TRUE(S_ISLNK(LinkStatus(link).st_mode)) << link;
        EXPECT_EQ(fs::read_symlink(link).string(), chain[i]);
    }
    EXPECT_TRUE(S_ISREG(LinkStatus(target).st_mode));
    EXPECT_EQ(ReadFile(target), kNew);
    if (GetParam().targetExists) {
        EXPECT_EQ(ModeOf(target), 0600u);
    }
    EXPECT_EQ(Snapshot(dir.Path() / "data").size(), 1u) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Links, SaveThroughLink,
    ::testing::Values(LinkCase{"RelativeLinkToFile", true, {"../data/report.txt"}},
                      LinkCase{"DanglingLinkCreatesItsTarget", false, {"../data/report.txt"}},
                      LinkCase{"ChainOfTwoLinks", true, {"link1", "../data/report.txt"}}),
    [](const auto& named) { return std::string(named.param.name); });

TEST(SaveThroughLink, LoopIsReportedAndNothingChanges) {
    const ScratchDirectory dir;
    fs::create_symlink("b", dir.Path() / "a");
    fs::create_symlink("a", dir.Path() / "b");
    const auto before = Snapshot(dir.Path());
    EXPECT_EQ(Outcome(WriteFileSafely(dir.Path() / "a", kNew)), "Too many levels of symbolic links");
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

// ---- Devices, FIFOs and open descriptors: written to, never replaced ---------------

struct DeviceCase {
    const char* name;
    unsigned minor;  // of major 1, the memory devices
    const char* outcome;
};

void PrintTo(const DeviceCase& device, std::ostream* out) { *out << device.name; }

class SaveToDevice : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(SaveToDevice, WritesToTheNodeAndKeepsIt) {
    const ScratchDirectory dir;
    const fs::path node = dir.Path() / "node";
    if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, GetParam().minor)) != 0) {
        GTEST_SKIP() << "making a device node needs the superuser";
    }
    fs::create_symlink("node", dir.Path() / "link");
    EXPECT_EQ(Outcome(WriteFileSafely(node, kNew)), GetParam().outcome);
    EXPECT_EQ(Outcome(WriteFileSafely(dir.Path() / "link", kNew)), GetParam().outcome);
    const struct stat after = LinkStatus(node);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, makedev(1, GetParam().minor));
    EXPECT_EQ(Snapshot(dir.Path()).size(), 2u) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Devices, SaveToDevice,
                         ::testing::Values(DeviceCase{"Null", 3, "saved"},
                                           DeviceCase{"Full", 7, "No space left on device"}),
                         [](const auto& named) { return std::string(named.param.name); });

TEST(SaveToFifo, TheWaitingReaderGetsTheReport) {
    const ScratchDirectory dir;
    const fs::path fifo = dir.Path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    EXPECT_EQ(Outcome(WriteFileSafely(fifo, kNew)), "saved");
    reader.join();
    EXPECT_EQ(received, kNew);
    EXPECT_TRUE(S_ISFIFO(LinkStatus(fifo).st_mode));
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u);
}

// Standard output redirected to a regular file: "-", /dev/stdout and the
// descriptor names append to that open file instead of replacing it.
class SaveToDescriptor : public ::testing::TestWithParam<std::string> {};

TEST_P(SaveToDescriptor, AppendsToTheOpenFile) {
    const ScratchDirectory dir;
    const fs::path captured = dir.Path() / "stdout.txt";
    WriteFile(captured, "page\n");
    const ino_t inode = LinkStatus(captured).st_ino;
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int file = open(captured.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(file, 0);
    dup2(file, STDOUT_FILENO);
    const std::string outcome = Outcome(WriteFileSafely(GetParam(), kNew));
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(file);
    EXPECT_EQ(outcome, "saved");
    EXPECT_EQ(ReadFile(captured), "page\n" + kNew);
    EXPECT_EQ(LinkStatus(captured).st_ino, inode);
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(StandardOutput, SaveToDescriptor,
                         ::testing::Values("-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"),
                         [](const auto& named) {
                             return std::string(named.index == 0 ? "Dash"
                                                                 : "Path" + std::to_string(named.index));
                         });

// ---- A file size limit with SIGXFSZ at its default ------------------------------

// Without care the signal kills the program part way through the temporary
// file; the save must fail with its reason, leave no temporary and restore the
// signal's disposition.
TEST(SaveUnderFileSizeLimit, FailsWithTheReasonInsteadOfDying) {
    const UnprivilegedScratch dir;
    const fs::path target = dir.Path() / "report.txt";
    WriteFile(target, kOld);
    UnprivilegedScratch::GiveToUnprivilegedUser(target);
    const auto before = Snapshot(dir.Path());
    const std::string outcome = AsUnprivilegedUser([&] {
        signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string text = Outcome(WriteFileSafely(target, std::string(4096, 'r')));
        struct sigaction after {};
        sigaction(SIGXFSZ, nullptr, &after);
        if (after.sa_handler != SIG_DFL) text += " (signal disposition not restored)";
        return text;
    });
    EXPECT_EQ(outcome, "File too large");
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

}  // namespace
}  // namespace tarnevo::testing
