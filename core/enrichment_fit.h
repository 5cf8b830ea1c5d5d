// The enrichment fit: the isotope FAs of the enriched atoms of one element whose
// calculated cluster best matches a measured spectrum, found by a reduced
// Nelder-Mead simplex search (reflection and contractions; no expansion and no
// shrink) that minimises the sum of squares of the intensity residuals (SSR).
//
// A point is the FA vector of the element's D isotopes (2, 3 or 4), lightest
// first, then by ascending mass. Every starting vertex sums to 1 and every move
// is an affine combination of vertices, so all points stay on that plane.
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

enum class SearchEnd { Converged, Stopped };

// Cycles until the best SSR falls below kFitConvergedSSR (tested after each
// cycle, never on the starting simplex) or the question is answered No.
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
