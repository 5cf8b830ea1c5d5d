#include "cli/cli_output.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "cli/cli.h"
#include "core/cluster_workspace.h"
#include "core/program_context.h"
#include "core/text_format.h"
#include "output/csv_table.h"
#include "output/page_layout.h"
#include "output/result_values.h"

namespace tarnevo::cli {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The character that starts at text[at]: how many bytes it takes, and whether
// they are well-formed UTF-8 (Unicode table 3-7: no overlong forms, no
// surrogates, nothing beyond U+10FFFF). A sequence cut short or broken counts
// as its longest well-formed start, so that each one becomes one U+FFFD.
struct Utf8Character {
    std::size_t length;
    bool wellFormed;
};

// The bytes of the sequence a lead byte starts (0 for a byte that starts
// none) and the range its second byte must lie in.
struct Utf8Lead {
    std::size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

constexpr Utf8Lead LeadOf(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};  // overlong below U+0800
    if (lead == 0xED) return {3, 0x80, 0x9F};  // surrogates U+D800 .. U+DFFF
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};  // overlong below U+10000
    if (lead == 0xF4) return {4, 0x80, 0x8F};  // beyond U+10FFFF
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    return {0, 0, 0};
}

Utf8Character NextUtf8Character(std::string_view text, std::size_t at) {
    const auto byteAt = [&text](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    if (byteAt(at) < 0x80) return {1, true};
    const Utf8Lead lead = LeadOf(byteAt(at));
    if (lead.length == 0) return {1, false};
    for (std::size_t k = 1; k < lead.length; ++k) {
        if (at + k >= text.size()) return {k, false};
        const unsigned char low = k == 1 ? lead.secondLow : 0x80;
        const unsigned char high = k == 1 ? lead.secondHigh : 0xBF;
        if (byteAt(at + k) < low || byteAt(at + k) > high) return {k, false};
    }
    return {lead.length, true};
}

// One ASCII character inside a JSON string literal.
void AppendJsonAscii(char c, std::string& json) {
    switch (c) {
        case '"':
            json += "\\\"";
            return;
        case '\\':
            json += "\\\\";
            return;
        case '\n':
            json += "\\n";
            return;
        case '\r':
            json += "\\r";
            return;
        case '\t':
            json += "\\t";
            return;
        default:
            break;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20) {
        json += c;
        return;
    }
    constexpr char kHex[] = "0123456789abcdef";
    json += "\\u00";
    json += kHex[byte >> 4];
    json += kHex[byte & 0xF];
}

// The program context of one command, as a fresh start of the program has
// it, but for the cluster engine's convolution memory (3.3 MB, cleared when
// first used), which each thread keeps from one command to the next: a batch
// of thousands of ions, or a script calling the library in a loop, would
// otherwise spend most of its time clearing it. That memory holds nothing
// from one computation to the next.
class CommandProgram {
public:
    CommandProgram() { Memory(*program_) = std::move(Spare()); }
    ~CommandProgram() { Spare() = std::move(Memory(*program_)); }
    CommandProgram(const CommandProgram&) = delete;
    CommandProgram& operator=(const CommandProgram&) = delete;
    CommandProgram(CommandProgram&&) = delete;
    CommandProgram& operator=(CommandProgram&&) = delete;

    core::ProgramContext& Context() { return *program_; }

private:
    static core::ConvolutionMemory& Memory(core::ProgramContext& program) { return program.cluster; }
    static core::ConvolutionMemory& Spare() {
        thread_local core::ConvolutionMemory spare;
        return spare;
    }

    std::unique_ptr<core::ProgramContext> program_ = std::make_unique<core::ProgramContext>();
};

}  // namespace

void PrintResultPage(const doc::Document& document, std::ostream& out) {
    for (const std::string& line : output::LayoutResultLines(document.state)) out << line << '\n';
}

