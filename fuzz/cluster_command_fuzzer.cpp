// libFuzzer target for the whole cluster command as tarnevo-cli runs it: the
// argument parser, the command handler answering its dialogs through the
// command line's port (field checks, user-defined element data), the engine
// and the JSON printer. The input is split at newlines into formula, charge,
// stop FA and up to six --define values; an empty line leaves that option out.
// Every run must end with a documented status; a refusal prints nothing on
// standard output and says why on standard error; accepted results are finite
// FAs in [0, 1] whose sum is the stored total, with relative intensities of at
// most 100 % and a finite centroid m/z for every peak.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace {

constexpr std::size_t kMaxDefinitions = 6;
constexpr double kSlack = 1e-9;  // rounding of 17-digit decimal output and of the sum

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty() && lines.size() < 3 + kMaxDefinitions) {
        const std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Option values are joined to their option (--stop=0.99), so that a value is
// never read as an option of its own.
std::vector<std::string> ClusterArguments(const std::vector<std::string>& lines) {
    std::vector<std::string> arguments = {"cluster", lines.empty() ? std::string() : lines[0], "--json"};
    const char* options[] = {"--charge=", "--stop="};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        arguments.push_back((i <= 2 ? options[i - 1] : "--define=") + lines[i]);
    }
    return arguments;
}

// A formula that is an option (--batch, --help, -h) asks for another command
// than one cluster calculation.
bool IsOption(const std::string& formula) { return formula.starts_with("--") || formula == "-h"; }

void Require(bool condition) {
    if (!condition) std::abort();
}

// Every number that follows "key": in the text, in order.
std::vector<double> ValuesOf(const std::string& json, const std::string& key) {
    std::vector<double> values;
    const std::string marker = "\"" + key + "\": ";
    for (std::size_t at = json.find(marker); at != std::string::npos; at = json.find(marker, at + 1)) {
        const char* start = json.c_str() + at + marker.size();
        char* end = nullptr;
        values.push_back(std::strtod(start, &end));
        Require(end != start);  // "null" stands for a number that is not finite
    }
    return values;
}

void CheckAcceptedResults(const std::string& json) {
    Require(json.starts_with("{\"formula\": ") && json.ends_with("]}\n"));
    const std::vector<double> fas = ValuesOf(json, "fa");
    const std::vector<double> rels = ValuesOf(json, "rel");
    const std::vector<double> total = ValuesOf(json, "totalFA");
    const std::vector<double> cumulative = ValuesOf(json, "cumulativeFA");
    const std::vector<double> lastPeak = ValuesOf(json, "lastPeakIndex");
    Require(total.size() == 1 && cumulative.size() == 1 && lastPeak.size() == 1);
    Require(!fas.empty() && fas.size() == static_cast<std::size_t>(lastPeak[0]) + 1 &&
            rels.size() == fas.size());
    double sum = 0.0;
    for (const double fa : fas) {
        Require(std::isfinite(fa) && fa >= 0.0 && fa <= 1.0 + kSlack);
        sum += fa;
    }
    for (const double rel : rels) Require(std::isfinite(rel) && rel >= 0.0 && rel <= 100.0 + kSlack);
    Require(ValuesOf(json, "centroidMz").size() == fas.size());  // each one a number, not null
    Require(std::fabs(sum - total[0]) <= kSlack * std::max(1.0, sum));
    Require(total[0] <= 1.0 + kSlack);
    Require(std::isfinite(cumulative[0]) && cumulative[0] >= 0.0 && cumulative[0] <= 1.0 + kSlack);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::ostringstream out;
    std::ostringstream errors;
    const std::vector<std::string> lines = Lines(text);
    if (!lines.empty() && IsOption(lines[0])) return 0;
    const int status = tarnevo::cli::RunCli(ClusterArguments(lines), out, errors);
    switch (status) {
        case tarnevo::cli::kExitOk:
            CheckAcceptedResults(out.str());
            break;
        case tarnevo::cli::kExitRefused:
        case tarnevo::cli::kExitUsage:
            Require(out.str().empty() && !errors.str().empty());
            break;
        default:
            std::abort();
    }
    return 0;
}
