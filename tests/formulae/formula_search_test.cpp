// Pins the formula search on cases worked by hand: the C6H127 example, the
// default maximum in extended precision, both window ends included, the first
// element alone ending the walk, zero counts after the recording element even
// above a minimum, the electron classes of Mn, Fe, Jx and the odd negative
// S - z, the 201st formula, and a stable sort. Each expectation is derived in
// its comment from the masses of the element table, not from the program.
// Also the streaming search: a visitor sees what the walk records in its
// order and stops it, and a progress that answers false cancels a search
// that would otherwise run for minutes, with fractions that never fall.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/formula_search.h"
#include "tests/formulae/literal_formula_walk.h"

namespace tarnevo::testing {
namespace {

using core::AtomCounts;
using core::FormulaQuery;
using core::FoundFormula;
using core::SearchElement;

constexpr double kC = 12.0;
constexpr double kH = 1.007825;
constexpr double kFe = 53.93961;
constexpr double kMn = 54.93805;
constexpr double kMe = 0.000548579909;

FormulaQuery Query(double target, double tolerance, int charge, std::vector<SearchElement> elements) {
    return {target, tolerance, charge, std::move(elements)};
}

TEST(FormulaSearch, WorkedExampleFindsOnlyC6H127) {
    // Maxima trunc(200 / 12) = 16 and trunc(200 / 1.007825) = 198. For C k the H
    // counts step by 1.007825 through 199.95 .. 200.05 at most once; only at C6
    // does that step land inside: 72 + 127 x 1.007825 = 199.993775, minus one
    // electron 199.993226. S - z = 6 x 4 + 127 - 1 = 150: even-electron.
    const FormulaQuery query = Query(200.0, 0.05, 1, {{kC, 0, 16, 4}, {kH, 0, 198, 1}});
    const std::vector<FoundFormula> found = core::SearchFormulae(query, 200);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].counts, (AtomCounts{6, 127}));
    EXPECT_NEAR(found[0].mz, 72.0 + 127 * kH - kMe, 1e-9);
    EXPECT_EQ(found[0].electronClass, core::kEvenElectron);
}

TEST(FormulaSearch, DefaultMaximumIsTheTargetOverTheMassInExtendedPrecision) {
    EXPECT_EQ(core::DefaultMaximum(200.0, 1, kC), 16);
    EXPECT_EQ(core::DefaultMaximum(200.0, -1, kH), 198);
    // 11 x 1.007825 = 11.086075 in decimals, but neither number is exact in
    // binary: the extended quotient lies just below 11, the double one rounds to 11.
    EXPECT_EQ(11.086075 / 1.007825, 11.0);
    EXPECT_EQ(core::DefaultMaximum(11.086075, 1, kH), 10);
}

// Regression: a default maximum came from the m/z alone whatever the charge,
// so that at m/z 1998 and charge 2 carbon stopped at trunc(1998 / 12) = 166
// atoms and C333, whose ion weighs 3996 u, was out of reach.
TEST(FormulaSearch, DefaultMaximumOfAMultiplyChargedIonIsTakenFromTheIonMass) {
    EXPECT_EQ(core::DefaultMaximum(1998.0, 2, kC), 333);   // 3996 / 12
    EXPECT_EQ(core::DefaultMaximum(1998.0, -2, kC), 333);  // the sign does not matter
    EXPECT_EQ(core::DefaultMaximum(100.0, 3, kH), 297);    // 300 / 1.007825 = 297.67
    // 3 x 11.086075 / 1.007825 is 33 in decimals and just below it in binary;
    // the three electrons the ion lost (0.0016 u) lift the bound to 33 H.
    EXPECT_EQ(core::DefaultMaximum(11.086075, 3, kH), 33);
    // C333's ion at charge 2 lies at 1998 - 0.000548579909 = 1997.99945142;
    // typed as 1997.99945 it is 1.4e-6 below, and 2 x 1997.99945 / 12 alone is
    // 332.9999: the window's upper edge (tolerance 0.01) and the two electrons
    // keep C333 within reach.
    EXPECT_EQ(core::DefaultMaximum(1997.99945, 2, kC, 0.01), 333);
    EXPECT_EQ(core::DefaultMaximum(1997.99945, 2, kC), 332);  // the electrons alone fall short
    // m/z 10000 at charge 30, 300000 u, is more H than the search counts.
    EXPECT_EQ(core::DefaultMaximum(10000.0, 30, kH), core::kMaxSearchCount);
}

