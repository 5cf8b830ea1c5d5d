#include "core/resolved_peaks.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <queue>
#include <utility>

namespace tarnevo::core {

namespace {

// Between lines farther apart than half a sigma the slope is also taken every
// half sigma near each line, where a dip between them could turn and turn
// back: a top and a valley less than half a sigma apart differ by less than 3 %
// (a weak line on the flank of a strong one, the closest such pair), so no dip
// that parts two peaks is missed.
constexpr double kProbeSpacingInSigma = 0.5;
// Lines closer than a quarter of a sigma to the last place the slope was taken
// are not probed themselves (a fine structure of 100,000 lines has hundreds
// within one sigma), which keeps probes at most half a sigma apart; where a
// minimum falls among them, each one's side is found from the slope at it.
constexpr double kDenseInSigma = 0.25;
// Newton's steps on the slope stop when they move by less than this share of
// sigma: the value there is then within 1E-14 of the top's or valley's (the
// profile is flat to second order at either), and only values are weighed.
constexpr double kRefinedInSigma = 1e-7;
constexpr int kMaxRefinements = 100;

// A line as the profile sums it: height abundance / sigma (a broader line
// spreads the same area), at mz, falling with 1 / sigma^2.
struct Gaussian {
    double mz = 0.0;
    double height = 0.0;
    double inverseVariance = 0.0;
};

// The profile, its slope and its curvature at one m/z.
struct Slope {
    double value = 0.0;
    double first = 0.0;
    double second = 0.0;
};

class Profile {
public:
    Profile(std::span<const Gaussian> lines, double reach) : lines_(lines), reach_(reach) {}

    Slope At(double x) const {
        Slope slope;
        const auto low = std::lower_bound(lines_.begin(), lines_.end(), x - reach_,
                                          [](const Gaussian& g, double mz) { return g.mz < mz; });
        for (auto line = low; line != lines_.end() && line->mz <= x + reach_; ++line) {
            const double d = x - line->mz;
            const double g = line->height * std::exp(-0.5 * d * d * line->inverseVariance);
            const double dg = -d * line->inverseVariance;  // g' / g
            slope.value += g;
            slope.first += dg * g;
            slope.second += (dg * dg - line->inverseVariance) * g;
        }
        return slope;
    }

private:
    std::span<const Gaussian> lines_;
    double reach_;
};

struct Probe {
    double mz = 0.0;
    Slope slope;
};

enum class Kind { Top, Valley };

// A top or a valley of the profile between two probes whose slopes have
// opposite signs; value is a bound from the probes until refined (a top's the
// highest probe beside it, a valley's the lowest), then exact.
struct Extremum {
    Kind kind = Kind::Top;
    std::size_t before = 0;  // probe indices
    std::size_t after = 0;
    double value = 0.0;
    bool refined = false;
};

struct Region {
    std::size_t first = 0;  // lines [first, end)
    std::size_t end = 0;
};

int SignOf(double x) { return (x > 0.0) - (x < 0.0); }

class RegionPeaks {
public:
    RegionPeaks(std::span<const SpectrumLine> lines, std::span<const Gaussian> gaussians, Region region,
                double sigmaMin, double sigmaMax)
        : lines_(lines),
          region_(region),
          sigmaMin_(sigmaMin),
          sigmaMax_(sigmaMax),
          profile_(gaussians.subspan(region.first, region.end - region.first), kReachInSigma * sigmaMax) {}

    // The indices of the lines that begin a new peak within the region.
    void AppendSplits(std::vector<std::size_t>& splits) {
        TakeProbes();
        FindExtrema();
        if (extrema_.size() < 3) return;
        RefineUncertainValleys();
        for (const std::size_t valley : KeptValleys()) splits.push_back(FirstLineRightOf(extrema_[valley]));
    }

private:
    void AddProbe(double mz) { probes_.push_back({mz, profile_.At(mz)}); }

