// The view's presets of the Isotope Labelling Effects dialogs: the last entries,
// shown again by the next labelling calculation and kept across File New.
#pragma once

#include <array>

#include "core/enrichment_fit.h"
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
    // Not presets: the search cycles of the last enrichment fit (counted while
    // it runs) and how its search ended, kept with it.
    int fitCycleCount = 0;
    core::SearchEnd fitEnd = core::SearchEnd::Converged;
};

}  // namespace tarnevo::doc
