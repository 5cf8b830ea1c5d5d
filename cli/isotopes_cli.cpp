#include "cli/isotopes_cli.h"

#include "calc/isotope_display_input.h"
#include "calc/isotopic_data_command.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"

namespace tarnevo::cli {

namespace {

// {"symbol": "Cl", "isotopes": [{"massNumber": 35, "mass": 34.96885, "fa": 0.7576}, ...]}
void PrintIsotopesJson(const calc::CommandContext& context, std::ostream& out) {
    const output::CalculationState& state = context.document.state;
    out << "{\"symbol\": " << JsonString(state.elementSymbol) << ", \"isotopes\": [";
    for (int i = 0; i <= state.details.lastIsotopeIndex[0]; ++i) {
        out << (i == 0 ? "" : ", ")
            << "{\"massNumber\": " << state.isotopes.isotopeBase + state.details.isotopeMassNumber[i]
            << ", \"mass\": " << JsonNumber(state.isotopes.isotopeMass[i])
            << ", \"fa\": " << JsonNumber(state.isotopes.isotopeFAList[i]) << "}";
    }
    out << "]}\n";
}

}  // namespace

int RunIsotopesCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors) {
    CliPort port(errors);
    port.NameOption("symbol", "SYMBOL");
    port.Answer(DialogOf<calc::IsotopeDisplayInput>(),
                {{std::string(calc::IsotopeDisplayInput::kSymbol.key), arguments.positional[0]},
                 {std::string(calc::IsotopeDisplayInput::kReminder.key), "0"}});

    return RunCalculation(port, arguments, calc::RunDisplayIsotopicData, PrintIsotopesJson, out, errors);
}

}  // namespace tarnevo::cli
