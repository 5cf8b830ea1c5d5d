// The isotope cluster engine: the fractional abundance (FA) of each peak [A+n]
// of an ion, where [A+0] is the ion made only of the lightest isotope of every
// element and n the nominal mass shift of the heavy isotopes present.
//
// The isotopic compositions are counted pass by pass, pass r holding every
// composition with exactly r heavy atoms, with multinomial probabilities kept in
// extended precision. The count stops after the first pass whose cumulative FA
// exceeds the stop FA. Callers run, in order:
//   CheckClusterLimits -> OrderPolyisotopicElements -> ComputeCluster
// and may repeat ComputeCluster after changing workFA. ComputeCluster chooses
// between two routes that give the same results: the enumeration of every
// composition (core/cluster_enumeration.h) for small ions, the convolution
// (core/cluster_convolution.h) for the others. What they work on is
// ClusterWorkspace (core/cluster_workspace.h).
#pragma once

#include "core/cluster_workspace.h"
#include "core/element_table.h"
#include "core/extended_precision.h"
#include "core/formula_parser.h"
#include "core/ion_mz.h"

namespace tarnevo::core {

// Outcome of CheckClusterLimits; each refusal has its message in core/messages.h.
enum class ClusterLimit {
    WithinLimits,
    TooManyPolyAtoms,       // more than 30000 atoms of polyisotopic elements
    TooManyHeavyIsotopes,   // more than 88 heavy isotopes in all
    TooManyPolyElements,    // more than 18 polyisotopic elements
    NoPolyisotopicElement,  // only monoisotopic elements: there is no cluster
};

struct LimitCheck {
    ClusterLimit status = ClusterLimit::WithinLimits;
    double ionMassA = 0.0;  // mass of the [A+0] ion; meaningful only within limits
};

// Sums the [A+0] mass, removes monoisotopic elements from formula and checks the
// limits (in the order of ClusterLimit). The ion mass is the lightest-isotope
// mass minus charge x electronMass (IonMassOf): a positive charge removes electrons.
LimitCheck CheckClusterLimits(const ElementTable& table, ClusterIon& ion, ParsedFormula& formula, int charge);

// Places the polyisotopic elements in engine order (decreasing single-precision
// score (1 - FA of the lightest isotope) x count, ties to the lower index), fills
// the ordered lists, workFA and workDelta, clears the counts it used, and
// returns jxFAPosition.
int OrderPolyisotopicElements(const ElementTable& table, ClusterIon& ion, ParsedFormula& formula);

// What ComputeCluster does with an ion whose peaks [A+0] .. [A+319] all lie below
// the smallest normal double (see ClusterPeaks::underflow).
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

enum class ClusterRoute {
    Enumeration,  // visit every composition (core/cluster_enumeration.h)
    Convolution,  // convolve the elements' binomials (core/cluster_convolution.h)
};

// The enumeration for ions with few compositions up to the last possible pass; the
// convolution for all others, and for ions the enumeration cannot represent: a
// first composition below the extended range (it would give zeros throughout), or
// an FA of 0 (an enrichment whose lightest FA is exactly 0: the ratio
// updates would divide by it and give NaN).
ClusterRoute ChooseClusterRoute(const ClusterIon& ion, int passLimit);

// After an enumeration: sets underflow when the largest peak is below the smallest
// normal double and then rescales peakSum, peakDefectMoment and cumulativeFA (see
// peakExponent).
void MarkPeaksBelowDoubleRange(ClusterPeaks& peaks);

// Abundance-weighted mean mass (u) of the compositions that make up peak [A+n]:
// where a high-resolution instrument sees the peak's centroid. ionMassA + n for an
// empty peak.
double PeakCentroidMass(const ClusterWorkspace& workspace, int n);

// Abundance-weighted mean mass (u) of the peaks [A+0] .. [A+lastPeakIndex].
double ClusterAverageMass(const ClusterWorkspace& workspace);

// Sum of count x lightMass over all 90 elements; no electron correction, formula
// unchanged.
double FormulaLightMass(const ElementTable& table, const ParsedFormula& formula);
// The same sum in extended precision: the monoisotopic mass of a formula (user-
// defined elements as defined in table), u, for comparisons with measured m/z.
long double LightestMass(const ElementTable& table, const ParsedFormula& formula);

}  // namespace tarnevo::core
