#include "core/peak_moments.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace tarnevo::core {

namespace {

using Distribution = MomentDistribution;

// Shifts whose abundance is below this share of the largest in the same
// distribution are left out of a convolution: nothing they add can reach
// 1E-30 of any peak that matters next to the largest.
constexpr double kNegligibleShare = 1e-40;

// The first and one past the last shift of a distribution that are not negligible.
std::pair<std::size_t, std::size_t> SignificantRange(const Distribution& part) {
    double largest = 0.0;
    for (const MomentSums& sums : part) largest = std::max(largest, sums.p);
    const double floor = largest * kNegligibleShare;
    std::size_t first = 0;
    std::size_t end = part.size();
    while (first < end && part[first].p <= floor) ++first;
    while (end > first && part[end - 1].p <= floor) --end;
    return {first, end};
}

// The distribution of a sum of two independent parts, up to lastShift:
// E[(a + b)^2] = E[a^2] + 2 E[a] E[b] + E[b^2] within each pair of shifts.
Distribution ConvolveParts(const Distribution& a, const Distribution& b, int lastShift) {
    const std::size_t size = std::min(a.size() + b.size() - 1, static_cast<std::size_t>(lastShift) + 1);
    Distribution sum(size);
    const auto [aFirst, aEnd] = SignificantRange(a);
    const auto [bFirst, bEnd] = SignificantRange(b);
    for (std::size_t i = aFirst; i < aEnd && i + bFirst < size; ++i) {
        for (std::size_t j = bFirst; j < bEnd && i + j < size; ++j) {
            MomentSums& out = sum[i + j];
            out.p += a[i].p * b[j].p;
            out.pd += a[i].pd * b[j].p + a[i].p * b[j].pd;
            out.pdd += a[i].pdd * b[j].p + 2.0 * a[i].pd * b[j].pd + a[i].p * b[j].pdd;
        }
    }
    return sum;
}

// One atom of an element: its lightest isotope at shift 0, its heavy ones at
// their nominal shifts with their mass defects.
Distribution OneAtom(const ElementTable& table, int element) {
    Distribution atom(1);
    atom[0].p = table.LightFA(element);
    for (int k = 0; k < table[element].heavyCount; ++k) {
        const auto shift = static_cast<std::size_t>(table.HeavyDelta(element, k));
        if (atom.size() <= shift) atom.resize(shift + 1);
        const double fa = table.HeavyFA(element, k);
        const double defect = table.HeavyMassDefect(element, k);
        atom[shift].p += fa;
        atom[shift].pd += fa * defect;
        atom[shift].pdd += fa * defect * defect;
    }
    return atom;
}

// n atoms of one element by repeated squaring: log2(n) convolutions.
Distribution AtomsOf(const ElementTable& table, int element, std::uint32_t count, int lastShift) {
    Distribution result(1, MomentSums{1.0, 0.0, 0.0});
    Distribution power = OneAtom(table, element);
    for (std::uint32_t n = count; n != 0; n >>= 1U) {
        if ((n & 1U) != 0) result = ConvolveParts(result, power, lastShift);
        if (n > 1) power = ConvolveParts(power, power, lastShift);
    }
    return result;
}

}  // namespace

MomentDistribution ElementMoments(const ElementTable& table, int element, std::uint32_t count,
                                  int lastShift) {
    if (count == 0 || !table.IsPolyisotopic(element)) return {MomentSums{1.0, 0.0, 0.0}};
    return AtomsOf(table, element, count, lastShift);
}

MomentDistribution CombineMoments(const MomentDistribution& a, const MomentDistribution& b, int lastShift) {
    return ConvolveParts(a, b, lastShift);
}

std::vector<PeakMoment> MomentPeaks(const MomentDistribution& ion) {
    std::vector<PeakMoment> peaks;
    for (std::size_t n = 0; n < ion.size(); ++n) {
        const MomentSums& sums = ion[n];
        if (sums.p <= 0.0) continue;
        const double mean = sums.pd / sums.p;
        const double variance = std::max(sums.pdd / sums.p - mean * mean, 0.0);
        peaks.push_back({static_cast<int>(n), sums.p, mean, variance});
    }
    return peaks;
}

int LastShiftWorthListing(const ElementTable& table, const ParsedFormula& formula) {
    // 20 standard deviations: the tail beyond lies below 1E-40 even for the
    // skewed sums of a few rare heavy isotopes.
    constexpr double kTailInDeviations = 20.0;
    double mean = 0.0;
    double variance = 0.0;
    double heaviest = 0.0;
    int widestDelta = 0;
    for (int e = 0; e < kElementCount; ++e) {
        if (formula[e] == 0 || !table.IsPolyisotopic(e)) continue;
        double total = table.LightFA(e);
        double first = 0.0;
        double second = 0.0;
        int deltaOfHeaviest = 0;
        for (int k = 0; k < table[e].heavyCount; ++k) {
            const double fa = table.HeavyFA(e, k);
            const int delta = table.HeavyDelta(e, k);
            total += fa;
            first += fa * delta;
            second += fa * delta * delta;
            if (fa > 0.0) deltaOfHeaviest = std::max(deltaOfHeaviest, delta);
        }
        if (!(total > 0.0)) continue;
        const double atomMean = first / total;
        mean += formula[e] * atomMean;
        variance += formula[e] * std::max(second / total - atomMean * atomMean, 0.0);
        heaviest += static_cast<double>(formula[e]) * deltaOfHeaviest;
        widestDelta = std::max(widestDelta, deltaOfHeaviest);
    }
    const double reach = mean + kTailInDeviations * std::sqrt(variance) + widestDelta;
    return static_cast<int>(std::ceil(std::min(reach, heaviest)));
}

std::vector<PeakMoment> PeakMoments(const ElementTable& table, const ParsedFormula& formula, int lastShift) {
    MomentDistribution ion(1, MomentSums{1.0, 0.0, 0.0});
    for (int e = 0; e < kElementCount; ++e) {
        if (formula[e] == 0 || !table.IsPolyisotopic(e)) continue;
        ion = ConvolveParts(ion, AtomsOf(table, e, formula[e], lastShift), lastShift);
    }
    return MomentPeaks(ion);
}

}  // namespace tarnevo::core
