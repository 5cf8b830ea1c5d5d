#include "core/cluster_engine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/cluster_convolution.h"
#include "core/cluster_reach.h"
#include "core/cluster_stop.h"

namespace tarnevo::core {

namespace {

constexpr int kJx = kFirstUserElement;
constexpr Extended kSmallestNormal = LDBL_MIN;

int LastNonEmptySlot(const ClusterWorkspace& ws) {
    for (int j = ws.heavySlotCount - 1; j >= 0; --j) {
        if (ws.composition[j] != 0) return j;
    }
    return -1;
}

int HeavyAtomsOf(const ClusterWorkspace& ws, int element) {
    int atoms = 0;
    const int first = ws.firstSlot[element];
    for (int k = 0; k < ws.orderedHeavyCount[element]; ++k) atoms += ws.composition[first + k];
    return atoms;
}

bool IsValidComposition(const ClusterWorkspace& ws) {
    for (int e = 0; e < ws.polyElementCount; ++e) {
        if (HeavyAtomsOf(ws, e) > ws.orderedCount[e]) return false;
    }
    return true;
}

void MoveOneAtomRight(ClusterWorkspace& ws, int slot) {
    --ws.composition[slot];
    ++ws.composition[slot + 1];
}

// Repairs a composition in which some element holds more heavy atoms than it has
// atoms, pushing atoms to later slots; false when nothing valid is left.
bool MakeValid(ClusterWorkspace& ws) {
    const int lastElement = ws.polyElementCount - 1;
    while (!IsValidComposition(ws)) {
        const int spilled = HeavyAtomsOf(ws, lastElement);
        if (spilled != 0) {
            const int first = ws.firstSlot[lastElement];
            std::fill_n(ws.composition.begin() + first, ws.orderedHeavyCount[lastElement], 0);
            const int j = LastNonEmptySlot(ws);
            if (j < 0) return false;
            --ws.composition[j];
            ws.composition[j + 1] = spilled + 1;
        } else {
            MoveOneAtomRight(ws, LastNonEmptySlot(ws));
        }
    }
    return true;
}

void AccumulateCurrent(ClusterWorkspace& ws) {
    if (ws.massShift < kPeakCount) {
        ws.peakSum[ws.massShift] += ws.currentProbability;
        ws.peakDefectMoment[ws.massShift] += ws.currentProbability * ws.massDefect;
        ws.lastPeakIndex = std::max(ws.lastPeakIndex, ws.massShift);
    } else {
        ws.peakOverflow = true;
    }
    ws.cumulativeFA += ws.currentProbability;
}

void UpdateLightCounts(ClusterWorkspace& ws) {
    for (int e = 0; e < ws.polyElementCount; ++e) {
        ws.lightCount[e] = ws.orderedCount[e] - HeavyAtomsOf(ws, e);
    }
}

// Gives the r heavy atoms of a pass to the first heavy slots, earliest elements
// first; false when the ion has fewer than r atoms.
bool PlaceInitialComposition(ClusterWorkspace& ws, int heavyAtoms) {
    ws.composition.fill(0);
    ws.previousComposition.fill(0);
    int remaining = heavyAtoms;
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const int taken = std::min(remaining, ws.orderedCount[e]);
        ws.composition[ws.firstSlot[e]] = taken;
        ws.previousComposition[ws.firstSlot[e]] = taken;
        ws.previousLightCount[e] = ws.orderedCount[e] - taken;
        ws.lightCount[e] = ws.previousLightCount[e];
        remaining -= taken;
    }
    return remaining == 0;
}

// Multiplies probability by k / p for k = from down to to + 1.
void MultiplyFallingRatios(Extended& probability, int from, int to, Extended p) {
    for (int k = from; k > to; --k) probability *= static_cast<Extended>(k) / p;
}

// Multiplies probability by p / k for k = to down to from + 1.
void MultiplyRisingRatios(Extended& probability, int from, int to, Extended p) {
    for (int k = to; k > from; --k) probability *= p / static_cast<Extended>(k);
}

// log2 of n! in extended precision.
Extended Log2Factorial(int n) { return std::lgamma(static_cast<Extended>(n) + 1) / std::log(2.0L); }

// log2 of p^count, with 0^0 = 1.
Extended Log2Power(Extended p, int count) {
    if (count == 0) return 0;
    return static_cast<Extended>(count) * std::log2(p);  // -inf for p = 0
}

// The result of an ion refused before any pass: underflow set, nothing computed.
void LeaveOutPeaksBelowDoubleRange(ClusterWorkspace& ws) {
    ws.peakSum.fill(0.0L);
    ws.peakDefectMoment.fill(0.0L);
    ws.cumulativeFA = 0;
    ws.passCount = 0;
    ws.lastPeakIndex = 0;
    ws.peakOverflow = false;
    ws.underflow = true;
    ws.peakExponent = 0;
}

}  // namespace

