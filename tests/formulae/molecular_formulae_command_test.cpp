// Pins the Molecular Formulae from m/z command as the user meets it, through a
// scripted port that fails on any unexpected dialog or message: the gate, the
// presets of both dialogs (target kept on Retry, difference back at 0.05, rows
// blank every time), every refusal with its Retry and Cancel, Jx's dialog and
// its effect, the stored state that the result page and report read (checked
// against the page text worked by hand), the default maximum at charge 2
// (from the ion's mass), the storage-full lines at 200, and the command line
// on the same inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "calc/molecular_formulae_command.h"
#include "calc/molecular_formulae_input.h"
#include "calc/user_element_input.h"
#include "cli/cli.h"
#include "core/messages.h"
#include "document/messages.h"
#include "output/page_layout.h"
#include "tests/support/command_fixture.h"

namespace tarnevo::testing {
namespace {

using calc::FormulaElementInput;
using calc::FormulaElementsInput;
using calc::MolFormInput;

const std::string kIonic(MolFormInput::kCaption);
const std::string kRows(FormulaElementsInput::kCaption);
const std::string kJx(FormulaElementInput::kCaption);

class MolecularFormulae : public CommandFixture {
protected:
    void Run() { calc::RunMolecularFormulae(context); }

    // The ionic dialog: checks the presets, then enters target, difference, charge.
    void ExpectIonic(double presetTarget, double target, double difference, int charge) {
        port.ExpectDialog<MolFormInput>(kIonic, [=](MolFormInput& input) {
            EXPECT_EQ(input.target, presetTarget);
            EXPECT_EQ(input.difference, 0.05);
            input.target = target;
            input.difference = difference;
            input.charge = charge;
            return DialogAnswer::Ok;
        });
    }

    // The element dialog, blank as always, with rows "symbol:min:max".
    void ExpectRows(std::vector<FormulaElementsInput::Row> rows) {
        port.ExpectDialog<FormulaElementsInput>(kRows, [rows](FormulaElementsInput& input) {
            for (const auto& row : input.rows) {
                EXPECT_TRUE(row.symbol.empty());
                EXPECT_EQ(row.minimum, 0);
                EXPECT_EQ(row.maximum, 0);
            }
            for (std::size_t k = 0; k < rows.size(); ++k) input.rows[k] = rows[k];
            return DialogAnswer::Ok;
        });
    }

    void ExpectRetryBox(const std::string& text, MessageAnswer answer) {
        port.ExpectMessage(text, MessageButtons::RetryCancel, MessageIcon::Exclamation,
                           MessageModality::System, answer);
    }
};

TEST_F(MolecularFormulae, WorkedExampleIsStoredAndDrawn) {
    ExpectIonic(200.0, 200.0, 0.05, 1);
    ExpectRows({{"C", 0, 0}, {"", 0, 0}, {"H", 0, 0}});
    Run();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(State().calcKind, output::CalcKind::FormulaFromMz);
    EXPECT_EQ(State().formulae.elementCount, 2);
    EXPECT_EQ(State().formulae.formulaCount, 1);
    EXPECT_EQ(State().formulae.userElementMass, 0.0);
    // 72 + 127 x 1.007825 - 0.000548579909 = 199.993226; page m/z "%.4f".
    const std::vector<std::string> lines = output::LayoutResultLines(State());
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[1], "Target m/z: 200.0000");
    EXPECT_EQ(lines[2], "Range in m/z: 199.9500 to 200.0500");
    EXPECT_EQ(lines[6], "EE C6H127                           199.9932");
}

TEST_F(MolecularFormulae, ZeroChargeRetryKeepsTheTargetAndResetsTheDifference) {
    ExpectIonic(200.0, 311.5, 0.2, 0);
    ExpectRetryBox(std::string(calc::kFormulaZeroCharge), MessageAnswer::Retry);
    ExpectIonic(311.5, 300.0, 0.01, 0);
    ExpectRetryBox(std::string(calc::kFormulaZeroCharge), MessageAnswer::Cancel);
    Run();
    ExpectNothingStored();
    EXPECT_FALSE(view.showWelcome);
    EXPECT_EQ(view.calcKind, output::CalcKind::FormulaFromMz);
}

TEST_F(MolecularFormulae, EachRefusalOffersRetryWithBlankRows) {
    ExpectIonic(200.0, 200.0, 0.05, 1);
    ExpectRows({});
    ExpectRetryBox(std::string(calc::kFormulaNoElement), MessageAnswer::Retry);
    ExpectRows({{"Xq", 0, 0}});
    ExpectRetryBox(std::string(core::messages::kSymbolEntryError), MessageAnswer::Retry);
    ExpectRows({{"Jy", 0, 0}});
    ExpectRetryBox(std::string(core::messages::kSymbolEntryError), MessageAnswer::Retry);
    // C: default maximum 16; H: minimum 5 above maximum 3.
    ExpectRows({{"C", 0, 0}, {"H", 5, 3}});
    ExpectRetryBox(std::string(calc::kFormulaMinimumAboveMaximum), MessageAnswer::Retry);
    ExpectRows({{"C", 0, 0}, {"H", 0, 0}});
    Run();
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().formulae.formulaCount, 1);
}

