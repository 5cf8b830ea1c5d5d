#include "cli/cli.h"

#include <cctype>
#include <functional>
#include <sstream>

#include "calc/calculation_catalog.h"
#include "cli/arguments.h"
#include "cli/cli_output.h"
#include "cli/cluster_cli.h"
#include "cli/enrich_cli.h"
#include "cli/formulas_cli.h"
#include "cli/isotopes_cli.h"
#include "cli/label_cli.h"
#include "cli/loss_of_h_cli.h"
#include "cli/polymer_cli.h"

namespace tarnevo::cli {

namespace {

struct Subcommand {
    const char* name;
    const char* summary;  // one line for `tarnevo-cli help`
    const char* usage;
    const char* example;
    std::function<OptionRules()> rules;
    std::function<int(const Arguments&, std::ostream&, std::ostream&)> run;
};

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> kSubcommands = {
        {"cluster", "the isotope cluster of one ion", kClusterUsage,
         "tarnevo-cli cluster C6H5Cl2 --charge 1 --json", ClusterOptionRules, RunClusterCommand},
        {"polymer", "the clusters of a series of cluster or polymer ions", kPolymerUsage,
         "tarnevo-cli polymer --ru C2H4O --ci Na --mz-range 50-400", PolymerOptionRules, RunPolymerCommand},
        {"isotopes", "the isotopes of a natural element", kIsotopesUsage, "tarnevo-cli isotopes Cl",
         IsotopesOptionRules, RunIsotopesCommand},
        {"label", "the isotope cluster of an ion with enriched atoms", kLabelUsage,
         "tarnevo-cli label C6H6 --enrich C:2:0.99 --json", LabelOptionRules, RunLabelCommand},
        {"enrich", "the enrichment of one element fitted to a measured spectrum", kEnrichUsage,
         "tarnevo-cli enrich C6H6 --element C --atoms 2 --first-mz 78.0464 --intensities 1.2,22,100,4.4",
         EnrichOptionRules, RunEnrichCommand},
        {"loss-of-h", "a measured pattern freed of the ions that lost one to four H", kLossOfHUsage,
         "tarnevo-cli loss-of-h C6H6 --first-mz 77.05 --intensities 100,50,3", LossOfHOptionRules,
         RunLossOfHCommand},
        {"formulas", "the elemental formulae whose m/z lies within a tolerance of a measured m/z",
         kFormulasUsage, "tarnevo-cli formulas 200 --tol 0.05 --element C --element H:0:200 --json",
         FormulasOptionRules, RunFormulasCommand},
    };
    return kSubcommands;
}

// Every subcommand that prints its results as JSON prints the result table as
// CSV too, through the same output step (RunCalculation).
OptionRules WithTableOption(OptionRules rules) {
    if (rules.flags.count("json") != 0) rules.flags.insert("csv");
    return rules;
}

const Subcommand* FindSubcommand(const std::string& name) {
    for (const Subcommand& subcommand : Subcommands()) {
        if (name == subcommand.name) return &subcommand;
    }
    return nullptr;
}

// The desktop program's menu item of the calculation a command runs: "Isotope
// Cluster Pattern" for cluster.
std::string MenuTitleOf(std::string_view command) {
    for (const calc::CalculationDescriptor& calculation : calc::Calculations()) {
        std::istringstream names{std::string(calculation.cliCommands)};
        for (std::string name; names >> name;) {
            if (name != command) continue;
            std::string title;
            for (char c : calculation.menuText) {
                if (c != '&') title += c;
            }
            while (!title.empty() && title.back() == ' ') title.pop_back();
            return title;
        }
    }
    return {};
}

void ListSubcommands(std::ostream& out) {
    out << "usage: tarnevo-cli COMMAND ... (tarnevo-cli COMMAND --help for its options)\n\ncommands:\n";
    for (const Subcommand& subcommand : Subcommands()) {
        out << "  " << subcommand.name << std::string(11 - std::string_view(subcommand.name).size(), ' ')
            << subcommand.summary;
        if (const std::string title = MenuTitleOf(subcommand.name); !title.empty()) {
            out << " (Calculations > " << title << ")";
        }
        out << '\n';
    }
    out << "\nExit status: 0 results printed, 2 the calculation refused its input (the message is on\n"
           "standard error), 64 bad usage, 74 output or report not written or batch input not read.\n";
}

void SubcommandHelp(const Subcommand& subcommand, std::ostream& out) {
    std::string summary = subcommand.summary;
    summary.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(summary.front())));
    out << subcommand.usage << "\n\n" << summary << ".\nexample: " << subcommand.example << '\n';
}

