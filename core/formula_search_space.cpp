#include "core/formula_search_space.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "core/formula_completion_filter.h"
#include "core/ion_mz.h"

namespace tarnevo::core::search {

namespace {

// Why the walk may be cut short or looked up: the m/z of a partial formula
// never falls when a count grows, and adding atoms never lowers it, because
// rounding is monotonic and every mass is positive. A subtree whose largest
// possible mass stays below the window records nothing; the slack below, far
// above any rounding error of a few extended operations and far below any
// difference of interest, keeps that judgement conservative.
constexpr long double kRelativeSlack = 1.0e-9L;

}  // namespace

SearchSpace MakeSearchSpace(const FormulaQuery& query) {
    SearchSpace space;
    space.elementCount = static_cast<int>(std::min<std::size_t>(query.elements.size(), kMaxSearchElements));
    for (int k = 0; k < space.elementCount; ++k) {
        const SearchElement& element = query.elements[static_cast<std::size_t>(k)];
        space.mass[k] = element.mass;
        space.minimum[k] = std::max(0, element.minimum);
        space.maximum[k] = std::min(kMaxSearchCount, element.maximum);
    }
    // The completion filter's grid for these masses (the filter derives the
    // same one from the same masses).
    std::vector<FilterElement> masses;
    masses.reserve(static_cast<std::size_t>(space.elementCount));
    for (int k = 0; k < space.elementCount; ++k)
        masses.push_back({query.elements[static_cast<std::size_t>(k)].mass});
    const long double gridPerU = FilterGrid(masses);
    for (int k = 0; k < space.elementCount; ++k)
        space.units[k] = GridUnits(query.elements[static_cast<std::size_t>(k)].mass, gridPerU);
    for (int k = space.elementCount - 1; k >= 0; --k) {
        const Extended top =
            space.maximum[k] > 0 ? static_cast<Extended>(space.maximum[k]) * space.mass[k] : 0.0L;
        space.restMaximum[k] = space.restMaximum[k + 1] + top;
    }
    space.charge = query.charge;
    space.window = SearchWindow(query.target, query.tolerance);
    space.lowMass = LightestMassAtMz(space.window.low, query.charge);
    space.highMass = LightestMassAtMz(space.window.high, query.charge);
    space.slack = kRelativeSlack * (1.0L + std::abs(space.highMass));
    for (int k = 0; k <= space.elementCount; ++k) {
        if (k < space.elementCount) space.approxMass[k] = static_cast<double>(space.mass[k]);
        space.approxRestMaximum[k] = static_cast<double>(space.restMaximum[k]);
    }
    space.approxLow = static_cast<double>(space.lowMass - space.slack);
    space.approxHigh = static_cast<double>(space.highMass + space.slack);
    return space;
}

}  // namespace tarnevo::core::search
