// The view's presets of the Isotope Labelling Effects dialogs: the last entries,
// shown again by the next labelling calculation and kept across File New. What
// a fit computed (its cycles, how its search ended) is a result and lives with
// the stored results; the spectrum here is only the last one typed, which the
// fit copies into its own record once the dialog is accepted.
#pragma once

#include <array>

#include "output/calculation_state.h"

namespace tarnevo::doc {

struct LabellingPresets {
    int labellingChoice = 0;  // 0: pattern from known enrichments, 1: enrichment from a spectrum
    int detailCount = 1;      // number of enriched elements of a pattern
    // Enrichment from a spectrum.
    int enrichedAtomCount = 1;
    double firstPeakMz = 200.0;
    std::array<double, output::kMaxExperimentalPeaks> expIntensity{};
    int maxIsotope3 = 2;  // isotope of maximum enrichment of a three-isotope element
    double maxFA3 = 0.5;
    int maxIsotope4 = 3;  // ... and of a four-isotope element
    double maxFA4 = 0.5;
};

}  // namespace tarnevo::doc
