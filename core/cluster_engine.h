// The isotope cluster engine: the fractional abundance (FA) of each peak [A+n]
// of an ion, where [A+0] is the ion made only of the lightest isotope of every
// element and n the nominal mass shift of the heavy isotopes present.
//
// The isotopic compositions are enumerated pass by pass, pass r holding every
// composition with exactly r heavy atoms, with multinomial probabilities kept in
// extended precision. The enumeration stops after the first pass whose
// cumulative FA exceeds the stop FA. Callers run, in order:
//   CheckClusterLimits -> OrderPolyisotopicElements -> ComputeCluster
// and may repeat ComputeCluster after changing workFA.
// Everything lives in fixed-size arrays, except the convolution route's memory,
// which is allocated once, on a workspace's first convolution (ConvolutionMemory).
#pragma once

#include <array>
#include <vector>

#include "core/element_table.h"
#include "core/extended_precision.h"
#include "core/formula_parser.h"

namespace tarnevo::core {

inline constexpr int kMaxPolyAtoms = 30000;
inline constexpr int kMaxPolyElements = 18;
inline constexpr int kMaxHeavySlots = 88;
inline constexpr int kPeakCount = 320;  // [A+0] .. [A+319]
// The electron rest mass (CODATA 2018), in u. Every ion mass is the neutral
// lightest-isotope mass minus charge x electronMass.
inline constexpr double electronMass = 0.000548579909;  // u

// Outcome of CheckClusterLimits; each refusal has its message in core/messages.h.
enum class ClusterLimit {
    WithinLimits,
    TooManyPolyAtoms,       // more than 30000 atoms of polyisotopic elements
    TooManyHeavyIsotopes,   // more than 88 heavy isotopes in all
    TooManyPolyElements,    // more than 18 polyisotopic elements
    NoPolyisotopicElement,  // only monoisotopic elements: there is no cluster
};

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

// The engine's one workspace: the ion, the enumeration's state, the peaks and the
// convolution's memory. Callers read the fields of each part directly.
struct ClusterWorkspace : ClusterIon, EnumerationState, ClusterPeaks, ConvolutionMemory {};

struct LimitCheck {
    ClusterLimit status = ClusterLimit::WithinLimits;
    double ionMassA = 0.0;  // mass of the [A+0] ion; meaningful only within limits
};

// Sums the [A+0] mass, removes monoisotopic elements from formula and checks the
// limits (in the order of ClusterLimit). The ion mass is the lightest-isotope
// mass minus charge x electronMass: a positive charge removes electrons.
LimitCheck CheckClusterLimits(const ElementTable& table, ClusterWorkspace& workspace, ParsedFormula& formula,
                              int charge);

// Places the polyisotopic elements in engine order (decreasing single-precision
// score (1 - FA of the lightest isotope) x count, ties to the lower index), fills
// the ordered lists, workFA and workDelta, clears the counts it used, and
// returns jxFAPosition.
int OrderPolyisotopicElements(const ElementTable& table, ClusterWorkspace& workspace, ParsedFormula& formula);

// What ComputeCluster does with an ion whose peaks [A+0] .. [A+319] all lie below
// the smallest normal double (see ClusterWorkspace::underflow).
enum class BelowDoubleRange {
    Compute,  // compute them anyway, scaled by 2^-peakExponent
    // Stop as soon as that is certain, with underflow set and no peaks: the
    // calculations refuse such ions. Decided from the FAs alone before any pass
    // where it can be (core/cluster_reach.h), else after the pass sums.
    Refuse,
};

// Fills peakSum, cumulativeFA, lastPeakIndex, peakOverflow, passCount, underflow
// and peakExponent. passLimit is normally polyAtomCount; passes run up to
// min(passLimit, 320) and stop after the first whole pass whose cumulative FA
// (rounded to double) exceeds stopFA, decided as exact arithmetic decides it
// (core/cluster_stop.h). Small ions are enumerated; the others take
// the convolution route, which gives the same results (core/cluster_convolution.h).
void ComputeCluster(ClusterWorkspace& workspace, int passLimit, double stopFA,
                    BelowDoubleRange belowDoubleRange = BelowDoubleRange::Compute);

// The enumeration itself, pass by pass over every composition.
void ComputeClusterByEnumeration(ClusterWorkspace& workspace, int passLimit, double stopFA);

// Probability of a composition whose heavy atoms sit only in first heavy slots
// (the first composition, and the first of each pass); also sets massShift.
Extended CompositionProbability(ClusterWorkspace& workspace);

// Probability of the current composition computed from scratch, through the
// logarithms of its multinomial coefficient and powers: exact to about 1e-13
// relative for any composition, however small. The enumeration uses it where the
// ratio steps cannot be trusted: next to an underflowed or zero probability.
Extended DirectCompositionProbability(const ClusterWorkspace& workspace);

// Moves currentProbability and massShift from the previous composition to the
// current one by ratio factors, then makes the current one the previous. False
// when the running product left the normal extended range on the way, so that
// digits may have been lost: the caller recomputes it from scratch then.
bool UpdateCompositionProbability(ClusterWorkspace& workspace);

// Steps composition to the next one with the same number of heavy atoms;
// false when the pass has no further composition.
bool NextComposition(ClusterWorkspace& workspace);

// Abundance-weighted mean mass (u) of the compositions that make up peak [A+n]:
// where a high-resolution instrument sees the peak's centroid. ionMassA + n for an
// empty peak.
double PeakCentroidMass(const ClusterWorkspace& workspace, int n);

// Abundance-weighted mean mass (u) of the peaks [A+0] .. [A+lastPeakIndex].
double ClusterAverageMass(const ClusterWorkspace& workspace);

// Sum of count x lightMass over all 90 elements; no electron correction, formula
// unchanged.
double FormulaLightMass(const ElementTable& table, const ParsedFormula& formula);

}  // namespace tarnevo::core
