#include "core/cluster_merge_plan.h"

#include <algorithm>
#include <array>

#include "core/cluster_engine.h"

namespace tarnevo::core::convolution {

namespace {

constexpr int kLastShift = kPeakCount - 1;

}  // namespace

double CellCount(int top, int minDelta, int maxDelta) {
    double cells = 0;
    const int wideRows = std::min(top, kLastShift / maxDelta);
    const int span = maxDelta - minDelta;
    cells += (wideRows + 1) + static_cast<double>(span) * wideRows * (wideRows + 1) / 2.0;
    const int first = wideRows + 1;
    const int last = std::min(top, kLastShift / minDelta);
    if (last >= first) {
        const double rows = last - first + 1;
        cells += rows * kPeakCount - static_cast<double>(minDelta) * (first + last) * rows / 2.0;
    }
    return cells;
}

namespace {

// Estimated work of each way to merge one unit.
double FirstCost(const UnitShape& unit) {
    if (unit.isotopeCount == 1) return unit.top;
    return unit.isotopeCount * CellCount(unit.top, unit.minDelta, unit.maxDelta);
}
double LastCost(const UnitShape& unit) {
    return static_cast<double>(unit.isotopeCount + 1) * (unit.top + 1) * kPeakCount;
}
double MiddleCost(UnitShape& shape, const UnitShape& unit, int passes) {
    const int top = std::min(passes, shape.top + unit.top);
    const int minDelta = std::min(shape.minDelta, unit.minDelta);
    const int maxDelta = std::max(shape.maxDelta, unit.maxDelta);
    const double cells = CellCount(top, minDelta, maxDelta);
    const double depth = unit.isotopeCount == 1 ? std::min(unit.top, shape.top) + 1.0
                                                : (unit.isotopeCount + 1.0) * (unit.top + 1.0);
    shape.top = top;
    shape.minDelta = minDelta;
    shape.maxDelta = maxDelta;
    return cells * depth / 2;
}
double MiddleKey(const UnitShape& unit) {
    return (unit.isotopeCount + 1.0) * (unit.top + 1.0) * (unit.maxDelta - unit.minDelta + 1);
}

// Estimated work of merging with `first` as the table builder and `last` folded
// into the peaks, the others in between in the order `middle` gives.
double PairCost(const UnitShape* units, const int* middle, int count, int first, int last, int passes) {
    double cost = LastCost(units[last]);
    if (count == 1) return cost;
    UnitShape shape = units[first];
    cost += FirstCost(shape);
    for (int i = 0; i < count; ++i) {
        const int u = middle[i];
        if (u != first && u != last) cost += MiddleCost(shape, units[u], passes);
    }
    return cost;
}

// A lone unit is only folded into the peaks, so `first` is written only when
// there are at least two.
void WriteOrder(const int* middle, int count, int first, int last, int* order) {
    int placed = 0;
    if (count > 1) order[placed++] = first;
    for (int i = 0; i < count; ++i) {
        const int u = middle[i];
        if (u != first && u != last) order[placed++] = u;
    }
    order[placed] = last;
}

}  // namespace

void PlanMergeOrder(const UnitShape* units, int count, int passes, int* order) {
    std::array<int, kMaxPolyElements> middle{};
    for (int u = 0; u < count; ++u) middle[u] = u;
    std::sort(middle.begin(), middle.begin() + count,
              [units](int a, int b) { return MiddleKey(units[a]) < MiddleKey(units[b]); });
    double best = -1;
    for (int first = 0; first < count; ++first) {
        for (int last = 0; last < count; ++last) {
            if (first == last && count > 1) continue;
            const double cost = PairCost(units, middle.data(), count, first, last, passes);
            if (best >= 0 && cost >= best) continue;
            best = cost;
            WriteOrder(middle.data(), count, first, last, order);
        }
    }
}

}  // namespace tarnevo::core::convolution
