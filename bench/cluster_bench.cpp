// Timings of the isotope cluster engine at the stop FA 0.9999 on ions from benzene
// to an IgG antibody: the convolution route, the enumeration where it ends within
// a fraction of a second, ComputeCluster with its own choice of route, and, when
// IsoSpec is installed, its total-probability envelope (fine structure) and its
// 1-Da binned envelope at 0.9999 on the same formulae; when OpenMS is installed, its
// coarse isotope pattern generator (320 nominal peaks). The slowest accepted and
// refused ions found are timed through ComputeCluster as the calculations call it. A table of ratios follows
// the usual report.
#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/cluster_convolution.h"
#include "core/cluster_engine.h"
#include "core/cluster_enumeration.h"
#include "core/formula_parser.h"

#ifdef TARNEVO_BENCH_OPENMS
#include <OpenMS/CHEMISTRY/EmpiricalFormula.h>
#include <OpenMS/CHEMISTRY/ISOTOPEDISTRIBUTION/CoarseIsotopePatternGenerator.h>
#endif

#ifdef TARNEVO_BENCH_ISOSPEC
#include <IsoSpec++/fixedEnvelopes.h>
#include <IsoSpec++/isoSpec++.h>
#endif

namespace {

using namespace tarnevo::core;

constexpr double kStopFA = 0.9999;

struct Ion {
    const char* name;
    const char* formula;
    bool enumerate;  // the enumeration ends within a fraction of a second
};

// Protein formulae are the usual average compositions (myoglobin approximate).
constexpr Ion kIons[] = {
    {"benzene", "C6H6", true},
    {"substance_P", "C63H98N18O13S", true},
    {"insulin", "C257H383N65O77S6", true},
    {"myoglobin", "C769H1212N210O218S2", true},
    {"BSA", "C2934H4615N781O897S39", false},
    {"IgG", "C6464H9950N1714O2016S44", false},
};

// The slowest ions found at the stop FA 0.99999: seventeen elements with 88 heavy
// isotopes in all, 18 atoms each, accepted after 270 passes (its first composition
// near 1e-509); with 19 each the largest peak is 2^-950, with 20 it is 2^-1030, just
// below the double range, and the ion is refused, as is Sn5000.
struct EdgeIon {
    const char* name;
    const char* formula;
};
constexpr double kEdgeStopFA = 0.99999;
constexpr EdgeIon kEdgeIons[] = {
    {"accepted_17_elements", "Sn18Xe18Cd18Te18Ba18Dy18Gd18Hg18Mo18Nd18Ru18Sm18Fe18S18Cl18Br18B18"},
    {"accepted_17_elements_19", "Sn19Xe19Cd19Te19Ba19Dy19Gd19Hg19Mo19Nd19Ru19Sm19Fe19S19Cl19Br19B19"},
    {"refused_17_elements", "Sn20Xe20Cd20Te20Ba20Dy20Gd20Hg20Mo20Nd20Ru20Sm20Fe20S20Cl20Br20B20"},
    {"refused_Sn5000", "Sn5000"},
};

ClusterWorkspace PrepareIon(const char* formulaText) {
    static const ElementTable table;
    ParsedFormula formula;
    ClusterWorkspace workspace;
    if (ParseFormulaText(formulaText, formula) != FormulaSyntax::Valid ||
        CheckClusterLimits(table, workspace, formula, 1).status != ClusterLimit::WithinLimits) {
        std::fprintf(stderr, "cannot prepare %s\n", formulaText);
        std::abort();
    }
    OrderPolyisotopicElements(table, workspace, formula);
    return workspace;
}

// The routes with their default treatment of ions beyond the double range.
void Convolve(ClusterWorkspace& workspace, int passLimit, double stopFA) {
    ComputeClusterByConvolution(workspace, passLimit, stopFA);
}
void Compute(ClusterWorkspace& workspace, int passLimit, double stopFA) {
    ComputeCluster(workspace, passLimit, stopFA);
}

template <void (*Compute)(ClusterWorkspace&, int, double)>
void TimeRoute(benchmark::State& state, const char* formula) {
    ClusterWorkspace workspace = PrepareIon(formula);
    for (auto _ : state) {
        Compute(workspace, workspace.polyAtomCount, kStopFA);
        benchmark::DoNotOptimize(workspace.peakSum.data());
    }
    state.counters["passes"] = workspace.passCount;
}

// ComputeCluster as the calculations call it: refusing ions beyond the double range.
void TimeEdgeIon(benchmark::State& state, const char* formula) {
    ClusterWorkspace workspace = PrepareIon(formula);
    for (auto _ : state) {
        ComputeCluster(workspace, workspace.polyAtomCount, kEdgeStopFA, BelowDoubleRange::Refuse);
        benchmark::DoNotOptimize(workspace.peakSum.data());
    }
    state.counters["passes"] = workspace.passCount;
    state.counters["refused"] = workspace.underflow ? 1 : 0;
}

#ifdef TARNEVO_BENCH_ISOSPEC
// IsoSpec wants a count after every symbol: C6H6O -> C6H6O1.
std::string IsoSpecFormula(const char* formula) {
    std::string text;
    for (const char* c = formula; *c != '\0'; ++c) {
        text += *c;
        const bool symbolEnds = std::isalpha(static_cast<unsigned char>(*c)) &&
                                (c[1] == '\0' || std::isupper(static_cast<unsigned char>(c[1])));
        if (symbolEnds) text += '1';
    }
    return text;
}

void TimeIsoSpecTotalProb(benchmark::State& state, const char* formula) {
    const IsoSpec::Iso iso(IsoSpecFormula(formula).c_str());
    std::size_t configurations = 0;
    for (auto _ : state) {
        // A full copy each time: the generator consumes the marginals it is given.
        IsoSpec::FixedEnvelope envelope =
            IsoSpec::FixedEnvelope::FromTotalProb(IsoSpec::Iso(iso, true), kStopFA, false);
        configurations = envelope.confs_no();
        benchmark::DoNotOptimize(configurations);
    }
    state.counters["configurations"] = static_cast<double>(configurations);
}

void TimeIsoSpecBinned(benchmark::State& state, const char* formula) {
    const IsoSpec::Iso iso(IsoSpecFormula(formula).c_str());
    for (auto _ : state) {
        IsoSpec::FixedEnvelope envelope =
            IsoSpec::FixedEnvelope::Binned(IsoSpec::Iso(iso, true), kStopFA, 1.0);
        benchmark::DoNotOptimize(envelope.confs_no());
    }
}
#endif

#ifdef TARNEVO_BENCH_OPENMS
// OpenMS's coarse generator (nominal peaks, approximate) with 320 peaks, as many as
// the engine keeps.
void TimeOpenMSCoarse(benchmark::State& state, const char* formula) {
    const OpenMS::EmpiricalFormula empirical(formula);
    const OpenMS::CoarseIsotopePatternGenerator generator(kPeakCount);
    for (auto _ : state) {
        OpenMS::IsotopeDistribution distribution = generator.run(empirical);
        benchmark::DoNotOptimize(distribution.size());
    }
}
#endif

std::string Name(const char* what, const Ion& ion) { return std::string(what) + "/" + ion.name; }

void RegisterAll() {
    for (const EdgeIon& ion : kEdgeIons) {
        benchmark::RegisterBenchmark((std::string("Edge/") + ion.name).c_str(), TimeEdgeIon, ion.formula)
            ->Unit(benchmark::kMillisecond);
    }
    for (const Ion& ion : kIons) {
        benchmark::RegisterBenchmark(Name("Convolution", ion).c_str(), TimeRoute<Convolve>, ion.formula)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(Name("ComputeCluster", ion).c_str(), TimeRoute<Compute>, ion.formula)
            ->Unit(benchmark::kMicrosecond);
        if (ion.enumerate) {
            benchmark::RegisterBenchmark(Name("Enumeration", ion).c_str(),
                                         TimeRoute<ComputeClusterByEnumeration>, ion.formula)
                ->Unit(benchmark::kMicrosecond);
        }
#ifdef TARNEVO_BENCH_OPENMS
        benchmark::RegisterBenchmark(Name("OpenMSCoarse", ion).c_str(), TimeOpenMSCoarse, ion.formula)
            ->Unit(benchmark::kMicrosecond);
#endif
#ifdef TARNEVO_BENCH_ISOSPEC
        benchmark::RegisterBenchmark(Name("IsoSpecTotalProb", ion).c_str(), TimeIsoSpecTotalProb, ion.formula)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(Name("IsoSpecBinned", ion).c_str(), TimeIsoSpecBinned, ion.formula)
            ->Unit(benchmark::kMicrosecond);
#endif
    }
}

// Keeps the time per iteration (microseconds) of every benchmark: the median when
// repetitions were asked for (--benchmark_repetitions), else the single run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}  // plain text, for logs and files

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration) {
                microseconds_.emplace(run.run_name.str(), run.GetAdjustedRealTime());
            } else if (run.aggregate_name == "median") {
                microseconds_[run.run_name.str()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf("\n%-12s %12s %12s %12s %12s %12s %14s %12s %12s\n", "ion", "fast (us)", "enum (us)",
                    "IsoSpec (us)", "OpenMS (us)", "enum/fast", "IsoSpec/fast", "binned/fast", "OpenMS/fast");
        for (const Ion& ion : kIons) {
            const double fast = Find(Name("Convolution", ion));
            const double enumeration = Find(Name("Enumeration", ion));
            const double isoSpec = Find(Name("IsoSpecTotalProb", ion));
            const double binned = Find(Name("IsoSpecBinned", ion));
            const double openMS = Find(Name("OpenMSCoarse", ion));
            std::printf("%-12s %12.2f %12s %12s %12s %12s %14s %12s %12s\n", ion.name, fast,
                        Cell(enumeration, 1).c_str(), Cell(isoSpec, 1).c_str(), Cell(openMS, 1).c_str(),
                        Cell(enumeration, fast).c_str(), Cell(isoSpec, fast).c_str(),
                        Cell(binned, fast).c_str(), Cell(openMS, fast).c_str());
        }
    }

private:
    double Find(const std::string& name) const {
        const auto found = microseconds_.find(name);
        return found == microseconds_.end() ? -1.0 : found->second;
    }

    static std::string Cell(double value, double divisor) {
        if (value < 0 || divisor <= 0) return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", value / divisor);
        return text;
    }

    std::map<std::string, double> microseconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
