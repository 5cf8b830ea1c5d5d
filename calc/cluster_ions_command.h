// The Cluster Ions and Polymers command (Ctrl+K): isotope clusters of a series of
// ions n x RU + EC + k x CI, built from a neutral repeating unit (RU), an optional
// end cap (EC) and k identical charging ions (CI), for a range of n given in RUs
// or as an m/z window.
//
// It runs in two stages. The menu command passes the calculation gate and asks
// the view for the advice screen: the nine advice lines with a CONTINUE button
// under them, drawn by the desktop shell. The click on that button runs the
// calculation itself: the formula and parameter dialogs, the range checks, one
// engine run per ion, and the store step.
#pragma once

#include <array>
#include <string_view>

#include "calc/command_context.h"
#include "core/formula_parser.h"

namespace tarnevo::calc {

// The advice screen. Line kAdviceWidestLine is the widest; the shell scales its
// font so that line fits, and centres the button under it.
inline constexpr std::array<std::string_view, 9> kClusterAdviceLines = {
    "This option provides for the calculation of the masses and isotope patterns",
    "of molecules with neutral repeating units (RUs) such as polymers or cluster",
    "ions. These molecules may also contain a single end cap (EC) such as H20 and",
    "are charged by one or more of the same ions, e.g. H+ or NH4+. Enter the chemical",
    "formulae of the RU, the EC (if any), and the charging ion. Then enter the range",
    "of RUs, the number of charging ions, and the total charge for the molecule. The",
    "range of RUs may be entered in one of two ways: (1) the range in the number of",
    "RUs, e.g. minimum 4, maximum 8, or (2) the range in m/z values. Up to six user",
    "defined elements with symbols Jx, Jy, Jz, Qx, Qy, Qz may be employed.",
};
inline constexpr int kAdviceWidestLine = 3;
inline constexpr std::string_view kContinueButtonText = "CONTINUE";
inline constexpr int kContinueButtonId = 1131;

// The menu command: the calculation gate, then the advice screen
// (view.continueButtonShown). Choosing it again while the button is shown keeps
// that one button.
void BeginClusterIons(CommandContext& context);

// The click on CONTINUE: removes the button and runs the calculation.
void ContinueClusterIons(CommandContext& context);

// The three formulae of a series; endCap is all zero without an end cap.
struct SeriesFormulae {
    core::ParsedFormula repeatUnit;
    core::ParsedFormula endCap;
    core::ParsedFormula chargingIon;
};

// composition = chargingIon x chargingIonCount + repeatUnit x ruCount + endCap,
// element by element, summed in 64 bits. False (composition meaningless) when a
// count is negative or too large for the engine to count without wrapping.
bool BuildIonComposition(const SeriesFormulae& formulae, int chargingIonCount, int ruCount,
                         core::ParsedFormula& composition);

}  // namespace tarnevo::calc
