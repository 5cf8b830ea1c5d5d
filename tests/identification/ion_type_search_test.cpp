// Pins the molecules of an ion type within an m/z window against a brute-force
// list: every molecule of the rows' box is built into its ion by the ion
// notation's own builder, its m/z computed from the ion's formula, and kept
// when it lies in the window. The walk must find exactly these, whatever the
// slicing of the window and the translation of the ion's window onto M's mass.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/cluster_engine.h"
#include "core/ion_mz.h"
#include "core/ion_type_search.h"

namespace tarnevo::testing {
namespace {

using core::Extended;

struct Row {
    const char* symbol;
    int minimum;
    int maximum;
};

const std::vector<Row> kRows = {{"C", 0, 14}, {"H", 0, 30}, {"N", 0, 4}, {"O", 1, 6}, {"Na", 0, 1}};

core::MoleculeRows RowsOf(const core::ElementTable& table) {
    core::MoleculeRows rows;
    for (const Row& row : kRows) {
        const int element = core::LookupSymbolText(row.symbol, 0);
        rows.elements.push_back(
            {table[element].lightMass, row.minimum, row.maximum, table[element].valenceElectrons});
        rows.elementIndex.push_back(element);
        rows.defaultMaximum.push_back(false);
    }
    return rows;
}

std::string Key(const core::ParsedFormula& formula) { return core::HillFormulaText(formula); }

// Every molecule of the box whose ion lies in the window, by brute force.
std::set<std::string> BruteForce(const core::ElementTable& table, const core::MoleculeRows& rows,
                                 const core::IonNotation& notation, core::IonMzWindow window) {
    std::set<std::string> found;
    std::vector<int> counts(kRows.size(), 0);
    for (std::size_t k = 0; k < kRows.size(); ++k) counts[k] = kRows[k].minimum;
    for (;;) {
        core::ParsedFormula molecule;
        bool any = false;
        for (std::size_t k = 0; k < kRows.size(); ++k) {
            molecule[rows.elementIndex[k]] = static_cast<std::uint32_t>(counts[k]);
            any = any || counts[k] > 0;
        }
        const std::optional<core::ParsedFormula> ion = core::BuildIonFormula(notation, molecule, "M").ion;
        if (any && ion) {
            const Extended mz = core::MzOf(core::IonMassOf(core::LightestMass(table, *ion), notation.charge),
                                           notation.charge);
            if (mz >= window.low && mz <= window.high) found.insert(Key(molecule));
        }
        std::size_t k = 0;
        while (k < kRows.size() && ++counts[k] > kRows[k].maximum) {
            counts[k] = kRows[k].minimum;
            ++k;
        }
        if (k == kRows.size()) return found;
    }
}

struct Case {
    const char* type;
    double mz;
    double halfWidth;
};

class MoleculesOfIonType : public ::testing::TestWithParam<Case> {};

TEST_P(MoleculesOfIonType, AreExactlyTheBruteForceList) {
    const core::ElementTable table;
    const core::MoleculeRows rows = RowsOf(table);
    const core::IonNotation notation = *core::ParseIonNotation(GetParam().type).notation;
    const core::IonMzWindow window{GetParam().mz - GetParam().halfWidth,
                                   GetParam().mz + GetParam().halfWidth};
    std::set<std::string> walked;
    std::size_t visits = 0;
    core::VisitIonTypeMolecules(table, rows, notation, window, [&](const core::IonTypeMolecule& found) {
        ++visits;
        if (core::BuildIonFormula(notation, found.molecule, "M").ion) walked.insert(Key(found.molecule));
        EXPECT_GE(found.mz, window.low);
        EXPECT_LE(found.mz, window.high);
        return core::SearchVisit::Continue;
    });
    const std::set<std::string> expected = BruteForce(table, rows, notation, window);
    EXPECT_EQ(walked, expected);
    EXPECT_FALSE(expected.empty());
    EXPECT_GE(visits, walked.size());  // a molecule lacking a loss reaches the visitor, which drops it
}

// Windows from a few ppm to wider than the lightest atom (which the walk must
// slice), singly and multiply charged, a dimer, a loss, and an adduct of an
// element the rows hold too (Na).
INSTANTIATE_TEST_SUITE_P(Windows, MoleculesOfIonType,
                         ::testing::Values(Case{"[M+H]+", 195.0877, 0.001}, Case{"[M+Na]+", 217.0696, 0.01},
                                           Case{"[M-H]-", 179.0561, 0.5}, Case{"[M+2H]2+", 150.05, 1.3},
                                           Case{"[2M+H]+", 389.168, 0.02}, Case{"[M-H2O+H]+", 163.06, 0.2},
                                           Case{"[M+Na]+", 250.0, 2.5}, Case{"[M]+", 200.07, 0.05}));

TEST(IonElectronClass, CountsValenceElectronsLessTheCharge) {
    const core::ElementTable table;
    core::ParsedFormula ion;
    ASSERT_EQ(core::ParseFormulaText("C8H11N4O2", ion), core::FormulaSyntax::Valid);
    // 8 x 4 + 11 + 4 x 5 + 2 x 6 = 75 valence electrons; less the charge +1: 74, even.
    EXPECT_EQ(core::IonElectronClass(table, ion, 1), core::kEvenElectron);
    // The radical cation of caffeine, C8H10N4O2 at +1: 74 - 1 = 73, odd.
    ASSERT_EQ(core::ParseFormulaText("C8H10N4O2", ion), core::FormulaSyntax::Valid);
    EXPECT_EQ(core::IonElectronClass(table, ion, 1), core::kOddElectron);
}

}  // namespace
}  // namespace tarnevo::testing
