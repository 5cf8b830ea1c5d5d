// Pins the one thing the compact listing behind tarnevo-cli formulas --all
// could lose that the whole-command tests would not show: counts up to the
// largest the search handles must survive their 16-bit slots, with the rows
// past the search's elements read back as 0 and an indeterminate electron
// class kept negative. (Its order is pinned, ties included, by the JSON test
// against core::SortByMz; its ceiling by the refusal test.)
#include <gtest/gtest.h>

#include "cli/formula_listing.h"
#include "core/formula_search.h"

namespace tarnevo::testing {
namespace {

TEST(FormulaListing, KeepsCountsUpToTheSearchsLargestAndRowsBeyondTheElementsZero) {
    cli::FormulaListing listing(2, 10);
    core::FoundFormula largest;
    largest.counts = {core::kMaxSearchCount, 1, 7, 7, 7, 7, 7, 7};  // rows 3-8 are not the search's
    largest.mz = 1234.5;
    largest.electronClass = core::kIndeterminateElectrons;
    ASSERT_TRUE(listing.Add(largest));
    listing.SortByMz();
    const core::FoundFormula listed = listing.At(0);
    EXPECT_EQ(listed.counts, (core::AtomCounts{core::kMaxSearchCount, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(listed.mz, 1234.5);
    EXPECT_EQ(listed.electronClass, core::kIndeterminateElectrons);
}

}  // namespace
}  // namespace tarnevo::testing
