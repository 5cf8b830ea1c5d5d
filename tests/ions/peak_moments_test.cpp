// Pins the moments of each nominal peak, the abundance, mean mass and mass
// variance of its isotopic compositions. The oracle lists every composition of
// small ions (each element's multinomial written out, long double) and sums
// the three moments per peak directly; closed forms: a one-element ion has a
// single composition in each peak (no spread), and the [A+1] of C and N is the
// 13C and 15N pair, whose variance is p q (dC - dN)^2 / (p + q)^2.
#include "core/peak_moments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace tarnevo::core {
namespace {

ParsedFormula Formula(std::string_view text) {
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(text, formula), FormulaSyntax::Valid) << text;
    return formula;
}

struct OracleSums {
    long double p = 0, pm = 0, pmm = 0;
};

// Every composition of `atoms` atoms of one element over its isotopes, as
// (shift, mass defect, probability) with the multinomial coefficient.
void EnumerateElement(const ElementTable& table, int element, int atoms, int isotope, long double probability,
                      long double coefficient, int shift, long double defect, int left,
                      std::vector<std::array<long double, 3>>& out) {
    const int isotopes = table[element].heavyCount + 1;
    if (isotope == isotopes - 1) {
        // The rest take the last isotope.
        const long double fa = isotope == 0 ? table.LightFA(element) : table.HeavyFA(element, isotope - 1);
        const int delta = isotope == 0 ? 0 : table.HeavyDelta(element, isotope - 1);
        const long double d = isotope == 0 ? 0.0L : table.HeavyMassDefect(element, isotope - 1);
        out.push_back({static_cast<long double>(shift + left * delta), defect + left * d,
                       probability * std::pow(fa, static_cast<long double>(left)) * coefficient});
        return;
    }
    const long double fa = isotope == 0 ? table.LightFA(element) : table.HeavyFA(element, isotope - 1);
    const int delta = isotope == 0 ? 0 : table.HeavyDelta(element, isotope - 1);
    const long double d = isotope == 0 ? 0.0L : table.HeavyMassDefect(element, isotope - 1);
    long double choose = 1.0L;  // C(left, taken)
    for (int taken = 0; taken <= left; ++taken) {
        EnumerateElement(table, element, atoms, isotope + 1,
                         probability * std::pow(fa, static_cast<long double>(taken)), coefficient * choose,
                         shift + taken * delta, defect + taken * d, left - taken, out);
        choose = choose * (left - taken) / (taken + 1);
    }
}

std::map<int, OracleSums> Oracle(const ElementTable& table, const ParsedFormula& formula) {
    std::map<int, OracleSums> peaks{{0, {1.0L, 0.0L, 0.0L}}};
    for (int e = 0; e < kElementCount; ++e) {
        if (formula[e] == 0 || !table.IsPolyisotopic(e)) continue;
        std::vector<std::array<long double, 3>> parts;
        EnumerateElement(table, e, static_cast<int>(formula[e]), 0, 1.0L, 1.0L, 0, 0.0L,
                         static_cast<int>(formula[e]), parts);
        std::map<int, OracleSums> next;
        for (const auto& [shift, sums] : peaks) {
            for (const auto& [partShift, partDefect, partP] : parts) {
                // Each composition of the ion so far, one at a time, is not
                // kept: only its sums, which is exact for sums of products.
                OracleSums& out = next[shift + static_cast<int>(partShift)];
                out.p += sums.p * partP;
                out.pm += sums.pm * partP + sums.p * partP * partDefect;
                out.pmm += sums.pmm * partP + 2.0L * sums.pm * partP * partDefect +
                           sums.p * partP * partDefect * partDefect;
            }
        }
        peaks = next;
    }
    return peaks;
}

class SmallIon : public ::testing::TestWithParam<const char*> {};

