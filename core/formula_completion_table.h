// The formula search's completion table (core/formula_search.h): every way the
// last elements of a query can complete a partial formula, tabulated once by
// mass, so that each walk of the first elements meets its completions by lookup
// instead of walking them again; and the cost model that chooses where the table
// begins. For C, H, N, O with the table from N on, a partial C12H20 looks up the
// N and O counts whose mass brings it into the window rather than looping over
// them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/formula_search.h"
#include "core/formula_search_space.h"

namespace tarnevo::core::search {

// One possible completion by the last elements: the counts of elements first ..
// depth (later ones 0) with the count at depth at least 1, and their mass.
// Entries are numbered in the order the walk meets them (depth first,
// counts ascending), so a smaller number is found earlier. The masses here
// are doubles, good to far better than the slack; only the lookup uses them.
class CompletionTable {
public:
    // Tabulates every completion by the elements first .. last whose mass stays
    // within the window's high end (with the slack); expectedEntries sizes it.
    CompletionTable(const SearchSpace& space, int first, double expectedEntries);

    // Calls visit(entry) for each entry whose tabulated mass lies in
    // [low, high], bounds that include the slack.
    template <typename Visit>
    void ForEachNear(double low, double high, Visit&& visit) const {
        if (high < 0.0 || low > maxMass_ || sortedMasses_.empty()) return;
        if (!AnyCellOccupied(std::max(0.0, low), high)) return;
        const std::size_t lastBucket = BucketOf(high);
        const std::uint32_t end = bucketStart_[lastBucket + 1];
        for (std::uint32_t at = bucketStart_[BucketOf(std::max(0.0, low))]; at < end; ++at) {
            const double mass = sortedMasses_[at];
            if (mass >= low && mass <= high) visit(byMass_[at]);
        }
    }

    int Depth(std::uint32_t entry) const { return depths_[entry]; }
    int Count(std::uint32_t entry, int element) const {
        return counts_[static_cast<std::size_t>(entry) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(element - first_)];
    }

private:
    void Fill(int k, double partialMass, std::array<std::uint16_t, kMaxSearchElements>& path);
    void Append(int depth, double mass, const std::array<std::uint16_t, kMaxSearchElements>& path);
    void MarkOccupiedCells();
    void IndexByMass();

    // Most lookups of a narrow window meet no entry at all; one bit per fine
    // cell of mass answers them from a map small enough for the cache.
    std::size_t CellOf(double mass) const {
        const double cell = mass * inverseCellWidth_;
        if (!(cell > 0.0)) return 0;
        return std::min(occupied_.size() * 64 - 1, static_cast<std::size_t>(cell));
    }

    static constexpr std::size_t kMaxCellsTested = 64;

    bool AnyCellOccupied(double low, double high) const {
        const std::size_t first = CellOf(low);
        const std::size_t last = CellOf(high);
        if (last - first > kMaxCellsTested) return true;
        for (std::size_t cell = first; cell <= last; ++cell) {
            if ((occupied_[cell / 64] >> (cell % 64)) & 1U) return true;
        }
        return false;
    }

    std::size_t BucketOf(double mass) const {
        const double bucket = mass * inverseWidth_;
        if (!(bucket > 0.0)) return 0;
        return std::min(bucketCount_ - 1, static_cast<std::size_t>(bucket));
    }

    const SearchSpace& space_;
    int first_ = 0;
    int width_ = 0;
    double maxMass_ = 0.0;
    std::array<double, kMaxSearchElements> mass_{};
    std::vector<double> masses_;
    std::vector<std::uint8_t> depths_;
    std::vector<std::uint16_t> counts_;
    std::size_t bucketCount_ = 1;
    double inverseWidth_ = 1.0;
    std::vector<std::uint32_t> bucketStart_;
    std::vector<std::uint32_t> byMass_;
    std::vector<double> sortedMasses_;
    std::vector<std::uint64_t> occupied_;
    double inverseCellWidth_ = 1.0;
};

// How the walk is split: the first element of the table, and the entries the
// table is expected to hold.
struct SearchPlan {
    int tableStart = 0;
    double tableEntries = 0.0;
};

// Entries of a table from element first on, as the cost model estimates them.
double TableEntries(const SearchSpace& space, int first);

// The plan for a search that stops after limit formulae (kUncapped: none): the
// table from tableStart when that is an element index, else where
// ChooseTableStart puts it.
SearchPlan PlanFor(const SearchSpace& space, std::size_t limit, int tableStart);

}  // namespace tarnevo::core::search
