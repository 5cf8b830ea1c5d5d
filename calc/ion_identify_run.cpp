#include "calc/ion_identify_run.h"

#include <utility>

#include "calc/resolved_pattern.h"
#include "fine/fine_structure.h"
#include "fine/precise_masses.h"

namespace tarnevo::calc {

namespace {

// The share of each candidate's ion its pattern holds: peaks below the noise
// (1 % of the base peak) are what a score can weigh, and what 99.999 % leaves
// out moves no peak above it by as much as 0.1 ppm.
constexpr double kScoredCoverage = 0.99999;
constexpr std::size_t kScoredLineLimit = 100'000;

}  // namespace

const core::ElementTable& IdentificationTable() {
    static const core::ElementTable table = fine::PreciseElementTable();
    return table;
}

core::IdentifyResult IdentifyMeasuredIon(const core::IdentifyQuery& query, core::WorkProgress* progress) {
    const core::ElementTable& table = IdentificationTable();
    return core::IdentifyIon(
        table, query,
        [&table](const core::ParsedFormula& ion, int charge) {
            fine::FineStructureResult fine =
                fine::FineStructure(table, ion, charge, kScoredCoverage, kScoredLineLimit);
            return std::move(fine.lines);
        },
        progress);
}

void StoreIdentification(output::CalculationState& state, const core::IdentifyQuery& query,
                         core::IdentifyResult result) {
    state.calcKind = output::CalcKind::IonIdentification;
    state.charge = result.charge;
    state.identification.query = query;
    state.identification.result = std::move(result);
    SelectCandidate(state, 0);
}

void SelectCandidate(output::CalculationState& state, std::size_t index) {
    output::IonIdentification& identification = state.identification;
    if (index >= identification.result.candidates.size()) return;
    identification.selected = index;
    const core::IdentifyCandidate& candidate = identification.result.candidates[index];
    identification.selectedPattern =
        ResolveIon(IdentificationTable(), candidate.ion, identification.result.charge,
                   identification.query.power, core::ProfileWanted::Yes)
            .pattern;
}

}  // namespace tarnevo::calc
