// Timings of the formula search from m/z: the fast search as the desktop
// program runs it (the first 200 formulae found), the literal walk of its
// definition on the same queries, and the uncapped search that lists every
// formula, on queries of 2 to 8 elements. The counters give the formulae found
// and, for the literal walk, the partial formulae it evaluated.
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

FormulaQuery Resolve(const Query& query) {
    static const ElementTable table;
    FormulaQuery resolved{query.target, query.tolerance, query.charge, {}};
    for (const Range& range : query.elements) {
        const int index = LookupSymbolText(range.symbol, 1);
        SearchElement element;
        element.mass = table[index].lightMass;
        element.minimum = range.minimum;
        element.maximum = range.maximum != 0 ? range.maximum : DefaultMaximum(query.target, element.mass);
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
    return 0;
}

const int kRegistered = Register();

}  // namespace

BENCHMARK_MAIN();
