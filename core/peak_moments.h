// The first two moments of each nominal peak of an ion: its abundance, the
// mean of its isotopic compositions' masses and their variance. A large ion
// (a protein) has millions of fine-structure lines, but each nominal peak's
// spread (a few mDa) is far narrower than any FWHM that could resolve it, so
// to an instrument each peak is one Gaussian of that mean whose width is the
// instrument's widened by this variance: the moment model of the profile.
//
// Computed per element by repeated squaring of one atom's distribution, each
// peak carried as (P, P x E[d], P x E[d^2]) where d is a composition's mass
// less the lightest-isotope mass and its nominal shift (13C adds 0.00335 u);
// convolving two such triples is exact, so no composition is ever listed.
#pragma once

#include <vector>

#include "core/element_table.h"
#include "core/formula_parser.h"

namespace tarnevo::core {

// Sums over the compositions of one nominal shift: abundance, abundance x d
// and abundance x d^2. Double keeps 16 digits of each, of which the variance
// (E[d^2] - E[d]^2, d under 1 u and the spread above 1e-8 u^2 wherever two
// compositions share a peak) loses at most 8; extended precision would make
// the antibody's 60 convolutions of 320 peaks three times slower.
struct MomentSums {
    double p = 0.0;
    double pd = 0.0;
    double pdd = 0.0;
};

// A part of an ion (atoms of one element, or several parts together),
// indexed by nominal shift.
using MomentDistribution = std::vector<MomentSums>;

struct PeakMoment {
    int shift = 0;               // n of [A+n]
    long double abundance = 0;   // its fractional abundance
    long double meanDefect = 0;  // mean of d over its compositions, u
    long double variance = 0;    // variance of the compositions' masses, u^2
};

// The peaks [A+0] .. [A+lastShift] of formula with the table's isotopes (user-
// defined elements as defined, whose heavy isotopes sit at their nominal
// spacing). Peaks of no abundance are left out, and so are contributions
// below 1E-40 of the largest peak of an element's part (the antibody's [A+0],
// 1E-31 of its largest peak, is still exact).
std::vector<PeakMoment> PeakMoments(const ElementTable& table, const ParsedFormula& formula, int lastShift);

// The last nominal shift at which formula still has abundance worth listing:
// its mean shift plus 20 standard deviations of it (and the heaviest delta of
// one atom, for ions of few atoms), never beyond its heaviest composition.
// Sn60's peaks lie around [A+408] and Sn160's around [A+1088]; [A+319], as far
// as a cluster is stored, would cut them off.
int LastShiftWorthListing(const ElementTable& table, const ParsedFormula& formula);

// The pieces PeakMoments is made of, for a caller that meets the same counts
// of an element again and again (the identification, scoring thousands of
// formulae that share most of them): count atoms of one element (a
// monoisotopic element or none at all: everything at shift 0), two
// independent parts together, and the peaks of a whole ion.
MomentDistribution ElementMoments(const ElementTable& table, int element, std::uint32_t count, int lastShift);
MomentDistribution CombineMoments(const MomentDistribution& a, const MomentDistribution& b, int lastShift);
std::vector<PeakMoment> MomentPeaks(const MomentDistribution& ion);

}  // namespace tarnevo::core
