#include "cli/command_adapters.h"

#include <algorithm>

#include "cli/cluster_cli.h"
#include "cli/enrich_cli.h"
#include "cli/formulas_cli.h"
#include "cli/identify_cli.h"
#include "cli/isotopes_cli.h"
#include "cli/label_cli.h"
#include "cli/loss_of_h_cli.h"
#include "cli/polymer_cli.h"

namespace tarnevo::cli {

namespace {

constexpr NamedCommandAdapter kAdapters[] = {
    {"cluster", &RunClusterCommand},   {"polymer", &RunPolymerCommand},   {"isotopes", &RunIsotopesCommand},
    {"label", &RunLabelCommand},       {"enrich", &RunEnrichCommand},     {"loss-of-h", &RunLossOfHCommand},
    {"formulas", &RunFormulasCommand}, {"identify", &RunIdentifyCommand},
};

}  // namespace

std::span<const NamedCommandAdapter> CommandAdapters() { return kAdapters; }

CommandAdapter FindCommandAdapter(std::string_view command) {
    const auto found =
        std::find_if(std::begin(kAdapters), std::end(kAdapters),
                     [command](const NamedCommandAdapter& entry) { return entry.command == command; });
    return found == std::end(kAdapters) ? nullptr : found->run;
}

}  // namespace tarnevo::cli
