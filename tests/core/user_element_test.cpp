// Pins how typed isotopes of a user-defined element are stored: decreasing FA
// (row order on ties), the lightest FA as the remainder, and the refusals.
#include <gtest/gtest.h>

#include "core/user_element.h"

namespace tarnevo::core {
namespace {

constexpr int kJx = 84;

UserIsotopeEntry Entry(double mass, std::initializer_list<std::tuple<int, int, double>> rows) {
    UserIsotopeEntry entry;
    entry.lightMass = mass;
    for (const auto& [row, delta, fa] : rows) {
        entry.delta[row - 1] = delta;
        entry.fa[row - 1] = fa;
    }
    return entry;
}

TEST(UserElement, HeavyIsotopesAreStoredInDecreasingFA) {
    ElementTable table;
    // Row 3: delta 2, FA 0.2; row 7: delta 1, FA 0.5.
    ASSERT_EQ(StoreUserElement(table, kJx, Entry(50.0, {{3, 2, 0.2}, {7, 1, 0.5}})),
              UserElementStatus::Stored);
    EXPECT_EQ(table[kJx].heavyCount, 2);
    EXPECT_EQ(table[kJx].firstDelta, naturalDeltaCount);
    EXPECT_EQ(table[kJx].firstFA, naturalFACount);
    EXPECT_EQ(table.HeavyDelta(kJx, 0), 1);
    EXPECT_EQ(table.HeavyFA(kJx, 0), 0.5);
    EXPECT_EQ(table.HeavyDelta(kJx, 1), 2);
    EXPECT_NEAR(table.LightFA(kJx), 0.3, 1e-15);
    EXPECT_EQ(table.nextDeltaSlot, naturalDeltaCount + 2);
    EXPECT_EQ(table.nextFASlot, naturalFACount + 3);
}

TEST(UserElement, EqualFAsKeepRowOrder) {
    ElementTable table;
    ASSERT_EQ(StoreUserElement(table, kJx, Entry(50.0, {{1, 1, 0.4}, {2, 3, 0.4}})),
              UserElementStatus::Stored);
    EXPECT_EQ(table.HeavyDelta(kJx, 0), 1);
    EXPECT_EQ(table.HeavyDelta(kJx, 1), 3);
    EXPECT_NEAR(table.LightFA(kJx), 0.2, 1e-15);
}

TEST(UserElement, OnlyTheLightestMassMakesAMonoisotopicElement) {
    ElementTable table;
    // A row with delta 0 is empty whatever FA it carries.
    ASSERT_EQ(StoreUserElement(table, kJx, Entry(25.0, {{2, 0, 0.3}})), UserElementStatus::Stored);
    EXPECT_EQ(table[kJx].heavyCount, 0);
    EXPECT_FALSE(table.IsPolyisotopic(kJx));
    EXPECT_EQ(table[kJx].lightMass, 25.0);
    EXPECT_EQ(table.nextFASlot, naturalFACount);
}

struct RefusalCase {
    const char* name;
    UserIsotopeEntry entry;
    UserElementStatus expected;
};

void PrintTo(const RefusalCase& refusal, std::ostream* out) { *out << refusal.name; }

std::string RefusalName(const ::testing::TestParamInfo<RefusalCase>& refusal) { return refusal.param.name; }

class UserElementRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(UserElementRefusal, IsReported) {
    ElementTable table;
    EXPECT_EQ(StoreUserElement(table, 85, GetParam().entry), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, UserElementRefusal,
    ::testing::Values(
        RefusalCase{"ZeroFA", Entry(50.0, {{1, 4, 0.0}}), UserElementStatus::NonPositiveFA},
        RefusalCase{"EqualDeltas", Entry(50.0, {{1, 2, 0.1}, {5, 2, 0.2}}), UserElementStatus::EqualDeltas},
        RefusalCase{"NothingLeftForTheLightest", Entry(50.0, {{1, 1, 0.6}, {2, 2, 0.4}}),
                    UserElementStatus::HeavyFATooLarge},
        RefusalCase{"BarelyEnoughLeft", Entry(50.0, {{1, 1, 0.99999}}), UserElementStatus::Stored}),
    RefusalName);

}  // namespace
}  // namespace tarnevo::core
