#include "cli/identify_batch.h"

#include <array>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "calc/ion_identify_run.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/identify_cli.h"
#include "cli/identify_json.h"
#include "cli/identify_options.h"
#include "cli/json_value.h"
#include "cli/parallel_batch.h"

namespace tarnevo::cli {

namespace {

// An identification takes milliseconds: a few dozen a worker at a time.
constexpr std::size_t kSpectraPerWorker = 32;

using Kind = JsonValue::Kind;

// The fields a line may give besides "id" and "peaks", each with the option
// it stands for and the options it replaces among the batch's.
struct LineField {
    std::string_view key;
    std::string_view option;
    Kind kind;  // of the value; an array holds strings
    std::array<std::string_view, 3> replaces;
};

// The ion types carry their charge and its sign: a line's "adducts" replace
// the batch's --charge and --polarity with them, as a cluster batch line's
// ion type replaces the batch's charge.
constexpr std::array<LineField, 8> kLineFields = {{
    {"charge", "charge", Kind::Number, {"charge", "polarity", ""}},
    {"polarity", "polarity", Kind::String, {"charge", "polarity", ""}},
    {"adducts", "adduct", Kind::Array, {"adduct", "charge", "polarity"}},
    {"elements", "element", Kind::Array, {"element", "", ""}},
    {"ppm", "ppm", Kind::Number, {"ppm", "", ""}},
    {"top", "top", Kind::Number, {"top", "all", ""}},
    {"resolvingPower", "resolution", Kind::Number, {"resolution", "", ""}},
    {"instrument", "instrument", Kind::String, {"instrument", "", ""}},
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

// Puts one field of the line in place of the batch's options it replaces;
// what the line itself gave stays (ownOptions), so that two fields of one
// line that disagree ("charge": 1, "polarity": "-") are both read and the
// line refused, whatever their order.
std::string ApplyField(const LineField& field, const JsonValue& value, Arguments& options,
                       std::set<std::string>& ownOptions) {
    if (value.kind != field.kind) {
        const std::string_view wanted = field.kind == Kind::Number   ? "a number"
                                        : field.kind == Kind::String ? "a string"
                                                                     : "an array of strings";
        return KindProblem(field.key, wanted, value.kind);
    }
    for (std::string_view replaced : field.replaces) {
        if (replaced.empty() || ownOptions.count(std::string(replaced)) != 0) continue;
        options.values.erase(std::string(replaced));
        options.flags.erase(std::string(replaced));
    }
    // The option's text: a number as written, a string as it is.
    const std::string option(field.option);
    ownOptions.insert(option);
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
    std::set<std::string> ownOptions;
    for (const auto& [key, value] : line.members) {
        if (key == "id" || key == "peaks") continue;
        const LineField* field = FindField(key);
        if (field == nullptr) {
            return "unknown field \"" + Echoed(key) + "\"; a line gives " + FieldNames();
        }
        if (std::string problem = ApplyField(*field, value, options, ownOptions); !problem.empty())
            return problem;
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

// Why the options beside --batch cannot be used, or empty.
std::string BatchOptionProblem(const Arguments& arguments) {
    if (arguments.Has("csv"))
        return "tarnevo-cli identify: --batch prints JSON Lines; --csv is not taken with it";
    if (arguments.Value("report")) {
        return "tarnevo-cli identify: --batch prints JSON Lines and writes no report; --report is not taken "
               "with it";
    }
    if (!BatchWorkerCount(arguments)) return BatchJobsProblem("identify");
    for (const char* option : {"peaks", "peaks-file"}) {
        if (arguments.Value(option)) {
            return "tarnevo-cli identify: each batch line gives its own \"peaks\"; --" + std::string(option) +
                   " is not taken with --batch";
        }
    }
    return ReadIdentifyRequest(arguments).problem;
}

BatchLineAnswer AnswerLine(const BatchLine& line, const Arguments& defaults) {
    if (line.tooLong) return {ErrorLine("null", line.number, LineTooLongMessage(), kExitUsage), true};
    return AnswerBatchLine(line.text, line.number, defaults);
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
    // The lines are answered side by side: each is a question of its own, and
    // the identifications share nothing but the element table and the fine
    // structure's log-factorials, which they only read.
    return RunBatchFile(
        "identify", *arguments.Value("batch"),
        {.count = *BatchWorkerCount(arguments), .linesEach = kSpectraPerWorker},
        [&arguments](const BatchLine& line) { return AnswerLine(line, arguments); }, out, errors);
}

}  // namespace tarnevo::cli
