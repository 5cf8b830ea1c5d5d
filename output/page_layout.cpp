#include "output/page_layout.h"

#include <cstdlib>
#include <string_view>

#include "core/text_format.h"
#include "output/result_values.h"

namespace tarnevo::output {

namespace {

using detail::Bounded;
using detail::PeakLabel;

using Lines = std::vector<std::string>;

constexpr std::string_view kClusterHeading =
    " Ion       m/z          FA       Rel %      Ion       m/z          FA       Rel %";
constexpr std::string_view kSpectrumHeading =
    "   Ion       m/z       Rel %          Ion       m/z       Rel %";
constexpr std::string_view kComparisonHeading = "  Ion       m/z  Experimental  Calculated";
constexpr std::string_view kFormulaHeading = "Ion Formula                           m/z";
constexpr std::string_view kIsotopeHeading = "Isotope      Mass       FA";
constexpr std::string_view kUserElementNote =
    "A saved data file will contain isotopic FA data for user defined elements.";

std::string_view TitleOf(CalcKind kind) {
    switch (kind) {
        case CalcKind::IsotopeCluster:
            return "                 ***** Isotope Cluster Pattern Results *****";
        case CalcKind::LabelledAtoms:
            return "          ***** Isotope Cluster Patterns Using Labelled Atoms *****";
        case CalcKind::EnrichmentFromSpectrum:
            return "            ***** Enrichment Results for a Labelled Element *****";
        case CalcKind::FormulaFromMz:
            return "       ***** Results for Ion Formulae Matching a Specific m/z Range *****";
        case CalcKind::LossOfH:
            return "          ***** Results for Spectrum Correction for Loss of H *****";
        case CalcKind::RepeatingUnits:
            return "               ***** Results for Ions with Repeating Units *****";
        case CalcKind::IsotopicData:
            return "            ***** Isotopic Data Used by TARNEVO *****";
    }
    return {};
}

// A list of N cells in ceil(N / 2) rows: row r holds cell r on the left and
// cell R + r on the right; an odd N leaves the right half of the last row
// empty. [A+0]..[A+4] gives rows {0, 3}, {1, 4}, {2}.
template <typename LeftCell, typename RightCell>
void AppendTwoColumns(Lines& lines, int count, LeftCell left, RightCell right) {
    const int rows = (count + 1) / 2;
    for (int r = 0; r < rows; ++r) {
        std::string line = left(r);
        if (rows + r < count) line += right(rows + r);
        lines.push_back(std::move(line));
    }
}

// A cluster peak cell, 39 characters for a left cell: label and m/z over 17
// columns, two blanks, the FA in scientific form, Rel % in 8 columns. A right
// cell starts with four more blanks before its label.
struct ClusterCell {
    double fa;
    double mz;
    std::string relative;
};

std::string LeftClusterCell(int n, const ClusterCell& cell) {
    return core::Spread(PeakLabel(n), core::FormatFixed(cell.mz, 2), 17) + "  " +
           core::FormatScientific(cell.fa, 5) + core::RightAligned(cell.relative, 8);
}

std::string RightClusterCell(int n, const ClusterCell& cell) {
    return core::Spread("    " + PeakLabel(n), core::FormatFixed(cell.mz, 2), 21) + "  " +
           core::FormatScientific(cell.fa, 5) + core::RightAligned(cell.relative, 8);
}

// Peaks [A+0] .. [A+count-1] of one pattern; cellOf(n) gives the values of
// peak n.
template <typename CellOf>
void AppendClusterTable(Lines& lines, int count, CellOf cellOf) {
    lines.emplace_back(kClusterHeading);
    AppendTwoColumns(
        lines, count, [&](int n) { return LeftClusterCell(n, cellOf(n)); },
        [&](int n) { return RightClusterCell(n, cellOf(n)); });
}

// An experimental or corrected spectrum of the loss-of-H correction. Entry i
// shows the peak at `position(i)` with m/z and relative intensity.
struct SpectrumCell {
    int position;
    double mz;
    double intensity;
};

template <typename CellOf>
void AppendSpectrumTable(Lines& lines, int count, CellOf cellOf) {
    lines.emplace_back(kSpectrumHeading);
    AppendTwoColumns(
        lines, count,
        [&](int i) {
            const SpectrumCell cell = cellOf(i);
            return core::Spread("  " + PeakLabel(cell.position), core::FormatFixed(cell.mz, 2), 18) +
                   core::RightAligned(core::FormatFixed(cell.intensity, 3), 11);
        },
        [&](int i) {
            const SpectrumCell cell = cellOf(i);
            return core::RightAligned(PeakLabel(cell.position), 13) +
                   core::RightAligned(core::FormatFixed(cell.mz, 2), 11) +
                   core::RightAligned("  " + core::FormatFixed(cell.intensity, 3), 11);
        });
}

void AppendCommonHead(Lines& lines, const CalculationState& state) {
    lines.emplace_back(TitleOf(state.calcKind));
    lines.push_back("Ion Formula: " + state.formulaText);
    lines.push_back("Mass of [A+0] ion: " + core::FormatFixed(state.ionMassA, 4));
    lines.push_back("Ion Charge: " + core::FormatInteger(state.charge));
    switch (state.calcKind) {
        case CalcKind::LabelledAtoms:
            lines.emplace_back("Full enrichment details are presented in the saved data file.");
            break;
        case CalcKind::EnrichmentFromSpectrum:
            lines.push_back("Enriched element: " + state.elementSymbol);
            lines.push_back("Number of enriched atoms: " +
                            core::FormatInteger(state.details.detailAtomCount[0]));
            break;
        default:
            if (state.details.detailCount != 0) lines.emplace_back(kUserElementNote);
            break;
    }
}

void AppendClusterBody(Lines& lines, const CalculationState& state) {
    // A pattern whose FAs sum to 0 has no meaningful scale: Rel % reads 0.000.
    AppendClusterTable(lines, Bounded(state.cluster.lastPeakIndex + 1, kPeakSlots), [&](int n) {
        const double fa = state.cluster.peakFA[n];
        const double relative =
            state.cluster.totalFA == 0.0 ? 0.0 : RelativeIntensity(fa, state.cluster.maxFA);
        return ClusterCell{fa, PeakMz(state.ionMassA, n, state.charge), core::FormatFixed(relative, 3)};
    });
    lines.push_back("Total fractional abundance: " + core::FormatFixed(state.cluster.totalFA, 5));
    if (state.cluster.peakOverflow)
        lines.emplace_back("Warning - Ions above [A+319] were encountered in the data!");
}

void AppendEnrichmentBody(Lines& lines, const CalculationState& state) {
    lines.emplace_back();
    lines.emplace_back("Enrichment fractional abundances:");
    const int isotopes = Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDetailIsotopes);
    for (int i = 0; i < isotopes; ++i) {
        lines.push_back("  " + state.elementSymbol + "(" +
                        core::FormatInteger(state.details.isotopeMassNumber[i]) + ")  " +
                        core::FormatFixed(state.details.isotopeFA[i], 5));
    }
    lines.push_back("Sum of squares of residuals of spectral fit: " +
                    core::FormatFixed(state.spectrum.fitResidual, 3));
    lines.emplace_back();
    lines.emplace_back("Comparison of the experimental and calculated spectra:");
    lines.emplace_back(kComparisonHeading);
    const int offset = Bounded(state.spectrum.firstPeakOffset, kPeakSlots);
    const int rows =
        Bounded(offset + Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks), kPeakSlots);
    for (int n = 0; n < rows; ++n) {
        const std::string experimental =
            n < offset ? "0.000" : core::FormatFixed(state.spectrum.expIntensity[n - offset], 3);
        const double calculated = RelativeIntensity(state.cluster.peakFA[n], state.cluster.maxFA);
        lines.push_back(
            core::Spread(PeakLabel(n), core::FormatFixed(PeakMz(state.ionMassA, n, state.charge), 2), 16) +
            core::RightAligned(experimental, 10) + core::RightAligned(core::FormatFixed(calculated, 3), 13));
    }
}

