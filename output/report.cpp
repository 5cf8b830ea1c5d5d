#include "output/report.h"

#include <array>
#include <cstdlib>
#include <initializer_list>

#include "core/text_format.h"
#include "output/result_values.h"

namespace tarnevo::output {

namespace {

using detail::Bounded;
using detail::PeakLabel;

constexpr std::string_view kEndOfLine = "\r\n";
constexpr std::string_view kPeakColumns = "Ion, m/z, FA(Scientific), FA(Numerical), Rel %";
constexpr std::string_view kSpectrumColumns = "Ion, m/z, Rel %";

// The report under composition; every line ends with CR LF whatever the
// platform, since the file format fixes it.
class ReportText {
public:
    void Line(std::string_view text) {
        bytes_ += text;
        bytes_ += kEndOfLine;
    }
    void EmptyLine() { bytes_ += kEndOfLine; }
    void Raw(std::string_view text) { bytes_ += text; }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

std::string Joined(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) line += ", ";
        line += field;
    }
    return line;
}

// One row of a calculated cluster: [A+n], m/z, FA twice (scientific and
// fixed), Rel %. Example: "[A+2], 80.00, 3.670000E-001, 0.367, 58.304".
std::string ClusterRow(int n, double mz, double fa, double largestFA) {
    return Joined({PeakLabel(n), core::FormatFixed(mz, 2), core::FormatScientific(fa, 6),
                   core::FormatFixed(fa, 3), core::FormatFixed(RelativeIntensity(fa, largestFA), 3)});
}

void WriteDetailBlock(ReportText& report, const CalculationState& state, std::string_view heading) {
    report.Line(heading);
    int cursor = 0;
    for (int element = 0; element < detail::DetailElementCount(state); ++element) {
        report.Raw(FormatDetailLine(state, cursor, element));
    }
    report.EmptyLine();
}

void WriteCommonHead(ReportText& report, const CalculationState& state) {
    switch (state.calcKind) {
        case CalcKind::IsotopeCluster:
            report.Line("TARNEVO Isotope Cluster Data");
            break;
        case CalcKind::LabelledAtoms:
            report.Line("TARNEVO Isotope Cluster Data Using Labelled Atoms");
            break;
        case CalcKind::EnrichmentFromSpectrum:
            report.Line("TARNEVO Elemental Enrichment Data");
            break;
        default:
            report.Line("TARNEVO Loss of H Correction Data");
            break;
    }
    report.Line("Ion Formula: " + state.formulaText);
    report.Line("Mass of [A+0] Ion: " + core::FormatFixed(state.ionMassA, 4));
    report.Line("Ion Charge: " + core::FormatInteger(state.charge));
    if (state.calcKind == CalcKind::EnrichmentFromSpectrum) {
        report.Line("Enriched element: " + state.elementSymbol);
        report.Line("Number of enriched atoms: " + core::FormatInteger(state.details.detailAtomCount[0]));
        return;
    }
    report.EmptyLine();
    if (state.calcKind == CalcKind::LabelledAtoms) {
        WriteDetailBlock(report, state, "Enrichment Details (Fractional Abundances)");
    } else if (state.details.detailCount != 0) {
        WriteDetailBlock(report, state, "Fractional Abundances of User Defined Elements");
    }
}

void WriteClusterBody(ReportText& report, const CalculationState& state) {
    report.Line(kPeakColumns);
    const int peaks = Bounded(state.cluster.lastPeakIndex + 1, kPeakSlots);
    for (int n = 0; n < peaks; ++n) {
        report.Line(ClusterRow(n, PeakMz(state.ionMassA, n, state.charge), state.cluster.peakFA[n],
                               state.cluster.maxFA));
    }
    report.Line("Total Fractional Abundance: " + core::FormatFixed(state.cluster.totalFA, 5));
}

void WriteEnrichmentBody(ReportText& report, const CalculationState& state) {
    report.EmptyLine();
    report.Line("Enriched fractional abundances:");
    const int isotopes = Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDetailIsotopes);
    for (int i = 0; i < isotopes; ++i) {
        report.Line(state.elementSymbol + "(" + core::FormatInteger(state.details.isotopeMassNumber[i]) +
                    "), " + core::FormatFixed(state.details.isotopeFA[i], 5));
    }
    report.Line("Sum of squares of residuals of spectral fit: " +
                core::FormatFixed(state.spectrum.fitResidual, 3));
    report.EmptyLine();
    report.Line("Comparison of Experimental and Calculated Spectra");
    report.Line("Ion, m/z, Experimental, Calculated");
    // firstPeakOffset calculated peaks come before the first experimental one;
    // they are listed with an experimental intensity of 0.
    const int offset = Bounded(state.spectrum.firstPeakOffset, kPeakSlots);
    const int rows =
        Bounded(offset + Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks), kPeakSlots);
    for (int n = 0; n < rows; ++n) {
        const std::string experimental =
            n < offset ? "0.000" : core::FormatFixed(state.spectrum.expIntensity[n - offset], 3);
        report.Line(
            Joined({PeakLabel(n), core::FormatFixed(PeakMz(state.ionMassA, n, state.charge), 2), experimental,
                    core::FormatFixed(RelativeIntensity(state.cluster.peakFA[n], state.cluster.maxFA), 3)}));
    }
}

