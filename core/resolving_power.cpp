#include "core/resolving_power.h"

#include <algorithm>
#include <cmath>

#include "core/resolved_peaks.h"

namespace tarnevo::core {

namespace {

// The profile is drawn from 20 samples per FWHM.
constexpr double kSamplesPerFwhm = 20.0;
// Lines closer than FWHM / 40 are one Gaussian to any drawing; the profile
// merges them (the peaks are still made of the exact lines).
constexpr double kBinsPerFwhm = 40.0;
// Each region is sampled from 3 sigma before its first line to 3 sigma after
// its last, where a lone line has fallen to 1 % of its height.
constexpr double kRegionMarginInSigma = 3.0;

struct Region {
    std::size_t first = 0;  // lines [first, end)
    std::size_t end = 0;
};

std::vector<SpectrumLine> SortedLines(std::span<const SpectrumLine> lines) {
    std::vector<SpectrumLine> sorted;
    sorted.reserve(lines.size());
    for (const SpectrumLine& line : lines) {
        const bool usable = line.abundance > 0.0 && std::isfinite(line.abundance) && line.mz > 0.0 &&
                            std::isfinite(line.mz) && line.variance >= 0.0 && std::isfinite(line.variance);
        if (usable) sorted.push_back(line);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const SpectrumLine& a, const SpectrumLine& b) { return a.mz < b.mz; });
    return sorted;
}

double SigmaOf(const ResolvingPower& power, const SpectrumLine& line) {
    const double instrument = power.FwhmAt(line.mz) * kSigmaPerFwhm;
    return std::sqrt(instrument * instrument + line.variance);
}

std::vector<Region> RegionsOf(const std::vector<SpectrumLine>& lines, const ResolvingPower& power) {
    std::vector<Region> regions;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool startsRegion = i == 0 || lines[i].mz - lines[i - 1].mz >
                                                kRegionGapInSigma * std::max(SigmaOf(power, lines[i - 1]),
                                                                             SigmaOf(power, lines[i]));
        if (startsRegion) regions.push_back({i, i});
        regions.back().end = i + 1;
    }
    return regions;
}

// The lines of a region merged into bins FWHM / 40 wide, each at the
// abundance-weighted mean of its lines.
std::vector<SpectrumLine> MergedLines(const std::vector<SpectrumLine>& lines, Region region,
                                      const ResolvingPower& power) {
    std::vector<SpectrumLine> merged;
    long double weightedMz = 0.0L;
    long double weightedVariance = 0.0L;
    double binStart = 0.0;
    double binWidth = 0.0;
    auto closeBin = [&] {
        SpectrumLine& bin = merged.back();
        bin.mz = static_cast<double>(weightedMz / bin.abundance);
        bin.variance = static_cast<double>(weightedVariance / bin.abundance);
    };
    for (std::size_t i = region.first; i < region.end; ++i) {
        const SpectrumLine& line = lines[i];
        if (merged.empty() || line.mz - binStart >= binWidth) {
            if (!merged.empty()) closeBin();
            merged.push_back({line.mz, 0.0, 0.0});
            binStart = line.mz;
            binWidth = power.FwhmAt(line.mz) / kBinsPerFwhm;
            weightedMz = 0.0L;
            weightedVariance = 0.0L;
        }
        merged.back().abundance += line.abundance;
        weightedMz += static_cast<long double>(line.mz) * line.abundance;
        weightedVariance += static_cast<long double>(line.variance) * line.abundance;
    }
    if (!merged.empty()) closeBin();
    return merged;
}

// The profile of a region's merged lines at increasing m/z, summing only the
// lines within reach of each sample.
class RegionProfile {
public:
    RegionProfile(const std::vector<SpectrumLine>& merged, const ResolvingPower& power)
        : merged_(merged), power_(power) {
        for (const SpectrumLine& line : merged_) widest_ = std::max(widest_, SigmaOf(power_, line));
    }

    double At(double mz) {
        const double reach = kReachInSigma * widest_;
        while (low_ < merged_.size() && merged_[low_].mz < mz - reach) ++low_;
        double sum = 0.0;
        for (std::size_t i = low_; i < merged_.size() && merged_[i].mz <= mz + reach; ++i) {
            const double sigma = SigmaOf(power_, merged_[i]);
            const double distance = (mz - merged_[i].mz) / sigma;
            // Height abundance / sigma: a broader line spreads the same area.
            sum += merged_[i].abundance / sigma * std::exp(-0.5 * distance * distance);
        }
        return sum;
    }

private:
    const std::vector<SpectrumLine>& merged_;
    const ResolvingPower& power_;
    double widest_ = 0.0;
    std::size_t low_ = 0;
};

struct Sample {
    double mz;
    double value;
};

std::vector<Sample> SampleRegion(const std::vector<SpectrumLine>& lines, Region region,
                                 const ResolvingPower& power) {
    const std::vector<SpectrumLine> merged = MergedLines(lines, region, power);
    RegionProfile profile(merged, power);
    const double start = lines[region.first].mz - kRegionMarginInSigma * SigmaOf(power, lines[region.first]);
    const double stop =
        lines[region.end - 1].mz + kRegionMarginInSigma * SigmaOf(power, lines[region.end - 1]);
    std::vector<Sample> samples;
    for (double mz = start; mz <= stop;) {
        samples.push_back({mz, profile.At(mz)});
        const double step = power.FwhmAt(mz) / kSamplesPerFwhm;
        const double next = mz + step;
        if (!(next > mz)) break;  // a step below the spacing of doubles
        mz = next;
    }
    samples.push_back({stop, profile.At(stop)});
    return samples;
}

void AppendProfile(const std::vector<Sample>& samples, std::vector<ProfilePoint>& profile) {
    profile.push_back({samples.front().mz, 0.0});
    for (const Sample& sample : samples) profile.push_back({sample.mz, sample.value});
    profile.push_back({samples.back().mz, 0.0});
}

void ScaleToPercent(std::vector<ProfilePoint>& profile) {
    double highest = 0.0;
    for (const ProfilePoint& point : profile) highest = std::max(highest, point.relative);
    if (highest <= 0.0) return;
    for (ProfilePoint& point : profile) point.relative = point.relative / highest * 100.0;
}

}  // namespace

double ResolvingPower::FwhmAt(double mz) const {
    if (model == ResolvingPowerModel::Orbitrap) {
        return mz / (resolution * std::sqrt(referenceMz / mz));
    }
    return mz / resolution;
}

ResolvedPattern ResolvePattern(std::span<const SpectrumLine> lines, const ResolvingPower& power,
                               ProfileWanted profile) {
    ResolvedPattern pattern;
    const std::vector<SpectrumLine> sorted = SortedLines(lines);
    const bool usablePower = power.resolution > 0.0 && std::isfinite(power.resolution) &&
                             power.referenceMz > 0.0 && std::isfinite(power.referenceMz);
    if (sorted.empty() || !usablePower) return pattern;
    pattern.peaks = FindResolvedPeaks(sorted, power);
    if (profile == ProfileWanted::No) return pattern;
    for (const Region region : RegionsOf(sorted, power))
        AppendProfile(SampleRegion(sorted, region, power), pattern.profile);
    ScaleToPercent(pattern.profile);
    return pattern;
}

}  // namespace tarnevo::core
