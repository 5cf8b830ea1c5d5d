#include "cli/formulas_cli.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/molecular_formulae_command.h"
#include "calc/molecular_formulae_input.h"
#include "calc/user_element_input.h"
#include "cli/adduct_option.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/formula_adduct_printing.h"
#include "cli/formula_adduct_search.h"
#include "cli/formula_listing.h"
#include "cli/formula_printing.h"
#include "cli/terminal_progress.h"
#include "core/ion_notation.h"
#include "output/csv_table.h"

namespace tarnevo::cli {

namespace {

using calc::FormulaElementInput;
using calc::FormulaElementsInput;
using calc::MolFormInput;

std::string Key(const port::FieldSpec& rule) { return std::string(rule.key); }

// The charge a formula search takes on the command line: every charge an ion
// type may state ([M+30H]30+), one limit for --charge and --adduct; the
// desktop dialog keeps its -10 to 10.
constexpr port::FieldSpec kCommandLineCharge{MolFormInput::kCharge.key, MolFormInput::kCharge.label,
                                             port::FieldType::Integer,  -core::kMaxNotationCharge,
                                             core::kMaxNotationCharge,  0};

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
        port.WhenUnanswered<FormulaElementInput>([](const port::InputRecord&) {
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
    port.Widen(kCommandLineCharge);
    for (int row = 1; row <= FormulaElementsInput::kRows; ++row) {
        for (const char* part : {"symbol", "min", "max"})
            port.NameOption(part + std::to_string(row), "--element");
    }
    port.NameOption(Key(FormulaElementInput::kMass), "--jx");
    port.NameOption(Key(FormulaElementInput::kValence), "--jx");
}

// Whether the --charge of the dialog is left to the ion types: a whole number
// beside --adduct has been found to agree with each of their charges;
// anything else is checked by the charge's own rule.
bool ChargeOfIonTypes(const Arguments& arguments, const std::string& charge) {
    return arguments.Value("adduct") && WholeNumber(charge).has_value();
}

// Fills the answers of the three dialogs; the usage error, or empty.
std::string PrepareAnswers(const Arguments& arguments, CliPort& port) {
    NameOptions(port);
    FieldEntries ionic = {{Key(MolFormInput::kTarget), arguments.positional[0]},
                          {Key(MolFormInput::kReminder), "0"}};
    if (auto tolerance = arguments.Value("tol"))
        ionic.emplace_back(Key(MolFormInput::kDifference), *tolerance);
    if (auto charge = arguments.Value("charge"); charge && !ChargeOfIonTypes(arguments, *charge))
        ionic.emplace_back(Key(MolFormInput::kCharge), *charge);
    port.Answer(DialogOf<MolFormInput>(), std::move(ionic));
    if (std::string error = PrepareElementRows(arguments.AllValues("element"), port); !error.empty())
        return error;
    return PrepareJx(arguments.Value("jx"), port);
}

// The stored formulae (sorted, at most 200) as a listing.
FormulaListing StoredFormulae(const output::CalculationState& state) {
    FormulaListing listing(state.formulae.elementCount, output::kMaxFormulae);
    for (std::size_t i = 0; i < static_cast<std::size_t>(state.formulae.formulaCount); ++i) {
        core::FoundFormula formula;
        for (std::size_t k = 0; k < static_cast<std::size_t>(state.formulae.elementCount); ++k) {
            formula.counts[k] = state.formulae.formulaAtoms[i][k];
        }
        formula.mz = state.formulae.formulaMz[i];
        formula.electronClass = static_cast<int>(state.formulae.formulaElectrons[i]);
        listing.Add(formula);
    }
    return listing;
}

// 10000000 as "10,000,000".
std::string GroupedDigits(std::size_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

std::string ListingTooLongMessage(std::size_t maxListed) {
    return "tarnevo-cli formulas: more than " + GroupedDigits(maxListed) +
           " formulae lie in the m/z range, more than --all lists (it holds them all to sort them by m/z); "
           "narrow the range with --tol or bound the atom counts with --element SYM:MIN:MAX";
}

// Every formula of the search, sorted by m/z; nothing when there are more
// than maxListed, or when the search was stopped (Ctrl-C in Python: sorting
// and printing the part found would only delay the interruption). Progress is
// shown on a terminal while it runs.
std::optional<FormulaListing> FindAllFormulae(const core::FormulaQuery& query, std::size_t maxListed) {
    FormulaListing listing(static_cast<int>(query.elements.size()), maxListed);
    bool tooMany = false;
    TerminalProgress progress{std::string(calc::kFormulaSearchProgress)};
    const core::WorkStatus status = core::VisitFormulae(
        query,
        [&](const core::FoundFormula& formula) {
            if (listing.Add(formula)) return core::SearchVisit::Continue;
            tooMany = true;
            return core::SearchVisit::Stop;
        },
        &progress);
    if (tooMany || status == core::WorkStatus::Cancelled) return std::nullopt;
    listing.SortByMz();
    return listing;
}

// Every formula, sorted by m/z; nothing when there are more than maxListed.
// The calculation's own search ran to its end when it stored fewer than its
// 200: the stored formulae are then every one, and searching again would only
// repeat the work (seconds, where a window holds few formulae of many).
std::optional<FormulaListing> AllFormulae(const calc::FormulaSearchRun& run,
                                          const output::CalculationState& state, std::size_t maxListed) {
    const auto stored = static_cast<std::size_t>(state.formulae.formulaCount);
    if (stored == static_cast<std::size_t>(output::kMaxFormulae))
        return FindAllFormulae(run.query, maxListed);
    if (stored > maxListed) return std::nullopt;
    return StoredFormulae(state);
}

// Every formula as --json, --csv or the result page ask; nothing was left
// out, so the storage is never full.
void PrintAllFormulae(const Arguments& arguments, const calc::FormulaSearchRun& run,
                      const output::CalculationState& state, const FormulaListing& listing,
                      std::ostream& out) {
    if (arguments.Has("json")) {
        PrintFormulaJson(run, state, listing, StorageFull::No, out);
    } else if (arguments.Has("csv")) {
        PrintFormulaCsv(state, listing, out);
    } else {
        PrintFormulaPage(state, listing, out);
    }
}

// The ion types of --adduct in the order given, each once; kExitOk, or the
// exit status of a notation that is not one or of a --charge that disagrees
// with one, the message written.
int ReadAdductTypes(const Arguments& arguments, std::vector<AdductType>& types, std::ostream& errors) {
    for (const std::string& notation : arguments.AllValues("adduct")) {
        // No molecule is typed: only the notation and the charge are checked.
        const AdductResolution resolution = ResolveAdduct({}, notation, arguments.Value("charge"));
        if (!resolution.ion) {
            errors << resolution.problem << '\n';
            if (resolution.exitStatus == kExitUsage) errors << UsageOf("formulas") << '\n';
            return resolution.exitStatus;
        }
        AdductType type{resolution.ion->notation, *core::ParseIonNotation(notation).notation};
        const bool repeated = std::any_of(types.begin(), types.end(),
                                          [&](const AdductType& given) { return given.text == type.text; });
        if (!repeated) types.push_back(std::move(type));
    }
    if (!types.empty() && arguments.Value("report")) {
        errors << "tarnevo-cli formulas: --report is not available with --adduct (the report shows the ions "
                  "of the m/z, not molecules by ion type); use --json or --csv\n"
               << UsageOf("formulas") << '\n';
        return kExitUsage;
    }
    return kExitOk;
}

// Whether each --element row leaves its maximum to the default (absent or 0).
std::vector<bool> DefaultMaxima(const Arguments& arguments) {
    std::vector<bool> defaults;
    for (const std::string& element : arguments.AllValues("element")) {
        const std::vector<std::string> parts = Split(element, ':');
        if (parts.size() < 3) {
            defaults.push_back(true);
            continue;
        }
        const std::string& text = parts[2];
        const std::size_t first = text.find_first_not_of(' ');
        const std::size_t last = text.find_last_not_of(' ');
        int maximum = -1;
        if (first != std::string::npos) std::from_chars(text.data() + first, text.data() + last + 1, maximum);
        defaults.push_back(maximum == 0);
    }
    return defaults;
}

// The molecules of each ion type as --json, --csv or the listing ask: every
// one with --all (nothing past the ceiling of --all), else the first 200 the
// search finds of each type.
int PrintAdductMolecules(const Arguments& arguments, const calc::FormulaSearchRun& run,
                         const core::ElementTable& table, const std::vector<AdductType>& types,
                         std::size_t maxListed, std::ostream& out, std::ostream& errors) {
    const bool all = arguments.Has("all");
    const AdductSearchInput input{&run, DefaultMaxima(arguments), &table};
    const AdductSearchLimits limits{all ? core::kUncapped : static_cast<std::size_t>(output::kMaxFormulae),
                                    all ? maxListed : core::kUncapped};
    const AdductSearchResult result = SearchAdductMolecules(input, types, limits);
    if (result.tooMany) {
        errors << ListingTooLongMessage(maxListed) << '\n';
        return kExitRefused;
    }
    const AdductPrintout printout{run, table, result};
    if (arguments.Has("json")) {
        PrintAdductJson(printout, out);
    } else if (arguments.Has("csv")) {
        PrintAdductCsv(printout, out);
    } else {
        PrintAdductListing(printout, out);
    }
    out.flush();
    return kExitOk;
}

}  // namespace

int RunFormulasCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    return RunFormulasCommandListingAtMost(kMaxListedFormulae, arguments, out, errors);
}

int RunFormulasCommandListingAtMost(std::size_t maxListed, const Arguments& arguments, std::ostream& out,
                                    std::ostream& errors) {
    std::vector<AdductType> adducts;
    if (const int status = ReadAdductTypes(arguments, adducts, errors); status != kExitOk) return status;
    CliPort port(errors);
    if (std::string error = PrepareAnswers(arguments, port); !error.empty()) {
        errors << "tarnevo-cli formulas: " << error << '\n' << UsageOf("formulas") << '\n';
        return kExitUsage;
    }

    auto program = std::make_unique<core::ProgramContext>();
    doc::ViewState view;
    doc::Document document;
    calc::CommandContext context{*program, view, document, port};
    const std::optional<calc::FormulaSearchRun> run = calc::RunMolecularFormulaeSearch(context);
    if (const int status = CalculationStatus(port, document, errors); status != kExitOk) return status;
    if (!run) return kExitRefused;

    if (!adducts.empty())
        return PrintAdductMolecules(arguments, *run, program->elements, adducts, maxListed, out, errors);

    const output::CalculationState& state = document.state;
    if (arguments.Has("all")) {
        const std::optional<FormulaListing> all = AllFormulae(*run, state, maxListed);
        if (!all) {
            errors << ListingTooLongMessage(maxListed) << '\n';
            return kExitRefused;
        }
        PrintAllFormulae(arguments, *run, state, *all, out);
    } else if (arguments.Has("json")) {
        const bool full = state.formulae.formulaCount == output::kMaxFormulae;
        PrintFormulaJson(*run, state, StoredFormulae(state), full ? StorageFull::Yes : StorageFull::No, out);
    } else if (arguments.Has("csv")) {
        out << output::ComposeCsv(state);
    } else {
        PrintResultPage(document, out);
    }
    // The report may go to standard output too ("--report -"): the page first.
    out.flush();
    return WriteReportIfAsked(document, arguments.Value("report"), errors);
}

}  // namespace tarnevo::cli
