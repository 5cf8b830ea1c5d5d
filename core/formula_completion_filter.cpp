#include "core/formula_completion_filter.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarnevo::core {

namespace {

// The grids FilterGrid tries, coarsest first, in units per u.
constexpr std::array<long double, 4> kGridsPerU = {200000.0L, 1000000.0L, 2000000.0L, 10000000.0L};
// How near a grid integer a mass's double must lie to count as on the grid,
// in units: far above the error of a double of six or seven decimals (1e-9
// units), far below the half unit a truly off-grid mass can miss by.
constexpr long double kOnGridTolerance = 1.0e-6L;
// A finer grid is taken only while its smallest grid mass, the length of each
// residue table, leaves room for several depths within the search's budget.
constexpr std::int64_t kLargestFineModulus = std::int64_t{1} << 21;

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

bool OnUsableGrid(const std::vector<FilterElement>& elements, long double gridPerU) {
    return std::all_of(elements.begin(), elements.end(), [gridPerU](const FilterElement& element) {
        const std::int64_t grid = GridUnits(element.mass, gridPerU);
        return element.mass > 0.0 && grid >= kSmallestGridMass && grid <= kLargestGridMass;
    });
}

// The residue tables share the smallest grid mass of the elements served.
std::int64_t SharedModulus(const std::vector<FilterElement>& elements, int firstDepth, long double gridPerU) {
    std::int64_t modulus = kLargestGridMass;
    for (std::size_t j = static_cast<std::size_t>(firstDepth); j < elements.size(); ++j)
        modulus = std::min(modulus, GridUnits(elements[j].mass, gridPerU));
    return modulus;
}

// The grid integers a formula in the window may sum to.
struct UnitWindow {
    std::int64_t low = 1;
    std::int64_t high = 0;
};

UnitWindow WindowInUnits(const std::vector<FilterElement>& elements, Extended lowMass, Extended highMass,
                         long double gridPerU) {
    // What the grid integers leave out of the masses, each at most the
    // element's maximum times over: the window must allow for it on either
    // side (a few 1e-9 units per atom for natural masses, whose doubles miss
    // their five decimals by that much; up to half a unit per atom of Jx).
    long double remainderLow = 0.0L;
    long double remainderHigh = 0.0L;
    for (const FilterElement& element : elements) {
        const long double remainder = (static_cast<long double>(element.mass) * gridPerU -
                                       static_cast<long double>(GridUnits(element.mass, gridPerU))) *
                                      static_cast<long double>(std::max(0, element.maximum));
        remainderLow += std::min(0.0L, remainder);
        remainderHigh += std::max(0.0L, remainder);
    }
    const long double margin = kAbsoluteMargin + kRelativeMargin * std::fabs(highMass * gridPerU);
    const auto low = static_cast<std::int64_t>(std::ceil(lowMass * gridPerU - remainderHigh - margin));
    const auto high = static_cast<std::int64_t>(std::floor(highMass * gridPerU - remainderLow + margin));

    return {low, high};
}

bool OnGrid(const FilterElement& element, long double gridPerU) {
    const long double units = static_cast<long double>(element.mass) * gridPerU;
    return std::fabs(units - std::nearbyint(units)) <= kOnGridTolerance;
}

}  // namespace

long double FilterGrid(const std::vector<FilterElement>& elements) {
    for (const long double gridPerU : kGridsPerU) {
        const bool onGrid =
            std::all_of(elements.begin(), elements.end(),
                        [gridPerU](const FilterElement& element) { return OnGrid(element, gridPerU); });
        if (!onGrid) continue;
        if (gridPerU == kGridsPerU[0] || SharedModulus(elements, 0, gridPerU) <= kLargestFineModulus)
            return gridPerU;
    }
    return kGridsPerU[0];
}

std::int64_t GridUnits(double mass, long double gridPerU) {
    return std::llround(static_cast<long double>(mass) * gridPerU);
}

CompletionFilter::CompletionFilter(const std::vector<FilterElement>& elements, Extended lowMass,
                                   Extended highMass, int firstDepth, int lastDepth)
    : gridPerU_(FilterGrid(elements)), depths_(elements.size() + 1) {
    const int count = static_cast<int>(elements.size());
    lastDepth = std::min(lastDepth, count - 1);
    if (firstDepth < 0 || firstDepth > lastDepth || !OnUsableGrid(elements, gridPerU_)) return;
    if (!(highMass * gridPerU_ < kLargestGridWindow)) return;

    const UnitWindow window = WindowInUnits(elements, lowMass, highMass, gridPerU_);
    lowUnits_ = window.low;
    highUnits_ = window.high;

    ResidueTable sums(SharedModulus(elements, firstDepth, gridPerU_));
    for (int k = count - 1; k >= firstDepth; --k) {
        const FilterElement& element = elements[static_cast<std::size_t>(k)];
        const std::int64_t units = GridUnits(element.mass, gridPerU_);
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
    const long double gridPerU = FilterGrid(elements);
    if (!OnUsableGrid(elements, gridPerU) || !(highMass * gridPerU < kLargestGridWindow)) return true;
    const UnitWindow window = WindowInUnits(elements, lowMass, highMass, gridPerU);
    return window.low <= window.high;
}

std::int64_t CompletionFilter::TableEntries(const std::vector<FilterElement>& elements, int firstDepth,
                                            int lastDepth) {
    const int count = static_cast<int>(elements.size());
    lastDepth = std::min(lastDepth, count - 1);
    const long double gridPerU = FilterGrid(elements);
    if (firstDepth < 0 || firstDepth > lastDepth || !OnUsableGrid(elements, gridPerU)) return 0;
    return SharedModulus(elements, firstDepth, gridPerU) * (lastDepth - firstDepth + 1);
}

}  // namespace tarnevo::core
