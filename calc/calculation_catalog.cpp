#include "calc/calculation_catalog.h"

#include <algorithm>

#include "calc/cluster_ions_command.h"
#include "calc/identify_command.h"
#include "calc/isotope_cluster_command.h"
#include "calc/isotopic_data_command.h"
#include "calc/labelling_command.h"
#include "calc/loss_of_h_command.h"
#include "calc/molecular_formulae_command.h"

namespace tarnevo::calc {

// The table is built on first use: its option sets and lists are not
// compile-time data, and no static initialiser elsewhere can then see it before
// it is complete.
std::span<const CalculationDescriptor> Calculations() {
    using doc::Command;
    using output::CalcKind;
    static const CalculationDescriptor kCalculations[] = {
        {.command = Command::IsotopeClusterPattern,
         .kind = CalcKind::IsotopeCluster,
         .resultKinds = {CalcKind::IsotopeCluster},
         .menuText = "&Isotope Cluster Pattern ",
         .prompt = "Calculate an isotope cluster pattern",
         .toolTip = "Isot Pattern",
         .shortcutKey = 'I',
         .helpPage = "isotope_cluster.html",
         .toolbarImage = "cluster",
         .handler = &RunIsotopeClusterPattern,
         .commandLine = {{
             .name = "cluster",
             .summary = "the isotope cluster of one ion",
             .usage = "usage: tarnevo-cli cluster FORMULA [--charge Z | --adduct ION] [--stop FA] "
                      "[--define Jx=MASS[:DELTA=FA,...]]...\n"
                      "                           [--resolution R [--orbitrap [--at MZ]] [--profile]] "
                      "[--json | --csv] [--report FILE]\n"
                      "         (with --adduct ION, FORMULA is the molecule M of the ion type ION,\n"
                      "         such as '[M+Na]+', '[M-H]-', '[2M+H]+')\n"
                      "       tarnevo-cli cluster --batch FILE|- [--jobs N] [--charge Z | --adduct ION] "
                      "[--stop FA] "
                      "[--define ...]... [--resolution R ...]\n"
                      "         (one ion a line: FORMULA [--charge Z | --adduct ION] [--stop FA] [--define "
                      "...]...; "
                      "JSON Lines out;\n"
                      "         the options beside --batch hold for each line that does not give its own;\n"
                      "         --jobs N ions at once, one a core unless said, the lines in input order)",
             .example = "tarnevo-cli cluster C6H5Cl2 --charge 1 --json",
             .options = {.valueOptions = {"charge", "adduct", "stop", "define", "resolution", "at", "report",
                                          "batch", "jobs"},
                         .flags = {"json", "orbitrap", "profile"},
                         .positionalCount = 1,
                         .insteadOfPositionals = "batch"},
             .listedAt = 0,
         }}},
        {.command = Command::ClusterIonsAndPolymers,
         .kind = CalcKind::RepeatingUnits,
         .resultKinds = {CalcKind::RepeatingUnits},
         .menuText = "&Cluster Ions and Polymers ",
         .prompt = "Calculate ionic formulae for cluster or polymer ions with repeating units",
         .toolTip = "Clusters/Polymers",
         .shortcutKey = 'K',
         .helpPage = "cluster_ions.html",
         .toolbarImage = "chain",
         .handler = &BeginClusterIons,
         .commandLine = {{
             .name = "polymer",
             .summary = "the clusters of a series of cluster or polymer ions",
             .usage = "usage: tarnevo-cli polymer --ru FORMULA [--cap FORMULA] --ci FORMULA [--ci-count K] "
                      "[--charge Z] (--ru-range MIN-MAX | --mz-range MIN-MAX) [--stop FA] [--define "
                      "Jx=MASS[:DELTA=FA,...]]... [--json | --csv] [--report FILE]",
             .example = "tarnevo-cli polymer --ru C2H4O --ci Na --mz-range 50-400",
             .options = {.valueOptions = {"ru", "cap", "ci", "ci-count", "charge", "ru-range", "mz-range",
                                          "stop", "define", "report"},
                         .flags = {"json"},
                         .positionalCount = 0},
             .listedAt = 1,
         }}},
        {.command = Command::MolecularFormulae,
         .kind = CalcKind::FormulaFromMz,
         .resultKinds = {CalcKind::FormulaFromMz},
         .menuText = "&Molecular Formulae from m/z ",
         .prompt = "Determine molecular formulae that correspond to a range of m/z values",
         .toolTip = "Formula",
         .shortcutKey = 'M',
         .helpPage = "formulae_from_mz.html",
         .toolbarImage = "formula",
         .handler = &RunMolecularFormulae,
         .commandLine = {{
             .name = "formulas",
             .summary = "the elemental formulae whose m/z lies within a tolerance of a measured m/z",
             .usage = "usage: tarnevo-cli formulas MZ [--tol D] [--charge Z] --element SYM[:MIN[:MAX]]... "
                      "[--jx MASS[:VALENCE]] [--all] [--json | --csv] [--report FILE]\n"
                      "       tarnevo-cli formulas MZ --adduct ION [--adduct ION]... [--tol D] "
                      "--element SYM[:MIN[:MAX]]... [--jx ...] [--all] [--json | --csv]\n"
                      "         (the molecules M, bounded by the --element rows, whose ion of each type\n"
                      "         ION, such as '[M+Na]+', '[M-H]-', '[M-H2O+H]+', lies within --tol of MZ)",
             .example = "tarnevo-cli formulas 200 --tol 0.05 --element C --element H:0:200 --json",
             .options = {.valueOptions = {"tol", "charge", "element", "jx", "adduct", "report"},
                         .flags = {"all", "json"},
                         .positionalCount = 1},
             .listedAt = 6,
         }}},
        {.command = Command::CorrectForLossOfH,
         .kind = CalcKind::LossOfH,
         .resultKinds = {CalcKind::LossOfH},
         .menuText = "Correct for Loss of &H ",
         .prompt = "Calculate isotope patterns where there is significant loss of H",
         .toolTip = "Loss of H",
         .shortcutKey = 'H',
         .helpPage = "loss_of_h.html",
         .toolbarImage = "loss-of-h",
         .handler = &RunLossOfH,
         .commandLine = {{
             .name = "loss-of-h",
             .summary = "a measured pattern freed of the ions that lost one to four H",
             .usage = "usage: tarnevo-cli loss-of-h FORMULA --first-mz MZ --intensities I0,I1,... [--charge "
                      "1|2] [--define Jx=MASS[:DELTA=FA,...]]... [--json | --csv] [--report FILE]",
             .example = "tarnevo-cli loss-of-h C6H6 --first-mz 77.05 --intensities 100,50,3",
             .options = {.valueOptions = {"first-mz", "intensities", "charge", "define", "report"},
                         .flags = {"json"},
                         .positionalCount = 1},
             .listedAt = 5,
         }}},
        {.command = Command::IsotopeLabelling,
         .kind = CalcKind::LabelledAtoms,
         .resultKinds = {CalcKind::LabelledAtoms, CalcKind::EnrichmentFromSpectrum},
         .menuText = "Isotope &Labelling Effects ",
         .prompt = "Calculate isotope incorporation or cluster patterns for labelled compounds",
         .toolTip = "Labelling",
         .shortcutKey = 'L',
         .helpPage = "labelling.html",
         .toolbarImage = "label",
         .handler = &RunLabellingCommand,
         .commandLine =
             {{
                  .name = "label",
                  .summary = "the isotope cluster of an ion with enriched atoms",
                  .usage = "usage: tarnevo-cli label FORMULA --enrich SYM:ATOMS[:FA,FA,...]... "
                           "[--charge Z | --adduct ION] [--stop FA] [--json | --csv] [--report FILE]",
                  .example = "tarnevo-cli label C6H6 --enrich C:2:0.99 --json",
                  .options = {.valueOptions = {"enrich", "charge", "adduct", "stop", "report"},
                              .flags = {"json"},
                              .positionalCount = 1},
                  .listedAt = 3,
              },
              {
                  .name = "enrich",
                  .summary = "the enrichment of one element fitted to a measured spectrum",
                  .usage = "usage: tarnevo-cli enrich FORMULA --element SYM --atoms N --first-mz MZ "
                           "--intensities I0,I1,... [--charge Z] [--max-isotope K --estimate FA] "
                           "[--max-cycles N] [--json | --csv] [--report FILE]",
                  .example = "tarnevo-cli enrich C6H6 --element C --atoms 2 --first-mz 78.0464 "
                             "--intensities 1.2,22,100,4.4",
                  .options = {.valueOptions = {"element", "atoms", "first-mz", "intensities", "charge",
                                               "max-isotope", "estimate", "max-cycles", "report"},
                              .flags = {"json"},
                              .positionalCount = 1},
                  .listedAt = 4,
              }}},
        {.command = Command::DisplayIsotopicData,
         .kind = CalcKind::IsotopicData,
         .resultKinds = {CalcKind::IsotopicData},
         .menuText = "&Display Isotopic Data ",
         .prompt = "Displays the isotopic data for a particular element",
         .toolTip = "Isot Data",
         .shortcutKey = 'D',
         .helpPage = "isotopic_data.html",
         .toolbarImage = "table",
         .handler = &RunDisplayIsotopicData,
         .commandLine = {{
             .name = "isotopes",
             .summary = "the isotopes of a natural element",
             .usage = "usage: tarnevo-cli isotopes SYMBOL [--json | --csv] [--report FILE]",
             .example = "tarnevo-cli isotopes Cl",
             .options = {.valueOptions = {"report"}, .flags = {"json"}, .positionalCount = 1},
             .listedAt = 2,
         }}},
        {.command = Command::IdentifyIon,
         .kind = CalcKind::IonIdentification,
         .resultKinds = {CalcKind::IonIdentification},
         .menuText = "Identify Ion from Pa&ttern ",
         .prompt = "Identify the ion of a measured isotope pattern: formula and ion type ranked by mass and "
                   "pattern",
         .toolTip = "Identify Ion",
         .shortcutKey = 'T',
         .helpPage = "identify_ion.html",
         .toolbarImage = "identify",
         .handler = &RunIdentifyIon,
         .commandLine = {{
             .name = "identify",
             .summary = "the formulae and ion types that explain a measured isotope pattern",
             .usage =
                 "usage: tarnevo-cli identify (--peaks MZ:I,MZ:I,... | --peaks-file FILE|-) "
                 "[--charge Z | --polarity +|-] [--adduct ION]...\n"
                 "                           [--instrument orbitrap|ft-icr|q-tof|tof|it-tof|custom] "
                 "[--prior ratios|ion-types]... [--no-prior ratios|ion-types]...\n"
                 "                           [--element SYM[:MIN[:MAX]]]... [--ppm P] "
                 "[--resolution R [--orbitrap [--at MZ]]]\n"
                 "                           [--no-filter rdbe|ratios|lewis-senior]... [--strict-ratios] "
                 "[--top N | --all] [--json | --csv] [--report FILE]\n"
                 "       tarnevo-cli identify --batch FILE|- [--jobs N] [the options above but the peaks, as "
                 "defaults]\n"
                 "         (one JSON object a line: {\"id\": \"q1\", \"peaks\": [[MZ, I], ...], "
                 "\"charge\": 1, \"resolvingPower\": 60000},\n"
                 "         also \"polarity\", \"adducts\", \"elements\", \"ppm\", \"top\"; "
                 "JSON Lines out, in input order,\n"
                 "         answered by --jobs N workers at once, one a core unless said)\n"
                 "         (a peaks file: m/z and intensity a line, separated by blanks, tabs, commas or "
                 "semicolons;\n"
                 "         without a charge it is read from the spacing, positive unless the polarity or "
                 "the ion types say otherwise;\n"
                 "         an element without MAX takes as many atoms as fit; JSON relative intensities "
                 "are percent of the base peak)",
             .example =
                 "tarnevo-cli identify --peaks 195.0877:100,196.0908:10.4,197.0917:1.2 --charge 1 --json",
             .options = {.valueOptions = {"peaks", "peaks-file", "charge", "polarity", "adduct", "element",
                                          "ppm", "resolution", "at", "no-filter", "top", "report", "batch",
                                          "jobs", "instrument", "prior", "no-prior"},
                         .flags = {"json", "orbitrap", "all", "strict-ratios"},
                         .positionalCount = 0},
             .listedAt = 7,
         }}},
    };
    return kCalculations;
}

const CalculationDescriptor* FindCalculation(doc::Command command) {
    const std::span<const CalculationDescriptor> all = Calculations();
    const auto found = std::find_if(all.begin(), all.end(), [command](const CalculationDescriptor& entry) {
        return entry.command == command;
    });
    return found == all.end() ? nullptr : &*found;
}

const CalculationDescriptor* FindCalculationStoring(output::CalcKind kind) {
    for (const CalculationDescriptor& calculation : Calculations()) {
        if (std::find(calculation.resultKinds.begin(), calculation.resultKinds.end(), kind) !=
            calculation.resultKinds.end()) {
            return &calculation;
        }
    }
    return nullptr;
}

std::vector<CommandLineEntry> CommandLineCommands() {
    std::vector<CommandLineEntry> entries;
    for (const CalculationDescriptor& calculation : Calculations()) {
        for (const CommandLineCommand& command : calculation.commandLine)
            entries.push_back({&command, &calculation});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CommandLineEntry& a, const CommandLineEntry& b) {
                         return a.command->listedAt < b.command->listedAt;
                     });
    return entries;
}

std::optional<CommandLineEntry> FindCommandLineCommand(std::string_view name) {
    for (const CalculationDescriptor& calculation : Calculations()) {
        for (const CommandLineCommand& command : calculation.commandLine) {
            if (command.name == name) return CommandLineEntry{&command, &calculation};
        }
    }
    return std::nullopt;
}

}  // namespace tarnevo::calc
