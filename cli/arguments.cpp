#include "cli/arguments.h"

#include <charconv>

namespace tarnevo::cli {

std::optional<std::string> Arguments::Value(const std::string& name) const {
    std::optional<std::string> last;
    const auto [begin, end] = values.equal_range(name);
    for (auto it = begin; it != end; ++it) last = it->second;
    return last;
}

std::vector<std::string> Arguments::AllValues(const std::string& name) const {
    std::vector<std::string> all;
    const auto [begin, end] = values.equal_range(name);
    for (auto it = begin; it != end; ++it) all.push_back(it->second);
    return all;
}

namespace {

// "--json" or "--charge=2" when json and charge are options of the command.
bool NamesAnOption(const std::string& word, const OptionRules& rules) {
    const std::string name = OptionName(word);
    return rules.valueOptions.count(name) != 0 || rules.flags.count(name) != 0;
}

// Why the word after option --name cannot be its value; empty when it can.
std::string MissingValue(const std::vector<std::string>& words, std::size_t next, const std::string& name,
                         const OptionRules& rules) {
    if (next >= words.size()) return "option --" + name + " needs a value";
    if (NamesAnOption(words[next], rules)) {
        return "option --" + name + " needs a value, not the option " + Echoed(words[next]);
    }
    return {};
}

// The positional arguments, or the option that takes their place; the problem, or empty.
std::string CheckPositionals(const Arguments& arguments, const OptionRules& rules) {
    const bool replaced =
        !rules.insteadOfPositionals.empty() && arguments.values.count(rules.insteadOfPositionals) != 0;
    if (replaced && !arguments.positional.empty()) {
        return "--" + rules.insteadOfPositionals + " takes the place of the other arguments";
    }
    if (!replaced && arguments.positional.size() != rules.positionalCount) {
        return "expected " + std::to_string(rules.positionalCount) + " argument(s)";
    }
    return {};
}

}  // namespace

ArgumentParse ParseArguments(const std::vector<std::string>& words, const OptionRules& rules) {
    ArgumentParse parse;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 3 || word.rfind("--", 0) != 0) {
            parse.arguments.positional.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (rules.flags.count(name) != 0 && !value) {
            parse.arguments.flags.insert(name);
        } else if (rules.valueOptions.count(name) != 0) {
            if (!value) {
                parse.error = MissingValue(words, i + 1, name, rules);
                if (!parse.error.empty()) return parse;
                value = words[++i];
            }
            parse.arguments.values.emplace(name, *value);
        } else {
            parse.error = "unknown option --" + Echoed(name);
            return parse;
        }
    }
    parse.error = CheckPositionals(parse.arguments, rules);
    return parse;
}

std::string OptionName(const std::string& word) {
    if (word.size() < 3 || word.rfind("--", 0) != 0) return {};
    const std::string afterDashes = word.substr(2);
    return afterDashes.substr(0, afterDashes.find('='));
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

std::optional<double> NumberWithin(const std::string& text, double low, double high) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !(value >= low && value <= high)) return std::nullopt;
    return value;
}

}  // namespace tarnevo::cli
