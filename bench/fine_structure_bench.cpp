// Timings of the exact fine structure of protonated caffeine, a 500 Da
// protonated drug-like ion and a 5 kDa peptide ion at the coverages 0.9999 (the
// default) and 0.999999, with the number of lines each gives; the same lines
// turned into the peaks an instrument of resolving power 60,000 resolves; the
// peaks alone from the lines of the resolved patterns (99.999999 %), which
// should cost no more than the fine structure that gives them; and, as the peer figures,
// IsoSpec's own total-probability envelope (the same compositions with IsoSpec's
// isotope table, no m/z, unsorted) and its binned envelope (0.001 u and 1 u
// bins) at 0.9999.
#include <IsoSpec++/fixedEnvelopes.h>
#include <IsoSpec++/isoSpec++.h>
#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "core/formula_parser.h"
#include "core/resolving_power.h"
#include "fine/fine_structure.h"

namespace {

using tarnevo::fine::FineStatus;
using tarnevo::fine::FineStructure;
using tarnevo::fine::FineStructureResult;
namespace core = tarnevo::core;

struct Ion {
    const char* name;
    const char* formula;
};

constexpr Ion kIons[] = {
    {"caffeineH", "C8H11N4O2"},           // C8H10N4O2 + H
    {"ion500Da", "C24H33N4O6S"},          // C24H32N4O6S + H
    {"peptide5kDa", "C220H341N60O70S2"},  // C220H340N60O70S2 + H
};

constexpr double kCoverages[] = {0.9999, 0.999999};

core::ParsedFormula Parse(const char* text) {
    core::ParsedFormula formula;
    if (core::ParseFormulaText(text, formula) != core::FormulaSyntax::Valid) std::abort();
    return formula;
}

void TimeFineStructure(benchmark::State& state, const char* formula, double coverage) {
    const core::ElementTable table;
    const core::ParsedFormula ion = Parse(formula);
    std::size_t lines = 0;
    for (auto _ : state) {
        const FineStructureResult result = FineStructure(table, ion, 1, coverage);
        if (result.status != FineStatus::Computed) state.SkipWithError("refused");
        lines = result.lines.size();
        benchmark::DoNotOptimize(result.lines.data());
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void TimeResolvedPeaks(benchmark::State& state, const char* formula) {
    const core::ElementTable table;
    const core::ParsedFormula ion = Parse(formula);
    const core::ResolvingPower power{60000.0, core::ResolvingPowerModel::Constant, 200.0};
    std::size_t peaks = 0;
    for (auto _ : state) {
        const FineStructureResult result = FineStructure(table, ion, 1);
        const core::ResolvedPattern pattern = core::ResolvePattern(result.lines, power);
        peaks = pattern.peaks.size();
        benchmark::DoNotOptimize(pattern.peaks.data());
    }
    state.counters["peaks"] = static_cast<double>(peaks);
}

// The peaks alone, from lines computed once: what the resolving adds to the
// fine structure of a resolved pattern (its coverage, 99.999999 %).
void TimePeaksOfLines(benchmark::State& state, const char* formula) {
    const core::ElementTable table;
    const FineStructureResult result = FineStructure(table, Parse(formula), 1, 0.99999999);
    const core::ResolvingPower power{60000.0, core::ResolvingPowerModel::Constant, 200.0};
    std::size_t peaks = 0;
    for (auto _ : state) {
        const core::ResolvedPattern pattern = core::ResolvePattern(result.lines, power);
        peaks = pattern.peaks.size();
        benchmark::DoNotOptimize(pattern.peaks.data());
    }
    state.counters["lines"] = static_cast<double>(result.lines.size());
    state.counters["peaks"] = static_cast<double>(peaks);
}

// IsoSpec wants a count after every symbol: C24H33N4O6S -> C24H33N4O6S1.
std::string IsoSpecFormula(const char* formula) {
    std::string text;
    for (const char* c = formula; *c != '\0'; ++c) {
        text += *c;
        const char next = c[1];
        const bool symbolEnds = std::isalpha(static_cast<unsigned char>(*c)) != 0 &&
                                (next == '\0' || std::isupper(static_cast<unsigned char>(next)) != 0);
        if (symbolEnds) text += '1';
    }
    return text;
}

void TimeIsoSpecTotalProb(benchmark::State& state, const char* formula) {
    const IsoSpec::Iso iso(IsoSpecFormula(formula).c_str());
    std::size_t lines = 0;
    for (auto _ : state) {
        IsoSpec::FixedEnvelope envelope = IsoSpec::FixedEnvelope::FromTotalProb(
            IsoSpec::Iso(iso, true), tarnevo::fine::kDefaultCoverage, true);
        lines = envelope.confs_no();
        benchmark::DoNotOptimize(envelope.probs());
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void TimeIsoSpecBinned(benchmark::State& state, const char* formula, double binWidth) {
    const IsoSpec::Iso iso(IsoSpecFormula(formula).c_str());
    std::size_t bins = 0;
    for (auto _ : state) {
        IsoSpec::FixedEnvelope envelope = IsoSpec::FixedEnvelope::Binned(
            IsoSpec::Iso(iso, true), tarnevo::fine::kDefaultCoverage, binWidth);
        bins = envelope.confs_no();
        benchmark::DoNotOptimize(envelope.probs());
    }
    state.counters["bins"] = static_cast<double>(bins);
}

void RegisterAll() {
    for (const Ion& ion : kIons) {
        const std::string name = ion.name;
        for (const double coverage : kCoverages) {
            benchmark::RegisterBenchmark(("FineStructure/" + name + "/" + std::to_string(coverage)).c_str(),
                                         TimeFineStructure, ion.formula, coverage)
                ->Unit(benchmark::kMicrosecond);
        }
        benchmark::RegisterBenchmark(("ResolvedPeaksR60000/" + name).c_str(), TimeResolvedPeaks, ion.formula)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("FineStructure/" + name + "/0.99999999").c_str(), TimeFineStructure,
                                     ion.formula, 0.99999999)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("PeaksOfLinesR60000/" + name).c_str(), TimePeaksOfLines, ion.formula)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("IsoSpecTotalProb/" + name).c_str(), TimeIsoSpecTotalProb, ion.formula)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("IsoSpecBinned0.001/" + name).c_str(), TimeIsoSpecBinned, ion.formula,
                                     0.001)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("IsoSpecBinned1/" + name).c_str(), TimeIsoSpecBinned, ion.formula, 1.0)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