TEST(FormulaSearch, BothWindowEndsAreIncluded) {
    // C2H4 at charge 1: m/z = 24 + 4 x 1.007825 - me in extended precision. With
    // the target the next double above (below) it and the tolerance the exact
    // difference, the window's low (high) end is that m/z itself.
    const FormulaQuery base = Query(0.0, 0.0, 1, {{kC, 2, 2, 4}, {kH, 0, 10, 1}});
    const long double mz = core::IonMz(core::PartialFormulaMass(base, AtomCounts{2, 4}), 1);
    for (const double direction : {1.0e9, 0.0}) {
        FormulaQuery query = base;
        query.target = std::nextafter(static_cast<double>(mz), direction);
        query.tolerance = static_cast<double>(std::fabs(static_cast<long double>(query.target) - mz));
        const core::MzWindow window = core::SearchWindow(query.target, query.tolerance);
        ASSERT_TRUE(window.low == mz || window.high == mz);
        const std::vector<FoundFormula> found = core::SearchFormulae(query, 200);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].counts, (AtomCounts{2, 4}));
    }
}

TEST(FormulaSearch, FirstElementAloneEndsTheWalkAndLaterCountsStayZero) {
    // 24.0 +- 0.5 with C 0-5 and H 1-30: C0 reaches the window at H24
    // (24.187), C1 at H12 (24.093), then C2 alone (23.99945) is recorded and
    // the loop of C is left: C2H and C3.. are never formed. C2 lists no H
    // although the H minimum is 1.
    const FormulaQuery query = Query(24.0, 0.5, 1, {{kC, 0, 5, 4}, {kH, 1, 30, 1}});
    std::vector<FoundFormula> found = core::SearchFormulae(query, 200);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].counts, (AtomCounts{0, 24}));
    EXPECT_EQ(found[1].counts, (AtomCounts{1, 12}));
    EXPECT_EQ(found[2].counts, (AtomCounts{2, 0}));
    core::SortByMz(found);
    EXPECT_EQ(found[0].counts, (AtomCounts{2, 0}));
    EXPECT_EQ(found[2].counts, (AtomCounts{0, 24}));
}

TEST(FormulaSearch, OneElementGivesAtMostTheFirstCountInTheWindow) {
    // H 0-100 at 10.08 +- 1.1: H9 (9.070), H10 and H11 all lie in the window;
    // the first, H9, ends the walk.
    const std::vector<FoundFormula> found =
        core::SearchFormulae(Query(10.08, 1.1, 1, {{kH, 0, 100, 1}}), 200);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].counts[0], 9);
}

struct ClassCase {
    const char* name;
    SearchElement first;
    SearchElement second;
    AtomCounts counts;
    int charge;
    int expected;
};

class ElectronClassCase : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ElectronClassCase, IsFoundWithTheFormula) {
    const ClassCase& c = GetParam();
    FormulaQuery query = Query(0.0, 0.001, c.charge, {c.first, c.second});
    query.target = static_cast<double>(core::IonMz(core::PartialFormulaMass(query, c.counts), c.charge));
    const std::vector<FoundFormula> found = core::SearchFormulae(query, 200);
    ASSERT_FALSE(found.empty());
    const auto match =
        std::find_if(found.begin(), found.end(), [&](const FoundFormula& f) { return f.counts == c.counts; });
    ASSERT_NE(match, found.end());
    EXPECT_EQ(match->electronClass, c.expected);
    EXPECT_EQ(core::ElectronClass(query, c.counts), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ElectronClassCase,
    ::testing::Values(
        // Mn has no usual valence: any formula with Mn is indeterminate.
        ClassCase{"MnH", {kMn, 0, 3, -1}, {kH, 0, 5, 1}, {1, 1}, 1, -1},
        // Fe adds no electrons: FeH at +1 has S - z = 1 - 1 = 0, even.
        ClassCase{"FeH", {kFe, 0, 3, 0}, {kH, 0, 5, 1}, {1, 1}, 1, 0},
        // Fe2 at +1: S - z = -1, negative and odd: an odd-electron ion, not -1.
        ClassCase{"Fe2", {kFe, 0, 3, 0}, {kH, 0, 5, 1}, {2, 0}, 1, 1},
        // Fe2 at +3: S - z = -3, odd.
        ClassCase{"Fe2At3", {kFe, 0, 3, 0}, {kH, 0, 5, 1}, {2, 0}, 3, 1},
        // Fe at -2: S - z = 2, even.
        ClassCase{"FeAtMinus2", {kFe, 0, 3, 0}, {kH, 0, 5, 1}, {1, 0}, -2, 0},
        // C2H5 at +1: 8 + 5 - 1 = 12, even; at -1: 14, even; C2H4 at +1: 11, odd.
        ClassCase{"C2H5", {kC, 0, 5, 4}, {kH, 0, 9, 1}, {2, 5}, 1, 0},
        ClassCase{"C2H4", {kC, 0, 5, 4}, {kH, 0, 9, 1}, {2, 4}, 1, 1},
        // Jx entered with valence -1 makes its formulae indeterminate.
        ClassCase{"JxIndeterminate", {2.014102, 0, 5, -1}, {kC, 0, 3, 4}, {1, 1}, 1, -1}),
    [](const ::testing::TestParamInfo<ClassCase>& param) { return std::string(param.param.name); });

TEST(FormulaSearch, SameElementTwiceGivesTwoIndependentLoops) {
    // C 0-2 twice at 36 +- 0.01, charge 1 (35.99945): the first row's C0 walks
    // the second through C2 (24) only; C1 reaches 36 with the second row at 2;
    // C2 with 1 (discovered after). Nothing else fits.
    const std::vector<FoundFormula> found =
        core::SearchFormulae(Query(36.0, 0.01, 1, {{kC, 0, 2, 4}, {kC, 0, 2, 4}}), 200);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].counts, (AtomCounts{1, 2}));
    EXPECT_EQ(found[1].counts, (AtomCounts{2, 1}));
}

