// libFuzzer target for whole tarnevo-cli command lines: any command (cluster,
// isotopes, loss-of-h, label, enrich, polymer, formulas, help, or none known) with
// any arguments, and standard input for `cluster --batch -` (a pipe in descriptor
// 0's place), run in-process through the command line's entry point with string
// streams. Every run must keep the
// command line's promises:
//   - the exit status is 0, 2, 64 or 74;
//   - a refusal (2) or a usage error (64) says why on standard error (a batch
//     reports its refused lines in its JSON Lines stream instead);
//   - under --json, and for a batch, every line of standard output is one valid
//     JSON value (strict: RFC 8259, UTF-8), and a failure's standard error is one
//     JSON object; help and the version are text for people and are exempt;
//   - an accepted cluster under --json has finite FAs in [0, 1] summing to its
//     total, relative intensities of at most 100 % and a centroid m/z for each peak;
// and it must not crash, trip a sanitizer or hang.
//
// Input: one argument a line (an argument may hold spaces; a CR is kept); the
// first is the command. A line holding only "<<<" ends the arguments: what follows
// is standard input. Files stay out of the way: a --report value is replaced by a
// scratch path (removed after the run), and a --batch value other than "-" by a
// path that does not exist. Inputs whose run would be long are skipped before
// running (ExpectedWorkIsBounded): the formula search's box, the enrichment fit's
// cycles (a fit without --max-cycles is given 100), the number of batch lines.
//
// Set TARNEVO_FUZZ_DESCRIBE=1 to print each command line, its status and its output
// on standard error.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "core/element_table.h"
#include "core/formula_parser.h"
#include "fuzz/json_check.h"

namespace {

using tarnevo::fuzz::IsJsonObject;
using tarnevo::fuzz::IsJsonValue;

constexpr std::string_view kStandardInputMarker = "<<<";
constexpr std::size_t kMostBatchLines = 8;
constexpr int kMostFitCycles = 100;
// The formula search visits at most about this many boxes of element counts.
constexpr double kMostFormulaCandidates = 2e5;
constexpr double kSlack = 1e-9;  // rounding of 17-digit decimal output and of the sum

struct CommandLine {
    std::vector<std::string> arguments;
    std::string standardInput;
};

CommandLine Decode(std::string_view text) {
    CommandLine line;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (word == kStandardInputMarker) {
            line.standardInput = text;
            break;
        }
        line.arguments.emplace_back(word);
    }
    return line;
}

bool StartsWith(const std::string& word, std::string_view prefix) { return word.rfind(prefix, 0) == 0; }

const std::string& ScratchReportPath() {
    static const std::string path = [] {
        const char* directory = std::getenv("TMPDIR");
        return std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") +
               "/tarnevo-cli-fuzz-report-" + std::to_string(getpid()) + ".txt";
    }();
    return path;
}

constexpr const char* kMissingBatchFile = "/nonexistent/tarnevo-cli-fuzz-batch.txt";

// Points --report at the scratch path and --batch at standard input or nowhere,
// in both spellings (--report FILE and --report=FILE). A report on standard output
// (--report -) would go to the process's own, past the string streams.
void KeepFilesAway(std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string& word = arguments[i];
        if (word == "--report" && i + 1 < arguments.size()) {
            arguments[++i] = ScratchReportPath();
        } else if (StartsWith(word, "--report=")) {
            word = "--report=" + ScratchReportPath();
        } else if (word == "--batch" && i + 1 < arguments.size()) {
            if (arguments[i + 1] != "-") arguments[i + 1] = kMissingBatchFile;
            ++i;
        } else if (StartsWith(word, "--batch=") && word != "--batch=-") {
            word = std::string("--batch=") + kMissingBatchFile;
        }
    }
}

bool HasWord(const std::vector<std::string>& words, std::string_view wanted) {
    for (const std::string& word : words) {
        if (word == wanted) return true;
    }
    return false;
}

// The values of --name VALUE and --name=VALUE, in order.
std::vector<std::string> ValuesOf(const std::vector<std::string>& arguments, const std::string& name) {
    std::vector<std::string> values;
    const std::string joined = "--" + name + "=";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--" + name && i + 1 < arguments.size()) values.push_back(arguments[i + 1]);
        if (StartsWith(arguments[i], joined)) values.push_back(arguments[i].substr(joined.size()));
    }
    return values;
}

// A number as the command line reads it, or `fallback` when it is none (the
// command then refuses it, quickly).
double NumberOr(const std::string& text, double fallback) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && std::isfinite(value) ? value : fallback;
}

const tarnevo::core::ElementTable& NaturalTable() {
    static const tarnevo::core::ElementTable table;
    return table;
}

