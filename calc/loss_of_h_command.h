// The Correct for Loss of H command (Ctrl+H). A measured isotope pattern of an
// ion M is often overlaid by the patterns of [M-H], [M-2H], ... : their peaks
// .. appear below the [A+0] peak of the intact ion, and their
// clusters also add to [A+0] and above. Given the ion formula, its charge, the
// m/z of the first measured peak and up to twelve consecutive relative
// intensities, the command removes the species that lost H, working from the
// one that lost the most upwards, and stores what remains from [A+0] on as the
// intact ion's spectrum, scaled so that its largest peak is 100.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "calc/command_context.h"
#include "output/calculation_state.h"

namespace tarnevo::calc {

void RunLossOfH(CommandContext& context);

// The pieces of the correction that do not need the engine, kept apart so that
// they can be checked with patterns worked by hand.
namespace loss_of_h {

inline constexpr int kMostHLost = 4;  // the first peak may lie at ..

inline constexpr std::string_view kOffsetOutOfRange =
    "Error - The index of the first peak in the spectrum must be between -4 and -1!";
inline constexpr std::string_view kFirstPeakZero =
    "Error - The first peak in the spectrum cannot have zero intensity!";
inline constexpr std::string_view kTooFewCorrectedPeaks =
    "Error - The result spectrum must contain at least two peaks!";
inline constexpr std::string_view kTooFewHAtoms = "Error - Your compound contains too few H atoms!";
// Refusals of results that would otherwise be infinite or not a number.
inline constexpr std::string_view kSpeciesWithoutLightPeak =
    "Error - An ion that lost H has no intensity at its [A+0] peak; the correction cannot be made!";
inline constexpr std::string_view kNoPositiveCorrectedPeak =
    "Error - No corrected peak has a positive intensity; check the peaks and the first peak m/z!";

using Spectrum = std::array<double, output::kMaxExperimentalPeaks>;

// Position of the first measured peak relative to [A+0]: |z| x m/z - mass of the
// [A+0] ion, rounded to the nearest integer with halves away from zero. Nothing
// when it lies outside -4 .. -1. Example: C6H6+ (78.0464 u), first peak at m/z
// 76.5 -> -1.546 -> -2; at 77.6 -> -0.446 -> 0, refused.
std::optional<int> FirstPeakOffset(double firstPeakMz, int charge, double ionMassA);

// Removes one species from the working spectrum. speciesFA holds the FA of the
// species' peaks [A+0], [A+1], ... as far as the working spectrum reaches from
// start, its first peak's position. The pattern is scaled to 100 at its
// largest peak, its amount is set from the working value at start, and that
// amount of the pattern is subtracted from start onwards. False (working
// spectrum untouched) when the species has no intensity at its first peak, or
// the subtraction would not give finite values.
bool SubtractSpecies(std::span<double> working, int start, std::span<const double> speciesFA);

// Scales corrected values so that the largest is 100; negative values from
// over-subtraction stay negative and scale with the others. False (values
// untouched) when no value is positive.
bool NormaliseToLargest(std::span<double> corrected);

}  // namespace loss_of_h

}  // namespace tarnevo::calc
