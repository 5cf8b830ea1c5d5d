#include "tests/output/sample_states.h"

namespace tarnevo::testing {

using output::CalcKind;
using output::CalculationState;
using output::ElectronClass;

CalculationState ClusterState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "C6H5Cl";
    state.charge = 1;
    state.ionMassA = 112.0081;
    state.cluster.lastPeakIndex = 3;
    state.cluster.peakFA[0] = 0.75;
    state.cluster.peakFA[1] = 0.05;
    state.cluster.peakFA[2] = 0.2;
    state.cluster.peakFA[3] = 1.2e-5;
    state.cluster.maxFA = 0.75;
    state.cluster.totalFA = 1.000012;
    state.details.detailCount = 0;
    return state;
}

CalculationState ClusterWithUserElementsState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "C2Jx2Qy";
    state.charge = -2;
    state.ionMassA = 250.5;
    state.cluster.lastPeakIndex = 2;
    state.cluster.peakFA[0] = 0.4;
    state.cluster.peakFA[1] = 0.5;
    state.cluster.peakFA[2] = 0.1;
    state.cluster.maxFA = 0.5;
    state.cluster.totalFA = 1.0;
    state.details.detailCount = 2;
    state.details.detailSymbol = "JxQy";
    state.details.detailAtomCount = {2, 1};
    state.details.lastIsotopeIndex = {1, 2};
    state.details.isotopeMassNumber = {10, 11, 20, 21, 22};
    state.details.isotopeFA = {0.2, 0.8, 0.5, 0.3, 0.2};
    return state;
}

CalculationState OddPeakCountClusterState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "CJx2";
    state.charge = 1;
    state.ionMassA = 100.0;
    state.cluster.lastPeakIndex = 4;
    state.cluster.peakFA[0] = 0.5;
    state.cluster.peakFA[1] = 0.25;
    state.cluster.peakFA[2] = 0.125;
    state.cluster.peakFA[3] = 0.0625;
    state.cluster.peakFA[4] = 1.5e-7;
    state.cluster.maxFA = 0.5;
    state.cluster.totalFA = 0.9375002;
    state.cluster.peakOverflow = true;
    state.details.detailCount = 1;
    state.details.detailSymbol = "Jx";
    state.details.detailAtomCount = {2};
    state.details.lastIsotopeIndex = {1};
    state.details.isotopeMassNumber = {10, 11};
    state.details.isotopeFA = {0.5, 0.5};
    return state;
}

CalculationState SinglePeakClusterState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "C";
    state.charge = -1;
    state.ionMassA = 12.000548579909;  // C plus one electron
    state.cluster.lastPeakIndex = 0;
    state.cluster.peakFA[0] = 1.0;
    state.cluster.maxFA = 1.0;
    state.cluster.totalFA = 1.0;
    state.details.detailCount = 0;
    return state;
}

CalculationState LabelledAtomsState() {
    CalculationState state;
    state.calcKind = CalcKind::LabelledAtoms;
    state.formulaText = "C5H5N";
    state.charge = 1;
    state.ionMassA = 79.0417;
    state.cluster.lastPeakIndex = 1;
    state.cluster.peakFA[0] = 0.25;
    state.cluster.peakFA[1] = 0.5;
    state.cluster.maxFA = 0.5;
    state.cluster.maxPeakIndex = 1;
    state.cluster.totalFA = 0.75;
    state.details.detailCount = 2;
    state.details.detailSymbol = "C N ";
    state.details.detailAtomCount = {6, 1};
    state.details.lastIsotopeIndex = {1, 1};
    state.details.isotopeMassNumber = {12, 13, 14, 15};
    state.details.isotopeFA = {0.01, 0.99, 0.5, 0.5};
    return state;
}

CalculationState ZeroTotalLabelledAtomsState() {
    CalculationState state = LabelledAtomsState();
    state.formulaText = "C6H6";
    state.charge = 2;
    state.ionMassA = 78.0464;
    state.cluster.totalFA = 0.0;
    return state;
}