TEST_F(MolecularFormulae, GateRefusesUntilFileNewAndCancelStoresNothing) {
    ExpectIonic(200.0, 200.0, 0.05, 1);
    ExpectRows({{"C", 0, 0}, {"H", 20, 0}});
    port.ExpectMessage(std::string(doc::messages::kFileNewFirst), MessageButtons::Ok,
                       MessageIcon::Exclamation, MessageModality::Application, MessageAnswer::Ok);
    ExpectIonic(200.0, 200.0, 0.05, 1);
    port.ExpectDialogCancel(kRows);
    Run();  // stores C6H127
    ASSERT_FALSE(document.readyForCalculation);
    Run();  // refused by the gate
    document.readyForCalculation = true;
    document.SetModified(false);
    Run();  // the element dialog is cancelled
    ExpectNothingStored();
}

// A search cancelled in its progress dialog leaves the data set as it was: still
// ready for a calculation, unmodified, no formulae; the next run finds C6H127
// as usual.
TEST_F(MolecularFormulae, CancelledSearchStoresNothing) {
    ExpectIonic(200.0, 200.0, 0.05, 1);
    ExpectRows({{"C", 0, 0}, {"H", 0, 0}});
    port.ExpectLongWorkCancelled(std::string(calc::kFormulaSearchProgress));
    Run();
    ExpectNothingStored();
    EXPECT_EQ(State().formulae.formulaCount, 0);

    ExpectIonic(200.0, 200.0, 0.05, 1);
    ExpectRows({{"C", 0, 0}, {"H", 0, 0}});
    Run();
    EXPECT_EQ(State().formulae.formulaCount, 1);
}

TEST_F(MolecularFormulae, MinimumAboveMaximumCancelEnds) {
    ExpectIonic(200.0, 200.0, 0.05, 1);
    ExpectRows({{"C", 17, 0}});  // default maximum 16 is below 17
    ExpectRetryBox(std::string(calc::kFormulaMinimumAboveMaximum), MessageAnswer::Cancel);
    Run();
    ExpectNothingStored();
}

TEST_F(MolecularFormulae, JxTakesItsMassAndValenceFromItsDialog) {
    // Jx 10.0 u with valence -1 and C: at 34.0 +- 0.01, charge 1, Jx1C2
    // (33.99945) is found after Jx0 (C alone never fits) and marked "**".
    ExpectIonic(200.0, 34.0, 0.01, 1);
    ExpectRows({{"Jx", 0, 5}, {"C", 0, 5}});
    port.ExpectDialog<FormulaElementInput>(kJx, [](FormulaElementInput& input) {
        EXPECT_EQ(input.exactMass, 2.014102);
        EXPECT_EQ(input.valence, 1);
        input.exactMass = 10.0;
        input.valence = -1;
        return DialogAnswer::Ok;
    });
    Run();
    ASSERT_EQ(State().formulae.formulaCount, 1);
    EXPECT_EQ(State().formulae.userElementMass, 10.0);
    EXPECT_EQ(State().formulae.formulaAtoms[0][0], 1);
    EXPECT_EQ(State().formulae.formulaAtoms[0][1], 2);
    EXPECT_EQ(State().formulae.formulaElectrons[0], output::ElectronClass::Indeterminate);
    EXPECT_EQ(State().formulae.elementSymbols[0], "Jx");
    EXPECT_EQ(program->elements[core::kFirstUserElement].lightMass, 10.0);
    EXPECT_EQ(program->elements[core::kFirstUserElement].valenceElectrons, -1);
}