TEST(FormulaSearch, OnlyTheFirst200InOrderOfDiscoveryAreKept) {
    // C 0-60, H 0-200, N 0-20, O 0-20 at 500 +- 0.5: far more than 200 formulae.
    const FormulaQuery query =
        Query(500.0, 0.5, 1, {{kC, 0, 60, 4}, {kH, 0, 200, 1}, {14.003074, 0, 20, 5}, {15.994915, 0, 20, 6}});
    const std::vector<FoundFormula> all = core::SearchFormulae(query, core::kUncapped);
    ASSERT_GT(all.size(), 201u);
    const std::vector<FoundFormula> capped = core::SearchFormulae(query, 200);
    ASSERT_EQ(capped.size(), 200u);
    for (std::size_t i = 0; i < capped.size(); ++i) EXPECT_EQ(capped[i].counts, all[i].counts);
    LiteralFormulaWalk literal(query, 200);
    const std::vector<FoundFormula> expected = literal.Run();
    ASSERT_EQ(expected.size(), 200u);
    EXPECT_EQ(expected.back().counts, capped.back().counts);
}

TEST(FormulaSearch, SortKeepsTheOrderOfDiscoveryForEqualMz) {
    // C1 and C1 again from two rows give the same m/z; a selection sort that
    // swaps could exchange them with a third entry in between.
    std::vector<FoundFormula> formulae(4);
    formulae[0].mz = 30.0;
    formulae[0].counts[0] = 1;
    formulae[1].mz = 20.0;
    formulae[1].counts[0] = 2;
    formulae[2].mz = 20.0;
    formulae[2].counts[0] = 3;
    formulae[3].mz = 10.0;
    formulae[3].counts[0] = 4;
    core::SortByMz(formulae);
    EXPECT_EQ(formulae[0].counts[0], 4);
    EXPECT_EQ(formulae[1].counts[0], 2);
    EXPECT_EQ(formulae[2].counts[0], 3);
    EXPECT_EQ(formulae[3].counts[0], 1);
}

TEST(FormulaSearch, QueriesWithoutAnswerGiveNothing) {
    EXPECT_TRUE(core::SearchFormulae(Query(200.0, 0.05, 0, {{kC, 0, 16, 4}}), 200).empty());
    EXPECT_TRUE(core::SearchFormulae(Query(200.0, 0.05, 1, {}), 200).empty());
    EXPECT_TRUE(core::SearchFormulae(Query(200.0, 0.05, 1, {{kC, 5, 2, 4}}), 200).empty());
    EXPECT_TRUE(core::SearchFormulae(Query(200.0, 0.05, 1, {{kC, 0, 16, 4}}), 0).empty());
}

// C H N O S P Cl Na with as many atoms of each as fit under m/z 2000: the box
// holds about 1e17 count combinations, and the literal walk of it takes
// minutes.
FormulaQuery EightElementsAt(double target, double tolerance) {
    static const core::ElementTable kTable;
    FormulaQuery query = Query(target, tolerance, 1, {});
    for (const char* symbol : {"C", "H", "N", "O", "S", "P", "Cl", "Na"}) {
        const int index = core::LookupSymbolText(symbol, 0);
        const double mass = kTable[index].lightMass;
        query.elements.push_back(
            {mass, 0, core::DefaultMaximum(target, 1, mass), kTable[index].valenceElectrons});
    }
    return query;
}

