// Scaled arithmetic and binomial rows of the convolution route
// (core/cluster_convolution.h): values kept as an extended-precision mantissa and a
// binary exponent, so that probabilities far below even the extended range
// (0.0097^5000 for 5000 tin atoms, about 1e-10066) keep their digits.
#pragma once

#include "core/cluster_engine.h"

namespace tarnevo::core::convolution {

// Base-2 logarithm below which a power is kept as mantissa and exponent: about
// 1e-4912, just above the smallest normal extended value.
inline constexpr Extended kSafeLog2 = LDBL_MIN_EXP + 64;

struct Scaled {
    Extended mantissa = 0;  // value = mantissa x 2^exponent
    int exponent = 0;
};

// base^power; as ExtendedPower (the enumeration's own) while that stays in range.
Scaled ScaledPower(Extended base, int power);

// Keeps a running product far from both ends of the extended range.
void Rebalance(Scaled& value);

// The binary exponent e of a positive value: value = m x 2^e, m in [0.5, 1).
int ExponentOf(Extended positive);

// Scales line[0..top] by a power of two so that its largest entry lies in
// [0.5, 1); returns the power (0 for a line of zeros).
int Normalize(Extended* line, int top);

// The binomial-ratio step: from b(h) = C(atoms, h) light^(atoms-h) heavy^h to
// b(h + 1), ratio being heavy / light.
inline Extended NextBinomialTerm(Extended term, int atoms, int h, Extended ratio) {
    return term * static_cast<Extended>(atoms - h) / static_cast<Extended>(h + 1) * ratio;
}

// Probability that exactly h of an element's atoms are heavy, h = 0 .. top:
// C(atoms, h) light^(atoms - h) heavy^h, by ratios from h = 0 (heavy is the sum of
// the heavy FAs), each entry with its own exponent on the way. Written as
// mantissas scaled by 2^-exponent, the largest in [0.5, 1); returns the exponent.
int FillBinomialRow(int atoms, Extended light, Extended heavy, int top, Extended* row);

}  // namespace tarnevo::core::convolution
