// What an instrument of a given resolving power makes of an ion's lines: the
// profile it records (each line a Gaussian of the instrument's full width at
// half maximum, FWHM = m/z / R) and the peaks it resolves. A resolved peak is
// every line between two neighbouring minima of the profile deep enough to part
// two peaks (core/resolved_peaks.h: at most 95 % of the lower top beside it);
// its m/z is their abundance-weighted mean and its abundance their sum, which
// is what centroiding software reports for it. At R 17,500 the 13C and 15N lines of an
// [A+1] at m/z 150 (6.3 mDa apart, FWHM 8.6 mDa) make one peak; at R 240,000
// (FWHM 0.6 mDa) two.
#pragma once

#include <span>
#include <vector>

namespace tarnevo::core {

enum class ResolvingPowerModel {
    Constant,  // the same R at every m/z (time-of-flight, FT-ICR over a narrow range)
    Orbitrap,  // R falls with the square root of m/z: R(m) = R x sqrt(reference / m)
};

struct ResolvingPower {
    double resolution = 60000.0;  // R at referenceMz (Orbitrap) or everywhere (Constant)
    ResolvingPowerModel model = ResolvingPowerModel::Constant;
    double referenceMz = 200.0;

    // The full width at half maximum of a peak at mz.
    double FwhmAt(double mz) const;
};

// One line of an ion's pattern at its m/z. variance is the line's own spread
// (u^2 on the m/z scale), 0 for a single isotopic composition; a nominal peak
// given by its mean and variance (the moment model of large ions) has its own.
struct SpectrumLine {
    double mz = 0.0;
    double abundance = 0.0;
    double variance = 0.0;
};

struct ResolvedPeak {
    double mz = 0.0;         // abundance-weighted mean of the lines it holds
    double abundance = 0.0;  // their sum
};

struct ProfilePoint {
    double mz = 0.0;
    double relative = 0.0;  // the profile in percent of its highest point
};

struct ResolvedPattern {
    std::vector<ResolvedPeak> peaks;    // in m/z order
    std::vector<ProfilePoint> profile;  // in m/z order, empty unless asked for
};

enum class ProfileWanted { No, Yes };

// The peaks (and, if wanted, the profile) of lines in any order. Lines of no
// abundance (or not finite, or at no positive m/z) are ignored; a resolving
// power that is not positive and finite gives no peaks.
ResolvedPattern ResolvePattern(std::span<const SpectrumLine> lines, const ResolvingPower& power,
                               ProfileWanted profile = ProfileWanted::No);

}  // namespace tarnevo::core