void AppendLossOfHBody(Lines& lines, const CalculationState& state) {
    const double step = 1.0 / std::abs(state.charge);
    lines.emplace_back();
    lines.emplace_back("Experimental spectrum entered:");
    AppendSpectrumTable(lines, Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks), [&](int i) {
        return SpectrumCell{state.spectrum.firstPeakOffset + i, state.spectrum.firstPeakMz + i * step,
                            state.spectrum.expIntensity[i]};
    });
    lines.emplace_back();
    lines.emplace_back();
    lines.emplace_back("Spectrum corrected for loss of H:");
    AppendSpectrumTable(lines, Bounded(state.spectrum.correctedCount, kMaxExperimentalPeaks), [&](int n) {
        return SpectrumCell{n, state.spectrum.firstPeakMz + (n - state.spectrum.firstPeakOffset) * step,
                            state.spectrum.correctedIntensity[n]};
    });
}

Lines FormulaPage(const CalculationState& state) {
    const double target = state.ionMassA;
    Lines lines;
    lines.emplace_back(TitleOf(CalcKind::FormulaFromMz));
    lines.push_back("Target m/z: " + core::FormatFixed(target, 4));
    lines.push_back("Range in m/z: " + core::FormatFixed(target - state.formulae.mzHalfRange, 4) + " to " +
                    core::FormatFixed(target + state.formulae.mzHalfRange, 4));
    lines.push_back("Ion charge: " + core::FormatInteger(state.charge));
    const int formulae = Bounded(state.formulae.formulaCount, kMaxFormulae);
    if (formulae == 0) {
        lines.emplace_back("No formulae were detected within the mass range.");
        return lines;
    }
    lines.emplace_back();
    lines.emplace_back(kFormulaHeading);
    for (int i = 0; i < formulae; ++i) {
        // The m/z ends in column 44; a long formula keeps two blanks before it.
        lines.push_back(core::Spread(detail::MatchedFormula(state, i),
                                     core::FormatFixed(state.formulae.formulaMz[i], 4), 44, 2));
    }
    if (formulae == kMaxFormulae) {
        lines.emplace_back();
        lines.emplace_back("The number of possible formulae exceeded the storage capacity (200).");
        lines.emplace_back("Try lowering the m/z range.");
    }
    return lines;
}

