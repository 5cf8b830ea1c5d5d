#include "calc/cluster_run.h"

#include <cstdlib>

#include "core/cluster_engine.h"
#include "core/messages.h"

namespace tarnevo::calc {

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

void StoreClusterResults(CommandContext& context) {
    const core::ClusterWorkspace& cluster = context.program.cluster;
    output::CalculationState& state = context.document.state;
    doc::ViewState& view = context.view;
    view.maxFA = 0.0;
    view.totalFA = 0.0;
    state.cluster.maxPeakIndex = 0;
    for (int n = 0; n < core::kPeakCount; ++n) {
        const double fa = static_cast<double>(cluster.peakSum[n]);
        state.cluster.peakFA[n] = fa;
        state.cluster.peakCentroidMz[n] = core::PeakCentroidMass(cluster, n) / std::abs(view.charge);
        if (fa > view.maxFA) {
            view.maxFA = fa;
            state.cluster.maxPeakIndex = n;
        }
        if (n <= cluster.lastPeakIndex) view.totalFA += fa;
    }
    state.cluster.averageMass = core::ClusterAverageMass(cluster);
    state.formulaText = view.formulaText;
    state.ionMassA = cluster.ionMassA;
    state.charge = view.charge;
    state.stopFA = context.program.stopFASetting;
    state.cluster.lastPeakIndex = cluster.lastPeakIndex;
    state.cluster.peakOverflow = cluster.peakOverflow;
    state.cluster.maxFA = view.maxFA;
    state.cluster.totalFA = view.totalFA;
}

}  // namespace tarnevo::calc
