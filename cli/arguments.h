// A small parser for "tarnevo-cli COMMAND POSITIONAL... [--option VALUE | --option=VALUE | --flag]".
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarnevo::cli {

struct OptionRules {
    std::set<std::string> valueOptions;  // take a value; may repeat
    std::set<std::string> flags;         // take none
    std::size_t positionalCount = 0;
    // An option that replaces the positional arguments (cluster --batch FILE).
    std::string insteadOfPositionals = {};
};

struct Arguments {
    std::vector<std::string> positional;
    std::multimap<std::string, std::string> values;
    std::set<std::string> flags;

    std::optional<std::string> Value(const std::string& name) const;  // the last one given
    std::vector<std::string> AllValues(const std::string& name) const;
    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
};

// The parsed arguments, or the reason they are not usable.
struct ArgumentParse {
    Arguments arguments;
    std::string error;  // empty when parsed
};

ArgumentParse ParseArguments(const std::vector<std::string>& words, const OptionRules& rules);

// The parts of an option value between separators: "C:0:30" at ':' gives C, 0
// and 30; an empty text gives one empty part.
std::vector<std::string> Split(const std::string& text, char separator);

}  // namespace tarnevo::cli
