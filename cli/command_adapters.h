// The command-line adapters of the calculations, by the name of their
// tarnevo-cli command. What a command is (its summary, usage, example and
// options) is the calculation catalog's; this is only how each one runs, since
// the calculations below the command line cannot name its adapters.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

#include "cli/arguments.h"

namespace tarnevo::cli {

// Runs one command with its parsed arguments; returns the exit status.
using CommandAdapter = int (*)(const Arguments& arguments, std::ostream& out, std::ostream& errors);

struct NamedCommandAdapter {
    std::string_view command;  // its name in the catalog: "cluster"
    CommandAdapter run;
};

std::span<const NamedCommandAdapter> CommandAdapters();

// The adapter of a command; nullptr when it has none.
CommandAdapter FindCommandAdapter(std::string_view command);

}  // namespace tarnevo::cli
