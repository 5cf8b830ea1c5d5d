// Shared set-up for the tests of the two cluster routes: an ion prepared exactly
// as the calculations prepare it (parse, limit check, engine order), and the
// comparison of two computed clusters.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "core/cluster_engine.h"
#include "core/formula_parser.h"

namespace tarnevo::testing {

using core::ClusterWorkspace;
using core::Extended;

inline ClusterWorkspace PrepareIon(const core::ElementTable& table, std::string_view formulaText) {
    core::ParsedFormula formula;
    ClusterWorkspace workspace;
    EXPECT_EQ(core::ParseFormulaText(formulaText, formula), core::FormulaSyntax::Valid) << formulaText;
    EXPECT_EQ(core::CheckClusterLimits(table, workspace, formula, 1).status, core::ClusterLimit::WithinLimits)
        << formulaText;
    core::OrderPolyisotopicElements(table, workspace, formula);
    return workspace;
}

inline Extended LargestPeak(const ClusterWorkspace& workspace) {
    return *std::max_element(workspace.peakSum.begin(), workspace.peakSum.end());
}

// Same passes, same visited shifts, peaks within 1e-12 of the largest and, where
// they are normal doubles, within 1e-10 of themselves (far finer than the seven
// digits printed); cumulative FA within 1e-12. The centroid mass of every peak
// above 1e-12 of the largest agrees to 1e-9 of the peak's distance from [A+0]
// plus one u: a ppb of the mass for any ion, and the defect part itself to 1e-9.
inline void ExpectSameCluster(const ClusterWorkspace& enumerated, const ClusterWorkspace& convolved,
                              const std::string& label) {
    SCOPED_TRACE(label);
    ASSERT_EQ(enumerated.passCount, convolved.passCount);
    EXPECT_EQ(enumerated.lastPeakIndex, convolved.lastPeakIndex);
    EXPECT_EQ(enumerated.peakOverflow, convolved.peakOverflow);
    EXPECT_FALSE(convolved.underflow);
    EXPECT_EQ(convolved.peakExponent, 0);
    const Extended largest = LargestPeak(enumerated);
    ASSERT_GT(largest, 0);
    for (int n = 0; n < core::kPeakCount; ++n) {
        const Extended a = enumerated.peakSum[n];
        const Extended b = convolved.peakSum[n];
        ASSERT_LE(std::fabs(a - b), 1e-12L * largest) << "[A+" << n << "]";
        if (static_cast<double>(a) > 1e-290) {
            ASSERT_LE(std::fabs(a - b), 1e-10L * a) << "[A+" << n << "]";
        }
    }
    EXPECT_LE(std::fabs(enumerated.cumulativeFA - convolved.cumulativeFA), 1e-12L * enumerated.cumulativeFA);
    for (int n = 0; n < core::kPeakCount; ++n) {
        if (enumerated.peakSum[n] < 1e-12L * largest) continue;
        const double a = core::PeakCentroidMass(enumerated, n) - enumerated.ionMassA;
        const double b = core::PeakCentroidMass(convolved, n) - convolved.ionMassA;
        ASSERT_LE(std::fabs(a - b), 1e-9 * (n + 1.0)) << "centroid of [A+" << n << "]";
    }
}

}  // namespace tarnevo::testing