CalculationState EnrichmentState(int firstPeakOffset) {
    CalculationState state;
    state.calcKind = CalcKind::EnrichmentFromSpectrum;
    state.formulaText = "C6H6";
    state.charge = 1;
    state.ionMassA = 78.0464;
    state.elementSymbol = "C";
    state.details.detailAtomCount = {6};
    state.details.lastIsotopeIndex = {1};
    state.details.isotopeMassNumber = {12, 13};
    state.details.isotopeFA = {0.1, 0.9};
    state.spectrum.fitResidual = 1.5;
    state.spectrum.firstPeakOffset = firstPeakOffset;
    if (firstPeakOffset == 0) {
        state.spectrum.expPeakCount = 3;
        state.spectrum.expIntensity = {10.0, 100.0, 50.0};
        state.cluster.peakFA[0] = 0.1;
        state.cluster.peakFA[1] = 0.8;
        state.cluster.peakFA[2] = 0.4;
        state.cluster.maxFA = 0.8;
    } else {
        state.spectrum.expPeakCount = 2;
        state.spectrum.expIntensity = {100.0, 40.0};
        state.cluster.peakFA[0] = 0.01;
        state.cluster.peakFA[1] = 0.02;
        state.cluster.peakFA[2] = 0.5;
        state.cluster.peakFA[3] = 0.2;
        state.cluster.maxFA = 0.5;
    }
    return state;
}

namespace {

CalculationState FormulaHead(double target, int charge) {
    CalculationState state;
    state.calcKind = CalcKind::FormulaFromMz;
    state.ionMassA = target;
    state.formulae.mzHalfRange = 0.05;
    state.charge = charge;
    return state;
}

void AddFormula(CalculationState& state, std::array<int, output::kMaxFormulaElements> atoms,
                ElectronClass electrons, double mz) {
    const int i = state.formulae.formulaCount++;
    state.formulae.formulaAtoms[i] = atoms;
    state.formulae.formulaElectrons[i] = electrons;
    state.formulae.formulaMz[i] = mz;
}

}  // namespace

CalculationState FormulaState() {
    CalculationState state = FormulaHead(107.05, 1);
    state.formulae.elementCount = 4;
    state.formulae.elementSymbols = {"C", "H", "N", "O"};
    AddFormula(state, {7, 7, 0, 1}, ElectronClass::Even, 107.0491);
    AddFormula(state, {1, 1, 1, 1}, ElectronClass::Indeterminate, 107.05);
    AddFormula(state, {6, 5, 1, 0}, ElectronClass::Odd, 107.073);
    return state;
}

CalculationState LongFormulaState() {
    CalculationState state = FormulaHead(107.05, -1);
    state.formulae.elementCount = 8;
    state.formulae.elementSymbols = {"C", "H", "N", "O", "S", "Si", "Cl", "Br"};
    AddFormula(state, {7, 7, 0, 1, 0, 0, 0, 0}, ElectronClass::Even, 107.0491);
    AddFormula(state, {12345, 19999, 1111, 2222, 3333, 444, 0, 0}, ElectronClass::Indeterminate, 100.0);
    AddFormula(state, {12345, 19999, 1111, 2222, 3333, 4444, 5555, 0}, ElectronClass::Odd, 9876.5432);
    AddFormula(state, {12345, 19999, 1111, 2222, 3333, 4444, 5555, 6666}, ElectronClass::Odd, 12345.6789);
    return state;
}

CalculationState NoFormulaState() {
    CalculationState state = FormulaHead(150.0, 1);
    state.formulae.elementCount = 3;
    state.formulae.elementSymbols = {"C", "H", "Jx"};
    state.formulae.userElementMass = 17.5;
    return state;
}

CalculationState FullFormulaState() {
    CalculationState state = FormulaHead(150.0, 1);
    state.formulae.elementCount = 2;
    state.formulae.elementSymbols = {"C", "H"};
    for (int i = 0; i < output::kMaxFormulae; ++i) AddFormula(state, {1, i}, ElectronClass::Even, 100.0 + i);
    return state;
}

