// Pins the extended residue table and the completion filter built on it
// against brute force. Which integers up to 1500 are sums of a few small
// integers is marked by the obvious dynamic programme (N is a sum when N - b
// is, for some b of the set), which shares nothing with the round-robin
// construction; every range question is answered by scanning those marks.
// The filter is checked the same way on formulae of up to three elements
// with counts small enough to list every combination, masses off its grid
// (any double from 1 to 40 u) included, so that "cannot" is never said where
// a formula's mass lies in the window. Fixed seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/formula_completion_filter.h"
#include "core/formula_residues.h"

namespace tarnevo::testing {
namespace {

using core::CompletionFilter;
using core::FilterElement;
using core::ResidueTable;

constexpr int kLargestSum = 1500;

std::vector<bool> SumsByBruteForce(const std::vector<std::int64_t>& values) {
    std::vector<bool> sum(kLargestSum + 1, false);
    sum[0] = true;
    for (int n = 1; n <= kLargestSum; ++n) {
        for (const std::int64_t b : values) {
            if (n >= b && sum[static_cast<std::size_t>(n - b)]) sum[static_cast<std::size_t>(n)] = true;
        }
    }
    return sum;
}

class ResidueTableAgainstBruteForce : public ::testing::TestWithParam<unsigned> {};

TEST_P(ResidueTableAgainstBruteForce, AnswersEveryRangeAsTheMarksDo) {
    std::mt19937 rng(GetParam());
    auto uniform = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    for (int trial = 0; trial < 200; ++trial) {
        // One to four integers from 1 to 90; the modulus is the smallest, as
        // it must be one of the set. Common factors (6, 9, 15) leave whole
        // residue classes without sums.
        std::vector<std::int64_t> values(static_cast<std::size_t>(uniform(1, 4)));
        for (std::int64_t& value : values) value = uniform(0, 2) == 0 ? 3 * uniform(1, 30) : uniform(1, 90);
        ResidueTable table(*std::min_element(values.begin(), values.end()));
        for (const std::int64_t value : values) table = table.WithAdded(value);
        const std::vector<bool> sum = SumsByBruteForce(values);
        for (int question = 0; question < 300; ++question) {
            // Ranges from empty and single integers to several moduli wide,
            // some reaching below zero.
            const int from = uniform(-30, kLargestSum - 1);
            const int to =
                std::min(kLargestSum, from + (uniform(0, 3) == 0 ? uniform(0, 400) : uniform(-1, 6)));
            bool expected = false;
            for (int n = std::max(0, from); n <= to; ++n)
                expected = expected || sum[static_cast<std::size_t>(n)];
            ASSERT_EQ(table.AnySumBetween(from, to), expected)
                << "trial " << trial << " range " << from << ".." << to << " modulus " << table.Modulus();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ResidueTableAgainstBruteForce, ::testing::Values(1u, 2u, 3u));

TEST(ResidueTable, ThreeAndFive) {
    // Sums of 3 and 5: 0, 3, 5, 6, 8, 9, 10 and everything after; 7 is none.
    const ResidueTable table = ResidueTable(3).WithAdded(5);
    EXPECT_TRUE(table.AnySumBetween(0, 0));
    EXPECT_FALSE(table.AnySumBetween(1, 2));
    EXPECT_FALSE(table.AnySumBetween(7, 7));
    EXPECT_TRUE(table.AnySumBetween(7, 8));
    EXPECT_FALSE(table.AnySumBetween(-5, -1));
    EXPECT_TRUE(table.AnySumBetween(1000001, 1000001));
}

class FilterAgainstEveryFormula : public ::testing::TestWithParam<unsigned> {};

TEST_P(FilterAgainstEveryFormula, NeverRulesOutAFormulaInTheWindow) {
    std::mt19937 rng(GetParam());
    auto real = [&rng](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng);
    };
    auto uniform = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<FilterElement> elements(static_cast<std::size_t>(uniform(1, 3)));
        for (FilterElement& element : elements) {
            // Half on the grid (five decimals), half anywhere; the tables'
            // modulus is the smallest mass, kept below 2 u (400000 entries).
            const double largest = &element == &elements.front() ? 2.0 : 40.0;
            element.mass = uniform(0, 1) == 0 ? uniform(100000, static_cast<int>(largest * 100000)) / 100000.0
                                              : real(1.0, largest);
            element.minimum = uniform(0, 2);
            element.maximum = element.minimum + uniform(0, 12);
        }
        // A window around the mass of one combination, often of zero width.
        std::vector<int> counts(elements.size());
        long double mass = 0.0L;
        for (std::size_t j = 0; j < elements.size(); ++j) {
            counts[j] = uniform(elements[j].minimum, elements[j].maximum);
            mass += static_cast<long double>(counts[j]) * elements[j].mass;
        }
        const long double half = uniform(0, 1) == 0 ? 0.0L : static_cast<long double>(real(0.0, 0.01));
        const CompletionFilter filter(elements, mass - half, mass + half, 0,
                                      static_cast<int>(elements.size()) - 1);
        // Every prefix of that combination has the rest as a completion.
        std::int64_t prefixUnits = 0;
        for (std::size_t depth = 0; depth < elements.size(); ++depth) {
            ASSERT_TRUE(filter.MayComplete(static_cast<int>(depth), prefixUnits)) << "trial " << trial;
            prefixUnits += counts[depth] * core::GridUnits(elements[depth].mass, core::FilterGrid(elements));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, FilterAgainstEveryFormula, ::testing::Values(1u, 2u));

TEST(CompletionFilter, RulesOutAWindowOffTheGrid) {
    // C and H at charge 1: an ion mass of 200.000548579909 u (m/z 200, zero
    // width) is 40000109.72 grid units of 0.000005 u, off any integer, while
    // every formula of C (2400000 units) and H (201565) is an integer.
    const std::vector<FilterElement> elements = {{12.0, 0, 16}, {1.007825, 0, 198}};
    const long double ion = 200.0L + 0.000548579909L;
    EXPECT_FALSE(CompletionFilter(elements, ion, ion, 0, 1).MayComplete(0, 0));
    // C6H127 is 199.993775 u: in a window of +-0.00001 around it, found at
    // every depth of its walk, while C7 leaves no H count to reach it.
    const long double c6h127 = 72.0L + 127.0L * 1.007825L;
    const CompletionFilter filter(elements, c6h127 - 0.00001L, c6h127 + 0.00001L, 0, 1);
    EXPECT_TRUE(filter.MayComplete(0, 0));
    EXPECT_TRUE(filter.MayComplete(1, 6 * core::GridUnits(12.0, core::FilterGrid(elements))));
    EXPECT_FALSE(filter.MayComplete(1, 7 * core::GridUnits(12.0, core::FilterGrid(elements))));
}

// The grid follows the masses typed: deuterium as Jx (2.014102 u, six
// decimals) is 402820.4 units of 0.000005 u but 2014102 of 0.000001 u, where
// hydrogen is 1007825 too; a Jx of ten decimals lies on no affordable grid
// and falls back to the coarse one with its remainder.
struct GridCase {
    const char* name;
    std::vector<double> masses;
    long double unitsPerU;
};

void PrintTo(const GridCase& gridCase, std::ostream* out) { *out << gridCase.name; }

class GridOfMasses : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridOfMasses, IsTheCoarsestOnWhichEveryMassLies) {
    std::vector<FilterElement> elements;
    for (const double mass : GetParam().masses) elements.push_back({mass, 0, 10});
    EXPECT_EQ(core::FilterGrid(elements), GetParam().unitsPerU);
}

INSTANTIATE_TEST_SUITE_P(
    Masses, GridOfMasses,
    ::testing::Values(GridCase{"Natural", {12.0, 1.007825, 14.00307, 15.99491}, 200000.0L},
                      GridCase{"Deuterium", {12.0, 1.007825, 2.014102}, 1000000.0L},
                      GridCase{"DeuteriumWithoutHydrogen", {12.0, 2.014102}, 1000000.0L},
                      GridCase{"SevenDecimals", {12.0, 1.007825, 2.0141015}, 2000000.0L},
                      GridCase{"TenDecimals", {12.0, 1.007825, 2.0141017778}, 200000.0L}));

}  // namespace
}  // namespace tarnevo::testing
