// The enrichment of one element fitted to a measured spectrum: the second type
// of the Isotope Labelling Effects command. The enriched atoms are counted under
// slot Jx; every trial of the simplex search sets Jx's isotope FAs in the
// engine's workspace and recomputes the whole cluster.
#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "calc/cluster_run.h"
#include "calc/formula_entry.h"
#include "calc/labelling_command.h"
#include "calc/labelling_input.h"
#include "calc/labelling_messages.h"
#include "calc/peak_input.h"
#include "core/enriched_element.h"
#include "core/enrichment_fit.h"
#include "core/messages.h"

namespace tarnevo::calc {

namespace {

using core::kFirstUserElement;

// Every fit computes its clusters this far, whatever the last calculation used;
// the setting keeps this value afterwards.
constexpr double kFitStopFA = 0.99999;

// What the set-up steps gather for the search. The spectrum and its first m/z
// are the entries accepted for this fit: the presets keep them only to show
// them again next time, and the search and the stored results read them here.
struct FitSetup {
    int element = 0;
    int atoms = 0;
    double firstPeakMz = 0.0;
    core::IsotopeList isotopes;  // natural, ascending mass
    int firstPeakOffset = 0;
    std::array<double, output::kMaxExperimentalPeaks> spectrum{};
    int peakCount = 0;
    int jxPosition = 0;
};

// Element, atoms and first m/z until they are accepted; false when the command
// ends. A Retry shows the dialog preset with the values just entered.
bool AskFitElement(CommandContext& context, const core::ParsedFormula& formula, FitSetup& setup) {
    doc::ViewState& view = context.view;
    doc::LabellingPresets& presets = view.labelling;
    for (;;) {
        EnrichmentDetailInput input;
        input.symbol = view.elementSymbol;
        input.atoms = presets.enrichedAtomCount;
        input.firstPeakMz = presets.firstPeakMz;
        if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;
        view.elementSymbol = input.symbol;
        presets.firstPeakMz = input.firstPeakMz;
        presets.enrichedAtomCount = input.atoms;

        const int element = LookupSymbol(input.symbol, 0, context.ui);
        if (element == kSymbolCancel) return false;
        if (element == kSymbolRetry) continue;
        const int heavyCount = context.program.elements[element].heavyCount;
        std::string_view refusal;
        if (heavyCount == 0) {
            refusal = labelling::kMonoisotopic;
        } else if (heavyCount + 1 > core::kMaxFitIsotopes) {
            port::ShowError(context.ui, labelling::kTooManyIsotopes);
            return false;
        } else if (static_cast<long>(formula[element]) < input.atoms) {
            refusal = labelling::kTooManyEnrichedAtoms;
        } else {
            setup.element = element;
            setup.atoms = input.atoms;
            setup.firstPeakMz = input.firstPeakMz;
            return true;
        }
        if (!port::AskRetry(context.ui, refusal)) return false;
    }
}

// The cluster of the ion with every atom natural: its [A+0] mass and FA.
bool ComputeNaturalReference(CommandContext& context, const core::ParsedFormula& formula,
                             core::EnrichmentFit& fit) {
    core::ParsedFormula natural = formula;
    fit.naturalIonMass = CheckClusterLimits(context, natural, context.view.charge);
    if (fit.naturalIonMass == 0.0) return false;
    if (!ComputeIonCluster(context, natural)) return false;
    fit.naturalA0FA = static_cast<double>(context.program.cluster.peakSum[0]);
    return true;
}

// Jx takes the labelled atoms, listed by ascending mass with the element's
// natural FAs: the trial FAs replace them in the workspace, and the engine's
// element order never depends on what an earlier calculation left in the pools.
void PlaceLabelledAtomsInJx(CommandContext& context, core::ParsedFormula& formula, FitSetup& setup) {
    core::ElementTable& table = context.program.elements;
    formula[setup.element] -= static_cast<unsigned>(setup.atoms);
    formula[kFirstUserElement] = static_cast<unsigned>(setup.atoms);
    table.ResetUserIsotopeCursors();
    setup.isotopes = core::NaturalIsotopesByMass(table, setup.element);
    core::StoreIsotopesByMass(table, kFirstUserElement, setup.isotopes);
}

// The peak dialog, preset with the last spectrum typed; the accepted one is
// kept as the next preset and taken for this fit.
bool AskSpectrum(CommandContext& context, FitSetup& setup) {
    doc::LabellingPresets& presets = context.view.labelling;
    PeakInput input;
    input.SetEvenlySpacedMz(setup.firstPeakMz, context.view.charge);
    input.intensity = presets.expIntensity;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;
    presets.expIntensity = input.intensity;
    setup.spectrum = input.intensity;
    return true;
}

// The user's estimate of the most enriched isotope of a three- or four-isotope
// element and its FA, preset from that element size's last entries and stored
// back to them.
bool AskMostEnriched(CommandContext& context, int isotopeCount, int& isotope, double& estimate) {
    MaxEnrichmentInput input(isotopeCount);
    input.isotope = isotope;
    input.estimate = estimate;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;
    isotope = input.isotope;
    estimate = input.estimate;
    return true;
}

// The starting simplex: for two isotopes from the estimate of the lightest FA,
// for three and four from the user's estimate of the most enriched isotope.
bool SetStartingSimplex(CommandContext& context, const FitSetup& setup, core::EnrichmentFit& fit) {
    doc::LabellingPresets& presets = context.view.labelling;
    const std::span<const double> intensities(setup.spectrum);
    switch (setup.isotopes.count) {
        case 2:
            fit.lightFAEstimate = core::LightFAEstimate(setup.firstPeakOffset, intensities, setup.peakCount,
                                                        setup.isotopes.fa[0], fit.naturalA0FA, setup.atoms);
            core::SetTwoIsotopeSimplex(fit, fit.lightFAEstimate);
            return true;
        case 3:
            if (!AskMostEnriched(context, 3, presets.maxIsotope3, presets.maxFA3)) return false;
            core::SetThreeIsotopeSimplex(fit, presets.maxIsotope3, presets.maxFA3);
            return true;
        default:
            if (!AskMostEnriched(context, 4, presets.maxIsotope4, presets.maxFA4)) return false;
            core::SetFourIsotopeSimplex(fit, presets.maxIsotope4, presets.maxFA4);
            return true;
    }
}

// Computes the cluster of a trial and compares it with the spectrum.
class TrialRunner {
public:
    TrialRunner(CommandContext& context, const FitSetup& setup) : context_(context), setup_(setup) {}

