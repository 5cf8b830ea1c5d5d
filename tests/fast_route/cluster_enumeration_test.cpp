// Pins the enumeration route's own steps (core/cluster_enumeration.h) against a
// brute-force oracle that shares no code with it: every vector of heavy-atom counts
// over the heavy slots, kept when no element holds more heavy atoms than it has
// atoms. Each pass must visit exactly the oracle's compositions with that many heavy
// atoms, each once; the probability the ratio steps carry along the walk must agree
// with the one computed from scratch (the log-multinomial) at every composition, and
// the mass shift with the sum of count x delta; and over all passes the
// probabilities of a multinomial add up to 1.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/cluster_enumeration.h"
#include "core/element_table.h"
#include "tests/fast_route/ion_setup.h"

namespace tarnevo::testing {
namespace {

using Composition = std::vector<int>;  // heavy atoms per heavy slot

// Every valid composition of the ion, grouped by its number of heavy atoms.
void CollectCompositions(const core::ClusterIon& ion, int element, Composition& current,
                         std::map<int, std::set<Composition>>& byPass) {
    if (element == ion.polyElementCount) {
        int heavy = 0;
        for (const int atoms : current) heavy += atoms;
        byPass[heavy].insert(current);
        return;
    }
    const auto first = static_cast<std::size_t>(ion.firstSlot[element]);
    const auto slots = static_cast<std::size_t>(ion.orderedHeavyCount[element]);
    // All ways to spread at most orderedCount heavy atoms over the element's slots.
    std::vector<int> counts(slots, 0);
    for (;;) {
        int used = 0;
        for (const int c : counts) used += c;
        if (used <= ion.orderedCount[element]) {
            for (std::size_t k = 0; k < slots; ++k) current[first + k] = counts[k];
            CollectCompositions(ion, element + 1, current, byPass);
        }
        std::size_t k = 0;
        while (k < slots && ++counts[k] > ion.orderedCount[element]) {
            counts[k] = 0;
            ++k;
        }
        if (k == slots) break;
    }
    for (std::size_t k = 0; k < slots; ++k) current[first + k] = 0;
}

Composition CurrentComposition(const core::ClusterIon& ion, const core::EnumerationState& state) {
    return {state.composition.begin(), state.composition.begin() + ion.heavySlotCount};
}

// What the enumeration needs before a ratio step: the light atoms of each element.
void SetLightCounts(const core::ClusterIon& ion, core::EnumerationState& state) {
    for (int e = 0; e < ion.polyElementCount; ++e) {
        int heavy = 0;
        for (int k = 0; k < ion.orderedHeavyCount[e]; ++k) heavy += state.composition[ion.firstSlot[e] + k];
        state.lightCount[e] = ion.orderedCount[e] - heavy;
    }
}

int ShiftOf(const core::ClusterIon& ion, const Composition& composition) {
    int shift = 0;
    for (int slot = 0; slot < ion.heavySlotCount; ++slot) shift += composition[slot] * ion.workDelta[slot];
    return shift;
}

class EnumerationWalk : public ::testing::TestWithParam<const char*> {};

TEST_P(EnumerationWalk, EachPassVisitsExactlyTheOraclesCompositionsOnce) {
    const core::ElementTable table;
    const ClusterWorkspace ion = PrepareIon(table, GetParam());
    std::map<int, std::set<Composition>> oracle;
    Composition scratch(static_cast<std::size_t>(ion.heavySlotCount), 0);
    CollectCompositions(ion, 0, scratch, oracle);
    core::EnumerationState state;
    for (int pass = 1; pass <= ion.polyAtomCount; ++pass) {
        SCOPED_TRACE("pass " + std::to_string(pass));
        ASSERT_TRUE(core::PlaceInitialComposition(ion, state, pass));
        std::set<Composition> visited;
        do {
            EXPECT_TRUE(visited.insert(CurrentComposition(ion, state)).second) << "visited twice";
        } while (core::NextComposition(ion, state));
        EXPECT_EQ(visited, oracle[pass]);
    }
    EXPECT_FALSE(core::PlaceInitialComposition(ion, state, ion.polyAtomCount + 1));
}

TEST_P(EnumerationWalk, RatioStepsAgreeWithTheProbabilityFromScratch) {
    const core::ElementTable table;
    const ClusterWorkspace ion = PrepareIon(table, GetParam());
    core::ExtendedPrecisionScope precision;
    core::EnumerationState state;
    for (int pass = 1; pass <= ion.polyAtomCount; ++pass) {
        ASSERT_TRUE(core::PlaceInitialComposition(ion, state, pass));
        state.currentProbability = core::CompositionProbability(ion, state);
        while (core::NextComposition(ion, state)) {
            SetLightCounts(ion, state);
            ASSERT_TRUE(core::UpdateCompositionProbability(ion, state));
            const Extended direct = core::DirectCompositionProbability(ion, state);
            EXPECT_NEAR(static_cast<double>(state.currentProbability / direct), 1.0, 1e-12);
            EXPECT_EQ(state.massShift, ShiftOf(ion, CurrentComposition(ion, state)));
        }
    }
}

TEST_P(EnumerationWalk, AllPassesTogetherHoldTheWholeProbability) {
    const core::ElementTable table;
    const ClusterWorkspace prepared = PrepareIon(table, GetParam());
    core::EnumerationState state;
    core::ClusterPeaks peaks;
    // A stop FA of 1 is never exceeded: every pass runs.
    core::ComputeClusterByEnumeration(prepared, state, peaks, prepared.polyAtomCount, 1.0);
    EXPECT_EQ(peaks.passCount, prepared.polyAtomCount);
    EXPECT_NEAR(static_cast<double>(peaks.cumulativeFA), 1.0, 1e-15);
    Extended peakTotal = 0;
    for (const Extended peak : peaks.peakSum) peakTotal += peak;
    EXPECT_NEAR(static_cast<double>(peakTotal), 1.0, 1e-15);
}

// Sulfur has three heavy slots (33S, 34S, 36S), selenium five, so compositions move
// across slots of one element and from one element to the next.
INSTANTIATE_TEST_SUITE_P(Ions, EnumerationWalk, ::testing::Values("Cl2", "S2Cl3Br", "Se2S3", "C3H2O2N"));

TEST(EnumerationWalk, FirstCompositionProbabilityIsTheBinomialOfItsFirstSlots) {
    // Cl2 with one 37Cl placed: 2 x 0.7576 x 0.2424; mass shift 2.
    const core::ElementTable table;
    const ClusterWorkspace ion = PrepareIon(table, "Cl2");
    core::EnumerationState state;
    ASSERT_TRUE(core::PlaceInitialComposition(ion, state, 1));
    const Extended expected = 2 * static_cast<Extended>(ion.workFA[0]) * ion.workFA[1];
    EXPECT_NEAR(static_cast<double>(core::CompositionProbability(ion, state) / expected), 1.0, 1e-15);
    EXPECT_EQ(state.massShift, 2);
    EXPECT_NEAR(static_cast<double>(state.massDefect), ion.workDefect[0], 1e-15);
}

}  // namespace
}  // namespace tarnevo::testing
