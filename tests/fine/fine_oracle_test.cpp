// Pins every line of the fine structure against an exact enumeration that
// shares nothing with IsoSpec's layered walk: each element's atoms are shared
// among its isotopes in every possible way, each sharing weighted by its
// multinomial probability n! / (c0! c1! ...) x p0^c0 x p1^c1 ... computed
// directly in long double, and the elements are combined by a plain Cartesian
// product, so no composition is pruned, merged or approximated. The ions are
// small enough (at most a few thousand compositions) for the enumeration to be
// exact to the last digits that matter. At a coverage within 1E-11 of the whole
// pattern each line given must be one composition of the enumeration, at the
// same m/z to 1E-9 u and with the same abundance to 1E-12, and every
// composition the lines could not have left out (more abundant than what the
// coverage leaves over) must be among them. The ions take in sulfur's four
// isotopes, chlorine, a negative and a doubly charged ion, monoisotopic atoms,
// a user-defined element typed by its deltas (whose compositions share masses
// exactly: two atoms of +1 weigh what one of +2 does) and an enriched one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/cluster_engine.h"
#include "core/enriched_element.h"
#include "core/user_element.h"
#include "fine/fine_structure.h"

namespace tarnevo::fine {
namespace {

struct OracleLine {
    long double mass = 0.0L;  // u, neutral
    long double abundance = 0.0L;
};

struct OracleIsotope {
    long double mass = 0.0L;
    long double fa = 0.0L;
};

std::vector<OracleIsotope> IsotopesOf(const core::ElementTable& table, int element) {
    const core::ElementRecord& record = table[element];
    std::vector<OracleIsotope> isotopes = {{record.lightMass, table.LightFA(element)}};
    for (int k = 0; k < record.heavyCount; ++k) {
        const double exact = table.HeavyExactMass(element, k);
        const long double mass =
            exact != 0.0 ? exact : record.lightMass + static_cast<long double>(table.HeavyDelta(element, k));
        isotopes.push_back({mass, table.HeavyFA(element, k)});
    }
    return isotopes;
}

long double Factorial(int n) {
    long double product = 1.0L;
    for (int k = 2; k <= n; ++k) product *= k;
    return product;
}

long double Power(long double base, int exponent) {
    long double product = 1.0L;
    for (int k = 0; k < exponent; ++k) product *= base;
    return product;
}

// Every sharing of atoms among the isotopes from `isotope` on, appended to out.
void Share(const std::vector<OracleIsotope>& isotopes, std::size_t isotope, int left,
           std::vector<int>& counts, int atoms, std::vector<OracleLine>& out) {
    if (isotope + 1 == isotopes.size()) {
        counts[isotope] = left;
        OracleLine line{0.0L, Factorial(atoms)};
        for (std::size_t i = 0; i < isotopes.size(); ++i) {
            line.abundance *= Power(isotopes[i].fa, counts[i]) / Factorial(counts[i]);
            line.mass += counts[i] * isotopes[i].mass;
        }
        out.push_back(line);
        return;
    }
    for (int c = 0; c <= left; ++c) {
        counts[isotope] = c;
        Share(isotopes, isotope + 1, left - c, counts, atoms, out);
    }
}

std::vector<OracleLine> Enumerate(const core::ElementTable& table, const core::ParsedFormula& ion) {
    std::vector<OracleLine> whole = {{0.0L, 1.0L}};
    for (int element = 0; element < core::kElementCount; ++element) {
        const int atoms = static_cast<int>(ion[element]);
        if (atoms == 0) continue;
        const std::vector<OracleIsotope> isotopes = IsotopesOf(table, element);
        std::vector<int> counts(isotopes.size(), 0);
        std::vector<OracleLine> ofElement;
        Share(isotopes, 0, atoms, counts, atoms, ofElement);
        std::vector<OracleLine> combined;
        for (const OracleLine& a : whole)
            for (const OracleLine& b : ofElement)
                combined.push_back({a.mass + b.mass, a.abundance * b.abundance});
        whole = std::move(combined);
    }
    std::sort(whole.begin(), whole.end(),
              [](const OracleLine& a, const OracleLine& b) { return a.mass < b.mass; });
    return whole;
}

long double OracleMz(long double mass, int charge) {
    return (mass - charge * static_cast<long double>(core::electronMass)) / std::abs(charge);
}

void DefineTypedJx(core::ElementTable& table) {
    // Light isotope 50 u; +1 at FA 0.3 and +2 at FA 0.2, so 0.5 stays light.
    core::UserIsotopeEntry entry;
    entry.lightMass = 50.0;
    entry.delta[0] = 1;
    entry.fa[0] = 0.3;
    entry.delta[1] = 2;
    entry.fa[1] = 0.2;
    ASSERT_EQ(core::StoreUserElement(table, core::kFirstUserElement, entry), core::UserElementStatus::Stored);
}

void DefineEnrichedCarbonAsJy(core::ElementTable& table) {
    // 13C enriched to 99 %: the slot keeps carbon's exact masses.
    const int carbon = core::LookupSymbolText("C", 0);
    const core::IsotopeList isotopes = core::NaturalIsotopesByMass(table, carbon);
    const double heavy[] = {0.99};
    std::array<double, core::kMaxElementIsotopes> fa{};
    ASSERT_EQ(core::CompleteEnrichedFAs(isotopes, heavy, fa), core::EnrichmentStatus::Stored);
    core::StoreEnrichedElement(table, core::kFirstUserElement + 1, isotopes, fa);
}

struct OracleCase {
    std::string name;
    std::string formula;
    int charge = 1;
    void (*define)(core::ElementTable&) = nullptr;
};

void PrintTo(const OracleCase& c, std::ostream* os) { *os << c.name; }

class FineStructureOracle : public ::testing::TestWithParam<OracleCase> {};

// Every line given is an unused composition of the enumeration at its m/z
// (1E-9 u) with its abundance (1E-12); of compositions at the same mass the one
// of nearest abundance is taken. Returns which enumeration lines were used.
std::vector<bool> MatchEachLine(const std::vector<core::SpectrumLine>& lines,
                                const std::vector<OracleLine>& oracle, int charge) {
    const long double mzTolerance = 1e-9L / std::abs(charge);
    std::vector<bool> used(oracle.size(), false);
    for (const core::SpectrumLine& line : lines) {
        std::size_t best = oracle.size();
        long double bestGap = 1.0L;
        for (std::size_t i = 0; i < oracle.size(); ++i) {
            if (used[i] || std::fabs(OracleMz(oracle[i].mass, charge) - line.mz) > mzTolerance) continue;
            const long double gap = std::fabs(oracle[i].abundance - line.abundance);
            if (gap < bestGap) {
                best = i;
                bestGap = gap;
            }
        }
        EXPECT_LT(best, oracle.size()) << "no composition at m/z " << line.mz;
        if (best == oracle.size()) continue;
        EXPECT_LE(bestGap, 1e-12L) << "abundance at m/z " << line.mz;
        used[best] = true;
    }
    return used;
}

TEST_P(FineStructureOracle, EveryLineIsAnExactComposition) {
    const OracleCase& c = GetParam();
    core::ElementTable table;
    if (c.define != nullptr) c.define(table);
    core::ParsedFormula ion;
    ASSERT_EQ(core::ParseFormulaText(c.formula, ion), core::FormulaSyntax::Valid);

    const std::vector<OracleLine> oracle = Enumerate(table, ion);
    long double total = 0.0L;
    for (const OracleLine& line : oracle) total += line.abundance;
    // The table's FAs add up to 1 within their printed digits, so the whole
    // pattern may hold a little more or less than 1.
    const double coverage = static_cast<double>(std::min(total, 1.0L)) - 1e-11;
    const FineStructureResult result = FineStructure(table, ion, c.charge, coverage);
    ASSERT_EQ(result.status, FineStatus::Computed);

    const std::vector<bool> used = MatchEachLine(result.lines, oracle, c.charge);
    // The lines hold at least coverage, so what they leave out holds at most
    // total - coverage: no composition above that can be missing.
    const long double mustAppear = total - coverage + 1e-13L;
    for (std::size_t i = 0; i < oracle.size(); ++i) {
        if (oracle[i].abundance > mustAppear) {
            EXPECT_TRUE(used[i]) << "missing m/z " << static_cast<double>(OracleMz(oracle[i].mass, c.charge))
                                 << " of abundance " << static_cast<double>(oracle[i].abundance);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    SmallIons, FineStructureOracle,
    ::testing::Values(OracleCase{"Dichlorophenyl", "C6H5Cl2", 1}, OracleCase{"Methanethiol", "CH4S", 1},
                      OracleCase{"Dimethylsulfoxide", "C2H6SO", 1},
                      OracleCase{"CysteineNeutralFormula", "C3H7NO2S", 1},
                      OracleCase{"CysteineDeprotonated", "C3H6NO2S", -1},
                      OracleCase{"DoublyCharged", "C2H6SO", 2}, OracleCase{"DoublyNegative", "C3H5NO2S", -2},
                      OracleCase{"WithMonoisotopicAtoms", "C2H3F3NaP", 1},
                      OracleCase{"TypedUserElement", "Jx2CH3", 1, DefineTypedJx},
                      OracleCase{"EnrichedCarbon", "Jy3H7NO2S", 1, DefineEnrichedCarbonAsJy}),
    [](const ::testing::TestParamInfo<OracleCase>& test) { return test.param.name; });

}  // namespace
}  // namespace tarnevo::fine
