#include "calc/identify_command.h"

#include <utility>

#include "calc/calculation_command.h"
#include "calc/identify_input.h"
#include "calc/ion_identify_run.h"

namespace tarnevo::calc {

namespace {

enum class Step { Done, Retry, End };

// A refused entry: Retry shows the dialog concerned again with what was
// typed, Cancel ends the command.
Step RetryAfter(CommandContext& context, const std::string& problem) {
    return port::AskRetry(context.ui, problem) ? Step::Retry : Step::End;
}

// One showing of the peak grid: preset from the last question, kept in the
// view before any check, then read.
Step AskPeaks(CommandContext& context, std::vector<core::MeasuredPeak>& peaks) {
    IdentifyPeaksInput input;
    PresetIdentifyPeaks(context.view.identify, input);
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return Step::End;
    KeepIdentifyPeaks(input, context.view.identify);
    PeakReading reading = ReadPeakGrid(input);
    if (!reading.problem.empty()) return RetryAfter(context, reading.problem);
    peaks = std::move(reading.peaks);
    return Step::Done;
}

// The ion's signed charge: the one given, or |z| read from the spacing of
// the peaks with the polarity's sign; 0 with the reason when it cannot be read.
struct IonCharge {
    int charge = 0;
    std::string problem;
};

IonCharge ChargeOf(const IdentifyOptionsInput& input, const std::vector<core::MeasuredPeak>& peaks) {
    const int sign = input.polarity == IdentifyOptionsInput::kNegative ? -1 : 1;
    if (input.charge != 0) return {sign * input.charge, {}};
    const core::ChargeInference inferred = core::InferCharge(peaks);
    if (inferred.status != core::PatternStatus::Scored) return {0, inferred.problem};
    return {sign * inferred.charge, {}};
}

// One showing of the options: the question built from them and the peaks.
Step AskOptions(CommandContext& context, const std::vector<core::MeasuredPeak>& peaks,
                core::IdentifyQuery& query) {
    IdentifyOptionsInput input;
    PresetIdentifyOptions(context.view, input);
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return Step::End;
    KeepIdentifyOptions(input, context.view);
    const IonCharge ion = ChargeOf(input, peaks);
    if (!ion.problem.empty()) return RetryAfter(context, ion.problem);
    OptionsReading reading = ReadIdentifyOptions(input, ion.charge);
    if (!reading.problem.empty()) return RetryAfter(context, reading.problem);
    query = std::move(reading.query);
    query.peaks = peaks;
    // A charge read from the spacing is the engine's to read again, so that
    // the results say it was inferred.
    query.charge = input.charge == 0 ? 0 : ion.charge;
    return Step::Done;
}

template <typename Ask>
bool AskUntilDone(Ask ask) {
    Step step = Step::Retry;
    while (step == Step::Retry) step = ask();
    return step == Step::Done;
}

// The calculation's own part: the peaks, the options, the identification and
// the store. A question the engine refuses ends the command with its reason.
bool IdentifyAndStore(CommandContext& context) {
    std::vector<core::MeasuredPeak> peaks;
    if (!AskUntilDone([&] { return AskPeaks(context, peaks); })) return false;
    core::IdentifyQuery query;
    if (!AskUntilDone([&] { return AskOptions(context, peaks, query); })) return false;

    core::IdentifyResult result = IdentifyMeasuredIon(query);
    if (result.status != core::IdentifyStatus::Identified) {
        port::ShowError(context.ui, result.problem);
        return false;
    }
    StoreIdentification(context.document.state, query, std::move(result));
    return true;
}

}  // namespace

void RunIdentifyIon(CommandContext& context) {
    RunCalculationCommand(context, output::CalcKind::IonIdentification,
                          [&context] { return IdentifyAndStore(context); });
}

}  // namespace tarnevo::calc
