#include "cli/identify_batch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "calc/ion_identify_run.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cluster_batch.h"
#include "cli/identify_cli.h"
#include "cli/identify_json.h"
#include "cli/identify_options.h"
#include "cli/input_source.h"
#include "cli/json_value.h"
#include "cli/line_reader.h"
#include "fine/parallel_use.h"

namespace tarnevo::cli {

namespace {

using Kind = JsonValue::Kind;

// The fields a line may give besides "id" and "peaks", each with the option
// it stands for and the options it replaces among the batch's.
struct LineField {
    std::string_view key;
    std::string_view option;
    Kind kind;  // of the value; an array holds strings
    std::array<std::string_view, 2> replaces;
};

constexpr std::array<LineField, 7> kLineFields = {{
    {"charge", "charge", Kind::Number, {"charge", "polarity"}},
    {"polarity", "polarity", Kind::String, {"charge", "polarity"}},
    {"adducts", "adduct", Kind::Array, {"adduct", ""}},
    {"elements", "element", Kind::Array, {"element", ""}},
    {"ppm", "ppm", Kind::Number, {"ppm", ""}},
    {"top", "top", Kind::Number, {"top", "all"}},
    {"resolvingPower", "resolution", Kind::Number, {"resolution", ""}},
}};

std::string FieldNames() {
    std::string names = "id, peaks";
    for (const LineField& field : kLineFields) names += ", " + std::string(field.key);
    return names;
}

const LineField* FindField(std::string_view key) {
    for (const LineField& field : kLineFields) {
        if (field.key == key) return &field;
    }
    return nullptr;
}

std::string KindProblem(std::string_view key, std::string_view wanted, Kind given) {
    return "\"" + std::string(key) + "\": " + std::string(wanted) + " is required, not " +
           std::string(JsonKindName(given));
}

// Puts one field of the line in place of the batch's options it replaces.
std::string ApplyField(const LineField& field, const JsonValue& value, Arguments& options) {
    if (value.kind != field.kind) {
        const std::string_view wanted = field.kind == Kind::Number   ? "a number"
                                        : field.kind == Kind::String ? "a string"
                                                                     : "an array of strings";
        return KindProblem(field.key, wanted, value.kind);
    }
    for (std::string_view replaced : field.replaces) {
        if (replaced.empty()) continue;
        options.values.erase(std::string(replaced));
        options.flags.erase(std::string(replaced));
    }
    // The option's text: a number as written, a string as it is.
    const std::string option(field.option);
    if (field.kind != Kind::Array) {
        options.values.emplace(option, value.text);
        return {};
    }
    for (std::size_t k = 0; k < value.items.size(); ++k) {
        const JsonValue& item = value.items[k];
        if (item.kind != Kind::String) {
            return "\"" + std::string(field.key) + "\": an array of strings is required; item " +
                   std::to_string(k + 1) + " is " + std::string(JsonKindName(item.kind));
        }
        options.values.emplace(option, item.text);
    }
    return {};
}

// "peaks": [[MZ, I], ...].
std::string ReadLinePeaks(const JsonValue* peaks, std::vector<core::MeasuredPeak>& measured) {
    if (peaks == nullptr) return "the line gives no \"peaks\": [[MZ, I], ...]";
    if (peaks->kind != Kind::Array) return KindProblem("peaks", "an array of [MZ, I]", peaks->kind);
    for (std::size_t k = 0; k < peaks->items.size(); ++k) {
        const JsonValue& peak = peaks->items[k];
        const bool pair = peak.kind == Kind::Array && peak.items.size() == 2 &&
                          peak.items[0].kind == Kind::Number && peak.items[1].kind == Kind::Number;
        if (!pair)
            return "\"peaks\": each peak is [MZ, I], two numbers; peak " + std::to_string(k + 1) + " is not";
        measured.push_back({peak.items[0].number, peak.items[1].number});
    }
    return {};
}

// The id as the answer echoes it: a string or a number as given, null when absent.
std::string IdJson(const JsonValue* id) {
    if (id == nullptr) return "null";
    return id->kind == Kind::String ? JsonString(id->text) : id->text;
}

// The options of one line: the batch's, with the line's fields in place of
// those they replace.
std::string LineOptions(const JsonValue& line, const Arguments& defaults, Arguments& options) {
    options = defaults;
    for (const auto& [key, value] : line.members) {
        if (key == "id" || key == "peaks") continue;
        const LineField* field = FindField(key);
        if (field == nullptr) {
            return "unknown field \"" + Echoed(key) + "\"; a line gives " + FieldNames();
        }
        if (std::string problem = ApplyField(*field, value, options); !problem.empty()) return problem;
    }
    return {};
}

std::string ErrorLine(const std::string& id, std::size_t lineNumber, const std::string& message, int status) {
    return "{\"id\": " + id + ", \"line\": " + std::to_string(lineNumber) + ", " +
           JsonErrorFields(message, status) + "}\n";
}

bool SkippedLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '#';
}

// The most workers --jobs takes: far beyond any machine's cores, short of
// what would only spend memory on threads.
constexpr long long kMaxJobs = 256;

// The workers of --jobs N, or one per core; nothing for a --jobs that is no
// whole number from 1 to kMaxJobs.
std::optional<std::size_t> WorkerCount(const Arguments& arguments) {
    const std::optional<std::string> jobs = arguments.Value("jobs");
    if (!jobs) return std::max(1U, std::thread::hardware_concurrency());
    const std::optional<double> count = NumberWithin(*jobs, 1.0, static_cast<double>(kMaxJobs));
    if (!count || *count != std::floor(*count)) return std::nullopt;
    return static_cast<std::size_t>(*count);
}

std::string JobsProblem() {
    return "tarnevo-cli identify: --jobs: the number of workers, a whole number from 1 to " +
           std::to_string(kMaxJobs);
}

// Why the options beside --batch cannot be used, or empty.
std::string BatchOptionProblem(const Arguments& arguments) {
    if (arguments.Has("csv"))
        return "tarnevo-cli identify: --batch prints JSON Lines; --csv is not taken with it";
    if (arguments.Value("report")) {
        return "tarnevo-cli identify: --batch prints JSON Lines and writes no report; --report is not taken "
               "with it";
    }
    if (!WorkerCount(arguments)) return JobsProblem();
    for (const char* option : {"peaks", "peaks-file"}) {
        if (arguments.Value(option)) {
            return "tarnevo-cli identify: each batch line gives its own \"peaks\"; --" + std::string(option) +
                   " is not taken with --batch";
        }
    }
    return ReadIdentifyRequest(arguments).problem;
}

std::string LineTooLongMessage() {
    return "the line is longer than " + std::to_string(kMaxBatchLineBytes) + " bytes (" +
           std::to_string(kMaxBatchLineBytes / 1024) + " KiB), the most a batch line may hold";
}

// One line as read: its text, or a mark that it was longer than the limit.
struct BatchLine {
    std::string text;
    std::size_t number = 0;
    bool tooLong = false;
};

// Each worker takes lines a few dozen at a time between outputs: enough that
// starting the threads costs nothing beside the identifications, few enough
// that answers follow a slow pipe of questions closely.
constexpr std::size_t kLinesPerWorker = 32;

// Reads up to `most` lines; false at the end of the input or on a read error
// (readError set, the lines before it kept).
bool ReadBatchLines(LineReader& reader, std::size_t most, std::size_t& lineNumber,
                    std::vector<BatchLine>& lines, int& readError) {
    std::string text;
    while (lines.size() < most) {
        const LineReader::Status status = reader.Next(text);
        if (status == LineReader::Status::End) return false;
        if (status == LineReader::Status::Failed) {
            readError = reader.Error();
            return false;
        }
        lines.push_back({text, ++lineNumber, status == LineReader::Status::TooLong});
    }
    return true;
}

BatchLineAnswer AnswerLine(const BatchLine& line, const Arguments& defaults) {
    if (line.tooLong) return {ErrorLine("null", line.number, LineTooLongMessage(), kExitUsage), true};
    return AnswerBatchLine(line.text, line.number, defaults);
}

// The answers of the lines in their order, computed on every core: each line
// is a question of its own, and the identifications share nothing but the
// element table and the fine structure's log-factorials, which they only read.
std::vector<BatchLineAnswer> AnswerInParallel(const std::vector<BatchLine>& lines, const Arguments& defaults,
                                              std::size_t workers) {
    std::vector<BatchLineAnswer> answers(lines.size());
    if (workers > 1) fine::PrepareForParallelUse();
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k = next++; k < lines.size(); k = next++)
            answers[k] = AnswerLine(lines[k], defaults);
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t w = 1; w < std::min(workers, lines.size()); ++w) helpers.emplace_back(work);
        work();
    }
    return answers;
}

}  // namespace

