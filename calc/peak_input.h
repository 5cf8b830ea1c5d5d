// Input record of the peak-entry dialog: up to twelve consecutive peaks of a
// measured isotope pattern, each an m/z that the calculation works out from the
// first peak (shown, not edited) and a relative intensity that the user types.
// Both the correction for loss of H and the enrichment fit take their spectra
// through it: the caller fills the m/z values and the preset intensities and
// reads back the twelve intensities after OK.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "output/calculation_state.h"
#include "port/input_record.h"

namespace tarnevo::calc {

class PeakInput : public port::InputRecord {
public:
    static constexpr int kPeakCount = output::kMaxExperimentalPeaks;
    // The dialog shows three column pairs of four peaks; peak k runs down the
    // first pair, then the second, then the third.
    static constexpr int kRowsPerColumn = 4;
    static constexpr int kColumnPairs = kPeakCount / kRowsPerColumn;

    static constexpr std::string_view kCaption = "Peaks in the Mass Spectrum";
    static constexpr std::string_view kPrompt1 = "The base peak must have a relative intensity of 100.000.";
    static constexpr std::string_view kPrompt2 = "Peaks with zero relative intensity are ignored.";
    static constexpr std::string_view kMzHeading = "Peak m/z";
    static constexpr std::array<std::string_view, 2> kIntensityHeading = {"Relative", "Intensity"};

    // Accepted ranges; the m/z values are checked on OK like any other field,
    // so a caller that offers an m/z outside the range gets the standard refusal.
    static constexpr double kMinMz = 1.0;
    static constexpr double kMaxMz = 10000.0;
    static constexpr double kMaxIntensity = 100.0;

    // m/z of peak k = firstMz + k / |charge|: consecutive peaks of an ion are one
    // mass unit apart, which is 1/|z| on the m/z scale (0.5 for a doubly charged
    // ion). Leaves the intensities alone.
    void SetEvenlySpacedMz(double firstMz, int charge);

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CPeakDlg"; }
    // In dialog order: m/z of peak 0, its intensity, m/z of peak 1, ... with the
    // keys "mz1" / "intensity1" .. "mz12" / "intensity12".
    std::vector<port::FieldBinding> Fields() override;

    std::array<double, kPeakCount> mz{};
    std::array<double, kPeakCount> intensity{};
};

}  // namespace tarnevo::calc