int WriteReportIfAsked(doc::Document& document, const std::optional<std::string>& path,
                       std::ostream& errors) {
    if (!path) return kExitOk;
    const doc::SaveOutcome outcome = document.WriteReport(*path);
    if (outcome.saved) return kExitOk;
    errors << outcome.errorMessage << '\n';
    return kExitWriteFailed;
}

int CalculationStatus(const CliPort& port, const doc::Document& document, std::ostream& errors) {
    if (port.BadValue()) return kExitUsage;
    if (document.readyForCalculation) return kExitRefused;
    if (auto complaint = port.UnaskedComplaint()) {
        errors << *complaint << '\n';
        return kExitUsage;
    }
    return kExitOk;
}

int RunCalculation(CliPort& port, const Arguments& arguments, const Calculation& calculate,
                   const JsonPrinter& printJson, std::ostream& out, std::ostream& errors,
                   const ResultsAppendix& appendix) {
    CommandProgram program;
    doc::ViewState view;
    doc::Document document;
    calc::CommandContext context{program.Context(), view, document, port};
    calculate(context);
    if (const int status = CalculationStatus(port, document, errors); status != kExitOk) return status;
    if (arguments.Has("json")) {
        printJson(context, out);
    } else if (arguments.Has("csv")) {
        out << output::ComposeCsv(document.state);
        if (appendix.afterCsv) appendix.afterCsv(context, out);
    } else {
        PrintResultPage(document, out);
        if (appendix.afterPage) appendix.afterPage(context, out);
    }
    // The report may go to standard output too ("--report -"): the page first.
    out.flush();
    return WriteReportIfAsked(document, arguments.Value("report"), errors);
}

void PrintPeaksJson(const double* fas, const double* centroids, int count, double ionMassA, int charge,
                    double largestFA, std::ostream& out) {
    // Built in one string and written once: a batch prints this for every ion.
    std::string json;
    json.reserve(static_cast<std::size_t>(std::max(count, 0)) * 128);
    for (int n = 0; n < count; ++n) {
        json += n == 0 ? "{\"n\": " : ", {\"n\": ";
        json += std::to_string(n);
        json += ", \"mz\": ";
        AppendJsonNumber(output::PeakMz(ionMassA, n, charge), json);
        json += ", \"centroidMz\": ";
        AppendJsonNumber(centroids[n], json);
        json += ", \"fa\": ";
        AppendJsonNumber(fas[n], json);
        json += ", \"rel\": ";
        AppendJsonNumber(output::RelativeIntensity(fas[n], largestFA), json);
        json += '}';
    }
    out << json;
}

void AppendJsonNumber(double value, std::string& json) {
    if (!std::isfinite(value)) {
        json += "null";
        return;
    }
    core::AppendShortest(value, json);
}

std::string JsonNumber(double value) {
    std::string json;
    AppendJsonNumber(value, json);
    return json;
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    json.reserve(text.size() + 2);
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Character character = NextUtf8Character(text, at);
        if (!character.wellFormed) {
            json += kReplacementCharacter;
        } else if (character.length > 1) {
            json += text.substr(at, character.length);
        } else {
            AppendJsonAscii(text[at], json);
        }
        at += character.length;
    }
    return json + "\"";
}

std::string FailureMessage(std::string_view text, std::string_view usage) {
    const auto dropLineEnds = [&text] {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    };
    dropLineEnds();
    const bool usageFollows = !usage.empty() && text.ends_with(usage) &&
                              (text.size() == usage.size() || text[text.size() - usage.size() - 1] == '\n');
    if (usageFollows) {
        text.remove_suffix(usage.size());
        dropLineEnds();
    }
    return std::string(text);
}

std::string JsonErrorFields(std::string_view message, int status) {
    // Every failure says something; a silent one would leave a script guessing.
    const std::string said = message.empty()
                                 ? "tarnevo-cli: failed with exit status " + std::to_string(status)
                                 : std::string(message);
    return "\"error\": " + JsonString(said) + ", \"exitCode\": " + std::to_string(status);
}

}  // namespace tarnevo::cli
