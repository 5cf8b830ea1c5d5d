// Pins that the convolution route gives the enumeration's cluster: the same number
// of passes, last peak index and overflow flag, and the same peaks and cumulative
// FA to 1e-12 of the largest peak. The enumeration visits every composition with
// its own ratio updates and shares no step with the convolution beyond the element
// data, so agreement over many random ions (fixed seed: several heavy isotopes as
// in Sn, Xe, Cd, Se, Mo next to C H N O S Cl Br, overwritten FAs as a fitting loop
// writes them, all stop FAs the dialogs accept, pass limits below and above the
// atom count) is evidence that each is right. Named cases pin the boundaries: the
// stop test's tie, pass limits of 0 and 1, shifts beyond [A+319], unreachable odd
// shifts, and one workspace reused across calls with changing FAs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/cluster_convolution.h"
#include "core/cluster_enumeration.h"
#include "core/user_element.h"
#include "tests/fast_route/ion_setup.h"

namespace tarnevo::testing {
namespace {

using core::ClusterRoute;
using core::ComputeClusterByConvolution;
using core::ComputeClusterByEnumeration;
using core::ElementTable;

// Upper bound on the steps of the enumeration up to `passes` heavy atoms: it
// walks the distributions of r atoms over all K heavy slots, skipping those that
// give an element more heavy atoms than it has, so at most C(passes + K, K).
double EnumerationStepsUpTo(const ClusterWorkspace& ws, int passes) {
    double steps = 1;
    for (int k = 1; k <= ws.heavySlotCount; ++k) steps = steps * (passes + k) / k;
    return steps;
}

struct BothRoutes {
    ClusterWorkspace enumerated;
    ClusterWorkspace convolved;
};

BothRoutes RunBoth(const ClusterWorkspace& prepared, int passLimit, double stopFA) {
    BothRoutes run{prepared, prepared};
    ComputeClusterByEnumeration(run.enumerated, passLimit, stopFA);
    ComputeClusterByConvolution(run.convolved, passLimit, stopFA);
    return run;
}

struct Ingredient {
    const char* symbol;
    int most;
};

// Elements drawn for the random ions, with the largest count drawn for each.
constexpr Ingredient kIngredients[] = {
    {"C", 120}, {"H", 200}, {"N", 30}, {"O", 40}, {"S", 6},  {"Cl", 8}, {"Br", 6}, {"Sn", 4},
    {"Xe", 3},  {"Cd", 3},  {"Se", 4}, {"Mo", 3}, {"Fe", 3}, {"Si", 5}, {"K", 3},  {"Zn", 3},
};
constexpr double kStopFAs[] = {0.5, 0.9, 0.99, 0.999, 0.9999, 0.99999};
constexpr double kMostSteps = 3e5;  // keeps each enumeration to milliseconds

std::string RandomFormula(std::mt19937& random) {
    std::vector<int> picked;
    const int elements = std::uniform_int_distribution<int>(1, 6)(random);
    while (static_cast<int>(picked.size()) < elements) {
        const int i = std::uniform_int_distribution<int>(0, std::size(kIngredients) - 1)(random);
        if (std::find(picked.begin(), picked.end(), i) == picked.end()) picked.push_back(i);
    }
    std::string formula;
    for (int i : picked) {
        formula += kIngredients[i].symbol;
        formula += std::to_string(std::uniform_int_distribution<int>(1, kIngredients[i].most)(random));
    }
    return formula;
}

// Overwrites the FA run of one element as a user-defined element or a fitting
// trial would: positive FAs summing to 1, or to a little less.
std::string OverwriteFAs(ClusterWorkspace& ws, std::mt19937& random) {
    const int e = std::uniform_int_distribution<int>(0, ws.polyElementCount - 1)(random);
    const int count = ws.orderedHeavyCount[e] + 1;
    std::uniform_real_distribution<double> draw(0.001, 1.0);
    std::vector<double> fa(count);
    double sum = 0;
    for (double& value : fa) sum += value = draw(random);
    const double total = std::uniform_int_distribution<int>(0, 1)(random) == 0 ? 1.0 : 0.97;
    std::string text = " FAs of element ";
    text += std::to_string(e);
    text += ":";
    for (int i = 0; i < count; ++i) {
        ws.workFA[ws.firstFAEntry[e] + i] = fa[i] / sum * total;
        text += ' ';
        text += std::to_string(fa[i] / sum * total);
    }
    return text;
}

class RandomIons : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomIons, ConvolutionMatchesEnumeration) {
    const ElementTable table;
    std::mt19937 random(GetParam());
    // One scratch for all ions, as in the program: every computation must ignore
    // what the one before left in it.
    std::vector<Extended> scratch;
    int compared = 0;
    for (int attempt = 0; attempt < 5000 && compared < 40; ++attempt) {
        const std::string formula = RandomFormula(random);
        ClusterWorkspace prepared = PrepareIon(table, formula);
        std::string label = formula;
        if (std::uniform_int_distribution<int>(0, 9)(random) < 3) label += OverwriteFAs(prepared, random);
        const double stopFA =
            kStopFAs[std::uniform_int_distribution<int>(0, std::size(kStopFAs) - 1)(random)];
        int passLimit = prepared.polyAtomCount;
        const int limitKind = std::uniform_int_distribution<int>(0, 6)(random);
        if (limitKind == 0) passLimit = std::uniform_int_distribution<int>(0, passLimit)(random);
        if (limitKind == 1) passLimit += std::uniform_int_distribution<int>(1, 20)(random);
        label += " stop " + std::to_string(stopFA) + " passLimit " + std::to_string(passLimit);

        ClusterWorkspace convolved = prepared;
        convolved.convolutionScratch = std::move(scratch);
        ComputeClusterByConvolution(convolved, passLimit, stopFA);
        scratch = std::move(convolved.convolutionScratch);
        if (EnumerationStepsUpTo(prepared, convolved.passCount) > kMostSteps) continue;
        ClusterWorkspace enumerated = prepared;
        ComputeClusterByEnumeration(enumerated, passLimit, stopFA);
        ExpectSameCluster(enumerated, convolved, label);
        ++compared;
    }
    EXPECT_EQ(compared, 40);
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, RandomIons, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

constexpr int kAllAtoms = -1000;  // pass limit: the ion's polyAtomCount

struct NamedCase {
    const char* formula;
    int passLimit;
    double stopFA;
};

class NamedIons : public ::testing::TestWithParam<NamedCase> {};

TEST_P(NamedIons, ConvolutionMatchesEnumeration) {
    const ElementTable table;
    const NamedCase& c = GetParam();
    const ClusterWorkspace prepared = PrepareIon(table, c.formula);
    const int passLimit = c.passLimit == kAllAtoms ? prepared.polyAtomCount : c.passLimit;
    const BothRoutes run = RunBoth(prepared, passLimit, c.stopFA);
    ExpectSameCluster(run.enumerated, run.convolved, c.formula);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, NamedIons,
    ::testing::Values(NamedCase{"C6H6", kAllAtoms, 0.9999}, NamedCase{"Cl2", kAllAtoms, 0.5},
                      NamedCase{"Cl2", kAllAtoms, 0.9}, NamedCase{"C100H150N30O20S2", kAllAtoms, 0.99999},
                      NamedCase{"C257H383N65O77S6", kAllAtoms, 0.9},
                      NamedCase{"C60H90N10O20S3Cl2", 0, 0.9999}, NamedCase{"C60H90N10O20S3Cl2", 1, 0.9999},
                      NamedCase{"C60H90N10O20S3Cl2", -3, 0.9999}, NamedCase{"Sn2Xe2Cd", 3, 0.99999},
                      NamedCase{"Cl2", 10, 2.0},             // never stops: passes end with the atoms
                      NamedCase{"U100", kAllAtoms, 0.9999},  // 238U adds 4: shifts up to 400, beyond [A+319]
                      NamedCase{"U90Cl3", kAllAtoms, 0.99999},
                      NamedCase{"Ce80", kAllAtoms,
                                0.9999}));  // deltas 2, 4, 6 only: [A+319] is never reached

TEST(StopTest, ExactTieContinuesOnBothRoutes) {
    // Br2 with FAs 1/2 and 1/2: [A+0] = 1/4, after pass 1 the cumulative FA is 3/4
    // exactly, in binary, on both routes. A stop FA of 0.75 does not stop there.
    const ElementTable table;
    ClusterWorkspace prepared = PrepareIon(table, "Br2");
    prepared.workFA[0] = 0.5;
    prepared.workFA[1] = 0.5;
    const BothRoutes tie = RunBoth(prepared, 2, 0.75);
    EXPECT_EQ(tie.convolved.passCount, 2);
    ExpectSameCluster(tie.enumerated, tie.convolved, "stop 0.75");
    const BothRoutes below = RunBoth(prepared, 2, 0.7499999);
    EXPECT_EQ(below.convolved.passCount, 1);
    EXPECT_EQ(below.convolved.peakSum[4], 0);
    ExpectSameCluster(below.enumerated, below.convolved, "stop 0.7499999");
}

TEST(StopTest, OverflowAndOddShiftsFollowTheStructure) {
    const ElementTable table;
    // U100: 238U adds 4, 235U adds 1. [A+319] needs 79 + 3 = 82 heavy atoms,
    // [A+318] 79 + 2 = 81; 81 atoms already reach 324.
    const ClusterWorkspace uraniumIon = PrepareIon(table, "U100");
    const BothRoutes uranium = RunBoth(uraniumIon, 100, 0.9999);
    EXPECT_TRUE(uranium.convolved.peakOverflow);
    EXPECT_EQ(uranium.convolved.lastPeakIndex, 319);
    for (int passes : {82, 81}) {
        const BothRoutes cut = RunBoth(uraniumIon, passes, 0.9999);
        EXPECT_EQ(cut.convolved.passCount, passes);
        EXPECT_TRUE(cut.convolved.peakOverflow);
        EXPECT_EQ(cut.convolved.lastPeakIndex, passes == 82 ? 319 : 318);
        ExpectSameCluster(cut.enumerated, cut.convolved, "U100 cut at " + std::to_string(passes));
    }
    const BothRoutes cerium = RunBoth(PrepareIon(table, "Ce80"), 80, 0.9999);
    EXPECT_TRUE(cerium.convolved.peakOverflow);
    EXPECT_EQ(cerium.convolved.lastPeakIndex, 318);
}

TEST(StopTest, ManyAtomsOfOneElementKeepTheStructure) {
    // Enriched so that most atoms are heavy: Cl200 at 0.2 / 0.8 (+2 each) runs about
    // 180 passes, beyond [A+319], and makes even shifts only, [A+318] with 159
    // heavy atoms; C330 at 0.01 / 0.99 (+1 each) runs all 320 passes and makes
    // [A+319] with 319.
    const ElementTable table;
    ClusterWorkspace chlorine = PrepareIon(table, "Cl200");
    chlorine.workFA[0] = 0.2;
    chlorine.workFA[1] = 0.8;
    const BothRoutes even = RunBoth(chlorine, 200, 0.9999);
    EXPECT_TRUE(even.convolved.peakOverflow);
    EXPECT_EQ(even.convolved.lastPeakIndex, 318);
    ExpectSameCluster(even.enumerated, even.convolved, "Cl200");
    ClusterWorkspace carbon = PrepareIon(table, "C330");
    carbon.workFA[0] = 0.01;
    carbon.workFA[1] = 0.99;
    const BothRoutes every = RunBoth(carbon, 330, 0.9999);
    EXPECT_EQ(every.convolved.passCount, 320);
    EXPECT_TRUE(every.convolved.peakOverflow);
    EXPECT_EQ(every.convolved.lastPeakIndex, 319);
    ExpectSameCluster(every.enumerated, every.convolved, "C330");
}

TEST(FittingLoop, OneWorkspaceFollowsEveryTrialFA) {
    // The enrichment fit overwrites Jx's FAs at jxFAPosition and recomputes in the
    // same workspace; the ion is large enough for ComputeCluster to convolve.
    ElementTable table;
    core::UserIsotopeEntry entry;
    entry.lightMass = 14.00307;
    entry.delta = {1, 2};
    entry.fa = {0.3, 0.1};
    ASSERT_EQ(core::StoreUserElement(table, core::kFirstUserElement, entry), core::UserElementStatus::Stored);
    ClusterWorkspace workspace = PrepareIon(table, "C120H160N20O30Jx2");
    const int jx = workspace.jxFAPosition;
    ASSERT_GT(jx, 0);
    ASSERT_EQ(core::ChooseClusterRoute(workspace, workspace.polyAtomCount), ClusterRoute::Convolution);
    const double trials[][3] = {{0.2, 0.5, 0.3}, {0.9, 0.05, 0.05}, {0.01, 0.01, 0.98}, {0.5, 0.25, 0.25}};
    for (const auto& trial : trials) {
        std::copy(std::begin(trial), std::end(trial), workspace.workFA.begin() + jx);
        core::ComputeCluster(workspace, workspace.polyAtomCount, 0.99999);
        ClusterWorkspace enumerated = workspace;
        ComputeClusterByEnumeration(enumerated, workspace.polyAtomCount, 0.99999);
        ExpectSameCluster(enumerated, workspace, "Jx lightest FA " + std::to_string(trial[0]));
    }
}

TEST(FittingLoop, AVanishingHeavyFAKeepsTheCluster) {
    // A heavy FA of 1e-100 over 257 atoms: the binomial row falls through the
    // subnormal band of the extended range on its way to 1e-25700. Those terms are
    // negligible; the convolution must not give up and report the cluster beyond
    // range (Cl200 puts the cluster well within it).
    ElementTable table;
    core::UserIsotopeEntry entry;
    entry.lightMass = 12.0;
    entry.delta = {1};
    entry.fa = {1e-100};
    ASSERT_EQ(core::StoreUserElement(table, core::kFirstUserElement, entry), core::UserElementStatus::Stored);
    const ClusterWorkspace prepared = PrepareIon(table, "Cl200Jx257");
    const BothRoutes run = RunBoth(prepared, prepared.polyAtomCount, 0.9999);
    ExpectSameCluster(run.enumerated, run.convolved, "Cl200Jx257");
}

}  // namespace
}  // namespace tarnevo::testing
