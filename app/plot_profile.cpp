#include "app/plot_profile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "calc/ion_identify_run.h"
#include "core/formula_parser.h"
#include "core/text_format.h"
#include "output/plot_data.h"

namespace tarnevo::app {

namespace {

// Profile tails lower than this share of the tallest stick are under a pixel
// of any pane's height: the m/z range does not grow to show them.
constexpr double kVisibleShare = 0.002;
// Resolved peaks lower than this share of the tallest stick are not drawn as
// sticks: far below a pixel, while the 2H peak of a small organic ion's
// [A+1] (0.1 %) keeps the stick its bump in the profile has.
constexpr double kStickShare = 1e-4;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// "60,000" read as "60000": a comma only between groups of three digits, so
// that a decimal comma ("60000,5") is refused rather than misread.
std::optional<std::string> WithoutThousandsSeparators(std::string_view text) {
    const std::size_t firstComma = text.find(',');
    if (firstComma == std::string_view::npos) return std::string(text);
    const std::size_t point = std::min(text.find('.'), text.size());
    if (firstComma == 0 || firstComma > point) return std::nullopt;
    std::string digits(text.substr(0, firstComma));
    for (std::size_t at = firstComma; at < point; at += 4) {
        if (text[at] != ',' || at + 4 > point) return std::nullopt;
        digits += text.substr(at + 1, 3);
    }
    digits += text.substr(point);
    return digits;
}

// 60000 as "60,000"; a resolution with a fraction as it reads back.
std::string GroupedResolution(double resolution) {
    if (resolution != std::floor(resolution)) return core::FormatShortest(resolution);
    const std::string digits = core::FormatInteger(static_cast<long long>(resolution));
    std::string grouped;
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) grouped += ',';
        grouped += digits[k];
    }
    return grouped;
}

std::string RangeMessage() {
    return "Please enter a resolving power between " + GroupedResolution(calc::kMinResolvingPower) + " and " +
           GroupedResolution(calc::kMaxResolvingPower) + ", or leave the field empty for no profile.";
}

double TallestMark(const output::PlotData& plot) {
    double tallest = 0.0;
    for (const output::PlotSeries& series : plot.series) {
        for (const output::PlotMark& mark : series.marks) tallest = std::max(tallest, mark.y);
    }
    return tallest;
}

// The profile's points as marks, the highest at the tallest stick's height.
output::PlotSeries ProfileSeries(const calc::ResolvedIon& ion, const core::ResolvingPower& power,
                                 double tallest) {
    output::PlotSeries profile{ProfileSeriesName(power, ion.model), {}, output::SeriesStyle::Profile};
    profile.marks.reserve(ion.pattern.profile.size());
    for (const core::ProfilePoint& point : ion.pattern.profile) {
        const double height = point.relative / 100.0 * tallest;
        profile.marks.push_back({point.mz, height, {}, point.mz, std::nullopt, height});
    }
    return profile;
}

// The m/z range widened to the profile's visible tails: at a low resolving
// power a peak is wider than the margin the sticks leave.
void WidenToProfile(output::PlotData& plot, const output::PlotSeries& profile, double tallest) {
    for (const output::PlotMark& mark : profile.marks) {
        if (mark.y < kVisibleShare * tallest) continue;
        plot.x.low = std::min(plot.x.low, mark.x);
        plot.x.high = std::max(plot.x.high, mark.x);
    }
}

bool SamePower(const core::ResolvingPower& a, const core::ResolvingPower& b) {
    return a.resolution == b.resolution && a.model == b.model &&
           (a.model == core::ResolvingPowerModel::Constant || a.referenceMz == b.referenceMz);
}

// The identification's plot at the pane's resolving power: the question's
// own needs nothing new; another redraws the selected candidate at it; none
// takes the profile away.
void ShowIdentificationAt(output::PlotData& plot, const output::CalculationState& state,
                          const std::optional<core::ResolvingPower>& power) {
    if (!power) {
        std::erase_if(plot.series, [](const output::PlotSeries& series) {
            return series.style == output::SeriesStyle::Profile;
        });
        return;
    }
    if (SamePower(*power, state.identification.query.power)) return;
    output::CalculationState shown = state;
    shown.identification.query.power = *power;
    shown.identification.selectedPattern = calc::SelectedPatternAt(state.identification, *power);
    plot = output::MakePlotData(shown);
}

