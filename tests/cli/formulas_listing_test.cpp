// Pins the compact listing behind tarnevo-cli formulas --all against the
// search's own vector of formulae: the same formulae come back, counts up to
// the largest the search handles intact in their 16-bit slots, sorted exactly
// as core::SortByMz sorts (ascending m/z, ties in their order of discovery),
// and nothing is kept beyond the ceiling. Ties are made real by listing the
// same element in two rows, whose swapped counts give the same m/z.
#include <gtest/gtest.h>

#include <vector>

#include "cli/formula_listing.h"
#include "core/formula_search.h"

namespace tarnevo::testing {
namespace {

using core::FoundFormula;

void ExpectSameFormula(const FoundFormula& listed, const FoundFormula& found, std::size_t at) {
    EXPECT_EQ(listed.counts, found.counts) << "at " << at;
    EXPECT_EQ(listed.mz, found.mz) << "at " << at;
    EXPECT_EQ(listed.electronClass, found.electronClass) << "at " << at;
}

TEST(FormulaListing, SortsLikeTheSearchsSortKeepingTiesInOrderOfDiscovery) {
    // C in two rows and H, m/z 150 +- 0.2 at charge 3 (mass 450 +- 0.6): C5 C7
    // H... and C7 C5 H... weigh the same, so ties abound.
    const core::FormulaQuery query{
        150.0, 0.2, 3, {{12.0, 0, 20, 4}, {12.0, 0, 20, 4}, {1.007825, 0, 400, 1}}};
    std::vector<FoundFormula> found = core::SearchFormulae(query, core::kUncapped);
    ASSERT_GT(found.size(), 20u);
    cli::FormulaListing listing(3, found.size());
    for (const FoundFormula& formula : found) ASSERT_TRUE(listing.Add(formula));
    core::SortByMz(found);
    listing.SortByMz();
    ASSERT_EQ(listing.Size(), found.size());
    std::size_t ties = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        ExpectSameFormula(listing.At(i), found[i], i);
        if (i > 0 && found[i].mz == found[i - 1].mz) ++ties;
    }
    EXPECT_GT(ties, 0u);
}

TEST(FormulaListing, KeepsCountsUpToTheSearchsLargestAndRowsBeyondTheElementsZero) {
    cli::FormulaListing listing(2, 10);
    FoundFormula largest;
    largest.counts = {core::kMaxSearchCount, 1};
    largest.mz = 1234.5;
    largest.electronClass = core::kIndeterminateElectrons;
    ASSERT_TRUE(listing.Add(largest));
    const FoundFormula listed = listing.At(0);
    EXPECT_EQ(listed.counts, (core::AtomCounts{core::kMaxSearchCount, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(listed.electronClass, core::kIndeterminateElectrons);
}

TEST(FormulaListing, RefusesFormulaeBeyondItsCeiling) {
    cli::FormulaListing listing(1, 2);
    FoundFormula formula;
    EXPECT_TRUE(listing.Add(formula));
    EXPECT_TRUE(listing.Add(formula));
    EXPECT_FALSE(listing.Add(formula));
    EXPECT_EQ(listing.Size(), 2u);
    cli::FormulaListing none(1, 0);
    EXPECT_FALSE(none.Add(formula));
}

}  // namespace
}  // namespace tarnevo::testing
