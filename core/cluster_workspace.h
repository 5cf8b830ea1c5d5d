// What the isotope cluster engine works on, in three parts a reader can tell
// apart: the ion it is given (ClusterIon), the scratch its two routes work in
// (ClusterScratch: the enumeration's compositions and the convolution's tables),
// and the peaks it returns (ClusterPeaks). A computation reads the first, may
// overwrite the second however it likes, and fills the third.
// Everything lives in fixed-size arrays, except the convolution route's memory,
// which is allocated once, on a workspace's first convolution (ConvolutionMemory).
#pragma once

#include <array>
#include <vector>

#include "core/extended_precision.h"

namespace tarnevo::core {

inline constexpr int kMaxPolyAtoms = 30000;
inline constexpr int kMaxPolyElements = 18;
inline constexpr int kMaxHeavySlots = 88;
inline constexpr int kPeakCount = 320;  // [A+0] .. [A+319]

// The ion as the engine is given it: filled by CheckClusterLimits and
// OrderPolyisotopicElements; a caller may change workFA between computations (the
// enrichment fit rewrites Jx's FAs at jxFAPosition).
struct ClusterIon {
    int polyAtomCount = 0;
    int polyElementCount = 0;
    int heavySlotCount = 0;
    std::array<int, kMaxPolyElements> orderedCount{};
    std::array<int, kMaxPolyElements> orderedHeavyCount{};
    // Per ordered element: FA of its lightest isotope, then its heavy FAs.
    std::array<double, kMaxPolyElements + kMaxHeavySlots> workFA{};
    std::array<int, kMaxHeavySlots> workDelta{};
    // Per heavy slot: exact mass minus lightest mass minus delta (u), so that a
    // composition weighs ionMassA + massShift + the sum of its heavy atoms' defects.
    std::array<double, kMaxHeavySlots> workDefect{};
    int jxFAPosition = 0;  // start of Jx's run in workFA; 0 when Jx is absent
    double ionMassA = 0.0;
    // Derived from the ordered lists: first heavy slot and first workFA entry of
    // each ordered element.
    std::array<int, kMaxPolyElements> firstSlot{};
    std::array<int, kMaxPolyElements> firstFAEntry{};
};

// The enumeration's working state: the composition it stands on and the one before.
struct EnumerationState {
    std::array<int, kMaxHeavySlots> composition{};
    std::array<int, kMaxHeavySlots> previousComposition{};
    std::array<int, kMaxPolyElements> lightCount{};
    std::array<int, kMaxPolyElements> previousLightCount{};
    int massShift = 0;
    Extended massDefect = 0;  // of the current composition, u
    Extended currentProbability = 0;
};

// The convolution route's working memory (core/cluster_convolution.h): each part is
// allocated to a fixed size the first time a convolution of the workspace needs it
// and reused by every later one; it holds nothing between calls. The calculations
// share one workspace for the program's life, so at most their first convolutions
// allocate.
struct ConvolutionMemory {
    // Binomial rows, pass-sum stages and group weights: 0.1 MB.
    std::vector<Extended> convolutionScratch;
    // The merge tables in double, the precision they run in whenever every value
    // stays within the double range: 3.3 MB.
    std::vector<double> convolutionTables;
    // The same tables in extended precision, for the ions whose values leave the
    // double range (thousands of tin atoms, rare isotopes): 6.6 MB, only for them.
    std::vector<Extended> convolutionExtendedTables;
};

// The scratch of both routes: nothing in it means anything after a computation.
struct ClusterScratch : EnumerationState, ConvolutionMemory {};

// What a computation returns: the peaks and what the display needs to know of them.
struct ClusterPeaks {
    std::array<Extended, kPeakCount> peakSum{};
    // Per peak: the sum over its compositions of probability x mass defect (u), on
    // the same scale as peakSum. The abundance-weighted mean mass of [A+n] is
    // ionMassA + n + peakDefectMoment[n] / peakSum[n]: for Cl2 [A+2] is 37Cl35Cl,
    // 1.99705 u above [A+0] rather than 2.
    std::array<Extended, kPeakCount> peakDefectMoment{};
    Extended cumulativeFA = 0;  // includes compositions beyond [A+319]
    int lastPeakIndex = 0;
    bool peakOverflow = false;
    // Passes run after the first composition: every composition with at most
    // passCount heavy atoms was counted (0 when only [A+0]'s first composition was).
    int passCount = 0;
    // The largest of [A+0] .. [A+319] lies below the smallest normal double
    // (about 2.2e-308), so the FAs cannot be stored or shown as doubles: an ion such
    // as Sn5000, whose peaks up to [A+319] are all near 1e-10000. The caller refuses
    // such a result. peakSum and cumulativeFA then hold the values scaled by
    // 2^-peakExponent (the largest peak between 0.5 and 1); the true FA of [A+n] is
    // peakSum[n] x 2^peakExponent. peakExponent is 0 whenever underflow is false.
    // With BelowDoubleRange::Refuse the peaks may be left out (all 0).
    bool underflow = false;
    int peakExponent = 0;
};

// The engine's one workspace: the ion given, the scratch, the peaks returned.
// Callers read the fields of each part directly (workspace.ionMassA,
// workspace.peakSum); the routes take the parts they read and write by name.
struct ClusterWorkspace : ClusterIon, ClusterScratch, ClusterPeaks {};

}  // namespace tarnevo::core
