#include "core/cluster_reach.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <functional>
#include <utility>

namespace tarnevo::core {

namespace {

constexpr int kLastShift = kPeakCount - 1;
constexpr int kUnreachable = 1 << 20;
using FewestAtoms = std::array<int, kPeakCount>;  // per shift: fewest heavy atoms that make it

struct ElementShape {
    int atoms = 0;
    int heavyCount = 0;
    const int* delta = nullptr;
    int minDelta = 0;
    int maxDelta = 0;
};

ElementShape ShapeOf(const ClusterWorkspace& ws, int e) {
    ElementShape shape;
    shape.atoms = std::max(0, ws.orderedCount[e]);
    shape.heavyCount = ws.orderedHeavyCount[e];
    shape.delta = &ws.workDelta[ws.firstSlot[e]];
    shape.minDelta = *std::min_element(shape.delta, shape.delta + shape.heavyCount);
    shape.maxDelta = *std::max_element(shape.delta, shape.delta + shape.heavyCount);
    return shape;
}

// fewest[s] = min over the element's isotopes of fewest[s - delta_i] + 1, for an
// element with atoms enough for any shift below 320: one more heavy atom at a time.
void AddUnlimitedElement(FewestAtoms& fewest, const ElementShape& shape) {
    for (int s = 1; s < kPeakCount; ++s) {
        for (int i = 0; i < shape.heavyCount; ++i) {
            if (shape.delta[i] <= s) fewest[s] = std::min(fewest[s], fewest[s - shape.delta[i]] + 1);
        }
    }
}

// fewest combined with an element whose atom count limits the shifts it reaches.
FewestAtoms AddLimitedElement(const FewestAtoms& fewest, const ElementShape& shape) {
    const int reach = std::min(kLastShift, shape.atoms * shape.maxDelta);
    FewestAtoms own;
    own.fill(kUnreachable);
    own[0] = 0;
    AddUnlimitedElement(own, shape);
    FewestAtoms combined;
    combined.fill(kUnreachable);
    for (int t = 0; t <= reach; ++t) {
        if (own[t] > shape.atoms) continue;
        for (int s = t; s < kPeakCount; ++s) combined[s] = std::min(combined[s], fewest[s - t] + own[t]);
    }
    return combined;
}

// Largest shift below 320 reached with at most `passes` heavy atoms.
int LargestShiftBelowOverflow(const ClusterWorkspace& ws, int passes) {
    FewestAtoms fewest;
    fewest.fill(kUnreachable);
    fewest[0] = 0;
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const ElementShape shape = ShapeOf(ws, e);
        if (shape.atoms == 0) continue;
        if (shape.atoms * shape.minDelta >= kLastShift) {
            AddUnlimitedElement(fewest, shape);
        } else {
            fewest = AddLimitedElement(fewest, shape);
        }
    }
    int shift = kLastShift;
    while (shift > 0 && fewest[shift] > passes) --shift;
    return shift;
}

}  // namespace

VisitedShifts ReachedShifts(const ClusterWorkspace& ws, int passes) {
    // The widest shift: the heavy atoms go to the largest deltas first.
    std::array<std::pair<int, int>, kMaxPolyElements> byDelta{};  // (largest delta, atoms)
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const ElementShape shape = ShapeOf(ws, e);
        byDelta[e] = {shape.maxDelta, shape.atoms};
    }
    std::sort(byDelta.begin(), byDelta.begin() + ws.polyElementCount, std::greater<>());
    int remaining = passes;
    int largestShift = 0;
    for (int e = 0; e < ws.polyElementCount && remaining > 0; ++e) {
        const int taken = std::min(remaining, byDelta[e].second);
        largestShift += taken * byDelta[e].first;
        remaining -= taken;
    }
    VisitedShifts visited;
    visited.peakOverflow = largestShift > kLastShift;
    visited.lastPeakIndex = visited.peakOverflow ? LargestShiftBelowOverflow(ws, passes) : largestShift;
    return visited;
}

double Log2ProbabilityBelowOverflow(const ClusterWorkspace& ws) {
    // z = 2^-t for t on a grid from 1/256 to 64: the bound is smooth in t, and any
    // z gives a true bound, so a grid is enough.
    double best = 0;  // z = 1: the bound 1
    for (Extended t = 1.0L / 256; t <= 64; t *= 1.125L) {
        Extended log2Bound = kLastShift * t;  // 1 / z^319
        for (int e = 0; e < ws.polyElementCount; ++e) {
            const int atoms = std::max(0, ws.orderedCount[e]);
            if (atoms == 0) continue;
            const double* fa = &ws.workFA[ws.firstFAEntry[e]];
            const int* delta = &ws.workDelta[ws.firstSlot[e]];
            Extended generating = fa[0];
            for (int i = 0; i < ws.orderedHeavyCount[e]; ++i)
                generating += fa[i + 1] * std::exp2(-t * delta[i]);
            log2Bound += atoms * std::log2(generating);
        }
        best = std::min(best, static_cast<double>(log2Bound));
    }
    return best;
}

namespace {

// Base-2 logarithm of the FA of [A+0]'s first composition, the ion made only of
// each element's lightest isotope: a lower bound on every upper bound of the peaks.
Extended Log2LightestComposition(const ClusterWorkspace& ws) {
    Extended log2Probability = 0;
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const int atoms = std::max(0, ws.orderedCount[e]);
        if (atoms != 0)
            log2Probability += atoms * std::log2(static_cast<Extended>(ws.workFA[ws.firstFAEntry[e]]));
    }
    return log2Probability;
}

}  // namespace

bool PeaksCertainlyBelowDoubleRange(const ClusterWorkspace& ws) {
    // Every ordinary ion's [A+0] alone lies well within the double range, and then
    // no bound can fall below it: a few logarithms spare the grid's thousands.
    // The test keeps a whole binary order from the threshold, so that it never
    // decides a case the bound would decide otherwise.
    if (Log2LightestComposition(ws) >= DBL_MIN_EXP) return false;
    // The bound is a sum of at most a few thousand extended-precision logarithms of
    // size up to about 1e4: its rounding is far below a thousandth of a binary order.
    constexpr double kMargin = 1.0 / 1024;
    return Log2ProbabilityBelowOverflow(ws) < DBL_MIN_EXP - 1 - kMargin;
}

}  // namespace tarnevo::core
