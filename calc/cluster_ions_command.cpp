#include "calc/cluster_ions_command.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "calc/calculation_command.h"
#include "calc/cluster_ions_input.h"
#include "calc/cluster_run.h"
#include "calc/formula_entry.h"
#include "calc/user_elements.h"
#include "core/ion_mz.h"
#include "core/messages.h"

namespace tarnevo::calc {

namespace {

inline constexpr std::string_view kZeroCharge = "Error - the ionic charge cannot be zero!";
inline constexpr std::string_view kAbove200RUs =
    "Error - the maximum m/z or RU is too high (it exceeds 200 RUs)!";
inline constexpr std::string_view kNoSampleIon =
    "Error - your range is wrong, it does not include a sample ion!";
// An m/z window starting about one RU step or more below the ion of end cap and
// charging ions alone converts to a first count of 0 or less: no series of
// ions with repeating units, and negative counts would reach the engine as
// negative atom counts.
inline constexpr std::string_view kBelowOneRU = "Error - the minimum m/z is too low (it is below one RU)!";
inline constexpr std::string_view kSpanAbove30 = "Error - your range in RUs exceeds the maximum (30)!";

constexpr int kMaxRUCount = 200;
constexpr int kMaxSeriesSpan = output::kMaxIons - 1;
// Slack on each side of the m/z window (m/z units), so that an ion lying just
// at an edge is kept.
constexpr long double kWindowSlack = 0.1L;
// Any converted count beyond this is refused by the range checks; clamping to
// it keeps the conversion to int defined even for a repeating unit without atoms.
constexpr long double kFarOutOfRange = 1.0e6L;
// The engine sums atom counts of all elements in int: no count may exceed this.
constexpr std::uint64_t kMaxIonAtomsPerElement =
    static_cast<std::uint64_t>(std::numeric_limits<int>::max()) / core::kElementCount;

// One round of the formula dialog: preset from the view, entries stored back
// before any check, then RU, EC (when not blank) and CI parsed in that order.
FormStep AskFormulae(CommandContext& context, SeriesFormulae& formulae) {
    doc::ViewState& view = context.view;
    RepeatUnitFormInput input;
    input.repeatUnit = view.formulaText;
    input.endCap = view.endCapText;
    input.chargingIon = view.chargingIonText;
    input.stopFA = context.program.stopFASetting;
    input.saveReminder = view.saveReminder;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return FormStep::End;

    view.formulaText = input.repeatUnit;
    view.endCapText = input.endCap;
    view.chargingIonText = input.chargingIon;
    context.program.stopFASetting = input.stopFA;
    view.saveReminder = input.saveReminder;

    if (const FormStep step = ParseFormulaField(view.formulaText, formulae.repeatUnit, context.ui);
        step != FormStep::Parsed) {
        return step;
    }
    view.hasEndCap = !view.endCapText.empty();
    formulae.endCap = core::ParsedFormula{};
    if (view.hasEndCap) {
        if (const FormStep step = ParseFormulaField(view.endCapText, formulae.endCap, context.ui);
            step != FormStep::Parsed) {
            return step;
        }
    }
    // An empty charging ion is refused by the parser like any malformed formula.
    return ParseFormulaField(view.chargingIonText, formulae.chargingIon, context.ui);
}

// The user-defined elements are asked for once per series: each is counted once
// in each formula it appears in, not multiplied by n or by the charging ions.
core::ParsedFormula UserElementTotals(const SeriesFormulae& formulae) {
    core::ParsedFormula totals;
    for (int element = core::kFirstUserElement; element < core::kElementCount; ++element) {
        totals[element] =
            formulae.repeatUnit[element] + formulae.endCap[element] + formulae.chargingIon[element];
    }
    return totals;
}

// The m/z window as entered; the view keeps only RU counts.
struct MzWindow {
    double minimum = 0.0;
    double maximum = 0.0;
};

// The parameter dialog; the four range fields open at 1, 10, 50 and 400 every
// time, the others at the view's last entries.
bool AskParameters(CommandContext& context, MzWindow& window) {
    doc::ViewState& view = context.view;
    RepeatUnitParamInput input;
    input.chargingIonCount = view.chargingIonCount;
    input.charge = view.charge;
    input.rangeChoice = view.rangeByMz ? RepeatUnitParamInput::kRangeInMz : RepeatUnitParamInput::kRangeInRUs;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;

    view.chargingIonCount = input.chargingIonCount;
    view.charge = input.charge;
    view.rangeByMz = input.rangeChoice != RepeatUnitParamInput::kRangeInRUs;
    view.firstRUCount = input.minimumRUs;
    view.lastRUCount = input.maximumRUs;
    window = {input.minimumMz, input.maximumMz};
    return true;
}

int TruncatedRUCount(long double value) {
    if (std::isnan(value)) return static_cast<int>(kFarOutOfRange);
    return static_cast<int>(std::clamp(value, -kFarOutOfRange, kFarOutOfRange));
}

// The RU counts of the ions whose m/z lie in the window, 0.1 of slack on each
// side. With z = |charge| and L = (m_EC + k x m_CI) / z, the ion with n RUs has
// m/z of about L + n x m_RU / z. Example: RU C2H4O (44.02621 u), CI Na
// (22.98977 u), charge 1, window 50 to 400: n runs from
// trunc(26.91023 / 44.02621) + 1 = 1 to trunc(377.11023 / 44.02621) = 8.
void ConvertMzWindow(CommandContext& context, const SeriesFormulae& formulae, const MzWindow& window) {
    const core::ElementTable& table = context.program.elements;
    doc::ViewState& view = context.view;
    const long double z = core::ChargeMagnitude(view.charge);
    const long double ruMass = core::FormulaLightMass(table, formulae.repeatUnit);
    const long double ciMass = core::FormulaLightMass(table, formulae.chargingIon);
    const long double capMass = view.hasEndCap ? core::FormulaLightMass(table, formulae.endCap) : 0.0L;
    const long double fixedMz = (capMass + view.chargingIonCount * ciMass) / z;
    view.firstRUCount = TruncatedRUCount(z * (window.minimum - fixedMz - kWindowSlack) / ruMass) + 1;
    view.lastRUCount = TruncatedRUCount(z * (window.maximum - fixedMz + kWindowSlack) / ruMass);
}

std::string_view RangeRefusal(int first, int last) {
    if (last > kMaxRUCount) return kAbove200RUs;
    if (first > last) return kNoSampleIon;
    if (first < 1) return kBelowOneRU;
    if (last - first > kMaxSeriesSpan) return kSpanAbove30;
    return {};
}

// Charge and range: the zero-charge refusal, the m/z conversion when asked for,
// then the range checks in order.
bool ResolveRange(CommandContext& context, const SeriesFormulae& formulae, const MzWindow& window) {
    doc::ViewState& view = context.view;
    if (view.charge == 0) {
        port::ShowError(context.ui, kZeroCharge);
        return false;
    }
    if (view.rangeByMz) ConvertMzWindow(context, formulae, window);
    if (const std::string_view refusal = RangeRefusal(view.firstRUCount, view.lastRUCount);
        !refusal.empty()) {
        port::ShowError(context.ui, refusal);
        return false;
    }
    return true;
}

// The composition of the ion with n RUs, refusing (with the atom-count message)
// one that the engine could not count.
bool ComposeIon(CommandContext& context, const SeriesFormulae& formulae, int ruCount,
                core::ParsedFormula& composition) {
    if (BuildIonComposition(formulae, context.view.chargingIonCount, ruCount, composition)) return true;
    port::ShowError(context.ui, core::messages::kTooManyAtomsOfElement);
    return false;
}

// The largest ion is checked before any is computed, so that a series beyond
// the engine's limits is refused as a whole.
bool CheckLargestIon(CommandContext& context, const SeriesFormulae& formulae) {
    core::ParsedFormula composition;
    if (!ComposeIon(context, formulae, context.view.lastRUCount, composition)) return false;
    return CheckClusterLimits(context, composition, context.view.charge) != 0.0;
}

// Runs the engine for each ion and appends its peaks to the 320 shared slots.
// When the slots are full the ion being stored keeps the peaks that fitted, no
// further ion is computed and ionStorageFull is set, even when the last slot
// took the last peak of an ion. False when an ion was refused by the engine.
bool ComputeSeries(CommandContext& context, const SeriesFormulae& formulae) {
    doc::ViewState& view = context.view;
    output::CalculationState& state = context.document.state;
    const core::ClusterWorkspace& cluster = context.program.cluster;
    state.series.ionStorageFull = false;
    int storedPeaks = 0;
    view.ionCount = 0;
    for (int n = view.firstRUCount; n <= view.lastRUCount; ++n) {
        const int ion = n - view.firstRUCount;
        core::ParsedFormula composition;
        if (!ComposeIon(context, formulae, n, composition)) return false;
        const double ionMassA = CheckClusterLimits(context, composition, view.charge);
        if (ionMassA == 0.0) return false;
        state.series.ionMassAList[ion] = ionMassA;
        if (!ComputeIonCluster(context, composition)) return false;

        int ionStored = 0;
        double maxFA = 0.0;
        for (int m = 0; m <= cluster.lastPeakIndex; ++m) {
            const double fa = static_cast<double>(cluster.peakSum[m]);
            if (storedPeaks < output::kPeakSlots) {
                state.cluster.peakCentroidMz[storedPeaks] =
                    core::MzOf(core::PeakCentroidMass(cluster, m), view.charge);
                state.cluster.peakFA[storedPeaks++] = fa;
                ++ionStored;
            }
            if (fa > maxFA) maxFA = fa;
        }
        state.series.ionLastPeakIndex[ion] = cluster.lastPeakIndex;
        state.series.ionMaxFA[ion] = maxFA;
        ++view.ionCount;
        if (storedPeaks == output::kPeakSlots) {
            state.series.ionLastPeakIndex[ion] = ionStored - 1;
            state.series.ionStorageFull = true;
            break;
        }
    }
    return true;
}

void StoreSeriesResults(CommandContext& context) {
    const doc::ViewState& view = context.view;
    output::CalculationState& state = context.document.state;
    StoreEchoedInputs(context);
    state.series.ionCount = view.ionCount;
    state.series.endCapText = view.endCapText;
    state.series.chargingIonText = view.chargingIonText;
    state.series.firstRUCount = view.firstRUCount;
    state.series.lastRUCount = view.lastRUCount;
    state.series.chargingIonCount = view.chargingIonCount;
    state.series.hasEndCap = view.hasEndCap;
    StoreUserElementReport(context);
}

// The calculation's own part, after CONTINUE: the series dialogs, the range of
// repeating units, the engine for every ion and the store.
bool ComputeAndStoreSeries(CommandContext& context) {
    SeriesFormulae formulae;
    FormStep step = FormStep::Retry;
    while (step == FormStep::Retry) step = AskFormulae(context, formulae);
    if (step == FormStep::End) return false;
    if (!AskUserElements(context, UserElementTotals(formulae))) return false;

    MzWindow window;
    if (!AskParameters(context, window)) return false;
    if (!ResolveRange(context, formulae, window)) return false;
    if (!CheckLargestIon(context, formulae)) return false;
    if (!ComputeSeries(context, formulae)) return false;
    StoreSeriesResults(context);
    return true;
}

}  // namespace

bool BuildIonComposition(const SeriesFormulae& formulae, int chargingIonCount, int ruCount,
                         core::ParsedFormula& composition) {
    if (chargingIonCount < 0 || ruCount < 0) return false;
    for (int element = 0; element < core::kElementCount; ++element) {
        const std::uint64_t count =
            std::uint64_t{formulae.chargingIon[element]} * static_cast<std::uint64_t>(chargingIonCount) +
            std::uint64_t{formulae.repeatUnit[element]} * static_cast<std::uint64_t>(ruCount) +
            std::uint64_t{formulae.endCap[element]};
        if (count > kMaxIonAtomsPerElement) return false;
        composition[element] = static_cast<std::uint32_t>(count);
    }
    return true;
}

void BeginClusterIons(CommandContext& context) {
    if (!doc::PassCalculationGate(context.document, context.view, context.ui,
                                  output::CalcKind::RepeatingUnits)) {
        return;
    }
    context.view.continueButtonShown = true;
}

void ContinueClusterIons(CommandContext& context) {
    context.view.continueButtonShown = false;
    context.document.InvalidateViews();
    // The button outlives other commands: another calculation may have stored
    // its results, or changed the view's kind, since the advice was drawn.
    RunCalculationCommand(context, output::CalcKind::RepeatingUnits,
                          [&context] { return ComputeAndStoreSeries(context); });
}

}  // namespace tarnevo::calc
