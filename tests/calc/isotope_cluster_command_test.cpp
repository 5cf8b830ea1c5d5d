// Drives the Isotope Cluster Pattern command through a scripted user interface:
// the order of dialogs and messages, what each early exit leaves behind, the
// Retry loop, user-defined elements, and the stored results.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "calc/cluster_form_input.h"
#include "calc/isotope_cluster_command.h"
#include "calc/user_element_input.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::calc {
namespace {

using testing::ScriptedPort;

constexpr const char* kForm = "Isotope Cluster Calculation";
constexpr const char* kFileNewFirst = "Click 'File, New' (Ctrl+N) before another calculation!";

class IsotopeClusterCommand : public ::testing::Test {
protected:
    void Run() {
        CommandContext context{*program, view, document, port};
        RunIsotopeClusterPattern(context);
    }
    // A form step that checks nothing and enters formula, charge and stop FA.
    void Enter(const std::string& formula, const std::string& charge = "1",
               const std::string& stop = "0.9999") {
        port.ExpectDialogEntries(kForm, {{"formula", formula}, {"charge", charge}, {"stop", stop}});
    }
    void ExpectNoResults() {
        EXPECT_TRUE(document.readyForCalculation);
        EXPECT_FALSE(document.IsModified());
        EXPECT_FALSE(view.showWelcome);
    }

