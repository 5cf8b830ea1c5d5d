// Pins the full-precision element table that comparisons with measured m/z
// use. The evidence is independent of IsoSpec's table: isotope masses written
// by hand from the Atomic Mass Evaluation 2016 (to 1E-6 u, the precision the
// comparison needs), an ion mass summed by hand from those values, and the
// five-decimal table as an outside bound (a mass matched to the wrong isotope
// or element would lie whole units away). The rest of the table (FAs, deltas,
// valences, the user-defined elements) must be the default table's, field by
// field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/cluster_engine.h"
#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/formula_search.h"
#include "core/ion_notation.h"
#include "fine/fine_structure.h"
#include "fine/precise_masses.h"

namespace tarnevo::fine {
namespace {

// The precision the identification of an ion needs: 1E-6 u is 1 ppb at m/z
// 1000, far below the 1-2 ppm an instrument reaches.
constexpr double kPrecise = 1e-6;

core::ParsedFormula Formula(std::string_view text) {
    core::ParsedFormula formula;
    EXPECT_EQ(core::ParseFormulaText(text, formula), core::FormulaSyntax::Valid) << text;
    return formula;
}

int ElementIndex(std::string_view symbol) {
    const int index = core::LookupSymbolText(symbol, 0);
    EXPECT_NE(index, core::kNoSymbol) << symbol;
    return index;
}

// One isotope of the table: its element, its mass number and both masses.
struct TableIsotope {
    int element = 0;
    int massNumber = 0;
    double fiveDecimalMass = 0.0;
    double preciseMass = 0.0;
};

// Every natural isotope of both tables, side by side.
std::vector<TableIsotope> NaturalIsotopes() {
    const core::ElementTable plain;
    const core::ElementTable precise = PreciseElementTable();
    std::vector<TableIsotope> isotopes;
    for (int element = 0; element <= core::kLastNaturalElement; ++element) {
        const int lightest = core::NominalMassNumber(plain[element].lightMass);
        isotopes.push_back({element, lightest, plain[element].lightMass, precise[element].lightMass});
        for (int k = 0; k < plain[element].heavyCount; ++k)
            isotopes.push_back({element, lightest + plain.HeavyDelta(element, k),
                                plain.HeavyExactMass(element, k), precise.HeavyExactMass(element, k)});
    }
    return isotopes;
}

std::string NameOf(const TableIsotope& isotope) {
    return std::to_string(isotope.massNumber) + std::string(core::SymbolOf(isotope.element));
}

// A mass given by hand from AME 2016 (Wang et al., Chinese Physics C 41,
// 030003), u, every digit as published.
struct HandMass {
    const char* symbol;
    int massNumber;
    double ame2016;
};

class PreciseMassTest : public testing::TestWithParam<HandMass> {};

TEST_P(PreciseMassTest, AgreesWithTheEvaluationToAMillionthOfAUnit) {
    const HandMass& hand = GetParam();
    const core::ElementTable precise = PreciseElementTable();
    const int element = ElementIndex(hand.symbol);
    const int lightest = core::NominalMassNumber(precise[element].lightMass);
    double mass = precise[element].lightMass;
    for (int k = 0; k < precise[element].heavyCount; ++k)
        if (lightest + precise.HeavyDelta(element, k) == hand.massNumber)
            mass = precise.HeavyExactMass(element, k);
    ASSERT_EQ(core::NominalMassNumber(mass), hand.massNumber) << "the table holds no such isotope";
    EXPECT_NEAR(mass, hand.ame2016, kPrecise) << hand.massNumber << hand.symbol;
}

// Every natural isotope of the elements an identification considers: those of
// organic compounds and their usual adduct partners.
INSTANTIATE_TEST_SUITE_P(OrganicElements, PreciseMassTest,
                         testing::Values(HandMass{"H", 1, 1.00782503223}, HandMass{"H", 2, 2.01410177812},
                                         HandMass{"C", 13, 13.00335483507}, HandMass{"N", 14, 14.00307400443},
                                         HandMass{"N", 15, 15.00010889888}, HandMass{"O", 16, 15.99491461957},
                                         HandMass{"O", 17, 16.99913175650}, HandMass{"O", 18, 17.99915961286},
                                         HandMass{"F", 19, 18.99840316273}, HandMass{"Na", 23, 22.9897692820},
                                         HandMass{"Si", 28, 27.97692653465},
                                         HandMass{"Si", 29, 28.97649466490}, HandMass{"Si", 30, 29.973770136},
                                         HandMass{"P", 31, 30.97376199842}, HandMass{"S", 32, 31.9720711744},
                                         HandMass{"S", 33, 32.9714589098}, HandMass{"S", 34, 33.967867004},
                                         HandMass{"S", 36, 35.96708071}, HandMass{"Cl", 35, 34.968852682},
                                         HandMass{"Cl", 37, 36.965902602}, HandMass{"K", 39, 38.9637064864},
                                         HandMass{"K", 40, 39.963998166}, HandMass{"K", 41, 40.9618252579},
                                         HandMass{"Br", 79, 78.9183376}, HandMass{"Br", 81, 80.9162897}),
                         [](const testing::TestParamInfo<HandMass>& hand) {
                             return std::string(hand.param.symbol) + std::to_string(hand.param.massNumber);
                         });

// 12C defines the unit: its mass is 12 u exactly, not merely to a millionth.
TEST(PreciseElementTable, CarbonTwelveIsExactlyTwelve) {
    EXPECT_EQ(PreciseElementTable()[ElementIndex("C")].lightMass, 12.0);
}

// Every natural isotope found its full-precision mass by element and mass
// number; none kept its five-decimal mass for want of one.
TEST(PreciseElementTable, EveryNaturalIsotopeHasAPreciseMass) {
    for (const TableIsotope& isotope : NaturalIsotopes()) {
        const auto mass = PreciseIsotopeMass(core::SymbolOf(isotope.element), isotope.massNumber);
        ASSERT_TRUE(mass.has_value()) << NameOf(isotope);
        EXPECT_EQ(isotope.preciseMass, *mass) << NameOf(isotope);
    }
    EXPECT_FALSE(PreciseIsotopeMass("C", 14).has_value());  // radioactive, not in nature's mix
    EXPECT_FALSE(PreciseIsotopeMass("Jx", 1).has_value());  // user-defined: no evaluation knows it
}

// Where the two tables round the same mass, they lie within the five-decimal
// rounding of each other: 5E-6 u. That holds for the elements of organic
// compounds and their adduct partners (and iodine), whose masses the
// evaluations have not moved since the five-decimal table was written.
TEST(PreciseElementTable, OrganicElementsLieWithinTheFiveDecimalRounding) {
    constexpr double kFiveDecimalRounding = 5e-6;
    const std::vector<std::string_view> organic = {"H",  "C",  "N", "O",  "P",  "S", "F",
                                                   "Cl", "Br", "I", "Si", "Na", "K"};
    for (const TableIsotope& isotope : NaturalIsotopes()) {
        if (std::find(organic.begin(), organic.end(), core::SymbolOf(isotope.element)) == organic.end())
            continue;
        EXPECT_NEAR(isotope.preciseMass, isotope.fiveDecimalMass, kFiveDecimalRounding) << NameOf(isotope);
    }
}

// For the heavy elements the evaluation moved masses since the five-decimal
// table was written, by up to 3.3E-5 u (126Xe, 120Te); a mass matched to the
// wrong isotope or element would lie at least about 1 u away. 5E-5 u tells the
// two apart and would also catch a digit lost at the fourth decimal.
TEST(PreciseElementTable, EveryNaturalIsotopeStaysTheSameIsotope) {
    constexpr double kEvaluationDrift = 5e-5;
    for (const TableIsotope& isotope : NaturalIsotopes())
        EXPECT_NEAR(isotope.preciseMass, isotope.fiveDecimalMass, kEvaluationDrift) << NameOf(isotope);
}

// Only masses change: the FAs that shape every pattern, the deltas, the
// valences and the pool layout stay the default table's, and so do the
// user-defined elements, which have no isotopes until a calculation enters them.
TEST(PreciseElementTable, KeepsEverythingButTheMasses) {
    const core::ElementTable plain;
    const core::ElementTable precise = PreciseElementTable();
    for (int element = 0; element < core::kElementCount; ++element) {
        const core::ElementRecord& a = plain[element];
        const core::ElementRecord& b = precise[element];
        EXPECT_EQ(std::string(a.symbol), std::string(b.symbol));
        EXPECT_EQ(a.heavyCount, b.heavyCount) << a.symbol;
        EXPECT_EQ(a.firstDelta, b.firstDelta) << a.symbol;
        EXPECT_EQ(a.firstFA, b.firstFA) << a.symbol;
        EXPECT_EQ(a.valenceElectrons, b.valenceElectrons) << a.symbol;
        if (element >= core::kFirstUserElement) {
            EXPECT_EQ(a.lightMass, b.lightMass) << a.symbol;
        }
    }
    EXPECT_EQ(plain.faPool, precise.faPool);
    EXPECT_EQ(plain.deltaPool, precise.deltaPool);
    for (int slot = core::naturalDeltaCount; slot < core::kHeavyMassPoolSize; ++slot)
        EXPECT_EQ(plain.heavyMassPool[slot], precise.heavyMassPool[slot]) << slot;
    EXPECT_EQ(plain.nextDeltaSlot, precise.nextDeltaSlot);
    EXPECT_EQ(plain.nextFASlot, precise.nextFASlot);
}

// Protonated caffeine, C8H11N4O2+, summed by hand from the AME 2016 masses:
//   8 x 12                    =  96
//   11 x 1.00782503223        =  11.08607535453
//   4 x 14.00307400443        =  56.01229601772
//   2 x 15.99491461957        =  31.98982923914
//   minus one electron        =  -0.000548579909
//   m/z                       = 195.08765203148
// The five-decimal masses give 195.08762642, 2.6E-5 u (0.13 ppm) short: the
// error this table exists to remove.
TEST(PreciseElementTable, ProtonatedCaffeineToAMillionthOfAUnit) {
    constexpr double kHandMz = 195.08765203148;
    const core::ParsedFormula ion = Formula("C8H11N4O2");
    const auto precise = static_cast<double>(core::IonMz(core::LightestMass(PreciseElementTable(), ion), 1));
    EXPECT_NEAR(precise, kHandMz, kPrecise);
    const auto plain = static_cast<double>(core::IonMz(core::LightestMass(core::ElementTable{}, ion), 1));
    EXPECT_GT(std::fabs(plain - kHandMz), 2e-5);
}

// The fine structure built on the precise table carries the precise masses
// into its lines, the heavy ones included: the 13C line of protonated caffeine
// lies one 13C - 12C difference (1.00335483507 u) above the monoisotopic one,
// at 196.09100686655. Its nearest neighbour, the 17O line, lies 8.6E-4 u
// higher, so a line within 1E-4 u is the one meant.
TEST(PreciseElementTable, FineStructureLinesUseThePreciseMasses) {
    constexpr double kSameLine = 1e-4;
    const FineStructureResult result = FineStructure(PreciseElementTable(), Formula("C8H11N4O2"), 1);
    ASSERT_EQ(result.status, FineStatus::Computed);
    const auto lineNear = [&result, kSameLine](double mz) {
        for (const core::SpectrumLine& line : result.lines)
            if (std::fabs(line.mz - mz) < kSameLine) return line.mz;
        return 0.0;
    };
    EXPECT_NEAR(lineNear(195.08765203148), 195.08765203148, kPrecise);
    EXPECT_NEAR(lineNear(196.09100686655), 196.09100686655, kPrecise);
}

}  // namespace
}  // namespace tarnevo::fine
