// Pins the Cluster Ions and Polymers command: the two stages and their button,
// the formula and parameter dialogs with their Retry loops and presets, the
// m/z-window conversion and the range checks (each case derived by hand in its
// comment), the user-defined elements counted once per formula, and the 320
// shared peak slots. The storage cases use a user-defined element Jx whose
// heavy isotope (one mass unit up) has FA 0.99999: the ion Jx_n Na then has
// exactly n + 1 peaks, the binomial FAs C(n, m) q^m p^(n-m), so every slot count,
// truncation and largest FA follows from a closed form rather than from the
// engine under test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "calc/cluster_ions_command.h"
#include "calc/cluster_ions_input.h"
#include "tests/support/command_fixture.h"

namespace tarnevo::testing {
namespace {

using calc::RepeatUnitFormInput;
using calc::RepeatUnitParamInput;
using output::CalcKind;
using Entries = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kFormCaption = "Neutral Repeating Unit Formulae Entry";
constexpr const char* kParamCaption = "Neutral Repeating Unit Parameter Entry";
constexpr const char* kJxCaption = "Data for User Defined ELEMENT Jx";
constexpr const char* kFileNewFirst = "Click 'File, New' (Ctrl+N) before another calculation!";
constexpr const char* kFormulaError = "Formula Entry Error";

// Lightest-isotope masses (u) and the electron.
constexpr double kC = 12.0;
constexpr double kH = 1.007825;
constexpr double kO = 15.99491;
constexpr double kNa = 22.98977;
constexpr double kCl = 34.96885;
constexpr double kElectron = 0.000548579909;
constexpr double kC2H4O = 2 * kC + 4 * kH + kO;  // 44.02621

class ClusterIons : public CommandFixture {
public:
    void ExpectForm(const std::string& ru, const std::string& cap, const std::string& ci) {
        port.ExpectDialogEntries(kFormCaption, {{"ru", ru}, {"cap", cap}, {"ci", ci}});
    }
    void ExpectParams(Entries entries) { port.ExpectDialogEntries(kParamCaption, std::move(entries)); }
    void ExpectRURange(int first, int last, int charge = 1, int ciCount = 1) {
        ExpectParams({{"ci-count", std::to_string(ciCount)},
                      {"charge", std::to_string(charge)},
                      {"range", "0"},
                      {"min-ru", std::to_string(first)},
                      {"max-ru", std::to_string(last)}});
    }
    void ExpectMzRange(const std::string& minimum, const std::string& maximum, int charge = 1) {
        ExpectParams({{"ci-count", "1"},
                      {"charge", std::to_string(charge)},
                      {"range", "1"},
                      {"min-mz", minimum},
                      {"max-mz", maximum}});
    }
    // Jx with its lightest isotope at 10 u and one heavy isotope, delta 1, FA 0.99999.
    void ExpectAlmostPureHeavyJx() {
        port.ExpectDialogEntries(kJxCaption, {{"mass", "10"}, {"delta1", "1"}, {"fa1", "0.99999"}});
    }
    void ExpectRefusal(const std::string& message) {
        port.ExpectMessage(message, MessageButtons::Ok, MessageIcon::Exclamation, MessageModality::System,
                           MessageAnswer::Ok);
    }
    void Run() {
        calc::BeginClusterIons(context);
        calc::ContinueClusterIons(context);
    }
    // What every early end leaves behind.
    void ExpectEndedEarly() {
        ExpectNothingStored();
        EXPECT_EQ(view.calcKind, CalcKind::RepeatingUnits);
        EXPECT_FALSE(view.showWelcome);
        EXPECT_FALSE(view.continueButtonShown);
    }
};

// --- The two stages ---------------------------------------------------------

TEST_F(ClusterIons, MenuCommandShowsTheAdviceWithOneButton) {
    calc::BeginClusterIons(context);
    EXPECT_TRUE(view.continueButtonShown);
    EXPECT_FALSE(view.showWelcome);
    EXPECT_EQ(view.calcKind, CalcKind::RepeatingUnits);
    calc::BeginClusterIons(context);  // the advice again, still one button
    EXPECT_TRUE(view.continueButtonShown);
    EXPECT_EQ(calc::kClusterAdviceLines.size(), 9U);
    EXPECT_EQ(calc::kClusterAdviceLines[calc::kAdviceWidestLine],
              "are charged by one or more of the same ions, e.g. H+ or NH4+. Enter the chemical");
    EXPECT_EQ(calc::kContinueButtonId, 1131);
    ExpectNothingStored();
}

TEST_F(ClusterIons, MenuCommandWhileResultsAreShownCreatesNoButton) {
    document.readyForCalculation = false;
    view.calcKind = CalcKind::IsotopeCluster;
    port.ExpectMessage(kFileNewFirst, MessageButtons::Ok, MessageIcon::Exclamation,
                       MessageModality::Application, MessageAnswer::Ok);
    calc::BeginClusterIons(context);
    EXPECT_FALSE(view.continueButtonShown);
    EXPECT_EQ(view.calcKind, CalcKind::IsotopeCluster);
}

TEST_F(ClusterIons, ContinueAfterAnotherCalculationStoredItsResultsIsRefused) {
    calc::BeginClusterIons(context);
    document.readyForCalculation = false;  // another command's results arrived meanwhile
    port.ExpectMessage(kFileNewFirst, MessageButtons::Ok, MessageIcon::Exclamation,
                       MessageModality::Application, MessageAnswer::Ok);
    calc::ContinueClusterIons(context);
    EXPECT_FALSE(view.continueButtonShown);
}

// --- A complete series ------------------------------------------------------

TEST_F(ClusterIons, BlankEndCapGivesRepeatUnitsAndChargingIonsOnly) {
    ExpectForm("C2H4O", "", "Na");
    ExpectRURange(1, 3);
    Run();
    const output::CalculationState& state = State();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_FALSE(view.continueButtonShown);
    EXPECT_EQ(state.calcKind, CalcKind::RepeatingUnits);
    EXPECT_FALSE(state.series.hasEndCap);
    EXPECT_EQ(state.formulaText, "C2H4O");
    EXPECT_EQ(state.series.endCapText, "");
    EXPECT_EQ(state.series.chargingIonText, "Na");
    EXPECT_EQ(state.series.chargingIonCount, 1);
    EXPECT_EQ(state.charge, 1);
    EXPECT_EQ(state.stopFA, 0.9999);
    EXPECT_EQ(state.series.firstRUCount, 1);
    EXPECT_EQ(state.series.lastRUCount, 3);
    EXPECT_EQ(state.series.ionCount, 3);
    EXPECT_EQ(view.ionCount, 3);
    EXPECT_FALSE(state.series.ionStorageFull);
    EXPECT_EQ(state.details.detailCount, 0);
    EXPECT_TRUE(document.IsModified());
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(state.series.ionMassAList[i], (i + 1) * kC2H4O + kNa - kElectron, 1e-9) << "ion " << i;
    }
    // Ion 0 (C2H4ONa): [A+1] is mostly one 13C, 2 x 0.0107 / 0.9893 of [A+0],
    // plus the 17O share 0.00038 / 0.99757 and that of 2H.
    const double ratio = state.cluster.peakFA[1] / state.cluster.peakFA[0];
    EXPECT_NEAR(ratio, 2 * 0.0107 / 0.9893 + 0.00038 / 0.99757 + 4 * 0.000115 / 0.999885, 1e-9);
    EXPECT_EQ(state.series.ionMaxFA[0], state.cluster.peakFA[0]);
}

TEST_F(ClusterIons, EndCapAndSeveralChargingIonsAddToEveryIon) {
    ExpectForm("C2H4O", "H2O", "Na");
    ExpectRURange(4, 5, 2, 2);
    Run();
    const output::CalculationState& state = State();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_TRUE(state.series.hasEndCap);
    EXPECT_EQ(state.series.endCapText, "H2O");
    EXPECT_EQ(state.series.chargingIonCount, 2);
    EXPECT_EQ(state.charge, 2);
    // n x C2H4O + H2O + 2 Na, two electrons removed.
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(state.series.ionMassAList[i], (4 + i) * kC2H4O + (2 * kH + kO) + 2 * kNa - 2 * kElectron,
                    1e-9);
    }
}

