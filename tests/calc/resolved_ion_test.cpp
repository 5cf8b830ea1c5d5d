// Pins that the resolved peaks of a heavy ion hold the whole ion where it is.
// Evidence by hand: the mean mass of an ion is the sum of its atoms' mean
// masses (each element's isotope masses weighted by their abundances, summed
// here straight from the table) less its electrons: Sn60+ lies at m/z 7122.6
// (60 x 118.710), hundreds of mass units beyond [A+319] (m/z 7033), where its
// peaks were cut off, holding 4E-8 of the ion.
#include <gtest/gtest.h>

#include <string>

#include "calc/resolved_pattern.h"
#include "core/ion_mz.h"

namespace tarnevo::calc {
namespace {

double MeanAtomMass(const core::ElementTable& table, int element) {
    double mass = table[element].lightMass * table.LightFA(element);
    double total = table.LightFA(element);
    for (int k = 0; k < table[element].heavyCount; ++k) {
        mass += table.HeavyExactMass(element, k) * table.HeavyFA(element, k);
        total += table.HeavyFA(element, k);
    }
    return mass / total;
}

class HeavyIon : public ::testing::TestWithParam<const char*> {};

TEST_P(HeavyIon, HasPeaksThatHoldItAllAroundItsMeanMass) {
    const core::ElementTable table;
    core::ParsedFormula ion;
    ASSERT_EQ(core::ParseFormulaText(GetParam(), ion), core::FormulaSyntax::Valid);
    double mean = -core::electronMass;
    for (int e = 0; e < core::kElementCount; ++e) mean += ion[e] * MeanAtomMass(table, e);

    const core::ResolvingPower power{60000.0, core::ResolvingPowerModel::Constant, 200.0};
    const ResolvedIon resolved = ResolveIon(table, ion, 1, power, core::ProfileWanted::No);
    ASSERT_TRUE(resolved.problem.empty()) << resolved.problem;
    EXPECT_EQ(resolved.model, PatternModel::PeakMoments);
    long double held = 0.0L;
    long double moment = 0.0L;
    for (const core::ResolvedPeak& peak : resolved.pattern.peaks) {
        held += peak.abundance;
        moment += static_cast<long double>(peak.abundance) * peak.mz;
    }
    EXPECT_GE(held, 0.99999999L - 1e-12L);
    EXPECT_LE(held, 1.0L + 1e-9L);
    // What the peaks leave out (1E-8 of the ion) moves their mean by less than
    // 1E-8 x the width of the cluster.
    EXPECT_NEAR(static_cast<double>(moment / held), mean, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Tin, HeavyIon, ::testing::Values("Sn60", "Sn120", "Sn160", "Sn100Xe40"));

}  // namespace
}  // namespace tarnevo::calc
