// The results of the one calculation a data set holds, with the inputs that the
// result page and the report repeat. Each calculation kind fills its own fields;
// the page layouts and the report writer only read them.
#pragma once

#include <array>
#include <string>

namespace tarnevo::results {

enum class CalcKind : int {
    IsotopeCluster = 0,
    LabelledAtoms = 1,
    EnrichmentFromSpectrum = 2,
    FormulaFromMz = 3,
    LossOfH = 4,
    RepeatingUnits = 5,
    IsotopicData = 6,
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

struct CalculationState {
    CalcKind calcKind = CalcKind::IsotopeCluster;
    std::string formulaText;     // kind 5: the repeating unit
    int charge = 1;              // signed; m/z divide by its absolute value
    double stopFA = 0.9999;
    double ionMassA = 0.0;       // kind 3: the target m/z

    // Cluster peaks [A+0] .. [A+319]; kind 5: the peaks of all ions in turn.
    std::array<double, kPeakSlots> peakFA{};
    // Where a high-resolution instrument sees each stored peak: the abundance-weighted
    // mean m/z of its isotopic compositions (the page shows the nominal spacing).
    std::array<double, kPeakSlots> peakCentroidMz{};
    double averageMass = 0.0;    // kind 0: the abundance-weighted mean ion mass of the cluster, u
    int lastPeakIndex = 0;
    int maxPeakIndex = 0;
    double maxFA = 0.0;
    double totalFA = 0.0;
    bool peakOverflow = false;

    // Elements with an isotope-FA detail line: user-defined (kinds 0, 4, 5) or
    // enriched (kind 1) elements; their isotopes one element after the other.
    int detailCount = 0;
    std::string detailSymbol;    // two characters per element, e.g. "JxQy" or "C H "
    std::array<int, kMaxDetailElements> detailAtomCount{};
    std::array<int, kMaxDetailElements> lastIsotopeIndex{};   // isotope count - 1
    std::array<int, kMaxDetailIsotopes> isotopeMassNumber{};
    std::array<double, kMaxDetailIsotopes> isotopeFA{};

    std::string elementSymbol;   // kinds 2 and 6

    // Experimental spectra (kinds 2 and 4).
    int expPeakCount = 0;
    std::array<double, kMaxExperimentalPeaks> expIntensity{};
    int firstPeakOffset = 0;
    double firstPeakMz = 0.0;
    double fitResidual = 0.0;
    int correctedCount = 0;
    std::array<double, kMaxExperimentalPeaks> correctedIntensity{};

    // Formulae matching an m/z (kind 3).
    double mzHalfRange = 0.0;
    int elementCount = 0;
    std::array<std::string, kMaxFormulaElements> elementSymbols{};
    int formulaCount = 0;
    std::array<std::array<int, kMaxFormulaElements>, kMaxFormulae> formulaAtoms{};
    std::array<double, kMaxFormulae> formulaMz{};
    std::array<ElectronClass, kMaxFormulae> formulaElectrons{};
    double userElementMass = 0.0;

    // Series of ions with repeating units (kind 5).
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

    // Isotopic data of one element (kind 6); mass numbers are
    // isotopeBase + isotopeMassNumber[i].
    int isotopeBase = 0;
    std::array<double, kMaxDisplayedIsotopes> isotopeMass{};
    std::array<double, kMaxDisplayedIsotopes> isotopeFAList{};
};

}  // namespace tarnevo::results