TEST_F(ClusterIons, NegativeTotalChargeAddsElectrons) {
    ExpectForm("C2H4O", "", "Cl");
    ExpectRURange(1, 2, -1);
    Run();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().charge, -1);
    EXPECT_NEAR(State().series.ionMassAList[0], kC2H4O + kCl + kElectron, 1e-9);
    EXPECT_NEAR(State().series.ionMassAList[1], 2 * kC2H4O + kCl + kElectron, 1e-9);
}

// --- Range: the m/z conversion and the checks ---------------------------------

enum class RangeMode { RUs, Mz };

struct RangeCase {
    const char* name;
    const char* ru;  // with Na as the charging ion, no end cap
    RangeMode mode;
    const char* minimum;
    const char* maximum;
    int charge;
    int first = 0;  // expected series when accepted
    int last = 0;
    std::string refusal = {};  // expected message when refused
};

void PrintTo(const RangeCase& range, std::ostream* out) { *out << range.name; }

class RangeChecks : public ClusterIons, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeChecks, GiveTheSeriesOrTheMessage) {
    const RangeCase& range = GetParam();
    ExpectForm(range.ru, "", "Na");
    if (range.mode == RangeMode::Mz) {
        ExpectMzRange(range.minimum, range.maximum, range.charge);
    } else {
        ExpectRURange(std::stoi(range.minimum), std::stoi(range.maximum), range.charge);
    }
    if (!range.refusal.empty()) ExpectRefusal(range.refusal);
    Run();
    if (!range.refusal.empty()) {
        ExpectEndedEarly();
        return;
    }
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().series.firstRUCount, range.first);
    EXPECT_EQ(State().series.lastRUCount, range.last);
    EXPECT_EQ(State().series.ionCount, range.last - range.first + 1);
}