void AddClusterProfile(output::PlotData& plot, const output::CalculationState& state,
                       const core::ElementTable& table, const core::ResolvingPower& power) {
    core::ParsedFormula ion;
    if (core::ParseFormulaText(state.formulaText, ion) != core::FormulaSyntax::Valid) return;
    const calc::ResolvedIon resolved =
        calc::ResolveIon(table, ion, state.charge, power, core::ProfileWanted::Yes);
    const double tallest = TallestMark(plot);
    if (!resolved.problem.empty() || resolved.pattern.profile.empty() || !(tallest > 0.0)) return;
    for (output::PlotSeries& series : plot.series) {
        if (series.style == output::SeriesStyle::Stick)
            StandSticksAtResolvedPeaks(series, resolved.pattern, state.charge);
    }
    output::PlotSeries profile = ProfileSeries(resolved, power, tallest);
    WidenToProfile(plot, profile, tallest);
    plot.series.insert(plot.series.begin(), std::move(profile));
    plot.showLegend = true;  // the legend names the resolving power and the model
}

}  // namespace

ResolvingPowerEntry ReadResolvingPower(std::string_view text) {
    const std::string_view trimmed = Trimmed(text);
    if (trimmed.empty()) return {};
    const std::optional<std::string> digits = WithoutThousandsSeparators(trimmed);
    double value = 0.0;
    if (digits) {
        const char* end = digits->data() + digits->size();
        const auto [stop, error] = std::from_chars(digits->data(), end, value);
        if (error == std::errc() && stop == end && value == 0.0) return {};
        if (error == std::errc() && stop == end && IsAcceptedResolution(value)) return {value, {}};
    }
    return {std::nullopt, RangeMessage()};
}

bool IsAcceptedResolution(double resolution) {
    return resolution >= calc::kMinResolvingPower && resolution <= calc::kMaxResolvingPower;
}

std::string ProfileSeriesName(const core::ResolvingPower& power, calc::PatternModel model) {
    std::string name = "Profile at R " + GroupedResolution(power.resolution);
    if (power.model == core::ResolvingPowerModel::Orbitrap) {
        name += " at m/z " + core::FormatShortest(power.referenceMz);
    }
    return name + " (" + std::string(calc::PatternModelName(model)) + ")";
}

void AddInstrumentProfile(output::PlotData& plot, const output::CalculationState& state,
                          const core::ElementTable& table, const std::optional<core::ResolvingPower>& power) {
    if (plot.empty) return;
    if (state.calcKind == output::CalcKind::IonIdentification) {
        ShowIdentificationAt(plot, state, power);
        return;
    }
    if (state.calcKind == output::CalcKind::IsotopeCluster && power)
        AddClusterProfile(plot, state, table, *power);
}

void StandSticksAtResolvedPeaks(output::PlotSeries& sticks, const core::ResolvedPattern& pattern,
                                int charge) {
    const auto byHeight = [](const output::PlotMark& a, const output::PlotMark& b) { return a.y < b.y; };
    const auto tallest = std::max_element(sticks.marks.begin(), sticks.marks.end(), byHeight);
    if (tallest == sticks.marks.end() || !tallest->fa || !(*tallest->fa > 0.0) || charge == 0) return;
    const double heightPerFA = tallest->y / *tallest->fa;
    const double lowest = kStickShare * tallest->y;
    // Nominal peaks stand 1/|z| apart: a resolved peak belongs to the one
    // within half of that.
    const double reach = 0.5 / std::abs(charge);
    std::vector<output::PlotMark> moved;
    for (const core::ResolvedPeak& peak : pattern.peaks) {
        const auto nearest = std::min_element(sticks.marks.begin(), sticks.marks.end(),
                                              [&peak](const output::PlotMark& a, const output::PlotMark& b) {
                                                  return std::abs(a.x - peak.mz) < std::abs(b.x - peak.mz);
                                              });
        const double height = peak.abundance * heightPerFA;
        if (std::abs(nearest->x - peak.mz) > reach || height < lowest) continue;
        moved.push_back({peak.mz, height, nearest->label, peak.mz, peak.abundance, height});
    }
    if (!moved.empty()) sticks.marks = std::move(moved);
}

}  // namespace tarnevo::app
