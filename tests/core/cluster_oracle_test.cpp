// Compares the engine with a brute-force oracle that shares none of its
// algorithm: every isotopic composition of every element is listed with its
// multinomial probability N! / (a0! a1! ...) x p0^a0 x p1^a1 ..., the elements are
// combined by a plain Cartesian product, and the passes and the stop FA are
// applied to the full list afterwards (a pass r holds the compositions with r
// heavy atoms; the enumeration stops after the first pass whose cumulative FA,
// rounded to double, exceeds the stop FA). Random small formulas, fixed seed.
// Each listed composition also carries its exact mass, the sum of its isotopes'
// masses, so the centroid of every peak is checked against the plain weighted mean.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/cluster_engine.h"
#include "core/program_context.h"

namespace tarnevo::core {
namespace {

struct Outcome {
    int heavyAtoms = 0;
    int shift = 0;
    long double probability = 0;
    long double mass = 0;  // u, neutral
};

long double Factorial(int n) {
    long double f = 1;
    for (int k = 2; k <= n; ++k) f *= k;
    return f;
}

// Every way to share `atoms` atoms among the isotopes of one element.
std::vector<Outcome> ElementOutcomes(const ElementTable& table, int element, int atoms) {
    std::vector<double> fa = {table.LightFA(element)};
    std::vector<int> delta = {0};
    std::vector<double> mass = {table[element].lightMass};
    for (int k = 0; k < table[element].heavyCount; ++k) {
        fa.push_back(table.HeavyFA(element, k));
        delta.push_back(table.HeavyDelta(element, k));
        mass.push_back(table.HeavyExactMass(element, k));
    }
    std::vector<Outcome> outcomes;
    std::vector<int> counts(fa.size(), 0);
    std::function<void(std::size_t, int)> share = [&](std::size_t isotope, int left) {
        if (isotope + 1 == fa.size()) {
            counts[isotope] = left;
            Outcome outcome;
            outcome.probability = Factorial(atoms);
            for (std::size_t i = 0; i < fa.size(); ++i) {
                outcome.probability /= Factorial(counts[i]);
                outcome.probability *= std::pow(static_cast<long double>(fa[i]), counts[i]);
                outcome.shift += counts[i] * delta[i];
                outcome.mass += counts[i] * static_cast<long double>(mass[i]);
                if (i > 0) outcome.heavyAtoms += counts[i];
            }
            outcomes.push_back(outcome);
            return;
        }
        for (int c = 0; c <= left; ++c) {
            counts[isotope] = c;
            share(isotope + 1, left - c);
        }
    };
    share(0, atoms);
    return outcomes;
}

struct OracleCluster {
    std::array<long double, kPeakCount> peaks{};
    std::array<long double, kPeakCount> massSums{};  // probability x mass
    int lastPeakIndex = 0;
    bool overflow = false;
    long double cumulative = 0;
};

OracleCluster Oracle(const ElementTable& table, const std::map<int, int>& formula, double stopFA) {
    std::vector<Outcome> all = {Outcome{0, 0, 1.0L, 0.0L}};
    for (const auto& [element, atoms] : formula) {
        if (!table.IsPolyisotopic(element)) continue;
        std::vector<Outcome> combined;
        for (const Outcome& a : all) {
            for (const Outcome& b : ElementOutcomes(table, element, atoms)) {
                combined.push_back({a.heavyAtoms + b.heavyAtoms, a.shift + b.shift,
                                    a.probability * b.probability, a.mass + b.mass});
            }
        }
        all = std::move(combined);
    }
    int totalAtoms = 0;
    for (const auto& [element, atoms] : formula) totalAtoms += table.IsPolyisotopic(element) ? atoms : 0;
    int lastPass = 0;
    long double cumulative = 0;
    for (int pass = 0; pass <= std::min(totalAtoms, kPeakCount); ++pass) {
        for (const Outcome& o : all) cumulative += o.heavyAtoms == pass ? o.probability : 0;
        lastPass = pass;
        if (pass >= 1 && static_cast<double>(cumulative) > stopFA) break;
    }
    OracleCluster oracle;
    oracle.cumulative = cumulative;
    // Monoisotopic elements weigh the same in every composition.
    long double fixedMass = 0;
    for (const auto& [element, atoms] : formula) {
        if (!table.IsPolyisotopic(element))
            fixedMass += atoms * static_cast<long double>(table[element].lightMass);
    }
    for (Outcome& o : all) o.mass += fixedMass;
    for (const Outcome& o : all) {
        if (o.heavyAtoms > lastPass) continue;
        if (o.shift >= kPeakCount) {
            oracle.overflow = true;
            continue;
        }
        oracle.peaks[o.shift] += o.probability;
        oracle.massSums[o.shift] += o.probability * o.mass;
        oracle.lastPeakIndex = std::max(oracle.lastPeakIndex, o.shift);
    }
    return oracle;
}

std::string FormulaText(const std::map<int, int>& formula) {
    std::string text;
    for (const auto& [element, atoms] : formula)
        text += std::string(SymbolOf(element)) + std::to_string(atoms);
    return text;
}

void ExpectEngineMatchesOracle(const std::map<int, int>& formulaCounts, double stopFA) {
    auto program = std::make_unique<ProgramContext>();
    ParsedFormula formula;
    for (const auto& [element, atoms] : formulaCounts) formula[element] = static_cast<std::uint32_t>(atoms);
    const std::string text = FormulaText(formulaCounts);
    ASSERT_EQ(CheckClusterLimits(program->elements, program->cluster, formula, 1).status,
              ClusterLimit::WithinLimits)
        << text;
    OrderPolyisotopicElements(program->elements, program->cluster, formula);
    ComputeCluster(program->cluster, program->cluster.polyAtomCount, stopFA);

    const OracleCluster oracle = Oracle(program->elements, formulaCounts, stopFA);
    const ClusterWorkspace& ws = program->cluster;
    EXPECT_EQ(ws.lastPeakIndex, oracle.lastPeakIndex) << text << " stop " << stopFA;
    EXPECT_EQ(ws.peakOverflow, oracle.overflow) << text;
    EXPECT_NEAR(static_cast<double>(ws.cumulativeFA), static_cast<double>(oracle.cumulative), 1e-14) << text;
    const long double largest = *std::max_element(oracle.peaks.begin(), oracle.peaks.end());
    for (int n = 0; n < kPeakCount; ++n) {
        ASSERT_NEAR(static_cast<double>(ws.peakSum[n] / largest),
                    static_cast<double>(oracle.peaks[n] / largest), 1e-12)
            << text << " [A+" << n << "] stop " << stopFA;
        if (oracle.peaks[n] < 1e-12L * largest) continue;
        // Charge 1: one electron fewer than the neutral compositions.
        const double centroid = static_cast<double>(oracle.massSums[n] / oracle.peaks[n]) - electronMass;
        ASSERT_NEAR(PeakCentroidMass(ws, n), centroid, 1e-9 * centroid)
            << text << " centroid of [A+" << n << "]";
    }
}

// Elements with one to nine heavy isotopes, and monoisotopic ones (Na, F, P)
// that only add mass.
constexpr std::array<int, 16> kCandidates = {10, 27, 43, 49, 61, 14, 9, 65, 67, 64, 42, 23, 12, 44, 22, 51};

TEST(ClusterOracle, RandomSmallFormulasMatchTheMultinomialOracle) {
    std::mt19937 random(12345);
    constexpr std::array<double, 6> kStops = {0.5, 0.9, 0.99, 0.999, 0.9999, 0.99999};
    for (int round = 0; round < 150; ++round) {
        std::map<int, int> formula;
        const int elements = 1 + static_cast<int>(random() % 3);
        for (int e = 0; e < elements; ++e) {
            const int element = kCandidates[random() % kCandidates.size()];
            const int heavy = ElementTable()[element].heavyCount;
            const int maxAtoms = heavy >= 6 ? 3 : heavy >= 3 ? 5 : 9;
            formula[element] = 1 + static_cast<int>(random() % maxAtoms);
        }
        if (std::none_of(formula.begin(), formula.end(),
                         [](const auto& entry) { return ElementTable().IsPolyisotopic(entry.first); })) {
            formula[10] = 2;
        }
        ExpectEngineMatchesOracle(formula, kStops[random() % kStops.size()]);
    }
}

TEST(ClusterOracle, HandPickedShapes) {
    ExpectEngineMatchesOracle({{14, 2}}, 0.9);                       // Cl2, truncated after pass 1
    ExpectEngineMatchesOracle({{67, 2}, {79, 1}}, 0.99999);          // Sn2Xe: 26 heavy slots
    ExpectEngineMatchesOracle({{10, 6}, {27, 6}}, 0.9999);           // benzene
    ExpectEngineMatchesOracle({{9, 4}, {14, 3}, {10, 3}}, 0.99999);  // Br4Cl3C3
    ExpectEngineMatchesOracle({{61, 4}, {49, 3}, {43, 2}}, 0.5);     // S4O3N2
}

}  // namespace
}  // namespace tarnevo::core