    core::SpectrumComparison Run(const core::FAVector& fa) {
        core::ClusterWorkspace& cluster = context_.program.cluster;
        core::SetElementTrialFAs(
            cluster, setup_.jxPosition,
            std::span<const double>(fa.data(), static_cast<std::size_t>(setup_.isotopes.count)));
        core::ComputeCluster(cluster, cluster.polyAtomCount, context_.program.stopFASetting);
        return core::CompareWithSpectrum(cluster, setup_.firstPeakOffset, setup_.spectrum, setup_.peakCount,
                                         calculated_);
    }

private:
    CommandContext& context_;
    const FitSetup& setup_;
    std::array<double, core::kMaxSpectrumPeaks> calculated_{};  // relative intensities of the last trial
};

// The question and the end notice share their first two lines: the cycles run
// and the best SSR, in at most 150 characters.
std::string SearchReport(std::string_view format, int cycles, double bestSSR) {
    std::array<char, 150> text{};
    std::snprintf(text.data(), text.size(), format.data(), cycles, bestSSR);
    return text.data();
}

// The question carries the cycles run, so that a front end answering it by a
// cycle limit needs no knowledge of how often the search asks.
bool AskToContinue(CommandContext& context, int cycles, double bestSSR) {
    const port::SearchQuestion question{
        {SearchReport(labelling::kContinueQuestion, cycles, bestSSR), port::MessageButtons::YesNo,
         port::MessageIcon::Question, port::MessageModality::System},
        cycles};
    return context.ui.AskToContinueSearch(question) == port::MessageAnswer::Yes;
}

void ReportCannotImprove(CommandContext& context, const core::EnrichmentFit& fit) {
    const port::MessageRequest notice{
        SearchReport(labelling::kFitCannotImprove, fit.cycleCount, fit.vertexSSR[0]),
        port::MessageButtons::Ok, port::MessageIcon::Exclamation, port::MessageModality::System};
    context.ui.ShowMessage(notice);
}

// The set-up steps, in order, up to the search; false when the command ended.
bool SetUpFit(CommandContext& context, core::ParsedFormula& formula, FitSetup& setup,
              core::EnrichmentFit& fit) {
    if (!AskFitElement(context, formula, setup)) return false;
    if (!ComputeNaturalReference(context, formula, fit)) return false;
    PlaceLabelledAtomsInJx(context, formula, setup);
    setup.firstPeakOffset = core::FirstPeakOffset(context.view.charge, setup.firstPeakMz, fit.naturalIonMass);
    if (setup.firstPeakOffset < 0) {
        port::ShowError(context.ui, labelling::kNegativePeakIndex);
        return false;
    }
    if (!AskSpectrum(context, setup)) return false;
    setup.peakCount = core::ExperimentalPeakCount(setup.spectrum);
    if (setup.peakCount < setup.isotopes.count) {
        port::ShowError(context.ui, labelling::kInsufficientPeaks);
        return false;
    }
    // The spectrum must lie within the engine's [A+0] .. [A+319].
    if (setup.firstPeakOffset + setup.peakCount > core::kPeakCount) {
        port::ShowError(context.ui, labelling::kPeaksBeyondCluster);
        return false;
    }
    if (CheckClusterLimits(context, formula, context.view.charge) == 0.0) return false;
    setup.jxPosition =
        core::OrderPolyisotopicElements(context.program.elements, context.program.cluster, formula);
    return SetStartingSimplex(context, setup, fit);
}

void StoreFitResults(CommandContext& context, const FitSetup& setup, const core::EnrichmentFit& fit,
                     core::SearchEnd end) {
    StoreClusterResults(context);
    output::CalculationState& state = context.document.state;
    state.details.detailCount = 1;
    state.elementSymbol = std::string(core::SymbolOf(setup.element));
    state.details.detailAtomCount[0] = setup.atoms;
    state.details.lastIsotopeIndex[0] = setup.isotopes.count - 1;
    const int lightMassNumber = core::NominalMassNumber(setup.isotopes.mass[0]);
    for (int i = 0; i < setup.isotopes.count; ++i) {
        state.details.isotopeMassNumber[i] = lightMassNumber + setup.isotopes.delta[i];
        state.details.isotopeFA[i] = fit.vertexFA[0][i];
    }
    state.spectrum.expPeakCount = setup.peakCount;
    state.spectrum.firstPeakOffset = setup.firstPeakOffset;
    state.spectrum.firstPeakMz = setup.firstPeakMz;
    state.spectrum.expIntensity = {};
    for (int k = 0; k < setup.peakCount; ++k) state.spectrum.expIntensity[k] = setup.spectrum[k];
    state.spectrum.fitResidual = fit.vertexSSR[0];
    state.spectrum.fitCycleCount = fit.cycleCount;
    state.spectrum.fitEnd = end;
}

}  // namespace

bool RunEnrichmentFit(CommandContext& context, core::ParsedFormula& formula) {
    context.program.stopFASetting = kFitStopFA;
    context.view.labelling.detailCount = 1;
    context.view.userElements.Clear();
    FitSetup setup;
    core::EnrichmentFit fit;
    if (!SetUpFit(context, formula, setup, fit)) return false;

    TrialRunner runner(context, setup);
    bool anyPeakSeen = false;
    core::EvaluateStartingSimplex(fit, [&](const core::FAVector& fa) {
        const core::SpectrumComparison comparison = runner.Run(fa);
        anyPeakSeen = anyPeakSeen || comparison.largestFA > 0.0;
        return comparison.ssr;
    });
    // Peaks where no starting point puts any abundance give the search nothing
    // to compare.
    if (!anyPeakSeen) {
        port::ShowError(context.ui, labelling::kPeaksBeyondCluster);
        return false;
    }
    const core::SearchEnd end = core::RunEnrichmentSearch(
        fit, [&](const core::FAVector& fa) { return runner.Run(fa).ssr; },
        [&](int cycles, double bestSSR) { return AskToContinue(context, cycles, bestSSR); });

    // The stored cluster and the reported FAs belong to the same point.
    runner.Run(fit.vertexFA[0]);
    if (context.program.cluster.underflow) {
        port::ShowError(context.ui, core::messages::kClusterBeyondRange);
        return false;
    }
    StoreFitResults(context, setup, fit, end);
    // The results stand as for a search stopped with No; the notice says why
    // it ended although the SSR did not fall below the threshold.
    if (end == core::SearchEnd::CannotImprove) ReportCannotImprove(context, fit);
    return true;
}

}  // namespace tarnevo::calc
