// Pins what the fine structure promises beyond each line being exact (the
// enumeration test checks that): the lines hold at least the coverage asked for
// and are the fewest that do (dropping the weakest falls short), they come in
// m/z order, a higher coverage only adds lines no more abundant than the
// weakest already given (so the lines are the most probable ones, not merely
// enough of them), an ion of monoisotopic atoms is one line at the mass of its
// atoms less its electrons, and what cannot be computed is refused with a
// status and a message and no lines. The 500 Da ion (a protonated drug-like
// molecule with sulfur) has enough compositions for the coverage to bite at
// every level tried.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/cluster_engine.h"
#include "fine/fine_structure.h"

namespace tarnevo::fine {
namespace {

core::ParsedFormula Formula(const std::string& text) {
    core::ParsedFormula formula;
    EXPECT_EQ(core::ParseFormulaText(text, formula), core::FormulaSyntax::Valid) << text;
    return formula;
}

long double Sum(const std::vector<core::SpectrumLine>& lines) {
    long double sum = 0.0L;
    for (const core::SpectrumLine& line : lines) sum += line.abundance;
    return sum;
}

double Weakest(const std::vector<core::SpectrumLine>& lines) {
    double weakest = 1.0;
    for (const core::SpectrumLine& line : lines) weakest = std::min(weakest, line.abundance);
    return weakest;
}

class CoveragePromise : public ::testing::TestWithParam<double> {};

TEST_P(CoveragePromise, FewestLinesThatHoldTheCoverageInMzOrder) {
    const double coverage = GetParam();
    const core::ElementTable table;
    const FineStructureResult result = FineStructure(table, Formula("C24H33N4O6S"), 1, coverage);
    ASSERT_EQ(result.status, FineStatus::Computed);
    ASSERT_FALSE(result.lines.empty());

    const long double sum = Sum(result.lines);
    EXPECT_GE(sum, static_cast<long double>(coverage));
    EXPECT_LT(sum - Weakest(result.lines), static_cast<long double>(coverage));
    EXPECT_NEAR(result.coveredAbundance, static_cast<double>(sum), 1e-15);
    EXPECT_TRUE(
        std::is_sorted(result.lines.begin(), result.lines.end(),
                       [](const core::SpectrumLine& a, const core::SpectrumLine& b) { return a.mz < b.mz; }));
    for (const core::SpectrumLine& line : result.lines) {
        EXPECT_EQ(line.variance, 0.0);
        EXPECT_GT(line.abundance, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, CoveragePromise, ::testing::Values(0.5, 0.9, 0.99, 0.9999, 0.999999));

TEST(FineStructure, AHigherCoverageAddsOnlyWeakerLines) {
    const core::ElementTable table;
    const core::ParsedFormula ion = Formula("C24H33N4O6S");
    const FineStructureResult fewer = FineStructure(table, ion, 1, 0.99);
    const FineStructureResult more = FineStructure(table, ion, 1, 0.999999);
    ASSERT_EQ(fewer.status, FineStatus::Computed);
    ASSERT_EQ(more.status, FineStatus::Computed);
    ASSERT_GT(more.lines.size(), fewer.lines.size());

    // Lines are told apart by m/z: distinct compositions of natural isotopes
    // of this ion never weigh within 1E-9 u of each other. The same composition
    // may differ in its last bits between the two runs (IsoSpec sums the
    // elements' parts in an order of its own).
    const double weakestKept = Weakest(fewer.lines);
    std::size_t added = 0;
    for (const core::SpectrumLine& line : more.lines) {
        const bool kept =
            std::any_of(fewer.lines.begin(), fewer.lines.end(), [&line](const core::SpectrumLine& f) {
                return std::fabs(f.mz - line.mz) < 1e-9 && std::fabs(f.abundance - line.abundance) < 1e-15;
            });
        if (kept) continue;
        ++added;
        EXPECT_LE(line.abundance, weakestKept) << "m/z " << line.mz;
    }
    EXPECT_EQ(added, more.lines.size() - fewer.lines.size());
}

TEST(FineStructure, MonoisotopicAtomsGiveOneLineAtTheirMass) {
    // NaF2-: sodium and fluorine have one isotope each, so the whole ion is one
    // composition of abundance 1 at (m(Na) + 2 m(F) + me) / 1.
    const core::ElementTable table;
    const int sodium = core::LookupSymbolText("Na", 0);
    const int fluorine = core::LookupSymbolText("F", 0);
    const FineStructureResult result = FineStructure(table, Formula("NaF2"), -1);
    ASSERT_EQ(result.status, FineStatus::Computed);
    ASSERT_EQ(result.lines.size(), 1U);
    const double expected = table[sodium].lightMass + 2 * table[fluorine].lightMass + core::electronMass;
    EXPECT_NEAR(result.lines.front().mz, expected, 1e-9);
    EXPECT_EQ(result.lines.front().abundance, 1.0);
}

struct Refusal {
    std::string name;
    std::string formula;
    int charge = 1;
    double coverage = kDefaultCoverage;
    std::size_t maxLines = kMaxFineLines;
    FineStatus status = FineStatus::Computed;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class FineStructureRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(FineStructureRefusal, GivesItsStatusAMessageAndNoLines) {
    const Refusal& r = GetParam();
    const core::ElementTable table;
    core::ParsedFormula ion;
    if (!r.formula.empty()) ion = Formula(r.formula);
    const FineStructureResult result = FineStructure(table, ion, r.charge, r.coverage, r.maxLines);
    EXPECT_EQ(result.status, r.status);
    EXPECT_TRUE(result.lines.empty());
    EXPECT_FALSE(FineStatusMessage(result.status).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FineStructureRefusal,
    ::testing::Values(
        Refusal{"NoAtoms", "", 1, kDefaultCoverage, kMaxFineLines, FineStatus::NoAtoms},
        Refusal{"ZeroCharge", "CH4S", 0, kDefaultCoverage, kMaxFineLines, FineStatus::ZeroCharge},
        Refusal{"ZeroCoverage", "CH4S", 1, 0.0, kMaxFineLines, FineStatus::BadCoverage},
        Refusal{"NegativeCoverage", "CH4S", 1, -0.5, kMaxFineLines, FineStatus::BadCoverage},
        Refusal{"CoverageAboveOne", "CH4S", 1, 1.0000001, kMaxFineLines, FineStatus::BadCoverage},
        Refusal{"CoverageNotANumber", "CH4S", 1, std::numeric_limits<double>::quiet_NaN(), kMaxFineLines,
                FineStatus::BadCoverage},
        Refusal{"UserElementNotEntered", "CH3Jx", 1, kDefaultCoverage, kMaxFineLines,
                FineStatus::UndefinedElement},
        // C24H33N4O6S needs far more than 20 lines for 0.9999 of its pattern.
        Refusal{"BeyondTheLineCeiling", "C24H33N4O6S", 1, kDefaultCoverage, 20, FineStatus::TooManyLines}),
    [](const ::testing::TestParamInfo<Refusal>& test) { return test.param.name; });

TEST(FineStructure, AnElementBeyondTheAtomLimitIsRefused) {
    // The formula parser stops at 20000 atoms of an element; a formula built
    // in code (an ion type's k x M) is held to the same limit.
    const core::ElementTable table;
    core::ParsedFormula ion = Formula("CH4");
    ion[core::LookupSymbolText("C", 0)] = core::kMaxAtomsPerElement + 1;
    const FineStructureResult result = FineStructure(table, ion, 1);
    EXPECT_EQ(result.status, FineStatus::TooManyAtoms);
    EXPECT_TRUE(result.lines.empty());
    EXPECT_FALSE(FineStatusMessage(result.status).empty());
}

}  // namespace
}  // namespace tarnevo::fine
