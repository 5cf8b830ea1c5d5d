// Timings of the enrichment fit: one trial (set the enriched element's FAs in
// the workspace, recompute the whole cluster, compare with the spectrum) and a
// search held to exactly 100 cycles, on a 3 kDa peptide with two enriched
// nitrogens and on benzene. The spectrum (100, 0, 100 from [A+0]) matches no
// enrichment, so the search never converges and runs its 100 cycles.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "core/cluster_engine.h"
#include "core/enriched_element.h"
#include "core/enrichment_fit.h"
#include "core/formula_parser.h"

namespace {

using namespace tarnevo::core;

constexpr double kFitStopFA = 0.99999;
constexpr std::array<double, kMaxSpectrumPeaks> kSpectrum = {100, 0, 100};

struct PreparedFit {
    ElementTable table;
    ClusterWorkspace workspace;
    int jxPosition = 0;
    int isotopes = 0;
};

// The ion with atoms of symbol in Jx, listed by ascending mass, ordered for the engine.
void Prepare(PreparedFit& fit, const char* formulaText, const char* symbol, int atoms) {
    ParsedFormula formula;
    ParseFormulaText(formulaText, formula);
    const int element = LookupSymbolText(symbol, 0);
    formula[element] -= static_cast<unsigned>(atoms);
    formula[kFirstUserElement] = static_cast<unsigned>(atoms);
    const IsotopeList isotopes = NaturalIsotopesByMass(fit.table, element);
    StoreIsotopesByMass(fit.table, kFirstUserElement, isotopes);
    fit.isotopes = isotopes.count;
    CheckClusterLimits(fit.table, fit.workspace, formula, 1);
    fit.jxPosition = OrderPolyisotopicElements(fit.table, fit.workspace, formula);
}

double Trial(PreparedFit& fit, const FAVector& fa) {
    SetElementTrialFAs(fit.workspace, fit.jxPosition, std::span<const double>(fa.data(), fit.isotopes));
    ComputeCluster(fit.workspace, fit.workspace.polyAtomCount, kFitStopFA);
    std::array<double, kMaxSpectrumPeaks> calculated{};
    return CompareWithSpectrum(fit.workspace, 0, kSpectrum, 3, calculated).ssr;
}

constexpr const char* kPeptide = "C130H210N40O40S2";  // about 3.0 kDa

void BM_FitTrial(benchmark::State& state, const char* formula) {
    auto fit = std::make_unique<PreparedFit>();
    Prepare(*fit, formula, "N", 2);
    const FAVector fa = {0.3, 0.7, 0, 0};
    for (auto _ : state) benchmark::DoNotOptimize(Trial(*fit, fa));
}

void BM_Fit100Cycles(benchmark::State& state, const char* formula) {
    auto fit = std::make_unique<PreparedFit>();
    Prepare(*fit, formula, "N", 2);
    int evaluations = 0;
    for (auto _ : state) {
        EnrichmentFit search;
        SetTwoIsotopeSimplex(search, 0.5);
        const TrialEvaluator evaluate = [&](const FAVector& fa) {
            ++evaluations;
            return Trial(*fit, fa);
        };
        EvaluateStartingSimplex(search, evaluate);
        RunEnrichmentSearch(search, evaluate, [](int cycles, double) { return cycles < 100; });
        if (search.cycleCount != 100) state.SkipWithError("the search did not run 100 cycles");
    }
    state.counters["evaluations"] = benchmark::Counter(evaluations, benchmark::Counter::kAvgIterations);
}

BENCHMARK_CAPTURE(BM_FitTrial, peptide_3kDa, kPeptide)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FitTrial, pyridine_N2, "C8H6N2")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Fit100Cycles, peptide_3kDa, kPeptide)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fit100Cycles, pyridine_N2, "C8H6N2")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
