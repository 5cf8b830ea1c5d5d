// Every calculation of the Calculations menu, described once: what the menu,
// the toolbar, the status bar, the help, the results view and tarnevo-cli
// (its command list, each command's --help, its usage lines and its options)
// show of it, and the handler they run.
//
// Adding a calculation takes its own files (input records, command handler,
// result presenter, command-line adapter) and one entry here, with the CMake
// lists; besides these, its menu command id (document/command_enabling.h), its
// result kind (output/calculation_state.h) with its case in PresenterOf
// (output/presenter_of.cpp), its adapter's row in cli/command_adapters.cpp, its
// toolbar picture (app/toolbar_images.cpp), a dialog class only where the
// generic dialog of an input record will not do (app/qt_user_interface.cpp),
// and its help page with the help index. The menu, toolbar, shortcuts, prompts,
// tooltips, help lookups and the command line's listing, help, usage lines and
// dispatch need no edit.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "calc/command_context.h"
#include "calc/command_line_options.h"
#include "document/command_enabling.h"
#include "output/calculation_state.h"

namespace tarnevo::calc {

using CommandHandler = void (*)(CommandContext&);

// One command of tarnevo-cli. A calculation may have several: Isotope Labelling
// Effects is `label` (a pattern from known enrichments) and `enrich` (an
// enrichment fitted to a measured spectrum).
struct CommandLineCommand {
    std::string_view name;     // the word after tarnevo-cli: "cluster"
    std::string_view summary;  // its line in `tarnevo-cli help`, lower case and without a full stop
    std::string_view usage;    // the usage lines that --help and every usage error print
    std::string_view example;  // a whole command line that runs, shown by --help
    // The words it takes; --csv comes with --json, as every command that prints
    // JSON prints the same results as a CSV table.
    OptionRules options;
    // Its place in `tarnevo-cli help` and in the usage lines after an unknown
    // command. The command line lists its commands in the order it gained them,
    // which its readers and scripts know, not in the menu's order.
    int listedAt;
};

struct CalculationDescriptor {
    doc::Command command;
    output::CalcKind kind;  // the kind the calculation gate notes for the view
    // Every kind its stored results may carry, `kind` first: Isotope Labelling
    // Effects stores labelled atoms or, after a fit, the enrichment from a spectrum.
    std::vector<output::CalcKind> resultKinds;
    std::string_view menuText;      // "&Isotope Cluster Pattern " (a blank stands before the shortcut)
    std::string_view prompt;        // the status-bar prompt of the menu item and the button
    std::string_view toolTip;       // the toolbar button's tip
    char shortcutKey;               // Ctrl + this key
    std::string_view helpPage;      // its page in the help, e.g. "isotope_cluster.html"
    std::string_view toolbarImage;  // the name of its toolbar picture
    CommandHandler handler;
    std::vector<CommandLineCommand> commandLine;  // the tarnevo-cli commands that run it
};

// The calculations in menu and toolbar order.
std::span<const CalculationDescriptor> Calculations();

// The calculation of a command; nullptr for other commands.
const CalculationDescriptor* FindCalculation(doc::Command command);

// The calculation whose results carry this kind; nullptr for none.
const CalculationDescriptor* FindCalculationStoring(output::CalcKind kind);

// A tarnevo-cli command and the calculation it runs.
struct CommandLineEntry {
    const CommandLineCommand* command;
    const CalculationDescriptor* calculation;
};

// Every tarnevo-cli command, in the order `tarnevo-cli help` lists them.
std::vector<CommandLineEntry> CommandLineCommands();

// The tarnevo-cli command of this name, if there is one.
std::optional<CommandLineEntry> FindCommandLineCommand(std::string_view name);

}  // namespace tarnevo::calc
