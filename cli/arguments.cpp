#include "cli/arguments.h"

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
                if (i + 1 >= words.size()) {
                    parse.error = "option --" + name + " needs a value";
                    return parse;
                }
                value = words[++i];
            }
            parse.arguments.values.emplace(name, *value);
        } else {
            parse.error = "unknown option --" + name;
            return parse;
        }
    }
    const bool replaced =
        !rules.insteadOfPositionals.empty() && parse.arguments.values.count(rules.insteadOfPositionals) != 0;
    if (replaced && !parse.arguments.positional.empty()) {
        parse.error = "--" + rules.insteadOfPositionals + " takes the place of the other arguments";
    } else if (!replaced && parse.arguments.positional.size() != rules.positionalCount) {
        parse.error = "expected " + std::to_string(rules.positionalCount) + " argument(s)";
    }
    return parse;
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

}  // namespace tarnevo::cli
