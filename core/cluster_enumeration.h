// The enumeration route of the isotope cluster engine: every isotopic
// composition of the ion visited pass by pass, pass r holding every composition
// with exactly r heavy atoms, each carried from the one before by ratio factors of
// its multinomial probability in extended precision. Exact to rounding and quick
// for small ions; ComputeCluster (core/cluster_engine.h) sends the others to the
// convolution route, which gives the same results (core/cluster_convolution.h).
//
// Within a pass the heavy atoms sit in heavy slots (one per heavy isotope, the
// elements' slots in engine order); the compositions follow each other as the
// atoms move from earlier slots to later ones. For Cl2 (one heavy slot) the passes
// are {0}, {1}, {2}: 35Cl2, 35Cl37Cl, 37Cl2.
#pragma once

#include "core/cluster_workspace.h"

namespace tarnevo::core {

// Fills peakSum, peakDefectMoment, cumulativeFA, lastPeakIndex, peakOverflow and
// passCount of peaks for passes up to min(passLimit, 320), stopping after the first
// whole pass whose cumulative FA exceeds stopFA as core/cluster_stop.h decides.
// Leaves underflow and peakExponent as they were (ComputeCluster sets them).
void ComputeClusterByEnumeration(const ClusterIon& ion, EnumerationState& state, ClusterPeaks& peaks,
                                 int passLimit, double stopFA);

// The same on one workspace, the parts taken from it.
void ComputeClusterByEnumeration(ClusterWorkspace& workspace, int passLimit, double stopFA);

// Probability of a composition whose heavy atoms sit only in first heavy slots
// (the first composition, and the first of each pass); also sets massShift and
// massDefect.
Extended CompositionProbability(const ClusterIon& ion, EnumerationState& state);

// Probability of the current composition computed from scratch, through the
// logarithms of its multinomial coefficient and powers: exact to about 1e-13
// relative for any composition, however small. The enumeration uses it where the
// ratio steps cannot be trusted: next to an underflowed or zero probability.
Extended DirectCompositionProbability(const ClusterIon& ion, const EnumerationState& state);

// Moves currentProbability and massShift from the previous composition to the
// current one by ratio factors, then makes the current one the previous. False
// when the running product left the normal extended range on the way, so that
// digits may have been lost: the caller recomputes it from scratch then.
bool UpdateCompositionProbability(const ClusterIon& ion, EnumerationState& state);

// Steps composition to the next one with the same number of heavy atoms;
// false when the pass has no further composition.
bool NextComposition(const ClusterIon& ion, EnumerationState& state);

// Gives the r heavy atoms of a pass to the first heavy slots, earliest elements
// first (the first composition of pass r); false when the ion has fewer than r atoms.
bool PlaceInitialComposition(const ClusterIon& ion, EnumerationState& state, int heavyAtoms);

}  // namespace tarnevo::core
