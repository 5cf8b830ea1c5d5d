#include "cli/loss_of_h_cli.h"

#include <cstdlib>
#include <string>

#include "calc/loss_of_h_command.h"
#include "calc/loss_of_h_input.h"
#include "calc/peak_input.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/user_element_args.h"
#include "core/ion_mz.h"

namespace tarnevo::cli {

namespace {

using calc::LossHFormInput;
using calc::PeakInput;

std::string Key(const port::FieldSpec& rule) { return std::string(rule.key); }

// "100,45.5,0,12" -> the intensity fields of the first peaks, as typed; the
// others keep the dialog's zero. The usage error, or empty.
std::string PrepareIntensities(const std::string& list, CliPort& port) {
    FieldEntries entries;
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = list.find(',', begin);
        const std::string text =
            list.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        if (entries.size() == PeakInput::kPeakCount) {
            return "--intensities takes at most " + std::to_string(PeakInput::kPeakCount) + " values";
        }
        entries.emplace_back("intensity" + std::to_string(entries.size() + 1), text);
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    port.Answer(DialogOf<PeakInput>(), std::move(entries));
    return {};
}

std::string PrepareAnswers(const Arguments& arguments, CliPort& port) {
    const auto firstMz = arguments.Value("first-mz");
    const auto intensities = arguments.Value("intensities");
    if (!firstMz) return "--first-mz MZ is required";
    if (!intensities) return "--intensities I0,I1,... is required";
    FieldEntries form = {{Key(LossHFormInput::kFormula), arguments.positional[0]},
                         {Key(LossHFormInput::kFirstPeakMz), *firstMz},
                         {Key(LossHFormInput::kReminder), "0"}};
    if (auto charge = arguments.Value("charge")) form.emplace_back(Key(LossHFormInput::kCharge), *charge);
    port.Answer(DialogOf<LossHFormInput>(), std::move(form));
    if (std::string error = PrepareIntensities(*intensities, port); !error.empty()) return error;
    return PrepareUserElementAnswers(port, arguments.AllValues("define"));
}

// One {n, mz, rel} object per peak: n relative to [A+0] (negative for the
// peaks of the species that lost H), m/z as the result page shows it.
void PrintSpectrumJson(const output::CalculationState& state, int firstIndex, int count,
                       const double* intensity, std::ostream& out) {
    const double step = core::MzOf(1.0, state.charge);
    for (int k = 0; k < count; ++k) {
        const int n = firstIndex + k;
        out << (k == 0 ? "" : ", ") << "{\"n\": " << n << ", \"mz\": "
            << JsonNumber(state.spectrum.firstPeakMz + (n - state.spectrum.firstPeakOffset) * step)
            << ", \"rel\": " << JsonNumber(intensity[k]) << "}";
    }
}

void PrintLossOfHJson(const calc::CommandContext& context, std::ostream& out) {
    const output::CalculationState& state = context.document.state;
    out << "{\"formula\": " << JsonString(state.formulaText) << ", \"charge\": " << state.charge
        << ", \"ionMassA\": " << JsonNumber(state.ionMassA)
        << ", \"firstPeakMz\": " << JsonNumber(state.spectrum.firstPeakMz)
        << ", \"firstPeakOffset\": " << state.spectrum.firstPeakOffset
        << ", \"expPeakCount\": " << state.spectrum.expPeakCount << ", \"experimental\": [";
    PrintSpectrumJson(state, state.spectrum.firstPeakOffset, state.spectrum.expPeakCount,
                      state.spectrum.expIntensity.data(), out);
    out << "], \"corrected\": [";
    PrintSpectrumJson(state, 0, state.spectrum.correctedCount, state.spectrum.correctedIntensity.data(), out);
    out << "]}\n";
}

}  // namespace

int RunLossOfHCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    CliPort port(errors);
    port.NameOption(Key(LossHFormInput::kFormula), "FORMULA");
    for (int peak = 1; peak <= PeakInput::kPeakCount; ++peak) {
        port.NameOption("intensity" + std::to_string(peak), "--intensities");
    }
    if (std::string error = PrepareAnswers(arguments, port); !error.empty()) {
        errors << "tarnevo-cli loss-of-h: " << error << '\n' << UsageOf("loss-of-h") << '\n';
        return kExitUsage;
    }
    return RunCalculation(port, arguments, calc::RunLossOfH, PrintLossOfHJson, out, errors);
}

}  // namespace tarnevo::cli
