// Pins that the fast formula search returns exactly what the literal walk of
// the definition returns: the same formulae with the same counts, the same m/z
// to the last bit, the same electron classes, in the same order of discovery,
// both the first 200 and every one; and the same order after sorting by m/z.
// The literal walk (literal_formula_walk.h) sums each partial formula afresh
// and steps every loop count by count, so agreement over thousands of random
// queries (fixed seeds), for every split between the elements it walks and
// the elements it tabulates, with one to eight elements, repeated elements, Jx of
// any mass and valence, minima above 0, charges -10..10, tolerances from 0 to
// 0.5, windows whose ends fall exactly on a formula's m/z, and queries with
// none, some and more than 200 matches, is evidence for the skipping and the
// table lookups of the fast search. One query in twelve is sparse: m/z 1000 to
// 5000 with narrow count ranges far from 0 and windows of zero width or a few
// 0.000001 u, where the completion filter rules out nearly every partial
// formula; every split is run with the filter from the first step, so that
// its "cannot" is checked everywhere, on masses on its grid and off it (Jx).
// The test counts how many queries of each kind it made, so that a change of
// generator cannot quietly lose a kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/element_table.h"
#include "core/formula_search.h"
#include "output/calculation_state.h"
#include "tests/formulae/literal_formula_walk.h"

namespace tarnevo::testing {
namespace {

using core::FormulaQuery;
using core::FoundFormula;
using core::SearchElement;

constexpr std::size_t kCapacity = output::kMaxFormulae;

std::string Describe(const FormulaQuery& query) {
    std::ostringstream text;
    text.precision(17);
    text << "target " << query.target << " tol " << query.tolerance << " charge " << query.charge << ":";
    for (const SearchElement& element : query.elements) {
        text << " [" << element.mass << " " << element.minimum << "-" << element.maximum << " v"
             << element.valence << "]";
    }
    return text.str();
}

void ExpectSame(const std::vector<FoundFormula>& fast, const std::vector<FoundFormula>& literal) {
    ASSERT_EQ(fast.size(), literal.size());
    for (std::size_t i = 0; i < fast.size(); ++i) {
        EXPECT_EQ(fast[i].counts, literal[i].counts) << "formula " << i;
        EXPECT_EQ(fast[i].mz, literal[i].mz) << "formula " << i;
        EXPECT_EQ(fast[i].electronClass, literal[i].electronClass) << "formula " << i;
    }
}

// The extended m/z of the given counts, summed as the walk sums it.
long double LiteralMz(const FormulaQuery& query, const core::AtomCounts& counts) {
    long double mass = 0.0L;
    for (std::size_t k = 0; k < query.elements.size(); ++k) {
        mass = mass + static_cast<long double>(counts[k]) * static_cast<long double>(query.elements[k].mass);
    }
    const long double z = query.charge;
    return (mass - z * static_cast<long double>(core::electronMass)) / std::fabs(z);
}

class QueryMaker {
public:
    explicit QueryMaker(unsigned seed) : rng_(seed) {}

    FormulaQuery Make() {
        // One query in six is crowded: four to eight of C, H, N, O at charge
        // +-1 in a wide window, where the 200 are usually exceeded; one in
        // twelve is sparse.
        const int kind = Uniform(0, 11);
        crowded_ = kind < 2;
        sparse_ = kind == 2;
        if (sparse_) return MakeSparse();
        const bool crowded = crowded_;
        FormulaQuery query;
        const int elements = crowded ? Uniform(4, 8) : Uniform(1, 8);
        // Keeps the literal walk affordable: at most about 2e5 count combinations
        // (3e6 for crowded queries, whose walk leaves most loops early).
        const double combinations = crowded ? 3.0e6 : 2.0e5;
        const int span = std::min(1000, static_cast<int>(std::pow(combinations, 1.0 / elements)));
        for (int k = 0; k < elements; ++k) query.elements.push_back(MakeElement(span, crowded));
        do {
            query.charge = crowded ? Uniform(-1, 1) : Uniform(-10, 10);
        } while (query.charge == 0);
        PlaceWindow(query);
        if (crowded) query.tolerance = 0.5;
        return query;
    }