constexpr const char* kAbove200 = "Error - the maximum m/z or RU is too high (it exceeds 200 RUs)!";
constexpr const char* kNoSampleIon = "Error - your range is wrong, it does not include a sample ion!";
constexpr const char* kSpanAbove30 = "Error - your range in RUs exceeds the maximum (30)!";
constexpr const char* kBelowOneRU = "Error - the minimum m/z is too low (it is below one RU)!";

INSTANTIATE_TEST_SUITE_P(
    Series, RangeChecks,
    ::testing::Values(
        RangeCase{"EqualMinimumAndMaximumGiveOneIon", "C2H4O", RangeMode::RUs, "7", "7", 1, 7, 7},
        RangeCase{"ThirtyIonsAreAccepted", "CH2", RangeMode::RUs, "1", "30", 1, 1, 30},
        RangeCase{"ThirtyOneIonsAreRefused", "CH2", RangeMode::RUs, "1", "31", 1, 0, 0, kSpanAbove30},
        RangeCase{"MinimumAboveMaximum", "C2H4O", RangeMode::RUs, "10", "5", 1, 0, 0, kNoSampleIon},
        // L = 22.98977 (Na), m_RU = 44.02621: first = trunc((50 - L - 0.1) / m_RU) + 1
        // = trunc(0.611) + 1 = 1, last = trunc((400 - L + 0.1) / m_RU) = trunc(8.566) = 8.
        RangeCase{"MzWindow50To400", "C2H4O", RangeMode::Mz, "50", "400", 1, 1, 8},
        // z = 2, L = 11.494885: first = trunc(2 x 38.405115 / m_RU) + 1 = trunc(1.745) + 1 = 2,
        // last = trunc(2 x 388.605115 / m_RU) = trunc(17.65) = 17.
        RangeCase{"MzWindowWithChargeTwo", "C2H4O", RangeMode::Mz, "50", "400", 2, 2, 17},
        // The 8-RU ion lies at 8 x 44.02621 + 22.98977 = 375.19945: a window
        // ending at 375.15 still takes it through the 0.1 of slack, one ending at
        // 375.05 does not. The 1-RU ion (67.02) is below 100: first = 2.
        RangeCase{"MzWindowSlackKeepsAnIonAtTheEdge", "C2H4O", RangeMode::Mz, "100", "375.15", 1, 2, 8},
        RangeCase{"MzWindowJustShortOfAnIon", "C2H4O", RangeMode::Mz, "100", "375.05", 1, 2, 7},
        // trunc((50000 - L + 0.1) / m_RU) = 1135 RUs.
        RangeCase{"MzWindowAbove200RUs", "C2H4O", RangeMode::Mz, "8000", "50000", 1, 0, 0, kAbove200},
        // No ion lies between 1 and 30: first = trunc(-0.50) + 1 = 1, last = trunc(0.16) = 0.
        RangeCase{"MzWindowWithoutAnIon", "C2H4O", RangeMode::Mz, "1", "30", 1, 0, 0, kNoSampleIon},
        // m_RU (CH2) = 14.01565: first = trunc((1 - 23.08977) / 14.01565) + 1
        // = trunc(-1.576) + 1 = 0, which would be Na alone.
        RangeCase{"MzWindowBelowOneRU", "CH2", RangeMode::Mz, "1", "100", 1, 0, 0, kBelowOneRU},
        // m_RU (H) = 1.007825: first = trunc(-22.08977 / 1.007825) + 1 = -20,
        // last = trunc(7.11023 / 1.007825) = 7; H-20 would reach the engine.
        RangeCase{"MzWindowFarBelowOneRU", "H", RangeMode::Mz, "1", "30", 1, 0, 0, kBelowOneRU},
        // A repeating unit without atoms cannot be converted: m/z over 0 u per RU.
        RangeCase{"MzWindowWithEmptyRepeatUnit", "C0", RangeMode::Mz, "50", "400", 1, 0, 0, kAbove200}),
    [](const auto& named) { return std::string(named.param.name); });

