// Pins the calculation catalog as the one description of every calculation and
// of each tarnevo-cli command: that each described command runs (it has an
// adapter, its example succeeds, its --help explains it) and that nothing runs
// undescribed, and that the usage lines a user reads agree with the options
// the parser takes. The evidence is cross-checks between the catalog's fields
// and the running tool, so a new entry that is incomplete or contradicts
// itself fails here, whatever its texts say.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "calc/calculation_catalog.h"
#include "cli/cli.h"
#include "cli/command_adapters.h"
#include "tests/support/cli_run.h"

namespace tarnevo::calc {

// Names a command by its name in test output.
void PrintTo(const CommandLineEntry& entry, std::ostream* out) { *out << entry.command->name; }

}  // namespace tarnevo::calc

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::RunTool;

// The words of a command line as the shell would pass them.
std::vector<std::string> Words(std::string_view text) {
    std::istringstream split{std::string(text)};
    std::vector<std::string> words;
    for (std::string word; split >> word;) words.push_back(word);
    return words;
}

// How the usage lines show each option: "--charge Z" takes a value, "[--json |"
// and "[--all]" take none. An option shown both ways is noted as both.
struct UsageOptions {
    std::set<std::string> withValue;
    std::set<std::string> withoutValue;
};

UsageOptions OptionsShownIn(std::string_view usage) {
    UsageOptions shown;
    for (std::size_t at = usage.find("--"); at != std::string_view::npos; at = usage.find("--", at)) {
        std::size_t end = at + 2;
        while (end < usage.size() &&
               (std::islower(static_cast<unsigned char>(usage[end])) != 0 || usage[end] == '-')) {
            ++end;
        }
        const std::string name(usage.substr(at + 2, end - at - 2));
        // A value follows as its own word: a metavariable ("Z", "FILE|-"), a
        // number ("1|2") or "..." for a value already explained.
        const bool valueFollows = end + 1 < usage.size() && usage[end] == ' ' &&
                                  std::string_view("[(|-").find(usage[end + 1]) == std::string_view::npos;
        (valueFollows ? shown.withValue : shown.withoutValue).insert(name);
        at = end;
    }
    return shown;
}

// The arguments the first usage line names before any option: "FORMULA" in
// "usage: tarnevo-cli cluster FORMULA [--charge Z] ...".
std::size_t PositionalsShownIn(const calc::CommandLineCommand& command) {
    const std::string firstLine(command.usage.substr(0, command.usage.find('\n')));
    const std::vector<std::string> words = Words(firstLine);
    std::size_t count = 0;
    for (std::size_t i = 3; i < words.size() && std::isupper(static_cast<unsigned char>(words[i][0])) != 0;
         ++i) {
        ++count;
    }
    return count;
}

class CatalogCommand : public ::testing::TestWithParam<calc::CommandLineEntry> {
protected:
    const calc::CommandLineCommand& Command() const { return *GetParam().command; }
};

TEST_P(CatalogCommand, HasAnAdapterAndExplainsItself) {
    const std::string name(Command().name);
    EXPECT_NE(FindCommandAdapter(name), nullptr) << name;
    EXPECT_EQ(UsageOf(name), Command().usage);
    EXPECT_EQ(Command().usage.rfind("usage: tarnevo-cli " + name + " ", 0), 0u);
    for (const std::vector<std::string>& asked :
         {std::vector<std::string>{name, "--help"}, std::vector<std::string>{"help", name}}) {
        const CliRun help = RunTool(asked);
        EXPECT_EQ(help.status, kExitOk);
        EXPECT_EQ(help.out.rfind(std::string(Command().usage) + "\n\n", 0), 0u) << help.out;
        EXPECT_NE(help.out.find("example: " + std::string(Command().example) + "\n"), std::string::npos);
    }
    const CliRun list = RunTool({"help"});
    EXPECT_NE(list.out.find("\n  " + name + " "), std::string::npos) << list.out;
}

// The example --help shows is a command line that runs as it stands.
TEST_P(CatalogCommand, ItsExampleRuns) {
    std::vector<std::string> words = Words(Command().example);
    ASSERT_GE(words.size(), 2u);
    ASSERT_EQ(words[0], "tarnevo-cli");
    ASSERT_EQ(words[1], Command().name);
    words.erase(words.begin());
    const CliRun run = RunTool(words);
    EXPECT_EQ(run.status, kExitOk) << run.errors;
    EXPECT_FALSE(run.out.empty());
}

