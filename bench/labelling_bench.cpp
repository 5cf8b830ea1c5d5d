// Timings of the enrichment fit: one trial (set the enriched element's FAs in
// the workspace, recompute the whole cluster, compare with the spectrum), 100
// search cycles, and whole fits as the command line runs them (answering the
// question after every 20 cycles with Yes up to 1000 cycles).
//
// The 100 cycles run on a 3 kDa peptide with two enriched nitrogens and on a
// small ion; their spectrum (100, 0, 100 from [A+0]) matches no enrichment.
// The whole fits are the spectra of known enrichments on which the simplex
// used to stop far from the answer, a measured-like spectrum whose best SSR
// stays above the convergence threshold, and a fit that converges at once;
// their counters give the cycles, the trials and the SSR reached.
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
constexpr int kCommandLineCycles = 1000;

// An ion, the enriched element and its spectrum from [A+0]; for three and four
// isotopes the isotope of maximum enrichment and its estimated FA.
struct FitCase {
    const char* formula;
    int charge;
    const char* symbol;
    int atoms;
    std::array<double, kMaxSpectrumPeaks> intensity;
    int maxIsotope;
    double estimate;
};

struct PreparedFit {
    ElementTable table;
    ClusterWorkspace workspace;
    std::array<double, kMaxSpectrumPeaks> intensity{};
    int peaks = 0;
    int jxPosition = 0;
    IsotopeList isotopes;
    double naturalA0FA = 0.0;
};

// The ion with atoms of symbol in Jx, listed by ascending mass, ordered for the
// engine; the natural ion's [A+0] FA first, for the two-isotope estimate.
void Prepare(PreparedFit& fit, const FitCase& fitCase) {
    ParsedFormula formula;
    ParseFormulaText(fitCase.formula, formula);
    ParsedFormula natural = formula;
    CheckClusterLimits(fit.table, fit.workspace, natural, fitCase.charge);
    OrderPolyisotopicElements(fit.table, fit.workspace, natural);
    ComputeCluster(fit.workspace, fit.workspace.polyAtomCount, kFitStopFA);
    fit.naturalA0FA = static_cast<double>(fit.workspace.peakSum[0]);

    const int element = LookupSymbolText(fitCase.symbol, 0);
    formula[element] -= static_cast<unsigned>(fitCase.atoms);
    formula[kFirstUserElement] = static_cast<unsigned>(fitCase.atoms);
    fit.isotopes = NaturalIsotopesByMass(fit.table, element);
    StoreIsotopesByMass(fit.table, kFirstUserElement, fit.isotopes);
    CheckClusterLimits(fit.table, fit.workspace, formula, fitCase.charge);
    fit.jxPosition = OrderPolyisotopicElements(fit.table, fit.workspace, formula);
    fit.intensity = fitCase.intensity;
    fit.peaks = ExperimentalPeakCount(fit.intensity);
}

double Trial(PreparedFit& fit, const FAVector& fa) {
    SetElementTrialFAs(fit.workspace, fit.jxPosition,
                       std::span<const double>(fa.data(), static_cast<std::size_t>(fit.isotopes.count)));
    ComputeCluster(fit.workspace, fit.workspace.polyAtomCount, kFitStopFA);
    std::array<double, kMaxSpectrumPeaks> calculated{};
    return CompareWithSpectrum(fit.workspace, 0, fit.intensity, fit.peaks, calculated).ssr;
}

void SetStart(EnrichmentFit& search, const PreparedFit& fit, const FitCase& fitCase) {
    switch (fit.isotopes.count) {
        case 2:
            SetTwoIsotopeSimplex(search, LightFAEstimate(0, fit.intensity, fit.peaks, fit.isotopes.fa[0],
                                                         fit.naturalA0FA, fitCase.atoms));
            break;
        case 3:
            SetThreeIsotopeSimplex(search, fitCase.maxIsotope, fitCase.estimate);
            break;
        default:
            SetFourIsotopeSimplex(search, fitCase.maxIsotope, fitCase.estimate);
            break;
    }
}

constexpr const char* kPeptide = "C130H210N40O40S2";  // about 3.0 kDa
constexpr std::array<double, kMaxSpectrumPeaks> kUnfittable = {100, 0, 100};

