#include "core/identify_nominal.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/cluster_engine.h"
#include "core/ion_mz.h"
#include "core/pattern_error_terms.h"

namespace tarnevo::core {

namespace {

std::optional<double> LargestRatio(const NominalPeaks& nominal, std::size_t shift,
                                   const PatternErrorModel& model) {
    if (static_cast<int>(shift) > nominal.lastShift || nominal.intensityByShift.empty()) return std::nullopt;
    // A peak missing between measured ones was dropped, not measured at 0.
    if (nominal.intensityByShift[shift] <= 0.0) return std::nullopt;
    const double base = *std::max_element(nominal.intensityByShift.begin(), nominal.intensityByShift.end());
    const double sigmas = BoundSigmas(model);
    const double heavy = nominal.intensityByShift[shift] / base;
    const double light = nominal.intensityByShift[0] / base;
    const double lowestLight = light - sigmas * IntensitySigma(model, light);
    if (lowestLight <= 0.0) return std::nullopt;
    return (heavy + sigmas * IntensitySigma(model, heavy)) / lowestLight;
}

// p_shift / p0 of one atom of an element: its isotopes shift units heavier
// than its lightest, against the lightest.
double IsotopeRatio(const ElementTable& table, int element, int shift) {
    double heavy = 0.0;
    for (int k = 0; k < table[element].heavyCount; ++k) {
        if (table.HeavyDelta(element, k) == shift) heavy += table.HeavyFA(element, k);
    }
    return heavy / table.LightFA(element);
}

}  // namespace

NominalPeaks GatherNominal(const std::vector<MeasuredPeak>& measured, double monoisotopicMz, int charge) {
    const double z = std::abs(static_cast<double>(charge));
    std::vector<double> weightedMz;
    NominalPeaks nominal;
    for (const MeasuredPeak& peak : measured) {
        const int shift =
            std::max(0, static_cast<int>(std::lround((peak.mz - monoisotopicMz) * z / kIsotopeStep)));
        if (static_cast<std::size_t>(shift) >= nominal.peaks.size()) {
            nominal.peaks.resize(static_cast<std::size_t>(shift) + 1);
            weightedMz.resize(static_cast<std::size_t>(shift) + 1);
        }
        nominal.peaks[static_cast<std::size_t>(shift)].intensity += peak.intensity;
        weightedMz[static_cast<std::size_t>(shift)] += peak.mz * peak.intensity;
        nominal.lastShift = std::max(nominal.lastShift, shift);
    }
    std::vector<MeasuredPeak> present;
    for (std::size_t n = 0; n < nominal.peaks.size(); ++n) {
        nominal.intensityByShift.push_back(nominal.peaks[n].intensity);
        if (nominal.peaks[n].intensity <= 0.0) continue;
        present.push_back({weightedMz[n] / nominal.peaks[n].intensity, nominal.peaks[n].intensity});
    }
    nominal.peaks = std::move(present);
    return nominal;
}

std::vector<ResolvedPeak> NominalPattern(const ElementTable& table, ElementMomentsCache& moments,
                                         const ParsedFormula& ion, int charge) {
    MomentDistribution sum(1, MomentSums{1.0, 0.0, 0.0});
    for (int e = 0; e < kElementCount; ++e) {
        if (ion[e] == 0 || !table.IsPolyisotopic(e)) continue;
        sum = CombineMoments(sum, moments.Of(e, ion[e]), moments.LastShift());
    }
    const Extended lightest = LightestMass(table, ion);
    std::vector<ResolvedPeak> peaks;
    for (const PeakMoment& moment : MomentPeaks(sum)) {
        const Extended mass = lightest + static_cast<Extended>(moment.shift) + moment.meanDefect;
        peaks.push_back({static_cast<double>(MzOf(IonMassOf(mass, charge), charge)),
                         static_cast<double>(moment.abundance)});
    }
    return peaks;
}

double BoundSigmas(const PatternErrorModel& model) { return model.tailDof > 0.0 ? 8.0 : 4.0; }

RatioBounds MeasuredRatioBounds(const NominalPeaks& nominal, const PatternErrorModel& model) {
    return {LargestRatio(nominal, 1, model), LargestRatio(nominal, 2, model)};
}

bool BoundByPattern(const ElementTable& table, MoleculeRows& rows, const RatioBounds& bounds,
                    int moleculeCount) {
    for (std::size_t k = 0; k < rows.elements.size(); ++k) {
        SearchElement& row = rows.elements[k];
        for (const auto& [shift, bound] : {std::pair{1, bounds.plusOne}, std::pair{2, bounds.plusTwo}}) {
            const double ratio = IsotopeRatio(table, rows.elementIndex[k], shift) * moleculeCount;
            if (!bound || ratio <= 0.0) continue;
            const double most = std::floor(*bound / ratio);
            if (most < static_cast<double>(row.maximum)) row.maximum = static_cast<int>(most);
        }
        if (row.maximum < row.minimum) return false;
    }
    return true;
}

}  // namespace tarnevo::core