void WriteLossOfHBody(ReportText& report, const CalculationState& state) {
    const double step = 1.0 / std::abs(state.charge);
    report.Line("Experimental spectrum entered:");
    report.Line(kSpectrumColumns);
    const int entered = Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks);
    for (int i = 0; i < entered; ++i) {
        report.Line(Joined({PeakLabel(state.spectrum.firstPeakOffset + i),
                            core::FormatFixed(state.spectrum.firstPeakMz + i * step, 2),
                            core::FormatFixed(state.spectrum.expIntensity[i], 3)}));
    }
    report.EmptyLine();
    report.Line("Spectrum corrected for loss of H:");
    report.Line(kSpectrumColumns);
    const int corrected = Bounded(state.spectrum.correctedCount, kMaxExperimentalPeaks);
    for (int n = 0; n < corrected; ++n) {
        const double mz = state.spectrum.firstPeakMz + (n - state.spectrum.firstPeakOffset) * step;
        report.Line(Joined({PeakLabel(n), core::FormatFixed(mz, 2),
                            core::FormatFixed(state.spectrum.correctedIntensity[n], 3)}));
    }
}

void WriteFormulaBlock(ReportText& report, const CalculationState& state) {
    const double target = state.ionMassA;
    report.Line("TARNEVO Formula Estimation Data");
    report.Line("Target m/z: " + core::FormatFixed(target, 4));
    report.Line("Range in m/z: " + core::FormatFixed(target - state.formulae.mzHalfRange, 4) + " to " +
                core::FormatFixed(target + state.formulae.mzHalfRange, 4));
    report.Line("Ion Charge: " + core::FormatInteger(state.charge));
    std::string elements = "Elements considered";
    for (int j = 0; j < Bounded(state.formulae.elementCount, kMaxFormulaElements); ++j) {
        elements += ", " + state.formulae.elementSymbols[j];
    }
    report.Line(elements);
    if (state.formulae.userElementMass != 0.0) {
        report.Line("Isotopic mass of user defined element Jx: " +
                    core::FormatFixed(state.formulae.userElementMass, 4));
    }
    const int formulae = Bounded(state.formulae.formulaCount, kMaxFormulae);
    if (formulae == 0) {
        report.Line("There are no compounds in this range.");
        return;
    }
    report.EmptyLine();
    report.Line("Ion Formula, m/z");
    for (int i = 0; i < formulae; ++i) {
        report.Line(detail::MatchedFormula(state, i) + ", " +
                    core::FormatFixed(state.formulae.formulaMz[i], 4));
    }
    if (formulae == kMaxFormulae) report.Line("Number of compounds exceeds the buffer capacity (200).");
}