BatchLineAnswer AnswerBatchLine(std::string_view line, std::size_t lineNumber, const Arguments& defaults) {
    if (SkippedLine(line)) return {};
    const JsonParse parse = ParseJson(line);
    if (!parse.problem.empty()) return {ErrorLine("null", lineNumber, parse.problem, kExitUsage), true};
    if (parse.value.kind != Kind::Object) {
        return {
            ErrorLine("null", lineNumber,
                      "a batch line is one JSON object, not " + std::string(JsonKindName(parse.value.kind)),
                      kExitUsage),
            true};
    }
    const JsonValue* id = parse.value.Find("id");
    if (id != nullptr && id->kind != Kind::String && id->kind != Kind::Number) {
        return {
            ErrorLine("null", lineNumber, KindProblem("id", "a string or a number", id->kind), kExitUsage),
            true};
    }
    const std::string idJson = IdJson(id);
    const auto refuse = [&](const std::string& message, int status) {
        return BatchLineAnswer{ErrorLine(idJson, lineNumber, message, status), true};
    };

    Arguments options;
    if (std::string problem = LineOptions(parse.value, defaults, options); !problem.empty())
        return refuse(problem, kExitUsage);
    IdentifyRequestParse request = ReadIdentifyRequest(options);
    if (!request.problem.empty()) return refuse(request.problem, kExitUsage);
    core::IdentifyQuery& query = request.request.query;
    if (std::string problem = ReadLinePeaks(parse.value.Find("peaks"), query.peaks); !problem.empty())
        return refuse(problem, kExitUsage);

    core::IdentifyResult result = calc::IdentifyMeasuredIon(query);
    if (result.status != core::IdentifyStatus::Identified)
        return refuse(result.problem, IdentifyRefusalStatus(result.status));
    const std::size_t candidateCount = KeepTopCandidates(result, request.request.top);
    std::ostringstream json;
    json << "{\"id\": " << idJson << ", ";
    PrintIdentificationJsonFields(result, candidateCount, json);
    json << "}\n";
    return {json.str(), false};
}

