#include "cli/cluster_batch.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "calc/cluster_form_input.h"
#include "cli/adduct_option.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/cluster_cli.h"
#include "cli/parallel_batch.h"
#include "cli/resolution_option.h"
#include "cli/user_element_args.h"

namespace tarnevo::cli {

namespace {

constexpr std::size_t kIonsPerWorker = 256;

// What the options beside --batch give each line that does not give its own.
struct BatchDefaults {
    std::optional<std::string> charge;
    std::optional<std::string> stop;
    std::vector<std::string> definitions;
    std::optional<std::string> adduct;
    const Arguments& options;  // the command line's, for --resolution and its companions
};

// A line is one ion: its formula and the options that shape its cluster.
OptionRules BatchLineRules() {
    return {{"charge", "adduct", "stop", "define", "resolution", "at"}, {"json", "orbitrap", "profile"}, 1};
}

// The first word of a line that asks for what a line cannot do: help, another
// batch, a report, or CSV in a stream of JSON lines.
std::optional<std::string> WordNotTakenInALine(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        const std::string name = OptionName(word);
        if (word == "-h" || name == "help" || name == "batch" || name == "report" || name == "csv")
            return word;
    }
    return std::nullopt;
}

// The --charge and --stop beside --batch, checked as the dialog checks them:
// the message, or empty.
std::string CheckDefaultFormEntries(const BatchDefaults& defaults) {
    std::ostringstream refusal;
    CliPort port(refusal);
    FieldEntries entries;
    if (defaults.charge) entries.emplace_back("charge", *defaults.charge);
    if (defaults.stop) entries.emplace_back("stop", *defaults.stop);
    port.Answer(DialogOf<calc::ClusterFormInput>(), std::move(entries));
    calc::ClusterFormInput dialog;
    if (port.RunDialog(dialog) == port::DialogAnswer::Ok) return {};
    return FailureMessage(refusal.str(), {});
}

// Why the options beside --batch cannot be used, or empty.
std::string BatchOptionProblem(const Arguments& arguments, const BatchDefaults& defaults) {
    if (arguments.Has("csv"))
        return "tarnevo-cli cluster: --batch prints JSON Lines; --csv is not taken with it";
    if (arguments.Value("report")) {
        return "tarnevo-cli cluster: --batch prints JSON Lines and writes no report; --report is not taken "
               "with it";
    }
    if (!BatchWorkerCount(arguments)) return BatchJobsProblem("cluster");
    if (std::string problem = CheckDefaultFormEntries(defaults); !problem.empty()) return problem;
    if (std::string problem = ParseResolution(arguments).problem; !problem.empty()) return problem;
    if (defaults.adduct) {
        // The ion type alone, on a molecule it can always be formed from.
        const AdductResolution resolution = ResolveAdduct("C", *defaults.adduct, defaults.charge);
        if (resolution.exitStatus == kExitUsage) return resolution.problem;
    }
    return CheckUserElementDefinitions(defaults.definitions);
}

// The resolving power beside --batch, with its companions, for a line that
// names none of its own.
void TakeBatchResolution(const Arguments& batch, Arguments& ion) {
    if (ion.Value("resolution") || !batch.Value("resolution")) return;
    for (const char* option : {"resolution", "at"}) {
        if (const auto value = batch.Value(option)) ion.values.emplace(option, *value);
    }
    for (const char* flag : {"orbitrap", "profile"}) {
        if (batch.Has(flag)) ion.flags.insert(flag);
    }
}

// One line's ion with --json and the batch's defaults; the line's own options win.
int RunLineIon(const std::vector<std::string>& words, const BatchDefaults& defaults, std::ostream& out,
               std::ostream& errors) {
    if (const auto word = WordNotTakenInALine(words)) {
        errors << Echoed(*word) << " is not taken in a batch line\n";
        return kExitUsage;
    }
    ArgumentParse parse = ParseArguments(words, BatchLineRules());
    if (!parse.error.empty()) {
        errors << "tarnevo-cli cluster: " << parse.error << '\n';
        return kExitUsage;
    }
    Arguments& ion = parse.arguments;
    ion.flags.insert("json");
    // The ion's charge is one choice, a --charge or an ion type: a line that
    // makes it takes neither of the batch's.
    if (!ion.Value("charge") && !ion.Value("adduct")) {
        if (defaults.charge) ion.values.emplace("charge", *defaults.charge);
        if (defaults.adduct) ion.values.emplace("adduct", *defaults.adduct);
    }
    if (defaults.stop && !ion.Value("stop")) ion.values.emplace("stop", *defaults.stop);
    TakeBatchResolution(defaults.options, ion);
    return RunClusterIon(ion, defaults.definitions, out, errors);
}

// The results of one line, or its error object.
BatchLineAnswer AnswerBatchLine(const BatchLine& line, const BatchDefaults& defaults) {
    if (line.tooLong) return {LineErrorObject(line.number, LineTooLongMessage(), kExitUsage), true};
    std::istringstream split(line.text);
    std::vector<std::string> words;
    for (std::string word; split >> word;) words.push_back(word);
    if (words.empty() || words.front().front() == '#') return {};
    std::ostringstream results;
    std::ostringstream errors;
    const int status = RunLineIon(words, defaults, results, errors);
    if (status == kExitOk) return {results.str(), false};
    return {results.str() +
                LineErrorObject(line.number, FailureMessage(errors.str(), UsageOf("cluster")), status),
            true};
}

}  // namespace

int RunClusterBatch(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    const BatchDefaults defaults{arguments.Value("charge"), arguments.Value("stop"),
                                 arguments.AllValues("define"), arguments.Value("adduct"), arguments};
    if (const std::string problem = BatchOptionProblem(arguments, defaults); !problem.empty()) {
        errors << problem << '\n' << UsageOf("cluster") << '\n';
        return kExitUsage;
    }
    // The ions are computed side by side, each in a program context of its
    // own; a few hundred a worker at a time, since one takes some 20 us.
    return RunBatchFile(
        "cluster", *arguments.Value("batch"),
        {.count = *BatchWorkerCount(arguments), .linesEach = kIonsPerWorker},
        [&defaults](const BatchLine& line) { return AnswerBatchLine(line, defaults); }, out, errors);
}

}  // namespace tarnevo::cli