TEST_F(MolecularFormulae, JxCancelEndsTheRun) {
    ExpectIonic(200.0, 200.0, 0.05, 1);
    ExpectRows({{"Jx", 0, 0}});
    port.ExpectDialogCancel(kJx);
    Run();
    ExpectNothingStored();
}

// Regression: the default maximum was taken from the m/z whatever the charge.
TEST_F(MolecularFormulae, DefaultMaximumFollowsTheIonMassAtCharge2) {
    // Charge 2, target 99.2753 +- 0.006: the ion weighs 2 x 99.2753 = 198.5506
    // u, under which H may take trunc(198.5506 / 1.007825) = 197 atoms; H197 is
    // at (197 x 1.007825 - 2 me) / 2 = 99.2702, inside the window. From the m/z
    // alone H stopped at trunc(99.2753 / 1.007825) = 98 atoms, about m/z 49.4,
    // and nothing was found.
    ExpectIonic(200.0, 99.2753, 0.006, 2);
    ExpectRows({{"H", 0, 0}});
    Run();
    ASSERT_EQ(State().formulae.formulaCount, 1);
    EXPECT_EQ(State().formulae.formulaAtoms[0][0], 197);
    EXPECT_NEAR(State().formulae.formulaMz[0], (197 * 1.007825 - 2 * 0.000548579909) / 2, 1e-9);
}

TEST_F(MolecularFormulae, TwoHundredFillTheStorageAndSayMoreExist) {
    ExpectIonic(200.0, 500.0, 0.5, 1);
    ExpectRows({{"C", 0, 0}, {"H", 0, 0}, {"N", 0, 0}, {"O", 0, 0}});
    Run();
    EXPECT_EQ(State().formulae.formulaCount, 200);
    for (int i = 1; i < 200; ++i) EXPECT_LE(State().formulae.formulaMz[i - 1], State().formulae.formulaMz[i]);
    const std::vector<std::string> lines = output::LayoutResultLines(State());
    EXPECT_EQ(lines[lines.size() - 2],
              "The number of possible formulae exceeded the storage capacity (200).");
    EXPECT_EQ(lines.back(), "Try lowering the m/z range.");
}

// The command line runs the same handler.
int Cli(const std::vector<std::string>& arguments, std::string& out, std::string& errors) {
    std::ostringstream outStream;
    std::ostringstream errorStream;
    const int status = cli::RunCli(arguments, outStream, errorStream);
    out = outStream.str();
    errors = errorStream.str();
    return status;
}

TEST(FormulasCli, PrintsThePageAndJson) {
    std::string out;
    std::string errors;
    ASSERT_EQ(Cli({"formulas", "200", "--element", "C", "--element", "H"}, out, errors), cli::kExitOk)
        << errors;
    EXPECT_NE(out.find("EE C6H127                           199.9932"), std::string::npos);
    ASSERT_EQ(Cli({"formulas", "200", "--element", "C", "--element", "H", "--json"}, out, errors),
              cli::kExitOk);
    // DBE of C6H127: 1 + (6 x 2 - 127) / 2 = -56.5; error (199.993226 - 200) / 200 x 1e6 = -33.87 ppm.
    EXPECT_NE(out.find("\"elements\": [{\"symbol\": \"C\", \"min\": 0, \"max\": 16}, "
                       "{\"symbol\": \"H\", \"min\": 0, \"max\": 198}]"),
              std::string::npos);
    EXPECT_NE(out.find("\"formulaCount\": 1, \"storageFull\": false"), std::string::npos);
    EXPECT_NE(out.find("{\"formula\": \"C6H127\", \"counts\": [6, 127], \"mz\": 199.99322642"),
              std::string::npos);
    EXPECT_NE(out.find("\"errorPpm\": -33.8678"), std::string::npos);
    EXPECT_NE(out.find("\"electronClass\": 0, \"dbe\": -56.5}"), std::string::npos);
}

