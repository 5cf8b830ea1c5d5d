#include "calc/identify_command.h"

#include <new>
#include <utility>

#include "calc/calculation_command.h"
#include "calc/identify_input.h"
#include "calc/ion_identify_run.h"

namespace tarnevo::calc {

namespace {

// RetryPeaks: the peaks themselves were refused (they are not one cluster, so
// no charge can be read from them), and only the peak grid can mend them.
enum class Step { Done, Retry, RetryPeaks, End };

// A refused entry: Retry shows the dialog concerned again with what was
// typed (retry says which), Cancel ends the command.
Step RetryAfter(CommandContext& context, const std::string& problem, Step retry = Step::Retry) {
    return port::AskRetry(context.ui, problem) ? retry : Step::End;
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
    if (!ion.problem.empty()) return RetryAfter(context, ion.problem, Step::RetryPeaks);
    OptionsReading reading = ReadIdentifyOptions(input, ion.charge);
    if (!reading.problem.empty()) return RetryAfter(context, reading.problem);
    query = std::move(reading.query);
    query.peaks = peaks;
    // A charge read from the spacing is the engine's to read again, so that
    // the results say it was inferred.
    query.charge = input.charge == 0 ? 0 : ion.charge;
    return Step::Done;
}

// Asks again while the answer is Retry; RetryPeaks and the others end the asking.
template <typename Ask>
Step AskUntilAnswered(Ask ask) {
    Step step = Step::Retry;
    while (step == Step::Retry) step = ask();
    return step;
}

// Which dialog a refusal of the engine sends the user back to: the peak grid
// for peaks that are no cluster of the charge, the options for the rest (an
// element range too wide to walk, say).
Step RetryAfterRefusal(CommandContext& context, const core::IdentifyResult& result) {
    const bool peaksRefused =
        result.status == core::IdentifyStatus::BadPeaks || result.status == core::IdentifyStatus::NoCharge;
    return RetryAfter(context, result.problem, peaksRefused ? Step::RetryPeaks : Step::Retry);
}

// The identification as long work: a wide question takes seconds, which the
// desktop spends off its user-interface thread behind a progress dialog whose
// Cancel stops the search. A cancelled one ends the command quietly.
// Memory that runs out (a candidate's fine structure too large for what is
// left) ends the command with a message instead of the program: nothing
// stored is lost, and the user may ask a narrower question.
bool Identify(CommandContext& context, const core::IdentifyQuery& query, core::IdentifyResult& result) {
    core::WorkStatus status = core::WorkStatus::Cancelled;
    try {
        status = context.ui.RunLongWork(kIdentifyProgress, [&](core::WorkProgress& progress) {
            result = IdentifyMeasuredIon(query, &progress);
            return result.status == core::IdentifyStatus::Cancelled ? core::WorkStatus::Cancelled
                                                                    : core::WorkStatus::Finished;
        });
    } catch (const std::bad_alloc&) {
        context.ui.ShowMessage({kIdentifyOutOfMemory});
        return false;
    }
    return status == core::WorkStatus::Finished && result.status != core::IdentifyStatus::Cancelled;
}

// One round of the question: the options, then the identification. Done
// leaves the answer in result; Retry asks the options again.
Step AskAndIdentify(CommandContext& context, const std::vector<core::MeasuredPeak>& peaks,
                    core::IdentifyQuery& query, core::IdentifyResult& result) {
    const Step options = AskUntilAnswered([&] { return AskOptions(context, peaks, query); });
    if (options != Step::Done) return options;
    if (!Identify(context, query, result)) return Step::End;
    if (result.status == core::IdentifyStatus::Identified) return Step::Done;
    return RetryAfterRefusal(context, result);
}

// The calculation's own part: the peaks, the options, the identification and
// the store. A refusal offers Retry, which goes back to the dialog that can
// mend it, every entry as it was typed.
bool IdentifyAndStore(CommandContext& context) {
    Step step = Step::RetryPeaks;
    core::IdentifyQuery query;
    core::IdentifyResult result;
    while (step == Step::RetryPeaks) {
        std::vector<core::MeasuredPeak> peaks;
        if (AskUntilAnswered([&] { return AskPeaks(context, peaks); }) != Step::Done) return false;
        step = AskUntilAnswered([&] { return AskAndIdentify(context, peaks, query, result); });
    }
    if (step != Step::Done) return false;
    StoreIdentification(context.document.state, query, std::move(result));
    context.document.state.identification.listed = static_cast<std::size_t>(context.view.identify.listed);
    return true;
}

}  // namespace

void RunIdentifyIon(CommandContext& context) {
    RunCalculationCommand(context, output::CalcKind::IonIdentification,
                          [&context] { return IdentifyAndStore(context); });
}

}  // namespace tarnevo::calc
