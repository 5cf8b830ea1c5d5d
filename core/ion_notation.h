// Ion types as chemists write them: [M+H]+, [M+Na]+, [M-H]-, [M+2H]2+,
// [2M+Na]+, [M-H2O+H]+. The bracket holds an optional multiplier k of the
// molecule M and the groups added (+) or lost (-), each an element formula with
// an optional count (+2H, +NH4, -H2O, +CH3COO); the charge follows the bracket
// (+, -, 2+, 3-). The ion's elemental formula is k x M + additions - losses,
// and its mass that formula's less z electrons: the charge after the bracket is
// what counts, so [M-H]+ (hydride abstraction) is as valid as [M+H]+.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/element_table.h"
#include "core/formula_parser.h"

namespace tarnevo::core {

inline constexpr int kMaxMoleculeMultiplier = 20;  // [20M+H]+ at most: larger clusters are series
inline constexpr int kMaxGroupCount = 100;         // +100H at most
// The largest charge an ion type states ([M+30H]30+), and the one limit of
// every charge of a formula search on the command line (--charge and --adduct);
// the cluster calculations' charge field takes as many.
inline constexpr int kMaxNotationCharge = 30;

// One group of the bracket: +2H is sign +1, count 2, formula H.
struct IonGroup {
    int sign = 1;  // +1 added, -1 lost
    int count = 1;
    std::string formulaText;  // as typed: "H2O"
    ParsedFormula formula;
};

struct IonNotation {
    int moleculeCount = 1;  // k of kM
    std::vector<IonGroup> groups;
    int charge = 1;  // signed, never 0
};

// The notation, or the reason it is not one, a sentence naming what is wrong
// ("[M+H]: the charge after ']' is missing (write +, -, 2+ or 2-)").
struct IonNotationParse {
    std::optional<IonNotation> notation;
    std::string problem;
};

IonNotationParse ParseIonNotation(std::string_view text);

// The notation written back in the usual form: "[2M+Na]+", "[M+H+Na]2+".
std::string IonNotationText(const IonNotation& notation);
// A charge as it follows the bracket: "+", "2+", "-", "3-".
std::string ChargeSuffixText(int charge);

// The ion's elemental formula k x M + additions - losses, or why there is none:
// a loss that takes more atoms of an element than k x M and the additions hold,
// an ion with no atoms left, or more atoms of an element than a formula may hold.
struct IonFormulaBuild {
    std::optional<ParsedFormula> ion;
    std::string problem;
};

IonFormulaBuild BuildIonFormula(const IonNotation& notation, const ParsedFormula& molecule,
                                std::string_view moleculeText);

// A formula in Hill order (C first, then H, then the others alphabetically; all
// alphabetically when there is no carbon), counts of 1 left out: "C8H11N4O2".
std::string HillFormulaText(const ParsedFormula& formula);

// The ion types met most often in electrospray and APCI, each with its usual
// name, per polarity: the defaults and the help of every command that takes
// an ion type.
struct CommonIonType {
    std::string_view notation;  // "[M+Na]+"
    std::string_view name;      // "sodium adduct"
};

const std::vector<CommonIonType>& CommonPositiveIonTypes();
const std::vector<CommonIonType>& CommonNegativeIonTypes();

}  // namespace tarnevo::core
