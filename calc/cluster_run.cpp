#include "calc/cluster_run.h"

#include <cstdlib>

#include "core/cluster_engine.h"
#include "core/ion_mz.h"
#include "core/messages.h"

namespace tarnevo::calc {

namespace {

// The abundance-weighted mean mass of every composition of the ion, u: the
// [A+0] ion mass plus, for each polyisotopic element, its atoms times the mean
// mass its heavy isotopes add to one atom. Exact whatever the engine stored:
// a heavy ion's peaks may lie beyond [A+319] (Sn60's around [A+408]), and the
// stop FA leaves out the weakest compositions.
double ExactAverageMass(const core::ClusterIon& ion) {
    long double added = 0.0L;
    for (int e = 0; e < ion.polyElementCount; ++e) {
        const int firstFA = ion.firstFAEntry[e];
        long double total = ion.workFA[firstFA];
        long double perAtom = 0.0L;
        for (int k = 0; k < ion.orderedHeavyCount[e]; ++k) {
            const int slot = ion.firstSlot[e] + k;
            const long double fa = ion.workFA[firstFA + 1 + k];
            total += fa;
            perAtom += fa * (ion.workDelta[slot] + static_cast<long double>(ion.workDefect[slot]));
        }
        if (total > 0.0L) added += ion.orderedCount[e] * perAtom / total;
    }
    return static_cast<double>(ion.ionMassA + added);
}

}  // namespace

double CheckClusterLimits(CommandContext& context, core::ParsedFormula& formula, int charge) {
    const core::LimitCheck check =
        core::CheckClusterLimits(context.program.elements, context.program.cluster, formula, charge);
    if (check.status != core::ClusterLimit::WithinLimits) {
        port::ShowError(context.ui, core::messages::MessageFor(check.status));
        return 0.0;
    }
    return check.ionMassA;
}

bool ComputeIonCluster(CommandContext& context, core::ParsedFormula& formula) {
    core::ClusterWorkspace& cluster = context.program.cluster;
    core::OrderPolyisotopicElements(context.program.elements, cluster, formula);
    core::ComputeCluster(cluster, cluster.polyAtomCount, context.program.stopFASetting,
                         core::BelowDoubleRange::Refuse);
    if (cluster.underflow) {
        port::ShowError(context.ui, core::messages::kClusterBeyondRange);
        return false;
    }
    return true;
}

void StoreEchoedInputs(CommandContext& context) {
    output::CalculationState& state = context.document.state;
    // An ion asked for as a molecule's ion type is named by its own formula.
    state.formulaText = state.ionType.notation.empty() ? context.view.formulaText : state.ionType.ionFormula;
    state.charge = context.view.charge;
    state.stopFA = context.program.stopFASetting;
}

void StoreClusterResults(CommandContext& context) {
    const core::ClusterWorkspace& cluster = context.program.cluster;
    output::StoredCluster& stored = context.document.state.cluster;
    stored.maxFA = 0.0;
    stored.totalFA = 0.0;
    stored.maxPeakIndex = 0;
    for (int n = 0; n < core::kPeakCount; ++n) {
        const double fa = static_cast<double>(cluster.peakSum[n]);
        stored.peakFA[n] = fa;
        stored.peakCentroidMz[n] = core::MzOf(core::PeakCentroidMass(cluster, n), context.view.charge);
        if (fa > stored.maxFA) {
            stored.maxFA = fa;
            stored.maxPeakIndex = n;
        }
        if (n <= cluster.lastPeakIndex) stored.totalFA += fa;
    }
    stored.averageMass = ExactAverageMass(cluster);
    stored.lastPeakIndex = cluster.lastPeakIndex;
    stored.peakOverflow = cluster.peakOverflow;
    StoreEchoedInputs(context);
    context.document.state.ionMassA = cluster.ionMassA;
}

}  // namespace tarnevo::calc