Extended DirectCompositionProbability(const ClusterWorkspace& ws) {
    Extended log2Probability = 0;
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const double* fa = &ws.workFA[ws.firstFAEntry[e]];
        const int* heavy = &ws.composition[ws.firstSlot[e]];
        int light = ws.orderedCount[e];
        log2Probability += Log2Factorial(ws.orderedCount[e]);
        for (int k = 0; k < ws.orderedHeavyCount[e]; ++k) {
            light -= heavy[k];
            log2Probability += Log2Power(fa[k + 1], heavy[k]) - Log2Factorial(heavy[k]);
        }
        log2Probability += Log2Power(fa[0], light) - Log2Factorial(light);
    }
    return std::exp2(log2Probability);
}

LimitCheck CheckClusterLimits(const ElementTable& table, ClusterWorkspace& ws, ParsedFormula& formula,
                              int charge) {
    ws.polyAtomCount = 0;
    ws.polyElementCount = 0;
    ws.heavySlotCount = 0;
    double mass = 0.0;
    for (int i = 0; i < kElementCount; ++i) {
        if (formula[i] == 0) continue;
        mass += static_cast<double>(formula[i]) * table[i].lightMass;
        if (table.IsPolyisotopic(i)) {
            ws.polyAtomCount += static_cast<int>(formula[i]);
            ws.polyElementCount += 1;
            ws.heavySlotCount += table[i].heavyCount;
        } else {
            formula[i] = 0;
        }
    }
    LimitCheck result;
    if (ws.polyAtomCount > kMaxPolyAtoms) {
        result.status = ClusterLimit::TooManyPolyAtoms;
    } else if (ws.heavySlotCount > kMaxHeavySlots) {
        result.status = ClusterLimit::TooManyHeavyIsotopes;
    } else if (ws.polyElementCount > kMaxPolyElements) {
        result.status = ClusterLimit::TooManyPolyElements;
    } else if (ws.polyElementCount == 0) {
        result.status = ClusterLimit::NoPolyisotopicElement;
    } else {
        result.ionMassA = mass - charge * electronMass;
        ws.ionMassA = result.ionMassA;
    }
    return result;
}

int OrderPolyisotopicElements(const ElementTable& table, ClusterWorkspace& ws, ParsedFormula& formula) {
    int slot = 0;
    int faEntry = 0;
    ws.jxFAPosition = 0;
    for (int placed = 0; placed < ws.polyElementCount; ++placed) {
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
        const ElementRecord& record = table[best];
        ws.orderedCount[placed] = static_cast<int>(formula[best]);
        ws.orderedHeavyCount[placed] = record.heavyCount;
        ws.firstSlot[placed] = slot;
        ws.firstFAEntry[placed] = faEntry;
        if (best == kJx) ws.jxFAPosition = faEntry;
        ws.workFA[faEntry++] = table.LightFA(best);
        for (int k = 0; k < record.heavyCount; ++k) {
            ws.workDefect[slot] = table.HeavyMassDefect(best, k);
            ws.workDelta[slot++] = table.HeavyDelta(best, k);
            ws.workFA[faEntry++] = table.HeavyFA(best, k);
        }
        formula[best] = 0;
    }
    return ws.jxFAPosition;
}

Extended CompositionProbability(ClusterWorkspace& ws) {
    Extended probability = 1.0L;
    ws.massShift = 0;
    ws.massDefect = 0;
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const int atoms = ws.orderedCount[e];
        const int firstSlot = ws.firstSlot[e];
        const int heavy = ws.composition[firstSlot];
        const Extended p0 = ws.workFA[ws.firstFAEntry[e]];
        const Extended p1 = ws.workFA[ws.firstFAEntry[e] + 1];
        if (atoms - heavy > 0) probability *= ExtendedPower(p0, static_cast<unsigned>(atoms - heavy));
        for (int c = 0; c < heavy; ++c) {
            probability *= static_cast<Extended>(atoms - c) / static_cast<Extended>(c + 1) * p1;
            ws.massShift += ws.workDelta[firstSlot];
            ws.massDefect += ws.workDefect[firstSlot];
        }
    }
    return probability;
}

