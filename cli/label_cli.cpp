#include "cli/label_cli.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/labelling_command.h"
#include "calc/labelling_input.h"
#include "cli/adduct_option.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/cluster_cli.h"
#include "core/element_table.h"
#include "core/formula_parser.h"

namespace tarnevo::cli {

namespace {

using calc::EnrichedElementInput;
using calc::EnrichmentDetailsInput;

// One --enrich SYM:ATOMS[:FA,FA,...]: the FAs are the heavy isotopes' in
// ascending mass (the details dialog's rows 2, 3, ...), as typed.
struct EnrichArgument {
    std::string symbol;
    std::string atoms;
    std::vector<std::string> heavyFA;
};

// The parsed argument, or the usage error.
std::string ParseEnrich(const std::string& text, EnrichArgument& enrich) {
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || parts[1].empty()) {
        return "--enrich is written SYM:ATOMS[:FA,FA,...], e.g. --enrich C:2:0.99";
    }
    enrich.symbol = parts[0];
    enrich.atoms = parts[1];
    if (parts.size() == 3) enrich.heavyFA = Split(parts[2], ',');
    if (enrich.heavyFA.size() > static_cast<std::size_t>(EnrichmentDetailsInput::kRows - 1)) {
        return "--enrich takes at most 9 heavy-isotope FAs per element";
    }
    // A natural element's isotopes are known before the calculation runs; any
    // other symbol is refused by the calculation itself.
    static const core::ElementTable kTable;
    const int element = core::LookupSymbolText(enrich.symbol, 0);
    if (element != core::kNoSymbol &&
        enrich.heavyFA.size() > static_cast<std::size_t>(kTable[element].heavyCount)) {
        return "--enrich " + Echoed(text) + ": " + enrich.symbol + " has " +
               std::to_string(kTable[element].heavyCount) + " heavy isotope(s), " +
               std::to_string(enrich.heavyFA.size()) + " FAs were given";
    }
    return {};
}

// Answers the two dialogs of each enriched element from its --enrich, by the
// element's number. The fields of every element share their keys, and a bad
// value must name that element's --enrich, so each answer and its option names
// are prepared just before its dialog and then checked like any other.
class LabelPort : public CliPort {
public:
    LabelPort(std::ostream& errors, std::vector<EnrichArgument> enriched)
        : CliPort(errors), enriched_(std::move(enriched)) {}

    port::DialogAnswer RunDialog(port::InputRecord& record) override {
        if (auto* identity = dynamic_cast<EnrichedElementInput*>(&record)) {
            PrepareIdentity(*identity);
        } else if (auto* details = dynamic_cast<EnrichmentDetailsInput*>(&record)) {
            PrepareDetails(*details);
        }
        return CliPort::RunDialog(record);
    }

private:
    const EnrichArgument* EnrichOf(int elementNumber) const {
        const auto index = static_cast<std::size_t>(elementNumber - 1);
        return index < enriched_.size() ? &enriched_[index] : nullptr;
    }

    void PrepareIdentity(const EnrichedElementInput& input) {
        const EnrichArgument* enrich = EnrichOf(input.ElementNumber());
        if (enrich == nullptr) return;
        Answer(DialogOf<EnrichedElementInput>(input.Subject()),
               {{"symbol", enrich->symbol}, {"atoms", enrich->atoms}});
    }

    void PrepareDetails(const EnrichmentDetailsInput& input) {
        const EnrichArgument* enrich = EnrichOf(input.ElementNumber());
        if (enrich == nullptr) return;
        FieldEntries entries;
        for (std::size_t i = 0; i < enrich->heavyFA.size(); ++i) {
            const std::string key(EnrichmentDetailsInput::EnrichedKey(static_cast<int>(i) + 2));
            NameOption(key, "--enrich " + enrich->symbol + " FA " + std::to_string(i + 1));
            entries.emplace_back(key, enrich->heavyFA[i]);
        }
        Answer(DialogOf<EnrichmentDetailsInput>(input.Subject()), std::move(entries));
    }

    std::vector<EnrichArgument> enriched_;
};

void PrintLabelJson(const calc::CommandContext& context, const AdductIon* adduct, std::ostream& out) {
    const output::CalculationState& state = context.document.state;
    out << "{";
    PrintClusterJsonFields(context, "peaks", out, adduct);
    out << ", \"enriched\": [";
    int cursor = 0;
    for (int k = 0; k < state.details.detailCount; ++k) {
        std::string symbol = state.details.detailSymbol.substr(2 * static_cast<std::size_t>(k), 2);
        if (!symbol.empty() && symbol.back() == ' ') symbol.pop_back();
        out << (k == 0 ? "" : ", ") << "{\"symbol\": " << JsonString(symbol)
            << ", \"atoms\": " << state.details.detailAtomCount[k] << ", \"isotopes\": [";
        for (int i = 0; i <= state.details.lastIsotopeIndex[k]; ++i, ++cursor) {
            out << (i == 0 ? "" : ", ") << "{\"massNumber\": " << state.details.isotopeMassNumber[cursor]
                << ", \"fa\": " << JsonNumber(state.details.isotopeFA[cursor]) << "}";
        }
        out << "]}";
    }
    out << "]}\n";
}

}  // namespace

int RunLabelCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    const std::vector<std::string> texts = arguments.AllValues("enrich");
    std::string error;
    if (texts.empty()) error = "--enrich SYM:ATOMS[:FA,...] is required";
    if (texts.size() > static_cast<std::size_t>(core::kUserElementCount))
        error = "at most six --enrich are taken";
    std::vector<EnrichArgument> enriched(texts.size());
    for (std::size_t k = 0; k < texts.size() && error.empty(); ++k)
        error = ParseEnrich(texts[k], enriched[k]);
    if (!error.empty()) {
        errors << "tarnevo-cli label: " << error << '\n' << UsageOf("label") << '\n';
        return kExitUsage;
    }

    std::optional<AdductIon> adduct;
    if (const int status = ReadAdductOption(arguments, "label", adduct, errors); status != kExitOk)
        return status;
    const AdductIon* ion = adduct ? &*adduct : nullptr;

    LabelPort port(errors, std::move(enriched));
    port.NameOption("formula", "FORMULA");
    port.NameOption("symbol", "--enrich SYM");
    port.NameOption("atoms", "--enrich ATOMS");
    port.NameOption("elements", "--enrich (count)");
    FieldEntries form = {{"formula", ion != nullptr ? ion->ionFormula : arguments.positional[0]},
                         {"type", std::to_string(calc::LabellingFormInput::kPatternFromEnrichments)},
                         {"reminder", "0"}};
    if (ion != nullptr) {
        form.emplace_back("charge", std::to_string(ion->charge));
    } else if (auto charge = arguments.Value("charge")) {
        form.emplace_back("charge", *charge);
    }
    port.Answer(DialogOf<calc::LabellingFormInput>(), std::move(form));
    FieldEntries calculation = {{"elements", std::to_string(texts.size())}};
    if (auto stop = arguments.Value("stop")) calculation.emplace_back("stop", *stop);
    port.Answer(DialogOf<calc::LabellingCalcInput>(), std::move(calculation));
    return RunCalculation(
        port, arguments, calc::RunLabellingCommand,
        [ion](const calc::CommandContext& context, std::ostream& json) {
            PrintLabelJson(context, ion, json);
        },
        out, errors);
}

}  // namespace tarnevo::cli
