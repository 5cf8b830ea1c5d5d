#include "calc/loss_of_h_command.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "calc/calculation_command.h"
#include "calc/cluster_run.h"
#include "calc/formula_entry.h"
#include "calc/ion_form_presets.h"
#include "calc/loss_of_h_input.h"
#include "calc/peak_input.h"
#include "calc/user_elements.h"
#include "core/cluster_engine.h"
#include "core/enrichment_fit.h"
#include "core/ion_mz.h"
#include "core/messages.h"

namespace tarnevo::calc {

namespace loss_of_h {

std::optional<int> FirstPeakOffset(double firstPeakMz, int charge, double ionMassA) {
    // std::round takes halves away from zero: -1.5 -> -2, -0.5 -> -1.
    const double offset =
        std::round(static_cast<double>(core::ChargeMagnitude(charge)) * firstPeakMz - ionMassA);
    if (!(offset >= -kMostHLost && offset <= -1.0)) return std::nullopt;
    return static_cast<int>(offset);
}

bool SubtractSpecies(std::span<double> working, int start, std::span<const double> speciesFA) {
    const auto first = static_cast<std::size_t>(start);
    if (start < 0 || first >= working.size() || speciesFA.size() < working.size() - first) return false;
    const std::size_t n = working.size() - first;
    // Relative intensities of the species, 100 at its largest peak in reach.
    double largest = 0.0;
    for (std::size_t k = 0; k < n; ++k) largest = std::max(largest, speciesFA[k]);
    if (!(largest > 0.0)) return false;
    std::array<double, output::kMaxExperimentalPeaks> relative{};
    for (std::size_t k = 0; k < n; ++k) relative[k] = 100.0 * speciesFA[k] / largest;
    // Nothing else contributes at the species' first peak any more, so the
    // working value there is the species' own [A+0] intensity. A first peak too
    // small to be a double leaves no measure of the amount.
    if (!(relative[0] > 0.0)) return false;
    const double amount = working[first] / relative[0];
    std::array<double, output::kMaxExperimentalPeaks> remaining{};
    for (std::size_t k = 0; k < n; ++k) {
        remaining[k] = working[first + k] - amount * relative[k];
        if (!std::isfinite(remaining[k])) return false;
    }
    std::copy_n(remaining.begin(), n, working.begin() + static_cast<std::ptrdiff_t>(first));
    return true;
}

bool NormaliseToLargest(std::span<double> corrected) {
    double largest = 0.0;
    for (const double value : corrected) largest = std::max(largest, value);
    if (!(largest > 0.0)) return false;
    for (double& value : corrected) value = 100.0 * value / largest;
    return true;
}

}  // namespace loss_of_h

namespace {

using namespace loss_of_h;

// The loss-of-H correction computes its clusters to this stop FA, and leaves it
// as the program's setting: the next calculation's dialog offers it.
constexpr double kForcedStopFA = 0.99999;

int HydrogenIndex() {
    static const int index = core::LookupSymbolText("H", 0);
    return index;
}

// What one run works on once the dialogs are answered.
struct Correction {
    core::ParsedFormula base;  // the intact ion, monoisotopic elements removed
    int polyAtoms = 0;         // polyisotopic atoms of the intact ion
    double ionMassA = 0.0;
    int firstPeakOffset = 0;  // position of the first measured peak, -4 .. -1
    Spectrum entered{};
    int expPeakCount = 0;
    int correctedCount = 0;
    Spectrum working{};  // position p is [A + firstPeakOffset + p]
};

// One round of the formula dialog: preset from the view, entries stored back
// before any check, then the formula parsed.
FormStep AskFormula(CommandContext& context, core::ParsedFormula& formula) {
    doc::ViewState& view = context.view;
    LossHFormInput input;
    PresetIonForm(view, input);
    input.firstPeakMz = view.firstPeakMz;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return FormStep::End;

    KeepIonForm(input, view);
    view.firstPeakMz = input.firstPeakMz;
    context.program.stopFASetting = kForcedStopFA;
    return ParseFormulaField(view.formulaText, formula, context.ui);
}

// The peak dialog opens with the m/z of consecutive peaks from the first one
// and zero intensities; the view does not remember intensities.
bool AskPeaks(CommandContext& context, Correction& run) {
    PeakInput peaks;
    peaks.SetEvenlySpacedMz(context.view.firstPeakMz, context.view.charge);
    if (context.ui.RunDialog(peaks) != port::DialogAnswer::Ok) return false;
    run.entered = peaks.intensity;
    // Twelve minus the trailing zeros: an inner zero stays a peak.
    run.expPeakCount = core::ExperimentalPeakCount(run.entered);
    return true;
}

// The refusals of the entered spectrum, in their order.
bool CheckSpectrum(CommandContext& context, Correction& run) {
    if (run.entered[0] == 0.0) {
        port::ShowError(context.ui, kFirstPeakZero);
        return false;
    }
    std::copy_n(run.entered.begin(), run.expPeakCount, run.working.begin());
    run.correctedCount = run.firstPeakOffset + run.expPeakCount;
    if (run.correctedCount < 2) {
        port::ShowError(context.ui, kTooFewCorrectedPeaks);
        return false;
    }
    if (static_cast<long long>(run.base[HydrogenIndex()]) + run.firstPeakOffset < 0) {
        port::ShowError(context.ui, kTooFewHAtoms);
        return false;
    }
    return true;
}

// FAs of the peaks [A+0], [A+1], ... of the species that lost hLost H atoms,
// as far as fa reaches. The
// engine's element counts are taken afresh for the species: once the last H is
// gone, H no longer counts among its polyisotopic elements, and ordering the
// elements with the intact ion's count would look for one that is not there.
// A species left with monoisotopic elements only has the single peak [A+0].
bool SpeciesPattern(CommandContext& context, const Correction& run, int hLost, std::span<double> fa) {
    core::ClusterWorkspace& cluster = context.program.cluster;
    core::ParsedFormula species = run.base;
    species[HydrogenIndex()] -= static_cast<std::uint32_t>(hLost);
    std::fill(fa.begin(), fa.end(), 0.0);
    const core::LimitCheck check = core::CheckClusterLimits(context.program.elements, cluster, species, 0);
    if (check.status == core::ClusterLimit::NoPolyisotopicElement) {
        if (!fa.empty()) fa[0] = 1.0;
        return true;
    }
    core::OrderPolyisotopicElements(context.program.elements, cluster, species);
    core::ComputeCluster(cluster, run.polyAtoms - hLost, context.program.stopFASetting);
    if (cluster.underflow) {
        port::ShowError(context.ui, core::messages::kClusterBeyondRange);
        return false;
    }
    for (std::size_t k = 0; k < fa.size() && k < core::kPeakCount; ++k) {
        fa[k] = static_cast<double>(cluster.peakSum[k]);
    }
    return true;
}

// Removes the species from the one that lost the most H up to [M-H]: each
// starts at [A+i], where the species removed before it leave only its own
// intensity. What remains from [A+0] on is the intact ion's spectrum.
bool CorrectSpectrum(CommandContext& context, Correction& run) {
    const std::span<double> working(run.working.data(), static_cast<std::size_t>(run.expPeakCount));
    for (int i = run.firstPeakOffset; i <= -1; ++i) {
        const int start = i - run.firstPeakOffset;
        std::array<double, output::kMaxExperimentalPeaks> fa{};
        const std::span<double> reach(fa.data(), static_cast<std::size_t>(run.expPeakCount - start));
        if (!SpeciesPattern(context, run, -i, reach)) return false;
        if (!SubtractSpecies(working, start, reach)) {
            port::ShowError(context.ui, kSpeciesWithoutLightPeak);
            return false;
        }
    }
    const int shift = -run.firstPeakOffset;
    std::copy(run.working.begin() + shift, run.working.begin() + run.expPeakCount, run.working.begin());
    if (!NormaliseToLargest(
            std::span<double>(run.working.data(), static_cast<std::size_t>(run.correctedCount)))) {
        port::ShowError(context.ui, kNoPositiveCorrectedPeak);
        return false;
    }
    return true;
}

void StoreResults(CommandContext& context, const Correction& run) {
    output::CalculationState& state = context.document.state;
    StoreEchoedInputs(context);
    state.ionMassA = run.ionMassA;
    state.spectrum.firstPeakMz = context.view.firstPeakMz;
    state.spectrum.firstPeakOffset = run.firstPeakOffset;
    state.spectrum.expPeakCount = run.expPeakCount;
    state.spectrum.correctedCount = run.correctedCount;
    state.spectrum.expIntensity = {};
    std::copy_n(run.entered.begin(), run.expPeakCount, state.spectrum.expIntensity.begin());
    state.spectrum.correctedIntensity = {};
    std::copy_n(run.working.begin(), run.correctedCount, state.spectrum.correctedIntensity.begin());
    StoreUserElementReport(context);
}

// The calculation's own part: the ion, its user elements, the peaks, the
// correction and the store.
bool CorrectAndStore(CommandContext& context) {
    Correction run;
    FormStep step = FormStep::Retry;
    while (step == FormStep::Retry) step = AskFormula(context, run.base);
    if (step == FormStep::End) return false;
    if (!AskUserElements(context, run.base)) return false;

    run.ionMassA = CheckClusterLimits(context, run.base, context.view.charge);
    if (run.ionMassA == 0.0) return false;
    run.polyAtoms = context.program.cluster.polyAtomCount;

    const std::optional<int> offset =
        FirstPeakOffset(context.view.firstPeakMz, context.view.charge, run.ionMassA);
    if (!offset) {
        port::ShowError(context.ui, kOffsetOutOfRange);
        return false;
    }
    run.firstPeakOffset = *offset;
    if (!AskPeaks(context, run)) return false;
    if (!CheckSpectrum(context, run)) return false;
    if (!CorrectSpectrum(context, run)) return false;
    StoreResults(context, run);
    return true;
}

}  // namespace

void RunLossOfH(CommandContext& context) {
    RunCalculationCommand(context, output::CalcKind::LossOfH,
                          [&context] { return CorrectAndStore(context); });
}

}  // namespace tarnevo::calc
