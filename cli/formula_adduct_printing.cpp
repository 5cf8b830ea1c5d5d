#include "cli/formula_adduct_printing.h"

#include <algorithm>
#include <optional>
#include <string>

#include "cli/cli_output.h"
#include "cli/formula_text_buffer.h"
#include "core/text_format.h"
#include "core/usual_valence.h"
#include "output/csv_row.h"
#include "output/csv_table.h"
#include "output/result_values.h"

namespace tarnevo::cli {

namespace {

// What one line of any printing says about a molecule of an ion type.
struct MoleculeLine {
    std::string formula;     // M in Hill order
    std::string ionFormula;  // the ion in Hill order
    double mz = 0.0;         // the ion's
    double errorPpm = 0.0;
    int electronClass = core::kEvenElectron;  // the ion's
    std::optional<double> dbe;                // M's
};

class MoleculeLines {
public:
    explicit MoleculeLines(const AdductPrintout& printout)
        : printout_(printout),
          elements_(static_cast<int>(printout.run.elementIndex.size())),
          valences_(core::UsualValences(printout.run.elementIndex.data(), elements_)) {}

    MoleculeLine Line(const AdductMatches& matches, std::size_t position) const {
        const core::FoundFormula found = matches.molecules.At(position);
        const core::ParsedFormula molecule = MoleculeAtoms(printout_.run, found.counts);
        const std::optional<core::ParsedFormula> ion = IonAtoms(matches.type, molecule);
        return {core::HillFormulaText(molecule),
                ion ? core::HillFormulaText(*ion) : std::string(),
                found.mz,
                output::ErrorPpm(found.mz, printout_.run.query.target),
                found.electronClass,
                core::RingsPlusDoubleBonds(valences_, found.counts, elements_)};
    }

private:
    const AdductPrintout& printout_;
    int elements_;
    core::RowValences valences_;
};

std::size_t MoleculeCount(const AdductSearchResult& result) {
    std::size_t count = 0;
    for (const AdductMatches& matches : result.types) count += matches.molecules.Size();
    return count;
}

bool AnyCapped(const AdductSearchResult& result) {
    return std::any_of(result.types.begin(), result.types.end(),
                       [](const AdductMatches& matches) { return matches.capped; });
}

// A row's maximum over the ion types: the widest bound it was searched with.
int WidestMaximum(const AdductPrintout& printout, std::size_t row) {
    int widest = printout.run.query.elements[row].minimum;
    for (const AdductMatches& matches : printout.result.types) {
        if (row < matches.maxima.size()) widest = std::max(widest, matches.maxima[row]);
    }
    return widest;
}

void PrintQueryJson(const AdductPrintout& printout, FormulaTextBuffer& text) {
    const core::FormulaQuery& query = printout.run.query;
    text.Text("{\"target\": ")
        .JsonNumber(query.target)
        .Text(", \"tolerance\": ")
        .JsonNumber(query.tolerance)
        .Text(", \"adducts\": [");
    for (std::size_t t = 0; t < printout.result.types.size(); ++t) {
        const AdductMatches& matches = printout.result.types[t];
        text.Text(t == 0 ? "{\"adduct\": " : ", {\"adduct\": ")
            .Text(JsonString(matches.type.text))
            .Text(", \"charge\": ")
            .Integer(matches.type.notation.charge)
            .Text(", \"formulaCount\": ")
            .Integer(static_cast<long long>(matches.molecules.Size()))
            .Text(", \"storageFull\": ")
            .Text(matches.capped ? "true" : "false")
            .Text(", \"maxima\": [");
        for (std::size_t k = 0; k < matches.maxima.size(); ++k)
            text.Text(k == 0 ? "" : ", ").Integer(matches.maxima[k]);
        text.Text("]}");
    }
    text.Text("], \"elements\": [");
    for (std::size_t k = 0; k < query.elements.size(); ++k) {
        text.Text(k == 0 ? "{\"symbol\": " : ", {\"symbol\": ")
            .Text(JsonString(std::string(core::SymbolOf(printout.run.elementIndex[k]))))
            .Text(", \"min\": ")
            .Integer(query.elements[k].minimum)
            .Text(", \"max\": ")
            .Integer(WidestMaximum(printout, k))
            .Text("}");
    }
    text.Text("], \"formulaCount\": ")
        .Integer(static_cast<long long>(MoleculeCount(printout.result)))
        .Text(", \"storageFull\": ")
        .Text(AnyCapped(printout.result) ? "true" : "false")
        .Text(", \"formulae\": [");
}

// Left-aligned in a column of the given width, two spaces between columns.
std::string Padded(std::string_view text, std::size_t width) {
    std::string padded(text);
    padded.resize(std::max(width, text.size()) + 2, ' ');
    return padded;
}

std::string RightAligned(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

struct ListingWidths {
    std::size_t type = 8;     // "Ion Type"
    std::size_t formula = 7;  // "Formula"
    std::size_t ion = 11;     // "Ion Formula"
};

ListingWidths WidthsOf(const AdductPrintout& printout, const MoleculeLines& lines) {
    ListingWidths widths;
    for (const AdductMatches& matches : printout.result.types) {
        if (matches.molecules.Size() != 0) widths.type = std::max(widths.type, matches.type.text.size());
        for (std::size_t i = 0; i < matches.molecules.Size(); ++i) {
            const MoleculeLine line = lines.Line(matches, i);
            widths.formula = std::max(widths.formula, line.formula.size());
            widths.ion = std::max(widths.ion, line.ionFormula.size());
        }
    }
    return widths;
}

constexpr std::size_t kMzWidth = 11;
constexpr std::size_t kPpmWidth = 13;

// Under the lines: the ion types with no molecule, and those with more than
// the listing holds.
void PrintListingNotes(const AdductSearchResult& result, FormulaTextBuffer& text) {
    for (const AdductMatches& matches : result.types) {
        if (matches.molecules.Size() == 0) {
            text.Text(matches.type.text).Text(": no formulae were detected within the mass range.\n");
        } else if (matches.capped) {
            text.Text(matches.type.text)
                .Text(": only the first ")
                .Integer(static_cast<long long>(matches.molecules.Size()))
                .Text(" formulae found are listed; --all lists every one.\n");
        }
    }
}

}  // namespace

void PrintAdductJson(const AdductPrintout& printout, std::ostream& out) {
    FormulaTextBuffer text(out);
    PrintQueryJson(printout, text);
    const MoleculeLines lines(printout);
    const std::size_t elements = printout.run.elementIndex.size();
    bool first = true;
    for (const AdductMatches& matches : printout.result.types) {
        for (std::size_t i = 0; i < matches.molecules.Size(); ++i) {
            const MoleculeLine line = lines.Line(matches, i);
            const core::AtomCounts counts = matches.molecules.At(i).counts;
            text.Text(first ? "{\"adduct\": " : ", {\"adduct\": ")
                .Text(JsonString(matches.type.text))
                .Text(", \"formula\": ")
                .Text(JsonString(line.formula))
                .Text(", \"ionFormula\": ")
                .Text(JsonString(line.ionFormula))
                .Text(", \"counts\": [");
            for (std::size_t k = 0; k < elements; ++k) text.Text(k == 0 ? "" : ", ").Integer(counts[k]);
            text.Text("], \"mz\": ")
                .JsonNumber(line.mz)
                .Text(", \"errorPpm\": ")
                .JsonNumber(line.errorPpm)
                .Text(", \"electronClass\": ")
                .Integer(line.electronClass)
                .Text(", \"dbe\": ");
            if (line.dbe) {
                text.JsonNumber(*line.dbe);
            } else {
                text.Text("null");
            }
            text.Text("}");
            first = false;
        }
    }
    text.Text("]}\n");
}

void PrintAdductCsv(const AdductPrintout& printout, std::ostream& out) {
    FormulaTextBuffer text(out);
    text.Text("adduct,formula,ionFormula,mz,errorPpm,electronClass,dbe\n");
    const MoleculeLines lines(printout);
    std::string row;
    for (const AdductMatches& matches : printout.result.types) {
        for (std::size_t i = 0; i < matches.molecules.Size(); ++i) {
            const MoleculeLine line = lines.Line(matches, i);
            row.clear();
            output::detail::CsvRow(row)
                .Text(matches.type.text)
                .Text(line.formula)
                .Text(line.ionFormula)
                .Number(line.mz)
                .Number(line.errorPpm)
                .Text(output::ElectronClassText(static_cast<output::ElectronClass>(line.electronClass)))
                .NumberIf(line.dbe.has_value(), line.dbe.value_or(0.0))
                .End();
            text.Text(row);
        }
    }
}

void PrintAdductListing(const AdductPrintout& printout, std::ostream& out) {
    FormulaTextBuffer text(out);
    const core::FormulaQuery& query = printout.run.query;
    text.Text("       ***** Molecular Formulae Whose Ions Match a Specific m/z Range *****\n")
        .Text("Target m/z: ")
        .Text(core::FormatFixed(query.target, 4))
        .Text("\nRange in m/z: ")
        .Text(core::FormatFixed(query.target - query.tolerance, 4))
        .Text(" to ")
        .Text(core::FormatFixed(query.target + query.tolerance, 4))
        .Text("\n\n");
    const MoleculeLines lines(printout);
    const ListingWidths widths = WidthsOf(printout, lines);
    if (MoleculeCount(printout.result) != 0) {
        text.Text(Padded("Ion Type", widths.type))
            .Text(Padded("Formula", widths.formula))
            .Text(Padded("Ion Formula", widths.ion))
            .Text(RightAligned("m/z", kMzWidth))
            .Text(RightAligned("Error (ppm)", kPpmWidth))
            .Text("\n");
    }
    for (const AdductMatches& matches : printout.result.types) {
        for (std::size_t i = 0; i < matches.molecules.Size(); ++i) {
            const MoleculeLine line = lines.Line(matches, i);
            text.Text(Padded(matches.type.text, widths.type))
                .Text(Padded(line.formula, widths.formula))
                .Text(Padded(line.ionFormula, widths.ion))
                .Text(RightAligned(core::FormatFixed(line.mz, 4), kMzWidth))
                .Text(RightAligned(core::FormatFixed(line.errorPpm, 2), kPpmWidth))
                .Text("\n");
        }
    }
    PrintListingNotes(printout.result, text);
}

}  // namespace tarnevo::cli
