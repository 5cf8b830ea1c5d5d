// A molecule typed into a formula field with its ion type beside it
// ("C8H10N4O2" and "[M+H]+"): the ion's formula, k x M + additions - losses,
// and its charge, read by the core's notation and ion rules that the command
// line's --adduct reads by, with their messages.
#pragma once

#include <string>

#include "calc/formula_entry.h"
#include "output/calculation_state.h"
#include "port/ui_port.h"

namespace tarnevo::calc {

// Parses both fields. Parsed: ion holds the ion's atoms, charge the ion
// type's and echo what the page repeats. A notation that is not one, or a
// loss the molecule cannot give, asks Retry or Cancel with the core's
// sentence; Retry empties the ion type field (a formula error, the formula
// field, as for any formula).
FormStep ParseMoleculeIon(std::string& moleculeText, std::string& ionTypeText, core::ParsedFormula& ion,
                          int& charge, output::IonTypeEcho& echo, port::UserInterfacePort& ui);

}  // namespace tarnevo::calc
