// Pins that the enumeration stays right for any ion it is given, even where the
// route choice would never send it: an isotope so rare that compositions rich in it
// underflow the extended range while others of the same pass do not. Carried by
// ratio steps alone, every composition after the first underflowed one would be
// counted as 0 and the cumulative FA would fall short of the stop FA, running
// passes to the end. The evidence is the convolution route, which shares no step
// with the enumeration and keeps a binary exponent beside every table.
#include <gtest/gtest.h>

#include "core/cluster_convolution.h"
#include "core/cluster_enumeration.h"
#include "core/user_element.h"
#include "tests/fast_route/ion_setup.h"

namespace tarnevo::testing {
namespace {

// Jx: +1 at 4.6e-215 (so 23 such atoms are below 1e-4931), +3 at 0.6;
// Jy: +2 at 0.5.
core::ElementTable TableWithRareIsotope() {
    core::ElementTable table;
    core::UserIsotopeEntry jx;
    jx.lightMass = 50.0;
    jx.delta = {1, 3};
    jx.fa = {4.6e-215, 0.6};
    core::UserIsotopeEntry jy;
    jy.lightMass = 20.0;
    jy.delta = {2};
    jy.fa = {0.5};
    EXPECT_EQ(core::StoreUserElement(table, core::kFirstUserElement, jx), core::UserElementStatus::Stored);
    EXPECT_EQ(core::StoreUserElement(table, core::kFirstUserElement + 1, jy),
              core::UserElementStatus::Stored);
    return table;
}

TEST(EnumerationRange, UnderflowedCompositionsDoNotZeroTheRestOfThePass) {
    const core::ElementTable table = TableWithRareIsotope();
    const ClusterWorkspace prepared = PrepareIon(table, "Jx41Jy123");
    ClusterWorkspace enumerated = prepared;
    ClusterWorkspace convolved = prepared;
    core::ComputeClusterByEnumeration(enumerated, prepared.polyAtomCount, 0.9999);
    core::ComputeClusterByConvolution(convolved, prepared.polyAtomCount, 0.9999);
    EXPECT_GT(enumerated.cumulativeFA, 0.9999L);
    EXPECT_LT(enumerated.passCount, 164);
    ExpectSameCluster(enumerated, convolved, "Jx41Jy123");
}

TEST(EnumerationRange, DirectProbabilityIsTheMultinomial) {
    // Cl2 with one 37Cl: 2 x 0.7576 x 0.2424; with two: 0.2424^2.
    const core::ElementTable table;
    ClusterWorkspace ws = PrepareIon(table, "Cl2");
    const Extended light = ws.workFA[0];
    const Extended heavy = ws.workFA[1];
    ws.composition[0] = 1;
    EXPECT_NEAR(static_cast<double>(core::DirectCompositionProbability(ws, ws) / (2 * light * heavy)), 1.0,
                1e-15);
    ws.composition[0] = 2;
    EXPECT_NEAR(static_cast<double>(core::DirectCompositionProbability(ws, ws) / (heavy * heavy)), 1.0,
                1e-15);
}

}  // namespace
}  // namespace tarnevo::testing
