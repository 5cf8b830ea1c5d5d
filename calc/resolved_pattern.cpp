#include "calc/resolved_pattern.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/cluster_engine.h"
#include "core/formula_search.h"
#include "core/ion_mz.h"
#include "core/ion_notation.h"
#include "core/peak_moments.h"
#include "fine/fine_structure.h"

namespace tarnevo::calc {

namespace {

// The nominal peaks that hold the coverage, the strongest first, each at its
// mean m/z and with its spread on the m/z scale. They are taken from the whole
// ion: a heavy ion's peaks (Sn60's around [A+408]) lie beyond [A+319], as far
// as a cluster is stored.
std::vector<core::SpectrumLine> MomentLines(const core::ElementTable& table, const core::ParsedFormula& ion,
                                            int charge) {
    std::vector<core::PeakMoment> peaks =
        core::PeakMoments(table, ion, core::LastShiftWorthListing(table, ion));
    std::sort(peaks.begin(), peaks.end(),
              [](const core::PeakMoment& a, const core::PeakMoment& b) { return a.abundance > b.abundance; });
    const long double lightest = core::LightestMass(table, ion);
    const long double z = core::ChargeMagnitude(charge);
    std::vector<core::SpectrumLine> lines;
    long double held = 0.0L;
    for (const core::PeakMoment& peak : peaks) {
        if (held >= kResolvedCoverage) break;
        held += peak.abundance;
        const long double mass = lightest + peak.shift + peak.meanDefect;
        lines.push_back({static_cast<double>(core::MzOf(core::IonMassOf(mass, charge), charge)),
                         static_cast<double>(peak.abundance), static_cast<double>(peak.variance / (z * z))});
    }
    return lines;
}

}  // namespace

std::string_view PatternModelName(PatternModel model) {
    return model == PatternModel::FineStructure ? "fine structure" : "peak moments";
}

ResolvedIon ResolveIon(const core::ElementTable& table, const core::ParsedFormula& ion, int charge,
                       const core::ResolvingPower& power, core::ProfileWanted profile) {
    ResolvedIon resolved;
    if (core::LightestMass(table, ion) <= kFineStructureMassLimit) {
        const fine::FineStructureResult fine =
            fine::FineStructure(table, ion, charge, kResolvedCoverage, kFineStructureLineLimit);
        if (fine.status == fine::FineStatus::Computed) {
            resolved.pattern = core::ResolvePattern(fine.lines, power, profile);
            return resolved;
        }
        if (fine.status != fine::FineStatus::TooManyLines && fine.status != fine::FineStatus::OutOfMemory) {
            resolved.problem = std::string(fine::FineStatusMessage(fine.status));
            return resolved;
        }
    }
    resolved.model = PatternModel::PeakMoments;
    if (charge == 0) {
        resolved.problem = std::string(fine::FineStatusMessage(fine::FineStatus::ZeroCharge));
        return resolved;
    }
    resolved.pattern = core::ResolvePattern(MomentLines(table, ion, charge), power, profile);
    return resolved;
}

}  // namespace tarnevo::calc