// The usage lines of every command, one after another.
std::string AllUsages() {
    std::string usages;
    for (const Subcommand& subcommand : Subcommands()) {
        if (!usages.empty()) usages += '\n';
        usages += subcommand.usage;
    }
    return usages;
}

int Usage(std::ostream& errors, const std::string& problem) {
    errors << "tarnevo-cli: " << problem << '\n' << AllUsages() << '\n';
    return kExitUsage;
}

// The usage lines a usage error of this command line ends with.
std::string UsageAfterProblem(const std::vector<std::string>& arguments) {
    const Subcommand* subcommand = arguments.empty() ? nullptr : FindSubcommand(arguments[0]);
    return subcommand != nullptr ? std::string(subcommand->usage) : AllUsages();
}

bool AsksForHelp(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word == "--help" || word == "-h") return true;
    }
    return false;
}

int RunSubcommand(const Subcommand& subcommand, const std::vector<std::string>& rest, std::ostream& out,
                  std::ostream& errors) {
    if (AsksForHelp(rest)) {
        SubcommandHelp(subcommand, out);
        return kExitOk;
    }
    const ArgumentParse parse = ParseArguments(rest, WithTableOption(subcommand.rules()));
    std::string problem = parse.error;
    if (problem.empty() && parse.arguments.Has("json") && parse.arguments.Has("csv")) {
        problem = "give at most one of --json and --csv";
    }
    if (!problem.empty()) {
        errors << "tarnevo-cli " << subcommand.name << ": " << problem << '\n' << subcommand.usage << '\n';
        return kExitUsage;
    }
    return subcommand.run(parse.arguments, out, errors);
}

int Dispatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors) {
    if (arguments.empty()) return Usage(errors, "no command given");
    const std::string& first = arguments[0];
    if (first == "--version") {
        out << "tarnevo-cli " << TARNEVO_VERSION << '\n';
        return kExitOk;
    }
    if (first == "--help" || first == "-h" || first == "help") {
        const Subcommand* topic = arguments.size() > 1 ? FindSubcommand(arguments[1]) : nullptr;
        if (topic != nullptr) {
            SubcommandHelp(*topic, out);
        } else {
            ListSubcommands(out);
        }
        return kExitOk;
    }
    if (const Subcommand* subcommand = FindSubcommand(first)) {
        return RunSubcommand(*subcommand, {arguments.begin() + 1, arguments.end()}, out, errors);
    }
    return Usage(errors, "unknown command " + Echoed(first));
}

}  // namespace

bool AsksForJson(const std::vector<std::string>& arguments) {
    for (const std::string& word : arguments) {
        if (word == "--json") return true;
    }
    return false;
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors) {
    if (!AsksForJson(arguments)) return Dispatch(arguments, out, errors);
    // With --json a failure is JSON on standard error too, so that a script reads
    // both outcomes the same way: {"error": "...", "exitCode": 2}.
    std::ostringstream messages;
    const int status = Dispatch(arguments, out, messages);
    if (status == kExitOk) {
        errors << messages.str();
        return status;
    }
    errors << '{' << JsonErrorFields(FailureMessage(messages.str(), UsageAfterProblem(arguments)), status)
           << "}\n";
    return status;
}

}  // namespace tarnevo::cli
