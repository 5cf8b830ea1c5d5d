// Which integers are sums of given positive integers (each used any number of
// times): the question a mass decomposer asks with masses on an integer grid.
// The formula search asks it of the elements it has not yet counted, with
// masses in units of 0.000005 u, to skip every partial formula that no choice
// of the remaining counts can bring into the window.
//
// An extended residue table answers it in one lookup. With a the modulus, one
// of the integers, and for each residue r modulo a, n(r) the smallest sum
// congruent to r: N is a sum exactly when N >= n(N mod a), because adding a
// keeps a sum a sum. Example with 3 and 5 (modulus 3): n(0) = 0, n(1) = 10,
// n(2) = 5; so 7 (residue 1, below 10) is no sum, 8 (residue 2, 8 >= 5) is.
// The table is built by the round-robin algorithm of Boecker and Liptak: each
// added integer b walks the residues in cycles of step b mod a, relaxing
// n(r + b) with n(r) + b, in time proportional to a.
#pragma once

#include <cstdint>
#include <vector>

namespace tarnevo::core {

class ResidueTable {
public:
    // The table of the sums of modulus alone (the multiples of it); modulus
    // at least 1.
    explicit ResidueTable(std::int64_t modulus);

    // The table of the sums of this set and value (1 or more) together.
    ResidueTable WithAdded(std::int64_t value) const;

    // Whether some sum lies in [from, to]. Negative integers are no sums.
    bool AnySumBetween(std::int64_t from, std::int64_t to) const;

    std::int64_t Modulus() const { return modulus_; }

private:
    // Quotients are kept per residue: n(r) = r + quotient(r) x modulus.
    static constexpr std::uint32_t kNoSum = UINT32_MAX;

    void Add(std::int64_t value);
    // The residue of the smallest sum among those congruent to p modulo step.
    std::int64_t SmallestInClass(std::int64_t p, std::int64_t step) const;

    // Whether some residue of [first, last] has a quotient at most limit.
    bool AnyQuotientAtMost(std::int64_t first, std::int64_t last, std::int64_t limit) const;
    std::uint32_t MinimumQuotient(std::size_t first, std::size_t last) const;
    void IndexMinima();

    std::int64_t modulus_ = 1;
    std::vector<std::uint32_t> quotient_;
    // Minima of blocks of residues, and of runs of 2^level blocks, so that a
    // wide range of residues costs a few reads.
    std::vector<std::vector<std::uint32_t>> blockMinima_;
};

}  // namespace tarnevo::core
