// The comparison of a measured spectrum with the cluster of the enrichment
// that fits it best, row by row; the result page, the report, the CSV table
// and the plot all show these rows.
#pragma once

#include <vector>

#include "output/calculation_state.h"

namespace tarnevo::output::detail {

// One peak [A+n] of the fitted ion. The measured spectrum may start above
// [A+0] (firstPeakOffset calculated peaks come before its first peak); those
// calculated peaks are compared with a measured intensity of 0.
struct ComparisonRow {
    int n = 0;
    double mz = 0.0;
    double experimental = 0.0;  // Rel % as measured
    double calculatedFA = 0.0;
    double calculated = 0.0;  // Rel % of the calculated cluster
};

// Rows [A+0] up to the last measured peak, within the stored peaks.
std::vector<ComparisonRow> EnrichmentComparison(const CalculationState& state);

}  // namespace tarnevo::output::detail
