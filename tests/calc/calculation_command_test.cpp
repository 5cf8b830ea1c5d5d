// Pins the one shape every calculation command shares, through the real
// handlers of the catalogue: the gate refuses while the data set holds results
// and asks nothing; a run that ends early (Cancel at its first dialog) leaves
// the data set ready, unmodified and with the kind it had; a completed run
// stamps the kind the view ends on, which may be refined by the body, and
// completes with the view's save reminder. Then the ion form that the four
// calculations on one ion share: its first dialog opens with the view's last
// formula, charge and reminder (the formula search's narrower charge range
// opening at 1, as its dialog description says) and leaves the accepted
// entries as the next presets even when the run is then refused; read through
// the records' own field keys, so a command that copied a field wrongly or
// forgot one fails here.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "calc/calculation_catalog.h"
#include "calc/calculation_command.h"
#include "calc/cluster_ions_command.h"
#include "calc/isotope_cluster_command.h"
#include "calc/labelling_command.h"
#include "calc/loss_of_h_command.h"
#include "calc/molecular_formulae_command.h"
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

// Shows the first dialog's fields by key, then accepts it with the entries
// given; every later dialog is cancelled and every message answered Cancel,
// so the run ends before it stores anything.
class FirstFormPort : public CancellingPort {
public:
    std::map<std::string, std::string, std::less<>> accepted;
    std::map<std::string, std::string, std::less<>> shown;

    port::DialogAnswer RunDialog(port::InputRecord& record) override {
        if (++dialogs > 1) return port::DialogAnswer::Cancel;
        for (const port::FieldBinding& field : record.Fields()) {
            shown[std::string(field.rule->key)] = port::FieldText(field);
            const auto entry = accepted.find(field.rule->key);
            if (entry != accepted.end()) {
                EXPECT_FALSE(port::AssignFieldText(field, entry->second));
            }
        }
        return port::DialogAnswer::Ok;
    }
    port::MessageAnswer ShowMessage(const port::MessageRequest& request) override {
        messages.push_back(request.text);
        return request.buttons == port::MessageButtons::Ok ? port::MessageAnswer::Ok
                                                           : port::MessageAnswer::Cancel;
    }
};

struct IonFormCase {
    const char* name;
    void (*handler)(CommandContext&);
    bool hasFormula;
    const char* chargeShownFor20;  // the form's charge when the view's is 20
};

void PrintTo(const IonFormCase& ionForm, std::ostream* out) { *out << ionForm.name; }

class IonForm : public testing::CommandFixtureWith<FirstFormPort, ::testing::TestWithParam<IonFormCase>> {
protected:
    void SetUp() override {
        view.formulaText = "C6H6";
        view.saveReminder = true;
    }
};

TEST_P(IonForm, OpensWithTheViewsLastEntries) {
    view.charge = -2;
    GetParam().handler(context);
    if (GetParam().hasFormula) {
        EXPECT_EQ(port.shown["formula"], "C6H6");
    }
    EXPECT_EQ(port.shown["charge"], "-2");
    EXPECT_EQ(port.shown["reminder"], "1");
}

TEST_P(IonForm, OffersTheViewsChargeOnlyWithinItsRange) {
    view.charge = 20;  // a series' total charge
    GetParam().handler(context);
    EXPECT_EQ(port.shown["charge"], GetParam().chargeShownFor20);
}

TEST_P(IonForm, KeepsTheAcceptedEntriesWhenTheRunIsRefused) {
    // "Q" is no formula: the parser's Retry/Cancel box ends the run. The
    // formula search has no formula field and ends at its element dialog.
    port.accepted = {{"formula", "Q"}, {"charge", "2"}, {"reminder", "0"}};
    GetParam().handler(context);
    ExpectNothingStored();
    EXPECT_EQ(view.formulaText, GetParam().hasFormula ? "Q" : "C6H6");
    EXPECT_EQ(view.charge, 2);
    EXPECT_FALSE(view.saveReminder);
}

INSTANTIATE_TEST_SUITE_P(
    FourCalculations, IonForm,
    ::testing::Values(IonFormCase{"IsotopeCluster", &RunIsotopeClusterPattern, true, "20"},
                      IonFormCase{"Labelling", &RunLabellingCommand, true, "20"},
                      IonFormCase{"LossOfH", &RunLossOfH, true, "20"},
                      IonFormCase{"FormulaSearch", &RunMolecularFormulae, false, "1"}),
    [](const ::testing::TestParamInfo<IonFormCase>& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace tarnevo::calc
