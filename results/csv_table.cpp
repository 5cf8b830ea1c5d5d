#include "results/csv_table.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "core/formula_parser.h"
#include "core/natural_isotopes.h"
#include "core/text_format.h"
#include "results/report_file.h"
#include "results/result_values.h"

namespace tarnevo::results {

namespace {

using detail::Bounded;

// One row under construction; cells are joined by commas.
class CsvRow {
public:
    CsvRow& Text(std::string_view text) {
        // A text with a comma, a quote or a line break is quoted, its quotes doubled.
        if (text.find_first_of(",\"\r\n") == std::string_view::npos) return Cell(std::string(text));
        std::string quoted = "\"";
        for (const char c : text) {
            if (c == '"') quoted += '"';
            quoted += c;
        }
        return Cell(quoted + "\"");
    }
    // Not-a-number and infinities have no CSV spelling that spreadsheets
    // agree on: the cell stays empty.
    CsvRow& Number(double value) {
        return Cell(std::isfinite(value) ? core::FormatShortest(value) : std::string());
    }
    // A value the row does not have (present false) leaves its cell empty.
    CsvRow& NumberIf(bool present, double value) { return present ? Number(value) : Cell({}); }
    CsvRow& Integer(long long value) { return Cell(core::FormatInteger(value)); }
    std::string Line() const { return line_ + "\n"; }

private:
    CsvRow& Cell(const std::string& text) {
        if (!first_) line_ += ',';
        line_ += text;
        first_ = false;
        return *this;
    }
    std::string line_;
    bool first_ = true;
};

constexpr std::string_view kPeakHeader = "ion,n,mz,centroidMz,fa,rel\n";

// The true m/z of a peak is known only where the engine stored it (not 0).
bool Known(double centroid) { return centroid > 0.0; }

std::string ClusterTable(const CalculationState& state) {
    std::string csv(kPeakHeader);
    for (int n = 0; n < Bounded(state.cluster.lastPeakIndex + 1, kPeakSlots); ++n) {
        const double fa = state.cluster.peakFA[n];
        // As on the result page: a pattern whose FAs sum to 0 has no scale.
        const double rel = state.cluster.totalFA == 0.0 ? 0.0 : RelativeIntensity(fa, state.cluster.maxFA);
        csv += CsvRow()
                   .Text(state.formulaText)
                   .Integer(n)
                   .Number(PeakMz(state.ionMassA, n, state.charge))
                   .NumberIf(Known(state.cluster.peakCentroidMz[n]), state.cluster.peakCentroidMz[n])
                   .Number(fa)
                   .Number(rel)
                   .Line();
    }
    return csv;
}

std::string RepeatingUnitTable(const CalculationState& state) {
    std::string csv(kPeakHeader);
    int firstSlot = 0;  // the peaks of all ions lie one after another
    for (int k = 0; k < Bounded(state.series.ionCount, kMaxIons); ++k) {
        const std::string ion = detail::RepeatingUnitIon(state, state.series.firstRUCount + k);
        const int peaks = Bounded(state.series.ionLastPeakIndex[k] + 1, kPeakSlots - firstSlot);
        for (int n = 0; n < peaks; ++n) {
            const double fa = state.cluster.peakFA[firstSlot + n];
            csv += CsvRow()
                       .Text(ion)
                       .Integer(n)
                       .Number(PeakMz(state.series.ionMassAList[k], n, state.charge))
                       .NumberIf(Known(state.cluster.peakCentroidMz[firstSlot + n]),
                                 state.cluster.peakCentroidMz[firstSlot + n])
                       .Number(fa)
                       .Number(RelativeIntensity(fa, state.series.ionMaxFA[k]))
                       .Line();
        }
        firstSlot += peaks;
    }
    return csv;
}

std::string EnrichmentTable(const CalculationState& state) {
    std::string csv = "n,mz,experimental,calculated\n";
    const int offset = Bounded(state.spectrum.firstPeakOffset, kPeakSlots);
    const int rows =
        Bounded(offset + Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks), kPeakSlots);
    for (int n = 0; n < rows; ++n) {
        csv += CsvRow()
                   .Integer(n)
                   .Number(PeakMz(state.ionMassA, n, state.charge))
                   .Number(n < offset ? 0.0 : state.spectrum.expIntensity[n - offset])
                   .Number(RelativeIntensity(state.cluster.peakFA[n], state.cluster.maxFA))
                   .Line();
    }
    return csv;
}

// One row per peak position from the lower of the first measured peak and
// [A+0] to the higher of the last measured and the last corrected peak; a
// spectrum without that peak leaves its cell empty.
std::string LossOfHTable(const CalculationState& state) {
    std::string csv = "n,mz,experimental,corrected\n";
    const int measured = Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks);
    const int corrected = Bounded(state.spectrum.correctedCount, kMaxExperimentalPeaks);
    const int first = std::min(state.spectrum.firstPeakOffset, 0);
    const int last = std::max(state.spectrum.firstPeakOffset + measured, corrected) - 1;
    const double step = state.charge == 0 ? 1.0 : 1.0 / std::abs(state.charge);
    for (int n = first; n <= last; ++n) {
        const int i = n - state.spectrum.firstPeakOffset;
        const bool wasMeasured = i >= 0 && i < measured;
        const bool wasCorrected = n >= 0 && n < corrected;
        csv +=
            CsvRow()
                .Integer(n)
                .Number(state.spectrum.firstPeakMz + i * step)
                .NumberIf(wasMeasured,
                          wasMeasured ? state.spectrum.expIntensity[static_cast<std::size_t>(i)] : 0.0)
                .NumberIf(wasCorrected,
                          wasCorrected ? state.spectrum.correctedIntensity[static_cast<std::size_t>(n)] : 0.0)
                .Line();
    }
    return csv;
}

