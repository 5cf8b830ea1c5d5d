// --adduct '[M+Na]+': the ion type of the molecule a command is given. The
// command then works on the ion's elemental formula (k x M + additions -
// losses) with the charge the notation states; a --charge beside it must agree.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "core/element_table.h"
#include "core/ion_notation.h"

namespace tarnevo::cli {

struct AdductIon {
    std::string notation;    // as written back: "[M+Na]+"
    std::string molecule;    // M as typed
    std::string ionFormula;  // in Hill order: "C8H10N4NaO2"
    int charge = 1;
    core::ParsedFormula moleculeAtoms;
};

// The ion, or the message and exit status of why there is none: a notation
// that is not one, or a --charge that disagrees with it, is a usage error; a
// loss the molecule cannot give, or too many atoms, is a refusal.
struct AdductResolution {
    std::optional<AdductIon> ion;
    std::string problem;
    int exitStatus = 0;
};

// The whole number a text is, all of it, or nothing: a --charge beside
// --adduct is compared with the notation's charge only when it is one.
std::optional<int> WholeNumber(const std::string& text);

// A molecule that is not a formula is passed on unchanged (ionFormula = M), so
// that the calculation refuses it with its own message.
AdductResolution ResolveAdduct(const std::string& molecule, const std::string& adduct,
                               const std::optional<std::string>& charge);

// --adduct of a command whose positional FORMULA is the molecule: adduct is
// set when given; kExitOk, or the exit status after the message (and, for a
// usage error, the command's usage lines) has gone to errors.
int ReadAdductOption(const Arguments& arguments, std::string_view command, std::optional<AdductIon>& adduct,
                     std::ostream& errors);

// "adduct", "ionFormula" and "neutralMass" (M's monoisotopic mass, from the
// table as the calculation left it, user-defined elements included) as JSON
// fields, each preceded by ", ".
void PrintAdductJsonFields(const AdductIon& ion, const core::ElementTable& table, std::ostream& out);

}  // namespace tarnevo::cli