// How many element-count combinations the formula search may visit: for each
// --element SYM[:MIN[:MAX]], the counts from MIN to MAX, or to as many atoms as fit
// under m/z x |charge| when MAX is 0 (Jx's mass from --jx). An overestimate: the
// search prunes by mass.
double FormulaSearchBox(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2) return 0;
    const double mz = std::fabs(NumberOr(arguments[1], 0));
    const std::vector<std::string> charges = ValuesOf(arguments, "charge");
    const double charge = charges.empty() ? 1 : std::max(1.0, std::fabs(NumberOr(charges.back(), 1)));
    const std::vector<std::string> jx = ValuesOf(arguments, "jx");
    const double jxMass = jx.empty() ? 1 : std::fabs(NumberOr(jx.back(), 1));
    const double mass = (mz + 1) * charge;
    double box = 1;
    for (const std::string& element : ValuesOf(arguments, "element")) {
        const std::size_t colon = element.find(':');
        const std::string symbol = element.substr(0, colon);
        const int index = tarnevo::core::LookupSymbolText(symbol, 1);
        double lightMass = index == tarnevo::core::kFirstUserElement ? jxMass : 1;
        if (index >= 0 && index <= tarnevo::core::kLastNaturalElement)
            lightMass = NaturalTable()[index].lightMass;
        double most = mass / std::max(lightMass, 1e-3);
        if (colon != std::string::npos) {
            const std::size_t second = element.find(':', colon + 1);
            if (second != std::string::npos) {
                const double given = NumberOr(element.substr(second + 1), 0);
                if (given > 0) most = std::min(most, given);
            }
        }
        box *= std::max(1.0, most + 1);
    }
    return box;
}

std::size_t BatchLineCount(const std::string& standardInput) {
    std::size_t lines = 0;
    for (const char c : standardInput) lines += c == '\n' ? 1 : 0;
    return lines + 1;
}

// The enrichment fit runs up to 1000 cycles unless told otherwise, a second or more
// under the sanitizers: without --max-cycles, it is given kMostFitCycles.
void BoundFitCycles(std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments[0] != "enrich" || !ValuesOf(arguments, "max-cycles").empty()) return;
    arguments.push_back("--max-cycles=" + std::to_string(kMostFitCycles));
}

// Whether the run stays short: a formula search over a small box, an enrichment
// fit of at most kMostFitCycles cycles, a batch of a few lines.
bool ExpectedWorkIsBounded(const CommandLine& line) {
    const std::vector<std::string>& arguments = line.arguments;
    if (arguments.empty()) return true;
    if (arguments[0] == "formulas" && FormulaSearchBox(arguments) > kMostFormulaCandidates) return false;
    if (arguments[0] == "enrich") {
        const std::vector<std::string> cycles = ValuesOf(arguments, "max-cycles");
        if (!cycles.empty() && NumberOr(cycles.back(), 0) > kMostFitCycles) return false;
    }
    return BatchLineCount(line.standardInput) <= kMostBatchLines;
}

