#include "core/enrichment_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/extended_precision.h"
#include "core/ion_mz.h"

namespace tarnevo::core {

namespace {

// Starting vertices of three and four isotopes: u at the isotope of maximum
// enrichment, the rest shared equally; then one step s moved between
// neighbouring isotopes for each further vertex.
void SetStepSimplex(EnrichmentFit& fit, int isotopes, int maxIsotope, double u, double s) {
    fit.isotopeCount = isotopes;
    fit.vertexFA = {};
    const double rest = (1.0 - u) / (isotopes - 1);
    for (int i = 0; i < isotopes; ++i) fit.vertexFA[0][i] = i + 1 == maxIsotope ? u : rest;
    for (int v = 1; v <= isotopes; ++v) {
        fit.vertexFA[v] = fit.vertexFA[0];
        if (v < isotopes) {
            // (..., +s at v-1, -s at v, ...)
            fit.vertexFA[v][v - 1] += s;
            fit.vertexFA[v][v] -= s;
        } else {
            // The last one closes the cycle: -s at the lightest, +s at the heaviest.
            fit.vertexFA[v][0] -= s;
            fit.vertexFA[v][isotopes - 1] += s;
        }
    }
}

FAVector Combine(const FAVector& base, double factor, const FAVector& direction, int isotopes) {
    FAVector point{};
    for (int i = 0; i < isotopes; ++i) point[i] = base[i] + factor * direction[i];
    return point;
}

double Evaluate(EnrichmentFit& fit, const FAVector& point, const TrialEvaluator& evaluate) {
    fit.trialFA = point;
    fit.trialSSR = evaluate(point);
    return fit.trialSSR;
}

// The point the cycle keeps, evaluated: fit.trialFA and fit.trialSSR.
void ChooseKeptPoint(EnrichmentFit& fit, const TrialEvaluator& evaluate) {
    const int d = fit.isotopeCount;
    const FAVector reflection = Combine(fit.centroidFA, 1.0, fit.towardCentroid, d);
    const FAVector outside = Combine(fit.centroidFA, 0.5, fit.towardCentroid, d);
    const FAVector inside = Combine(fit.centroidFA, -0.5, fit.towardCentroid, d);
    const double worstSSR = fit.vertexSSR[d];
    if (!IsInRange(reflection, d)) {
        if (IsInRange(outside, d) && Evaluate(fit, outside, evaluate) <= worstSSR) return;
        Evaluate(fit, inside, evaluate);
        return;
    }
    const double reflected = Evaluate(fit, reflection, evaluate);
    if (reflected <= fit.vertexSSR[d - 1]) return;
    Evaluate(fit, reflected >= worstSSR ? inside : outside, evaluate);
}

bool FAsAgree(const FAVector& a, const FAVector& b, int isotopes) {
    for (int i = 0; i < isotopes; ++i) {
        if (!(std::abs(a[i] - b[i]) <= kCollapsedFASpread)) return false;
    }
    return true;
}

// SSRs are sums of squared percentages: near the optimum of a good fit they lie
// far below 1, so below 1 the tolerance is absolute.
bool SSRsAgree(double a, double b) {
    const double scale = std::max({1.0, std::abs(a), std::abs(b)});
    return std::abs(a - b) <= kCollapsedSSRSpread * scale;
}

// The first collapse always earns a fresh simplex; a later one only while the
// restart before it found a better point than the collapse before that.
bool WorthRestarting(const EnrichmentFit& fit, double previousCollapseSSR) {
    if (fit.restartCount == 0) return true;
    if (fit.restartCount >= kMaxSearchRestarts) return false;
    const double best = fit.vertexSSR[0];
    return best < previousCollapseSSR && !SSRsAgree(best, previousCollapseSSR);
}

}  // namespace

int FirstPeakOffset(int charge, double firstPeakMz, double naturalIonMass) {
    const double shift = static_cast<double>(ChargeMagnitude(charge)) * firstPeakMz - naturalIonMass + 0.5;
    return static_cast<int>(std::trunc(shift));
}

int ExperimentalPeakCount(std::span<const double> intensities) {
    int count = 0;
    for (std::size_t k = 0; k < intensities.size(); ++k) {
        if (intensities[k] != 0.0) count = static_cast<int>(k) + 1;
    }
    return count;
}

double LightFAEstimate(int firstPeakOffset, std::span<const double> intensities, int peakCount,
                       double naturalLightFA, double naturalA0FA, int atoms) {
    if (firstPeakOffset != 0) return 0.001;
    double sum = 0.0;
    for (int k = 0; k < peakCount && k < static_cast<int>(intensities.size()); ++k) sum += intensities[k];
    if (sum <= 0.0 || naturalA0FA <= 0.0) return 0.0;
    const double ratio = intensities[0] / sum;
    if (atoms <= 1) return ratio * naturalLightFA / naturalA0FA;
    const Extended x = static_cast<Extended>(ratio) / static_cast<Extended>(naturalA0FA);
    if (!(x > 0)) return 0.0;
    return static_cast<double>(std::exp(std::log(x) / atoms) * static_cast<Extended>(naturalLightFA));
}

void SetTwoIsotopeSimplex(EnrichmentFit& fit, double lightFAEstimate) {
    // (lightest, heavy) pairs written as in the table of starting points, so the
    // heavy FA is 0.85 itself, not 1 - 0.15 with its rounding.
    using Start = std::array<std::array<double, 2>, 3>;
    constexpr Start kMostlyHeavy = {{{0.2, 0.8}, {0.15, 0.85}, {0.1, 0.9}}};
    constexpr Start kMixed = {{{0.5, 0.5}, {0.4, 0.6}, {0.6, 0.4}}};
    constexpr Start kMostlyLight = {{{0.8, 0.2}, {0.85, 0.15}, {0.9, 0.1}}};
    const Start& start = lightFAEstimate < 0.2 ? kMostlyHeavy : lightFAEstimate < 0.8 ? kMixed : kMostlyLight;
    fit.isotopeCount = 2;
    fit.vertexFA = {};
    for (std::size_t v = 0; v < start.size(); ++v) fit.vertexFA[v] = {start[v][0], start[v][1], 0.0, 0.0};
}

void SetThreeIsotopeSimplex(EnrichmentFit& fit, int maxIsotope, double estimate) {
    const bool high = estimate >= 0.8;
    SetStepSimplex(fit, 3, maxIsotope, high ? 0.8 : 0.5, high ? 0.05 : 0.1);
}

void SetFourIsotopeSimplex(EnrichmentFit& fit, int maxIsotope, double estimate) {
    const bool high = estimate >= 0.79;
    SetStepSimplex(fit, 4, maxIsotope, high ? 0.79 : 0.52, high ? 0.05 : 0.1);
}

void EvaluateStartingSimplex(EnrichmentFit& fit, const TrialEvaluator& evaluate) {
    for (int v = 0; v <= fit.isotopeCount; ++v) fit.vertexSSR[v] = Evaluate(fit, fit.vertexFA[v], evaluate);
    SortVertices(fit, fit.isotopeCount + 1);
}

void SortVertices(EnrichmentFit& fit, int count) {
    for (int i = 0; i < count; ++i) {
        int best = i;
        for (int j = i + 1; j < count; ++j) {
            if (fit.vertexSSR[j] < fit.vertexSSR[best]) best = j;
        }
        // Rotate the best into place so that equal SSRs keep their order.
        for (int j = best; j > i; --j) {
            std::swap(fit.vertexSSR[j], fit.vertexSSR[j - 1]);
            std::swap(fit.vertexFA[j], fit.vertexFA[j - 1]);
        }
    }
}

bool IsInRange(const FAVector& fa, int isotopeCount) {
    for (int i = 0; i < isotopeCount; ++i) {
        if (!(fa[i] > 0.0 && fa[i] < 1.0)) return false;
    }
    return true;
}

void RunSearchCycle(EnrichmentFit& fit, const TrialEvaluator& evaluate) {
    const int d = fit.isotopeCount;
    fit.centroidFA = {};
    for (int v = 0; v < d; ++v) {
        for (int i = 0; i < d; ++i) fit.centroidFA[i] += fit.vertexFA[v][i];
    }
    for (int i = 0; i < d; ++i) {
        fit.centroidFA[i] /= d;
        fit.towardCentroid[i] = fit.centroidFA[i] - fit.vertexFA[d][i];
    }
    ChooseKeptPoint(fit, evaluate);
    // The worst vertex is dropped; the old second-worst takes its place.
    fit.vertexFA[d] = fit.vertexFA[d - 1];
    fit.vertexSSR[d] = fit.vertexSSR[d - 1];
    fit.vertexFA[d - 1] = fit.trialFA;
    fit.vertexSSR[d - 1] = fit.trialSSR;
    SortVertices(fit, d);
    ++fit.cycleCount;
}

bool HasCollapsed(const EnrichmentFit& fit) {
    const int d = fit.isotopeCount;
    for (int i = 0; i < d; ++i) {
        if (!(std::abs(fit.towardCentroid[i]) <= kCollapsedFASpread)) return false;
    }
    return FAsAgree(fit.vertexFA[d - 1], fit.vertexFA[d], d) &&
           SSRsAgree(fit.vertexSSR[d - 1], fit.vertexSSR[d]);
}

void RestartAroundBestVertex(EnrichmentFit& fit, const TrialEvaluator& evaluate) {
    const int d = fit.isotopeCount;
    const FAVector best = fit.vertexFA[0];
    for (int v = 1; v <= d; ++v) {
        // (1 - reach) x best + reach x pure isotope v: inside (0, 1) and summing to 1.
        FAVector point{};
        for (int i = 0; i < d; ++i)
            point[i] = (1.0 - kRestartReach) * best[i] + (i == v - 1 ? kRestartReach : 0.0);
        fit.vertexFA[v] = point;
        fit.vertexSSR[v] = Evaluate(fit, point, evaluate);
    }
    SortVertices(fit, d + 1);
    ++fit.restartCount;
}

SearchEnd RunEnrichmentSearch(EnrichmentFit& fit, const TrialEvaluator& evaluate,
                              const ContinueQuestion& ask) {
    double previousCollapseSSR = std::numeric_limits<double>::infinity();
    for (;;) {
        RunSearchCycle(fit, evaluate);
        if (fit.vertexSSR[0] < kFitConvergedSSR) return SearchEnd::Converged;
        if (HasCollapsed(fit)) {
            if (!WorthRestarting(fit, previousCollapseSSR)) return SearchEnd::CannotImprove;
            previousCollapseSSR = fit.vertexSSR[0];
            RestartAroundBestVertex(fit, evaluate);
        }
        if (fit.cycleCount % kCyclesPerQuestion == 0 && !ask(fit.cycleCount, fit.vertexSSR[0])) {
            return SearchEnd::Stopped;
        }
    }
}

SpectrumComparison CompareWithSpectrum(const ClusterWorkspace& workspace, int firstPeakOffset,
                                       std::span<const double> intensities, int peakCount,
                                       std::span<double> calculated) {
    SpectrumComparison result;
    const int count =
        std::min({peakCount, static_cast<int>(intensities.size()), static_cast<int>(calculated.size())});
    for (int k = 0; k < count; ++k) {
        const int n = firstPeakOffset + k;
        const double fa = n >= 0 && n < kPeakCount ? static_cast<double>(workspace.peakSum[n]) : 0.0;
        calculated[k] = fa;
        if (fa > result.largestFA) result.largestFA = fa;
    }
    for (int k = 0; k < count; ++k) {
        calculated[k] = result.largestFA > 0.0 ? 100.0 * calculated[k] / result.largestFA : 0.0;
        const double residual = intensities[k] - calculated[k];
        result.ssr += residual * residual;
    }
    return result;
}

}  // namespace tarnevo::core
