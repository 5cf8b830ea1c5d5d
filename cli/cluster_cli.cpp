#include "cli/cluster_cli.h"

#include "calc/cluster_form_input.h"
#include "calc/isotope_cluster_command.h"
#include "cli/adduct_option.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/cluster_batch.h"
#include "cli/resolution_option.h"
#include "cli/user_element_args.h"

namespace tarnevo::cli {

namespace {

void PrintClusterJson(const calc::CommandContext& context, const AdductIon* adduct,
                      const std::optional<ResolutionRequest>& resolution, std::ostream& out) {
    out << "{";
    PrintClusterJsonFields(context, "peaks", out, adduct);
    if (resolution) PrintResolvedJsonFields(ResolveStoredIon(context, *resolution), *resolution, out);
    out << "}\n";
}

// The resolved peaks after the page and the CSV table, when asked for.
ResultsAppendix ResolvedAppendix(const std::optional<ResolutionRequest>& resolution) {
    if (!resolution) return {};
    const ResolutionRequest request = *resolution;
    return {[request](const calc::CommandContext& context, std::ostream& out) {
                PrintResolvedPage(ResolveStoredIon(context, request), request, out);
            },
            [request](const calc::CommandContext& context, std::ostream& out) {
                PrintResolvedCsv(ResolveStoredIon(context, request), request, out);
            }};
}

// The cluster form's entries: the formula and charge of the ion, which with
// --adduct are those of the ion type's elemental formula.
FieldEntries ClusterForm(const Arguments& arguments, const AdductIon* adduct) {
    FieldEntries form = {{"formula", adduct != nullptr ? adduct->ionFormula : arguments.positional[0]},
                         {"reminder", "0"}};
    if (adduct != nullptr) {
        form.emplace_back("charge", std::to_string(adduct->charge));
    } else if (auto charge = arguments.Value("charge")) {
        form.emplace_back("charge", *charge);
    }
    if (auto stop = arguments.Value("stop")) form.emplace_back("stop", *stop);
    return form;
}

}  // namespace

void PrintClusterJsonFields(const calc::CommandContext& context, std::string_view peaksKey, std::ostream& out,
                            const AdductIon* adduct) {
    const output::CalculationState& state = context.document.state;
    const core::ClusterWorkspace& cluster = context.program.cluster;
    out << "\"formula\": " << JsonString(adduct != nullptr ? adduct->molecule : state.formulaText);
    if (adduct != nullptr) PrintAdductJsonFields(*adduct, context.program.elements, out);
    out << ", \"charge\": " << state.charge << ", \"stopFA\": " << JsonNumber(state.stopFA)
        << ", \"ionMassA\": " << JsonNumber(state.ionMassA)
        << ", \"averageMass\": " << JsonNumber(state.cluster.averageMass)
        << ", \"mostAbundantPeak\": " << state.cluster.maxPeakIndex
        << ", \"lastPeakIndex\": " << state.cluster.lastPeakIndex
        << ", \"maxPeakIndex\": " << state.cluster.maxPeakIndex
        << ", \"peakOverflow\": " << (state.cluster.peakOverflow ? "true" : "false")
        << ", \"cumulativeFA\": " << JsonNumber(static_cast<double>(cluster.cumulativeFA))
        << ", \"totalFA\": " << JsonNumber(state.cluster.totalFA) << ", \"" << peaksKey << "\": [";
    PrintPeaksJson(state.cluster.peakFA.data(), state.cluster.peakCentroidMz.data(),
                   state.cluster.lastPeakIndex + 1, state.ionMassA, state.charge, state.cluster.maxFA, out);
    out << "]";
}

int RunClusterCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    if (arguments.Value("batch")) return RunClusterBatch(arguments, out, errors);
    if (arguments.Value("jobs")) {
        errors << "tarnevo-cli cluster: --jobs goes with --batch: one ion is one job\n"
               << UsageOf("cluster") << '\n';
        return kExitUsage;
    }
    return RunClusterIon(arguments, {}, out, errors);
}

int RunClusterIon(const Arguments& arguments, const std::vector<std::string>& sharedDefinitions,
                  std::ostream& out, std::ostream& errors) {
    const ResolutionParse resolution = ParseResolution(arguments);
    if (!resolution.problem.empty()) {
        errors << resolution.problem << '\n' << UsageOf("cluster") << '\n';
        return kExitUsage;
    }
    std::optional<AdductIon> adduct;
    if (const int status = ReadAdductOption(arguments, "cluster", adduct, errors); status != kExitOk)
        return status;
    const AdductIon* ion = adduct ? &*adduct : nullptr;
    CliPort port(errors);
    port.NameOption("formula", "FORMULA");
    port.Answer(DialogOf<calc::ClusterFormInput>(), ClusterForm(arguments, ion));
    std::string error = PrepareUserElementAnswers(port, sharedDefinitions, DefinitionUse::Optional);
    if (error.empty()) error = PrepareUserElementAnswers(port, arguments.AllValues("define"));
    if (!error.empty()) {
        errors << error << '\n' << UsageOf("cluster") << '\n';
        return kExitUsage;
    }

    const std::optional<ResolutionRequest>& request = resolution.request;
    return RunCalculation(
        port, arguments, calc::RunIsotopeClusterPattern,
        [ion, request](const calc::CommandContext& context, std::ostream& json) {
            PrintClusterJson(context, ion, request, json);
        },
        out, errors, ResolvedAppendix(request));
}

}  // namespace tarnevo::cli
