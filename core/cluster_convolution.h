// The convolution route of the isotope cluster engine: the same results as the
// pass-by-pass enumeration (peaks, cumulative FA, number of passes, last peak
// index, overflow flag) without visiting the compositions one by one. Bovine serum
// albumin has about 1e10 compositions up to its last pass at the stop FA 0.9999,
// an IgG antibody about 1e12: hours of enumeration, milliseconds here.
//
// Every isotopic composition has two numbers: h, its heavy atoms (the pass that
// visits it), and n, its nominal mass shift (its peak [A+n]). For one element of N
// atoms with lightest FA p0 and heavy FAs p1..pk (q = p1 + .. + pk), the
// compositions with h heavy atoms carry in all
//     b(h) = C(N, h) p0^(N-h) q^h
// and spread over the shifts as the h-th power of the heavy-isotope distribution
// u_i = p_i / q: the multinomial, grouped by h. For C6H6, b(1) of carbon is
// 6 x 0.9893^5 x 0.0107, all of it at n = 1.
//   - The pass sums (probability of exactly r heavy atoms in the ion) are the
//     convolution of the elements' b. The stop test runs on them between passes
//     exactly as in the enumeration, which fixes R, the last pass.
//   - The peaks are the two-dimensional convolution over (h, n) of the elements'
//     tables b(h) u^h(n), kept only for h <= R and n <= 319, summed over h.
//   - Which shifts were visited (last peak index, overflow) follows from the
//     structure alone: the fewest heavy atoms that reach each shift, and the
//     largest shift that R heavy atoms can reach.
// All sums add positive terms only, so every peak keeps its relative accuracy
// however small it is: the routes agree to about 1e-13 of each peak. The stop test compares the same
// cumulative FA up to the routes' different rounding; where a pass ends within that rounding of the point
// at which the double rounding of the cumulative FA passes the stop FA, both routes decide by the same
// precise recomputation (core/cluster_stop.h), so R is the same on both.
//
// Ranges: every table carries a binary exponent besides its extended-precision
// mantissas, so ions whose first composition lies below even the extended range
// (0.0097^5000 for Sn5000, about 1e-10066) still get their pattern; see
// ClusterPeaks::underflow.
//
// Precision: the pass sums and the stop test run in extended precision; the merge
// of the two-dimensional tables runs in double while every value stays within the
// double range (the floating-point flags tell), else again in extended precision.
// Its terms are all positive, so the double merge loses no digits to cancellation:
// each peak keeps about 1e-13 of itself.
//
// Memory: ClusterWorkspace's ConvolutionMemory, each part sized once, on first
// need, and reused (0.1 MB of lines, 3.3 MB of double tables, and 6.6 MB of
// extended tables only for ions that need them). No other allocation; the work
// does not depend on the number of compositions.
//
// The stages: the binomial rows, pass sums and stop test (core/cluster_pass_sums.h),
// the units that the merge takes (core/cluster_units.h), and the merge with the
// storing of the peaks (core/cluster_merge.h). Beneath them: scaled arithmetic and
// binomial rows (core/cluster_binomial.h), the merge planner
// (core/cluster_merge_plan.h), the merge kernels (core/cluster_merge_kernels.h), and
// the structural reach of the last peak and the overflow (core/cluster_reach.h).
#pragma once

#include "core/cluster_engine.h"

namespace tarnevo::core {

// Same contract as ComputeClusterByEnumeration (core/cluster_enumeration.h), and also
// sets underflow and peakExponent. Needs every delta in 1 .. 32 (the element table has 1 .. 25).
void ComputeClusterByConvolution(ClusterWorkspace& workspace, int passLimit, double stopFA,
                                 BelowDoubleRange belowDoubleRange = BelowDoubleRange::Compute);

}  // namespace tarnevo::core