TEST(FormulasCli, AllListsBeyondTheStorage) {
    std::string out;
    std::string errors;
    const std::vector<std::string> query = {"formulas",  "500", "--tol",     "0.5", "--element", "C",
                                            "--element", "H",   "--element", "N",   "--element", "O"};
    ASSERT_EQ(Cli(query, out, errors), cli::kExitOk);
    EXPECT_NE(out.find("exceeded the storage capacity (200)"), std::string::npos);
    std::vector<std::string> all = query;
    all.push_back("--all");
    ASSERT_EQ(Cli(all, out, errors), cli::kExitOk);
    EXPECT_EQ(out.find("exceeded the storage capacity"), std::string::npos);
    const std::size_t pageLines = static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n'));
    all.push_back("--json");
    ASSERT_EQ(Cli(all, out, errors), cli::kExitOk);
    const std::size_t count = std::stoul(out.substr(out.find("\"formulaCount\": ") + 16));
    EXPECT_GT(count, 200u);
    EXPECT_EQ(pageLines, count + 6);  // title, target, range, charge, blank, heading
    EXPECT_NE(out.find("\"storageFull\": false"), std::string::npos);
}

TEST(FormulasCli, RefusalsAndUsage) {
    std::string out;
    std::string errors;
    EXPECT_EQ(Cli({"formulas", "200", "--element", "C", "--charge", "0"}, out, errors), cli::kExitRefused);
    EXPECT_NE(errors.find("Error - The ionic charge cannot be zero!"), std::string::npos);
    // Values outside the dialog's ranges are usage errors that name the option.
    EXPECT_EQ(Cli({"formulas", "1", "--element", "C"}, out, errors), cli::kExitUsage);
    EXPECT_NE(errors.find("MZ: a number from 2 to 10000 is required, not '1'"), std::string::npos);
    EXPECT_EQ(Cli({"formulas", "200", "--element", "C:0:1001"}, out, errors), cli::kExitUsage);
    EXPECT_NE(errors.find("--element: an integer from 0 to 1000 is required, not '1001'"), std::string::npos);
    EXPECT_EQ(Cli({"formulas", "200", "--element", "C", "--jx", "2.0"}, out, errors), cli::kExitUsage);
    EXPECT_NE(errors.find("--jx is given, but Jx is not one of the elements."), std::string::npos);
    EXPECT_EQ(Cli({"formulas", "200", "--element", "Hx"}, out, errors), cli::kExitRefused);
    EXPECT_NE(errors.find("Symbol Entry Error"), std::string::npos);
    EXPECT_EQ(Cli({"formulas", "200", "--element", "Jx"}, out, errors), cli::kExitRefused);
    EXPECT_NE(errors.find("--jx MASS[:VALENCE]"), std::string::npos);
    EXPECT_EQ(
        Cli({"formulas", "200", "--element", "Jx:0:10", "--element", "C", "--jx", "2.014102:1"}, out, errors),
        cli::kExitOk);
    EXPECT_EQ(Cli({"formulas", "200", "--element", "C:1:2:3"}, out, errors), cli::kExitUsage);
    std::vector<std::string> nine = {"formulas", "200"};
    for (int k = 0; k < 9; ++k) {
        nine.push_back("--element");
        nine.push_back("C");
    }
    EXPECT_EQ(Cli(nine, out, errors), cli::kExitUsage);
    EXPECT_EQ(Cli({"formulas", "200", "--element", "C", "--report", "/nonexistent/dir/r.txt"}, out, errors),
              cli::kExitWriteFailed);
}

}  // namespace
}  // namespace tarnevo::testing