Lines RepeatingUnitPage(const CalculationState& state) {
    Lines lines;
    lines.emplace_back(TitleOf(CalcKind::RepeatingUnits));
    lines.push_back("Repeating Unit: " + state.formulaText);
    lines.push_back(state.series.hasEndCap ? "End Cap: " + state.series.endCapText
                                           : std::string("No End Cap"));
    lines.push_back("Charging Ion: " + state.series.chargingIonText);
    lines.push_back("Total Ionic Charge: " + core::FormatInteger(state.charge));
    lines.push_back("Minimum Total Fractional Abundance: " + core::FormatFixed(state.stopFA, 5));
    if (state.details.detailCount != 0) lines.emplace_back(kUserElementNote);
    // The peaks of all ions lie one after another in peakFA.
    int firstSlot = 0;
    for (int k = 0; k < Bounded(state.series.ionCount, kMaxIons); ++k) {
        const double massA = state.series.ionMassAList[k];
        const double largestFA = state.series.ionMaxFA[k];
        lines.emplace_back();
        lines.push_back("Ion Formula: " + detail::RepeatingUnitIon(state, state.series.firstRUCount + k));
        lines.push_back("Mass of [A+0] ion: " + core::FormatFixed(massA, 4));
        const int peaks = Bounded(state.series.ionLastPeakIndex[k] + 1, kPeakSlots - firstSlot);
        AppendClusterTable(lines, peaks, [&](int n) {
            const double fa = state.cluster.peakFA[firstSlot + n];
            return ClusterCell{fa, PeakMz(massA, n, state.charge),
                               core::FormatFixed(RelativeIntensity(fa, largestFA), 3)};
        });
        firstSlot += peaks;
    }
    if (state.series.ionStorageFull) {
        lines.emplace_back();
        lines.emplace_back("Warning - Number of ions exceeds storage (320), calculations are incomplete.");
        lines.emplace_back("Try a smaller or different range in RUs or m/z.");
    }
    return lines;
}

Lines IsotopicDataPage(const CalculationState& state) {
    Lines lines;
    lines.emplace_back(TitleOf(CalcKind::IsotopicData));
    lines.push_back("Isotopes of " + state.elementSymbol);
    lines.emplace_back();
    lines.emplace_back(kIsotopeHeading);
    const int isotopes = Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDisplayedIsotopes);
    for (int i = 0; i < isotopes; ++i) {
        const std::string label =
            state.elementSymbol + "(" +
            core::FormatInteger(state.isotopes.isotopeBase + state.details.isotopeMassNumber[i]) + ")";
        lines.push_back(core::Spread(label, core::FormatFixed(state.isotopes.isotopeMass[i], 5), 20) + "  " +
                        core::FormatFixed(state.isotopes.isotopeFAList[i], 5));
    }
    return lines;
}

}  // namespace

std::vector<std::string> LayoutResultLines(const CalculationState& state) {
    Lines lines;
    switch (state.calcKind) {
        case CalcKind::IsotopeCluster:
        case CalcKind::LabelledAtoms:
            AppendCommonHead(lines, state);
            AppendClusterBody(lines, state);
            return lines;
        case CalcKind::EnrichmentFromSpectrum:
            AppendCommonHead(lines, state);
            AppendEnrichmentBody(lines, state);
            return lines;
        case CalcKind::LossOfH:
            AppendCommonHead(lines, state);
            AppendLossOfHBody(lines, state);
            return lines;
        case CalcKind::FormulaFromMz:
            return FormulaPage(state);
        case CalcKind::RepeatingUnits:
            return RepeatingUnitPage(state);
        case CalcKind::IsotopicData:
            return IsotopicDataPage(state);
    }
    return lines;
}

}  // namespace tarnevo::output
