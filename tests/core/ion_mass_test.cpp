// Pins the masses a user reads off the page and the JSON: the [A+0] ion mass with
// the true electron mass for positive, negative and multiple charges, and the
// centroid mass of each peak (the abundance-weighted mean of its compositions).
// Expectations are worked by hand from the table's isotope masses; the centroids
// of ions whose peaks each hold one composition are that composition's mass, and
// a peak that mixes two compositions is their weighted mean. Both routes of the
// engine are run on each ion, so the convolution's moment is checked against the
// same hand values as the enumeration's.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/cluster_convolution.h"
#include "core/cluster_enumeration.h"
#include "core/program_context.h"

namespace tarnevo::core {
namespace {

constexpr double kElectron = 0.000548579909;  // u, CODATA 2018
// Isotope masses of the element table (u).
constexpr double kH1 = 1.007825;
constexpr double kH2 = 2.0141;
constexpr double kC12 = 12.0;
constexpr double kC13 = 13.00335;
constexpr double kO16 = 15.99491;
constexpr double kCl35 = 34.96885;
constexpr double kCl37 = 36.9659;
constexpr double kBr79 = 78.91834;
constexpr double kBr81 = 80.91629;

struct MassCase {
    const char* formula;
    int charge;
    double ionMassA;
};

void PrintTo(const MassCase& c, std::ostream* out) { *out << c.formula << " z=" << c.charge; }

class IonMass : public ::testing::TestWithParam<MassCase> {};

TEST_P(IonMass, LightestIsotopesMinusChargeTimesElectron) {
    const MassCase& c = GetParam();
    auto program = std::make_unique<ProgramContext>();
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText(c.formula, formula), FormulaSyntax::Valid);
    const LimitCheck check = CheckClusterLimits(program->elements, program->cluster, formula, c.charge);
    ASSERT_EQ(check.status, ClusterLimit::WithinLimits);
    EXPECT_NEAR(check.ionMassA, c.ionMassA, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(WorkedByHand, IonMass,
                         ::testing::Values(
                             // H3O+: 3 x 1.007825 + 15.99491 - 0.000548579909 = 19.017836420091
                             MassCase{"H3O", 1, 19.017836420091},
                             // OH-: 15.99491 + 1.007825 + 0.000548579909 = 17.003283579909
                             MassCase{"OH", -1, 17.003283579909},
                             // C6H5Cl2+: 72 + 5.039125 + 69.9377 - 0.000548579909 = 146.976276420091
                             MassCase{"C6H5Cl2", 1, 146.976276420091},
                             // C6H6 3+: 72 + 6.04695 - 3 x 0.000548579909 = 78.045304260273
                             MassCase{"C6H6", 3, 78.045304260273},
                             // Cl2 2-: 69.9377 + 2 x 0.000548579909 = 69.938797159818
                             MassCase{"Cl2", -2, 69.938797159818}));

// The cluster of `text` at charge 1 by the given route. The stop FA decides which
// passes (compositions by their number of heavy atoms) the peaks include.
std::unique_ptr<ProgramContext> Cluster(const std::string& text, ClusterRoute route,
                                        double stopFA = 0.99999) {
    auto program = std::make_unique<ProgramContext>();
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(text, formula), FormulaSyntax::Valid);
    EXPECT_EQ(CheckClusterLimits(program->elements, program->cluster, formula, 1).status,
              ClusterLimit::WithinLimits);
    OrderPolyisotopicElements(program->elements, program->cluster, formula);
    if (route == ClusterRoute::Enumeration) {
        ComputeClusterByEnumeration(program->cluster, program->cluster.polyAtomCount, stopFA);
    } else {
        ComputeClusterByConvolution(program->cluster, program->cluster.polyAtomCount, stopFA);
    }
    return program;
}

class PeakCentroid : public ::testing::TestWithParam<ClusterRoute> {};

TEST_P(PeakCentroid, OneCompositionPerPeakSitsAtItsMass) {
    const auto chlorine = Cluster("Cl2", GetParam());
    // [A+2] is 35Cl37Cl only, 1.99705 u above [A+0], not 2.
    EXPECT_NEAR(PeakCentroidMass(chlorine->cluster, 0), 2 * kCl35 - kElectron, 1e-11);
    EXPECT_NEAR(PeakCentroidMass(chlorine->cluster, 2), kCl35 + kCl37 - kElectron, 1e-11);
    EXPECT_NEAR(PeakCentroidMass(chlorine->cluster, 4), 2 * kCl37 - kElectron, 1e-11);

    const auto bromine = Cluster("Br2", GetParam());
    EXPECT_NEAR(PeakCentroidMass(bromine->cluster, 2), kBr79 + kBr81 - kElectron, 1e-11);
    EXPECT_NEAR(PeakCentroidMass(bromine->cluster, 4), 2 * kBr81 - kElectron, 1e-11);

    const auto carbon = Cluster("C", GetParam());
    EXPECT_NEAR(PeakCentroidMass(carbon->cluster, 1), kC13 - kElectron, 1e-11);
}

TEST_P(PeakCentroid, AMixedPeakIsTheWeightedMeanOfItsCompositions) {
    // CH [A+1]: 13C1H with 0.0107 x 0.999885, or 12C2H with 0.9893 x 0.000115.
    const auto methylidyne = Cluster("CH", GetParam());
    const double heavyCarbon = 0.0107 * 0.999885;
    const double deuterium = 0.9893 * 0.000115;
    const double expected =
        (heavyCarbon * (kC13 + kH1) + deuterium * (kC12 + kH2)) / (heavyCarbon + deuterium) - kElectron;
    EXPECT_NEAR(PeakCentroidMass(methylidyne->cluster, 1), expected, 1e-11);
    // The cluster's mean over the compositions counted: after one pass the
    // cumulative FA (1 - 1.2e-6) passes 0.99999, so 13C2H is not among them.
    const double light = 0.9893 * 0.999885;
    const double average = (light * (kC12 + kH1) + heavyCarbon * (kC13 + kH1) + deuterium * (kC12 + kH2)) /
                               (light + heavyCarbon + deuterium) -
                           kElectron;
    EXPECT_NEAR(ClusterAverageMass(methylidyne->cluster), average, 1e-11);
}

TEST_P(PeakCentroid, OxygenPeaksMixItsTwoHeavyIsotopes) {
    // O2 [A+2]: 16O18O (2 x 0.99757 x 0.00205) or 17O17O (0.00038^2), the latter
    // with two heavy atoms: counted once the second pass runs.
    const auto oxygen = Cluster("O2", GetParam(), 0.9999999);
    const double mixed = 2 * 0.99757 * 0.00205;
    const double seventeen = 0.00038 * 0.00038;
    const double expected =
        (mixed * (kO16 + 17.99916) + seventeen * 2 * 16.99913) / (mixed + seventeen) - kElectron;
    EXPECT_NEAR(PeakCentroidMass(oxygen->cluster, 2), expected, 1e-11);
}

INSTANTIATE_TEST_SUITE_P(BothRoutes, PeakCentroid,
                         ::testing::Values(ClusterRoute::Enumeration, ClusterRoute::Convolution),
                         [](const auto& route) {
                             return route.param == ClusterRoute::Enumeration ? "Enumeration" : "Convolution";
                         });

TEST(PeakCentroid, AnEmptyPeakSitsAtItsNominalMass) {
    const auto chlorine = Cluster("Cl2", ClusterRoute::Enumeration);
    EXPECT_DOUBLE_EQ(PeakCentroidMass(chlorine->cluster, 1), chlorine->cluster.ionMassA + 1);
}

}  // namespace
}  // namespace tarnevo::core