void BM_FitTrial(benchmark::State& state, const char* formula) {
    auto fit = std::make_unique<PreparedFit>();
    Prepare(*fit, {formula, 1, "N", 2, kUnfittable, 0, 0.0});
    const FAVector fa = {0.3, 0.7, 0, 0};
    for (auto _ : state) benchmark::DoNotOptimize(Trial(*fit, fa));
}

void BM_Fit100Cycles(benchmark::State& state, const char* formula) {
    auto fit = std::make_unique<PreparedFit>();
    Prepare(*fit, {formula, 1, "N", 2, kUnfittable, 0, 0.0});
    int evaluations = 0;
    const TrialEvaluator evaluate = [&](const FAVector& fa) {
        ++evaluations;
        return Trial(*fit, fa);
    };
    for (auto _ : state) {
        EnrichmentFit search;
        SetTwoIsotopeSimplex(search, 0.5);
        EvaluateStartingSimplex(search, evaluate);
        for (int cycle = 0; cycle < 100; ++cycle) RunSearchCycle(search, evaluate);
    }
    state.counters["evaluations"] = benchmark::Counter(evaluations, benchmark::Counter::kAvgIterations);
}

void BM_WholeFit(benchmark::State& state, const FitCase& fitCase) {
    auto fit = std::make_unique<PreparedFit>();
    Prepare(*fit, fitCase);
    int evaluations = 0;
    const TrialEvaluator evaluate = [&](const FAVector& fa) {
        ++evaluations;
        return Trial(*fit, fa);
    };
    EnrichmentFit search;
    for (auto _ : state) {
        search = EnrichmentFit{};
        SetStart(search, *fit, fitCase);
        EvaluateStartingSimplex(search, evaluate);
        RunEnrichmentSearch(search, evaluate, [](int cycles, double) { return cycles < kCommandLineCycles; });
    }
    state.counters["cycles"] = search.cycleCount;
    state.counters["evaluations"] = benchmark::Counter(evaluations, benchmark::Counter::kAvgIterations);
    state.counters["ssr"] = search.vertexSSR[0];
}

// True enrichments (32S, 33S, 34S, 36S): 0.0789, 0.0546, 0.1725, 0.694 (the
// right isotope named); 0.0407, 0.0445, 0.89, 0.0248 and 0.0256, 0.938, 0.024,
// 0.0124 (a wrong one named).
const FitCase kDegenerate = {
    "HS19",
    2,
    "S",
    4,
    {0.028, 0.08, 0.352, 0.635, 2.431, 3.884, 11.326, 13.61, 38.977, 39.526, 100.0, 71.308},
    4,
    0.694};
const FitCase kWrongIsotopeS34 = {
    "C1H67S18",
    1,
    "S",
    2,
    {0.193, 0.449, 8.851, 10.784, 100.0, 21.27, 75.236, 12.6, 27.488, 4.033, 6.371, 0.845},
    4,
    0.91};
const FitCase kWrongIsotopeS33 = {
    "HS4", 1,   "S", 4, {0.0, 0.008, 0.443, 10.849, 100.0, 10.194, 0.821, 5.273, 0.404, 0.016, 0.104, 0.005},
    3,     0.85};
// Three 13C at 0.75 in naphthalene, each intensity then scaled by a few per
// cent as a measurement would: its least-squares SSR is about 6.2.
const FitCase kNoisy = {"C10H8", 1, "C", 3, {3.612, 30.882, 99.074, 100, 7.798, 0.234, 0.004}, 0, 0.0};
// The same enrichment without the noise: converges within a few cycles.
const FitCase kConverging = {"C10H8", 1, "C", 3, {3.437, 31.2, 95.189, 100, 7.348, 0.239, 0.004}, 0, 0.0};

BENCHMARK_CAPTURE(BM_FitTrial, peptide_3kDa, kPeptide)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FitTrial, pyridine_N2, "C8H6N2")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Fit100Cycles, peptide_3kDa, kPeptide)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Fit100Cycles, pyridine_N2, "C8H6N2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFit, degenerate_HS19, kDegenerate)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFit, wrong_isotope_C1H67S18, kWrongIsotopeS34)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFit, wrong_isotope_HS4, kWrongIsotopeS33)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFit, noisy_C10H8, kNoisy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeFit, converging_C10H8, kConverging)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
