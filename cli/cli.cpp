#include "cli/cli.h"

#include <functional>

#include "cli/arguments.h"
#include "cli/cluster_cli.h"
#include "cli/formulas_cli.h"
#include "cli/isotopes_cli.h"
#include "cli/polymer_cli.h"

namespace tarnevo::cli {

namespace {

struct Subcommand {
    const char* name;
    const char* usage;
    std::function<OptionRules()> rules;
    std::function<int(const Arguments&, std::ostream&, std::ostream&)> run;
};

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> kSubcommands = {
        {"cluster", kClusterUsage, ClusterOptionRules, RunClusterCommand},
        {"polymer", kPolymerUsage, PolymerOptionRules, RunPolymerCommand},
        {"isotopes", kIsotopesUsage, IsotopesOptionRules, RunIsotopesCommand},
        {"formulas", kFormulasUsage, FormulasOptionRules, RunFormulasCommand},
    };
    return kSubcommands;
}

int Usage(std::ostream& errors, const std::string& problem) {
    if (!problem.empty()) errors << "tarnevo-cli: " << problem << '\n';
    for (const Subcommand& subcommand : Subcommands()) errors << subcommand.usage << '\n';
    return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors) {
    if (arguments.empty()) return Usage(errors, "no command given");
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        Usage(out, {});
        return kExitOk;
    }
    for (const Subcommand& subcommand : Subcommands()) {
        if (arguments[0] != subcommand.name) continue;
        const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
        const ArgumentParse parse = ParseArguments(rest, subcommand.rules());
        if (!parse.error.empty()) {
            errors << "tarnevo-cli " << subcommand.name << ": " << parse.error << '\n' << subcommand.usage << '\n';
            return kExitUsage;
        }
        return subcommand.run(parse.arguments, out, errors);
    }
    return Usage(errors, "unknown command " + arguments[0]);
}

}  // namespace tarnevo::cli