    // Whether the last query was a crowded (sparse) one.
    bool Crowded() const { return crowded_; }
    bool Sparse() const { return sparse_; }

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    double Real(double low, double high) { return std::uniform_real_distribution<double>(low, high)(rng_); }

private:
    // Two to four elements whose count ranges (a product of at most 2e5
    // combinations) lie around a random formula of m/z 1000 to 5000 at charge
    // 1 to 3, and a window of zero width, 1e-7 or 0.000005 around a formula of
    // those ranges (or with its low or high end exactly on it).
    FormulaQuery MakeSparse() {
        FormulaQuery query;
        const int elements = Uniform(2, 4);
        const int span = static_cast<int>(std::pow(2.0e5, 1.0 / elements)) - 1;
        const double mass = Real(1000.0, 5000.0);
        query.charge = Uniform(1, 3) * (Uniform(0, 3) == 0 ? -1 : 1);
        // One row is hydrogen, so that the filter's tables (as many entries as
        // the lightest grid mass, H 201565) are quick to build.
        const int hydrogenRow = Uniform(0, elements - 1);
        for (int k = 0; k < elements; ++k) {
            SearchElement element = MakeElement(span, false);
            if (k == hydrogenRow) element = {1.007825, 0, 0, 1};
            const int centre = Uniform(0, static_cast<int>(mass / elements / element.mass));
            element.minimum = std::max(0, centre - span / 2);
            element.maximum = element.minimum + span;
            query.elements.push_back(element);
        }
        PlaceWindow(query);
        static const std::vector<double> kNarrow = {0.0, 1e-7, 0.000005};
        if (Uniform(0, 2) != 0) query.tolerance = kNarrow[static_cast<std::size_t>(Uniform(0, 2))];
        return query;
    }

    SearchElement MakeElement(int span, bool crowded) {
        // C H N O S P Cl Na Fe Mn Br Si K, and Jx (index 84) with a mass of its own.
        static const std::vector<int> kPool = {10, 27, 44, 49, 59, 52, 15, 45, 23, 41, 7, 66, 35, 84};
        static const core::ElementTable kTable;
        const int index =
            kPool[static_cast<std::size_t>(Uniform(0, crowded ? 3 : static_cast<int>(kPool.size()) - 1))];
        SearchElement element;
        if (index == core::kFirstUserElement) {
            // Half typed to six decimals, as deuterium's 2.014102, on the
            // filter's finer grid; half with every digit a double holds.
            element.mass = Real(1.0, 300.0);
            if (Uniform(0, 1) == 0) element.mass = std::round(element.mass * 1.0e6) / 1.0e6;
            element.valence = Uniform(-1, 20);
        } else {
            element.mass = kTable[index].lightMass;
            element.valence = kTable[index].valenceElectrons;
        }
        element.minimum = Uniform(0, 9) < 7 ? 0 : Uniform(0, 4);
        element.maximum = element.minimum + Uniform(0, span);
        return element;
    }

    // The target near the m/z of a random formula of the query's elements, or
    // anywhere; a tolerance from 0 to 0.5; in one case of five the window's
    // low or high end exactly on that formula's extended m/z: the target is
    // that m/z rounded to double (or the next double on the other side), and
    // the tolerance their difference, which spans at most the 12 low bits of
    // the extended mantissa and so is exact.
    void PlaceWindow(FormulaQuery& query) {
        static const std::vector<double> kTolerances = {0.0, 1e-7, 1e-4, 0.001, 0.01, 0.05, 0.2, 0.5};
        core::AtomCounts counts{};
        for (std::size_t k = 0; k < query.elements.size(); ++k) {
            counts[k] = Uniform(query.elements[k].minimum, query.elements[k].maximum);
        }
        const long double mz = LiteralMz(query, counts);
        const int mode = Uniform(0, 9);
        if (mode < 2) {
            query.target = static_cast<double>(mz);
            // The other side of the m/z, so that both ends are met.
            if (mode == 1) {
                const bool above = static_cast<long double>(query.target) > mz;
                query.target = std::nextafter(query.target, above ? 0.0 : 1.0e9);
            }
            const long double difference = static_cast<long double>(query.target) - mz;
            query.tolerance = static_cast<double>(std::fabs(difference));
            return;
        }
        query.tolerance =
            kTolerances[static_cast<std::size_t>(Uniform(0, static_cast<int>(kTolerances.size()) - 1))];
        if (mode == 2) {
            query.target = Real(2.0, std::max(3.0, static_cast<double>(mz) * 2.0));
        } else {
            query.target = static_cast<double>(mz) + Real(-1.0, 1.0) * query.tolerance;
        }
    }

