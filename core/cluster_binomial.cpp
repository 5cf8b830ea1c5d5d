#include "core/cluster_binomial.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace tarnevo::core::convolution {

namespace {
constexpr int kRowCount = kPeakCount + 1;  // heavy atoms 0 .. 320
}  // namespace

// base^power; as ExtendedPower (the enumeration's own) while that stays in range.
Scaled ScaledPower(Extended base, int power) {
    if (power <= 0) return {1.0L, 0};
    if (base <= 0) return {0.0L, 0};
    const Extended log2Value = static_cast<Extended>(power) * std::log2(base);
    if (std::fabs(log2Value) < -kSafeLog2) return {ExtendedPower(base, static_cast<unsigned>(power)), 0};
    const Extended whole = std::floor(log2Value);
    return {std::exp2(log2Value - whole), static_cast<int>(whole)};
}

// Keeps a running product far from both ends of the extended range.
void Rebalance(Scaled& value) {
    constexpr Extended kHigh = 0x1p256L;
    constexpr Extended kLow = 0x1p-256L;
    if (value.mantissa == 0 || (value.mantissa < kHigh && value.mantissa > kLow)) return;
    int shift = 0;
    value.mantissa = std::frexp(value.mantissa, &shift);
    value.exponent += shift;
}

int ExponentOf(Extended positive) {
    int exponent = 0;
    std::frexp(positive, &exponent);
    return exponent;
}

// Scales line[0..top] by a power of two so that its largest entry lies in
// [0.5, 1); returns the power (0 for a line of zeros).
int Normalize(Extended* line, int top) {
    const Extended largest = *std::max_element(line, line + top + 1);
    if (!(largest > 0)) return 0;
    const int shift = ExponentOf(largest);
    for (int i = 0; i <= top; ++i) line[i] = std::ldexp(line[i], -shift);
    return shift;
}

// Probability that exactly h of an element's atoms are heavy, h = 0 .. top:
// C(atoms, h) light^(atoms - h) heavy^h, by ratios from h = 0 (heavy is the sum of
// the heavy FAs), each entry with its own exponent on the way. Written as
// mantissas scaled by 2^-exponent, the largest in [0.5, 1); returns the exponent.
int FillBinomialRow(int atoms, Extended light, Extended heavy, int top, Extended* row) {
    std::array<int, kRowCount> exponent{};
    std::fill_n(row, top + 1, 0.0L);
    if (light <= 0) {
        // Every atom heavy: only h = atoms has a probability.
        if (atoms <= top) {
            const Scaled all = ScaledPower(heavy, atoms);
            row[atoms] = all.mantissa;
            exponent[atoms] = all.exponent;
        }
    } else {
        Scaled term = ScaledPower(light, atoms);
        const Extended ratio = heavy / light;
        for (int h = 0; h <= top; ++h) {
            row[h] = term.mantissa;
            exponent[h] = term.exponent;
            term.mantissa = NextBinomialTerm(term.mantissa, atoms, h, ratio);
            Rebalance(term);
        }
    }
    int common = INT_MIN;
    for (int h = 0; h <= top; ++h) {
        if (row[h] != 0) common = std::max(common, exponent[h] + ExponentOf(row[h]));
    }
    if (common == INT_MIN) return 0;
    for (int h = 0; h <= top; ++h) row[h] = std::ldexp(row[h], exponent[h] - common);
    return common;
}

}  // namespace tarnevo::core::convolution
