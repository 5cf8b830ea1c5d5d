#include "core/formula_completion_table.h"

#include <algorithm>
#include <cmath>

namespace tarnevo::core::search {

namespace {

// The largest table of last-element completions built for one search, and the
// relative weight of one table entry against one walked partial formula.
constexpr double kMaxTailEntries = 1 << 21;
constexpr double kTailEntryCost = 1.0;

constexpr std::size_t kEntriesPerBucket = 8;
constexpr std::size_t kCellsPerEntry = 16;
constexpr std::size_t kMaxCells = std::size_t{1} << 24;  // a map of 2 MB

// Counts element k can take below the high end of the window, at least 1.
double UsefulRange(const SearchSpace& space, int k) {
    const double reachable = std::floor(static_cast<double>(space.highMass / space.mass[k]));
    const double top = std::min(static_cast<double>(space.maximum[k]), reachable);
    return std::max(1.0, top - space.minimum[k] + 1.0);
}

// Table lookups the walk makes before the table starts at most: one per
// count combination of the walked elements.
double Lookups(const SearchSpace& space, int first) {
    double product = 1.0;
    for (int k = 0; k < first; ++k) product *= UsefulRange(space, k);
    return first == 0 ? 1.0 : product;
}

// Where the tabulated completion begins: the element index that minimises the
// estimated work, table lookups plus table entries built, with the table no
// larger than kMaxTailEntries. A capped search stops once it has its
// formulae: with table entries spread evenly over their mass span, a lookup
// meets about entries x window / span of them, which bounds the lookups that
// the cap lets happen.
SearchPlan ChooseTableStart(const SearchSpace& space, std::size_t limit) {
    const int n = space.elementCount;
    const double window = static_cast<double>(space.highMass - space.lowMass) + 1e-12;
    SearchPlan best{n - 1, TableEntries(space, n - 1)};
    double bestCost = -1.0;
    for (int first = n - 1; first >= 0; --first) {
        const double entries = TableEntries(space, first);
        if (entries > kMaxTailEntries) break;
        const double span = std::max(1.0, std::min(static_cast<double>(space.highMass),
                                                   static_cast<double>(space.restMaximum[first])));
        double lookups = Lookups(space, first);
        if (limit != kUncapped) {
            const double perLookup = std::max(1e-12, entries * window / span);
            lookups = std::min(lookups, static_cast<double>(limit) / perLookup);
        }
        const double cost = lookups + kTailEntryCost * entries;
        if (bestCost < 0.0 || cost < bestCost) {
            bestCost = cost;
            best = {first, entries};
        }
    }
    return best;
}

}  // namespace

CompletionTable::CompletionTable(const SearchSpace& space, int first, double expectedEntries)
    : space_(space), first_(first), width_(space.elementCount - first) {
    maxMass_ = static_cast<double>(space.highMass + space.slack);
    for (int k = first; k < space.elementCount; ++k)
        mass_[static_cast<std::size_t>(k)] = static_cast<double>(space.mass[k]);
    const auto reserve = static_cast<std::size_t>(expectedEntries) + 1;
    masses_.reserve(reserve);
    depths_.reserve(reserve);
    counts_.reserve(reserve * static_cast<std::size_t>(width_));
    std::array<std::uint16_t, kMaxSearchElements> path{};
    Fill(first, 0.0, path);
    MarkOccupiedCells();
    IndexByMass();
}

void CompletionTable::Fill(int k, double partialMass, std::array<std::uint16_t, kMaxSearchElements>& path) {
    const double mass = mass_[static_cast<std::size_t>(k)];
    const bool deeper = k + 1 < space_.elementCount;
    for (int c = space_.minimum[k]; c <= space_.maximum[k]; ++c) {
        const double total = partialMass + c * mass;
        if (total > maxMass_) break;
        path[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(c);
        // A count of 0 adds nothing: the walk has judged that mass at the
        // element before, so it is never recorded here.
        if (c > 0) Append(k, total, path);
        if (deeper) Fill(k + 1, total, path);
    }
    path[static_cast<std::size_t>(k)] = 0;
}

void CompletionTable::Append(int depth, double mass,
                             const std::array<std::uint16_t, kMaxSearchElements>& path) {
    masses_.push_back(mass);
    depths_.push_back(static_cast<std::uint8_t>(depth));
    counts_.insert(counts_.end(), path.begin() + first_, path.begin() + first_ + width_);
}

void CompletionTable::MarkOccupiedCells() {
    std::size_t cells = 64;
    while (cells < kCellsPerEntry * masses_.size() && cells < kMaxCells) cells *= 2;
    occupied_.assign(cells / 64, 0);
    inverseCellWidth_ = static_cast<double>(cells) / std::max(maxMass_, 1.0);
    for (const double mass : masses_) {
        const std::size_t cell = CellOf(mass);
        occupied_[cell / 64] |= std::uint64_t{1} << (cell % 64);
    }
}

// A counting sort into buckets of equal mass width, numbers ascending
// within a bucket, with the masses copied in that order for the lookup.
void CompletionTable::IndexByMass() {
    // About eight entries a bucket: the bucket starts stay small enough
    // for the processor's cache, and a lookup reads one line of masses.
    bucketCount_ = std::max<std::size_t>(1, masses_.size() / kEntriesPerBucket);
    inverseWidth_ = static_cast<double>(bucketCount_) / std::max(maxMass_, 1.0);
    std::vector<std::uint32_t> bucket(masses_.size());
    bucketStart_.assign(bucketCount_ + 1, 0);
    for (std::size_t entry = 0; entry < masses_.size(); ++entry) {
        bucket[entry] = static_cast<std::uint32_t>(BucketOf(masses_[entry]));
        ++bucketStart_[bucket[entry] + 1];
    }
    for (std::size_t b = 0; b < bucketCount_; ++b) bucketStart_[b + 1] += bucketStart_[b];
    byMass_.resize(masses_.size());
    sortedMasses_.resize(masses_.size());
    std::vector<std::uint32_t> next(bucketStart_.begin(), bucketStart_.end() - 1);
    for (std::uint32_t entry = 0; entry < masses_.size(); ++entry) {
        const std::uint32_t at = next[bucket[entry]]++;
        byMass_[at] = entry;
        sortedMasses_[at] = masses_[entry];
    }
    masses_ = {};
}

// Entries of a table from element first on: over each depth, the count
// combinations of the box of useful ranges, or fewer where the mass limit
// cuts the box to about a simplex: with d elements, the points of
// c1 x m1 + ... + cd x md <= M number about the product of (M / mj + d),
// divided by d!.
double TableEntries(const SearchSpace& space, int first) {
    const double highMass = static_cast<double>(space.highMass);
    double entries = 0.0;
    double box = 1.0;
    double simplex = 1.0;
    for (int k = first; k < space.elementCount; ++k) {
        const double depth = k - first + 1;
        box *= UsefulRange(space, k);
        simplex *= (std::max(0.0, highMass) / space.approxMass[k] + depth) / depth;
        entries += std::min(box, simplex);
    }
    return entries;
}

SearchPlan PlanFor(const SearchSpace& space, std::size_t limit, int tableStart) {
    if (tableStart >= 0 && tableStart < space.elementCount)
        return {tableStart, TableEntries(space, tableStart)};
    return ChooseTableStart(space, limit);
}

}  // namespace tarnevo::core::search
