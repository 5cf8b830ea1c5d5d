// Timings of the formula search from m/z: the fast search as the desktop
// program runs it (the first 200 formulae found), the literal walk of its
// definition on the same queries, and the uncapped search that lists every
// formula, on queries of 2 to 8 elements. The counters give the formulae found
// and, for the literal walk, the partial formulae it evaluated.
//
// The Sparse family is the search at its hardest: C H N O S P Cl Na with the
// dialog's default maxima (as many atoms as fit under the m/z) from m/z 500 to
// 5000, and 0..1000 of each at m/z 10000, in windows from zero width (which
// at charge 1 holds no formula of natural masses: the electron puts the ion
// mass off the 0.00001 u grid of the element masses) to +-0.05.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/element_table.h"
#include "core/formula_search.h"
#include "tests/formulae/literal_formula_walk.h"

namespace {

using namespace tarnevo::core;

constexpr std::size_t kCapacity = 200;

struct Range {
    const char* symbol;
    int minimum;
    int maximum;  // 0: trunc(target / mass), as the dialog means it
};

struct Query {
    const char* name;
    double target;
    double tolerance;
    int charge;
    std::vector<Range> elements;
    bool literalToo;  // the literal walk ends within a minute
};

const std::vector<Range> kEight = {{"C", 0, 100}, {"H", 0, 200}, {"N", 0, 20}, {"O", 0, 30},
                                   {"S", 0, 5},   {"P", 0, 5},   {"Cl", 0, 5}, {"Na", 0, 3}};
const std::vector<Range> kEightDefault = {{"C", 0, 0}, {"H", 0, 0}, {"N", 0, 0},  {"O", 0, 0},
                                          {"S", 0, 0}, {"P", 0, 0}, {"Cl", 0, 0}, {"Na", 0, 0}};

const std::vector<Query>& Queries() {
    static const std::vector<Query> kQueries = {
        {"2_CH_200", 200.0, 0.05, 1, {{"C", 0, 0}, {"H", 0, 0}}, true},
        {"4_CHNO_500", 500.2, 0.005, 1, {{"C", 0, 40}, {"H", 0, 80}, {"N", 0, 10}, {"O", 0, 20}}, true},
        {"6_CHNOSP_800",
         800.0,
         0.001,
         1,
         {{"C", 0, 60}, {"H", 0, 120}, {"N", 0, 10}, {"O", 0, 20}, {"S", 0, 3}, {"P", 0, 3}},
         true},
        {"8_mz1000_tol0.01", 1000.0, 0.01, 1, kEight, true},
        {"8_mz1000_tol0.000005", 1000.0, 0.000005, 1, kEight, true},
        {"8_mz3000_defaults_tol0.01", 3000.0, 0.01, 1, kEightDefault, false},
        {"8_mz3000_defaults_tol0.000005", 3000.0, 0.000005, 1, kEightDefault, false},
    };
    return kQueries;
}

const std::vector<Range> kEightToThousand = {{"C", 0, 1000},  {"H", 0, 1000}, {"N", 0, 1000},
                                             {"O", 0, 1000},  {"S", 0, 1000}, {"P", 0, 1000},
                                             {"Cl", 0, 1000}, {"Na", 0, 1000}};

struct SparseQuery {
    std::string name;
    Query query;
    bool uncappedToo;  // the uncapped search lists at most a few million
};

std::string ToleranceName(double tolerance) {
    if (tolerance == 0.0) return "0";
    if (tolerance == 0.000005) return "0.000005";
    std::string text = std::to_string(tolerance);
    while (text.back() == '0') text.pop_back();
    return text;
}

const std::vector<SparseQuery>& SparseQueries() {
    static const std::vector<SparseQuery> kSparse = [] {
        std::vector<SparseQuery> queries;
        const std::vector<double> tolerances = {0.0, 0.000005, 0.001, 0.01, 0.05};
        for (const int mz : {500, 1000, 2000, 2500, 5000, 10000}) {
            for (const double tolerance : tolerances) {
                const std::string name = "8_mz" + std::to_string(mz) + "_tol" + ToleranceName(tolerance);
                const bool uncapped = mz <= 1000 && tolerance <= 0.001;
                queries.push_back({name,
                                   {nullptr, static_cast<double>(mz), tolerance, 1,
                                    mz == 10000 ? kEightToThousand : kEightDefault, false},
                                   uncapped});
            }
        }
        return queries;
    }();
    return kSparse;
}

FormulaQuery Resolve(const Query& query) {
    static const ElementTable table;
    FormulaQuery resolved{query.target, query.tolerance, query.charge, {}};
    for (const Range& range : query.elements) {
        const int index = LookupSymbolText(range.symbol, 1);
        SearchElement element;
        element.mass = table[index].lightMass;
        element.minimum = range.minimum;
        element.maximum = range.maximum != 0
                              ? range.maximum
                              : DefaultMaximum(query.target, query.charge, element.mass, query.tolerance);
        element.valence = table[index].valenceElectrons;
        resolved.elements.push_back(element);
    }
    return resolved;
}

void Fast(benchmark::State& state, const Query& query, std::size_t limit) {
    const FormulaQuery resolved = Resolve(query);
    std::size_t found = 0;
    for (auto _ : state) {
        std::vector<FoundFormula> formulae = SearchFormulae(resolved, limit);
        SortByMz(formulae);
        found = formulae.size();
        benchmark::DoNotOptimize(formulae.data());
    }
    state.counters["formulae"] = static_cast<double>(found);
}

void Literal(benchmark::State& state, const Query& query) {
    const FormulaQuery resolved = Resolve(query);
    std::size_t found = 0;
    long long evaluated = 0;
    for (auto _ : state) {
        tarnevo::testing::LiteralFormulaWalk walk(resolved, kCapacity);
        std::vector<FoundFormula> formulae = walk.Run();
        tarnevo::testing::InsertionSortByMz(formulae);
        found = formulae.size();
        evaluated = walk.Evaluated();
        benchmark::DoNotOptimize(formulae.data());
    }
    state.counters["formulae"] = static_cast<double>(found);
    state.counters["partials"] = static_cast<double>(evaluated);
}

// Literal runs of a minute are timed once; run them alone with
// --benchmark_filter=Literal.
int Register() {
    for (const Query& query : Queries()) {
        benchmark::RegisterBenchmark((std::string("FormulaSearch/") + query.name).c_str(),
                                     [&query](benchmark::State& state) { Fast(state, query, kCapacity); })
            ->Unit(benchmark::kMillisecond);
        if (!query.literalToo) continue;
        auto* literal =
            benchmark::RegisterBenchmark((std::string("LiteralWalk/") + query.name).c_str(),
                                         [&query](benchmark::State& state) { Literal(state, query); });
        literal->Unit(benchmark::kMillisecond);
        if (query.elements.size() == 8) literal->Iterations(1);
    }
    benchmark::RegisterBenchmark("FormulaSearchAll/8_mz1000_tol0.01", [](benchmark::State& state) {
        Fast(state, Queries()[3], kUncapped);
    })->Unit(benchmark::kMillisecond);
    for (const SparseQuery& sparse : SparseQueries()) {
        benchmark::RegisterBenchmark(("Sparse/" + sparse.name).c_str(), [&sparse](benchmark::State& state) {
            Fast(state, sparse.query, kCapacity);
        })->Unit(benchmark::kMillisecond);
        if (!sparse.uncappedToo) continue;
        benchmark::RegisterBenchmark(("SparseAll/" + sparse.name).c_str(), [&sparse](
                                                                               benchmark::State& state) {
            Fast(state, sparse.query, kUncapped);
        })->Unit(benchmark::kMillisecond);
    }
    return 0;
}

const int kRegistered = Register();

}  // namespace

BENCHMARK_MAIN();
