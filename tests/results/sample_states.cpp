#include "tests/results/sample_states.h"

namespace tarnevo::testing {

using results::CalcKind;
using results::CalculationState;
using results::ElectronClass;

CalculationState ClusterState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "C6H5Cl";
    state.charge = 1;
    state.ionMassA = 112.0081;
    state.lastPeakIndex = 3;
    state.peakFA[0] = 0.75;
    state.peakFA[1] = 0.05;
    state.peakFA[2] = 0.2;
    state.peakFA[3] = 1.2e-5;
    state.maxFA = 0.75;
    state.totalFA = 1.000012;
    state.detailCount = 0;
    return state;
}

CalculationState ClusterWithUserElementsState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "C2Jx2Qy";
    state.charge = -2;
    state.ionMassA = 250.5;
    state.lastPeakIndex = 2;
    state.peakFA[0] = 0.4;
    state.peakFA[1] = 0.5;
    state.peakFA[2] = 0.1;
    state.maxFA = 0.5;
    state.totalFA = 1.0;
    state.detailCount = 2;
    state.detailSymbol = "JxQy";
    state.detailAtomCount = {2, 1};
    state.lastIsotopeIndex = {1, 2};
    state.isotopeMassNumber = {10, 11, 20, 21, 22};
    state.isotopeFA = {0.2, 0.8, 0.5, 0.3, 0.2};
    return state;
}

CalculationState OddPeakCountClusterState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "CJx2";
    state.charge = 1;
    state.ionMassA = 100.0;
    state.lastPeakIndex = 4;
    state.peakFA[0] = 0.5;
    state.peakFA[1] = 0.25;
    state.peakFA[2] = 0.125;
    state.peakFA[3] = 0.0625;
    state.peakFA[4] = 1.5e-7;
    state.maxFA = 0.5;
    state.totalFA = 0.9375002;
    state.peakOverflow = true;
    state.detailCount = 1;
    state.detailSymbol = "Jx";
    state.detailAtomCount = {2};
    state.lastIsotopeIndex = {1};
    state.isotopeMassNumber = {10, 11};
    state.isotopeFA = {0.5, 0.5};
    return state;
}

CalculationState SinglePeakClusterState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopeCluster;
    state.formulaText = "C";
    state.charge = -1;
    state.ionMassA = 12.000548579909;  // C plus one electron
    state.lastPeakIndex = 0;
    state.peakFA[0] = 1.0;
    state.maxFA = 1.0;
    state.totalFA = 1.0;
    state.detailCount = 0;
    return state;
}

CalculationState LabelledAtomsState() {
    CalculationState state;
    state.calcKind = CalcKind::LabelledAtoms;
    state.formulaText = "C5H5N";
    state.charge = 1;
    state.ionMassA = 79.0417;
    state.lastPeakIndex = 1;
    state.peakFA[0] = 0.25;
    state.peakFA[1] = 0.5;
    state.maxFA = 0.5;
    state.maxPeakIndex = 1;
    state.totalFA = 0.75;
    state.detailCount = 2;
    state.detailSymbol = "C N ";
    state.detailAtomCount = {6, 1};
    state.lastIsotopeIndex = {1, 1};
    state.isotopeMassNumber = {12, 13, 14, 15};
    state.isotopeFA = {0.01, 0.99, 0.5, 0.5};
    return state;
}

CalculationState ZeroTotalLabelledAtomsState() {
    CalculationState state = LabelledAtomsState();
    state.formulaText = "C6H6";
    state.charge = 2;
    state.ionMassA = 78.0464;
    state.totalFA = 0.0;
    return state;
}

CalculationState EnrichmentState(int firstPeakOffset) {
    CalculationState state;
    state.calcKind = CalcKind::EnrichmentFromSpectrum;
    state.formulaText = "C6H6";
    state.charge = 1;
    state.ionMassA = 78.0464;
    state.elementSymbol = "C";
    state.detailAtomCount = {6};
    state.lastIsotopeIndex = {1};
    state.isotopeMassNumber = {12, 13};
    state.isotopeFA = {0.1, 0.9};
    state.fitResidual = 1.5;
    state.firstPeakOffset = firstPeakOffset;
    if (firstPeakOffset == 0) {
        state.expPeakCount = 3;
        state.expIntensity = {10.0, 100.0, 50.0};
        state.peakFA[0] = 0.1;
        state.peakFA[1] = 0.8;
        state.peakFA[2] = 0.4;
        state.maxFA = 0.8;
    } else {
        state.expPeakCount = 2;
        state.expIntensity = {100.0, 40.0};
        state.peakFA[0] = 0.01;
        state.peakFA[1] = 0.02;
        state.peakFA[2] = 0.5;
        state.peakFA[3] = 0.2;
        state.maxFA = 0.5;
    }
    return state;
}

namespace {

CalculationState FormulaHead(double target, int charge) {
    CalculationState state;
    state.calcKind = CalcKind::FormulaFromMz;
    state.ionMassA = target;
    state.mzHalfRange = 0.05;
    state.charge = charge;
    return state;
}

void AddFormula(CalculationState& state, std::array<int, results::kMaxFormulaElements> atoms,
                ElectronClass electrons, double mz) {
    const int i = state.formulaCount++;
    state.formulaAtoms[i] = atoms;
    state.formulaElectrons[i] = electrons;
    state.formulaMz[i] = mz;
}

}  // namespace

