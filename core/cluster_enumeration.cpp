#include "core/cluster_enumeration.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/cluster_stop.h"

namespace tarnevo::core {

namespace {

constexpr Extended kSmallestNormal = LDBL_MIN;

int LastNonEmptySlot(const ClusterIon& ion, const EnumerationState& state) {
    for (int j = ion.heavySlotCount - 1; j >= 0; --j) {
        if (state.composition[j] != 0) return j;
    }
    return -1;
}

int HeavyAtomsOf(const ClusterIon& ion, const EnumerationState& state, int element) {
    int atoms = 0;
    const int first = ion.firstSlot[element];
    for (int k = 0; k < ion.orderedHeavyCount[element]; ++k) atoms += state.composition[first + k];
    return atoms;
}

bool IsValidComposition(const ClusterIon& ion, const EnumerationState& state) {
    for (int e = 0; e < ion.polyElementCount; ++e) {
        if (HeavyAtomsOf(ion, state, e) > ion.orderedCount[e]) return false;
    }
    return true;
}

void MoveOneAtomRight(EnumerationState& state, int slot) {
    --state.composition[slot];
    ++state.composition[slot + 1];
}

// Repairs a composition in which some element holds more heavy atoms than it has
// atoms, pushing atoms to later slots; false when nothing valid is left.
bool MakeValid(const ClusterIon& ion, EnumerationState& state) {
    const int lastElement = ion.polyElementCount - 1;
    while (!IsValidComposition(ion, state)) {
        const int spilled = HeavyAtomsOf(ion, state, lastElement);
        if (spilled != 0) {
            const int first = ion.firstSlot[lastElement];
            std::fill_n(state.composition.begin() + first, ion.orderedHeavyCount[lastElement], 0);
            const int j = LastNonEmptySlot(ion, state);
            if (j < 0) return false;
            --state.composition[j];
            state.composition[j + 1] = spilled + 1;
        } else {
            MoveOneAtomRight(state, LastNonEmptySlot(ion, state));
        }
    }
    return true;
}

void AccumulateCurrent(const EnumerationState& state, ClusterPeaks& peaks) {
    if (state.massShift < kPeakCount) {
        peaks.peakSum[state.massShift] += state.currentProbability;
        peaks.peakDefectMoment[state.massShift] += state.currentProbability * state.massDefect;
        peaks.lastPeakIndex = std::max(peaks.lastPeakIndex, state.massShift);
    } else {
        peaks.peakOverflow = true;
    }
    peaks.cumulativeFA += state.currentProbability;
}

void UpdateLightCounts(const ClusterIon& ion, EnumerationState& state) {
    for (int e = 0; e < ion.polyElementCount; ++e) {
        state.lightCount[e] = ion.orderedCount[e] - HeavyAtomsOf(ion, state, e);
    }
}

// Multiplies probability by k / p for k = from down to to + 1.
void MultiplyFallingRatios(Extended& probability, int from, int to, Extended p) {
    for (int k = from; k > to; --k) probability *= static_cast<Extended>(k) / p;
}

// Multiplies probability by p / k for k = to down to from + 1.
void MultiplyRisingRatios(Extended& probability, int from, int to, Extended p) {
    for (int k = to; k > from; --k) probability *= p / static_cast<Extended>(k);
}

// Carries probability from count `before` to count `now` of one isotope of FA p.
void MultiplyCountRatios(Extended& probability, int before, int now, Extended p) {
    if (now < before) {
        MultiplyFallingRatios(probability, before, now, p);
    } else {
        MultiplyRisingRatios(probability, before, now, p);
    }
}

// log2 of n! in extended precision.
Extended Log2Factorial(int n) { return std::lgamma(static_cast<Extended>(n) + 1) / std::log(2.0L); }

// log2 of p^count, with 0^0 = 1.
Extended Log2Power(Extended p, int count) {
    if (count == 0) return 0;
    return static_cast<Extended>(count) * std::log2(p);  // -inf for p = 0
}

// Every composition of one pass after its first, added to the peaks.
void EnumeratePass(const ClusterIon& ion, EnumerationState& state, ClusterPeaks& peaks) {
    for (;;) {
        AccumulateCurrent(state, peaks);
        if (!NextComposition(ion, state)) break;
        UpdateLightCounts(ion, state);
        const Extended previous = state.currentProbability;
        const bool stayedNormal = UpdateCompositionProbability(ion, state);
        // A ratio step is exact to rounding only between normal numbers: from a
        // probability that underflowed (or is 0 for an FA of 0), or through a
        // product that left the range on the way (an FA of 4e-73 to the 14th
        // power before the next factor brings it back), every later composition
        // of the pass would inherit the loss, so such a step is replaced by the
        // probability computed from scratch.
        if (!(previous >= kSmallestNormal) || !stayedNormal) {
            state.currentProbability = DirectCompositionProbability(ion, state);
        }
    }
}

}  // namespace

Extended DirectCompositionProbability(const ClusterIon& ion, const EnumerationState& state) {
    Extended log2Probability = 0;
    for (int e = 0; e < ion.polyElementCount; ++e) {
        const double* fa = &ion.workFA[ion.firstFAEntry[e]];
        const int* heavy = &state.composition[ion.firstSlot[e]];
        int light = ion.orderedCount[e];
        log2Probability += Log2Factorial(ion.orderedCount[e]);
        for (int k = 0; k < ion.orderedHeavyCount[e]; ++k) {
            light -= heavy[k];
            log2Probability += Log2Power(fa[k + 1], heavy[k]) - Log2Factorial(heavy[k]);
        }
        log2Probability += Log2Power(fa[0], light) - Log2Factorial(light);
    }
    return std::exp2(log2Probability);
}

bool PlaceInitialComposition(const ClusterIon& ion, EnumerationState& state, int heavyAtoms) {
    state.composition.fill(0);
    state.previousComposition.fill(0);
    int remaining = heavyAtoms;
    for (int e = 0; e < ion.polyElementCount; ++e) {
        const int taken = std::min(remaining, ion.orderedCount[e]);
        state.composition[ion.firstSlot[e]] = taken;
        state.previousComposition[ion.firstSlot[e]] = taken;
        state.previousLightCount[e] = ion.orderedCount[e] - taken;
        state.lightCount[e] = state.previousLightCount[e];
        remaining -= taken;
    }
    return remaining == 0;
}

Extended CompositionProbability(const ClusterIon& ion, EnumerationState& state) {
    Extended probability = 1.0L;
    state.massShift = 0;
    state.massDefect = 0;
    for (int e = 0; e < ion.polyElementCount; ++e) {
        const int atoms = ion.orderedCount[e];
        const int firstSlot = ion.firstSlot[e];
        const int heavy = state.composition[firstSlot];
        const Extended p0 = ion.workFA[ion.firstFAEntry[e]];
        const Extended p1 = ion.workFA[ion.firstFAEntry[e] + 1];
        if (atoms - heavy > 0) probability *= ExtendedPower(p0, static_cast<unsigned>(atoms - heavy));
        for (int c = 0; c < heavy; ++c) {
            probability *= static_cast<Extended>(atoms - c) / static_cast<Extended>(c + 1) * p1;
            state.massShift += ion.workDelta[firstSlot];
            state.massDefect += ion.workDefect[firstSlot];
        }
    }
    return probability;
}

bool UpdateCompositionProbability(const ClusterIon& ion, EnumerationState& state) {
    Extended probability = state.currentProbability;
    // The factors of one call all lie on the same side of 1, so the product
    // stays normal throughout a call when it is normal at both of its ends.
    bool stayedNormal = true;
    const auto noteRange = [&stayedNormal, &probability] {
        stayedNormal = stayedNormal && probability >= kSmallestNormal && probability <= LDBL_MAX;
    };
    for (int e = 0; e < ion.polyElementCount; ++e) {
        const int before = state.previousLightCount[e];
        const int now = state.lightCount[e];
        if (before == now) continue;
        MultiplyCountRatios(probability, before, now, ion.workFA[ion.firstFAEntry[e]]);
        noteRange();
        state.previousLightCount[e] = now;
    }
    for (int e = 0; e < ion.polyElementCount; ++e) {
        for (int k = 0; k < ion.orderedHeavyCount[e]; ++k) {
            const int slot = ion.firstSlot[e] + k;
            const int before = state.previousComposition[slot];
            const int now = state.composition[slot];
            if (before == now) continue;
            MultiplyCountRatios(probability, before, now, ion.workFA[ion.firstFAEntry[e] + 1 + k]);
            noteRange();
            state.massShift += (now - before) * ion.workDelta[slot];
            state.massDefect += (now - before) * static_cast<Extended>(ion.workDefect[slot]);
            state.previousComposition[slot] = now;
        }
    }
    state.currentProbability = probability;
    return stayedNormal;
}

bool NextComposition(const ClusterIon& ion, EnumerationState& state) {
    const int lastSlot = ion.heavySlotCount - 1;
    if (state.composition[lastSlot] == 0) {
        MoveOneAtomRight(state, LastNonEmptySlot(ion, state));
        return true;
    }
    const int carried = state.composition[lastSlot];
    state.composition[lastSlot] = 0;
    const int j = LastNonEmptySlot(ion, state);
    if (j < 0) return false;
    --state.composition[j];
    state.composition[j + 1] = carried + 1;
    return MakeValid(ion, state);
}

void ComputeClusterByEnumeration(const ClusterIon& ion, EnumerationState& state, ClusterPeaks& peaks,
                                 int passLimit, double stopFA) {
    ExtendedPrecisionScope precision;
    peaks.peakSum.fill(0.0L);
    peaks.peakDefectMoment.fill(0.0L);
    peaks.lastPeakIndex = 0;
    peaks.peakOverflow = false;
    peaks.passCount = 0;
    state.composition.fill(0);

    state.currentProbability = CompositionProbability(ion, state);
    peaks.peakSum[0] = state.currentProbability;
    peaks.cumulativeFA = state.currentProbability;

    const int lastPass = std::min(passLimit, kPeakCount);
    for (int heavyAtoms = 1; heavyAtoms <= lastPass; ++heavyAtoms) {
        if (!PlaceInitialComposition(ion, state, heavyAtoms)) break;
        state.currentProbability = CompositionProbability(ion, state);
        EnumeratePass(ion, state, peaks);
        peaks.passCount = heavyAtoms;
        if (CumulativeFAExceedsStop(ion, heavyAtoms, peaks.cumulativeFA, stopFA)) break;
    }
}

void ComputeClusterByEnumeration(ClusterWorkspace& workspace, int passLimit, double stopFA) {
    ComputeClusterByEnumeration(workspace, workspace, workspace, passLimit, stopFA);
}

}  // namespace tarnevo::core
