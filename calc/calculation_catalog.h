// Every calculation of the Calculations menu, described once. The menu, the
// toolbar, the help pages, the results view and the command line all read this
// table; adding a calculation is one entry here and its handler.
#pragma once

#include <span>
#include <string_view>

#include "calc/command_context.h"
#include "document/command_enabling.h"
#include "output/calculation_state.h"

namespace tarnevo::calc {

using CommandHandler = void (*)(CommandContext&);

struct CalculationDescriptor {
    doc::Command command;
    output::CalcKind kind;          // the kind the calculation gate checks and the results carry
    std::string_view menuText;      // "&Isotope Cluster Pattern " (a blank stands before the shortcut)
    std::string_view prompt;        // the status-bar prompt of the menu item and the button
    std::string_view toolTip;       // the toolbar button's tip
    char shortcutKey;               // Ctrl + this key
    std::string_view helpPage;      // its page in the help, e.g. "isotope_cluster.html"
    std::string_view toolbarImage;  // the name of its toolbar picture
    CommandHandler handler;
    std::string_view cliCommands;  // the tarnevo-cli commands that run it, blank-separated
};

// The calculations in menu and toolbar order.
std::span<const CalculationDescriptor> Calculations();

// The calculation of a command; nullptr for other commands.
const CalculationDescriptor* FindCalculation(doc::Command command);

}  // namespace tarnevo::calc
