#include "output/enrichment_comparison.h"

#include "output/result_values.h"

namespace tarnevo::output::detail {

std::vector<ComparisonRow> EnrichmentComparison(const CalculationState& state) {
    const int offset = Bounded(state.spectrum.firstPeakOffset, kPeakSlots);
    const int count =
        Bounded(offset + Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks), kPeakSlots);
    std::vector<ComparisonRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
        const double fa = state.cluster.peakFA[n];
        rows.push_back({n, PeakMz(state.ionMassA, n, state.charge),
                        n < offset ? 0.0 : state.spectrum.expIntensity[n - offset], fa,
                        RelativeIntensity(fa, state.cluster.maxFA)});
    }
    return rows;
}

}  // namespace tarnevo::output::detail
