// A brute-force oracle of the peaks an instrument resolves, sharing nothing with
// the code under test: every line's Gaussian summed at every point (no reach,
// no regions), the profile evaluated on a grid of sigma / 50 over the lines,
// each top and valley found on the grid and made exact by golden-section search,
// the valleys weighed one by one (the shallowest joined first, its tops' higher
// one standing for both) and every line assigned by comparing its m/z with the
// exact valleys that remain.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "core/resolving_power.h"

namespace tarnevo::testing {

struct OracleExtremum {
    double mz = 0.0;
    double value = 0.0;
};

class DenseProfile {
public:
    DenseProfile(const std::vector<core::SpectrumLine>& lines, const core::ResolvingPower& power)
        : lines_(lines) {
        for (const core::SpectrumLine& line : lines) {
            const double instrument = power.FwhmAt(line.mz) / (2.0 * std::sqrt(2.0 * std::log(2.0)));
            sigmas_.push_back(std::sqrt(instrument * instrument + line.variance));
        }
    }

    // Far from every line the sum underflows through subnormal values, whose
    // rounding makes tops and valleys of its own: below 1E-200 it is 0.
    double operator()(double x) const {
        double sum = 0.0;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const double z = (x - lines_[i].mz) / sigmas_[i];
            sum += lines_[i].abundance / sigmas_[i] * std::exp(-0.5 * z * z);
        }
        return sum < 1e-200 ? 0.0 : sum;
    }

    double SmallestSigma() const { return *std::min_element(sigmas_.begin(), sigmas_.end()); }

    // The extremum within [low, high] (a top when sign is 1, a valley when -1).
    OracleExtremum Golden(double low, double high, double sign) const {
        const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
        double a = low;
        double b = high;
        for (int i = 0; i < 200 && b - a > 1e-15 * std::abs(a); ++i) {
            const double c = b - ratio * (b - a);
            const double d = a + ratio * (b - a);
            if (sign * (*this)(c) > sign * (*this)(d)) {
                b = d;
            } else {
                a = c;
            }
        }
        const double x = 0.5 * (a + b);
        return {x, (*this)(x)};
    }

private:
    const std::vector<core::SpectrumLine>& lines_;
    std::vector<double> sigmas_;
};

inline std::vector<core::ResolvedPeak> OraclePeaks(const std::vector<core::SpectrumLine>& lines,
                                                   const core::ResolvingPower& power, double valleyShare) {
    const DenseProfile profile(lines, power);
    double low = lines.front().mz;
    double high = low;
    for (const core::SpectrumLine& line : lines) {
        low = std::min(low, line.mz);
        high = std::max(high, line.mz);
    }
    const double step = profile.SmallestSigma() / 50.0;
    std::vector<OracleExtremum> tops;
    std::vector<OracleExtremum> valleys;
    double before = profile(low - step);
    double here = profile(low);
    for (double x = low; x <= high + step; x += step) {
        const double after = profile(x + step);
        if (here > before && here >= after) tops.push_back(profile.Golden(x - step, x + step, 1.0));
        if (here < before && here <= after) valleys.push_back(profile.Golden(x - step, x + step, -1.0));
        before = here;
        here = after;
    }
    // Tops and valleys alternate, a top first: join across the shallowest
    // valley while it is above valleyShare of its lower top.
    std::vector<double> groupTop;
    for (const OracleExtremum& top : tops) groupTop.push_back(top.value);
    while (!valleys.empty()) {
        std::size_t shallowest = 0;
        double share = -1.0;
        for (std::size_t j = 0; j < valleys.size(); ++j) {
            const double s = valleys[j].value / std::min(groupTop[j], groupTop[j + 1]);
            if (s > share) {
                share = s;
                shallowest = j;
            }
        }
        if (share <= valleyShare) break;
        groupTop[shallowest] = std::max(groupTop[shallowest], groupTop[shallowest + 1]);
        groupTop.erase(groupTop.begin() + static_cast<std::ptrdiff_t>(shallowest) + 1);
        valleys.erase(valleys.begin() + static_cast<std::ptrdiff_t>(shallowest));
    }
    std::vector<long double> abundance(valleys.size() + 1, 0.0L);
    std::vector<long double> weighted(valleys.size() + 1, 0.0L);
    for (const core::SpectrumLine& line : lines) {
        std::size_t k = 0;
        while (k < valleys.size() && line.mz >= valleys[k].mz) ++k;
        abundance[k] += line.abundance;
        weighted[k] += static_cast<long double>(line.mz) * line.abundance;
    }
    std::vector<core::ResolvedPeak> peaks;
    for (std::size_t k = 0; k < abundance.size(); ++k) {
        if (abundance[k] > 0.0L)
            peaks.push_back(
                {static_cast<double>(weighted[k] / abundance[k]), static_cast<double>(abundance[k])});
    }
    return peaks;
}

}  // namespace tarnevo::testing
