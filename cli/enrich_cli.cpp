#include "cli/enrich_cli.h"

#include <string>
#include <string_view>
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
#include "output/result_values.h"
#include "port/input_record.h"

namespace tarnevo::cli {

namespace {

constexpr int kDefaultMaxCycles = 1000;
// A limit the cycle count can always reach, and far beyond any useful fit: a
// search that has not converged in this many cycles has stopped moving.
constexpr int kMaxCycleLimit = 100000;
constexpr port::FieldSpec kMaxCyclesOption{
    "max-cycles", "--max-cycles", port::FieldType::Integer, 1, kMaxCycleLimit, 0};

// Answers the search's question whether to go on with Yes while the cycles it
// says it has run stay below the cycle limit, then No; everything else as the
// command line does.
class EnrichPort : public CliPort {
public:
    EnrichPort(std::ostream& errors, int maxCycles) : CliPort(errors), maxCycles_(maxCycles) {}

    port::MessageAnswer AskToContinueSearch(const port::SearchQuestion& question) override {
        return question.cyclesRun < maxCycles_ ? port::MessageAnswer::Yes : port::MessageAnswer::No;
    }

private:
    int maxCycles_;
};

// The estimate of maximum enrichment, asked only for elements of three or four
// isotopes; without the options it keeps its presets. Given for an element of
// two isotopes, they would choose nothing: a usage error.
void AnswerEstimate(const Arguments& arguments, const std::string& element, CliPort& port) {
    FieldEntries estimate;
    std::string given;
    if (auto isotope = arguments.Value("max-isotope")) {
        estimate.emplace_back("isotope", *isotope);
        given = "--max-isotope";
    }
    if (auto fa = arguments.Value("estimate")) {
        estimate.emplace_back("estimate", *fa);
        given += given.empty() ? "--estimate" : " and --estimate";
    }
    if (!given.empty()) {
        port.ExpectAsked(DialogOf<calc::MaxEnrichmentInput>(),
                         given + ": " + element +
                             " has two isotopes; the estimate of maximum enrichment applies only to "
                             "elements of three or four");
    }
    port.Answer(DialogOf<calc::MaxEnrichmentInput>(), std::move(estimate));
}

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

    AnswerEstimate(arguments, *element, port);
    return {};
}

// --max-cycles N, or the default; the usage error, or empty.
std::string MaxCyclesOf(const Arguments& arguments, int& maxCycles) {
    maxCycles = kDefaultMaxCycles;
    const auto text = arguments.Value("max-cycles");
    if (!text || !port::AssignFieldText({&kMaxCyclesOption, &maxCycles}, *text)) return {};
    return "--max-cycles: " + port::AcceptedValues(kMaxCyclesOption) + ", not '" + *text + "'";
}

// How the search ended: "converged", "cycleLimit" (the question answered No at
// the limit) or "cannotImprove" (collapsed where a fresh simplex found nothing
// better).
std::string_view SearchEndName(core::SearchEnd end) {
    switch (end) {
        case core::SearchEnd::Converged:
            return "converged";
        case core::SearchEnd::Stopped:
            return "cycleLimit";
        case core::SearchEnd::CannotImprove:
            return "cannotImprove";
    }
    return {};
}

// The fitted cluster as the cluster command prints it (its peaks under their own
// key), then the fit and the comparison with the spectrum.
void PrintEnrichJson(const calc::CommandContext& context, std::ostream& out) {
    const output::CalculationState& state = context.document.state;
    out << "{";
    PrintClusterJsonFields(context, "clusterPeaks", out);
    out << ", \"element\": " << JsonString(state.elementSymbol)
        << ", \"atoms\": " << state.details.detailAtomCount[0]
        << ", \"firstPeakOffset\": " << state.spectrum.firstPeakOffset
        << ", \"cycles\": " << state.spectrum.fitCycleCount
        << ", \"converged\": " << (state.spectrum.fitResidual < core::kFitConvergedSSR ? "true" : "false")
        << ", \"ended\": \"" << SearchEndName(state.spectrum.fitEnd) << "\""
        << ", \"ssr\": " << JsonNumber(state.spectrum.fitResidual) << ", \"isotopes\": [";
    for (int i = 0; i <= state.details.lastIsotopeIndex[0]; ++i) {
        out << (i == 0 ? "" : ", ") << "{\"massNumber\": " << state.details.isotopeMassNumber[i]
            << ", \"fa\": " << JsonNumber(state.details.isotopeFA[i]) << "}";
    }
    out << "], \"peaks\": [";
    for (int k = 0; k < state.spectrum.expPeakCount; ++k) {
        const int n = state.spectrum.firstPeakOffset + k;
        out << (k == 0 ? "" : ", ") << "{\"n\": " << n
            << ", \"mz\": " << JsonNumber(output::PeakMz(state.ionMassA, n, state.charge))
            << ", \"experimental\": " << JsonNumber(state.spectrum.expIntensity[k]) << ", \"calculated\": "
            << JsonNumber(output::RelativeIntensity(state.cluster.peakFA[n], state.cluster.maxFA)) << "}";
    }
    out << "]}\n";
}

}  // namespace

int RunEnrichCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    int maxCycles = 0;
    std::string error = MaxCyclesOf(arguments, maxCycles);
    EnrichPort port(errors, maxCycles);
    if (error.empty()) error = PrepareAnswers(arguments, port);
    if (!error.empty()) {
        errors << "tarnevo-cli enrich: " << error << '\n' << UsageOf("enrich") << '\n';
        return kExitUsage;
    }
    return RunCalculation(port, arguments, calc::RunLabellingCommand, PrintEnrichJson, out, errors);
}

}  // namespace tarnevo::cli
