#include "cli/formulas_cli.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/molecular_formulae_command.h"
#include "calc/molecular_formulae_input.h"
#include "calc/user_element_input.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "core/element_table.h"
#include "core/usual_valence.h"
#include "results/csv_table.h"
#include "results/page_layout.h"
#include "results/result_values.h"

namespace tarnevo::cli {

namespace {

using calc::FormulaElementInput;
using calc::FormulaElementsInput;
using calc::MolFormInput;

std::string Key(const dialogs::FieldSpec& rule) { return std::string(rule.key); }

// --element SYM[:MIN[:MAX]] in row order; MIN and MAX default to 0, a MAX of 0
// asking for the default maximum as in the dialog.
std::string PrepareElementRows(const std::vector<std::string>& elements, CliPort& port) {
    if (elements.size() > static_cast<std::size_t>(FormulaElementsInput::kRows)) {
        return "at most eight --element options";
    }
    FieldEntries rows;
    for (std::size_t k = 0; k < elements.size(); ++k) {
        const std::vector<std::string> parts = Split(elements[k], ':');
        if (parts.size() > 3 || parts[0].empty())
            return "an element is written SYM[:MIN[:MAX]], e.g. --element C:0:30";
        const std::string row = std::to_string(k + 1);
        rows.emplace_back("symbol" + row, parts[0]);
        rows.emplace_back("min" + row, parts.size() > 1 ? parts[1] : "0");
        rows.emplace_back("max" + row, parts.size() > 2 ? parts[2] : "0");
    }
    port.Answer(DialogOf<FormulaElementsInput>(), std::move(rows));
    return {};
}

std::string PrepareJx(const std::optional<std::string>& jx, CliPort& port) {
    if (!jx) {
        port.WhenUnanswered<FormulaElementInput>([](const dialogs::InputRecord&) {
            return std::string("Jx is one of the elements: give its exact mass with --jx MASS[:VALENCE].");
        });
        return {};
    }
    const std::vector<std::string> parts = Split(*jx, ':');
    if (parts.size() > 2 || parts[0].empty())
        return "Jx is written --jx MASS[:VALENCE], e.g. --jx 2.014102:1";
    FieldEntries entries = {{Key(FormulaElementInput::kMass), parts[0]}};
    if (parts.size() == 2) entries.emplace_back(Key(FormulaElementInput::kValence), parts[1]);
    port.Answer(DialogOf<FormulaElementInput>(), std::move(entries));
    port.ExpectAsked(DialogOf<FormulaElementInput>(), "--jx is given, but Jx is not one of the elements.");
    return {};
}

// The option each dialog field comes from, for the messages about bad values.
void NameOptions(CliPort& port) {
    port.NameOption(Key(MolFormInput::kTarget), "MZ");
    port.NameOption(Key(MolFormInput::kDifference), "--tol");
    port.NameOption(Key(MolFormInput::kCharge), "--charge");
    for (int row = 1; row <= FormulaElementsInput::kRows; ++row) {
        for (const char* part : {"symbol", "min", "max"})
            port.NameOption(part + std::to_string(row), "--element");
    }
    port.NameOption(Key(FormulaElementInput::kMass), "--jx");
    port.NameOption(Key(FormulaElementInput::kValence), "--jx");
}

// Fills the answers of the three dialogs; the usage error, or empty.
std::string PrepareAnswers(const Arguments& arguments, CliPort& port) {
    NameOptions(port);
    FieldEntries ionic = {{Key(MolFormInput::kTarget), arguments.positional[0]},
                          {Key(MolFormInput::kReminder), "0"}};
    if (auto tolerance = arguments.Value("tol"))
        ionic.emplace_back(Key(MolFormInput::kDifference), *tolerance);
    if (auto charge = arguments.Value("charge")) ionic.emplace_back(Key(MolFormInput::kCharge), *charge);
    port.Answer(DialogOf<MolFormInput>(), std::move(ionic));
    if (std::string error = PrepareElementRows(arguments.AllValues("element"), port); !error.empty())
        return error;
    return PrepareJx(arguments.Value("jx"), port);
}

// The stored formulae (sorted, at most 200) as search results.
std::vector<core::FoundFormula> StoredFormulae(const results::CalculationState& state) {
    std::vector<core::FoundFormula> formulae(static_cast<std::size_t>(state.formulae.formulaCount));
    for (std::size_t i = 0; i < formulae.size(); ++i) {
        for (std::size_t k = 0; k < static_cast<std::size_t>(state.formulae.elementCount); ++k) {
            formulae[i].counts[k] = state.formulae.formulaAtoms[i][k];
        }
        formulae[i].mz = state.formulae.formulaMz[i];
        formulae[i].electronClass = static_cast<int>(state.formulae.formulaElectrons[i]);
    }
    return formulae;
}

// One formula in a copy of the stored state, so that texts come from the same
// rules as the result page.
class FormulaTexts {
public:
    explicit FormulaTexts(const results::CalculationState& state)
        : scratch_(std::make_unique<results::CalculationState>(state)) {}

