#include "output/csv_table.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "core/formula_parser.h"
#include "core/text_format.h"
#include "core/usual_valence.h"
#include "output/result_values.h"

namespace tarnevo::output {

namespace {

using detail::Bounded;

// One row under construction; cells are joined by commas. The row is built
// in its own text (Line() gives it), or straight onto the end of a table
// (End() closes it), which long listings use to spare a copy per row.
class CsvRow {
public:
    CsvRow() = default;
    explicit CsvRow(std::string& table) : line_(&table) {}
    CsvRow(const CsvRow&) = delete;
    CsvRow& operator=(const CsvRow&) = delete;
    ~CsvRow() = default;

    CsvRow& Text(std::string_view text) {
        Separate();
        // A text with a comma, a quote or a line break is quoted, its quotes doubled.
        if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
            line_->append(text);
            return *this;
        }
        *line_ += '"';
        for (const char c : text) {
            if (c == '"') *line_ += '"';
            *line_ += c;
        }
        *line_ += '"';
        return *this;
    }
    // Not-a-number and infinities have no CSV spelling that spreadsheets
    // agree on: the cell stays empty.
    CsvRow& Number(double value) {
        Separate();
        // core::FormatShortest's spelling, written in place.
        std::array<char, 32> digits{};
        if (std::isfinite(value)) {
            line_->append(digits.data(),
                          std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr);
        }
        return *this;
    }
    // A value the row does not have (present false) leaves its cell empty.
    CsvRow& NumberIf(bool present, double value) {
        if (present) return Number(value);
        Separate();
        return *this;
    }
    CsvRow& Integer(long long value) { return Text(core::FormatInteger(value)); }
    std::string Line() const { return own_ + "\n"; }
    void End() { *line_ += '\n'; }

private:
    void Separate() {
        if (!first_) *line_ += ',';
        first_ = false;
    }
    std::string own_;
    std::string* line_ = &own_;
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

std::string FormulaTable(const CalculationState& state) {
    std::string csv(FormulaCsvRows::kHeader);
    FormulaCsvRows rows(state);
    for (int i = 0; i < Bounded(state.formulae.formulaCount, kMaxFormulae); ++i) {
        const auto at = static_cast<std::size_t>(i);
        rows.Append(csv, state.formulae.formulaAtoms[at], state.formulae.formulaMz[at],
                    state.formulae.formulaElectrons[at]);
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

FormulaCsvRows::FormulaCsvRows(const CalculationState& state)
    : formulae_(state.formulae),
      elementCount_(Bounded(state.formulae.elementCount, kMaxFormulaElements)),
      target_(state.ionMassA) {
    std::array<int, kMaxFormulaElements> elementIndex{};
    for (int k = 0; k < elementCount_; ++k) {
        const auto row = static_cast<std::size_t>(k);
        // The user-defined element Jx is refused here (no extra elements
        // allowed): its valence is not kept with the results.
        elementIndex[row] = core::LookupSymbolText(formulae_.elementSymbols[row], 0);
    }
    valences_ = core::UsualValences(elementIndex.data(), elementCount_);
}

void FormulaCsvRows::Append(std::string& csv, const std::array<int, kMaxFormulaElements>& counts, double mz,
                            ElectronClass electrons) {
    formula_.clear();
    detail::AppendFormulaText(formula_, formulae_, counts);
    const std::optional<double> dbe = core::RingsPlusDoubleBonds(valences_, counts, elementCount_);
    CsvRow(csv)
        .Text(formula_)
        .Number(mz)
        .Number(ErrorPpm(mz, target_))
        .Text(ElectronClassText(electrons))
        .NumberIf(dbe.has_value(), dbe.value_or(0.0))
        .End();
}

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

}  // namespace tarnevo::output
