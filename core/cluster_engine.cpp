#include "core/cluster_engine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/cluster_binomial.h"
#include "core/cluster_convolution.h"
#include "core/cluster_enumeration.h"
#include "core/cluster_merge_kernels.h"
#include "core/cluster_pass_sums.h"
#include "core/cluster_reach.h"

namespace tarnevo::core {

namespace {

constexpr int kJx = kFirstUserElement;

// Ions that can visit at most this many compositions are enumerated: on them the
// enumeration takes a few microseconds, no more than the convolution.
constexpr double kEnumerationLimit = 2000;

// The result of an ion refused before any pass: underflow set, nothing computed.
void LeaveOutPeaksBelowDoubleRange(ClusterPeaks& peaks) {
    peaks.peakSum.fill(0.0L);
    peaks.peakDefectMoment.fill(0.0L);
    peaks.cumulativeFA = 0;
    peaks.passCount = 0;
    peaks.lastPeakIndex = 0;
    peaks.peakOverflow = false;
    peaks.underflow = true;
    peaks.peakExponent = 0;
}

// The polyisotopic element that comes next in engine order among those still
// counted in formula: the largest single-precision score (1 - FA of the lightest
// isotope) x count, ties to the lower index.
int NextInEngineOrder(const ElementTable& table, const ParsedFormula& formula) {
    int best = -1;
    float bestScore = -1.0f;
    for (int i = 0; i < kElementCount; ++i) {
        if (formula[i] == 0) continue;
        const float lightFA = static_cast<float>(table.LightFA(i));
        const float score = (1.0f - lightFA) * static_cast<float>(formula[i]);
        if (score > bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

// Whether the ion has an isotope the convolution cannot take or the enumeration
// cannot represent, as ChooseClusterRoute's first test.
struct RouteConstraints {
    bool deltaOutsideConvolution = false;  // a delta outside 1 .. kLargestDelta
    bool zeroFA = false;
    Extended firstLog2 = 0;  // log2 of the first composition's probability
    int totalAtoms = 0;
};

RouteConstraints ConstraintsOf(const ClusterIon& ion) {
    RouteConstraints constraints;
    for (int e = 0; e < ion.polyElementCount; ++e) {
        const int atoms = std::max(0, ion.orderedCount[e]);
        const double* fa = &ion.workFA[ion.firstFAEntry[e]];
        const int* delta = &ion.workDelta[ion.firstSlot[e]];
        for (int i = 0; i < ion.orderedHeavyCount[e]; ++i) {
            if (delta[i] < 1 || delta[i] > convolution::kLargestDelta) {
                constraints.deltaOutsideConvolution = true;
                return constraints;
            }
        }
        for (int i = 0; i <= ion.orderedHeavyCount[e]; ++i)
            constraints.zeroFA = constraints.zeroFA || !(fa[i] > 0);
        if (atoms > 0 && fa[0] > 0) constraints.firstLog2 += atoms * std::log2(static_cast<Extended>(fa[0]));
        constraints.totalAtoms += atoms;
    }
    return constraints;
}

}  // namespace

LimitCheck CheckClusterLimits(const ElementTable& table, ClusterIon& ion, ParsedFormula& formula,
                              int charge) {
    ion.polyAtomCount = 0;
    ion.polyElementCount = 0;
    ion.heavySlotCount = 0;
    double mass = 0.0;
    for (int i = 0; i < kElementCount; ++i) {
        if (formula[i] == 0) continue;
        mass += static_cast<double>(formula[i]) * table[i].lightMass;
        if (table.IsPolyisotopic(i)) {
            ion.polyAtomCount += static_cast<int>(formula[i]);
            ion.polyElementCount += 1;
            ion.heavySlotCount += table[i].heavyCount;
        } else {
            formula[i] = 0;
        }
    }
    LimitCheck result;
    if (ion.polyAtomCount > kMaxPolyAtoms) {
        result.status = ClusterLimit::TooManyPolyAtoms;
    } else if (ion.heavySlotCount > kMaxHeavySlots) {
        result.status = ClusterLimit::TooManyHeavyIsotopes;
    } else if (ion.polyElementCount > kMaxPolyElements) {
        result.status = ClusterLimit::TooManyPolyElements;
    } else if (ion.polyElementCount == 0) {
        result.status = ClusterLimit::NoPolyisotopicElement;
    } else {
        result.ionMassA = static_cast<double>(IonMassOf(mass, charge));
        ion.ionMassA = result.ionMassA;
    }
    return result;
}

int OrderPolyisotopicElements(const ElementTable& table, ClusterIon& ion, ParsedFormula& formula) {
    int slot = 0;
    int faEntry = 0;
    ion.jxFAPosition = 0;
    for (int placed = 0; placed < ion.polyElementCount; ++placed) {
        const int best = NextInEngineOrder(table, formula);
        const ElementRecord& record = table[best];
        ion.orderedCount[placed] = static_cast<int>(formula[best]);
        ion.orderedHeavyCount[placed] = record.heavyCount;
        ion.firstSlot[placed] = slot;
        ion.firstFAEntry[placed] = faEntry;
        if (best == kJx) ion.jxFAPosition = faEntry;
        ion.workFA[faEntry++] = table.LightFA(best);
        for (int k = 0; k < record.heavyCount; ++k) {
            ion.workDefect[slot] = table.HeavyMassDefect(best, k);
            ion.workDelta[slot++] = table.HeavyDelta(best, k);
            ion.workFA[faEntry++] = table.HeavyFA(best, k);
        }
        formula[best] = 0;
    }
    return ion.jxFAPosition;
}

ClusterRoute ChooseClusterRoute(const ClusterIon& ion, int passLimit) {
    const RouteConstraints constraints = ConstraintsOf(ion);
    if (constraints.deltaOutsideConvolution) return ClusterRoute::Enumeration;
    if (constraints.zeroFA || constraints.firstLog2 < convolution::kSafeLog2)
        return ClusterRoute::Convolution;
    // At most C(passes + heavy slots, heavy slots) compositions can be visited.
    const int passes =
        passLimit < 1 ? 0 : std::min({passLimit, convolution::kMaxPasses, constraints.totalAtoms});
    double compositions = 1;
    for (int k = 1; k <= ion.heavySlotCount && compositions <= kEnumerationLimit; ++k) {
        compositions = compositions * (passes + k) / k;
    }
    return compositions <= kEnumerationLimit ? ClusterRoute::Enumeration : ClusterRoute::Convolution;
}

void MarkPeaksBelowDoubleRange(ClusterPeaks& peaks) {
    peaks.peakExponent = 0;
    const Extended largest = *std::max_element(peaks.peakSum.begin(), peaks.peakSum.end());
    peaks.underflow = !(largest >= DBL_MIN);
    if (!peaks.underflow || !(largest > 0)) return;
    peaks.peakExponent = convolution::ExponentOf(largest);
    for (Extended& peak : peaks.peakSum) peak = std::ldexp(peak, -peaks.peakExponent);
    for (Extended& moment : peaks.peakDefectMoment) moment = std::ldexp(moment, -peaks.peakExponent);
    peaks.cumulativeFA = std::ldexp(peaks.cumulativeFA, -peaks.peakExponent);
}

void ComputeCluster(ClusterWorkspace& ws, int passLimit, double stopFA, BelowDoubleRange belowDoubleRange) {
    if (belowDoubleRange == BelowDoubleRange::Refuse && PeaksCertainlyBelowDoubleRange(ws)) {
        LeaveOutPeaksBelowDoubleRange(ws);
        return;
    }
    if (ChooseClusterRoute(ws, passLimit) == ClusterRoute::Convolution) {
        ComputeClusterByConvolution(ws, passLimit, stopFA, belowDoubleRange);
        return;
    }
    ComputeClusterByEnumeration(ws, passLimit, stopFA);
    MarkPeaksBelowDoubleRange(ws);
}

double PeakCentroidMass(const ClusterWorkspace& ws, int n) {
    const double nominal = ws.ionMassA + n;
    if (!(ws.peakSum[n] > 0)) return nominal;
    return nominal + static_cast<double>(ws.peakDefectMoment[n] / ws.peakSum[n]);
}

double ClusterAverageMass(const ClusterWorkspace& ws) {
    Extended weight = 0;
    Extended moment = 0;  // relative to ionMassA, which keeps the digits of small shifts
    for (int n = 0; n <= ws.lastPeakIndex; ++n) {
        weight += ws.peakSum[n];
        moment += ws.peakSum[n] * n + ws.peakDefectMoment[n];
    }
    if (!(weight > 0)) return ws.ionMassA;
    return ws.ionMassA + static_cast<double>(moment / weight);
}

namespace {

template <typename Real>
Real SumOfLightMasses(const ElementTable& table, const ParsedFormula& formula) {
    Real mass = 0;
    for (int i = 0; i < kElementCount; ++i) {
        mass += static_cast<Real>(formula[i]) * static_cast<Real>(table[i].lightMass);
    }
    return mass;
}

}  // namespace

double FormulaLightMass(const ElementTable& table, const ParsedFormula& formula) {
    return SumOfLightMasses<double>(table, formula);
}

long double LightestMass(const ElementTable& table, const ParsedFormula& formula) {
    return SumOfLightMasses<long double>(table, formula);
}

}  // namespace tarnevo::core
