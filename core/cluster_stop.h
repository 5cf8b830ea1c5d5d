// The stop test of the isotope cluster engine, shared by its two routes: after a
// whole pass, the enumeration stops when the cumulative FA, rounded to double,
// exceeds the stop FA.
//
// Each route brings its own extended-precision sum, exact only up to rounding
// (the enumeration's ratio chains, the convolution's binomial rows, and both
// routes' powers p0^N through log2 and exp2, whose error grows with N x |log2 p0|).
// Where that sum lies farther than its error bound from the point at which the
// double rounding passes the stop FA, it decides as it is. Within the bound the
// two routes could decide a pass apart: H13 with 9 atoms at FAs 1.5e-72 and 1 and
// 4 at 1/2 and 1/2 has after 12 passes a cumulative FA of 0.9375 + 1.4e-71, which
// rounds to 0.9375; the convolution's sum was 7.7e-17 too high, rounded to the next
// double and stopped, a pass before the enumeration. There the test recomputes the
// cumulative FA in double-extended arithmetic (about 128 bits, with no power taken
// through logarithms), the same recomputation for both routes, so that both give
// the answer exact arithmetic gives.
#pragma once

#include "core/cluster_engine.h"

namespace tarnevo::core {

// Whether the passes 0 .. `passes` of the ion end the enumeration: their
// cumulative FA, rounded to double, is greater than stopFA. `cumulativeFA` is the
// route's own sum of those passes (at its true scale).
bool CumulativeFAExceedsStop(const ClusterIon& ion, int passes, Extended cumulativeFA, double stopFA);

// The cumulative FA of the passes 0 .. `passes`, the probability that at most that
// many atoms of the ion are heavy, computed to about 2^-120 of itself from the
// binomial rows of the elements (C(N, h) p0^(N-h) q^h, q the sum of the heavy FAs)
// in double-extended arithmetic. Terms below the extended range count as 0.
// Rounded to extended; for tests.
Extended PreciseCumulativeFA(const ClusterIon& ion, int passes);

}  // namespace tarnevo::core
