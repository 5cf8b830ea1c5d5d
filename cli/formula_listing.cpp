#include "cli/formula_listing.h"

#include <algorithm>
#include <limits>

namespace tarnevo::cli {

// Counts up to the search's largest fit the 16-bit slots.
static_assert(core::kMaxSearchCount <= std::numeric_limits<std::uint16_t>::max());

FormulaListing::FormulaListing(int elementCount, std::size_t ceiling)
    : elementCount_(std::clamp(elementCount, 1, core::kMaxSearchElements)),
      // Places of discovery are 32-bit.
      ceiling_(std::min<std::size_t>(ceiling, std::numeric_limits<std::uint32_t>::max())) {}

bool FormulaListing::Add(const core::FoundFormula& formula) {
    if (Size() >= ceiling_) return false;
    Entry entry{
        formula.mz, static_cast<std::uint32_t>(Size()), static_cast<std::int16_t>(formula.electronClass), {}};
    for (std::size_t k = 0; k < static_cast<std::size_t>(elementCount_); ++k) {
        entry.counts[k] = static_cast<std::uint16_t>(std::clamp(formula.counts[k], 0, core::kMaxSearchCount));
    }
    entries_.push_back(entry);
    return true;
}

void FormulaListing::SortByMz() {
    // Ties broken by the place of discovery: the order a stable sort keeps,
    // without its buffer of half the listing.
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        return a.mz < b.mz || (a.mz == b.mz && a.discovery < b.discovery);
    });
}

core::FoundFormula FormulaListing::At(std::size_t position) const {
    const Entry& entry = entries_[position];
    core::FoundFormula formula;
    for (std::size_t k = 0; k < static_cast<std::size_t>(elementCount_); ++k)
        formula.counts[k] = entry.counts[k];
    formula.mz = entry.mz;
    formula.electronClass = entry.electronClass;
    return formula;
}

}  // namespace tarnevo::cli
