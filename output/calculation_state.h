// The results of the one calculation a data set holds, with the inputs that the
// result page and the report repeat. Each calculation kind fills its own fields;
// the page layouts and the report writer only read them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/enrichment_fit.h"
#include "core/ion_identification.h"
#include "core/resolving_power.h"

namespace tarnevo::output {

enum class CalcKind : int {
    IsotopeCluster = 0,
    LabelledAtoms = 1,
    EnrichmentFromSpectrum = 2,
    FormulaFromMz = 3,
    LossOfH = 4,
    RepeatingUnits = 5,
    IsotopicData = 6,
    IonIdentification = 7,
};

inline constexpr int kPeakSlots = 320;
inline constexpr int kMaxDetailElements = 6;
inline constexpr int kMaxDetailIsotopes = 60;
inline constexpr int kMaxExperimentalPeaks = 12;
inline constexpr int kMaxFormulae = 200;
inline constexpr int kMaxFormulaElements = 8;
inline constexpr int kMaxIons = 30;
inline constexpr int kMaxDisplayedIsotopes = 12;

// Whether an ion found for an m/z is an even- or odd-electron ion, from the
// valences of its elements; indeterminate where an element has no fixed valence.
enum class ElectronClass : int {
    Indeterminate = -1,
    Even = 0,
    Odd = 1,
};

// The isotope cluster of one ion, peaks [A+0] .. [A+319], for every kind that
// computes one: the cluster pattern, labelled atoms, the fitted enrichment,
// the loss-of-H correction and, one ion after the other, the series.
struct StoredCluster {
    std::array<double, kPeakSlots> peakFA{};
    // Where a high-resolution instrument sees each stored peak: the abundance-weighted
    // mean m/z of its isotopic compositions (the page shows the nominal spacing).
    std::array<double, kPeakSlots> peakCentroidMz{};
    double averageMass = 0.0;  // the abundance-weighted mean ion mass of the cluster, u
    int lastPeakIndex = 0;
    int maxPeakIndex = 0;
    double maxFA = 0.0;
    double totalFA = 0.0;
    bool peakOverflow = false;
};

// Elements with an isotope-FA detail line: user-defined elements (cluster
// pattern, loss of H, series), enriched elements (labelled atoms) or the fitted
// element (enrichment); their isotopes one element after the other.
struct IsotopeDetails {
    int detailCount = 0;
    std::string detailSymbol;  // two characters per element, e.g. "JxQy" or "C H "
    std::array<int, kMaxDetailElements> detailAtomCount{};
    std::array<int, kMaxDetailElements> lastIsotopeIndex{};  // isotope count - 1
    std::array<int, kMaxDetailIsotopes> isotopeMassNumber{};
    std::array<double, kMaxDetailIsotopes> isotopeFA{};
};

// A measured spectrum: fitted (enrichment) or corrected (loss of H).
struct MeasuredSpectrum {
    int expPeakCount = 0;
    std::array<double, kMaxExperimentalPeaks> expIntensity{};
    int firstPeakOffset = 0;
    double firstPeakMz = 0.0;
    double fitResidual = 0.0;  // enrichment: the sum of squared differences at the best fit
    // Enrichment: the search cycles run and how the search ended (converged,
    // stopped at the question, or unable to improve).
    int fitCycleCount = 0;
    core::SearchEnd fitEnd = core::SearchEnd::Converged;
    int correctedCount = 0;  // loss of H: the corrected intensities
    std::array<double, kMaxExperimentalPeaks> correctedIntensity{};
};

// Elemental formulae whose m/z lies within mzHalfRange of the target ionMassA.
struct FormulaMatches {
    double mzHalfRange = 0.0;
    int elementCount = 0;
    std::array<std::string, kMaxFormulaElements> elementSymbols{};
    int formulaCount = 0;
    std::array<std::array<int, kMaxFormulaElements>, kMaxFormulae> formulaAtoms{};
    std::array<double, kMaxFormulae> formulaMz{};
    std::array<ElectronClass, kMaxFormulae> formulaElectrons{};
    double userElementMass = 0.0;
    // When every formula was asked for: those after the first 200 by m/z,
    // which the arrays above hold. Empty otherwise, and then the first 200
    // found are all the search keeps.
    struct Listed {
        std::array<int, kMaxFormulaElements> atoms{};
        double mz = 0.0;
        ElectronClass electrons = ElectronClass::Even;
    };
    bool listsAll = false;
    std::vector<Listed> beyondCapacity;
};

// A series of ions built from a repeating unit (formulaText), an optional end
// cap and charging ions; their peaks lie one ion after the other in StoredCluster.
struct IonSeries {
    std::string endCapText;
    bool hasEndCap = false;
    std::string chargingIonText;
    int chargingIonCount = 0;
    int firstRUCount = 0;
    int lastRUCount = 0;
    int ionCount = 0;
    std::array<double, kMaxIons> ionMassAList{};
    std::array<int, kMaxIons> ionLastPeakIndex{};
    std::array<double, kMaxIons> ionMaxFA{};
    bool ionStorageFull = false;
};

// The isotopic data of one element; mass numbers are
// isotopeBase + IsotopeDetails::isotopeMassNumber[i].
struct ElementIsotopes {
    int isotopeBase = 0;
    std::array<double, kMaxDisplayedIsotopes> isotopeMass{};
    std::array<double, kMaxDisplayedIsotopes> isotopeFAList{};
};

// Which ion a measured pattern is: the question as asked (peaks, ion types,
// element rows, accuracy, resolving power, filters) and the ranked candidates;
// selected is the candidate whose peaks the page compares and the plot shows.
struct IonIdentification {
    core::IdentifyQuery query;
    core::IdentifyResult result;
    std::size_t selected = 0;
    // How many of the best candidates the page and the report list; 0: the
    // usual number (kListedCandidates).
    std::size_t listed = 0;
    // The selected candidate's pattern as the instrument would show it: its
    // resolved peaks and profile, for the plot.
    core::ResolvedPattern selectedPattern;
};

// The echoed inputs every kind shares, then each kind's own group; a kind
// fills only the groups its results have, and the page and the report read
// the same groups.
// The ion type a formula was given as a molecule of (a cluster or labelled
// pattern asked for as [M+H]+ of M): the formula of the state is then the
// ion's. Empty notation: the formula was typed as the ion.
struct IonTypeEcho {
    std::string notation;    // "[M+H]+", as written back from the parse
    std::string molecule;    // M as typed
    std::string ionFormula;  // the ion's, in Hill order: the formula the results name
};

// The peaks an instrument of a given resolving power sees of the ion, when
// they were asked for: each the abundance-weighted m/z and summed FA of the
// lines between two minima of the profile. The profile itself is drawn from
// the stored ion by the plot, at the same resolving power, when wanted.
struct ResolvedPeaksTable {
    bool asked = false;
    core::ResolvingPower power;
    std::string model;                      // "fine structure" or "peak moments"
    std::vector<core::ResolvedPeak> peaks;  // in m/z order, FA of the whole ion
    std::string problem;                    // why there are none, when there are none
    bool drawProfile = false;
};

struct CalculationState {
    CalcKind calcKind = CalcKind::IsotopeCluster;
    std::string formulaText;  // the ion; for a series, the repeating unit
    int charge = 1;           // signed; m/z divide by its absolute value
    double stopFA = 0.9999;
    double ionMassA = 0.0;      // the [A+0] ion mass; for formulae, the target m/z
    std::string elementSymbol;  // the fitted element, or the element displayed

    StoredCluster cluster;
    IsotopeDetails details;
    MeasuredSpectrum spectrum;
    FormulaMatches formulae;
    IonSeries series;
    ElementIsotopes isotopes;
    IonIdentification identification;

    IonTypeEcho ionType;
    ResolvedPeaksTable resolved;
};

}  // namespace tarnevo::output
