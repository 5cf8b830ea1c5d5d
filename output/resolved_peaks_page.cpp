#include "output/resolved_peaks_page.h"

#include <algorithm>

#include "core/text_format.h"
#include "output/result_values.h"

namespace tarnevo::output {

std::vector<std::string> IonTypeLines(const IonTypeEcho& ionType) {
    if (ionType.notation.empty()) return {};
    return {"Ion type: " + ionType.notation + " of the molecule " + ionType.molecule};
}

std::string ResolvingPowerText(const core::ResolvingPower& power) {
    const std::string text = "R " + core::FormatShortest(power.resolution);
    if (power.model == core::ResolvingPowerModel::Orbitrap) {
        return text + " at m/z " + core::FormatShortest(power.referenceMz) +
               ", falling with the square root of m/z";
    }
    return text + ", the same at every m/z";
}

std::vector<std::string> ResolvedPeakLines(const ResolvedPeaksTable& table) {
    if (!table.asked) return {};
    std::vector<std::string> lines = {
        "", "Resolved peaks at " + ResolvingPowerText(table.power) + " (" + table.model + "):",
        "        m/z            FA        Rel %"};
    if (!table.problem.empty()) {
        lines.push_back(table.problem);
        return lines;
    }
    double largest = 0.0;
    for (const core::ResolvedPeak& peak : table.peaks) largest = std::max(largest, peak.abundance);
    for (const core::ResolvedPeak& peak : table.peaks) {
        lines.push_back(
            core::RightAligned(core::FormatFixed(peak.mz, 5), 14) + "  " +
            core::RightAligned(core::FormatScientific(peak.abundance, 5), 13) + "  " +
            core::RightAligned(core::FormatFixed(RelativeIntensity(peak.abundance, largest), 3), 8));
    }
    return lines;
}

}  // namespace tarnevo::output
