#include "core/formula_completion_filter.h"

#include <algorithm>
#include <cmath>

namespace tarnevo::core {

namespace {

constexpr long double kGridPerU = 200000.0L;

// Masses between these bounds (in grid units) keep every sum the tables hold
// far inside 64-bit integers and every grid mass exact in a double.
constexpr std::int64_t kSmallestGridMass = 1;
constexpr std::int64_t kLargestGridMass = std::int64_t{1} << 28;

// How far a mass the search computes may lie from the exact sum of the
// elements' double masses, in grid units: its extended sums of at most eight
// products err by parts in 1e18 (1e-8 units at the largest windows, 1e10
// units), and the margin is a hundred times that and more.
constexpr long double kAbsoluteMargin = 1.0e-5L;
constexpr long double kRelativeMargin = 1.0e-16L;

// Windows beyond this many grid units (1e10 u) are left unfiltered: their
// integers would not fit the tables' arithmetic.
constexpr long double kLargestGridWindow = 1.0e15L;

bool OnUsableGrid(const std::vector<FilterElement>& elements) {
    return std::all_of(elements.begin(), elements.end(), [](const FilterElement& element) {
        const std::int64_t grid = GridUnits(element.mass);
        return element.mass > 0.0 && grid >= kSmallestGridMass && grid <= kLargestGridMass;
    });
}

// The residue tables share the smallest grid mass of the elements served.
std::int64_t SharedModulus(const std::vector<FilterElement>& elements, int firstDepth) {
    std::int64_t modulus = kLargestGridMass;
    for (std::size_t j = static_cast<std::size_t>(firstDepth); j < elements.size(); ++j)
        modulus = std::min(modulus, GridUnits(elements[j].mass));
    return modulus;
}

// The grid integers a formula in the window may sum to.
struct UnitWindow {
    std::int64_t low = 1;
    std::int64_t high = 0;
};

UnitWindow WindowInUnits(const std::vector<FilterElement>& elements, Extended lowMass, Extended highMass) {
    // What the grid integers leave out of the masses, each at most the
    // element's maximum times over: the window must allow for it on either
    // side (a few 1e-9 units per atom for natural masses, whose doubles miss
    // their five decimals by that much; up to half a unit per atom of Jx).
    long double remainderLow = 0.0L;
    long double remainderHigh = 0.0L;
    for (const FilterElement& element : elements) {
        const long double remainder = (static_cast<long double>(element.mass) * kGridPerU -
                                       static_cast<long double>(GridUnits(element.mass))) *
                                      static_cast<long double>(std::max(0, element.maximum));
        remainderLow += std::min(0.0L, remainder);
        remainderHigh += std::max(0.0L, remainder);
    }
    const long double margin = kAbsoluteMargin + kRelativeMargin * std::fabs(highMass * kGridPerU);
    const auto low = static_cast<std::int64_t>(std::ceil(lowMass * kGridPerU - remainderHigh - margin));
    const auto high = static_cast<std::int64_t>(std::floor(highMass * kGridPerU - remainderLow + margin));

    return {low, high};
}

}  // namespace

std::int64_t GridUnits(double mass) { return std::llround(static_cast<long double>(mass) * kGridPerU); }

CompletionFilter::CompletionFilter(const std::vector<FilterElement>& elements, Extended lowMass,
                                   Extended highMass, int firstDepth, int lastDepth)
    : depths_(elements.size() + 1) {
    const int count = static_cast<int>(elements.size());
    lastDepth = std::min(lastDepth, count - 1);
    if (firstDepth < 0 || firstDepth > lastDepth || !OnUsableGrid(elements)) return;
    if (!(highMass * kGridPerU < kLargestGridWindow)) return;

    const UnitWindow window = WindowInUnits(elements, lowMass, highMass);
    lowUnits_ = window.low;
    highUnits_ = window.high;

    ResidueTable sums(SharedModulus(elements, firstDepth));
    for (int k = count - 1; k >= firstDepth; --k) {
        const FilterElement& element = elements[static_cast<std::size_t>(k)];
        const std::int64_t units = GridUnits(element.mass);
        sums = sums.WithAdded(units);
        if (k > lastDepth) continue;
        Depth& depth = depths_[static_cast<std::size_t>(k)];
        depth.table = sums;
        depth.minimumUnits = units * std::max(0, element.minimum);
    }
}

bool CompletionFilter::MayComplete(int depth, std::int64_t prefixUnits) const {
    const Depth& at = depths_[static_cast<std::size_t>(depth)];
    if (!at.table) return true;
    // The grid sum of the completion past the first element's minimum.
    const std::int64_t taken = prefixUnits + at.minimumUnits;
    return at.table->AnySumBetween(lowUnits_ - taken, highUnits_ - taken);
}

bool CompletionFilter::AnyGridSumBetween(const std::vector<FilterElement>& elements, Extended lowMass,
                                         Extended highMass) {
    if (!OnUsableGrid(elements) || !(highMass * kGridPerU < kLargestGridWindow)) return true;
    const UnitWindow window = WindowInUnits(elements, lowMass, highMass);
    return window.low <= window.high;
}

std::int64_t CompletionFilter::TableEntries(const std::vector<FilterElement>& elements, int firstDepth,
                                            int lastDepth) {
    const int count = static_cast<int>(elements.size());
    lastDepth = std::min(lastDepth, count - 1);
    if (firstDepth < 0 || firstDepth > lastDepth || !OnUsableGrid(elements)) return 0;
    return SharedModulus(elements, firstDepth) * (lastDepth - firstDepth + 1);
}

}  // namespace tarnevo::core
