#include "calc/ion_type_entry.h"

#include "core/ion_notation.h"

namespace tarnevo::calc {

namespace {

FormStep RetryIonType(std::string& ionTypeText, const std::string& problem, port::UserInterfacePort& ui) {
    if (!port::AskRetry(ui, problem)) return FormStep::End;
    ionTypeText.clear();
    return FormStep::Retry;
}

}  // namespace

FormStep ParseMoleculeIon(std::string& moleculeText, std::string& ionTypeText, core::ParsedFormula& ion,
                          int& charge, output::IonTypeEcho& echo, port::UserInterfacePort& ui) {
    const core::IonNotationParse parse = core::ParseIonNotation(ionTypeText);
    if (!parse.notation) return RetryIonType(ionTypeText, parse.problem, ui);
    const core::IonNotation& notation = *parse.notation;
    charge = notation.charge;

    core::ParsedFormula molecule;
    if (const FormStep step = ParseFormulaField(moleculeText, molecule, ui); step != FormStep::Parsed)
        return step;
    const core::IonFormulaBuild build = core::BuildIonFormula(notation, molecule, moleculeText);
    if (!build.ion) return RetryIonType(ionTypeText, build.problem, ui);
    ion = *build.ion;
    echo = {core::IonNotationText(notation), moleculeText, core::HillFormulaText(ion)};
    return FormStep::Parsed;
}

}  // namespace tarnevo::calc