// --- Other early ends ----------------------------------------------------------

TEST_F(ClusterIons, ZeroChargeIsRefused) {
    ExpectForm("C2H4O", "", "Na");
    ExpectRURange(1, 3, 0);
    ExpectRefusal("Error - the ionic charge cannot be zero!");
    Run();
    ExpectEndedEarly();
}

TEST_F(ClusterIons, LargestIonIsCheckedBeforeAnyIsComputed) {
    // 200 x C150 + H: 30000 carbon and one hydrogen, 30001 polyisotopic atoms.
    ExpectForm("C150", "", "H");
    ExpectRURange(171, 200);
    ExpectRefusal("Total number of polyisotopic atoms cannot exceed 30000.");
    Run();
    ExpectEndedEarly();
    EXPECT_EQ(State().series.ionCount, 0);
}

TEST_F(ClusterIons, CancelInEitherDialogEndsTheCalculation) {
    port.ExpectDialogCancel(kFormCaption);
    Run();
    ExpectEndedEarly();
    ExpectForm("C2H4O", "", "Na");
    port.ExpectDialogCancel(kParamCaption);
    Run();
    ExpectEndedEarly();
}

TEST_F(ClusterIons, CancelledUserElementEndsTheCalculation) {
    ExpectForm("C2H4O", "", "Jx");
    port.ExpectDialogCancel(kJxCaption);
    Run();
    ExpectEndedEarly();
}

// --- Formula entry: Retry per field ---------------------------------------------

struct RetryCase {
    const char* field;  // the field holding the bad formula
    Entries entries;    // as typed
};

void PrintTo(const RetryCase& retry, std::ostream* out) { *out << retry.field; }