    void Put(int slot, const core::FoundFormula& formula) {
        const auto at = static_cast<std::size_t>(slot);
        scratch_->formulae.formulaAtoms[at] = formula.counts;
        scratch_->formulae.formulaMz[at] = formula.mz;
        scratch_->formulae.formulaElectrons[at] = static_cast<results::ElectronClass>(formula.electronClass);
    }

    // "C6H127": the page's formula without its electron-class prefix.
    std::string Formula(const core::FoundFormula& formula) {
        Put(0, formula);
        return results::detail::MatchedFormula(*scratch_, 0).substr(3);
    }

    // The result page with every formula: its head, then the lines of the
    // formulae drawn in groups small enough that no storage-full note appears.
    void PrintPage(const std::vector<core::FoundFormula>& formulae, std::ostream& out) {
        constexpr std::size_t kGroup = results::kMaxFormulae - 1;
        for (std::size_t first = 0; first < formulae.size() || first == 0; first += kGroup) {
            const std::size_t count = std::min(kGroup, formulae.size() - first);
            scratch_->formulae.formulaCount = static_cast<int>(count);
            for (std::size_t i = 0; i < count; ++i) Put(static_cast<int>(i), formulae[first + i]);
            const std::vector<std::string> lines = results::LayoutResultLines(*scratch_);
            const std::size_t body = lines.size() - count;
            for (std::size_t line = first == 0 ? 0 : body; line < lines.size(); ++line)
                out << lines[line] << '\n';
            if (formulae.empty()) break;
        }
    }

private:
    std::unique_ptr<results::CalculationState> scratch_;
};

void PrintJson(const results::CalculationState& state, const calc::FormulaSearchRun& run,
               const std::vector<core::FoundFormula>& formulae, bool storageFull, std::ostream& out) {
    FormulaTexts texts(state);
    out << "{\"target\": " << JsonNumber(run.query.target)
        << ", \"tolerance\": " << JsonNumber(run.query.tolerance) << ", \"charge\": " << run.query.charge
        << ", \"elements\": [";
    for (std::size_t k = 0; k < run.query.elements.size(); ++k) {
        out << (k == 0 ? "" : ", ")
            << "{\"symbol\": " << JsonString(std::string(core::SymbolOf(run.elementIndex[k])))
            << ", \"min\": " << run.query.elements[k].minimum
            << ", \"max\": " << run.query.elements[k].maximum << "}";
    }
    out << "], \"formulaCount\": " << formulae.size()
        << ", \"storageFull\": " << (storageFull ? "true" : "false") << ", \"formulae\": [";
    const int elements = static_cast<int>(run.query.elements.size());
    for (std::size_t i = 0; i < formulae.size(); ++i) {
        const core::FoundFormula& formula = formulae[i];
        out << (i == 0 ? "" : ", ") << "{\"formula\": " << JsonString(texts.Formula(formula))
            << ", \"counts\": [";
        for (int k = 0; k < elements; ++k)
            out << (k == 0 ? "" : ", ") << formula.counts[static_cast<std::size_t>(k)];
        const std::optional<double> dbe =
            core::RingsPlusDoubleBonds(run.elementIndex.data(), formula.counts, elements);
        out << "], \"mz\": " << JsonNumber(formula.mz)
            << ", \"errorPpm\": " << JsonNumber((formula.mz - run.query.target) / run.query.target * 1.0e6)
            << ", \"electronClass\": " << formula.electronClass
            << ", \"dbe\": " << (dbe ? JsonNumber(*dbe) : "null") << "}";
    }
    out << "]}\n";
}

}  // namespace

OptionRules FormulasOptionRules() {
    return {{"tol", "charge", "element", "jx", "report"}, {"all", "json"}, 1};
}

int RunFormulasCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    CliPort port(errors);
    if (std::string error = PrepareAnswers(arguments, port); !error.empty()) {
        errors << "tarnevo-cli formulas: " << error << '\n' << kFormulasUsage << '\n';
        return kExitUsage;
    }

    auto program = std::make_unique<core::ProgramContext>();
    results::ViewState view;
    results::Document document;
    calc::CommandContext context{*program, view, document, port};
    const std::optional<calc::FormulaSearchRun> run = calc::RunMolecularFormulaeSearch(context);
    if (const int status = CalculationStatus(port, document, errors); status != kExitOk) return status;
    if (!run) return kExitRefused;

    const results::CalculationState& state = document.state;
    const bool all = arguments.Has("all");
    std::vector<core::FoundFormula> formulae;
    if (all) {
        formulae = core::SearchFormulae(run->query, core::kUncapped);
        core::SortByMz(formulae);
    } else {
        formulae = StoredFormulae(state);
    }
    if (arguments.Has("json")) {
        PrintJson(state, *run, formulae, !all && state.formulae.formulaCount == results::kMaxFormulae, out);
    } else if (arguments.Has("csv")) {
        if (all) {
            errors << "tarnevo-cli formulas: --csv gives the stored table of at most 200 formulae; with "
                      "--all use "
                      "--json\n";
            return kExitUsage;
        }
        out << results::ComposeCsv(state);
    } else if (all) {
        FormulaTexts(state).PrintPage(formulae, out);
    } else {
        PrintResultPage(document, out);
    }
    return WriteReportIfAsked(document, arguments.Value("report"), errors);
}

}  // namespace tarnevo::cli
