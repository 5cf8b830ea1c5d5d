// Pins how an enriched element enters the element table: the isotope list by
// ascending mass, the lightest FA as 1 minus the heavy ones (zeros raised to
// 0.000001, a remainder of rounding size taken as 0), the reorder by decreasing
// enriched FA and the pool cursors, including six ten-isotope elements that fill
// the pools exactly. Expected values are the natural isotopes of the table
// (12C/13C, 32S/33S/34S/36S, Sn's ten) and sums worked by hand.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/enriched_element.h"
#include "core/formula_parser.h"

namespace tarnevo::core {
namespace {

int IndexOf(std::string_view symbol) { return LookupSymbolText(symbol, 0); }

std::array<double, kMaxElementIsotopes> Complete(const IsotopeList& isotopes, std::vector<double> heavy,
                                                 EnrichmentStatus expected = EnrichmentStatus::Stored) {
    std::array<double, kMaxElementIsotopes> fa{};
    EXPECT_EQ(CompleteEnrichedFAs(isotopes, heavy, fa), expected);
    return fa;
}

TEST(EnrichedIsotopeList, ListsHeavyIsotopesByAscendingMassWithNominalMasses) {
    ElementTable table;
    const IsotopeList sulfur = NaturalIsotopesByMass(table, IndexOf("S"));
    ASSERT_EQ(sulfur.count, 4);
    EXPECT_EQ(sulfur.delta[1], 1);
    EXPECT_EQ(sulfur.delta[2], 2);
    EXPECT_EQ(sulfur.delta[3], 4);
    EXPECT_DOUBLE_EQ(sulfur.mass[3], sulfur.mass[0] + 4.0);
    double sum = 0;
    for (int i = 0; i < sulfur.count; ++i) sum += sulfur.fa[i];
    EXPECT_NEAR(sum, 1.0, 1e-12);
    const IsotopeList tin = NaturalIsotopesByMass(table, IndexOf("Sn"));
    ASSERT_EQ(tin.count, 10);
    for (int i = 2; i < tin.count; ++i) EXPECT_GT(tin.mass[i], tin.mass[i - 1]);
}

struct CompletionCase {
    const char* symbol;
    std::vector<double> heavy;
    std::vector<double> expected;  // lightest first
};

class EnrichedFACompletion : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(EnrichedFACompletion, LightestIsOneMinusTheHeavyOnes) {
    ElementTable table;
    const CompletionCase& c = GetParam();
    const auto fa = Complete(NaturalIsotopesByMass(table, IndexOf(c.symbol)), c.heavy);
    for (std::size_t i = 0; i < c.expected.size(); ++i)
        EXPECT_DOUBLE_EQ(fa[i], c.expected[i]) << "isotope " << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, EnrichedFACompletion,
                         ::testing::Values(
                             // 13C at 0.99: 12C keeps 0.01.
                             CompletionCase{"C", {0.99}, {1.0 - 0.99, 0.99}},
                             // A heavy FA left at 0 takes part as 0.000001.
                             CompletionCase{"C", {0.0}, {0.999999, 0.000001}},
                             // 0.5 + 0.5 leave exactly 0 for 16O, which is accepted.
                             CompletionCase{"O", {0.5, 0.5}, {0.0, 0.5, 0.5}},
                             // 0.33 + 0.56 + 0.11 is 1 as typed; the double sum leaves about -1E-16.
                             CompletionCase{"S", {0.33, 0.56, 0.11}, {0.0, 0.33, 0.56, 0.11}},
                             // Zeros raised first: 0.4 + 0.000001 + 0.5 leaves 0.099999.
                             CompletionCase{
                                 "S", {0.4, 0.0, 0.5}, {1.0 - (0.4 + 0.000001 + 0.5), 0.4, 0.000001, 0.5}}));

TEST(EnrichedFACompletion, HeavyFAsAboveOneAreRefused) {
    ElementTable table;
    const IsotopeList oxygen = NaturalIsotopesByMass(table, IndexOf("O"));
    Complete(oxygen, {0.6, 0.5}, EnrichmentStatus::HeavyFATooLarge);
    // 0.99999 + 0.00001 is 1; the zero raised to 0.000001 tips it over.
    Complete(NaturalIsotopesByMass(table, IndexOf("S")), {0.99999, 0.00001, 0.0},
             EnrichmentStatus::HeavyFATooLarge);
}

TEST(StoreEnrichedElement, OrdersHeavyIsotopesByDecreasingEnrichedFAAndAdvancesTheCursors) {
    ElementTable table;
    const IsotopeList sulfur = NaturalIsotopesByMass(table, IndexOf("S"));
    // 33S 0.1, 34S 0.000001 (entered 0), 36S 0.6: stored as 36, 33, 34.
    const auto fa = Complete(sulfur, {0.1, 0.0, 0.6});
    StoreEnrichedElement(table, kFirstUserElement + 1, sulfur, fa);
    const ElementRecord& jy = table[kFirstUserElement + 1];
    EXPECT_EQ(jy.heavyCount, 3);
    EXPECT_EQ(jy.firstDelta, naturalDeltaCount);
    EXPECT_EQ(jy.firstFA, naturalFACount);
    EXPECT_DOUBLE_EQ(jy.lightMass, sulfur.mass[0]);
    EXPECT_EQ(table.HeavyDelta(kFirstUserElement + 1, 0), 4);
    EXPECT_EQ(table.HeavyDelta(kFirstUserElement + 1, 1), 1);
    EXPECT_EQ(table.HeavyDelta(kFirstUserElement + 1, 2), 2);
    EXPECT_DOUBLE_EQ(table.HeavyFA(kFirstUserElement + 1, 0), 0.6);
    EXPECT_DOUBLE_EQ(table.LightFA(kFirstUserElement + 1), 1.0 - (0.1 + 0.000001 + 0.6));
    EXPECT_EQ(table.nextDeltaSlot, naturalDeltaCount + 3);
    EXPECT_EQ(table.nextFASlot, naturalFACount + 4);
}

TEST(StoreEnrichedElement, EqualEnrichedFAsKeepTheirMassOrder) {
    ElementTable table;
    const IsotopeList sulfur = NaturalIsotopesByMass(table, IndexOf("S"));
    StoreEnrichedElement(table, kFirstUserElement, sulfur, Complete(sulfur, {0.0, 0.0, 0.5}));
    EXPECT_EQ(table.HeavyDelta(kFirstUserElement, 0), 4);
    EXPECT_EQ(table.HeavyDelta(kFirstUserElement, 1), 1);
    EXPECT_EQ(table.HeavyDelta(kFirstUserElement, 2), 2);
}

TEST(StoreEnrichedElement, SixTenIsotopeElementsFillThePoolsAndLeaveTheNaturalDataAlone) {
    ElementTable table;
    const ElementTable fresh;
    const IsotopeList tin = NaturalIsotopesByMass(table, IndexOf("Sn"));
    for (int k = 0; k < kUserElementCount; ++k) {
        std::vector<double> heavy(9, 0.0);
        heavy[static_cast<std::size_t>(k)] = 0.9;
        StoreEnrichedElement(table, kFirstUserElement + k, tin, Complete(tin, heavy));
    }
    EXPECT_EQ(table.nextDeltaSlot, kDeltaPoolSize);
    EXPECT_EQ(table.nextFASlot, kFAPoolSize);
    for (int i = 0; i < naturalDeltaCount; ++i) ASSERT_EQ(table.deltaPool[i], fresh.deltaPool[i]);
    for (int i = 0; i < naturalFACount; ++i) ASSERT_EQ(table.faPool[i], fresh.faPool[i]);
    for (int i = 0; i < kFirstUserElement; ++i) {
        ASSERT_EQ(table[i].firstFA, fresh[i].firstFA);
        ASSERT_EQ(table[i].heavyCount, fresh[i].heavyCount);
    }
    // The last slot (Qz) starts nine deltas before the end, its most enriched
    // isotope (row 7 of the list) first.
    EXPECT_EQ(table[kFirstUserElement + 5].firstDelta, kDeltaPoolSize - 9);
    EXPECT_EQ(table.HeavyDelta(kFirstUserElement + 5, 0), tin.delta[6]);
    EXPECT_DOUBLE_EQ(table.HeavyFA(kFirstUserElement + 5, 0), 0.9);
}

TEST(SetElementTrialFAs, WritesOnlyTheElementsEntries) {
    ClusterWorkspace workspace;
    workspace.workFA.fill(0.25);
    const std::array<double, 3> trial = {0.1, 0.2, 0.7};
    SetElementTrialFAs(workspace, 4, trial);
    EXPECT_EQ(workspace.workFA[3], 0.25);
    EXPECT_EQ(workspace.workFA[4], 0.1);
    EXPECT_EQ(workspace.workFA[6], 0.7);
    EXPECT_EQ(workspace.workFA[7], 0.25);
    // A position past the end writes nothing.
    SetElementTrialFAs(workspace, static_cast<int>(workspace.workFA.size()) - 1, trial);
    EXPECT_EQ(workspace.workFA.back(), 0.25);
}

}  // namespace
}  // namespace tarnevo::core
