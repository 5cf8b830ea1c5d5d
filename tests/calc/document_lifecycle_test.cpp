// Pins the life of a data set: what is enabled when, when the save reminder
// asks, what File New and closing do after each answer, and that a failed save
// stops the operation that asked instead of discarding the results.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "calc/isotope_cluster_command.h"
#include "document/command_enabling.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::calc {
namespace {

using doc::Command;
using doc::IsCommandEnabled;
using port::MessageAnswer;
using testing::ScriptedPort;

constexpr const char* kQuestion = "Current data set is not saved, save it?";

class DocumentLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        directory =
            std::filesystem::temp_directory_path() /
            ("tarnevo-lifecycle-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory);
        ASSERT_TRUE(document.NewDocument(port));  // the start-up File New
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    void Calculate(bool reminder) {
        port.ExpectDialogEntries("Isotope Cluster Calculation",
                                 {{"formula", "C6H6"}, {"reminder", reminder ? "1" : "0"}});
        CommandContext context{*program, view, document, port};
        RunIsotopeClusterPattern(context);
        ASSERT_FALSE(document.readyForCalculation);
    }
    std::string PathOf(const char* name) const { return (directory / name).string(); }

    std::filesystem::path directory;
    std::unique_ptr<core::ProgramContext> program = std::make_unique<core::ProgramContext>();
    doc::ViewState view;
    doc::Document document;
    ScriptedPort port;
};

TEST_F(DocumentLifecycle, StartUpEnablesNothingThatSavesOrPrints) {
    for (Command command : {Command::FileSave, Command::FileSaveAs, Command::FilePrint,
                            Command::FilePrintPreview, Command::FilePrintSetup, Command::FileOpen,
                            Command::EditUndo, Command::EditCut, Command::EditCopy, Command::EditPaste}) {
        EXPECT_FALSE(IsCommandEnabled(command, document)) << static_cast<int>(command);
    }
    EXPECT_TRUE(IsCommandEnabled(Command::FileNew, document));
    EXPECT_TRUE(IsCommandEnabled(Command::IsotopeClusterPattern, document));
    EXPECT_TRUE(view.showWelcome);
    EXPECT_EQ(document.Title(), "Untitled");
}

TEST_F(DocumentLifecycle, ResultsEnableSavingAndPrinting) {
    Calculate(true);
    for (Command command : {Command::FileSave, Command::FileSaveAs, Command::FilePrint,
                            Command::FilePrintPreview, Command::FilePrintSetup}) {
        EXPECT_TRUE(IsCommandEnabled(command, document)) << static_cast<int>(command);
    }
    EXPECT_FALSE(IsCommandEnabled(Command::FileOpen, document));
}

TEST_F(DocumentLifecycle, WithoutTheReminderFileNewAsksNothing) {
    Calculate(false);
    ASSERT_TRUE(document.FileNew(port));
    EXPECT_TRUE(document.readyForCalculation);
    EXPECT_FALSE(IsCommandEnabled(Command::FileSaveAs, document));
    EXPECT_FALSE(view.showWelcome);
}

TEST_F(DocumentLifecycle, ReminderYesSavesAsFileXThenClosingAsksNothingMore) {
    Calculate(true);
    const std::string path = PathOf("File_X.txt");
    port.ExpectMessage(kQuestion, port::MessageButtons::YesNo, port::MessageIcon::Question,
                       port::MessageModality::System, MessageAnswer::Yes);
    port.ExpectSaveFile(path, "File_X.txt");
    ASSERT_TRUE(document.SaveModified(port));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(port.LastSaveRequest().defaultExtension, "txt");
    EXPECT_EQ(port.LastSaveRequest().filter, "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(document.savePath, path);
    EXPECT_TRUE(document.savedFlag);
    EXPECT_TRUE(document.SaveModified(port));  // nothing more is asked
}

TEST_F(DocumentLifecycle, ReminderNoOrCancelledFileDialogDiscardsTheResults) {
    Calculate(true);
    port.ExpectMessage(kQuestion, MessageAnswer::No);
    ASSERT_TRUE(document.FileNew(port));
    EXPECT_TRUE(document.readyForCalculation);

    Calculate(true);
    port.ExpectMessage(kQuestion, MessageAnswer::Yes);
    port.ExpectSaveFile(std::nullopt);
    ASSERT_TRUE(document.FileNew(port));
    EXPECT_TRUE(document.readyForCalculation);
    EXPECT_EQ(document.saveCount, 0);
}

TEST_F(DocumentLifecycle, AfterSaveOnlySaveAsStaysEnabledAndFileNewAsksNothing) {
    Calculate(true);
    const std::string path = PathOf("benzene.txt");
    port.ExpectSaveFile(path, "Untitled.txt");
    ASSERT_TRUE(document.Save(port));
    EXPECT_FALSE(IsCommandEnabled(Command::FileSave, document));
    EXPECT_TRUE(IsCommandEnabled(Command::FileSaveAs, document));
    EXPECT_EQ(document.Title(), "benzene.txt");
    EXPECT_EQ(document.saveCount, 1);
    EXPECT_FALSE(document.runDate.empty());

    port.ExpectSaveFile(PathOf("copy.txt"));
    ASSERT_TRUE(document.SaveAs(port));
    EXPECT_EQ(document.saveCount, 2);

    ASSERT_TRUE(document.FileNew(port));  // saved: no question although the reminder is on
    EXPECT_FALSE(IsCommandEnabled(Command::FileSave, document));
    EXPECT_FALSE(IsCommandEnabled(Command::FileSaveAs, document));
    EXPECT_EQ(document.saveCount, 0);
    EXPECT_FALSE(document.savedFlag);
}

TEST_F(DocumentLifecycle, AFailedReminderSaveStopsFileNewAndKeepsTheResults) {
    Calculate(true);
    const std::string path = PathOf("missing-folder/File_X.txt");
    port.ExpectMessage(kQuestion, MessageAnswer::Yes);
    port.ExpectSaveFile(path);
    port.ExpectMessageContaining(path);
    EXPECT_FALSE(document.FileNew(port));
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.saveCount, 0);
    EXPECT_FALSE(document.savedFlag);
    EXPECT_TRUE(IsCommandEnabled(Command::FileSave, document));
}

}  // namespace
}  // namespace tarnevo::calc
