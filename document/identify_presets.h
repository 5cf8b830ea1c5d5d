// The view's presets of the Identify Ion from Pattern dialogs: the last
// question asked in this run, shown again by the next identification and kept
// across File New. The element rows open as the identification's own
// defaults (C from 1: molecules without carbon are searched when asked for by
// a carbon minimum of 0). The peaks are kept as typed (a refused cell comes back for
// correcting); an empty list of ion-type boxes stands for all of them checked.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/ion_identification.h"
#include "output/identification_text.h"

namespace tarnevo::doc {

struct IdentifyPresets {
    static constexpr int kPeakRows = 30;
    static constexpr int kElementRows = 8;

    struct ElementRow {
        std::string symbol;
        int minimum = 0;
        int maximum = 0;  // 0: as many as fit
    };

    std::array<std::string, kPeakRows> mz{};
    std::array<std::string, kPeakRows> intensity{};

    int polarity = 0;                 // 0: positive, 1: negative
    int charge = 0;                   // 0: read from the spacing of the peaks
    std::vector<bool> positiveTypes;  // empty: every box checked
    std::vector<bool> negativeTypes;
    std::string otherTypes;
    std::array<ElementRow, kElementRows> elements{
        {{"C", 1, 0}, {"H", 0, 0}, {"N", 0, 0}, {"O", 0, 0}, {"P", 0, 0}, {"S", 0, 0}, {}, {}}};
    double ppm = core::kDefaultIdentifyPpm;
    double resolution = core::kDefaultIdentifyResolvingPower;
    int powerModel = 0;  // 0: constant, 1: Orbitrap
    double referenceMz = 200.0;
    bool rdbe = true;
    bool ratios = true;
    bool strictRatios = false;
    bool lewisSenior = true;
    int listed = static_cast<int>(output::kListedCandidates);  // candidates the page lists
};

}  // namespace tarnevo::doc
