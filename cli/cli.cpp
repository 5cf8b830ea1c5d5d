#include "cli/cli.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>

#include "calc/calculation_catalog.h"
#include "cli/arguments.h"
#include "cli/cli_output.h"
#include "cli/command_adapters.h"

namespace tarnevo::cli {

namespace {

// A command of the catalog with the adapter that runs it.
struct Subcommand {
    const calc::CommandLineCommand& description;
    CommandAdapter run;
};

// The command of this name, when the catalog describes it and an adapter runs it.
std::optional<Subcommand> FindSubcommand(std::string_view name) {
    const std::optional<calc::CommandLineEntry> entry = calc::FindCommandLineCommand(name);
    const CommandAdapter run = FindCommandAdapter(name);
    if (!entry || run == nullptr) return std::nullopt;
    return Subcommand{*entry->command, run};
}

// Every subcommand that prints its results as JSON prints the result table as
// CSV too, through the same output step (RunCalculation).
OptionRules WithTableOption(OptionRules rules) {
    if (rules.flags.count("json") != 0) rules.flags.insert("csv");
    return rules;
}

// The desktop program's menu item of a calculation: "Isotope Cluster Pattern"
// for "&Isotope Cluster Pattern ".
std::string MenuTitleOf(const calc::CalculationDescriptor& calculation) {
    std::string title;
    for (char c : calculation.menuText) {
        if (c != '&') title += c;
    }
    while (!title.empty() && title.back() == ' ') title.pop_back();
    return title;
}

// One line per command, the summaries in a column after the names; a name too
// long for the column still keeps one blank before its summary.
void ListSubcommands(std::ostream& out) {
    out << "usage: tarnevo-cli COMMAND ... (tarnevo-cli COMMAND --help for its options)\n\ncommands:\n";
    for (const calc::CommandLineEntry& entry : calc::CommandLineCommands()) {
        const std::string_view name = entry.command->name;
        out << "  " << name << std::string(11 - std::min<std::size_t>(name.size(), 10), ' ')
            << entry.command->summary << " (Calculations > " << MenuTitleOf(*entry.calculation) << ")\n";
    }
    out << "\nExit status: 0 results printed, 2 the calculation refused its input or ran out of memory\n"
           "(the message is on standard error), 64 bad usage, 74 output or report not written or batch\n"
           "input not read.\n";
}

void SubcommandHelp(const calc::CommandLineCommand& command, std::ostream& out) {
    std::string summary(command.summary);
    if (!summary.empty()) {
        summary.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(summary.front())));
    }
    out << command.usage << "\n\n" << summary << ".\nexample: " << command.example << '\n';
}

// The usage lines of every command, one after another.
std::string AllUsages() {
    std::string usages;
    for (const calc::CommandLineEntry& entry : calc::CommandLineCommands()) {
        if (!usages.empty()) usages += '\n';
        usages += entry.command->usage;
    }
    return usages;
}

int Usage(std::ostream& errors, const std::string& problem) {
    errors << "tarnevo-cli: " << problem << '\n' << AllUsages() << '\n';
    return kExitUsage;
}

// The usage lines a usage error of this command line ends with.
std::string UsageAfterProblem(const std::vector<std::string>& arguments) {
    const std::optional<Subcommand> subcommand =
        arguments.empty() ? std::nullopt : FindSubcommand(arguments[0]);
    return subcommand ? std::string(subcommand->description.usage) : AllUsages();
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
        SubcommandHelp(subcommand.description, out);
        return kExitOk;
    }
    const ArgumentParse parse = ParseArguments(rest, WithTableOption(subcommand.description.options));
    std::string problem = parse.error;
    if (problem.empty() && parse.arguments.Has("json") && parse.arguments.Has("csv")) {
        problem = "give at most one of --json and --csv";
    }
    if (!problem.empty()) {
        errors << "tarnevo-cli " << subcommand.description.name << ": " << problem << '\n'
               << subcommand.description.usage << '\n';
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
        const std::optional<Subcommand> topic =
            arguments.size() > 1 ? FindSubcommand(arguments[1]) : std::nullopt;
        if (topic) {
            SubcommandHelp(topic->description, out);
        } else {
            ListSubcommands(out);
        }
        return kExitOk;
    }
    if (const std::optional<Subcommand> subcommand = FindSubcommand(first)) {
        return RunSubcommand(*subcommand, {arguments.begin() + 1, arguments.end()}, out, errors);
    }
    return Usage(errors, "unknown command " + Echoed(first));
}

}  // namespace

std::string_view UsageOf(std::string_view command) {
    const std::optional<calc::CommandLineEntry> entry = calc::FindCommandLineCommand(command);
    return entry ? entry->command->usage : std::string_view{};
}

std::string OutOfMemoryMessage() {
    return "out of memory: the calculation needs more memory than the system could give; ask for less (a "
           "narrower range, fewer atoms) or free memory";
}

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
    // A command whose standard output failed and that said nothing more
    // leaves the one message to the program's check of its output.
    if (status == kExitOk || (messages.str().empty() && !out.good())) {
        errors << messages.str();
        return status;
    }
    errors << '{' << JsonErrorFields(FailureMessage(messages.str(), UsageAfterProblem(arguments)), status)
           << "}\n";
    return status;
}

int RunProgram(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors) {
    try {
        return RunCli(arguments, out, errors);
    } catch (const std::bad_alloc&) {
    }
    // The memory the command took is free again here.
    const std::string who = !arguments.empty() && FindSubcommand(arguments[0])
                                ? "tarnevo-cli " + arguments[0] + ": "
                                : std::string("tarnevo-cli: ");
    const std::string message = who + OutOfMemoryMessage();
    if (AsksForJson(arguments)) {
        errors << '{' << JsonErrorFields(message, kExitRefused) << "}\n";
    } else {
        errors << message << '\n';
    }
    return kExitRefused;
}

}  // namespace tarnevo::cli
