// Pins the one shape every calculation command shares, through the real
// handlers of the catalogue: the gate refuses while the data set holds results
// and asks nothing; a run that ends early (Cancel at its first dialog) leaves
// the data set ready, unmodified and with the kind it had; a completed run
// stamps the kind the view ends on, which may be refined by the body, and
// completes with the view's save reminder.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "calc/calculation_catalog.h"
#include "calc/calculation_command.h"
#include "calc/cluster_ions_command.h"
#include "document/messages.h"
#include "tests/support/command_fixture.h"

namespace tarnevo::calc {

// Names a calculation by its help page in test output.
void PrintTo(const CalculationDescriptor& calculation, std::ostream* out) { *out << calculation.helpPage; }

namespace {

using output::CalcKind;

// Cancels every dialog and answers every message with OK, noting both.
class CancellingPort : public port::UserInterfacePort {
public:
    port::MessageAnswer ShowMessage(const port::MessageRequest& request) override {
        messages.push_back(request.text);
        return port::MessageAnswer::Ok;
    }
    port::DialogAnswer RunDialog(port::InputRecord&) override {
        ++dialogs;
        return port::DialogAnswer::Cancel;
    }
    std::optional<std::string> AskSaveFileName(const port::SaveFileRequest&) override { return std::nullopt; }

    int dialogs = 0;
    std::vector<std::string> messages;
};

class CalculationCommand
    : public testing::CommandFixtureWith<CancellingPort, ::testing::TestWithParam<CalculationDescriptor>> {
protected:
    // The menu command, and CONTINUE where the command only shows the advice.
    void RunFromMenu() {
        GetParam().handler(context);
        if (view.continueButtonShown) ContinueClusterIons(context);
    }
};

TEST_P(CalculationCommand, CancelAtTheFirstDialogLeavesTheDataSetReady) {
    document.state.calcKind = CalcKind::IsotopicData;
    RunFromMenu();
    EXPECT_EQ(port.dialogs, 1);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(document.readyForCalculation);
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(document.state.calcKind, CalcKind::IsotopicData);
    EXPECT_EQ(view.calcKind, GetParam().kind);  // the gate noted it for the view
}

TEST_P(CalculationCommand, TheGateRefusesWhileResultsAreHeldAndAsksNothing) {
    document.readyForCalculation = false;
    RunFromMenu();
    EXPECT_EQ(port.dialogs, 0);
    ASSERT_EQ(port.messages.size(), 1U);
    EXPECT_EQ(port.messages[0], doc::messages::kFileNewFirst);
    EXPECT_FALSE(document.IsModified());
}

INSTANTIATE_TEST_SUITE_P(EveryCalculation, CalculationCommand, ::testing::ValuesIn(Calculations()),
                         [](const ::testing::TestParamInfo<CalculationDescriptor>& entry) {
                             const std::string_view page = entry.param.helpPage;
                             return std::string(page.substr(0, page.find('.')));
                         });

class CommandShape : public testing::CommandFixtureWith<CancellingPort> {};

TEST_F(CommandShape, ACompletedRunStampsTheKindTheBodyChoseAndTheReminder) {
    view.saveReminder = true;
    const bool stored = RunCalculationCommand(context, CalcKind::LabelledAtoms, [this] {
        view.calcKind = CalcKind::EnrichmentFromSpectrum;
        return true;
    });
    EXPECT_TRUE(stored);
    EXPECT_EQ(document.state.calcKind, CalcKind::EnrichmentFromSpectrum);
    EXPECT_TRUE(document.saveReminder);
    EXPECT_TRUE(document.IsModified());
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_FALSE(view.showWelcome);
}

TEST_F(CommandShape, ABodyThatEndsEarlyCompletesNothing) {
    document.state.calcKind = CalcKind::IsotopicData;
    view.saveReminder = true;
    EXPECT_FALSE(RunCalculationCommand(context, CalcKind::LossOfH, [] { return false; }));
    EXPECT_EQ(document.state.calcKind, CalcKind::IsotopicData);
    EXPECT_FALSE(document.saveReminder);
    EXPECT_FALSE(document.IsModified());
    EXPECT_TRUE(document.readyForCalculation);
}

}  // namespace
}  // namespace tarnevo::calc
