// Every formula an m/z search finds, held compactly so that tarnevo-cli
// formulas --all can sort millions of them by m/z: per formula its counts as
// 16-bit integers, its electron class and its m/z with its place of
// discovery (the sort key), 32 bytes, where a core::FoundFormula takes 48 and
// a growing vector of them up to three times that. The storage grows in
// blocks, never by copying, is sorted in place, and refuses formulae beyond a
// ceiling the caller states, so that a window holding a hundred million
// formulae ends with a message instead of exhausting memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "core/formula_search.h"

namespace tarnevo::cli {

class FormulaListing {
public:
    // elementCount: the search's rows (1 to 8); ceiling: the most formulae kept.
    FormulaListing(int elementCount, std::size_t ceiling);

    // Keeps a formula after those kept before (the search's order of
    // discovery); false, keeping nothing, once the ceiling is reached.
    bool Add(const core::FoundFormula& formula);

    std::size_t Size() const { return entries_.size(); }
    int ElementCount() const { return elementCount_; }

    // Puts the formulae in ascending m/z, those of equal m/z in their order of
    // discovery, as core::SortByMz orders the stored 200.
    void SortByMz();

    // The formula at a position of the listing (by m/z once sorted); rows past
    // the element count hold 0.
    core::FoundFormula At(std::size_t position) const;

private:
    struct Entry {
        double mz;
        std::uint32_t discovery;     // place in the order of discovery
        std::int16_t electronClass;  // -1, 0 or 1; the padding leaves room for 16 bits
        std::array<std::uint16_t, core::kMaxSearchElements> counts;
    };

    int elementCount_;
    std::size_t ceiling_;
    // A deque grows block by block: the last formula below the ceiling never
    // needs the memory of the whole listing twice.
    std::deque<Entry> entries_;
};

}  // namespace tarnevo::cli
