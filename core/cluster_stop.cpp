#include "core/cluster_stop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tarnevo::core {

namespace {

// Passes 0 .. 320: the enumeration never runs more than 320.
constexpr int kPassRows = kPeakCount + 1;

// A sum far from the decision point needs no bound: every route's error lies
// below 2^-20 of its sum by many orders of magnitude (RoundingBound).
constexpr Extended kFarFromTheDecision = 0x1p-20L;
// The routes' relative error, with a wide margin: 2^-40 for the rounding of sums
// and ratio chains (about 1e-15 at the most), and 2^-58 per unit of
// N x |log2 p| for a power p^N taken through log2 and exp2 (each unit of the
// exponent's magnitude costs about 2^-64 of the result).
constexpr Extended kSumErrorShare = 0x1p-40L;
constexpr Extended kPowerErrorShare = 0x1p-58L;

// A value held as the unevaluated sum hi + lo of two extended numbers, lo at most
// half an ulp of hi: about 128 bits of mantissa. Error-free transformations
// (Knuth's two-sum, the fused multiply-add's exact product error) carry the
// rounding error of each operation into lo.
struct ExtendedPair {
    Extended hi = 0;
    Extended lo = 0;
};

// a + b exactly, for |a| >= |b| (or a = 0).
ExtendedPair FastTwoSum(Extended a, Extended b) {
    const Extended sum = a + b;
    return {sum, b - (sum - a)};
}

ExtendedPair TwoSum(Extended a, Extended b) {
    const Extended sum = a + b;
    const Extended bPart = sum - a;
    return {sum, (a - (sum - bPart)) + (b - bPart)};
}

ExtendedPair TwoProduct(Extended a, Extended b) {
    const Extended product = a * b;
    return {product, std::fma(a, b, -product)};
}

ExtendedPair Add(ExtendedPair a, ExtendedPair b) {
    ExtendedPair sum = TwoSum(a.hi, b.hi);
    const ExtendedPair low = TwoSum(a.lo, b.lo);
    sum = FastTwoSum(sum.hi, sum.lo + low.hi);
    return FastTwoSum(sum.hi, sum.lo + low.lo);
}

ExtendedPair Multiply(ExtendedPair a, ExtendedPair b) {
    const ExtendedPair product = TwoProduct(a.hi, b.hi);
    return FastTwoSum(product.hi, product.lo + (a.hi * b.lo + a.lo * b.hi));
}

// a / divisor for a positive integer divisor (exact in extended).
ExtendedPair DivideByCount(ExtendedPair a, int divisor) {
    const auto d = static_cast<Extended>(divisor);
    const Extended quotient = a.hi / d;
    const ExtendedPair back = TwoProduct(quotient, d);
    const Extended remainder = ((a.hi - back.hi) - back.lo) + a.lo;
    return FastTwoSum(quotient, remainder / d);
}

// base^exponent by repeated squaring; 0^0 = 1. For a base of at most 1, every
// square that underflows belongs to a result that underflows too.
ExtendedPair Power(ExtendedPair base, int exponent) {
    ExtendedPair result{1, 0};
    while (exponent > 0) {
        if ((exponent & 1) != 0) result = Multiply(result, base);
        exponent >>= 1;
        if (exponent > 0) base = Multiply(base, base);
    }
    return result;
}

using PassLine = std::array<ExtendedPair, kPassRows>;

// b(h) = C(atoms, h) light^(atoms - h) heavy^h for h = 0 .. top: the probability
// that exactly h of the element's atoms are heavy. The powers of light run down
// from h = top, the coefficient and the powers of heavy up from h = 0, so no power
// is taken through logarithms and no ratio heavy / light is needed.
void FillPreciseBinomialRow(int atoms, Extended light, ExtendedPair heavy, int top, PassLine& row) {
    ExtendedPair lightPower = Power({light, 0}, atoms - top);
    for (int h = top; h >= 0; --h) {
        row[h] = lightPower;
        lightPower = Multiply(lightPower, {light, 0});
    }
    ExtendedPair coefficient{1, 0};
    ExtendedPair heavyPower{1, 0};
    for (int h = 0; h <= top; ++h) {
        row[h] = Multiply(row[h], Multiply(coefficient, heavyPower));
        coefficient = DivideByCount(Multiply(coefficient, {static_cast<Extended>(atoms - h), 0}), h + 1);
        heavyPower = Multiply(heavyPower, heavy);
    }
}

// The sum of the heavy FAs of ordered element e, exactly (a handful of doubles).
ExtendedPair HeavyFASum(const ClusterIon& ion, int e) {
    ExtendedPair sum{};
    for (int i = 1; i <= ion.orderedHeavyCount[e]; ++i)
        sum = Add(sum, {ion.workFA[ion.firstFAEntry[e] + i], 0});
    return sum;
}

ExtendedPair PreciseCumulativePair(const ClusterIon& ion, int passes) {
    passes = std::clamp(passes, 0, kPeakCount);
    // byHeavyAtoms[r]: probability of exactly r heavy atoms among the elements so far.
    PassLine byHeavyAtoms{};
    byHeavyAtoms[0] = {1, 0};
    int reach = 0;
    PassLine row{};
    for (int e = 0; e < ion.polyElementCount; ++e) {
        const int atoms = std::max(0, ion.orderedCount[e]);
        const int top = std::min(atoms, passes);
        FillPreciseBinomialRow(atoms, ion.workFA[ion.firstFAEntry[e]], HeavyFASum(ion, e), top, row);
        const int newReach = std::min(passes, reach + top);
        // Downwards, so that each entry is read before it is overwritten.
        for (int r = newReach; r >= 0; --r) {
            ExtendedPair sum{};
            for (int j = std::max(0, r - reach); j <= std::min(r, top); ++j) {
                sum = Add(sum, Multiply(byHeavyAtoms[r - j], row[j]));
            }
            byHeavyAtoms[r] = sum;
        }
        reach = newReach;
    }
    ExtendedPair cumulative{};
    for (int r = 0; r <= reach; ++r) cumulative = Add(cumulative, byHeavyAtoms[r]);
    return cumulative;
}

// How far a route's cumulative FA may lie from the exact one (the error shares
// above), from the ion's atom counts and the magnitudes of its FAs' logarithms.
Extended RoundingBound(const ClusterIon& ion, Extended cumulativeFA) {
    Extended powerWeight = 0;
    for (int e = 0; e < ion.polyElementCount; ++e) {
        Extended steepest = 0;
        for (int i = 0; i <= ion.orderedHeavyCount[e]; ++i) {
            const Extended fa = ion.workFA[ion.firstFAEntry[e] + i];
            if (fa > 0) steepest = std::max(steepest, std::fabs(std::log2(fa)));
        }
        powerWeight += static_cast<Extended>(std::max(0, ion.orderedCount[e])) * (1 + steepest);
    }
    return std::fabs(cumulativeFA) * (kSumErrorShare + kPowerErrorShare * powerWeight);
}

// The exact decision near the midpoint between stopFA and the next double up, where
// the double rounding of the cumulative FA passes stopFA: above it the rounding gives
// a larger double; at it exactly, the rounding to even decides.
bool PreciseSumExceeds(const ClusterIon& ion, int passes, Extended midpoint, double stopFA) {
    const ExtendedPrecisionScope precision;
    const ExtendedPair cumulative = PreciseCumulativePair(ion, passes);
    if (cumulative.hi != midpoint) return cumulative.hi > midpoint;
    if (cumulative.lo != 0) return cumulative.lo > 0;
    return static_cast<double>(midpoint) > stopFA;
}

}  // namespace

Extended PreciseCumulativeFA(const ClusterIon& ion, int passes) {
    const ExtendedPrecisionScope precision;
    const ExtendedPair cumulative = PreciseCumulativePair(ion, passes);
    return cumulative.hi + cumulative.lo;
}

bool CumulativeFAExceedsStop(const ClusterIon& ion, int passes, Extended cumulativeFA, double stopFA) {
    const bool roundedAbove = static_cast<double>(cumulativeFA) > stopFA;
    const double nextUp = std::nextafter(stopFA, std::numeric_limits<double>::infinity());
    if (!std::isfinite(nextUp) || !std::isfinite(cumulativeFA)) return roundedAbove;
    // Exact: the two doubles' sum has at most 55 significant bits.
    const Extended midpoint = (static_cast<Extended>(stopFA) + nextUp) / 2;
    const Extended distance = std::fabs(cumulativeFA - midpoint);
    if (distance > kFarFromTheDecision * std::fabs(cumulativeFA)) return roundedAbove;
    if (distance > RoundingBound(ion, cumulativeFA)) return roundedAbove;
    return PreciseSumExceeds(ion, passes, midpoint, stopFA);
}

}  // namespace tarnevo::core
