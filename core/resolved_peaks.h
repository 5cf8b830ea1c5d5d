// The peaks an instrument resolves from an ion's lines, found without drawing
// the profile: only where the profile's slope changes sign matters, and the
// profile of a group of lines narrower than their Gaussians has a single top.
//
// Where two peaks part. The profile (each line a Gaussian of the instrument's
// width, widened by the line's own spread) is evaluated exactly, from every line
// within 10 sigma, at each line and every half sigma between lines farther
// apart; a line lies left of a minimum when the slope at it falls, right when it
// rises, so lines are assigned to the side they lie on whatever the distance
// between samples.
//
// Which minima part two peaks: a valley splits two peaks when the profile there
// is at most kValleyShare of the lower of the two tops beside it (after the
// tops of any valleys that did not split are joined, the shallowest first).
// 95 %: two equal lines one FWHM apart, the separation that the FWHM definition
// of resolving power calls resolved, show a 6 % dip and stay apart; a dip of
// under 5 % is no more than the noise and the few samples per FWHM of a
// measured profile let centroiding software tell from a shoulder (an antibody's
// 0.4 % dip at R 100,000 is one peak, not two of half the ion each).
#pragma once

#include <span>
#include <vector>

#include "core/resolving_power.h"

namespace tarnevo::core {

// sigma of a Gaussian = FWHM / (2 sqrt(2 ln 2)).
inline constexpr double kSigmaPerFwhm = 0.42466090014400953;
// A Gaussian's reach: beyond 10 sigma it is below 2e-22 of its height, far
// below the last digit of the profile anywhere between the lines.
inline constexpr double kReachInSigma = 10.0;
// Lines farther apart than this many sigma have a minimum between them at which
// the profile is below 1e-15 of either: they part whatever else is near, and
// the profile and the peaks treat them as different regions.
inline constexpr double kRegionGapInSigma = 12.0;

inline constexpr double kValleyShare = 0.95;

// The resolved peaks of lines that are usable and in ascending m/z order.
std::vector<ResolvedPeak> FindResolvedPeaks(std::span<const SpectrumLine> sorted,
                                            const ResolvingPower& power);

}  // namespace tarnevo::core
