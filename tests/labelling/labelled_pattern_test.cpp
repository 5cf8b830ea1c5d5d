// Drives the labelled-pattern type of the Isotope Labelling Effects command
// through a scripted user interface. The clusters are checked against closed
// forms (one 13C at 0.99; Cl2 with 37Cl at 0.5; binomials of fully enriched
// elements) and against a separate brute-force convolution of the natural and
// enriched parts; the refusals, their Retry targets and what a run leaves in the
// element table are checked step by step.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "calc/labelling_command.h"
#include "calc/labelling_input.h"
#include "core/formula_parser.h"
#include "tests/support/command_fixture.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::calc {
namespace {

using testing::ScriptedPort;

constexpr const char* kForm = "Calculations Involving Labelled Atoms";
constexpr const char* kCalc = "Isotope Cluster Calculations with Labelled Atoms";

std::string Element(int n) { return "Enrichment Details for Element " + std::to_string(n); }

// A distribution over nominal mass shifts.
using Shifts = std::vector<double>;

Shifts Convolve(const Shifts& a, const Shifts& b) {
    Shifts c(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (std::size_t j = 0; j < b.size(); ++j) c[i + j] += a[i] * b[j];
    }
    return c;
}

// atoms atoms of one element whose isotope at shift delta[i] has FA fa[i].
Shifts AtomsOf(int atoms, const std::vector<int>& delta, const std::vector<double>& fa) {
    Shifts one(static_cast<std::size_t>(delta.back() + 1), 0.0);
    for (std::size_t i = 0; i < delta.size(); ++i) one[static_cast<std::size_t>(delta[i])] += fa[i];
    Shifts all{1.0};
    for (int k = 0; k < atoms; ++k) all = Convolve(all, one);
    return all;
}

class LabelledPattern : public tarnevo::testing::CommandFixture {
protected:
    void Run() { RunLabellingCommand(context); }
    void Form(const std::string& formula, const std::string& charge = "1", const std::string& type = "0") {
        port.ExpectDialogEntries(kForm, {{"formula", formula}, {"charge", charge}, {"type", type}});
    }
    void Calc(int elements, const std::string& stop = "0.99999") {
        port.ExpectDialogEntries(kCalc, {{"stop", stop}, {"elements", std::to_string(elements)}});
    }
    void Identity(int n, const std::string& symbol, int atoms) {
        port.ExpectDialog<EnrichedElementInput>(Element(n), [symbol, atoms](EnrichedElementInput& input) {
            // Opens empty with one atom every time.
            EXPECT_EQ(input.symbol, "");
            EXPECT_EQ(input.atoms, 1);
            input.symbol = symbol;
            input.atoms = atoms;
            return port::DialogAnswer::Ok;
        });
    }
    // Enters the heavy FAs of rows 2, 3, ... (ascending mass).
    void Details(int n, std::vector<double> heavy) {
        port.ExpectDialog<EnrichmentDetailsInput>(Element(n), [heavy](EnrichmentDetailsInput& input) {
            EXPECT_EQ(input.lightFAText, "0.nnnnn");
            for (int row = 0; row < EnrichmentDetailsInput::kRows; ++row)
                EXPECT_EQ(input.enrichedFA[row], 0.0);
            for (std::size_t i = 0; i < heavy.size(); ++i) {
                const auto field =
                    port::FindField(input, EnrichmentDetailsInput::EnrichedKey(static_cast<int>(i) + 2));
                EXPECT_TRUE(field.has_value());
                input.enrichedFA[i + 1] = heavy[i];
            }
            return port::DialogAnswer::Ok;
        });
    }
    void ExpectPeaks(const Shifts& expected, double tolerance = 1e-12) {
        const output::CalculationState& state = document.state;
        ASSERT_FALSE(document.readyForCalculation);
        for (std::size_t n = 0; n < expected.size(); ++n) {
            EXPECT_NEAR(state.cluster.peakFA[n], expected[n], tolerance) << "[A+" << n << "]";
        }
    }
};

TEST_F(LabelledPattern, OneCarbonLabelledAt99PercentGivesOnePercentA0) {
    Form("C");
    Calc(1);
    Identity(1, "C", 1);
    Details(1, {0.99});
    Run();
    ExpectPeaks({1.0 - 0.99, 0.99});
    const output::CalculationState& state = document.state;
    EXPECT_EQ(state.calcKind, output::CalcKind::LabelledAtoms);
    EXPECT_EQ(state.cluster.lastPeakIndex, 1);
    EXPECT_EQ(state.cluster.maxPeakIndex, 1);
    EXPECT_DOUBLE_EQ(state.ionMassA, 12.0 - core::electronMass);
    // [A+1] is the 13C ion alone: its centroid is the 13C mass, 13.00335 u in the
    // element table (not the nominal 13), less an electron.
    EXPECT_NEAR(state.cluster.peakCentroidMz[1], 13.00335 - core::electronMass, 1e-9);
    EXPECT_EQ(state.stopFA, 0.99999);
    EXPECT_EQ(state.details.detailCount, 1);
    EXPECT_EQ(state.details.detailSymbol, "C ");
    EXPECT_EQ(state.details.detailAtomCount[0], 1);
    EXPECT_EQ(state.details.lastIsotopeIndex[0], 1);
    EXPECT_EQ(state.details.isotopeMassNumber[0], 12);
    EXPECT_EQ(state.details.isotopeMassNumber[1], 13);
    EXPECT_NEAR(state.details.isotopeFA[0], 0.01, 1e-15);
    EXPECT_EQ(state.details.isotopeFA[1], 0.99);
    EXPECT_EQ(view.calcKind, output::CalcKind::LabelledAtoms);
    EXPECT_EQ(program->stopFASetting, 0.99999);
}

// Beyond the first dialog's own fields: the formula as the molecule of an
// ion type. [M-H]- of C2H4O2 (acetic acid) is the acetate ion C2H3O2-, its
// charge the notation's whatever the charge field held; its two carbons are
// then enriched as those of any formula.
TEST_F(LabelledPattern, MoleculeWithIonTypeIsLabelledAsItsIon) {
    port.ExpectDialogEntries(kForm,
                             {{"formula", "C2H4O2"}, {"charge", "1"}, {"type", "0"}, {"adduct", "[M-H]-"}});
    Calc(1);
    Identity(1, "C", 2);
    Details(1, {0.0});
    Run();
    const output::CalculationState& state = document.state;
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(state.charge, -1);
    EXPECT_EQ(state.formulaText, "C2H3O2");
    EXPECT_EQ(state.ionType.notation, "[M-H]-");
    EXPECT_EQ(state.ionType.molecule, "C2H4O2");
    // 2 x 12 + 3 x 1.007825 + 2 x 15.99491 + 0.000548580 (the electron gained).
    EXPECT_NEAR(state.ionMassA, 24.0 + 3.023475 + 31.98982 + core::electronMass, 1e-9);
    EXPECT_EQ(view.charge, -1);
}

TEST_F(LabelledPattern, IonTypeThatIsNoneAsksRetryWithTheCoresSentence) {
    port.ExpectDialogEntries(kForm, {{"formula", "C2H4O2"}, {"adduct", "M+H+"}});
    port.ExpectMessageContaining("Ion type 'M+H+'");
    Run();
    ExpectNothingStored();
}

TEST_F(LabelledPattern, DichlorineWithHalf37ClIsTheBinomialOfTwo) {
    Form("Cl2", "-1");
    Calc(1);
    Identity(1, "Cl", 2);
    Details(1, {0.5});
    Run();
    ExpectPeaks({0.25, 0.0, 0.5, 0.0, 0.25});
    EXPECT_EQ(document.state.details.detailSymbol, "Cl");
}

TEST_F(LabelledPattern, CarbonEnteredTwiceTakesItsAtomsFromThoseStillNatural) {
    // C10: 3 atoms at 13C 0.9, then 2 at 13C 0.5; 5 stay natural.
    Form("C10H8");
    Calc(2);
    Identity(1, "C", 3);
    Details(1, {0.9});
    Identity(2, "C", 2);
    Details(2, {0.5});
    Run();
    core::ElementTable table;
    const int c = core::LookupSymbolText("C", 0);
    const int h = core::LookupSymbolText("H", 0);
    Shifts expected = AtomsOf(5, {0, 1}, {table.LightFA(c), table.HeavyFA(c, 0)});
    expected = Convolve(expected, AtomsOf(3, {0, 1}, {1.0 - 0.9, 0.9}));
    expected = Convolve(expected, AtomsOf(2, {0, 1}, {0.5, 0.5}));
    expected = Convolve(expected, AtomsOf(8, {0, 1}, {table.LightFA(h), table.HeavyFA(h, 0)}));
    ExpectPeaks(Shifts(expected.begin(), expected.begin() + 8), 1e-9);
    const output::CalculationState& state = document.state;
    EXPECT_EQ(state.details.detailSymbol, "C C ");
    EXPECT_EQ(state.details.detailAtomCount[0], 3);
    EXPECT_EQ(state.details.detailAtomCount[1], 2);
    EXPECT_EQ(state.details.isotopeMassNumber[2], 12);
    EXPECT_EQ(state.details.isotopeFA[3], 0.5);
}

TEST_F(LabelledPattern, AllAtomsEnrichedLeaveOnlyTheSlot) {
    Form("C6");
    Calc(1);
    Identity(1, "C", 6);
    Details(1, {0.5});
    Run();
    // (1/2 + 1/2)^6: C(6, n) / 64.
    ExpectPeaks({1 / 64.0, 6 / 64.0, 15 / 64.0, 20 / 64.0, 15 / 64.0, 6 / 64.0, 1 / 64.0});
}

TEST_F(LabelledPattern, AnExactZeroLightestFAGivesFinitePeaks) {
    // 17O and 18O at 0.5 each: 16O at exactly 0. O2 = (0.5 x+1 + 0.5 x+2)^2.
    Form("O2");
    Calc(1);
    Identity(1, "O", 2);
    Details(1, {0.5, 0.5});
    Run();
    ExpectPeaks({0.0, 0.0, 0.25, 0.5, 0.25});
    EXPECT_EQ(document.state.details.isotopeFA[0], 0.0);
    EXPECT_EQ(document.state.cluster.maxPeakIndex, 3);
}

TEST_F(LabelledPattern, HeavyFAsThatSumToOneAsTypedAreAccepted) {
    Form("S");
    Calc(1);
    Identity(1, "S", 1);
    Details(1, {0.33, 0.56, 0.11});
    Run();
    ExpectPeaks({0.0, 0.33, 0.56, 0.0, 0.11});
    EXPECT_EQ(document.state.details.isotopeMassNumber[3], 36);
    EXPECT_EQ(document.state.details.isotopeFA[3], 0.11);
}

TEST_F(LabelledPattern, AHeavyFALeftAtZeroCountsAsOneInAMillion) {
    Form("C");
    Calc(1);
    Identity(1, "C", 1);
    Details(1, {});
    Run();
    ExpectPeaks({0.999999, 0.000001});
    EXPECT_EQ(document.state.details.isotopeFA[1], 0.000001);
}

TEST_F(LabelledPattern, SixTenIsotopeElementsFillThePools) {
    Form("Sn6");
    Calc(6);
    for (int n = 1; n <= 6; ++n) {
        Identity(n, "Sn", 1);
        std::vector<double> heavy(9, 0.0);
        heavy[static_cast<std::size_t>(n)] = 0.5;
        Details(n, heavy);
    }
    Run();
    EXPECT_EQ(program->elements.nextDeltaSlot, core::kDeltaPoolSize);
    EXPECT_EQ(program->elements.nextFASlot, core::kFAPoolSize);
    const output::CalculationState& state = document.state;
    EXPECT_EQ(state.details.detailCount, 6);
    EXPECT_EQ(state.details.detailSymbol, "SnSnSnSnSnSn");
    EXPECT_EQ(state.details.isotopeMassNumber[59], 124);
    double total = 0;
    for (int n = 0; n <= state.cluster.lastPeakIndex; ++n) total += state.cluster.peakFA[n];
    EXPECT_GT(total, 0.99999);
}

TEST_F(LabelledPattern, ZeroChargeEndsTheCommand) {
    Form("C6H6", "0");
    port.ExpectMessage("Ion charge cannot be zero!", port::MessageButtons::Ok, port::MessageIcon::Exclamation,
                       port::MessageModality::System, port::MessageAnswer::Ok);
    Run();
    ExpectNothingStored();
    EXPECT_EQ(view.formulaText, "C6H6");
}

TEST_F(LabelledPattern, UserElementsInTheFormulaAreRefusedAndRetryEmptiesTheFormula) {
    Form("C6H5Jx", "2", "1");
    port.ExpectMessage("Error - User defined elements, Jx - Qz, are not supported!",
                       port::MessageButtons::RetryCancel, port::MessageIcon::Exclamation,
                       port::MessageModality::System, port::MessageAnswer::Retry);
    port.ExpectDialog<LabellingFormInput>(kForm, [](LabellingFormInput& input) {
        EXPECT_EQ(input.formula, "");
        EXPECT_EQ(input.charge, 2);
        EXPECT_EQ(input.type, 1);
        return port::DialogAnswer::Cancel;
    });
    Run();
    ExpectNothingStored();
}

TEST_F(LabelledPattern, FormulaErrorRetryShowsTheFormEmptied) {
    Form("C6H6Xx");
    port.ExpectMessage("Formula Entry Error", port::MessageAnswer::Retry);
    port.ExpectDialog<LabellingFormInput>(kForm, [](LabellingFormInput& input) {
        EXPECT_EQ(input.formula, "");
        return port::DialogAnswer::Cancel;
    });
    Run();
    ExpectNothingStored();
}

TEST_F(LabelledPattern, RefusedElementsGoBackToTheIdentityDialog) {
    Form("C6H6F");
    Calc(1);
    Identity(1, "Jx", 1);
    port.ExpectMessage("Symbol Entry Error", port::MessageAnswer::Retry);
    Identity(1, "F", 1);
    port.ExpectMessage("Error - Your element is monoisotopic and cannot be enriched!",
                       port::MessageAnswer::Retry);
    Identity(1, "N", 1);
    port.ExpectMessage(
        "Error - Either the number of enriched atoms is too large,\r\n"
        "or your molecular formula does not contain this element!",
        port::MessageAnswer::Retry);
    Identity(1, "C", 7);
    port.ExpectMessage(
        "Error - Either the number of enriched atoms is too large,\r\n"
        "or your molecular formula does not contain this element!",
        port::MessageAnswer::Cancel);
    Run();
    ExpectNothingStored();
    EXPECT_EQ(view.elementSymbol, "C");
}

TEST_F(LabelledPattern, HeavyFAsAboveOneShowTheDetailsAgainCleared) {
    Form("O2");
    Calc(1);
    Identity(1, "O", 1);
    Details(1, {0.6, 0.5});
    port.ExpectMessage("Error - One or more of your heavy isotopic FAs is too large!",
                       port::MessageAnswer::Retry);
    Details(1, {0.3, 0.5});
    Run();
    // One 16O/17O/18O at 0.2/0.3/0.5 with one natural O.
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_NEAR(document.state.details.isotopeFA[0], 0.2, 1e-15);
}

TEST_F(LabelledPattern, TheDetailsDialogShowsMassesAndNaturalFAsByAscendingMass) {
    Form("S");
    Calc(1);
    Identity(1, "S", 1);
    port.ExpectDialog<EnrichmentDetailsInput>(Element(1), [](EnrichmentDetailsInput& input) {
        EXPECT_EQ(input.IsotopeCount(), 4);
        EXPECT_NEAR(input.mass[0], 31.97207, 1e-5);
        EXPECT_NEAR(input.mass[1], input.mass[0] + 1.0, 1e-12);
        EXPECT_NEAR(input.mass[3], input.mass[0] + 4.0, 1e-12);
        EXPECT_GT(input.naturalFA[0], 0.9);
        EXPECT_EQ(input.mass[4], 0.0);
        EXPECT_FALSE(input.IsFieldEnabled("enriched1"));
        EXPECT_TRUE(input.IsFieldEnabled("enriched4"));
        EXPECT_FALSE(input.IsFieldEnabled("enriched5"));
        EXPECT_FALSE(port::ValidateRecord(input).has_value());
        return port::DialogAnswer::Cancel;
    });
    Run();
    ExpectNothingStored();
}

TEST_F(LabelledPattern, AFailedRunLeavesTheNaturalElementsAlone) {
    const core::ElementTable fresh;
    Form("Sn2");
    Calc(2);
    Identity(1, "Sn", 1);
    Details(1, {0.9});
    port.ExpectDialogCancel(Element(2));
    Run();
    ExpectNothingStored();
    const core::ElementTable& table = program->elements;
    for (int i = 0; i < core::naturalFACount; ++i) ASSERT_EQ(table.faPool[i], fresh.faPool[i]);
    for (int i = 0; i < core::naturalDeltaCount; ++i) ASSERT_EQ(table.deltaPool[i], fresh.deltaPool[i]);
    EXPECT_EQ(view.labelling.detailCount, 2);
}

}  // namespace
}  // namespace tarnevo::calc
