// What the structure of an ion alone tells about its cluster, whatever the
// probabilities: which shifts the compositions with at most a given number of heavy
// atoms reach (the last peak index and the overflow flag that the enumeration sets
// by visiting them), and an upper bound on the probability that lands on
// [A+0] .. [A+319] at all, which decides early that an ion lies far above [A+319].
#pragma once

#include "core/cluster_engine.h"

namespace tarnevo::core {

struct VisitedShifts {
    int lastPeakIndex = 0;      // largest shift below 320 reached
    bool peakOverflow = false;  // some composition reaches 320 or more
};

// The shifts reached by compositions with at most `passes` heavy atoms.
VisitedShifts ReachedShifts(const ClusterWorkspace& workspace, int passes);

// Base-2 logarithm of an upper bound on the total probability of the compositions
// whose shift is at most 319 (so on every peak [A+0] .. [A+319] together). By
// Markov's inequality on z^shift, P(shift <= 319) <= E[z^shift] / z^319 for every
// z in (0, 1], and E[z^shift] is the product over elements of
// (p0 + sum_i p_i z^delta_i)^atoms; the best of a grid of z is taken.
double Log2ProbabilityBelowOverflow(const ClusterWorkspace& workspace);

// True when even that bound is below the smallest normal double (with a margin for
// its rounding): every peak is then below the double range, however the passes end.
bool PeaksCertainlyBelowDoubleRange(const ClusterWorkspace& workspace);

}  // namespace tarnevo::core