void Require(bool condition, const char* promise) {
    if (condition) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// Every number that follows "key": in the text, in order.
std::vector<double> JsonValuesOf(const std::string& json, const std::string& key) {
    std::vector<double> values;
    const std::string marker = "\"" + key + "\": ";
    for (std::size_t at = json.find(marker); at != std::string::npos; at = json.find(marker, at + 1)) {
        const char* start = json.c_str() + at + marker.size();
        char* end = nullptr;
        values.push_back(std::strtod(start, &end));
        Require(end != start, "a cluster's numbers are finite (JSON null stands for one that is not)");
    }
    return values;
}

void CheckClusterResults(const std::string& json) {
    const std::vector<double> fas = JsonValuesOf(json, "fa");
    const std::vector<double> rels = JsonValuesOf(json, "rel");
    const std::vector<double> total = JsonValuesOf(json, "totalFA");
    const std::vector<double> cumulative = JsonValuesOf(json, "cumulativeFA");
    const std::vector<double> lastPeak = JsonValuesOf(json, "lastPeakIndex");
    Require(total.size() == 1 && cumulative.size() == 1 && lastPeak.size() == 1,
            "a cluster's summary fields");
    Require(
        !fas.empty() && fas.size() == static_cast<std::size_t>(lastPeak[0]) + 1 && rels.size() == fas.size(),
        "one peak for each of [A+0] .. [A+lastPeakIndex]");
    double sum = 0.0;
    for (const double fa : fas) {
        Require(std::isfinite(fa) && fa >= 0.0 && fa <= 1.0 + kSlack, "each FA in [0, 1]");
        sum += fa;
    }
    for (const double rel : rels) {
        Require(std::isfinite(rel) && rel >= 0.0 && rel <= 100.0 + kSlack,
                "each relative intensity in [0, 100]");
    }
    Require(JsonValuesOf(json, "centroidMz").size() == fas.size(), "a centroid m/z for each peak");
    Require(std::fabs(sum - total[0]) <= kSlack * std::max(1.0, sum), "the FAs sum to totalFA");
    Require(total[0] <= 1.0 + kSlack, "totalFA at most 1");
    Require(std::isfinite(cumulative[0]) && cumulative[0] >= 0.0 && cumulative[0] <= 1.0 + kSlack,
            "cumulativeFA in [0, 1]");
}

bool AsksForText(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    const std::string& command = arguments[0];
    return command == "help" || command == "--version" || HasWord(arguments, "--help") ||
           HasWord(arguments, "-h");
}

struct Outcome {
    int status = 0;
    std::string out;
    std::string errors;
};

// An error object whose message is empty.
bool SaysNothing(const std::string& json) { return json.find("\"error\": \"\"") != std::string::npos; }

void CheckPromises(const CommandLine& line, const Outcome& run) {
    const std::vector<std::string>& arguments = line.arguments;
    const int status = run.status;
    Require(status == tarnevo::cli::kExitOk || status == tarnevo::cli::kExitRefused ||
                status == tarnevo::cli::kExitUsage || status == tarnevo::cli::kExitWriteFailed,
            "the exit status is 0, 2, 64 or 74");
    const bool batch = !arguments.empty() && arguments[0] == "cluster" &&
                       (HasWord(arguments, "--batch") || !ValuesOf(arguments, "batch").empty());
    const bool json = HasWord(arguments, "--json");
    if (status != tarnevo::cli::kExitOk && !(batch && status == tarnevo::cli::kExitRefused)) {
        Require(!run.errors.empty(), "a refusal or usage error says why on standard error");
    }
    if (AsksForText(arguments) || !(json || batch)) return;
    for (const std::string& output : Lines(run.out)) {
        Require(IsJsonValue(output), "every line of standard output is JSON");
        Require(!SaysNothing(output), "a refused batch line says why");
    }
    if (json && status != tarnevo::cli::kExitOk) {
        Require(IsJsonObject(run.errors), "a failure under --json is one JSON object on standard error");
        Require(!SaysNothing(run.errors), "a failure under --json says why");
    }
    if (json && !batch && status == tarnevo::cli::kExitOk && arguments[0] == "cluster") {
        CheckClusterResults(run.out);
    }
}

bool DescribeEveryRun() {
    static const bool describe = std::getenv("TARNEVO_FUZZ_DESCRIBE") != nullptr;
    return describe;
}

void Describe(const CommandLine& line, const Outcome& run) {
    std::string text = "tarnevo-cli";
    for (const std::string& word : line.arguments) text += " '" + word + "'";
    if (!line.standardInput.empty()) text += " <<< '" + line.standardInput + "'";
    std::fprintf(stderr, "%s\n  exit %d\n  stdout: %s\n  stderr: %s\n", text.c_str(), run.status,
                 run.out.c_str(), run.errors.c_str());
}

// Standard input for one run: a pipe holding the input, put in descriptor 0's
// place (the batch reads the descriptor, not std::cin) and taken away after.
// The inputs are at most a few hundred bytes, far within a pipe's buffer, so
// writing them all before the run cannot block.
class StandardInputFrom {
public:
    explicit StandardInputFrom(const std::string& text) : saved_(dup(STDIN_FILENO)) {
        int ends[2];
        Require(pipe(ends) == 0 && saved_ >= 0, "the fuzzer can make a pipe for standard input");
        Require(write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()),
                "the fuzzer can fill standard input");
        close(ends[1]);
        dup2(ends[0], STDIN_FILENO);
        close(ends[0]);
    }
    ~StandardInputFrom() {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    StandardInputFrom(const StandardInputFrom&) = delete;
    StandardInputFrom& operator=(const StandardInputFrom&) = delete;

private:
    int saved_;
};

Outcome Run(const CommandLine& line) {
    const StandardInputFrom input(line.standardInput);
    std::ostringstream out;
    std::ostringstream errors;
    Outcome run;
    run.status = tarnevo::cli::RunCli(line.arguments, out, errors);
    run.out = out.str();
    run.errors = errors.str();
    std::remove(ScratchReportPath().c_str());
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CommandLine line = Decode(std::string_view(reinterpret_cast<const char*>(data), size));
    KeepFilesAway(line.arguments);
    BoundFitCycles(line.arguments);
    if (!ExpectedWorkIsBounded(line)) return 0;
    const Outcome run = Run(line);
    if (DescribeEveryRun()) Describe(line, run);
    CheckPromises(line, run);
    return 0;
}
