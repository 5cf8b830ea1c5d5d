#include "cli/user_element_args.h"

#include <algorithm>
#include <sstream>

#include "calc/user_element_input.h"
#include "cli/arguments.h"
#include "core/formula_parser.h"

namespace tarnevo::cli {

namespace {

// The dialog entries of one definition, or the usage error.
std::string EntriesOf(const std::string& definition, std::string& symbol, FieldEntries& entries) {
    const std::size_t equals = definition.find('=');
    if (equals == std::string::npos) return "--define needs SYMBOL=MASS, e.g. Jx=10.0129:1=0.8";
    symbol = definition.substr(0, equals);
    const int index = core::LookupSymbolText(symbol, core::kUserElementCount);
    if (index < core::kFirstUserElement)
        return "--define takes Jx, Jy, Jz, Qx, Qy or Qz, not " + Echoed(symbol);
    const std::string rest = definition.substr(equals + 1);
    const std::size_t colon = rest.find(':');
    entries.emplace_back("mass", rest.substr(0, colon));
    if (colon == std::string::npos) return {};
    const std::vector<std::string> isotopes = Split(rest.substr(colon + 1), ',');
    if (isotopes.size() > static_cast<std::size_t>(calc::UserElementInput::kRows)) {
        return "--define takes at most 9 heavy isotopes per element";
    }
    for (std::size_t row = 0; row < isotopes.size(); ++row) {
        const std::size_t at = isotopes[row].find('=');
        if (at == std::string::npos) return "--define heavy isotopes are written DELTA=FA, e.g. 2=0.2424";
        const std::string number = std::to_string(row + 1);
        entries.emplace_back("delta" + number, isotopes[row].substr(0, at));
        entries.emplace_back("fa" + number, isotopes[row].substr(at + 1));
    }
    return {};
}

}  // namespace

std::string PrepareUserElementAnswers(CliPort& port, const std::vector<std::string>& definitions,
                                      DefinitionUse use) {
    std::vector<std::string> defined;
    for (const std::string& definition : definitions) {
        std::string symbol;
        FieldEntries entries;
        if (std::string error = EntriesOf(definition, symbol, entries); !error.empty()) return error;
        if (std::find(defined.begin(), defined.end(), symbol) != defined.end()) {
            return "--define " + symbol + " is given twice; give each user-defined element once";
        }
        defined.push_back(symbol);
        const DialogKey dialog =
            DialogOf<calc::UserElementInput>(core::LookupSymbolText(symbol, core::kUserElementCount));
        port.Answer(dialog, std::move(entries));
        if (use == DefinitionUse::Required) {
            port.ExpectAsked(dialog, "--define " + symbol + ": the formula does not contain " + symbol +
                                         "; define only the user-defined elements it holds");
        }
        for (const char* key : {"mass", "valence"}) port.NameOption(key, "--define " + symbol);
        for (int row = 1; row <= calc::UserElementInput::kRows; ++row) {
            port.NameOption("delta" + std::to_string(row), "--define " + symbol);
            port.NameOption("fa" + std::to_string(row), "--define " + symbol);
        }
    }
    port.WhenUnanswered<calc::UserElementInput>([](const port::InputRecord& record) {
        const std::string symbol(core::SymbolOf(record.Subject()));
        return "The formula contains the user-defined element " + symbol +
               ": give its isotopes with --define " + symbol + "=MASS[:DELTA=FA,...].";
    });
    return {};
}

std::string CheckUserElementDefinitions(const std::vector<std::string>& definitions) {
    std::ostringstream refusal;
    CliPort port(refusal);
    if (std::string error = PrepareUserElementAnswers(port, definitions, DefinitionUse::Optional);
        !error.empty()) {
        return error;
    }
    for (const std::string& definition : definitions) {
        const std::string symbol = definition.substr(0, definition.find('='));
        calc::UserElementInput dialog(core::LookupSymbolText(symbol, core::kUserElementCount));
        if (port.RunDialog(dialog) != port::DialogAnswer::Ok) {
            std::string message = refusal.str();
            while (!message.empty() && message.back() == '\n') message.pop_back();
            return message;
        }
    }
    return {};
}

}  // namespace tarnevo::cli
