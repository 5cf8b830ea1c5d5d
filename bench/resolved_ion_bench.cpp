// What `cluster --resolution` costs end to end below the command line: the
// resolved peaks of an ion at R 60,000 as calc::ResolveIon computes them (the
// fine structure to 99.999999 % for ions up to 20,000 u, each nominal peak's
// moments beyond or where the fine structure would not fit, as for tin), and
// the moments alone for the antibody.
#include <benchmark/benchmark.h>

#include <string_view>

#include "calc/resolved_pattern.h"
#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/peak_moments.h"

namespace {

using namespace tarnevo;

core::ParsedFormula Formula(std::string_view text) {
    core::ParsedFormula formula;
    core::ParseFormulaText(text, formula);
    return formula;
}

void ResolvedPeaks(benchmark::State& state, std::string_view text, int charge) {
    const core::ElementTable table;
    const core::ParsedFormula ion = Formula(text);
    const core::ResolvingPower power{60000.0, core::ResolvingPowerModel::Constant, 200.0};
    std::size_t peaks = 0;
    for (auto _ : state) {
        const calc::ResolvedIon resolved =
            calc::ResolveIon(table, ion, charge, power, core::ProfileWanted::No);
        peaks = resolved.pattern.peaks.size();
        benchmark::DoNotOptimize(peaks);
    }
    state.counters["peaks"] = static_cast<double>(peaks);
}

void PeakMomentsOf(benchmark::State& state, std::string_view text) {
    const core::ElementTable table;
    const core::ParsedFormula ion = Formula(text);
    for (auto _ : state) benchmark::DoNotOptimize(core::PeakMoments(table, ion, 319));
}

BENCHMARK_CAPTURE(ResolvedPeaks, caffeine_H, "C8H11N4O2", 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ResolvedPeaks, ion_500_Da, "C24H33N4O6S", 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ResolvedPeaks, peptide_5_kDa, "C220H341N60O70S2", 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ResolvedPeaks, myoglobin_z20, "C769H1232N210O218S2", 20)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ResolvedPeaks, antibody_z50, "C6464H10000N1714O2016S44", 25)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ResolvedPeaks, tin_60, "Sn60", 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ResolvedPeaks, tin_160, "Sn160", 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PeakMomentsOf, antibody, "C6464H9950N1714O2016S44")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
