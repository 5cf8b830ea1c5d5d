// The words a tarnevo-cli command takes after its name, as plain data: the
// calculation catalog holds them beside the menu item, and the command line's
// parser (cli/arguments.h) reads the words a user typed against them.
#pragma once

#include <cstddef>
#include <set>
#include <string>

namespace tarnevo::calc {

struct OptionRules {
    std::set<std::string> valueOptions;  // take a value; may repeat
    std::set<std::string> flags;         // take none
    std::size_t positionalCount = 0;
    // An option that replaces the positional arguments (cluster --batch FILE).
    std::string insteadOfPositionals = {};
};

}  // namespace tarnevo::calc