std::vector<FoundFormula> Streamed(const FormulaQuery& query, std::size_t stopAfter) {
    std::vector<FoundFormula> seen;
    const core::WorkStatus status = core::VisitFormulae(query, [&](const FoundFormula& formula) {
        seen.push_back(formula);
        return seen.size() < stopAfter ? core::SearchVisit::Continue : core::SearchVisit::Stop;
    });
    EXPECT_EQ(status, core::WorkStatus::Finished);
    return seen;
}

TEST(FormulaSearch, TheVisitorSeesWhatTheSearchRecordsInItsOrderAndStopsIt) {
    // The crowded query of the test above (far more than 200 formulae), and a
    // sparse one at m/z 1000 with eight elements.
    const FormulaQuery crowded =
        Query(500.0, 0.5, 1, {{kC, 0, 60, 4}, {kH, 0, 200, 1}, {14.003074, 0, 20, 5}, {15.994915, 0, 20, 6}});
    for (const FormulaQuery& query : {crowded, EightElementsAt(1000.0, 0.000005)}) {
        const std::vector<FoundFormula> all = core::SearchFormulae(query, core::kUncapped);
        ASSERT_GT(all.size(), 10u);
        const std::vector<FoundFormula> streamed = Streamed(query, core::kUncapped);
        ASSERT_EQ(streamed.size(), all.size());
        for (std::size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(streamed[i].counts, all[i].counts) << i;
            EXPECT_EQ(streamed[i].mz, all[i].mz) << i;
            EXPECT_EQ(streamed[i].electronClass, all[i].electronClass) << i;
        }
        // Stop after the seventh: the visitor is not called again.
        const std::vector<FoundFormula> first = Streamed(query, 7);
        ASSERT_EQ(first.size(), 7u);
        EXPECT_EQ(first.back().counts, all[6].counts);
    }
}

// Answers false at its n-th question and counts the questions; records the
// fractions it was given.
class CancelAt : public core::WorkProgress {
public:
    explicit CancelAt(int n) : n_(n) {}
    bool KeepGoing(double fractionDone) override {
        fractions.push_back(fractionDone);
        return static_cast<int>(fractions.size()) < n_;
    }
    std::vector<double> fractions;

private:
    int n_;
};

TEST(FormulaSearch, AProgressThatAnswersFalseCancelsTheSearch) {
    // Zero width at m/z 2000 with elements whose masses are off the filter's
    // grid by 1.2e-7 u (as a Jx mass with many decimals can be), so that no
    // shortcut proves the window empty: the walk runs for minutes.
    // Each run cancels at the n-th question, and nothing is called after.
    FormulaQuery query = EightElementsAt(2000.0, 0.0);
    for (SearchElement& element : query.elements) element.mass += 1.234567e-7;
    for (const int n : {1, 2, 5}) {
        CancelAt progress(n);
        std::size_t visits = 0;
        const core::WorkStatus status = core::VisitFormulae(
            query,
            [&visits](const FoundFormula&) {
                ++visits;
                return core::SearchVisit::Continue;
            },
            &progress);
        EXPECT_EQ(status, core::WorkStatus::Cancelled) << n;
        EXPECT_EQ(progress.fractions.size(), static_cast<std::size_t>(n));
        EXPECT_TRUE(std::is_sorted(progress.fractions.begin(), progress.fractions.end()));
        EXPECT_GE(progress.fractions.front(), 0.0);
        EXPECT_LT(progress.fractions.back(), 1.0);
    }
}

TEST(FormulaSearch, AProgressThatKeepsGoingSeesTheSearchToItsEnd) {
    // 500 +- 0.000005 with the eight elements: 21 formulae (the walk records
    // few), ending with the fraction 1 after fractions that never fall.
    CancelAt progress(1 << 30);
    std::size_t visits = 0;
    const core::WorkStatus status = core::VisitFormulae(
        EightElementsAt(500.0, 0.000005),
        [&visits](const FoundFormula&) {
            ++visits;
            return core::SearchVisit::Continue;
        },
        &progress);
    EXPECT_EQ(status, core::WorkStatus::Finished);
    EXPECT_EQ(visits, core::SearchFormulae(EightElementsAt(500.0, 0.000005), core::kUncapped).size());
    ASSERT_GE(progress.fractions.size(), 2u);
    EXPECT_TRUE(std::is_sorted(progress.fractions.begin(), progress.fractions.end()));
    EXPECT_EQ(progress.fractions.back(), 1.0);
}

}  // namespace
}  // namespace tarnevo::testing
