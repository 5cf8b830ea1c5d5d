#include "core/formula_residues.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace tarnevo::core {

namespace {

constexpr std::size_t kBlock = 64;

}  // namespace

ResidueTable::ResidueTable(std::int64_t modulus)
    : modulus_(std::max<std::int64_t>(1, modulus)), quotient_(static_cast<std::size_t>(modulus_), kNoSum) {
    quotient_[0] = 0;
    IndexMinima();
}

ResidueTable ResidueTable::WithAdded(std::int64_t value) const {
    ResidueTable table = *this;
    table.Add(value);
    table.IndexMinima();
    return table;
}

void ResidueTable::Add(std::int64_t value) {
    const std::int64_t a = modulus_;
    const std::int64_t b = std::max<std::int64_t>(1, value);
    const std::int64_t cycles = std::gcd(a, b);
    const std::int64_t cycleLength = a / cycles;
    const std::int64_t residueStep = b % a;
    const std::int64_t quotientStep = b / a;
    for (std::int64_t p = 0; p < cycles; ++p) {
        // The cycle p, p + b, p + 2b, ... (mod a) visits the residues congruent
        // to p modulo gcd(a, b). Starting at its smallest sum, one turn relaxes
        // every residue: the sum carried along never needs a second turn. The
        // sum is carried as its residue r and quotient q (sum = r + q x a).
        std::int64_t r = SmallestInClass(p, cycles);
        if (quotient_[static_cast<std::size_t>(r)] == kNoSum) continue;
        std::int64_t q = quotient_[static_cast<std::size_t>(r)];
        for (std::int64_t step = 1; step < cycleLength; ++step) {
            q += quotientStep;
            r += residueStep;
            if (r >= a) {
                r -= a;
                ++q;
            }
            std::uint32_t& kept = quotient_[static_cast<std::size_t>(r)];
            if (kept <= q) {
                q = kept;
            } else {
                // A quotient too large to keep is stored smaller, which only
                // makes the table answer "some sum" more often: never wrong
                // for a filter.
                kept = static_cast<std::uint32_t>(std::min<std::int64_t>(q, kNoSum - 1));
            }
        }
    }
}

std::int64_t ResidueTable::SmallestInClass(std::int64_t p, std::int64_t step) const {
    std::int64_t best = p;
    for (std::int64_t r = p + step; r < modulus_; r += step) {
        // Of two sums, the one of smaller quotient is smaller; of equal
        // quotients, the one of smaller residue, which comes first here.
        if (quotient_[static_cast<std::size_t>(r)] < quotient_[static_cast<std::size_t>(best)]) best = r;
    }
    return best;
}

bool ResidueTable::AnySumBetween(std::int64_t from, std::int64_t to) const {
    if (to < 0) return false;
    from = std::max<std::int64_t>(0, from);
    if (from > to) return false;
    const std::int64_t a = modulus_;
    const std::int64_t fromQuotient = from / a;
    const std::int64_t fromResidue = from % a;
    const std::int64_t toQuotient = to / a;
    const std::int64_t toResidue = to % a;
    // For each residue the largest integer of the range with it is the one to
    // test, since every larger integer of a residue class with a sum is one.
    if (fromQuotient == toQuotient) return AnyQuotientAtMost(fromResidue, toResidue, fromQuotient);
    if (AnyQuotientAtMost(0, toResidue, toQuotient)) return true;
    if (toQuotient - 1 > fromQuotient) return AnyQuotientAtMost(toResidue + 1, a - 1, toQuotient - 1);
    return AnyQuotientAtMost(std::max(toResidue + 1, fromResidue), a - 1, fromQuotient);
}

bool ResidueTable::AnyQuotientAtMost(std::int64_t first, std::int64_t last, std::int64_t limit) const {
    if (first > last) return false;
    const std::uint32_t minimum =
        MinimumQuotient(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
    return minimum != kNoSum && static_cast<std::int64_t>(minimum) <= limit;
}

std::uint32_t ResidueTable::MinimumQuotient(std::size_t first, std::size_t last) const {
    const std::size_t firstBlock = first / kBlock;
    const std::size_t lastBlock = last / kBlock;
    auto scan = [this](std::size_t from, std::size_t to) {
        std::uint32_t minimum = kNoSum;
        for (std::size_t r = from; r <= to; ++r) minimum = std::min(minimum, quotient_[r]);
        return minimum;
    };
    if (lastBlock - firstBlock <= 1) return scan(first, last);
    std::uint32_t minimum =
        std::min(scan(first, firstBlock * kBlock + kBlock - 1), scan(lastBlock * kBlock, last));
    // Blocks firstBlock + 1 .. lastBlock - 1: two overlapping runs of 2^level blocks.
    const std::size_t from = firstBlock + 1;
    const std::size_t count = lastBlock - from;
    const auto level = static_cast<std::size_t>(std::bit_width(count) - 1);
    const std::vector<std::uint32_t>& runs = blockMinima_[level];
    minimum = std::min(minimum, runs[from]);
    return std::min(minimum, runs[lastBlock - (std::size_t{1} << level)]);
}

void ResidueTable::IndexMinima() {
    const std::size_t blocks = (quotient_.size() + kBlock - 1) / kBlock;
    blockMinima_.assign(1, std::vector<std::uint32_t>(blocks, kNoSum));
    for (std::size_t r = 0; r < quotient_.size(); ++r)
        blockMinima_[0][r / kBlock] = std::min(blockMinima_[0][r / kBlock], quotient_[r]);
    for (std::size_t width = 2; width <= blocks; width *= 2) {
        const std::vector<std::uint32_t>& below = blockMinima_.back();
        std::vector<std::uint32_t> runs(blocks - width + 1);
        for (std::size_t i = 0; i < runs.size(); ++i) runs[i] = std::min(below[i], below[i + width / 2]);
        blockMinima_.push_back(std::move(runs));
    }
}

}  // namespace tarnevo::core
