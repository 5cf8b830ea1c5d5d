#include "cli/polymer_cli.h"

#include <cctype>

#include "calc/cluster_ions_command.h"
#include "calc/cluster_ions_input.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/user_element_args.h"

namespace tarnevo::cli {

namespace {

using calc::RepeatUnitFormInput;
using calc::RepeatUnitParamInput;

std::string Key(const port::FieldSpec& rule) { return std::string(rule.key); }

// The '-' that separates MIN from MAX in "MIN-MAX": the first one after the
// first character that is not the sign of an exponent (1e-5-400 is 1e-5 to
// 400); npos when there is none.
std::size_t RangeDash(const std::string& text) {
    for (std::size_t dash = text.find('-', 1); dash != std::string::npos; dash = text.find('-', dash + 1)) {
        const bool afterExponentMark =
            (text[dash - 1] == 'e' || text[dash - 1] == 'E') && dash >= 2 &&
            (std::isdigit(static_cast<unsigned char>(text[dash - 2])) != 0 || text[dash - 2] == '.');
        if (!afterExponentMark) return dash;
    }
    return std::string::npos;
}

// "MIN-MAX" split at its separating '-', so that the two numbers reach the
// dialog fields as typed; false when there is no such '-'.
bool SplitRange(const std::string& text, std::string& minimum, std::string& maximum) {
    const std::size_t dash = text.empty() ? std::string::npos : RangeDash(text);
    if (dash == std::string::npos || dash + 1 >= text.size()) return false;
    minimum = text.substr(0, dash);
    maximum = text.substr(dash + 1);
    return true;
}

// Fills the answers of both dialogs; the usage error, or empty.
std::string PrepareAnswers(const Arguments& arguments, CliPort& port) {
    const auto ru = arguments.Value("ru");
    const auto ci = arguments.Value("ci");
    if (!ru) return "--ru FORMULA is required";
    if (!ci) return "--ci FORMULA is required";
    FieldEntries form = {{Key(RepeatUnitFormInput::kRepeatUnit), *ru},
                         {Key(RepeatUnitFormInput::kEndCap), arguments.Value("cap").value_or("")},
                         {Key(RepeatUnitFormInput::kChargingIon), *ci},
                         {Key(RepeatUnitFormInput::kReminder), "0"}};
    if (auto stop = arguments.Value("stop")) form.emplace_back(Key(RepeatUnitFormInput::kStopFA), *stop);
    port.Answer(DialogOf<RepeatUnitFormInput>(), std::move(form));

    const auto ruRange = arguments.Value("ru-range");
    const auto mzRange = arguments.Value("mz-range");
    if (ruRange.has_value() == mzRange.has_value()) return "give exactly one of --ru-range and --mz-range";
    std::string minimum;
    std::string maximum;
    if (!SplitRange(ruRange ? *ruRange : *mzRange, minimum, maximum)) {
        return "a range is written MIN-MAX, e.g. --ru-range 4-8 or --mz-range 50-400";
    }
    FieldEntries parameters;
    if (auto count = arguments.Value("ci-count")) {
        parameters.emplace_back(Key(RepeatUnitParamInput::kChargingIonCount), *count);
    }
    if (auto charge = arguments.Value("charge"))
        parameters.emplace_back(Key(RepeatUnitParamInput::kCharge), *charge);
    if (ruRange) {
        parameters.emplace_back(Key(RepeatUnitParamInput::kRange),
                                std::to_string(RepeatUnitParamInput::kRangeInRUs));
        parameters.emplace_back(Key(RepeatUnitParamInput::kMinimumRUs), minimum);
        parameters.emplace_back(Key(RepeatUnitParamInput::kMaximumRUs), maximum);
    } else {
        parameters.emplace_back(Key(RepeatUnitParamInput::kRange),
                                std::to_string(RepeatUnitParamInput::kRangeInMz));
        parameters.emplace_back(Key(RepeatUnitParamInput::kMinimumMz), minimum);
        parameters.emplace_back(Key(RepeatUnitParamInput::kMaximumMz), maximum);
    }
    port.Answer(DialogOf<RepeatUnitParamInput>(), std::move(parameters));
    return PrepareUserElementAnswers(port, arguments.AllValues("define"));
}

// The peaks of each ion lie one ion after another in peakFA.
void PrintIonsJson(const output::CalculationState& state, std::ostream& out) {
    int slot = 0;
    for (int ion = 0; ion < state.series.ionCount; ++ion) {
        const double maxFA = state.series.ionMaxFA[ion];
        out << (ion == 0 ? "" : ", ") << "{\"ru\": " << state.series.firstRUCount + ion
            << ", \"ionMassA\": " << JsonNumber(state.series.ionMassAList[ion])
            << ", \"maxFA\": " << JsonNumber(maxFA) << ", \"peaks\": [";
        const int peaks = state.series.ionLastPeakIndex[ion] + 1;
        PrintPeaksJson(state.cluster.peakFA.data() + slot, state.cluster.peakCentroidMz.data() + slot, peaks,
                       state.series.ionMassAList[ion], state.charge, maxFA, out);
        slot += peaks;
        out << "]}";
    }
}

void PrintPolymerJson(const calc::CommandContext& context, std::ostream& out) {
    const output::CalculationState& state = context.document.state;
    out << "{\"repeatUnit\": " << JsonString(state.formulaText)
        << ", \"endCap\": " << JsonString(state.series.endCapText)
        << ", \"hasEndCap\": " << (state.series.hasEndCap ? "true" : "false")
        << ", \"chargingIon\": " << JsonString(state.series.chargingIonText)
        << ", \"chargingIonCount\": " << state.series.chargingIonCount << ", \"charge\": " << state.charge
        << ", \"stopFA\": " << JsonNumber(state.stopFA) << ", \"firstRUCount\": " << state.series.firstRUCount
        << ", \"lastRUCount\": " << state.series.lastRUCount << ", \"ionCount\": " << state.series.ionCount
        << ", \"ionStorageFull\": " << (state.series.ionStorageFull ? "true" : "false") << ", \"ions\": [";
    PrintIonsJson(state, out);
    out << "]}\n";
}

}  // namespace

int RunPolymerCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    CliPort port(errors);
    for (const auto& [key, option] : {std::pair{"min-ru", "--ru-range"}, std::pair{"max-ru", "--ru-range"},
                                      std::pair{"min-mz", "--mz-range"}, std::pair{"max-mz", "--mz-range"}}) {
        port.NameOption(key, option);
    }
    if (std::string error = PrepareAnswers(arguments, port); !error.empty()) {
        errors << "tarnevo-cli polymer: " << error << '\n' << UsageOf("polymer") << '\n';
        return kExitUsage;
    }

    // The desktop program's two stages: the advice screen, then its CONTINUE button.
    const auto calculate = [](calc::CommandContext& context) {
        calc::BeginClusterIons(context);
        if (context.view.continueButtonShown) calc::ContinueClusterIons(context);
    };
    return RunCalculation(port, arguments, calculate, PrintPolymerJson, out, errors);
}

}  // namespace tarnevo::cli
