#include "cli/cluster_cli.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "calc/cluster_form_input.h"
#include "calc/isotope_cluster_command.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/user_element_args.h"

namespace tarnevo::cli {

namespace {

void PrintClusterJson(const calc::CommandContext& context, std::ostream& out) {
    out << "{";
    PrintClusterJsonFields(context, "peaks", out);
    out << "}\n";
}

}  // namespace

void PrintClusterJsonFields(const calc::CommandContext& context, std::string_view peaksKey,
                            std::ostream& out) {
    const results::CalculationState& state = context.document.state;
    const core::ClusterWorkspace& cluster = context.program.cluster;
    out << "\"formula\": " << JsonString(state.formulaText) << ", \"charge\": " << state.charge
        << ", \"stopFA\": " << JsonNumber(state.stopFA) << ", \"ionMassA\": " << JsonNumber(state.ionMassA)
        << ", \"averageMass\": " << JsonNumber(state.cluster.averageMass)
        << ", \"mostAbundantPeak\": " << state.cluster.maxPeakIndex
        << ", \"lastPeakIndex\": " << state.cluster.lastPeakIndex
        << ", \"maxPeakIndex\": " << state.cluster.maxPeakIndex
        << ", \"peakOverflow\": " << (state.cluster.peakOverflow ? "true" : "false")
        << ", \"cumulativeFA\": " << JsonNumber(static_cast<double>(cluster.cumulativeFA))
        << ", \"totalFA\": " << JsonNumber(state.cluster.totalFA) << ", \"" << peaksKey << "\": [";
    PrintPeaksJson(state.cluster.peakFA.data(), state.cluster.peakCentroidMz.data(),
                   state.cluster.lastPeakIndex + 1, state.ionMassA, state.charge, state.cluster.maxFA, out);
    out << "]";
}

// One ion of a batch: its words as a cluster command line with --json; the
// result object, or the line's error object. False when the line was refused.
bool RunBatchLine(const std::vector<std::string>& words, int lineNumber, std::ostream& out) {
    for (const std::string& word : words) {
        if (word.rfind("--batch", 0) == 0 || word.rfind("--report", 0) == 0 ||
            word.rfind("--define", 0) == 0) {
            out << "{\"line\": " << lineNumber
                << ", \"error\": " << JsonString(word + " is not taken in a batch line")
                << ", \"exitCode\": " << kExitUsage << "}\n";
            return false;
        }
    }
    std::vector<std::string> arguments = {"cluster"};
    arguments.insert(arguments.end(), words.begin(), words.end());
    arguments.emplace_back("--json");
    std::ostringstream result;
    std::ostringstream problems;
    const int status = RunCli(arguments, result, problems);
    if (status == kExitOk) {
        out << result.str();
        return true;
    }
    std::string problem = problems.str();
    while (!problem.empty() && problem.back() == '\n') problem.pop_back();
    // {"error": ..., "exitCode": ...} with the line number in front.
    out << "{\"line\": " << lineNumber << ", " << problem.substr(1) << '\n';
    return false;
}

int RunClusterBatch(std::istream& lines, std::ostream& out) {
    bool allSucceeded = true;
    std::string line;
    for (int lineNumber = 1; std::getline(lines, line); ++lineNumber) {
        std::istringstream split(line);
        std::vector<std::string> words;
        for (std::string word; split >> word;) words.push_back(word);
        if (words.empty() || words.front().front() == '#') continue;
        allSucceeded = RunBatchLine(words, lineNumber, out) && allSucceeded;
    }
    out.flush();
    return allSucceeded ? kExitOk : kExitRefused;
}

OptionRules ClusterOptionRules() {
    return {{"charge", "stop", "define", "report", "batch"}, {"json"}, 1, "batch"};
}

int RunClusterCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    if (const auto batch = arguments.Value("batch")) {
        if (arguments.Has("csv")) {
            errors << "tarnevo-cli cluster: --batch prints JSON Lines; --csv is not taken with it\n"
                   << kClusterUsage << '\n';
            return kExitUsage;
        }
        if (*batch == "-") return RunClusterBatch(std::cin, out);
        std::ifstream file(*batch);
        if (!file) {
            errors << "tarnevo-cli cluster: cannot read " << *batch << '\n';
            return kExitUsage;
        }
        return RunClusterBatch(file, out);
    }
    CliPort port(errors);
    port.NameOption("formula", "FORMULA");
    FieldEntries form = {{"formula", arguments.positional[0]}, {"reminder", "0"}};
    if (auto charge = arguments.Value("charge")) form.emplace_back("charge", *charge);
    if (auto stop = arguments.Value("stop")) form.emplace_back("stop", *stop);
    port.Answer(DialogOf<calc::ClusterFormInput>(), std::move(form));
    if (std::string error = PrepareUserElementAnswers(port, arguments.AllValues("define")); !error.empty()) {
        errors << error << '\n' << kClusterUsage << '\n';
        return kExitUsage;
    }

    return RunCalculation(port, arguments, calc::RunIsotopeClusterPattern, PrintClusterJson, out, errors);
}

}  // namespace tarnevo::cli
