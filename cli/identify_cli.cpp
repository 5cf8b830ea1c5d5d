#include "cli/identify_cli.h"

#include <optional>
#include <utility>

#include "calc/ion_identify_run.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/identify_batch.h"
#include "cli/identify_json.h"
#include "cli/identify_options.h"
#include "cli/peak_list_text.h"
#include "cli/terminal_progress.h"
#include "document/document.h"
#include "output/csv_table.h"

namespace tarnevo::cli {

namespace {

int UsageError(const std::string& problem, std::ostream& errors) {
    errors << problem << '\n' << UsageOf("identify") << '\n';
    return kExitUsage;
}

// The measured peaks from --peaks or --peaks-file; exit status kExitOk, or
// the status after the message has gone to errors.
int ReadPeaks(const Arguments& arguments, std::vector<core::MeasuredPeak>& peaks, std::ostream& errors) {
    const std::optional<std::string> text = arguments.Value("peaks");
    const std::optional<std::string> file = arguments.Value("peaks-file");
    if (text && file) return UsageError("give one of --peaks and --peaks-file", errors);
    if (!text && !file)
        return UsageError("give the measured peaks: --peaks MZ:I,MZ:I,... or --peaks-file FILE", errors);
    if (text) {
        PeakListParse parse = ParsePeakOption(*text);
        if (!parse.problem.empty()) return UsageError(parse.problem, errors);
        peaks = std::move(parse.peaks);
        return kExitOk;
    }
    calc::PeakColumnsRead read = ReadPeakFile(*file);
    switch (read.outcome) {
        case calc::PeakColumnsOutcome::Read:
            peaks = std::move(read.peaks);
            return kExitOk;
        case calc::PeakColumnsOutcome::BadLine:
            // The file's line is the fault, not the command line: no usage lines.
            errors << read.problem << '\n';
            return kExitUsage;
        case calc::PeakColumnsOutcome::TooManyPeaks:
            errors << read.problem << '\n';
            return kExitRefused;
        case calc::PeakColumnsOutcome::Unreadable:
            errors << "tarnevo-cli identify: " << read.problem << '\n';
            return kExitWriteFailed;
    }
    return kExitWriteFailed;
}

// The stored identification as asked: the JSON object, the CSV table or the
// result page; then the report when one was asked for.
int PrintIdentification(doc::Document& document, std::size_t candidateCount, const Arguments& arguments,
                        std::ostream& out, std::ostream& errors) {
    if (arguments.Has("json")) {
        out << '{';
        PrintIdentificationJsonFields(document.state.identification.result, candidateCount, out);
        out << "}\n";
    } else if (arguments.Has("csv")) {
        out << output::ComposeCsv(document.state);
    } else {
        PrintResultPage(document, out);
    }
    // The report may go to standard output too ("--report -"): the page first.
    out.flush();
    return WriteReportIfAsked(document, arguments.Value("report"), errors);
}

}  // namespace

int IdentifyRefusalStatus(core::IdentifyStatus status) {
    switch (status) {
        case core::IdentifyStatus::Identified:
            return kExitOk;
        case core::IdentifyStatus::BadIonType:
        case core::IdentifyStatus::BadPeaks:
        case core::IdentifyStatus::NoCharge:
        case core::IdentifyStatus::TooManyMatches:
        case core::IdentifyStatus::OutOfReach:
        case core::IdentifyStatus::Cancelled:
            return kExitRefused;
        case core::IdentifyStatus::BadElements:
        case core::IdentifyStatus::BadAccuracy:
        case core::IdentifyStatus::BadErrorModel:
            return kExitUsage;
    }
    return kExitRefused;
}

int RunIdentifyCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    if (arguments.Value("batch")) return RunIdentifyBatch(arguments, out, errors);
    if (arguments.Value("jobs"))
        return UsageError("--jobs goes with --batch: one identification is one job", errors);
    IdentifyRequestParse parse = ReadIdentifyRequest(arguments);
    if (!parse.problem.empty()) return UsageError(parse.problem, errors);
    core::IdentifyQuery& query = parse.request.query;
    if (const int status = ReadPeaks(arguments, query.peaks, errors); status != kExitOk) return status;

    // A wide window takes seconds: its progress on a terminal, as formulas --all shows it.
    TerminalProgress progress{std::string(kIdentifyProgress)};
    core::IdentifyResult result = calc::IdentifyMeasuredIon(query, &progress);
    progress.Clear();
    if (result.status != core::IdentifyStatus::Identified) {
        errors << result.problem << '\n';
        return IdentifyRefusalStatus(result.status);
    }
    const std::size_t candidateCount = KeepTopCandidates(result, parse.request.top);
    doc::Document document;
    calc::StoreIdentification(document.state, query, std::move(result));
    document.CompleteCalculation(false);
    return PrintIdentification(document, candidateCount, arguments, out, errors);
}

}  // namespace tarnevo::cli
