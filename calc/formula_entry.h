// Formula and symbol entry as the user meets it: the pure parser of the core,
// with its refusals shown through the user-interface port.
#pragma once

#include <string>
#include <string_view>

#include "core/formula_parser.h"
#include "port/ui_port.h"

namespace tarnevo::calc {

enum class ParseStatus {
    Accepted,  // formula holds the counts
    Retry,     // the user chose Retry: show the input dialog again
    Abort,     // the user chose Cancel, or an atom count exceeded the limit
};

ParseStatus ParseFormula(std::string_view text, core::ParsedFormula& formula, port::UserInterfacePort& ui);

// Where a round of an input dialog leaves its command.
enum class FormStep {
    Parsed,  // every entry accepted: go on
    Retry,   // show the dialog again
    End,     // the command ends (Cancel, or a refusal already shown)
};

// Parses the formula typed into a dialog field. On Retry the field's text is
// emptied, so that the dialog shows it blank beside the other entries as just
// typed.
FormStep ParseFormulaField(std::string& text, core::ParsedFormula& formula, port::UserInterfacePort& ui);

inline constexpr int kSymbolRetry = -2;
inline constexpr int kSymbolCancel = -1;

// The element index of text, or kSymbolRetry / kSymbolCancel after the user
// answered "Symbol Entry Error". extraAllowed user-defined elements (from Jx on)
// are acceptable besides the natural ones.
int LookupSymbol(std::string_view text, int extraAllowed, port::UserInterfacePort& ui);

}  // namespace tarnevo::calc
