#include "cli/formula_printing.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_output.h"
#include "cli/formula_text_buffer.h"
#include "core/element_table.h"
#include "core/usual_valence.h"
#include "output/csv_table.h"
#include "output/page_layout.h"
#include "output/result_values.h"

namespace tarnevo::cli {

namespace {

// The search's query as the JSON object's opening members, up to the list of
// formulae.
void PrintQueryJson(const calc::FormulaSearchRun& run, std::size_t formulaCount, StorageFull storageFull,
                    FormulaTextBuffer& text) {
    text.Text("{\"target\": ")
        .Text(JsonNumber(run.query.target))
        .Text(", \"tolerance\": ")
        .Text(JsonNumber(run.query.tolerance))
        .Text(", \"charge\": ")
        .Integer(run.query.charge)
        .Text(", \"elements\": [");
    for (std::size_t k = 0; k < run.query.elements.size(); ++k) {
        text.Text(k == 0 ? "" : ", ")
            .Text("{\"symbol\": ")
            .Text(JsonString(std::string(core::SymbolOf(run.elementIndex[k]))))
            .Text(", \"min\": ")
            .Integer(run.query.elements[k].minimum)
            .Text(", \"max\": ")
            .Integer(run.query.elements[k].maximum)
            .Text("}");
    }
    text.Text("], \"formulaCount\": ")
        .Integer(static_cast<long long>(formulaCount))
        .Text(", \"storageFull\": ")
        .Text(storageFull == StorageFull::Yes ? "true" : "false")
        .Text(", \"formulae\": [");
}

// The stored element symbols as they stand inside a JSON string. Escaping
// works character by character, so a formula text composed of escaped symbols
// is the escaped formula text.
output::FormulaMatches EscapedSymbols(const output::FormulaMatches& formulae) {
    output::FormulaMatches escaped;
    escaped.elementCount = formulae.elementCount;
    for (std::size_t k = 0; k < formulae.elementSymbols.size(); ++k) {
        const std::string quoted = JsonString(formulae.elementSymbols[k]);
        escaped.elementSymbols[k] = quoted.substr(1, quoted.size() - 2);
    }
    return escaped;
}

}  // namespace

void PrintFormulaJson(const calc::FormulaSearchRun& run, const output::CalculationState& state,
                      const FormulaListing& listing, StorageFull storageFull, std::ostream& out) {
    FormulaTextBuffer text(out);
    PrintQueryJson(run, listing.Size(), storageFull, text);
    const int elements = std::min(listing.ElementCount(), static_cast<int>(run.elementIndex.size()));
    const auto symbols = std::make_unique<output::FormulaMatches>(EscapedSymbols(state.formulae));
    const core::RowValences valences = core::UsualValences(run.elementIndex.data(), elements);
    std::string formulaText;
    for (std::size_t i = 0; i < listing.Size(); ++i) {
        const core::FoundFormula formula = listing.At(i);
        formulaText.clear();
        output::detail::AppendFormulaText(formulaText, *symbols, formula.counts);
        text.Text(i == 0 ? "{\"formula\": \"" : ", {\"formula\": \"")
            .Text(formulaText)
            .Text("\", \"counts\": [");
        for (int k = 0; k < elements; ++k) {
            text.Text(k == 0 ? "" : ", ").Integer(formula.counts[static_cast<std::size_t>(k)]);
        }
        text.Text("], \"mz\": ")
            .JsonNumber(formula.mz)
            .Text(", \"errorPpm\": ")
            .JsonNumber(output::ErrorPpm(formula.mz, run.query.target))
            .Text(", \"electronClass\": ")
            .Integer(formula.electronClass)
            .Text(", \"dbe\": ");
        if (const std::optional<double> dbe =
                core::RingsPlusDoubleBonds(valences, formula.counts, elements)) {
            text.JsonNumber(*dbe);
        } else {
            text.Text("null");
        }
        text.Text("}");
    }
    text.Text("]}\n");
}

void PrintFormulaCsv(const output::CalculationState& state, const FormulaListing& listing,
                     std::ostream& out) {
    FormulaTextBuffer text(out);
    text.Text(output::FormulaCsvRows::kHeader);
    output::FormulaCsvRows rows(state);
    std::string row;
    for (std::size_t i = 0; i < listing.Size(); ++i) {
        const core::FoundFormula formula = listing.At(i);
        row.clear();
        rows.Append(row, formula.counts, formula.mz,
                    static_cast<output::ElectronClass>(formula.electronClass));
        text.Text(row);
    }
}

void PrintFormulaPage(const output::CalculationState& state, const FormulaListing& listing,
                      std::ostream& out) {
    FormulaTextBuffer text(out);
    // The page is laid out by its own rules in groups of formulae, each group
    // small enough that the page adds no storage-full note; the head is
    // printed with the first group only.
    constexpr std::size_t kGroup = output::kMaxFormulae - 1;
    const auto group = std::make_unique<output::CalculationState>(state);
    std::size_t first = 0;
    do {
        const std::size_t count = std::min(kGroup, listing.Size() - first);
        group->formulae.formulaCount = static_cast<int>(count);
        for (std::size_t i = 0; i < count; ++i) {
            const core::FoundFormula formula = listing.At(first + i);
            group->formulae.formulaAtoms[i] = formula.counts;
            group->formulae.formulaMz[i] = formula.mz;
            group->formulae.formulaElectrons[i] = static_cast<output::ElectronClass>(formula.electronClass);
        }
        const std::vector<std::string> lines = output::LayoutResultLines(*group);
        for (std::size_t line = first == 0 ? 0 : lines.size() - count; line < lines.size(); ++line) {
            text.Text(lines[line]).Text("\n");
        }
        first += count;
    } while (first < listing.Size());
}

}  // namespace tarnevo::cli