void WriteRepeatingUnitBlock(ReportText& report, const CalculationState& state) {
    report.Line("TARNEVO Data for Ions with Repeating Units");
    report.Line("Repeating Unit: " + state.formulaText);
    report.Line(state.series.hasEndCap ? "End Cap: " + state.series.endCapText : std::string("No End Cap"));
    report.Line("Charging Ion: " + state.series.chargingIonText);
    report.Line("Total Ionic Charge: " + core::FormatInteger(state.charge));
    report.Line("Minimum Total Fractional Abundance: " + core::FormatFixed(state.stopFA, 5));
    if (state.details.detailCount != 0)
        WriteDetailBlock(report, state, "Fractional Abundances of User Defined Elements");
    // The peaks of all ions lie one after another in peakFA.
    int slot = 0;
    for (int k = 0; k < Bounded(state.series.ionCount, kMaxIons); ++k) {
        const double massA = state.series.ionMassAList[k];
        report.EmptyLine();
        report.Line("Ion Formula: " + detail::RepeatingUnitIon(state, state.series.firstRUCount + k));
        report.Line("Mass of [A+0] Ion: " + core::FormatFixed(massA, 4));
        report.Line(kPeakColumns);
        const int peaks = Bounded(state.series.ionLastPeakIndex[k] + 1, kPeakSlots - slot);
        for (int n = 0; n < peaks; ++n, ++slot) {
            report.Line(ClusterRow(n, PeakMz(massA, n, state.charge), state.cluster.peakFA[slot],
                                   state.series.ionMaxFA[k]));
        }
    }
}

void WriteIsotopicDataBlock(ReportText& report, const CalculationState& state) {
    report.Line("TARNEVO Isotope Data");
    report.Line("Isotopes of " + state.elementSymbol);
    report.EmptyLine();
    report.Line("Isotope, Mass, FA");
    const int isotopes = Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDisplayedIsotopes);
    for (int i = 0; i < isotopes; ++i) {
        report.Line(state.elementSymbol + "(" +
                    core::FormatInteger(state.isotopes.isotopeBase + state.details.isotopeMassNumber[i]) +
                    "), " + core::FormatFixed(state.isotopes.isotopeMass[i], 5) + ", " +
                    core::FormatFixed(state.isotopes.isotopeFAList[i], 5));
    }
}

}  // namespace

std::string ComposeReport(const CalculationState& state, std::string_view runDate) {
    ReportText report;
    switch (state.calcKind) {
        case CalcKind::IsotopeCluster:
        case CalcKind::LabelledAtoms:
            WriteCommonHead(report, state);
            WriteClusterBody(report, state);
            break;
        case CalcKind::EnrichmentFromSpectrum:
            WriteCommonHead(report, state);
            WriteEnrichmentBody(report, state);
            break;
        case CalcKind::LossOfH:
            WriteCommonHead(report, state);
            WriteLossOfHBody(report, state);
            break;
        case CalcKind::FormulaFromMz:
            WriteFormulaBlock(report, state);
            break;
        case CalcKind::RepeatingUnits:
            WriteRepeatingUnitBlock(report, state);
            break;
        case CalcKind::IsotopicData:
            WriteIsotopicDataBlock(report, state);
            break;
    }
    report.EmptyLine();
    report.Line("TARNEVO run on " + std::string(runDate));
    return report.Take();
}

std::string FormatDetailLine(const CalculationState& state, int& cursor, int element) {
    const std::string symbol = detail::DetailSymbol(state, element);
    const int atoms =
        element >= 0 && element < kMaxDetailElements ? state.details.detailAtomCount[element] : 0;
    const int first = Bounded(cursor, kMaxDetailIsotopes);
    const int isotopes = detail::DetailIsotopeCount(state, element, first);
    std::string line = core::FormatInteger(atoms) + " atom(s) of " + symbol + ": ";
    for (int k = 0; k < isotopes; ++k) {
        if (k > 0) line += ", ";
        line += symbol + "(" + core::FormatInteger(state.details.isotopeMassNumber[first + k]) +
                ")=" + core::FormatFixed(state.details.isotopeFA[first + k], 5);
    }
    line += kEndOfLine;
    cursor = first + isotopes;
    return line;
}

std::string FormatRunDate(std::time_t time) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return {};
    if (local.tm_mon < 0 || local.tm_mon > 11) return {};
    const auto twoDigits = [](int value) {
        std::string text = core::FormatInteger(value);
        return text.size() < 2 ? "0" + text : text;
    };
    return std::string(kMonths[static_cast<std::size_t>(local.tm_mon)]) + " " + twoDigits(local.tm_mday) +
           ", " + core::FormatInteger(1900LL + local.tm_year) + ", at " + twoDigits(local.tm_hour) + "." +
           twoDigits(local.tm_min) + " h";
}

}  // namespace tarnevo::output