std::string ElectronClassText(ElectronClass electrons) {
    switch (electrons) {
        case ElectronClass::Even:
            return "EE";
        case ElectronClass::Odd:
            return "OE";
        case ElectronClass::Indeterminate:
            break;
    }
    return "indeterminate";
}

// Rings plus double bonds, 1 + sum of count x (valence - 2) / 2, where an
// element with v valence electrons forms v bonds up to four and 8 - v beyond
// (C 4, N 3, O 2, Cl 1). Unknown for elements of no fixed valence and for the
// user-defined element, whose valence is not kept with the results.
std::optional<double> RingsPlusDoubleBonds(const CalculationState& state, int formula) {
    double dbe = 1.0;
    for (int j = 0; j < Bounded(state.formulae.elementCount, kMaxFormulaElements); ++j) {
        const int atoms = state.formulae.formulaAtoms[formula][j];
        if (atoms == 0) continue;
        const int index = core::LookupSymbolText(state.formulae.elementSymbols[j], 0);
        if (index < 0 || index >= static_cast<int>(core::kNaturalElementCount)) return std::nullopt;
        const int electrons = core::kNaturalElements[static_cast<std::size_t>(index)].valenceElectrons;
        if (electrons < 0) return std::nullopt;
        const int bonds = electrons <= 4 ? electrons : 8 - electrons;
        dbe += atoms * (bonds - 2) / 2.0;
    }
    return dbe;
}

std::string FormulaTable(const CalculationState& state) {
    std::string csv = "formula,mz,errorPpm,electronClass,dbe\n";
    for (int i = 0; i < Bounded(state.formulae.formulaCount, kMaxFormulae); ++i) {
        // The page's formula text without its three-character electron-class mark.
        const std::string formula = detail::MatchedFormula(state, i).substr(3);
        const std::optional<double> dbe = RingsPlusDoubleBonds(state, i);
        csv += CsvRow()
                   .Text(formula)
                   .Number(state.formulae.formulaMz[i])
                   .Number(ErrorPpm(state.formulae.formulaMz[i], state.ionMassA))
                   .Text(ElectronClassText(state.formulae.formulaElectrons[i]))
                   .NumberIf(dbe.has_value(), dbe.value_or(0.0))
                   .Line();
    }
    return csv;
}

std::string IsotopicDataTable(const CalculationState& state) {
    std::string csv = "massNumber,mass,fa\n";
    for (int i = 0; i < Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDisplayedIsotopes); ++i) {
        csv += CsvRow()
                   .Integer(state.isotopes.isotopeBase + state.details.isotopeMassNumber[i])
                   .Number(state.isotopes.isotopeMass[i])
                   .Number(state.isotopes.isotopeFAList[i])
                   .Line();
    }
    return csv;
}

}  // namespace

std::string ComposeCsv(const CalculationState& state) {
    switch (state.calcKind) {
        case CalcKind::IsotopeCluster:
        case CalcKind::LabelledAtoms:
            return ClusterTable(state);
        case CalcKind::EnrichmentFromSpectrum:
            return EnrichmentTable(state);
        case CalcKind::FormulaFromMz:
            return FormulaTable(state);
        case CalcKind::LossOfH:
            return LossOfHTable(state);
        case CalcKind::RepeatingUnits:
            return RepeatingUnitTable(state);
        case CalcKind::IsotopicData:
            return IsotopicDataTable(state);
    }
    return {};
}

std::string ExportFailureMessage(const std::string& path, std::string_view reason) {
    return "The table could not be exported to \"" + path + "\": " + std::string(reason) +
           ". Any earlier file of that name is unchanged.";
}

bool ExportTable(const Document& document, dialogs::UserInterfacePort& ui) {
    if (document.readyForCalculation) return false;
    dialogs::SaveFileRequest request;
    request.caption = "Export Table";
    request.initialName = kCsvFileName;
    request.defaultExtension = "csv";
    request.filter = kCsvFilter;
    const std::optional<std::string> path = ui.AskSaveFileName(request);
    if (!path) return false;
    if (auto reason = WriteFileSafely(*path, ComposeCsv(document.state))) {
        dialogs::ShowError(ui, ExportFailureMessage(*path, *reason), dialogs::MessageModality::Application);
        return false;
    }
    return true;
}

}  // namespace tarnevo::results