    // The slope at every line (but those crowded within a quarter of a sigma
    // of the last probe) and every half sigma near the lines of a wider gap. A
    // top needs the profile concave, which each Gaussian is only within its own
    // sigma: farther than sigma_max from every line the profile is convex and
    // has one valley at most, which the probes either side of that stretch
    // find from the signs of their slopes.
    void TakeProbes() {
        const double spacing = kProbeSpacingInSigma * sigmaMin_;
        double last = lines_[region_.first].mz;
        AddProbe(last);
        for (std::size_t i = region_.first + 1; i < region_.end; ++i) {
            const double mz = lines_[i].mz;
            const double gap = mz - last;
            if (gap <= 0.0) continue;
            if (gap > spacing) {
                const double steps = std::ceil(gap / spacing);
                const double step = gap / steps;
                // Lines crowded after the last probe lie up to a quarter of a sigma beyond it.
                const double nearLines = std::ceil((sigmaMax_ + kDenseInSigma * sigmaMin_) / step);
                for (double k = 1.0; k < steps; ++k) {
                    if (k <= nearLines || k >= steps - nearLines) AddProbe(last + step * k);
                }
            }
            if (i + 1 == region_.end || gap >= kDenseInSigma * sigmaMin_) {
                AddProbe(mz);
                last = mz;
            }
        }
    }

    // The profile rises at the first line (every other lies right of it) and
    // falls at the last: tops and valleys alternate, a top first and last.
    void FindExtrema() {
        int sign = 1;
        std::size_t lastSigned = 0;
        for (std::size_t k = 1; k < probes_.size(); ++k) {
            const int here = SignOf(probes_[k].slope.first);
            if (here == 0 || here == sign) {
                if (here != 0) lastSigned = k;
                continue;
            }
            AddExtremum(sign > 0 ? Kind::Top : Kind::Valley, lastSigned, k);
            sign = here;
            lastSigned = k;
        }
        if (sign > 0) AddExtremum(Kind::Top, lastSigned, probes_.size() - 1);
    }

    void AddExtremum(Kind kind, std::size_t before, std::size_t after) {
        double value = probes_[before].slope.value;
        for (std::size_t k = before + 1; k <= after; ++k) {
            const double v = probes_[k].slope.value;
            value = kind == Kind::Top ? std::max(value, v) : std::min(value, v);
        }
        extrema_.push_back({kind, before, after, value, false});
    }

    // The exact top or valley: Newton's steps on the slope, kept within the
    // bracket where the slope changes sign, halving it where a step would leave.
    void Refine(Extremum& extremum) {
        if (extremum.refined) return;
        double low = probes_[extremum.before].mz;
        double high = probes_[extremum.after].mz;
        const int lowSign = SignOf(probes_[extremum.before].slope.first);
        double x = 0.5 * (low + high);
        double value = extremum.value;
        for (int step = 0; step < kMaxRefinements; ++step) {
            const Slope slope = profile_.At(x);
            value = slope.value;
            const int sign = SignOf(slope.first);
            if (sign == 0) break;
            (sign == lowSign ? low : high) = x;
            double next = slope.second != 0.0 ? x - slope.first / slope.second : 0.5 * (low + high);
            if (!(next > low && next < high)) next = 0.5 * (low + high);
            const bool settled = std::abs(next - x) < kRefinedInSigma * sigmaMin_;
            x = next;
            if (settled) break;
        }
        extremum.value =
            extremum.kind == Kind::Top ? std::max(value, extremum.value) : std::min(value, extremum.value);
        extremum.refined = true;
    }

    // A valley whose bound (the lowest probe beside it) already lies at most
    // kValleyShare of the probes' bounds of the tops beside it splits for
    // certain: joining tops only raises them. The others, and their tops, are
    // made exact before they are weighed.
    void RefineUncertainValleys() {
        for (std::size_t v = 1; v + 1 < extrema_.size(); v += 2) {
            if (CertainlySplits(v)) continue;
            LowerValleyBound(extrema_[v]);
            if (CertainlySplits(v)) continue;
            Refine(extrema_[v - 1]);
            Refine(extrema_[v]);
            Refine(extrema_[v + 1]);
        }
    }