CalculationState LossOfHState() {
    CalculationState state;
    state.calcKind = CalcKind::LossOfH;
    state.formulaText = "C10H8";
    state.charge = 1;
    state.ionMassA = 128.0621;
    state.details.detailCount = 0;
    state.spectrum.firstPeakOffset = -2;
    state.spectrum.firstPeakMz = 126.05;
    state.spectrum.expPeakCount = 5;
    state.spectrum.expIntensity = {5.0, 20.0, 100.0, 11.0, 0.5};
    state.spectrum.correctedCount = 3;
    state.spectrum.correctedIntensity = {100.0, 10.8, 0.6};
    return state;
}

CalculationState LossOfHFromAMinusOneState() {
    CalculationState state;
    state.calcKind = CalcKind::LossOfH;
    state.formulaText = "C10H7Jx";
    state.charge = 1;
    state.ionMassA = 128.0621;
    state.details.detailCount = 1;
    state.details.detailSymbol = "Jx";
    state.details.detailAtomCount = {1};
    state.details.lastIsotopeIndex = {0};
    state.details.isotopeMassNumber = {1};
    state.details.isotopeFA = {1.0};
    state.spectrum.firstPeakOffset = -1;
    state.spectrum.firstPeakMz = 127.05;
    state.spectrum.expPeakCount = 5;
    state.spectrum.expIntensity = {20.0, 100.0, 11.0, 0.5, 0.25};
    state.spectrum.correctedCount = 4;
    state.spectrum.correctedIntensity = {100.0, 10.8, 0.6, 0.125};
    return state;
}

CalculationState RepeatingUnitState() {
    CalculationState state;
    state.calcKind = CalcKind::RepeatingUnits;
    state.formulaText = "C2H4O";
    state.series.hasEndCap = true;
    state.series.endCapText = "CH3OH";
    state.series.chargingIonText = "Na";
    state.series.chargingIonCount = 2;
    state.charge = 2;
    state.stopFA = 0.99;
    state.details.detailCount = 0;
    state.series.firstRUCount = 3;
    state.series.lastRUCount = 4;
    state.series.ionCount = 2;
    state.series.ionMassAList = {200.5, 244.5};
    state.series.ionLastPeakIndex = {1, 2};
    state.series.ionMaxFA = {0.8, 0.6};
    state.cluster.peakFA[0] = 0.8;
    state.cluster.peakFA[1] = 0.2;
    state.cluster.peakFA[2] = 0.6;
    state.cluster.peakFA[3] = 0.3;
    state.cluster.peakFA[4] = 0.1;
    return state;
}

CalculationState RepeatingUnitWithoutEndCapState() {
    CalculationState state;
    state.calcKind = CalcKind::RepeatingUnits;
    state.formulaText = "C2H3Jx";
    state.series.hasEndCap = false;
    state.series.chargingIonText = "Cl";
    state.series.chargingIonCount = 1;
    state.charge = -1;
    state.stopFA = 0.9999;
    state.details.detailCount = 1;
    state.details.detailSymbol = "Jx";
    state.details.detailAtomCount = {1};
    state.details.lastIsotopeIndex = {1};
    state.details.isotopeMassNumber = {30, 32};
    state.details.isotopeFA = {0.25, 0.75};
    state.series.firstRUCount = 12;
    state.series.lastRUCount = 40;
    state.series.ionCount = 1;
    state.series.ionMassAList = {551.25};
    state.series.ionLastPeakIndex = {1};
    state.series.ionMaxFA = {0.5};
    state.cluster.peakFA[0] = 0.5;
    state.cluster.peakFA[1] = 0.25;
    state.series.ionStorageFull = true;
    return state;
}

CalculationState IsotopicDataState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopicData;
    state.elementSymbol = "Cl";
    state.isotopes.isotopeBase = 35;
    state.details.lastIsotopeIndex = {1};
    state.details.isotopeMassNumber = {0, 2};
    state.isotopes.isotopeMass = {34.96885268, 36.96590259};
    state.isotopes.isotopeFAList = {0.7576, 0.2424};
    return state;
}

}  // namespace tarnevo::testing