class FormulaRetry : public ClusterIons, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(FormulaRetry, EmptiesOnlyTheBadFieldAndKeepsTheRest) {
    const RetryCase& retry = GetParam();
    Entries typed = retry.entries;
    typed.emplace_back("stop", "0.999");
    typed.emplace_back("reminder", "0");
    port.ExpectDialogEntries(kFormCaption, typed);
    port.ExpectMessage(kFormulaError, MessageButtons::RetryCancel, MessageIcon::Exclamation,
                       MessageModality::System, MessageAnswer::Retry);
    port.ExpectDialog<RepeatUnitFormInput>(kFormCaption, [retry](RepeatUnitFormInput& input) {
        for (const auto& [key, text] : retry.entries) {
            const std::string expected = key == retry.field ? "" : text;
            EXPECT_EQ(port::FieldText(*port::FindField(input, key)), expected) << key;
        }
        EXPECT_EQ(input.stopFA, 0.999);
        EXPECT_FALSE(input.saveReminder);
        return DialogAnswer::Cancel;
    });
    Run();
    ExpectEndedEarly();
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FormulaRetry,
    ::testing::Values(RetryCase{"ru", {{"ru", "C2H4O+"}, {"cap", "H2O"}, {"ci", "Na"}}},
                      RetryCase{"cap", {{"ru", "C2H4O"}, {"cap", "(H2O)"}, {"ci", "Na"}}},
                      RetryCase{"ci", {{"ru", "C2H4O"}, {"cap", "H2O"}, {"ci", "na"}}},
                      // A charging ion is required: the empty text is a formula error.
                      RetryCase{"ci", {{"ru", "C2H4O"}, {"cap", ""}, {"ci", ""}}}),
    [](const auto& named) { return std::string(named.param.field) + std::to_string(named.index); });

TEST_F(ClusterIons, FormulaErrorCancelEndsTheCalculation) {
    ExpectForm("C2H4O", "H2O", "N a");
    port.ExpectMessage(kFormulaError, MessageAnswer::Cancel);
    Run();
    ExpectEndedEarly();
    EXPECT_EQ(view.chargingIonText, "N a");  // kept as typed for the next run
}

// --- Parameter presets --------------------------------------------------------------

TEST_F(ClusterIons, RangeFieldsAlwaysOpenAt1And10And50And400) {
    ExpectForm("C2H4O", "H2O", "Na");
    // An inverted m/z window is refused after all entries went back to the view.
    ExpectParams({{"ci-count", "2"},
                  {"charge", "3"},
                  {"range", "1"},
                  {"min-ru", "5"},
                  {"max-ru", "7"},
                  {"min-mz", "400"},
                  {"max-mz", "100"}});
    ExpectRefusal(kNoSampleIon);
    Run();

    port.ExpectDialog<RepeatUnitFormInput>(kFormCaption, [](RepeatUnitFormInput& input) {
        EXPECT_EQ(input.repeatUnit, "C2H4O");
        EXPECT_EQ(input.endCap, "H2O");
        EXPECT_EQ(input.chargingIon, "Na");
        return DialogAnswer::Ok;
    });
    port.ExpectDialog<RepeatUnitParamInput>(kParamCaption, [](RepeatUnitParamInput& input) {
        EXPECT_EQ(input.chargingIonCount, 2);
        EXPECT_EQ(input.charge, 3);
        EXPECT_EQ(input.rangeChoice, RepeatUnitParamInput::kRangeInMz);
        EXPECT_EQ(input.minimumRUs, 1);
        EXPECT_EQ(input.maximumRUs, 10);
        EXPECT_EQ(input.minimumMz, 50.0);
        EXPECT_EQ(input.maximumMz, 400.0);
        return DialogAnswer::Cancel;
    });
    Run();
}