    bool CertainlySplits(std::size_t valley) const {
        const double lowerTop = std::min(extrema_[valley - 1].value, extrema_[valley + 1].value);
        return extrema_[valley].value <= kValleyShare * lowerTop;
    }

    // The profile anywhere between the probes of a valley lies at or above the
    // valley: at the point where the slope, taken as straight between them,
    // would vanish it is usually close to it already.
    void LowerValleyBound(Extremum& valley) {
        const Probe& falling = probes_[valley.before];
        const Probe& rising = probes_[valley.after];
        const double share = falling.slope.first / (falling.slope.first - rising.slope.first);
        const double mz = falling.mz + share * (rising.mz - falling.mz);
        if (mz > falling.mz && mz < rising.mz) valley.value = std::min(valley.value, profile_.At(mz).value);
    }

    // The valleys that split, after joining the tops across every valley that
    // does not, the shallowest (highest share of the lower top) first.
    std::vector<std::size_t> KeptValleys() const {
        const std::size_t count = extrema_.size() / 2;  // valley j is extremum 2j + 1
        std::vector<double> leftTop(count);
        std::vector<double> rightTop(count);
        std::vector<std::size_t> previous(count);
        std::vector<std::size_t> next(count);
        std::vector<int> version(count, 0);
        std::vector<bool> kept(count, true);
        using Entry = std::pair<double, std::pair<std::size_t, int>>;  // share, valley, version
        std::priority_queue<Entry> shallowest;
        auto share = [&](std::size_t j) {
            return extrema_[2 * j + 1].value / std::min(leftTop[j], rightTop[j]);
        };
        for (std::size_t j = 0; j < count; ++j) {
            leftTop[j] = extrema_[2 * j].value;
            rightTop[j] = extrema_[2 * j + 2].value;
            previous[j] = j - 1;  // wraps for the first: no valley before
            next[j] = j + 1;
            shallowest.push({share(j), {j, 0}});
        }
        while (!shallowest.empty()) {
            const auto [valleyShare, entry] = shallowest.top();
            shallowest.pop();
            const auto [j, seen] = entry;
            if (!kept[j] || seen != version[j]) continue;
            if (valleyShare <= kValleyShare) break;
            kept[j] = false;
            const double joined = std::max(leftTop[j], rightTop[j]);
            const std::size_t before = previous[j];
            const std::size_t after = next[j];
            if (before < count) {
                rightTop[before] = joined;
                next[before] = after;
                shallowest.push({share(before), {before, ++version[before]}});
            }
            if (after < count) {
                leftTop[after] = joined;
                previous[after] = before;
                shallowest.push({share(after), {after, ++version[after]}});
            }
        }
        std::vector<std::size_t> valleys;
        for (std::size_t j = 0; j < count; ++j) {
            if (kept[j]) valleys.push_back(2 * j + 1);
        }
        return valleys;
    }

