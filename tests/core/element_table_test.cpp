// Pins the element numbering and the natural isotope data against facts that do
// not come from the code: the alphabetical index list, the counts of poly- and
// monoisotopic elements, FA order and sums, and a few hand-checked isotopes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/element_table.h"

namespace tarnevo::core {
namespace {

// The numbering written out by hand, ten per row.
constexpr const char* kExpectedSymbols[kElementCount] = {
    "Ag", "Al", "Ar", "As", "Au", "B",  "Ba", "Be", "Bi", "Br",  //
    "C",  "Ca", "Cd", "Ce", "Cl", "Co", "Cr", "Cs", "Cu", "Dy",  //
    "Er", "Eu", "F",  "Fe", "Ga", "Gd", "Ge", "H",  "He", "Hf",  //
    "Hg", "Ho", "I",  "In", "Ir", "K",  "Kr", "La", "Li", "Lu",  //
    "Mg", "Mn", "Mo", "N",  "Na", "Nb", "Nd", "Ne", "Ni", "O",   //
    "Os", "P",  "Pa", "Pb", "Pd", "Pr", "Pt", "Rb", "Re", "Rh",  //
    "Ru", "S",  "Sb", "Sc", "Se", "Si", "Sm", "Sn", "Sr", "Ta",  //
    "Tb", "Te", "Th", "Ti", "Tl", "Tm", "U",  "V",  "W",  "Xe",  //
    "Y",  "Yb", "Zn", "Zr", "Jx", "Jy", "Jz", "Qx", "Qy", "Qz",
};

TEST(ElementTable, SymbolTableGivesAlphabeticalNumbering) {
    EXPECT_EQ(symbolTable.size(), 116u);
    const ElementTable table;
    for (int i = 0; i < kElementCount; ++i) {
        EXPECT_EQ(std::string(table[i].symbol), kExpectedSymbols[i]) << "index " << i;
        EXPECT_EQ(SymbolOf(i), kExpectedSymbols[i]);
    }
}

TEST(ElementTable, SixtyTwoPolyisotopicAndTwentyTwoMonoisotopic) {
    const ElementTable table;
    int poly = 0;
    int maxHeavy = 0;
    for (int i = 0; i <= kLastNaturalElement; ++i) {
        if (table.IsPolyisotopic(i)) ++poly;
        maxHeavy = std::max(maxHeavy, table[i].heavyCount);
    }
    EXPECT_EQ(poly, 62);
    EXPECT_EQ(kLastNaturalElement + 1 - poly, 22);
    EXPECT_EQ(maxHeavy, 9);
    EXPECT_EQ(table[67].heavyCount, 9);  // Sn
}

TEST(ElementTable, HeavyIsotopesDecreaseInFAWithPositiveDeltasAndFAsSumToOne) {
    const ElementTable table;
    for (int i = 0; i <= kLastNaturalElement; ++i) {
        if (!table.IsPolyisotopic(i)) continue;
        double sum = table.LightFA(i);
        for (int k = 0; k < table[i].heavyCount; ++k) {
            EXPECT_GT(table.HeavyDelta(i, k), 0) << table[i].symbol;
            if (k > 0) {
                EXPECT_LT(table.HeavyFA(i, k), table.HeavyFA(i, k - 1)) << table[i].symbol;
            }
            sum += table.HeavyFA(i, k);
        }
        EXPECT_NEAR(sum, 1.0, 1.5e-5) << table[i].symbol;
    }
}

TEST(ElementTable, PoolsAreFilledContiguouslyUpToTheNaturalCounts) {
    const ElementTable table;
    int deltas = 0;
    int fas = 0;
    for (int i = 0; i <= kLastNaturalElement; ++i) {
        if (!table.IsPolyisotopic(i)) continue;
        EXPECT_EQ(table[i].firstDelta, deltas);
        EXPECT_EQ(table[i].firstFA, fas);
        deltas += table[i].heavyCount;
        fas += table[i].heavyCount + 1;
    }
    EXPECT_EQ(deltas, naturalDeltaCount);
    EXPECT_EQ(fas, naturalFACount);
    EXPECT_EQ(table.nextDeltaSlot, naturalDeltaCount);
    EXPECT_EQ(table.nextFASlot, naturalFACount);
}

TEST(ElementTable, SpotChecksOfTabulatedData) {
    const ElementTable table;
    EXPECT_EQ(table[27].lightMass, 1.007825);  // H to six places
    EXPECT_EQ(table[10].lightMass, 12.0);      // C
    EXPECT_EQ(table[14].lightMass, 34.96885);  // Cl
    EXPECT_EQ(table.HeavyFA(14, 0), 0.2424);
    EXPECT_EQ(table.HeavyExactMass(14, 0), 36.9659);
    EXPECT_EQ(table.LightFA(67), 0.0097);   // Sn 112
    EXPECT_EQ(table.HeavyDelta(67, 0), 8);  // Sn 120 is the most abundant
    EXPECT_EQ(table.HeavyExactMass(67, 8), 114.90335);
    EXPECT_EQ(table.LightFA(28), 0.0000013);  // He 3
    EXPECT_EQ(table.LightFA(44), 1.0);        // Na, monoisotopic
    EXPECT_EQ(table[44].valenceElectrons, 1);
    EXPECT_EQ(table[23].valenceElectrons, 0);   // Fe
    EXPECT_EQ(table[13].valenceElectrons, -1);  // Ce
    EXPECT_EQ(table[84].lightMass, 0.0);        // Jx before any entry
}

TEST(ElementTable, NominalMassRoundsHalfUp) {
    EXPECT_EQ(NominalMassNumber(34.96885), 35);
    EXPECT_EQ(NominalMassNumber(1.007825), 1);
    EXPECT_EQ(NominalMassNumber(10.5), 11);
}

}  // namespace
}  // namespace tarnevo::core
