#include "calc/formula_entry.h"

#include "core/messages.h"

namespace tarnevo::calc {

ParseStatus ParseFormula(std::string_view text, core::ParsedFormula& formula, port::UserInterfacePort& ui) {
    switch (core::ParseFormulaText(text, formula)) {
        case core::FormulaSyntax::Valid:
            return ParseStatus::Accepted;
        case core::FormulaSyntax::TooManyAtoms:
            port::ShowError(ui, core::messages::kTooManyAtomsOfElement);
            return ParseStatus::Abort;
        case core::FormulaSyntax::Error:
            break;
    }
    return port::AskRetry(ui, core::messages::kFormulaEntryError) ? ParseStatus::Retry : ParseStatus::Abort;
}

FormStep ParseFormulaField(std::string& text, core::ParsedFormula& formula, port::UserInterfacePort& ui) {
    switch (ParseFormula(text, formula, ui)) {
        case ParseStatus::Accepted:
            return FormStep::Parsed;
        case ParseStatus::Retry:
            text.clear();
            return FormStep::Retry;
        case ParseStatus::Abort:
            break;
    }
    return FormStep::End;
}

int LookupSymbol(std::string_view text, int extraAllowed, port::UserInterfacePort& ui) {
    const int index = core::LookupSymbolText(text, extraAllowed);
    if (index != core::kNoSymbol) return index;
    return port::AskRetry(ui, core::messages::kSymbolEntryError) ? kSymbolRetry : kSymbolCancel;
}

}  // namespace tarnevo::calc
