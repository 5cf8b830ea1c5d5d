#include "fuzz/cli_promises.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "core/ion_identification.h"
#include "fuzz/json_check.h"

namespace tarnevo::fuzz {

namespace {

constexpr double kSlack = 1e-9;  // rounding of 17-digit decimal output and of sums

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

// The number of member key; a value that is not finite would be null.
double NumberAt(const JsonTree& object, std::string_view key, const char* promise) {
    const JsonTree* value = object.Find(key);
    Require(value != nullptr && value->IsNumber() && std::isfinite(value->number), promise);
    return value->number;
}

const JsonTree& ArrayAt(const JsonTree& object, std::string_view key, const char* promise) {
    const JsonTree* value = object.Find(key);
    Require(value != nullptr && value->IsArray(), promise);
    return *value;
}

bool WithinPercent(double rel) { return rel >= 0.0 && rel <= 100.0 + kSlack * 100.0; }

// The peaks [A+0] .. [A+lastPeakIndex] of an accepted cluster; the m/z of [A+0].
double CheckClusterPeaks(const JsonTree& cluster) {
    const char* numbers = "a cluster's numbers are finite (JSON null stands for one that is not)";
    const double total = NumberAt(cluster, "totalFA", numbers);
    const double cumulative = NumberAt(cluster, "cumulativeFA", numbers);
    const double lastPeak = NumberAt(cluster, "lastPeakIndex", numbers);
    const JsonTree& peaks = ArrayAt(cluster, "peaks", "a cluster lists its peaks");
    Require(!peaks.items.empty() && static_cast<double>(peaks.items.size()) == lastPeak + 1,
            "one peak for each of [A+0] .. [A+lastPeakIndex]");
    double sum = 0.0;
    for (std::size_t n = 0; n < peaks.items.size(); ++n) {
        const JsonTree& peak = peaks.items[n];
        Require(NumberAt(peak, "n", numbers) == static_cast<double>(n), "the peaks in order of n");
        const double fa = NumberAt(peak, "fa", numbers);
        Require(fa >= 0.0 && fa <= 1.0 + kSlack, "each FA in [0, 1]");
        Require(WithinPercent(NumberAt(peak, "rel", numbers)), "each relative intensity in [0, 100]");
        NumberAt(peak, "centroidMz", "a centroid m/z for each peak");
        sum += fa;
    }
    Require(std::fabs(sum - total) <= kSlack * std::max(1.0, sum), "the FAs sum to totalFA");
    Require(total <= 1.0 + kSlack, "totalFA at most 1");
    Require(cumulative >= 0.0 && cumulative <= 1.0 + kSlack, "cumulativeFA in [0, 1]");
    return NumberAt(peaks.items.front(), "mz", numbers);
}

// What --resolution adds: the resolved peaks (an instrument's view of the whole
// ion, not the cluster's nominal peaks) and, with --profile, the profile.
void CheckResolvedPeaks(const JsonTree& cluster, double lightestMz) {
    const char* numbers = "a resolved peak's numbers are finite";
    const JsonTree& peaks = ArrayAt(cluster, "resolvedPeaks", "--resolution lists the resolved peaks");
    Require(!peaks.items.empty(), "a resolved cluster has resolved peaks");
    double sum = 0.0;
    double previousMz = 0.0;
    double largestRel = 0.0;
    for (const JsonTree& peak : peaks.items) {
        const double mz = NumberAt(peak, "mz", numbers);
        const double fa = NumberAt(peak, "fa", numbers);
        const double rel = NumberAt(peak, "rel", numbers);
        Require(mz >= previousMz, "the resolved peaks in m/z order");
        Require(mz >= lightestMz * (1.0 - kSlack), "no resolved peak lighter than [A+0]");
        Require(fa >= 0.0 && fa <= 1.0 + kSlack, "each resolved FA in [0, 1]");
        Require(WithinPercent(rel), "each resolved relative intensity in [0, 100]");
        previousMz = mz;
        largestRel = std::max(largestRel, rel);
        sum += fa;
    }
    Require(sum <= 1.0 + kSlack, "the resolved FAs sum to at most 1");
    Require(std::fabs(largestRel - 100.0) <= 100.0 * kSlack, "the largest resolved peak at 100 %");
    const JsonTree* profile = cluster.Find("profile");
    if (profile == nullptr) return;
    Require(profile->IsArray() && !profile->items.empty(), "--profile gives the profile's points");
    previousMz = 0.0;
    for (const JsonTree& point : profile->items) {
        Require(point.items.size() == 2 && point.items[0].IsNumber() && point.items[1].IsNumber(),
                "each profile point is [m/z, rel]");
        Require(point.items[0].number >= previousMz, "the profile in m/z order");
        Require(WithinPercent(point.items[1].number), "the profile within 0 .. 100 %");
        previousMz = point.items[0].number;
    }
}

void CheckCluster(const JsonTree& cluster, bool resolved) {
    const double lightestMz = CheckClusterPeaks(cluster);
    if (resolved) {
        CheckResolvedPeaks(cluster, lightestMz);
    } else {
        Require(cluster.Find("resolvedPeaks") == nullptr, "resolved peaks only when asked for");
    }
}

double RelOrNull(const JsonTree& peak, std::string_view key) {
    const JsonTree* value = peak.Find(key);
    Require(value != nullptr && (value->kind == JsonTree::Kind::Null || value->IsNumber()),
            "a compared peak's relative intensities are numbers or null");
    return value->IsNumber() ? value->number : 0.0;
}

// An accepted identification with the mass accuracy it was asked for.
void CheckIdentification(const JsonTree& answer, double ppm) {
    const char* numbers = "an identification's numbers are finite";
    Require(NumberAt(answer, "charge", numbers) != 0.0, "an identified ion is charged");
    const double matches = NumberAt(answer, "massMatches", numbers);
    const double filtered = NumberAt(answer, "filteredOut", numbers);
    const double count = NumberAt(answer, "candidateCount", numbers);
    const JsonTree& candidates = ArrayAt(answer, "candidates", "an identification lists its candidates");
    Require(filtered <= matches && count <= matches - filtered,
            "no more candidates than formulae in the window that passed the filters");
    Require(static_cast<double>(candidates.items.size()) <= count, "no more candidates listed than counted");
    // The error is relative to the computed m/z, the window to the measured one:
    // they differ by the error itself, ppm x 1e-6 of it.
    const double mostError = ppm * (1.0 + 2e-6 * ppm) + 1e-6;
    double previousScore = HUGE_VAL;
    for (std::size_t k = 0; k < candidates.items.size(); ++k) {
        const JsonTree& candidate = candidates.items[k];
        Require(NumberAt(candidate, "rank", numbers) == static_cast<double>(k + 1), "ranks 1, 2, 3, ...");
        const double score = NumberAt(candidate, "score", numbers);
        Require(score <= previousScore, "the candidates best first");
        previousScore = score;
        Require(std::fabs(NumberAt(candidate, "errorPpm", numbers)) <= mostError,
                "each candidate within the mass accuracy");
        for (const JsonTree& peak : ArrayAt(candidate, "peaks", "a candidate compares its peaks").items) {
            Require(WithinPercent(RelOrNull(peak, "measuredRel")) &&
                        WithinPercent(RelOrNull(peak, "predictedRel")),
                    "a compared peak's relative intensities in [0, 100]");
        }
    }
}

bool MentionsResolutionIn(const std::vector<std::string>& arguments) {
    return !ValuesOf(arguments, "resolution").empty();
}

std::string CommandOf(const CommandLine& line) { return line.arguments.empty() ? "" : line.arguments[0]; }

bool IsBatch(const CommandLine& line) {
    const std::string command = CommandOf(line);
    return (command == "cluster" || command == "identify") &&
           (HasWord(line.arguments, "--batch") || !ValuesOf(line.arguments, "batch").empty());
}

// The mass accuracy asked for: the largest --ppm given (which of several the
// command line takes is its own affair), 5 when none.
double PpmOf(const std::vector<std::string>& arguments) {
    const std::vector<std::string> values = ValuesOf(arguments, "ppm");
    if (values.empty()) return core::kDefaultIdentifyPpm;
    double most = 0.0;
    for (const std::string& value : values) most = std::max(most, NumberOr(value, 0.0));
    return most;
}

// A batch line's "ppm" in place of the command line's (the largest if repeated).
double PpmOfLine(const std::string& question, const std::vector<std::string>& arguments) {
    const std::optional<JsonTree> line = ReadJson(question);
    if (!line || !line->IsObject() || line->Find("ppm") == nullptr) return PpmOf(arguments);
    double most = 0.0;
    for (std::size_t k = 0; k < line->keys.size(); ++k) {
        if (line->keys[k] == "ppm" && line->items[k].IsNumber()) most = std::max(most, line->items[k].number);
    }
    return most;
}

// Whether a cluster batch line names a resolving power of its own.
bool LineAsksForResolution(const std::string& question) {
    std::istringstream split(question);
    for (std::string word; split >> word;) {
        if (word == "--resolution" || word.rfind("--resolution=", 0) == 0) return true;
    }
    return false;
}

// The questions of a batch, as each batch skips blank lines and comments: a
// cluster line of no word or whose first word starts with '#', an
// identification line of blanks, tabs and CRs or whose first other character is '#'.
std::vector<std::string> Questions(const CommandLine& line) {
    const bool cluster = CommandOf(line) == "cluster";
    std::vector<std::string> questions;
    for (const std::string& text : InputLines(line.standardInput)) {
        const std::size_t first = text.find_first_not_of(cluster ? " \t\n\v\f\r" : " \t\r");
        if (first != std::string::npos && text[first] != '#') questions.push_back(text);
    }
    return questions;
}

// One answer a question, in order: an error object (with its line's number)
// or the result, checked as the single command's would be.
void CheckBatchAnswers(const CommandLine& line, const Outcome& run) {
    const std::vector<std::string> answers = Lines(run.out);
    const std::vector<std::string> questions = Questions(line);
    Require(answers.size() == questions.size(), "a batch answers each question with one line");
    std::size_t refused = 0;
    for (std::size_t k = 0; k < answers.size(); ++k) {
        const std::optional<JsonTree> answer = ReadJson(answers[k]);
        Require(answer && answer->IsObject(), "each batch answer is one JSON object");
        if (const JsonTree* error = answer->Find("error"); error != nullptr) {
            Require(error->kind == JsonTree::Kind::String && !error->text.empty(),
                    "a refused batch line says why");
            ++refused;
            continue;
        }
        if (CommandOf(line) == "cluster") {
            CheckCluster(*answer,
                         MentionsResolutionIn(line.arguments) || LineAsksForResolution(questions[k]));
        } else {
            CheckIdentification(*answer, PpmOfLine(questions[k], line.arguments));
        }
    }
    Require((refused > 0) == (run.status == cli::kExitRefused), "a batch exits 2 when it refused a line");
}

bool AsksForText(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    const std::string& command = arguments[0];
    return command == "help" || command == "--version" || HasWord(arguments, "--help") ||
           HasWord(arguments, "-h");
}

// An error object whose message is empty.
bool SaysNothing(const std::string& json) { return json.find("\"error\": \"\"") != std::string::npos; }

}  // namespace

void CheckPromises(const CommandLine& line, const Outcome& run) {
    const std::vector<std::string>& arguments = line.arguments;
    const int status = run.status;
    Require(status == cli::kExitOk || status == cli::kExitRefused || status == cli::kExitUsage ||
                status == cli::kExitWriteFailed,
            "the exit status is 0, 2, 64 or 74");
    const bool batch = IsBatch(line);
    const bool json = HasWord(arguments, "--json");
    if (status != cli::kExitOk)
        Require(!run.errors.empty(), "a refusal or usage error says why on standard error");
    if (AsksForText(arguments) || !(json || batch)) return;
    for (const std::string& output : Lines(run.out)) {
        Require(IsJsonValue(output), "every line of standard output is JSON");
        Require(!SaysNothing(output), "a refused batch line says why");
    }
    if (json && status != cli::kExitOk) {
        Require(IsJsonObject(run.errors), "a failure under --json is one JSON object on standard error");
        Require(!SaysNothing(run.errors), "a failure under --json says why");
    }
    if (batch) {
        if (status == cli::kExitOk || status == cli::kExitRefused) CheckBatchAnswers(line, run);
        return;
    }
    if (!json || status != cli::kExitOk) return;
    const std::optional<JsonTree> answer = ReadJson(run.out);
    const std::string command = CommandOf(line);
    if (command == "cluster") {
        Require(answer && answer->IsObject(), "a cluster under --json is one JSON object");
        CheckCluster(*answer, MentionsResolutionIn(arguments));
    } else if (command == "identify") {
        Require(answer && answer->IsObject(), "an identification under --json is one JSON object");
        CheckIdentification(*answer, PpmOf(arguments));
    }
}

}  // namespace tarnevo::fuzz