    std::unique_ptr<core::ProgramContext> program = std::make_unique<core::ProgramContext>();
    doc::ViewState view;
    doc::Document document;
    ScriptedPort port;
};

TEST_F(IsotopeClusterCommand, BenzeneIsStoredAndTheDataSetIsNoLongerFresh) {
    Enter("C6H6");
    Run();
    const output::CalculationState& state = document.state;
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_TRUE(document.IsModified());
    EXPECT_TRUE(document.saveReminder);
    EXPECT_EQ(state.calcKind, output::CalcKind::IsotopeCluster);
    EXPECT_EQ(state.formulaText, "C6H6");
    EXPECT_DOUBLE_EQ(state.ionMassA, 6 * 12.0 + 6 * 1.007825 - 0.000548579909);
    EXPECT_EQ(state.cluster.maxPeakIndex, 0);
    EXPECT_EQ(state.cluster.maxFA, state.cluster.peakFA[0]);
    EXPECT_EQ(state.details.detailCount, 0);
    double listed = 0;
    for (int n = 0; n <= state.cluster.lastPeakIndex; ++n) listed += state.cluster.peakFA[n];
    EXPECT_DOUBLE_EQ(state.cluster.totalFA, listed);
    EXPECT_GT(state.cluster.totalFA, 0.9999);
}

TEST_F(IsotopeClusterCommand, ASecondRunNeedsFileNewAndLeavesTheResults) {
    Enter("Cl2");
    Run();
    const double firstPeak = document.state.cluster.peakFA[0];
    port.ExpectMessage(kFileNewFirst, port::MessageButtons::Ok, port::MessageIcon::Exclamation,
                       port::MessageModality::Application, port::MessageAnswer::Ok);
    Run();
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_EQ(document.state.cluster.peakFA[0], firstPeak);
}

TEST_F(IsotopeClusterCommand, DialogIsPresetFromTheLastEntriesAfterFileNew) {
    Enter("C6H5Cl2", "-2", "0.99");
    Run();
    port.ExpectMessage("Current data set is not saved, save it?", port::MessageAnswer::No);
    ASSERT_TRUE(document.FileNew(port));
    port.ExpectDialog<ClusterFormInput>(kForm, [](ClusterFormInput& form) {
        EXPECT_EQ(form.formula, "C6H5Cl2");
        EXPECT_EQ(form.charge, -2);
        EXPECT_EQ(form.stopFA, 0.99);
        EXPECT_TRUE(form.saveReminder);
        return port::DialogAnswer::Cancel;
    });
    Run();
}

TEST_F(IsotopeClusterCommand, ZeroChargeEndsTheCommandButKeepsTheEntries) {
    Enter("C6H6", "0", "0.95");
    port.ExpectMessage("Ion charge cannot be zero!", port::MessageButtons::Ok, port::MessageIcon::Exclamation,
                       port::MessageModality::System, port::MessageAnswer::Ok);
    Run();
    ExpectNoResults();
    EXPECT_EQ(view.formulaText, "C6H6");
    EXPECT_EQ(view.charge, 0);
    EXPECT_EQ(program->stopFASetting, 0.95);
}

TEST_F(IsotopeClusterCommand, RetryShowsTheDialogAgainWithAnEmptyFormula) {
    Enter("C6 H6", "2", "0.999");
    port.ExpectMessage("Formula Entry Error", port::MessageButtons::RetryCancel,
                       port::MessageIcon::Exclamation, port::MessageModality::System,
                       port::MessageAnswer::Retry);
    port.ExpectDialog<ClusterFormInput>(kForm, [](ClusterFormInput& form) {
        EXPECT_EQ(form.formula, "");
        EXPECT_EQ(form.charge, 2);
        EXPECT_EQ(form.stopFA, 0.999);
        form.formula = "C6H6";
        return port::DialogAnswer::Ok;
    });
    Run();
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_EQ(document.state.charge, 2);
    EXPECT_EQ(document.state.stopFA, 0.999);
}

struct EarlyExit {
    const char* name;
    const char* formula;
    const char* message;
    port::MessageAnswer answer;
};

void PrintTo(const EarlyExit& exit, std::ostream* out) { *out << exit.name; }

class IsotopeClusterRefusal : public IsotopeClusterCommand,
                              public ::testing::WithParamInterface<EarlyExit> {};

TEST_P(IsotopeClusterRefusal, EndsWithItsMessageAndNoResults) {
    Enter(GetParam().formula);
    port.ExpectMessage(GetParam().message, GetParam().answer);
    Run();
    ExpectNoResults();
    EXPECT_EQ(view.formulaText, GetParam().formula);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, IsotopeClusterRefusal,
    ::testing::Values(
        EarlyExit{"Syntax", "(CH3)2", "Formula Entry Error", port::MessageAnswer::Cancel},
        EarlyExit{"AtomLimit", "C15000H2C5001",
                  "Maximum number of atoms for an element (20000) has been exceeded.",
                  port::MessageAnswer::Ok},
        EarlyExit{"Monoisotopic", "NaF", "The ion must contain at least one polyisotopic element.",
                  port::MessageAnswer::Ok},
        EarlyExit{"PolyAtoms", "C20000H10001", "Total number of polyisotopic atoms cannot exceed 30000.",
                  port::MessageAnswer::Ok},
        EarlyExit{"HeavyIsotopes", "SnXeCdTeBaDyGdHgMoNdOsRuSmYb",
                  "The number of heavy isotopes (88) has been exceeded.", port::MessageAnswer::Ok},
        EarlyExit{"PolyElements", "CHNOSClBrSiKMgLiBAgCuGaRbSbEuIr",
                  "The number of polyisotopic elements cannot exceed 18.", port::MessageAnswer::Ok},
        // 112Sn is 0.97 %: up to [A+319] Sn5000 holds at most ~320 heavy atoms, far
        // below 1E-307 of its abundance; showing zeros would be a false result.
        EarlyExit{
            "BeyondRange", "Sn5000",
            "The isotope cluster of this ion lies far above [A+319]: every peak from [A+0] to [A+319] is "
            "below 1E-307 and cannot be shown.",
            port::MessageAnswer::Ok}),
    [](const ::testing::TestParamInfo<EarlyExit>& exit) { return std::string(exit.param.name); });

TEST_F(IsotopeClusterCommand, CancelInTheFirstDialogChangesNothingButTheWelcome) {
    view.formulaText = "C6H6";
    port.ExpectDialogCancel(kForm);
    Run();
    ExpectNoResults();
    EXPECT_EQ(view.formulaText, "C6H6");
    EXPECT_EQ(view.calcKind, output::CalcKind::IsotopeCluster);
}

TEST_F(IsotopeClusterCommand, UserElementsAreAskedInIndexOrderWithFreshFields) {
    Enter("QxJx2C2");
    port.ExpectDialog<UserElementInput>("Data for User Defined ELEMENT Jx", [](UserElementInput& input) {
        EXPECT_EQ(input.entry.lightMass, 0.0);
        input.entry.lightMass = 10.0129;
        input.entry.delta[0] = 1;
        input.entry.fa[0] = 0.8;
        return port::DialogAnswer::Ok;
    });
    port.ExpectDialog<UserElementInput>("Data for User Defined ELEMENT Qx", [](UserElementInput& input) {
        EXPECT_EQ(input.entry.lightMass, 0.0);
        EXPECT_EQ(input.entry.delta[0], 0);
        input.entry.lightMass = 50.0;
        input.entry.delta[2] = 3;  // rows are numbered 1-9; this is row 3
        input.entry.fa[2] = 0.1;
        input.entry.delta[4] = 1;
        input.entry.fa[4] = 0.2;
        return port::DialogAnswer::Ok;
    });
    Run();
    const output::CalculationState& state = document.state;
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(state.details.detailCount, 2);
    EXPECT_EQ(state.details.detailSymbol, "JxQx");
    EXPECT_EQ(state.details.detailAtomCount[0], 2);
    EXPECT_EQ(state.details.detailAtomCount[1], 1);
    EXPECT_EQ(state.details.lastIsotopeIndex[0], 1);
    EXPECT_EQ(state.details.lastIsotopeIndex[1], 2);
    // Jx: 10 (0.2), 11 (0.8); Qx: 50 (0.7), 51 (0.2), 53 (0.1) by mass number.
    const std::array<int, 5> massNumbers = {10, 11, 50, 51, 53};
    const std::array<double, 5> fas = {0.2, 0.8, 0.7, 0.2, 0.1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(state.details.isotopeMassNumber[i], massNumbers[i]) << i;
        EXPECT_NEAR(state.details.isotopeFA[i], fas[i], 1e-12) << i;
    }
    // [A+0] = 0.2^2 x 0.9893^2 x 0.7
    EXPECT_NEAR(state.cluster.peakFA[0], 0.04 * 0.9893 * 0.9893 * 0.7, 1e-15);
}

TEST_F(IsotopeClusterCommand, CancellingAUserElementStoresNoResults) {
    Enter("JxC2");
    port.ExpectDialogCancel("Data for User Defined ELEMENT Jx");
    Run();
    ExpectNoResults();
}

TEST_F(IsotopeClusterCommand, RefusedUserElementDataEndTheCommand) {
    Enter("JyC2");
    port.ExpectDialog<UserElementInput>("Data for User Defined ELEMENT Jy", [](UserElementInput& input) {
        input.entry.lightMass = 20.0;
        input.entry.delta[0] = 2;
        input.entry.delta[1] = 2;
        input.entry.fa[0] = 0.1;
        input.entry.fa[1] = 0.2;
        return port::DialogAnswer::Ok;
    });
    port.ExpectMessage("Delta masses for two isotopes cannot be equal.");
    Run();
    ExpectNoResults();
}

TEST_F(IsotopeClusterCommand, AMonoisotopicUserElementAloneHasNoCluster) {
    Enter("JzNa");
    port.ExpectDialogEntries("Data for User Defined ELEMENT Jz", {{"mass", "30.5"}});
    port.ExpectMessage("The ion must contain at least one polyisotopic element.");
    Run();
    ExpectNoResults();
}

TEST_F(IsotopeClusterCommand, UserElementDataAreAskedAgainInEveryRun) {
    Enter("JxC");
    port.ExpectDialogEntries("Data for User Defined ELEMENT Jx",
                             {{"mass", "10"}, {"delta1", "1"}, {"fa1", "0.5"}});
    Run();
    port.ExpectMessage("Current data set is not saved, save it?", port::MessageAnswer::No);
    ASSERT_TRUE(document.FileNew(port));
    Enter("JxC");
    port.ExpectDialogEntries("Data for User Defined ELEMENT Jx",
                             {{"mass", "10"}, {"delta1", "2"}, {"fa1", "0.5"}});
    Run();
    EXPECT_EQ(program->elements.nextDeltaSlot, core::naturalDeltaCount + 1);
    EXPECT_EQ(document.state.details.isotopeMassNumber[1], 12);
}

}  // namespace
}  // namespace tarnevo::calc
