#include "core/cluster_convolution.h"

#include <algorithm>

#include "core/cluster_merge.h"
#include "core/cluster_pass_sums.h"
#include "core/cluster_reach.h"
#include "core/cluster_units.h"

namespace tarnevo::core {

namespace {

// lastPeakIndex and peakOverflow from the structure alone: the enumeration marks
// every shift it visits, whatever the probability.
void MarkVisitedShifts(ClusterWorkspace& ws, int passes) {
    const VisitedShifts visited = ReachedShifts(ws, passes);
    ws.lastPeakIndex = visited.lastPeakIndex;
    ws.peakOverflow = visited.peakOverflow;
}

}  // namespace

void ComputeClusterByConvolution(ClusterWorkspace& ws, int passLimit, double stopFA,
                                 BelowDoubleRange belowDoubleRange) {
    ExtendedPrecisionScope precision;
    const convolution::ScratchLines lines(ws.convolutionScratch);
    // The units point into the element runs, and both into the scratch's lines.
    convolution::IonRuns runs;
    convolution::UnitSet units;
    convolution::DescribeElements(ws, lines, runs);
    const int lastPass = passLimit < 1 ? 0 : std::min({passLimit, convolution::kMaxPasses, runs.totalAtoms});
    const convolution::PassSums sums = convolution::RunPasses(ws, runs, lines, lastPass, stopFA);
    ws.passCount = sums.passes;
    if (belowDoubleRange == BelowDoubleRange::Refuse && sums.PeaksCertainlyBelowDoubleRange()) {
        convolution::LeavePeaksOut(sums, ws);
        return;
    }
    convolution::BuildUnits(ws, runs, lines, sums.passes, units);
    const convolution::MergedPeaks merged = convolution::MergePeaks(units, sums.passes, ws);
    convolution::StorePeaks(merged, sums, ws);
    MarkVisitedShifts(ws, sums.passes);
}

}  // namespace tarnevo::core