TEST_F(ClusterIons, RangeChoiceEnablesItsPairOfFields) {
    RepeatUnitParamInput input;
    EXPECT_TRUE(input.IsFieldEnabled("min-ru"));
    EXPECT_TRUE(input.IsFieldEnabled("max-ru"));
    EXPECT_FALSE(input.IsFieldEnabled("min-mz"));
    EXPECT_FALSE(input.IsFieldEnabled("max-mz"));
    input.rangeChoice = RepeatUnitParamInput::kRangeInMz;
    EXPECT_FALSE(input.IsFieldEnabled("min-ru"));
    EXPECT_TRUE(input.IsFieldEnabled("max-mz"));
    EXPECT_TRUE(input.IsFieldEnabled("charge"));
    // The disabled pair is still validated on OK.
    input.minimumRUs = 0;
    EXPECT_EQ(port::ValidateRecord(input)->message, "Please enter an integer between 1 and 200.");
}

// --- User-defined elements -------------------------------------------------------------

TEST_F(ClusterIons, ElementOnlyInTheEndCapIsAskedForOnceWithItsEndCapCount) {
    ExpectForm("C2H4O", "Jx2", "Na");
    port.ExpectDialogEntries(kJxCaption, {{"mass", "10"}, {"delta1", "1"}, {"fa1", "0.2"}});
    ExpectRURange(1, 3);
    Run();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().details.detailCount, 1);
    EXPECT_EQ(State().details.detailSymbol, "Jx");
    EXPECT_EQ(State().details.detailAtomCount[0], 2);
    EXPECT_EQ(State().details.lastIsotopeIndex[0], 1);
    EXPECT_EQ(State().details.isotopeMassNumber[0], 10);
    EXPECT_EQ(State().details.isotopeMassNumber[1], 11);
    EXPECT_NEAR(State().details.isotopeFA[0], 0.8, 1e-15);
    EXPECT_NEAR(State().series.ionMassAList[0], kC2H4O + 2 * 10.0 + kNa - kElectron, 1e-9);
}

TEST_F(ClusterIons, UserElementsAreCountedOncePerFormulaInIndexOrder) {
    // Jx: 1 in the RU, 2 in the end cap, 1 in the charging ion = 4, whatever n
    // and the number of charging ions; Qy only in the RU. Asked for Jx first.
    ExpectForm("QyJx", "Jx2", "JxH");
    port.ExpectDialogEntries(kJxCaption, {{"mass", "10"}, {"delta1", "1"}, {"fa1", "0.2"}});
    port.ExpectDialogEntries("Data for User Defined ELEMENT Qy",
                             {{"mass", "20"}, {"delta1", "2"}, {"fa1", "0.1"}});
    ExpectRURange(3, 4, 1, 3);
    Run();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().details.detailCount, 2);
    EXPECT_EQ(State().details.detailSymbol, "JxQy");
    EXPECT_EQ(State().details.detailAtomCount[0], 4);
    EXPECT_EQ(State().details.detailAtomCount[1], 1);
}

// --- The 320 peak slots -----------------------------------------------------------------

// FA of peak [A+m] of Jx_n: C(n, m) q^m p^(n - m), with p as the program derives
// it (1 - q), in extended precision.
double AlmostPureHeavyFA(int n, int m) {
    const long double q = 0.99999L;
    const long double p = static_cast<long double>(1.0 - 0.99999);
    long double binomial = 1.0L;
    for (int k = 1; k <= m; ++k) binomial = binomial * (n - m + k) / k;
    return static_cast<double>(binomial * std::pow(q, m) * std::pow(p, n - m));
}

struct StorageCase {
    const char* name;
    int first;
    int last;
    int ionCount;         // ions counted
    int lastIonLastPeak;  // stored ionLastPeakIndex of the last counted ion
    bool full;
};

void PrintTo(const StorageCase& storage, std::ostream* out) { *out << storage.name; }

class PeakStorage : public ClusterIons, public ::testing::WithParamInterface<StorageCase> {};

