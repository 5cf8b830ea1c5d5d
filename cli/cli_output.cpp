#include "cli/cli_output.h"

#include <cmath>
#include <memory>

#include "cli/cli.h"
#include "core/text_format.h"
#include "results/csv_table.h"
#include "results/page_layout.h"
#include "results/result_values.h"

namespace tarnevo::cli {

void PrintResultPage(const results::Document& document, std::ostream& out) {
    for (const std::string& line : results::LayoutResultLines(document.state)) out << line << '\n';
}

int WriteReportIfAsked(results::Document& document, const std::optional<std::string>& path,
                       std::ostream& errors) {
    if (!path) return kExitOk;
    const results::SaveOutcome outcome = document.WriteReport(*path);
    if (outcome.saved) return kExitOk;
    errors << outcome.errorMessage << '\n';
    return kExitWriteFailed;
}

int CalculationStatus(const CliPort& port, const results::Document& document, std::ostream& errors) {
    if (port.BadValue()) return kExitUsage;
    if (document.readyForCalculation) return kExitRefused;
    if (auto complaint = port.UnaskedComplaint()) {
        errors << *complaint << '\n';
        return kExitUsage;
    }
    return kExitOk;
}

int RunCalculation(CliPort& port, const Arguments& arguments, const Calculation& calculate,
                   const JsonPrinter& printJson, std::ostream& out, std::ostream& errors) {
    auto program = std::make_unique<core::ProgramContext>();
    results::ViewState view;
    results::Document document;
    calc::CommandContext context{*program, view, document, port};
    calculate(context);
    if (const int status = CalculationStatus(port, document, errors); status != kExitOk) return status;
    if (arguments.Has("json")) {
        printJson(context, out);
    } else if (arguments.Has("csv")) {
        out << results::ComposeCsv(document.state);
    } else {
        PrintResultPage(document, out);
    }
    // The report may go to standard output too ("--report -"): the page first.
    out.flush();
    return WriteReportIfAsked(document, arguments.Value("report"), errors);
}

void PrintPeaksJson(const double* fas, const double* centroids, int count, double ionMassA, int charge,
                    double largestFA, std::ostream& out) {
    for (int n = 0; n < count; ++n) {
        out << (n == 0 ? "" : ", ") << "{\"n\": " << n
            << ", \"mz\": " << JsonNumber(results::PeakMz(ionMassA, n, charge))
            << ", \"centroidMz\": " << JsonNumber(centroids[n]) << ", \"fa\": " << JsonNumber(fas[n])
            << ", \"rel\": " << JsonNumber(results::RelativeIntensity(fas[n], largestFA)) << "}";
    }
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    return core::FormatShortest(value);
}

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            json += "\\u00";
            json += kHex[byte >> 4];
            json += kHex[byte & 0xF];
        } else {
            json += c;
        }
    }
    return json + "\"";
}

}  // namespace tarnevo::cli