    std::mt19937 rng_;
    bool crowded_ = false;
    bool sparse_ = false;
};

struct Tally {
    int sparse = 0;
    int none = 0;
    int some = 0;
    int overflow = 0;
    int exactEnd = 0;
};

// everySplit: also with each element as the first tabulated one (kept to the
// smaller queries, where tabulating all elements stays cheap), and with the
// filter too where filterEverySplit (its tables take milliseconds to build).
void CompareOne(const FormulaQuery& query, bool everySplit, bool filterEverySplit, Tally& tally) {
    SCOPED_TRACE(Describe(query));
    LiteralFormulaWalk literalCapped(query, kCapacity);
    std::vector<FoundFormula> expected = literalCapped.Run();
    std::vector<FoundFormula> found = core::SearchFormulae(query, kCapacity);
    ExpectSame(found, expected);

    LiteralFormulaWalk literalAll(query, core::kUncapped);
    std::vector<FoundFormula> expectedAll = literalAll.Run();
    std::vector<FoundFormula> foundAll = core::SearchFormulae(query, core::kUncapped);
    ExpectSame(foundAll, expectedAll);

    // Every split between walked and tabulated elements gives the same
    // without the completion filter, and with it asked from the first step
    // (whose tables cost a few milliseconds to build, so only where asked).
    for (int start = 0; everySplit && start < static_cast<int>(query.elements.size()); ++start) {
        SCOPED_TRACE("table from element " + std::to_string(start));
        ExpectSame(core::SearchFormulae(query, kCapacity, start, core::CompletionFiltering::Never), expected);
        ExpectSame(core::SearchFormulae(query, core::kUncapped, start, core::CompletionFiltering::Never),
                   expectedAll);
        if (filterEverySplit) {
            ExpectSame(core::SearchFormulae(query, core::kUncapped, start, core::CompletionFiltering::Always),
                       expectedAll);
        }
    }

    core::SortByMz(found);
    InsertionSortByMz(expected);
    ExpectSame(found, expected);

    if (expectedAll.empty()) ++tally.none;
    if (!expectedAll.empty() && expectedAll.size() <= kCapacity) ++tally.some;
    if (expectedAll.size() > kCapacity) ++tally.overflow;
    const core::MzWindow window = core::SearchWindow(query.target, query.tolerance);
    for (const FoundFormula& formula : expectedAll) {
        const long double mz = LiteralMz(query, formula.counts);
        if (mz == window.low || mz == window.high) {
            ++tally.exactEnd;
            break;
        }
    }
}

class FormulaSearchEquivalence : public ::testing::TestWithParam<unsigned> {};

TEST_P(FormulaSearchEquivalence, FastSearchReturnsWhatTheLiteralWalkRecords) {
    QueryMaker maker(GetParam());
    Tally tally;
    for (int i = 0; i < 600; ++i) {
        const FormulaQuery query = maker.Make();
        if (maker.Sparse()) ++tally.sparse;
        CompareOne(query, !maker.Crowded(), maker.Sparse(), tally);
        if (HasFatalFailure() || HasNonfatalFailure()) return;
    }
    EXPECT_GT(tally.sparse, 30);
    EXPECT_GT(tally.none, 30);
    EXPECT_GT(tally.some, 30);
    EXPECT_GT(tally.overflow, 10);
    EXPECT_GT(tally.exactEnd, 10);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FormulaSearchEquivalence, ::testing::Values(1u, 2u, 3u, 4u, 5u));

}  // namespace
}  // namespace tarnevo::testing