int RunIdentifyBatch(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    if (const std::string problem = BatchOptionProblem(arguments); !problem.empty()) {
        errors << problem << '\n' << UsageOf("identify") << '\n';
        return kExitUsage;
    }
    const InputSource source(*arguments.Value("batch"), "batch file");
    if (source.OpenError() != 0) {
        errors << "tarnevo-cli identify: " << source.ReadFailure(source.OpenError()) << '\n';
        return kExitWriteFailed;
    }
    LineReader reader(source.Descriptor(), kMaxBatchLineBytes);
    const std::size_t workers = *WorkerCount(arguments);
    std::size_t refused = 0;
    std::size_t lineNumber = 0;
    std::vector<BatchLine> lines;
    // A failed standard output ends the batch: no later line could be seen.
    for (bool more = true; more && out.good();) {
        lines.clear();
        int readError = 0;
        more = ReadBatchLines(reader, workers * kLinesPerWorker, lineNumber, lines, readError);
        for (const BatchLineAnswer& answer : AnswerInParallel(lines, arguments, workers)) {
            out << answer.json;
            if (answer.refused) ++refused;
        }
        if (readError != 0) {
            out.flush();
            errors << "tarnevo-cli identify: " << source.ReadFailure(readError) << '\n';
            return kExitWriteFailed;
        }
    }
    out.flush();
    if (refused == 0) return kExitOk;
    // The status alone would leave a script to count the error objects.
    errors << "tarnevo-cli identify: " << refused << (refused == 1 ? " batch line was" : " batch lines were")
           << " refused; each has its error object in the output\n";
    return kExitRefused;
}

}  // namespace tarnevo::cli
