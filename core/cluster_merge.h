// The convolution route's last stage (core/cluster_convolution.h): the units
// (core/cluster_units.h) merged into the peaks [A+0] .. [A+319] of the compositions
// with at most R heavy atoms, and the peaks stored in the workspace at their true
// scale, or the refusal of an ion whose peaks all lie below the double range.
//
// The merge runs in double while every value stays within the double range (the
// floating-point flags tell), else again in extended precision. Its terms are all
// positive, so the double merge loses no digits to cancellation: each peak keeps
// about 1e-13 of itself.
#pragma once

#include <array>

#include "core/cluster_pass_sums.h"
#include "core/cluster_units.h"
#include "core/cluster_workspace.h"

namespace tarnevo::core::convolution {

using ShiftLine = std::array<Extended, kPeakCount>;

// The peaks and their defect moments as mantissas x 2^exponent.
struct MergedPeaks {
    ShiftLine peaks{};
    ShiftLine moments{};
    int exponent = 0;
};

// Merges the units for `passes` passes in the merge order of
// core/cluster_merge_plan.h, on the memory's tables (sized on first need). No
// units at all (no atoms) is the empty composition, of probability 1.
MergedPeaks MergePeaks(const UnitSet& units, int passes, ConvolutionMemory& memory);

// Stores the merged peaks and the passes' cumulative FA in peaks: underflow and
// peakExponent set when the largest peak is below the smallest normal double,
// everything else at its true scale. Leaves lastPeakIndex and peakOverflow alone.
void StorePeaks(const MergedPeaks& merged, const PassSums& sums, ClusterPeaks& peaks);

// The refusal's result: underflow set, no peaks, the pass count's cumulative FA
// kept (scaled as peakExponent says); lastPeakIndex 0 and no overflow.
void LeavePeaksOut(const PassSums& sums, ClusterPeaks& peaks);

}  // namespace tarnevo::core::convolution
