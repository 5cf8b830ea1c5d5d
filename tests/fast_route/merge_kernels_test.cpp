// Pins the merge kernels of the convolution route on their own, in double and in
// extended precision, against a literal computation that shares none of their
// recurrences: every composition of every unit is listed as a multiset of heavy
// isotopes with its multinomial probability, shift and mass defect, and the units
// are combined cell by cell over (heavy atoms, shift), truncated at the pass count.
// Small made-up units (deltas 1, 2, 3, 4, defects of both signs, a group of
// single-isotope elements) and a pass count below the units' total reach, so that
// the truncation matters.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "core/cluster_merge_kernels.h"

namespace tarnevo::testing {
namespace {

using core::Extended;
using core::convolution::MergeUnit;
using core::convolution::Table;

struct Isotope {
    int delta;
    double share;
    double defect;
};

struct UnitSpec {
    std::vector<Isotope> isotopes;  // one with share 1 and defect 0: a group
    std::vector<double> weight;     // j = 0 .. top
    std::vector<double> moment;     // the group's own moment per j (0 for an element)
};

struct Cell {
    Extended probability = 0;
    Extended moment = 0;
};
using Grid = std::map<std::pair<int, int>, Cell>;  // (heavy atoms, shift)

// Every multiset of `atoms` heavy isotopes: probability j! / prod x_i! prod u_i^x_i.
void ListCompositions(const UnitSpec& unit, std::size_t isotope, int atomsLeft, int shift, Extended defect,
                      Extended probability, int taken, Grid& out, int j) {
    if (isotope + 1 == unit.isotopes.size()) {
        const Isotope& last = unit.isotopes[isotope];
        for (int k = 1; k <= atomsLeft; ++k)
            probability *= static_cast<Extended>(last.share) * (taken + k) / k;
        Cell& cell = out[{j, shift + atomsLeft * last.delta}];
        cell.probability += probability;
        cell.moment += probability * (defect + atomsLeft * static_cast<Extended>(last.defect));
        return;
    }
    const Isotope& here = unit.isotopes[isotope];
    Extended factor = 1;
    for (int x = 0; x <= atomsLeft; ++x) {
        if (x > 0) factor *= static_cast<Extended>(here.share) * (taken + x) / x;
        ListCompositions(unit, isotope + 1, atomsLeft - x, shift + x * here.delta,
                         defect + x * static_cast<Extended>(here.defect), probability * factor, taken + x,
                         out, j);
    }
}

Grid LiteralUnit(const UnitSpec& unit) {
    Grid grid;
    for (int j = 0; j < static_cast<int>(unit.weight.size()); ++j) {
        Grid shares;
        ListCompositions(unit, 0, j, 0, 0, 1, 0, shares, j);
        for (const auto& [key, cell] : shares) {
            Cell& target = grid[key];
            target.probability += unit.weight[j] * cell.probability;
            target.moment += unit.weight[j] * cell.moment + unit.moment[j] * cell.probability;
        }
    }
    return grid;
}

Grid Combine(const Grid& a, const Grid& b, int passes) {
    Grid out;
    for (const auto& [ka, ca] : a) {
        for (const auto& [kb, cb] : b) {
            const int h = ka.first + kb.first;
            const int n = ka.second + kb.second;
            if (h > passes || n > 319) continue;
            Cell& cell = out[{h, n}];
            cell.probability += ca.probability * cb.probability;
            cell.moment += ca.moment * cb.probability + ca.probability * cb.moment;
        }
    }
    return out;
}

template <typename Real>
MergeUnit<Real> ToMergeUnit(const UnitSpec& described) {
    MergeUnit<Real> unit;
    unit.top = static_cast<int>(described.weight.size()) - 1;
    unit.isotopeCount = static_cast<int>(described.isotopes.size());
    unit.minDelta = 1000;
    unit.maxDelta = 0;
    for (int i = 0; i < unit.isotopeCount; ++i) {
        const Isotope& isotope = described.isotopes[i];
        unit.delta[i] = isotope.delta;
        unit.share[i] = static_cast<Real>(isotope.share);
        unit.shareDefect[i] = static_cast<Real>(isotope.share * isotope.defect);
        unit.minDelta = std::min(unit.minDelta, isotope.delta);
        unit.maxDelta = std::max(unit.maxDelta, isotope.delta);
    }
    for (int j = 0; j <= unit.top; ++j) {
        unit.weight[j] = static_cast<Real>(described.weight[j]);
        unit.moment[j] = static_cast<Real>(described.moment[j]);
    }
    return unit;
}

const UnitSpec kElementA{
    {{1, 0.7, 0.001}, {2, 0.3, -0.002}}, {0.3, 0.25, 0.2, 0.12, 0.08, 0.05}, {0, 0, 0, 0, 0, 0}};
const UnitSpec kElementB{
    {{1, 0.5, 0.003}, {2, 0.3, 0.001}, {4, 0.2, -0.004}}, {0.4, 0.3, 0.15, 0.1, 0.05}, {0, 0, 0, 0, 0}};
const UnitSpec kGroup{{{1, 1.0, 0.0}},
                      {0.2, 0.3, 0.2, 0.15, 0.1, 0.04, 0.01},
                      {0, 0.3 * 0.004, 0.2 * 0.008, 0.15 * 0.011, 0.1 * 0.013, 0.04 * 0.02, 0.01 * 0.021}};
const UnitSpec kElementC{{{3, 0.6, 0.002}, {1, 0.4, 0.0005}}, {0.5, 0.3, 0.2}, {0, 0, 0}};
constexpr int kPasses = 9;

template <typename Real>
class MergeKernels : public ::testing::Test {
protected:
    std::vector<Real> memory = std::vector<Real>(4 * core::convolution::kTableCells + 10 * core::kPeakCount);
    std::array<Table<Real>, 2> tables;