// Every peak within 1E-30 of the largest is exact; below that, what the
// convolution leaves out (contributions under 1E-40 of an element's largest)
// may only lower a peak, never raise it.
TEST_P(SmallIon, MomentsAgreeWithEveryCompositionListed) {
    const ElementTable table;
    const ParsedFormula formula = Formula(GetParam());
    const std::map<int, OracleSums> expected = Oracle(table, formula);
    long double largest = 0.0L;
    for (const auto& [shift, sums] : expected) largest = std::max(largest, sums.p);
    const std::vector<PeakMoment> peaks = PeakMoments(table, formula, 319);
    std::map<int, PeakMoment> found;
    for (const PeakMoment& peak : peaks) found[peak.shift] = peak;
    for (const auto& [shift, sums] : expected) {
        const auto peak = found.find(shift);
        if (sums.p < largest * 1e-30L) {
            if (peak != found.end()) {
                EXPECT_LE(peak->second.abundance, sums.p * (1.0L + 1e-12L)) << shift;
            }
            continue;
        }
        ASSERT_NE(peak, found.end()) << GetParam() << " [A+" << shift << "]";
        EXPECT_NEAR(static_cast<double>(peak->second.abundance / sums.p), 1.0, 1e-13)
            << GetParam() << " [A+" << shift << "]";
        const long double mean = sums.pm / sums.p;
        EXPECT_NEAR(static_cast<double>(peak->second.meanDefect), static_cast<double>(mean), 1e-12) << shift;
        const long double variance = sums.pmm / sums.p - mean * mean;
        EXPECT_NEAR(static_cast<double>(peak->second.variance), static_cast<double>(variance), 1e-15)
            << shift;
    }
}

INSTANTIATE_TEST_SUITE_P(ListedByHand, SmallIon,
                         ::testing::Values("C6H5Cl2", "CH4S", "C2H6SO", "C3H7NO2S", "Sn2Cl4", "C10H16N5O13P3",
                                           "H2O", "SeBr2"));

TEST(PeakMoments, OneElementHasNoSpreadWithinAPeak) {
    const ElementTable table;
    const int chlorine = LookupSymbolText("Cl", 0);
    const std::vector<PeakMoment> peaks = PeakMoments(table, Formula("Cl4"), 319);
    ASSERT_EQ(peaks.size(), 5U);  // [A+0], [A+2], .., [A+8]
    for (const PeakMoment& peak : peaks) {
        EXPECT_EQ(peak.shift % 2, 0);
        EXPECT_NEAR(static_cast<double>(peak.variance), 0.0, 1e-18);
        EXPECT_NEAR(static_cast<double>(peak.meanDefect), peak.shift / 2 * table.HeavyMassDefect(chlorine, 0),
                    1e-15);
    }
}

TEST(PeakMoments, TheCarbonNitrogenPairOfAnAPlusOneHasTheSpreadOfTwoPoints) {
    // [A+1] of CN: 13C14N with p = FA(13C) FA(14N), 12C15N with q = FA(12C)
    // FA(15N); two points of weights p and q, dC - dN apart.
    const ElementTable table;
    const int carbon = LookupSymbolText("C", 0);
    const int nitrogen = LookupSymbolText("N", 0);
    const long double p = table.HeavyFA(carbon, 0) * table.LightFA(nitrogen);
    const long double q = table.LightFA(carbon) * table.HeavyFA(nitrogen, 0);
    const long double gap = table.HeavyMassDefect(carbon, 0) - table.HeavyMassDefect(nitrogen, 0);
    const std::vector<PeakMoment> peaks = PeakMoments(table, Formula("CN"), 319);
    ASSERT_GE(peaks.size(), 2U);
    EXPECT_EQ(peaks[1].shift, 1);
    EXPECT_NEAR(static_cast<double>(peaks[1].abundance), static_cast<double>(p + q), 1e-17);
    EXPECT_NEAR(static_cast<double>(peaks[1].variance),
                static_cast<double>(p * q * gap * gap / ((p + q) * (p + q))), 1e-20);
}

TEST(PeakMoments, StopAtTheLastShiftAsked) {
    const ElementTable table;
    const std::vector<PeakMoment> peaks = PeakMoments(table, Formula("C100"), 3);
    ASSERT_EQ(peaks.size(), 4U);
    EXPECT_EQ(peaks.back().shift, 3);
}

}  // namespace
}  // namespace tarnevo::core
