// Pins that the fine structure's memory is bounded before IsoSpec allocates
// it, and that running short of memory is reported, never a crash. Hand-derived
// sizes: all compositions of n atoms of an element of k isotopes number
// C(n + k - 1, k - 1) (10 tin atoms, 10 isotopes: C(19, 9) = 92,378), which
// bounds the estimate; 160 tin atoms reach 10^10 subisotopologues within the
// first layers, far beyond any memory. The resolved peaks of protonated
// caffeine are checked against the brute-force oracle of
// tests/support/profile_oracle.h.
#include <IsoSpec++/isoMath.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/resolved_peaks.h"
#include "fine/fine_memory.h"
#include "fine/fine_structure.h"
#include "tests/support/profile_oracle.h"

namespace tarnevo::fine {
namespace {

core::ParsedFormula Formula(const std::string& text) {
    core::ParsedFormula formula;
    EXPECT_EQ(core::ParseFormulaText(text, formula), core::FormulaSyntax::Valid) << text;
    return formula;
}

// Tin's ten isotopes at their natural abundances.
const std::vector<double> kTin = {0.0097, 0.0066, 0.0034, 0.1454, 0.0768,
                                  0.2422, 0.0859, 0.3259, 0.0463, 0.0579};

TEST(MarginalEstimate, NeverCountsMoreThanAllCompositions) {
    const MarginalShape tin10[] = {{10, kTin}};
    // However deep, at most C(19, 9) = 92,378 subisotopologues of (4 x 10 + 32)
    // bytes, twice for the neighbours kept beside them.
    const MarginalEstimate deep = EstimateMarginals(tin10, 1000.0);
    EXPECT_NEAR(deep.largestCount, 92378.0, 1e-6 * 92378.0);
    EXPECT_NEAR(deep.bytes, 92378.0 * 2 * 72, 1e-6 * 92378.0 * 2 * 72);
}

TEST(MarginalEstimate, OfHundredsOfTinAtomsRunsBeyondTheCeilingWithinTheFirstLayer) {
    const MarginalShape tin160[] = {{160, kTin}};
    EXPECT_GT(EstimateMarginals(tin160, 3.0).bytes, kMaxFineBytes);
}

// Regression: 160 tin atoms took 2.6 GB and seconds before the line ceiling
// stopped them. The estimate refuses the layer before it is allocated.
class BeyondMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(BeyondMemory, IsRefusedBeforeItIsAllocated) {
    const core::ElementTable table;
    const FineStructureResult result = FineStructure(table, Formula(GetParam()), 1, 0.99999999);
    EXPECT_EQ(result.status, FineStatus::TooManyLines);
    EXPECT_TRUE(result.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(HeavyIons, BeyondMemory, ::testing::Values("Sn160", "Sn120", "Sn100Xe40", "Sn60"));

TEST(FineStructure, TenTinAtomsStillHaveTheirFineStructure) {
    const core::ElementTable table;
    const FineStructureResult result = FineStructure(table, Formula("Sn10"), 1, 0.99999999);
    ASSERT_EQ(result.status, FineStatus::Computed);
    EXPECT_GE(result.coveredAbundance, 0.99999999);
}

// Regression: under an address-space limit below 80 MB IsoSpec's table of
// log-factorials is never mapped and IsoSpec wrote through the failure value
// (SIGSEGV). In a process of its own, the table is made to look unmapped.
TEST(FineStructureDeathTest, AnUnmappedLogFactorialTableIsReplacedNotWrittenThrough) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            IsoSpec::g_lfact_table = static_cast<double*>(MAP_FAILED);
            const core::ElementTable table;
            const FineStructureResult result = FineStructure(table, Formula("C8H11N4O2"), 1, 0.99999);
            std::exit(result.status == FineStatus::Computed && !result.lines.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Regression: caffeine [M+H]+ at R 60,000 gave its [A+3] at 198.08970 with
// 1.03E-4 (a line beside a valley joined the wrong peak); the oracle places
// each line on its side of the exact valleys.
TEST(ResolvedFineStructure, OfProtonatedCaffeineAgreesWithTheOracle) {
    const core::ElementTable table;
    const FineStructureResult fine = FineStructure(table, Formula("C8H11N4O2"), 1, 0.99999999);
    ASSERT_EQ(fine.status, FineStatus::Computed);
    const core::ResolvingPower power{60000.0, core::ResolvingPowerModel::Constant, 200.0};
    const std::vector<core::ResolvedPeak> found = core::ResolvePattern(fine.lines, power).peaks;
    const std::vector<core::ResolvedPeak> expected =
        testing::OraclePeaks(fine.lines, power, core::kValleyShare);
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t k = 0; k < found.size(); ++k) {
        EXPECT_NEAR(found[k].mz, expected[k].mz, 1e-9) << k;
        EXPECT_NEAR(found[k].abundance, expected[k].abundance, 1e-15) << k;
    }
    // The [A+3] of the 13C-rich side, as the review's exact resolution gave it.
    const auto a3 = std::find_if(found.begin(), found.end(), [](const core::ResolvedPeak& peak) {
        return std::abs(peak.mz - 198.0885) < 5e-4;
    });
    ASSERT_NE(a3, found.end());
    EXPECT_NEAR(a3->mz, 198.08851, 5e-6);
    EXPECT_NEAR(a3->abundance, 6.0e-5, 0.05e-5);
}

}  // namespace
}  // namespace tarnevo::fine
