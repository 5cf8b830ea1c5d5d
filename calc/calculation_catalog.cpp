#include "calc/calculation_catalog.h"

#include <algorithm>
#include <array>

#include "calc/cluster_ions_command.h"
#include "calc/isotope_cluster_command.h"
#include "calc/isotopic_data_command.h"
#include "calc/labelling_command.h"
#include "calc/loss_of_h_command.h"
#include "calc/molecular_formulae_command.h"

namespace tarnevo::calc {

namespace {

using doc::Command;
using output::CalcKind;

constexpr std::array<CalculationDescriptor, 6> kCalculations = {{
    {Command::IsotopeClusterPattern, CalcKind::IsotopeCluster, "&Isotope Cluster Pattern ",
     "Calculate an isotope cluster pattern", "Isot Pattern", 'I', "isotope_cluster.html", "cluster",
     &RunIsotopeClusterPattern, "cluster"},
    {Command::ClusterIonsAndPolymers, CalcKind::RepeatingUnits, "&Cluster Ions and Polymers ",
     "Calculate ionic formulae for cluster or polymer ions with repeating units", "Clusters/Polymers", 'K',
     "cluster_ions.html", "chain", &BeginClusterIons, "polymer"},
    {Command::MolecularFormulae, CalcKind::FormulaFromMz, "&Molecular Formulae from m/z ",
     "Determine molecular formulae that correspond to a range of m/z values", "Formula", 'M',
     "formulae_from_mz.html", "formula", &RunMolecularFormulae, "formulas"},
    {Command::CorrectForLossOfH, CalcKind::LossOfH, "Correct for Loss of &H ",
     "Calculate isotope patterns where there is significant loss of H", "Loss of H", 'H', "loss_of_h.html",
     "loss-of-h", &RunLossOfH, "loss-of-h"},
    {Command::IsotopeLabelling, CalcKind::LabelledAtoms, "Isotope &Labelling Effects ",
     "Calculate isotope incorporation or cluster patterns for labelled compounds", "Labelling", 'L',
     "labelling.html", "label", &RunLabellingCommand, "label enrich"},
    {Command::DisplayIsotopicData, CalcKind::IsotopicData, "&Display Isotopic Data ",
     "Displays the isotopic data for a particular element", "Isot Data", 'D', "isotopic_data.html", "table",
     &RunDisplayIsotopicData, "isotopes"},
}};

}  // namespace

std::span<const CalculationDescriptor> Calculations() { return kCalculations; }

const CalculationDescriptor* FindCalculation(doc::Command command) {
    const auto found =
        std::find_if(kCalculations.begin(), kCalculations.end(),
                     [command](const CalculationDescriptor& entry) { return entry.command == command; });
    return found == kCalculations.end() ? nullptr : &*found;
}

}  // namespace tarnevo::calc
