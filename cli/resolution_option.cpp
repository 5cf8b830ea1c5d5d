#include "cli/resolution_option.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "cli/cli.h"
#include "cli/cli_output.h"
#include "core/formula_parser.h"
#include "core/text_format.h"
#include "output/result_values.h"

namespace tarnevo::cli {

namespace {

constexpr double kMinReferenceMz = 1.0;
constexpr double kMaxReferenceMz = 100000.0;

std::string RangeProblem(std::string_view option, double low, double high, const std::string& text) {
    return "--" + std::string(option) + ": a number from " +
           core::FormatInteger(static_cast<long long>(low)) + " to " +
           core::FormatInteger(static_cast<long long>(high)) + " is required, not '" + Echoed(text) + "'";
}

double LargestAbundance(const core::ResolvedPattern& pattern) {
    double largest = 0.0;
    for (const core::ResolvedPeak& peak : pattern.peaks) largest = std::max(largest, peak.abundance);
    return largest;
}

std::string PowerDescription(const ResolutionRequest& request) {
    const core::ResolvingPower& power = request.power;
    std::string text = "R " + core::FormatShortest(power.resolution);
    if (power.model == core::ResolvingPowerModel::Orbitrap) {
        return text + " at m/z " + core::FormatShortest(power.referenceMz) +
               ", falling with the square root of m/z";
    }
    return text + ", the same at every m/z";
}

}  // namespace

ResolutionParse ParseResolution(const Arguments& arguments) {
    const std::optional<std::string> resolution = arguments.Value("resolution");
    if (!resolution) {
        for (const char* dependent : {"orbitrap", "profile"}) {
            if (arguments.Has(dependent))
                return {std::nullopt, "--" + std::string(dependent) + " needs --resolution R"};
        }
        if (arguments.Value("at")) return {std::nullopt, "--at needs --resolution R --orbitrap"};
        return {};
    }
    ResolutionRequest request;
    const std::optional<double> r = NumberWithin(*resolution, kMinResolution, kMaxResolution);
    if (!r) return {std::nullopt, RangeProblem("resolution", kMinResolution, kMaxResolution, *resolution)};
    request.power.resolution = *r;
    if (arguments.Has("orbitrap")) request.power.model = core::ResolvingPowerModel::Orbitrap;
    if (const std::optional<std::string> at = arguments.Value("at")) {
        if (!arguments.Has("orbitrap"))
            return {std::nullopt, "--at needs --orbitrap: R is the same at every m/z"};
        const std::optional<double> mz = NumberWithin(*at, kMinReferenceMz, kMaxReferenceMz);
        if (!mz) return {std::nullopt, RangeProblem("at", kMinReferenceMz, kMaxReferenceMz, *at)};
        request.power.referenceMz = *mz;
    }
    if (arguments.Has("profile")) request.profile = core::ProfileWanted::Yes;
    return {request, {}};
}

calc::ResolvedIon ResolveStoredIon(const calc::CommandContext& context, const ResolutionRequest& request) {
    const output::CalculationState& state = context.document.state;
    core::ParsedFormula ion;
    if (core::ParseFormulaText(state.formulaText, ion) != core::FormulaSyntax::Valid) {
        calc::ResolvedIon none;
        none.problem = "The ion formula could not be read again.";
        return none;
    }
    return calc::ResolveIon(context.program.elements, ion, state.charge, request.power, request.profile);
}

void PrintResolvedJsonFields(const calc::ResolvedIon& ion, const ResolutionRequest& request,
                             std::ostream& out) {
    const core::ResolvingPower& power = request.power;
    out << ", \"resolvingPower\": {\"r\": " << JsonNumber(power.resolution) << ", \"model\": "
        << (power.model == core::ResolvingPowerModel::Orbitrap ? "\"orbitrap\"" : "\"constant\"")
        << ", \"atMz\": " << JsonNumber(power.referenceMz)
        << "}, \"patternModel\": " << JsonString(calc::PatternModelName(ion.model))
        << ", \"resolvedPeaks\": [";
    const double largest = LargestAbundance(ion.pattern);
    for (std::size_t k = 0; k < ion.pattern.peaks.size(); ++k) {
        const core::ResolvedPeak& peak = ion.pattern.peaks[k];
        out << (k == 0 ? "" : ", ") << "{\"mz\": " << JsonNumber(peak.mz)
            << ", \"fa\": " << JsonNumber(peak.abundance)
            << ", \"rel\": " << JsonNumber(output::RelativeIntensity(peak.abundance, largest)) << "}";
    }
    out << "]";
    if (request.profile == core::ProfileWanted::No) return;
    out << ", \"profile\": [";
    for (std::size_t k = 0; k < ion.pattern.profile.size(); ++k) {
        const core::ProfilePoint& point = ion.pattern.profile[k];
        out << (k == 0 ? "" : ", ") << "[" << JsonNumber(point.mz) << ", " << JsonNumber(point.relative)
            << "]";
    }
    out << "]";
}

void PrintResolvedCsv(const calc::ResolvedIon& ion, const ResolutionRequest& request, std::ostream& out) {
    out << "\nresolvedMz,fa,rel\n";
    const double largest = LargestAbundance(ion.pattern);
    for (const core::ResolvedPeak& peak : ion.pattern.peaks) {
        out << core::FormatShortest(peak.mz) << ',' << core::FormatShortest(peak.abundance) << ','
            << core::FormatShortest(output::RelativeIntensity(peak.abundance, largest)) << '\n';
    }
    if (request.profile == core::ProfileWanted::No) return;
    out << "\nprofileMz,rel\n";
    for (const core::ProfilePoint& point : ion.pattern.profile) {
        out << core::FormatShortest(point.mz) << ',' << core::FormatShortest(point.relative) << '\n';
    }
}

void PrintResolvedPage(const calc::ResolvedIon& ion, const ResolutionRequest& request, std::ostream& out) {
    out << "\nResolved peaks at " << PowerDescription(request) << " (" << calc::PatternModelName(ion.model)
        << "):\n        m/z            FA        Rel %\n";
    const double largest = LargestAbundance(ion.pattern);
    for (const core::ResolvedPeak& peak : ion.pattern.peaks) {
        out << core::RightAligned(core::FormatFixed(peak.mz, 5), 14) << "  "
            << core::RightAligned(core::FormatScientific(peak.abundance, 5), 13) << "  "
            << core::RightAligned(core::FormatFixed(output::RelativeIntensity(peak.abundance, largest), 3), 8)
            << '\n';
    }
}

}  // namespace tarnevo::cli