// Every option the usage lines show is one the parser takes, with a value
// exactly where the parser expects one, and every option taken is shown; so is
// --csv, which comes with --json.
TEST_P(CatalogCommand, ItsUsageShowsTheOptionsItTakes) {
    const calc::OptionRules& rules = Command().options;
    const UsageOptions shown = OptionsShownIn(Command().usage);
    EXPECT_EQ(shown.withValue, rules.valueOptions);
    std::set<std::string> flags = rules.flags;
    if (flags.count("json") != 0) flags.insert("csv");
    EXPECT_EQ(shown.withoutValue, flags);
    EXPECT_EQ(PositionalsShownIn(Command()), rules.positionalCount);
    if (!rules.insteadOfPositionals.empty()) {
        EXPECT_EQ(rules.valueOptions.count(rules.insteadOfPositionals), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CatalogCommand, ::testing::ValuesIn(calc::CommandLineCommands()),
                         [](const ::testing::TestParamInfo<calc::CommandLineEntry>& entry) {
                             std::string name;
                             for (char c : entry.param.command->name) name += c == '-' ? '_' : c;
                             return name;
                         });

// The adapter registry and the catalog name the same commands, each once: an
// adapter without a description could not be reached, a description without an
// adapter would be listed by help and refused when typed.
TEST(CommandCatalog, TheAdaptersAndTheCatalogNameTheSameCommands) {
    std::multiset<std::string> described;
    for (const calc::CommandLineEntry& entry : calc::CommandLineCommands()) {
        described.insert(std::string(entry.command->name));
        const std::optional<calc::CommandLineEntry> found = calc::FindCommandLineCommand(entry.command->name);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->command, entry.command);
    }
    std::multiset<std::string> adapted;
    for (const NamedCommandAdapter& adapter : CommandAdapters()) adapted.insert(std::string(adapter.command));
    EXPECT_EQ(adapted, described);
    EXPECT_EQ(std::set<std::string>(described.begin(), described.end()).size(), described.size());
    EXPECT_FALSE(calc::FindCommandLineCommand("polish").has_value());
    EXPECT_EQ(FindCommandAdapter("polish"), nullptr);
    EXPECT_TRUE(UsageOf("polish").empty());
}

// Each calculation has its own command, shortcut and help page, runs from the
// command line, and the results it stores lead back to it: every kind of
// result belongs to exactly one calculation, so F1 on any result page finds
// the page of the calculation that made it.
TEST(CommandCatalog, EachCalculationIsDescribedOnceAndReachable) {
    std::set<doc::Command> commands;
    std::set<char> shortcuts;
    std::map<output::CalcKind, int> storers;
    for (const calc::CalculationDescriptor& calculation : calc::Calculations()) {
        EXPECT_TRUE(commands.insert(calculation.command).second) << calculation.menuText;
        EXPECT_TRUE(shortcuts.insert(calculation.shortcutKey).second) << calculation.menuText;
        EXPECT_EQ(calc::FindCalculation(calculation.command), &calculation);
        const std::string page =
            std::string(TARNEVO_TEST_DATA_DIR) + "/../../app/help/" + std::string(calculation.helpPage);
        EXPECT_TRUE(std::ifstream(page).good()) << page;
        EXPECT_FALSE(calculation.commandLine.empty()) << calculation.menuText;
        ASSERT_FALSE(calculation.resultKinds.empty()) << calculation.menuText;
        EXPECT_EQ(calculation.resultKinds.front(), calculation.kind) << calculation.menuText;
        for (output::CalcKind kind : calculation.resultKinds) {
            ++storers[kind];
            EXPECT_EQ(calc::FindCalculationStoring(kind), &calculation) << calculation.menuText;
        }
    }
    // The kinds are numbered from IsotopeCluster (0) to IsotopicData (6).
    for (int kind = static_cast<int>(output::CalcKind::IsotopeCluster);
         kind <= static_cast<int>(output::CalcKind::IsotopicData); ++kind) {
        EXPECT_EQ(storers[static_cast<output::CalcKind>(kind)], 1) << "kind " << kind;
    }
    EXPECT_EQ(calc::FindCalculation(doc::Command::FileNew), nullptr);
}

}  // namespace
}  // namespace tarnevo::cli