bool UpdateCompositionProbability(ClusterWorkspace& ws) {
    Extended probability = ws.currentProbability;
    // The factors of one call all lie on the same side of 1, so the product
    // stays normal throughout a call when it is normal at both of its ends.
    bool stayedNormal = true;
    const auto noteRange = [&stayedNormal, &probability] {
        stayedNormal = stayedNormal && probability >= kSmallestNormal && probability <= LDBL_MAX;
    };
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const int before = ws.previousLightCount[e];
        const int now = ws.lightCount[e];
        if (before == now) continue;
        const Extended p0 = ws.workFA[ws.firstFAEntry[e]];
        if (now < before) {
            MultiplyFallingRatios(probability, before, now, p0);
        } else {
            MultiplyRisingRatios(probability, before, now, p0);
        }
        noteRange();
        ws.previousLightCount[e] = now;
    }
    for (int e = 0; e < ws.polyElementCount; ++e) {
        for (int k = 0; k < ws.orderedHeavyCount[e]; ++k) {
            const int slot = ws.firstSlot[e] + k;
            const int before = ws.previousComposition[slot];
            const int now = ws.composition[slot];
            if (before == now) continue;
            const Extended p = ws.workFA[ws.firstFAEntry[e] + 1 + k];
            if (now < before) {
                MultiplyFallingRatios(probability, before, now, p);
            } else {
                MultiplyRisingRatios(probability, before, now, p);
            }
            noteRange();
            ws.massShift += (now - before) * ws.workDelta[slot];
            ws.massDefect += (now - before) * static_cast<Extended>(ws.workDefect[slot]);
            ws.previousComposition[slot] = now;
        }
    }
    ws.currentProbability = probability;
    return stayedNormal;
}

bool NextComposition(ClusterWorkspace& ws) {
    const int lastSlot = ws.heavySlotCount - 1;
    if (ws.composition[lastSlot] == 0) {
        MoveOneAtomRight(ws, LastNonEmptySlot(ws));
        return true;
    }
    const int carried = ws.composition[lastSlot];
    ws.composition[lastSlot] = 0;
    const int j = LastNonEmptySlot(ws);
    if (j < 0) return false;
    --ws.composition[j];
    ws.composition[j + 1] = carried + 1;
    return MakeValid(ws);
}

void ComputeClusterByEnumeration(ClusterWorkspace& ws, int passLimit, double stopFA) {
    ExtendedPrecisionScope precision;
    ws.peakSum.fill(0.0L);
    ws.peakDefectMoment.fill(0.0L);
    ws.lastPeakIndex = 0;
    ws.peakOverflow = false;
    ws.passCount = 0;
    ws.composition.fill(0);

    ws.currentProbability = CompositionProbability(ws);
    ws.peakSum[0] = ws.currentProbability;
    ws.cumulativeFA = ws.currentProbability;

    const int lastPass = std::min(passLimit, kPeakCount);
    for (int heavyAtoms = 1; heavyAtoms <= lastPass; ++heavyAtoms) {
        if (!PlaceInitialComposition(ws, heavyAtoms)) break;
        ws.currentProbability = CompositionProbability(ws);
        for (;;) {
            AccumulateCurrent(ws);
            if (!NextComposition(ws)) break;
            UpdateLightCounts(ws);
            const Extended previous = ws.currentProbability;
            const bool stayedNormal = UpdateCompositionProbability(ws);
            // A ratio step is exact to rounding only between normal numbers: from a
            // probability that underflowed (or is 0 for an FA of 0), or through a
            // product that left the range on the way (an FA of 4e-73 to the 14th
            // power before the next factor brings it back), every later composition
            // of the pass would inherit the loss, so such a step is replaced by the
            // probability computed from scratch.
            if (!(previous >= kSmallestNormal) || !stayedNormal) {
                ws.currentProbability = DirectCompositionProbability(ws);
            }
        }
        ws.passCount = heavyAtoms;
        if (CumulativeFAExceedsStop(ws, heavyAtoms, ws.cumulativeFA, stopFA)) break;
    }
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

double FormulaLightMass(const ElementTable& table, const ParsedFormula& formula) {
    double mass = 0.0;
    for (int i = 0; i < kElementCount; ++i) {
        mass += static_cast<double>(formula[i]) * table[i].lightMass;
    }
    return mass;
}

}  // namespace tarnevo::core
