#include "cli/adduct_option.h"

#include <charconv>

#include "cli/cli.h"
#include "cli/cli_output.h"
#include "core/cluster_engine.h"

namespace tarnevo::cli {

std::optional<int> WholeNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

AdductResolution ResolveAdduct(const std::string& molecule, const std::string& adduct,
                               const std::optional<std::string>& charge) {
    const core::IonNotationParse parse = core::ParseIonNotation(adduct);
    if (!parse.notation) return {std::nullopt, "--adduct: " + parse.problem, kExitUsage};
    const core::IonNotation& notation = *parse.notation;
    AdductIon ion{core::IonNotationText(notation), molecule, molecule, notation.charge, {}};
    if (charge) {
        // A --charge that is no number is left to the charge field's own check.
        const std::optional<int> given = WholeNumber(*charge);
        if (given && *given != notation.charge) {
            return {std::nullopt,
                    "--charge " + *charge + " disagrees with the charge of " + ion.notation + " (" +
                        core::ChargeSuffixText(notation.charge) + "); give one or the other",
                    kExitUsage};
        }
    }
    if (core::ParseFormulaText(molecule, ion.moleculeAtoms) != core::FormulaSyntax::Valid) {
        ion.moleculeAtoms = {};
        return {ion, {}, kExitOk};
    }
    const core::IonFormulaBuild build = core::BuildIonFormula(notation, ion.moleculeAtoms, molecule);
    if (!build.ion) return {std::nullopt, build.problem, kExitRefused};
    ion.ionFormula = core::HillFormulaText(*build.ion);
    return {ion, {}, kExitOk};
}

int ReadAdductOption(const Arguments& arguments, std::string_view command, std::optional<AdductIon>& adduct,
                     std::ostream& errors) {
    const std::optional<std::string> notation = arguments.Value("adduct");
    if (!notation) return kExitOk;
    AdductResolution resolution =
        ResolveAdduct(arguments.positional[0], *notation, arguments.Value("charge"));
    if (!resolution.ion) {
        errors << resolution.problem << '\n';
        if (resolution.exitStatus == kExitUsage) errors << UsageOf(command) << '\n';
        return resolution.exitStatus;
    }
    adduct = std::move(resolution.ion);
    return kExitOk;
}

void PrintAdductJsonFields(const AdductIon& ion, const core::ElementTable& table, std::ostream& out) {
    out << ", \"adduct\": " << JsonString(ion.notation) << ", \"ionFormula\": " << JsonString(ion.ionFormula)
        << ", \"neutralMass\": "
        << JsonNumber(static_cast<double>(core::LightestMass(table, ion.moleculeAtoms)));
}

}  // namespace tarnevo::cli
