#include "cli/enrich_cli.h"

#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "calc/labelling_command.h"
#include "calc/labelling_input.h"
#include "calc/peak_input.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/cluster_cli.h"
#include "core/enrichment_fit.h"
#include "results/result_values.h"

namespace tarnevo::cli {

namespace {

constexpr int kDefaultMaxCycles = 1000;

// Answers the search's question after every 20 cycles with Yes until the cycle
// limit is reached, then No; everything else as the command line does.
class EnrichPort : public CliPort {
public:
    EnrichPort(std::ostream& errors, int maxCycles) : CliPort(errors), maxCycles_(maxCycles) {}

    dialogs::MessageAnswer ShowMessage(const dialogs::MessageRequest& request) override {
        if (request.buttons != dialogs::MessageButtons::YesNo) return CliPort::ShowMessage(request);
        cycles_ += core::kCyclesPerQuestion;
        return cycles_ < maxCycles_ ? dialogs::MessageAnswer::Yes : dialogs::MessageAnswer::No;
    }

private:
    int maxCycles_;
    int cycles_ = 0;
};

// The dialogs' answers from the arguments; the usage error, or empty.
std::string PrepareAnswers(const Arguments& arguments, CliPort& port) {
    const auto element = arguments.Value("element");
    const auto atoms = arguments.Value("atoms");
    const auto firstMz = arguments.Value("first-mz");
    const auto intensities = arguments.Value("intensities");
    if (!element || !atoms || !firstMz || !intensities) {
        return "--element, --atoms, --first-mz and --intensities are required";
    }
    port.NameOption("formula", "FORMULA");
    port.NameOption("symbol", "--element");
    port.NameOption("mz", "--first-mz");
    port.NameOption("isotope", "--max-isotope");
    for (int k = 1; k <= calc::PeakInput::kPeakCount; ++k)
        port.NameOption("intensity" + std::to_string(k), "--intensities");
    FieldEntries form = {{"formula", arguments.positional[0]},
                         {"type", std::to_string(calc::LabellingFormInput::kEnrichmentFromSpectrum)},
                         {"reminder", "0"}};
    if (auto charge = arguments.Value("charge")) form.emplace_back("charge", *charge);
    port.Answer(DialogOf<calc::LabellingFormInput>(), std::move(form));
    port.Answer(DialogOf<calc::EnrichmentDetailInput>(),
                {{"symbol", *element}, {"atoms", *atoms}, {"mz", *firstMz}});

    const std::vector<std::string> peaks = Split(*intensities, ',');
    if (peaks.size() > static_cast<std::size_t>(calc::PeakInput::kPeakCount)) {
        return "--intensities takes at most 12 peaks";
    }
    FieldEntries peakEntries;
    for (std::size_t k = 0; k < peaks.size(); ++k)
        peakEntries.emplace_back("intensity" + std::to_string(k + 1), peaks[k]);
    port.Answer(DialogOf<calc::PeakInput>(), std::move(peakEntries));

    // Without them the estimate dialog keeps its presets.
    FieldEntries estimate;
    if (auto isotope = arguments.Value("max-isotope")) estimate.emplace_back("isotope", *isotope);
    if (auto fa = arguments.Value("estimate")) estimate.emplace_back("estimate", *fa);
    port.Answer(DialogOf<calc::MaxEnrichmentInput>(), std::move(estimate));
    return {};
}

// --max-cycles N (N >= 1), or the default; false when it is not such a number.
bool MaxCyclesOf(const Arguments& arguments, int& maxCycles) {
    maxCycles = kDefaultMaxCycles;
    const auto text = arguments.Value("max-cycles");
    if (!text) return true;
    const auto result = std::from_chars(text->data(), text->data() + text->size(), maxCycles);
    return result.ec == std::errc() && result.ptr == text->data() + text->size() && maxCycles >= 1;
}

// The fitted cluster as the cluster command prints it (its peaks under their own
// key), then the fit and the comparison with the spectrum.
void PrintEnrichJson(const calc::CommandContext& context, std::ostream& out) {
    const results::CalculationState& state = context.document.state;
    out << "{";
    PrintClusterJsonFields(context, "clusterPeaks", out);
    out << ", \"element\": " << JsonString(state.elementSymbol)
        << ", \"atoms\": " << state.details.detailAtomCount[0]
        << ", \"firstPeakOffset\": " << state.spectrum.firstPeakOffset
        << ", \"cycles\": " << context.view.labelling.fitCycleCount
        << ", \"converged\": " << (state.spectrum.fitResidual < core::kFitConvergedSSR ? "true" : "false")
        << ", \"ssr\": " << JsonNumber(state.spectrum.fitResidual) << ", \"isotopes\": [";
    for (int i = 0; i <= state.details.lastIsotopeIndex[0]; ++i) {
        out << (i == 0 ? "" : ", ") << "{\"massNumber\": " << state.details.isotopeMassNumber[i]
            << ", \"fa\": " << JsonNumber(state.details.isotopeFA[i]) << "}";
    }
    out << "], \"peaks\": [";
    for (int k = 0; k < state.spectrum.expPeakCount; ++k) {
        const int n = state.spectrum.firstPeakOffset + k;
        out << (k == 0 ? "" : ", ") << "{\"n\": " << n
            << ", \"mz\": " << JsonNumber(results::PeakMz(state.ionMassA, n, state.charge))
            << ", \"experimental\": " << JsonNumber(state.spectrum.expIntensity[k]) << ", \"calculated\": "
            << JsonNumber(results::RelativeIntensity(state.cluster.peakFA[n], state.cluster.maxFA)) << "}";
    }
    out << "]}\n";
}

}  // namespace

OptionRules EnrichOptionRules() {
    return {{"element", "atoms", "first-mz", "intensities", "charge", "max-isotope", "estimate", "max-cycles",
             "report"},
            {"json"},
            1};
}

int RunEnrichCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    int maxCycles = 0;
    std::string error;
    if (!MaxCyclesOf(arguments, maxCycles)) error = "--max-cycles takes a whole number of at least 1";
    EnrichPort port(errors, maxCycles);
    if (error.empty()) error = PrepareAnswers(arguments, port);
    if (!error.empty()) {
        errors << "tarnevo-cli enrich: " << error << '\n' << kEnrichUsage << '\n';
        return kExitUsage;
    }
    return RunCalculation(port, arguments, calc::RunLabellingCommand, PrintEnrichJson, out, errors);
}

}  // namespace tarnevo::cli
