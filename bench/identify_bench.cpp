// What one identification costs as both front ends run it
// (calc::IdentifyMeasuredIon: the formula search over the window, the
// chemistry filters, each candidate's fine structure merged at R 60,000 and
// scored): the [M+H]+ of three known compounds at m/z 296, 586 and 995,
// measured as the evaluation simulates them (fixed seed), searched with eight
// elements (C H N O P S Cl Br, each 0 to what fits) and four ion types
// ([M+H]+ [M+Na]+ [M+K]+ [M+NH4]+) at 5 ppm. The time grows with the
// candidates in the window, reported beside it. Last, what refusing a window
// that cannot be walked costs.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string_view>
#include <vector>

#include "bench/identify_simulation.h"
#include "calc/ion_identify_run.h"
#include "core/ion_identification.h"
#include "core/ion_notation.h"

namespace {

using namespace tarnevo;

std::vector<core::IdentifyElement> EightElements() {
    std::vector<core::IdentifyElement> rows;
    for (const std::string_view symbol : {"C", "H", "N", "O", "P", "S", "Cl", "Br"}) {
        rows.push_back({core::LookupSymbolText(symbol, 0), 0, -1});
    }
    return rows;
}

std::vector<core::IdentifyIonType> FourIonTypes() {
    std::vector<core::IdentifyIonType> types;
    for (const std::string_view text : {"[M+H]+", "[M+Na]+", "[M+K]+", "[M+NH4]+"}) {
        types.push_back({std::string(text), *core::ParseIonNotation(text).notation});
    }
    return types;
}

core::IdentifyQuery SimulatedQuery(std::string_view moleculeText) {
    core::ParsedFormula molecule;
    core::ParseFormulaText(moleculeText, molecule);
    const evaluation::InstrumentModel instrument{
        .power = {60000.0, core::ResolvingPowerModel::Constant, 200.0}};
    const evaluation::SimulatedIon ion = evaluation::SimulateIon(calc::IdentificationTable(), molecule,
                                                                 moleculeText, "[M+H]+", instrument.power);
    evaluation::NormalDeviates noise(evaluation::MixSeed({2026, ion.peaks.size()}));
    core::IdentifyQuery query;
    query.peaks = evaluation::MeasurePeaks(ion.peaks, instrument, noise);
    query.charge = 1;
    query.ionTypes = FourIonTypes();
    query.elements = EightElements();
    query.power = instrument.power;
    return query;
}

// Where [M+H]+ of the simulated molecule ranks (1 = first; 0 = not listed):
// the timed answer should also be the right one.
double TrueRank(const core::IdentifyResult& result, std::string_view moleculeText) {
    core::ParsedFormula molecule;
    core::ParseFormulaText(moleculeText, molecule);
    for (std::size_t index = 0; index < result.candidates.size(); ++index) {
        const core::IdentifyCandidate& candidate = result.candidates[index];
        if (candidate.molecule.counts == molecule.counts &&
            result.ionTypes[candidate.ionType].text == "[M+H]+") {
            return static_cast<double>(index + 1);
        }
    }
    return 0.0;
}

void Identify(benchmark::State& state, std::string_view moleculeText) {
    const core::IdentifyQuery query = SimulatedQuery(moleculeText);
    core::IdentifyResult result;
    while (state.KeepRunning()) {
        result = calc::IdentifyMeasuredIon(query);
        benchmark::DoNotOptimize(result.candidates.data());
    }
    state.counters["peaks"] = static_cast<double>(query.peaks.size());
    state.counters["mass_matches"] = static_cast<double>(result.massMatches);
    state.counters["not_ranked"] = static_cast<double>(result.notRanked);
    state.counters["candidates"] = static_cast<double>(result.candidates.size());
    state.counters["true_rank"] = TrueRank(result, moleculeText);
}

// Diclofenac C14H11Cl2NO2, montelukast C35H36ClNO3S, microcystin-LR C49H74N10O12.
BENCHMARK_CAPTURE(Identify, mz_296_diclofenac, "C14H11Cl2NO2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Identify, mz_586_montelukast, "C35H36ClNO3S")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Identify, mz_995_microcystin_LR, "C49H74N10O12")->Unit(benchmark::kMillisecond);

// A peak the rows cannot reach (m/z 1e7: the heaviest [M+H]+ of eight
// elements at 65535 atoms each lies far below) and one whose window the
// estimate puts far beyond the limit (m/z 1e6): both refused before a walk.
void RefuseUnwalkable(benchmark::State& state, double mz) {
    core::IdentifyQuery query;
    query.peaks = {{mz, 100.0}};
    query.charge = 1;
    query.ionTypes = FourIonTypes();
    core::IdentifyResult result;
    while (state.KeepRunning()) {
        result = calc::IdentifyMeasuredIon(query);
        benchmark::DoNotOptimize(result.problem.data());
    }
    state.counters["refused"] = result.status == core::IdentifyStatus::Identified ? 0.0 : 1.0;
}

BENCHMARK_CAPTURE(RefuseUnwalkable, mz_1e7_beyond_reach, 1e7)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RefuseUnwalkable, mz_1e6_estimated_too_many, 1e6)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
