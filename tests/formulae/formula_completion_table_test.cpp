// Pins the formula search's completion table (core/formula_completion_table.h) on
// its own, against a brute-force list of every completion: each vector of counts of
// the tabulated elements, later counts 0 and the last one at least 1, whose mass
// (summed in row order in double, as the table defines it) stays within the
// window's high end. A lookup must return exactly the completions whose mass lies
// in its bounds, and the table's numbers must follow the walk's order, which for
// such vectors is the lexicographic order of the counts. The cost model's plan
// must honour a table start it is given and keep a chosen table within its bound,
// and the search space must turn the m/z window into the masses whose ions it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "core/formula_completion_table.h"
#include "core/formula_search.h"
#include "core/formula_search_space.h"
#include "core/ion_mz.h"

namespace tarnevo::testing {
namespace {

using core::FormulaQuery;
using core::SearchElement;
using core::search::CompletionTable;
using core::search::SearchSpace;

using Counts = std::vector<int>;  // counts of the tabulated elements

constexpr double kC = 12.0;
constexpr double kH = 1.00782503207;
constexpr double kN = 14.0030740048;
constexpr double kO = 15.99491461956;
constexpr double kS = 31.97207100;

// Every completion of elements first .. n-1 by brute force, with its mass.
void ListCompletions(const SearchSpace& space, int first, int k, double mass, Counts& counts,
                     std::map<Counts, double>& completions) {
    const double maxMass = static_cast<double>(space.highMass + space.slack);
    for (int c = space.minimum[k]; c <= space.maximum[k]; ++c) {
        const double total = mass + c * static_cast<double>(space.mass[k]);
        if (total > maxMass) break;
        counts[static_cast<std::size_t>(k - first)] = c;
        if (c > 0) completions[counts] = total;
        if (k + 1 < space.elementCount) ListCompletions(space, first, k + 1, total, counts, completions);
    }
    counts[static_cast<std::size_t>(k - first)] = 0;
}

Counts CountsOf(const CompletionTable& table, std::uint32_t entry, int first, int elementCount) {
    Counts counts(static_cast<std::size_t>(elementCount - first), 0);
    for (int k = first; k <= table.Depth(entry); ++k)
        counts[static_cast<std::size_t>(k - first)] = table.Count(entry, k);
    return counts;
}

struct TableCase {
    FormulaQuery query;
    int first;
};

class CompletionTableLookup : public ::testing::TestWithParam<int> {};

TEST_P(CompletionTableLookup, FindsExactlyTheCompletionsInTheBoundsInTheWalksOrder) {
    const std::vector<TableCase> cases = {
        {{300.0, 0.5, 1, {{kC, 0, 30, 4}, {kH, 0, 60, 1}, {kN, 0, 6, 3}, {kO, 0, 8, 2}}}, 1},
        {{300.0, 0.5, 1, {{kC, 0, 30, 4}, {kH, 0, 60, 1}, {kN, 0, 6, 3}, {kO, 0, 8, 2}}}, 2},
        {{450.0, 0.01, -2, {{kC, 2, 40, 4}, {kH, 3, 80, 1}, {kO, 1, 10, 2}, {kS, 0, 3, 2}}}, 1},
    };
    const TableCase& c = cases[static_cast<std::size_t>(GetParam())];
    const SearchSpace space = core::search::MakeSearchSpace(c.query);
    std::map<Counts, double> completions;
    Counts scratch(static_cast<std::size_t>(space.elementCount - c.first), 0);
    ListCompletions(space, c.first, c.first, 0.0, scratch, completions);
    const CompletionTable table(space, c.first, static_cast<double>(completions.size()));

    std::mt19937 random(20261207);
    const double top = static_cast<double>(space.highMass) + 5.0;
    std::uniform_real_distribution<double> low(-5.0, top);
    std::uniform_real_distribution<double> width(0.0, 3.0);
    for (int lookup = 0; lookup < 400; ++lookup) {
        const double from = low(random);
        const double to = from + (lookup % 4 == 0 ? 0.0 : width(random));
        std::vector<std::uint32_t> found;
        table.ForEachNear(from, to, [&found](std::uint32_t entry) { found.push_back(entry); });
        std::sort(found.begin(), found.end());
        std::vector<Counts> foundCounts;
        foundCounts.reserve(found.size());
        for (const std::uint32_t entry : found)
            foundCounts.push_back(CountsOf(table, entry, c.first, space.elementCount));
        std::vector<Counts> expected;  // map order: lexicographic, the walk's order
        for (const auto& [counts, mass] : completions) {
            if (mass >= from && mass <= to) expected.push_back(counts);
        }
        ASSERT_EQ(foundCounts, expected) << "bounds " << from << " .. " << to;
    }
}

INSTANTIATE_TEST_SUITE_P(Queries, CompletionTableLookup, ::testing::Values(0, 1, 2));

TEST(CompletionTable, EveryCompletionIsFoundAtItsOwnMass) {
    const FormulaQuery query{250.0, 0.05, 1, {{kC, 0, 20, 4}, {kH, 0, 40, 1}, {kN, 0, 4, 3}, {kO, 0, 6, 2}}};
    const SearchSpace space = core::search::MakeSearchSpace(query);
    std::map<Counts, double> completions;
    Counts scratch(4, 0);
    ListCompletions(space, 0, 0, 0.0, scratch, completions);
    const CompletionTable table(space, 0, 1000.0);
    for (const auto& completion : completions) {
        const Counts& counts = completion.first;
        const double mass = completion.second;
        int hits = 0;
        table.ForEachNear(mass, mass,
                          [&](std::uint32_t entry) { hits += CountsOf(table, entry, 0, 4) == counts; });
        ASSERT_EQ(hits, 1) << "mass " << mass;
    }
}

TEST(SearchPlan, AGivenTableStartIsKeptAndAChosenTableStaysWithinItsBound) {
    // Eight elements up to m/z 2000: tabulating from C would take every formula
    // of the box, far beyond the bound of 2^21 entries.
    const FormulaQuery query{2000.0,
                             0.001,
                             1,
                             {{kC, 0, 160, 4},
                              {kH, 0, 400, 1},
                              {kN, 0, 60, 3},
                              {kO, 0, 80, 2},
                              {kS, 0, 10, 2},
                              {30.97376163, 0, 10, 3},
                              {34.96885268, 0, 10, 1},
                              {18.99840322, 0, 10, 1}}};
    const SearchSpace space = core::search::MakeSearchSpace(query);
    for (int start = 0; start < space.elementCount; ++start) {
        const core::search::SearchPlan plan = core::search::PlanFor(space, core::kUncapped, start);
        EXPECT_EQ(plan.tableStart, start);
        EXPECT_EQ(plan.tableEntries, core::search::TableEntries(space, start));
    }
    EXPECT_GT(core::search::TableEntries(space, 0), 1 << 21);
    for (const std::size_t limit : {core::kUncapped, std::size_t{200}, std::size_t{1}}) {
        const core::search::SearchPlan plan = core::search::PlanFor(space, limit, core::kChooseTableStart);
        EXPECT_LE(plan.tableEntries, 1 << 21) << "limit " << limit;
        EXPECT_EQ(plan.tableEntries, core::search::TableEntries(space, plan.tableStart));
    }
}

TEST(SearchSpace, TheWindowsMassesAreTheNeutralMassesWhoseIonsLieAtItsEnds) {
    // m/z 300 +- 0.5 at -2: neutral masses 2 x 299.5 - 2 electrons and 2 x 300.5 -
    // 2 electrons (an anion carries its extra electrons).
    const FormulaQuery query{300.0, 0.5, -2, {{kC, 0, 30, 4}, {kH, 0, 60, 1}}};
    const SearchSpace space = core::search::MakeSearchSpace(query);
    EXPECT_NEAR(static_cast<double>(space.lowMass), 599.0 - 2 * core::electronMass, 1e-12);
    EXPECT_NEAR(static_cast<double>(space.highMass), 601.0 - 2 * core::electronMass, 1e-12);
    EXPECT_EQ(static_cast<double>(core::IonMz(space.lowMass, -2)), 299.5);
    EXPECT_EQ(static_cast<double>(core::IonMz(space.highMass, -2)), 300.5);
}

}  // namespace
}  // namespace tarnevo::testing
