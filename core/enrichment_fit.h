// The enrichment fit: the isotope FAs of the enriched atoms of one element whose
// calculated cluster best matches a measured spectrum, found by a reduced
// Nelder-Mead simplex search (reflection and contractions; no expansion and no
// shrink) that minimises the sum of squares of the intensity residuals (SSR).
//
// A point is the FA vector of the element's D isotopes (2, 3 or 4), lightest
// first, then by ascending mass. Every starting vertex sums to 1 and every move
// is an affine combination of vertices, so all points stay on that plane.
//
// Without expansion or shrink steps the simplex can collapse: its worst vertex
// is drawn onto the centroid of the others, where reflection and both
// contractions return the same point and no later cycle can leave it. That
// happens at the least-squares optimum of a measured spectrum (whose SSR stays
// above the convergence threshold), but also far from it, when the simplex has
// flattened into fewer dimensions than the FAs have. The search then restarts
// from a fresh simplex around its best vertex; when that brings nothing better,
// it ends: further cycles cannot change the answer.
#pragma once

#include <array>
#include <functional>
#include <span>

#include "core/cluster_engine.h"

namespace tarnevo::core {

inline constexpr int kMaxFitIsotopes = 4;
inline constexpr int kMaxSpectrumPeaks = 12;
// The search stops after the first cycle whose best SSR falls below this.
inline constexpr double kFitConvergedSSR = 0.1;
// The best SSR is offered to the user after every so many cycles.
inline constexpr int kCyclesPerQuestion = 20;
// A collapsed simplex: its last two vertices and the centroid of the best D
// agree to within this in every FA (a hundredth of the last digit the results
// show) ...
inline constexpr double kCollapsedFASpread = 1e-7;
// ... and the last two SSRs to within this fraction of the larger of 1 and
// their own size.
inline constexpr double kCollapsedSSRSpread = 1e-9;
// A collapsed search starts again at most this often, and only while each
// fresh simplex improved on the point where the one before collapsed.
inline constexpr int kMaxSearchRestarts = 3;
// A fresh simplex reaches this fraction of the way from the best vertex to
// each pure isotope: large enough to cross the ridges between the local minima
// of a spectrum whose most enriched isotope was guessed wrong.
inline constexpr double kRestartReach = 0.8;

using FAVector = std::array<double, kMaxFitIsotopes>;

struct EnrichmentFit {
    int isotopeCount = 2;                                  // D
    std::array<FAVector, kMaxFitIsotopes + 1> vertexFA{};  // vertex 0 is the best
    std::array<double, kMaxFitIsotopes + 1> vertexSSR{};
    FAVector centroidFA{};
    FAVector towardCentroid{};  // centroid minus the worst vertex
    FAVector trialFA{};
    double trialSSR = 0.0;
    double lightFAEstimate = 0.0;
    double naturalA0FA = 0.0;
    double naturalIonMass = 0.0;
    int cycleCount = 0;
    int restartCount = 0;  // fresh simplices after a collapse
};

// The SSR of a trial point.
using TrialEvaluator = std::function<double(const FAVector&)>;
// Asked every kCyclesPerQuestion cycles with the cycle count and the best SSR;
// false stops the search.
using ContinueQuestion = std::function<bool(int cycles, double bestSSR)>;

// Index of the first experimental peak in the calculated cluster: the truncation
// toward zero of |charge| x firstPeakMz - naturalIonMass + 0.5. Negative when
// the first peak lies 1.5 u or more below [A+0].
int FirstPeakOffset(int charge, double firstPeakMz, double naturalIonMass);

// Position of the last non-zero intensity + 1: zeros inside the spectrum stay in
// the fit, zeros after it are dropped.
int ExperimentalPeakCount(std::span<const double> intensities);

// Estimate of the enriched FA q of the lightest isotope of a two-isotope element
// from [A+0]: FA([A+0] labelled) / FA([A+0] natural) = q^N / p^N for N enriched
// atoms of natural lightest FA p. 0.001 when the spectrum does not start at [A+0].
double LightFAEstimate(int firstPeakOffset, std::span<const double> intensities, int peakCount,
                       double naturalLightFA, double naturalA0FA, int atoms);

// The starting vertices (before evaluation) for D = 2 from the light-FA estimate,
// for D = 3 and 4 from the isotope of maximum enrichment (1 = lightest) and its
// estimated FA.
void SetTwoIsotopeSimplex(EnrichmentFit& fit, double lightFAEstimate);
void SetThreeIsotopeSimplex(EnrichmentFit& fit, int maxIsotope, double estimate);
void SetFourIsotopeSimplex(EnrichmentFit& fit, int maxIsotope, double estimate);

// Evaluates the D+1 starting vertices in order and sorts them by ascending SSR.
void EvaluateStartingSimplex(EnrichmentFit& fit, const TrialEvaluator& evaluate);

// Selection sort of vertices 0 .. count-1 by ascending SSR; a vertex is
// displaced only by a strictly smaller SSR.
void SortVertices(EnrichmentFit& fit, int count);

// Every FA strictly between 0 and 1.
bool IsInRange(const FAVector& fa, int isotopeCount);

// One cycle: reflect the worst vertex through the centroid of the others,
// contract when the reflection is out of range or not good enough, then move the
// old second-worst vertex to the last position, put the kept point before it and
// re-sort the first D positions. Increments cycleCount.
void RunSearchCycle(EnrichmentFit& fit, const TrialEvaluator& evaluate);

// Whether the cycle just run left a collapsed simplex: the worst vertex it
// moved lay on the centroid of the others (towardCentroid below
// kCollapsedFASpread), and the last two vertices now agree in FA and SSR. The
// next cycle then has the same centroid and the same worst vertex, so every
// later cycle stays within those tolerances of that point.
bool HasCollapsed(const EnrichmentFit& fit);

// Replaces vertices 1 .. D with a fresh simplex around vertex 0 (kept with its
// SSR): vertex k lies kRestartReach of the way from vertex 0 to the pure
// isotope k, so every FA stays strictly between 0 and 1 and the vertices span
// all directions the FAs can move in. Evaluates them in order, sorts all D+1
// vertices by ascending SSR and counts the restart.
void RestartAroundBestVertex(EnrichmentFit& fit, const TrialEvaluator& evaluate);

enum class SearchEnd {
    Converged,     // the best SSR fell below kFitConvergedSSR
    Stopped,       // the question was answered No
    CannotImprove  // collapsed, and a fresh simplex found nothing better
};

// Cycles until the best SSR falls below kFitConvergedSSR (tested after each
// cycle, never on the starting simplex), the question is answered No, or the
// simplex has collapsed and restarting it no longer helps. Until a collapse the
// cycles are those of the plain search, so a fit that converges without one
// gives the same answer in the same number of cycles.
SearchEnd RunEnrichmentSearch(EnrichmentFit& fit, const TrialEvaluator& evaluate,
                              const ContinueQuestion& ask);

// Compares a calculated cluster with the spectrum: the FAs of peaks
// [A+firstPeakOffset] .. [A+firstPeakOffset+peakCount-1] scaled so that the
// largest is 100 go into calculated; returns the SSR against intensities. When
// all of them are 0 the calculated intensities are 0 and largestFA is 0. The
// peaks must lie within [A+0] .. [A+319].
struct SpectrumComparison {
    double ssr = 0.0;
    double largestFA = 0.0;
};
SpectrumComparison CompareWithSpectrum(const ClusterWorkspace& workspace, int firstPeakOffset,
                                       std::span<const double> intensities, int peakCount,
                                       std::span<double> calculated);

}  // namespace tarnevo::core
