#include "cli/cluster_cli.h"


#include "calc/cluster_form_input.h"
#include "calc/isotope_cluster_command.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/user_element_args.h"

namespace tarnevo::cli {

namespace {

void PrintClusterJson(const calc::CommandContext& context, std::ostream& out) {
    const results::CalculationState& state = context.document.state;
    const core::ClusterWorkspace& cluster = context.program.cluster;
    out << "{\"formula\": " << JsonString(state.formulaText) << ", \"charge\": " << state.charge
        << ", \"stopFA\": " << JsonNumber(state.stopFA) << ", \"ionMassA\": " << JsonNumber(state.ionMassA)
        << ", \"averageMass\": " << JsonNumber(state.averageMass) << ", \"mostAbundantPeak\": " << state.maxPeakIndex
        << ", \"lastPeakIndex\": " << state.lastPeakIndex << ", \"maxPeakIndex\": " << state.maxPeakIndex
        << ", \"peakOverflow\": " << (state.peakOverflow ? "true" : "false")
        << ", \"cumulativeFA\": " << JsonNumber(static_cast<double>(cluster.cumulativeFA))
        << ", \"totalFA\": " << JsonNumber(state.totalFA) << ", \"peaks\": [";
    PrintPeaksJson(state.peakFA.data(), state.peakCentroidMz.data(), state.lastPeakIndex + 1, state.ionMassA,
                   state.charge, state.maxFA, out);
    out << "]}\n";
}

}  // namespace

OptionRules ClusterOptionRules() { return {{"charge", "stop", "define", "report"}, {"json"}, 1}; }

int RunClusterCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    CliPort port(errors);
    FieldEntries form = {{"formula", arguments.positional[0]}, {"reminder", "0"}};
    if (auto charge = arguments.Value("charge")) form.emplace_back("charge", *charge);
    if (auto stop = arguments.Value("stop")) form.emplace_back("stop", *stop);
    port.Answer(std::string(calc::ClusterFormInput::kCaption), std::move(form));
    if (std::string error = PrepareUserElementAnswers(port, arguments.AllValues("define")); !error.empty()) {
        errors << error << '\n' << kClusterUsage << '\n';
        return kExitUsage;
    }

    return RunCalculation(port, arguments, calc::RunIsotopeClusterPattern, PrintClusterJson, out, errors);
}

}  // namespace tarnevo::cli
