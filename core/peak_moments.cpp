#include "core/peak_moments.h"

#include <algorithm>
#include <cstdint>

namespace tarnevo::core {

namespace {

// Sums over the compositions of one nominal shift: abundance, abundance x d
// and abundance x d^2.
struct MomentSums {
    long double p = 0.0L;
    long double pd = 0.0L;
    long double pdd = 0.0L;
};

using Distribution = std::vector<MomentSums>;  // indexed by nominal shift

// The distribution of a sum of two independent parts, up to lastShift:
// E[(a + b)^2] = E[a^2] + 2 E[a] E[b] + E[b^2] within each pair of shifts.
Distribution Convolve(const Distribution& a, const Distribution& b, int lastShift) {
    const std::size_t size = std::min(a.size() + b.size() - 1, static_cast<std::size_t>(lastShift) + 1);
    Distribution sum(size);
    for (std::size_t i = 0; i < a.size() && i < size; ++i) {
        if (a[i].p == 0.0L) continue;
        for (std::size_t j = 0; j < b.size() && i + j < size; ++j) {
            MomentSums& out = sum[i + j];
            out.p += a[i].p * b[j].p;
            out.pd += a[i].pd * b[j].p + a[i].p * b[j].pd;
            out.pdd += a[i].pdd * b[j].p + 2.0L * a[i].pd * b[j].pd + a[i].p * b[j].pdd;
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
        const long double fa = table.HeavyFA(element, k);
        const long double defect = table.HeavyMassDefect(element, k);
        atom[shift].p += fa;
        atom[shift].pd += fa * defect;
        atom[shift].pdd += fa * defect * defect;
    }
    return atom;
}

// n atoms of one element by repeated squaring: log2(n) convolutions.
Distribution Atoms(const ElementTable& table, int element, std::uint32_t count, int lastShift) {
    Distribution result(1, MomentSums{1.0L, 0.0L, 0.0L});
    Distribution power = OneAtom(table, element);
    for (std::uint32_t n = count; n != 0; n >>= 1U) {
        if ((n & 1U) != 0) result = Convolve(result, power, lastShift);
        if (n > 1) power = Convolve(power, power, lastShift);
    }
    return result;
}

}  // namespace

std::vector<PeakMoment> PeakMoments(const ElementTable& table, const ParsedFormula& formula, int lastShift) {
    Distribution ion(1, MomentSums{1.0L, 0.0L, 0.0L});
    for (int e = 0; e < kElementCount; ++e) {
        if (formula[e] == 0 || !table.IsPolyisotopic(e)) continue;
        ion = Convolve(ion, Atoms(table, e, formula[e], lastShift), lastShift);
    }
    std::vector<PeakMoment> peaks;
    for (std::size_t n = 0; n < ion.size(); ++n) {
        const MomentSums& sums = ion[n];
        if (sums.p <= 0.0L) continue;
        const long double mean = sums.pd / sums.p;
        const long double variance = std::max(sums.pdd / sums.p - mean * mean, 0.0L);
        peaks.push_back({static_cast<int>(n), sums.p, mean, variance});
    }
    return peaks;
}

}  // namespace tarnevo::core
