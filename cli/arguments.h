// A small parser for "tarnevo-cli COMMAND POSITIONAL... [--option VALUE | --option=VALUE | --flag]".
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "calc/command_line_options.h"
#include "core/text_format.h"

namespace tarnevo::cli {

// What a command takes: the calculation catalog holds each command's rules.
using calc::OptionRules;

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

// An option's value is the word after it (or the text after '='); a next word
// that is one of the rules' own options is no value: "--report --json" is a
// usage error, not a report file named "--json". Negative numbers ("--charge
// -1") are values.
ArgumentParse ParseArguments(const std::vector<std::string>& words, const OptionRules& rules);

// The option a word names: "charge" for "--charge" and for "--charge=2"; empty
// for a word that is not an option ("-1", "C6H6").
std::string OptionName(const std::string& word);

// The parts of an option value between separators: "C:0:30" at ':' gives C, 0
// and 30; an empty text gives one empty part.
std::vector<std::string> Split(const std::string& text, char separator);

// A number written out whole ("60000", "1e5") from low to high; nothing for
// anything else ("12abc", "nan", a number out of range).
std::optional<double> NumberWithin(const std::string& text, double low, double high);

// A text the user gave, as a message repeats it (core::EchoedText).
inline std::string Echoed(std::string_view text) { return core::EchoedText(text); }

}  // namespace tarnevo::cli