    // The first line right of a valley: those at or before the probe where the
    // slope still falls lie left of it, those at or after the probe where it
    // rises again right; of those between, the slope at each tells (falling:
    // left), and it rises from the first right one on.
    std::size_t FirstLineRightOf(const Extremum& valley) const {
        const double fallingAt = probes_[valley.before].mz;
        const double risingAt = probes_[valley.after].mz;
        const auto begin = lines_.begin() + static_cast<std::ptrdiff_t>(region_.first);
        const auto end = lines_.begin() + static_cast<std::ptrdiff_t>(region_.end);
        auto low = std::upper_bound(begin, end, fallingAt,
                                    [](double mz, const SpectrumLine& line) { return mz < line.mz; });
        auto high = std::lower_bound(begin, end, risingAt,
                                     [](const SpectrumLine& line, double mz) { return line.mz < mz; });
        while (low < high) {
            const auto middle = low + (high - low) / 2;
            if (profile_.At(middle->mz).first < 0.0) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return static_cast<std::size_t>(low - lines_.begin());
    }

    std::span<const SpectrumLine> lines_;
    Region region_;
    double sigmaMin_;
    double sigmaMax_;
    Profile profile_;
    std::vector<Probe> probes_;
    std::vector<Extremum> extrema_;
};

std::vector<Gaussian> GaussiansOf(std::span<const SpectrumLine> lines, const ResolvingPower& power) {
    std::vector<Gaussian> gaussians;
    gaussians.reserve(lines.size());
    for (const SpectrumLine& line : lines) {
        const double instrument = power.FwhmAt(line.mz) * kSigmaPerFwhm;
        const double variance = instrument * instrument + line.variance;
        gaussians.push_back({line.mz, line.abundance / std::sqrt(variance), 1.0 / variance});
    }
    return gaussians;
}

double SigmaOf(const Gaussian& g) { return 1.0 / std::sqrt(g.inverseVariance); }

// A region whose lines all lie within 2 sigma_min^2 / sigma_max of each other
// has one top: at any point where the slope vanishes the curvature is
// sum c_i (u_i^2 - 1 / sigma_i^2) with sum c_i u_i = 0, u_i = (mz_i - x) /
// sigma_i^2, c_i > 0, at most sum c_i (range(u)^2 / 4 - 1 / sigma_max^2) < 0
// (the spread of u within its range, which is at most span / sigma_min^2).
bool HasOneTop(std::span<const Gaussian> region, double sigmaMin, double sigmaMax) {
    return region.back().mz - region.front().mz < 2.0 * sigmaMin * sigmaMin / sigmaMax;
}

std::vector<ResolvedPeak> GatherPeaks(std::span<const SpectrumLine> lines,
                                      const std::vector<std::size_t>& splits) {
    std::vector<ResolvedPeak> peaks;
    std::size_t next = 0;
    long double weightedMz = 0.0L;
    long double abundance = 0.0L;
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        const bool ends = i == lines.size() || (next < splits.size() && splits[next] == i);
        if (ends && abundance > 0.0L) {
            peaks.push_back({static_cast<double>(weightedMz / abundance), static_cast<double>(abundance)});
            weightedMz = 0.0L;
            abundance = 0.0L;
        }
        while (next < splits.size() && splits[next] <= i) ++next;
        if (i == lines.size()) break;
        weightedMz += static_cast<long double>(lines[i].mz) * lines[i].abundance;
        abundance += lines[i].abundance;
    }
    return peaks;
}

}  // namespace

std::vector<ResolvedPeak> FindResolvedPeaks(std::span<const SpectrumLine> sorted,
                                            const ResolvingPower& power) {
    if (sorted.empty()) return {};
    const std::vector<Gaussian> gaussians = GaussiansOf(sorted, power);
    std::vector<std::size_t> splits;
    std::size_t first = 0;
    double sigmaMin = SigmaOf(gaussians[0]);
    double sigmaMax = sigmaMin;
    for (std::size_t i = 1; i <= sorted.size(); ++i) {
        const bool regionEnds =
            i == sorted.size() ||
            gaussians[i].mz - gaussians[i - 1].mz >
                kRegionGapInSigma * std::max(SigmaOf(gaussians[i - 1]), SigmaOf(gaussians[i]));
        if (!regionEnds) {
            const double sigma = SigmaOf(gaussians[i]);
            sigmaMin = std::min(sigmaMin, sigma);
            sigmaMax = std::max(sigmaMax, sigma);
            continue;
        }
        const std::span<const Gaussian> region(gaussians.data() + first, i - first);
        if (i - first > 1 && !HasOneTop(region, sigmaMin, sigmaMax)) {
            RegionPeaks(sorted, gaussians, {first, i}, sigmaMin, sigmaMax).AppendSplits(splits);
        }
        if (i == sorted.size()) break;
        splits.push_back(i);
        first = i;
        sigmaMin = SigmaOf(gaussians[i]);
        sigmaMax = sigmaMin;
    }
    return GatherPeaks(sorted, splits);
}

}  // namespace tarnevo::core