TEST_P(PeakStorage, StopsAtExactly320Peaks) {
    const StorageCase& storage = GetParam();
    ExpectForm("Jx", "", "Na");
    ExpectAlmostPureHeavyJx();
    ExpectRURange(storage.first, storage.last);
    Run();
    const output::CalculationState& state = State();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(state.series.ionCount, storage.ionCount);
    EXPECT_EQ(state.series.ionStorageFull, storage.full);
    EXPECT_EQ(state.series.lastRUCount, storage.last);  // as requested, even when not reached

    // Ions before the last keep all n + 1 peaks; walk the slots ion by ion.
    int slot = 0;
    for (int ion = 0; ion < state.series.ionCount; ++ion) {
        const int n = storage.first + ion;
        const bool lastIon = ion == state.series.ionCount - 1;
        const int lastPeak = lastIon ? storage.lastIonLastPeak : n;
        ASSERT_EQ(state.series.ionLastPeakIndex[ion], lastPeak) << "ion with " << n << " RUs";
        EXPECT_NEAR(state.series.ionMassAList[ion], n * 10.0 + kNa - kElectron, 1e-9);
        // The largest peak is the all-heavy one, [A+n], stored or not.
        EXPECT_NEAR(state.series.ionMaxFA[ion], AlmostPureHeavyFA(n, n), 1e-12);
        EXPECT_NEAR(state.cluster.peakFA[slot + lastPeak] / AlmostPureHeavyFA(n, lastPeak), 1.0, 1e-9);
        slot += lastPeak + 1;
    }
    if (storage.full) {
        EXPECT_EQ(slot, output::kPeakSlots);
    }
}

// The ion with n RUs has n + 1 peaks.
INSTANTIATE_TEST_SUITE_P(Jx, PeakStorage,
                         ::testing::Values(
                             // 61 + 62 + 63 + 64 + 65 = 315 slots: everything fits.
                             StorageCase{"RoomToSpare", 60, 64, 5, 64, false},
                             // 62 + 63 + 64 + 65 + 66 = 320: the last peak of the last ion fills the
                             // 320th slot; the flag is still set.
                             StorageCase{"LastSlotTakesTheLastPeakOfTheSeries", 61, 65, 5, 65, true},
                             // Same fill, one more ion requested: it is not computed.
                             StorageCase{"LastSlotTakesTheLastPeakOfAnIon", 61, 66, 5, 65, true},
                             // 63 + 64 + 65 + 66 = 258; the ion with 66 RUs gets 62 of its 67 peaks
                             // ([A+0] .. [A+61]) and its largest, [A+66], is not stored.
                             StorageCase{"IonCutShort", 62, 66, 5, 61, true},
                             StorageCase{"IonCutShortAndLaterIonsSkipped", 62, 67, 5, 61, true}),
                         [](const auto& named) { return std::string(named.param.name); });

// --- Building a composition ---------------------------------------------------------------

TEST(IonComposition, CountsAreSummedWithoutWrapping) {
    calc::SeriesFormulae formulae;
    formulae.repeatUnit[10] = 150;  // C150
    formulae.endCap[27] = 2;        // H2
    formulae.chargingIon[44] = 1;   // Na
    core::ParsedFormula composition;
    ASSERT_TRUE(calc::BuildIonComposition(formulae, 30, 200, composition));
    EXPECT_EQ(composition[10], 30000U);
    EXPECT_EQ(composition[27], 2U);
    EXPECT_EQ(composition[44], 30U);

    // 20000 x 200 + 20000 x 30 + 20000 fits easily; 2^31 x 200 would wrap a
    // 32-bit count and is refused instead.
    formulae.repeatUnit[10] = 20000;
    formulae.chargingIon[10] = 20000;
    formulae.endCap[10] = 20000;
    ASSERT_TRUE(calc::BuildIonComposition(formulae, 30, 200, composition));
    EXPECT_EQ(composition[10], 4620000U);
    formulae.repeatUnit[10] = std::uint32_t{1} << 31;
    EXPECT_FALSE(calc::BuildIonComposition(formulae, 1, 200, composition));
    EXPECT_FALSE(calc::BuildIonComposition(formulae, 1, -1, composition));
}

}  // namespace
}  // namespace tarnevo::testing