    void SetUp() override {
        const std::size_t cells = core::convolution::kTableCells;
        tables[0].cells = memory.data();
        tables[1].cells = memory.data() + cells;
        tables[0].moments = memory.data() + 2 * cells;
        tables[1].moments = memory.data() + 3 * cells;
    }
    Real* Lines() { return memory.data() + 4 * core::convolution::kTableCells; }

    static void ExpectTable(const Table<Real>& table, const Grid& literal, double tolerance) {
        for (int h = 0; h <= table.top; ++h) {
            for (int n = table.Low(h); n <= table.High(h); ++n) {
                const auto found = literal.find({h, n});
                const Cell expected = found == literal.end() ? Cell{} : found->second;
                EXPECT_NEAR(static_cast<double>(table.Row(h)[n]), static_cast<double>(expected.probability),
                            tolerance * static_cast<double>(expected.probability) + 1e-300)
                    << "h " << h << " n " << n;
                EXPECT_NEAR(static_cast<double>(table.MomentRow(h)[n]), static_cast<double>(expected.moment),
                            tolerance * 1e-2 * static_cast<double>(expected.probability) + 1e-300)
                    << "moment h " << h << " n " << n;
            }
        }
    }
};

using Precisions = ::testing::Types<double, Extended>;
TYPED_TEST_SUITE(MergeKernels, Precisions);

TYPED_TEST(MergeKernels, EachStepMatchesTheListedCompositions) {
    using Real = TypeParam;
    const double tolerance = 1e-13;
    Table<Real>& first = this->tables[0];
    Table<Real>& second = this->tables[1];
    core::convolution::BuildFirstTable(ToMergeUnit<Real>(kElementA), this->Lines(),
                                       this->Lines() + 2 * core::kPeakCount, first);
    const Grid a = LiteralUnit(kElementA);
    this->ExpectTable(first, a, tolerance);

    core::convolution::MergeByHorner(first, ToMergeUnit<Real>(kElementB), kPasses, second);
    const Grid ab = Combine(a, LiteralUnit(kElementB), kPasses);
    EXPECT_EQ(second.top, kPasses);
    this->ExpectTable(second, ab, tolerance);

    core::convolution::MergeDiagonal(second, ToMergeUnit<Real>(kGroup), kPasses, first);
    const Grid abg = Combine(ab, LiteralUnit(kGroup), kPasses);
    this->ExpectTable(first, abg, tolerance);

    std::array<Real, core::kPeakCount> peaks{};
    std::array<Real, core::kPeakCount> moments{};
    core::convolution::CollapseToPeaks(first, ToMergeUnit<Real>(kElementC), kPasses,
                                       this->Lines() + 4 * core::kPeakCount, peaks.data(), moments.data());
    std::array<Cell, core::kPeakCount> expected{};
    for (const auto& [key, cell] : Combine(abg, LiteralUnit(kElementC), kPasses)) {
        expected[key.second].probability += cell.probability;
        expected[key.second].moment += cell.moment;
    }
    for (int n = 0; n < core::kPeakCount; ++n) {
        const double p = static_cast<double>(expected[n].probability);
        EXPECT_NEAR(static_cast<double>(peaks[n]), p, tolerance * p) << "[A+" << n << "]";
        EXPECT_NEAR(static_cast<double>(moments[n]), static_cast<double>(expected[n].moment),
                    tolerance * 1e-2 * p)
            << "moment [A+" << n << "]";
    }
}

TYPED_TEST(MergeKernels, LargestExponentIsTheLargestCells) {
    using Real = TypeParam;
    Table<Real>& table = this->tables[0];
    core::convolution::BuildFirstTable(ToMergeUnit<Real>(kElementA), this->Lines(),
                                       this->Lines() + 2 * core::kPeakCount, table);
    // The largest cell is h = 0: 0.3, between 2^-2 and 2^-1, so 0.3 = 0.6 x 2^-1.
    EXPECT_EQ(core::convolution::LargestExponent(table), -1);
}

}  // namespace
}  // namespace tarnevo::testing