CalculationState FormulaState() {
    CalculationState state = FormulaHead(107.05, 1);
    state.elementCount = 4;
    state.elementSymbols = {"C", "H", "N", "O"};
    AddFormula(state, {7, 7, 0, 1}, ElectronClass::Even, 107.0491);
    AddFormula(state, {1, 1, 1, 1}, ElectronClass::Indeterminate, 107.05);
    AddFormula(state, {6, 5, 1, 0}, ElectronClass::Odd, 107.073);
    return state;
}

CalculationState LongFormulaState() {
    CalculationState state = FormulaHead(107.05, -1);
    state.elementCount = 8;
    state.elementSymbols = {"C", "H", "N", "O", "S", "Si", "Cl", "Br"};
    AddFormula(state, {7, 7, 0, 1, 0, 0, 0, 0}, ElectronClass::Even, 107.0491);
    AddFormula(state, {12345, 19999, 1111, 2222, 3333, 444, 0, 0}, ElectronClass::Indeterminate, 100.0);
    AddFormula(state, {12345, 19999, 1111, 2222, 3333, 4444, 5555, 0}, ElectronClass::Odd, 9876.5432);
    AddFormula(state, {12345, 19999, 1111, 2222, 3333, 4444, 5555, 6666}, ElectronClass::Odd, 12345.6789);
    return state;
}

CalculationState NoFormulaState() {
    CalculationState state = FormulaHead(150.0, 1);
    state.elementCount = 3;
    state.elementSymbols = {"C", "H", "Jx"};
    state.userElementMass = 17.5;
    return state;
}

CalculationState FullFormulaState() {
    CalculationState state = FormulaHead(150.0, 1);
    state.elementCount = 2;
    state.elementSymbols = {"C", "H"};
    for (int i = 0; i < results::kMaxFormulae; ++i) AddFormula(state, {1, i}, ElectronClass::Even, 100.0 + i);
    return state;
}

CalculationState LossOfHState() {
    CalculationState state;
    state.calcKind = CalcKind::LossOfH;
    state.formulaText = "C10H8";
    state.charge = 1;
    state.ionMassA = 128.0621;
    state.detailCount = 0;
    state.firstPeakOffset = -2;
    state.firstPeakMz = 126.05;
    state.expPeakCount = 5;
    state.expIntensity = {5.0, 20.0, 100.0, 11.0, 0.5};
    state.correctedCount = 3;
    state.correctedIntensity = {100.0, 10.8, 0.6};
    return state;
}

CalculationState LossOfHFromAMinusOneState() {
    CalculationState state;
    state.calcKind = CalcKind::LossOfH;
    state.formulaText = "C10H7Jx";
    state.charge = 1;
    state.ionMassA = 128.0621;
    state.detailCount = 1;
    state.detailSymbol = "Jx";
    state.detailAtomCount = {1};
    state.lastIsotopeIndex = {0};
    state.isotopeMassNumber = {1};
    state.isotopeFA = {1.0};
    state.firstPeakOffset = -1;
    state.firstPeakMz = 127.05;
    state.expPeakCount = 5;
    state.expIntensity = {20.0, 100.0, 11.0, 0.5, 0.25};
    state.correctedCount = 4;
    state.correctedIntensity = {100.0, 10.8, 0.6, 0.125};
    return state;
}

CalculationState RepeatingUnitState() {
    CalculationState state;
    state.calcKind = CalcKind::RepeatingUnits;
    state.formulaText = "C2H4O";
    state.hasEndCap = true;
    state.endCapText = "CH3OH";
    state.chargingIonText = "Na";
    state.chargingIonCount = 2;
    state.charge = 2;
    state.stopFA = 0.99;
    state.detailCount = 0;
    state.firstRUCount = 3;
    state.lastRUCount = 4;
    state.ionCount = 2;
    state.ionMassAList = {200.5, 244.5};
    state.ionLastPeakIndex = {1, 2};
    state.ionMaxFA = {0.8, 0.6};
    state.peakFA[0] = 0.8;
    state.peakFA[1] = 0.2;
    state.peakFA[2] = 0.6;
    state.peakFA[3] = 0.3;
    state.peakFA[4] = 0.1;
    return state;
}

CalculationState RepeatingUnitWithoutEndCapState() {
    CalculationState state;
    state.calcKind = CalcKind::RepeatingUnits;
    state.formulaText = "C2H3Jx";
    state.hasEndCap = false;
    state.chargingIonText = "Cl";
    state.chargingIonCount = 1;
    state.charge = -1;
    state.stopFA = 0.9999;
    state.detailCount = 1;
    state.detailSymbol = "Jx";
    state.detailAtomCount = {1};
    state.lastIsotopeIndex = {1};
    state.isotopeMassNumber = {30, 32};
    state.isotopeFA = {0.25, 0.75};
    state.firstRUCount = 12;
    state.lastRUCount = 40;
    state.ionCount = 1;
    state.ionMassAList = {551.25};
    state.ionLastPeakIndex = {1};
    state.ionMaxFA = {0.5};
    state.peakFA[0] = 0.5;
    state.peakFA[1] = 0.25;
    state.ionStorageFull = true;
    return state;
}

CalculationState IsotopicDataState() {
    CalculationState state;
    state.calcKind = CalcKind::IsotopicData;
    state.elementSymbol = "Cl";
    state.isotopeBase = 35;
    state.lastIsotopeIndex = {1};
    state.isotopeMassNumber = {0, 2};
    state.isotopeMass = {34.96885268, 36.96590259};
    state.isotopeFAList = {0.7576, 0.2424};
    return state;
}

}  // namespace tarnevo::testing
