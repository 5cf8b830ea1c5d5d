// The formula search coded literally as it is defined: a depth-first walk with
// one loop per element, the m/z of every partial formula summed afresh from
// its counts in extended precision, three ways to leave a loop, and nothing
// recorded after the limit although the walk runs on. It shares no step with
// the fast search beyond the element masses and the electron mass, and serves
// as the reference in the tests and as the baseline in the benchmark.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <vector>

#include "core/cluster_engine.h"
#include "core/formula_search.h"

namespace tarnevo::testing {

class LiteralFormulaWalk {
public:
    LiteralFormulaWalk(const core::FormulaQuery& query, std::size_t limit) : query_(query), limit_(limit) {
        const long double target = query.target;
        const long double tolerance = query.tolerance;
        low_ = target - tolerance;
        high_ = target + tolerance;
    }

    std::vector<core::FoundFormula> Run() {
        if (!query_.elements.empty()) Loop(0);
        return found_;
    }

    // Partial formulae whose m/z was computed.
    long long Evaluated() const { return evaluated_; }

private:
    long double Mz() const {
        long double mass = 0.0L;
        for (std::size_t k = 0; k < query_.elements.size(); ++k) {
            mass = mass +
                   static_cast<long double>(counts_[k]) * static_cast<long double>(query_.elements[k].mass);
        }
        const long double z = query_.charge;
        return (mass - z * static_cast<long double>(core::electronMass)) / (z < 0 ? -z : z);
    }

    void Loop(std::size_t k) {
        const core::SearchElement& element = query_.elements[k];
        for (int c = element.minimum; c <= element.maximum; ++c) {
            counts_[k] = c;
            const long double mz = Mz();
            ++evaluated_;
            if (mz > high_) break;
            if (mz >= low_) {
                if (found_.size() < limit_) Record(mz);
                break;
            }
            if (k + 1 < query_.elements.size()) Loop(k + 1);
        }
        counts_[k] = 0;
    }

    // -1 with an element of indeterminate valence present; else the C
    // remainder of (S - z) / 2, where a negative odd S - z counts as odd.
    int ElectronClass() const {
        int electrons = 0;
        for (std::size_t k = 0; k < query_.elements.size(); ++k) {
            if (counts_[k] == 0) continue;
            if (query_.elements[k].valence == -1) return -1;
            electrons += counts_[k] * query_.elements[k].valence;
        }
        const int remainder = (electrons - query_.charge) % 2;
        return remainder == -1 ? 1 : remainder;
    }

    void Record(long double mz) {
        core::FoundFormula formula;
        formula.counts = counts_;
        formula.mz = static_cast<double>(mz);
        formula.electronClass = ElectronClass();
        found_.push_back(formula);
    }

    const core::FormulaQuery& query_;
    std::size_t limit_;
    long double low_ = 0.0L;
    long double high_ = 0.0L;
    core::AtomCounts counts_{};
    std::vector<core::FoundFormula> found_;
    long long evaluated_ = 0;
};

// Ascending m/z by insertion: an entry moves only past strictly larger ones,
// so equal m/z keep the order of discovery.
inline void InsertionSortByMz(std::vector<core::FoundFormula>& formulae) {
    for (std::size_t i = 1; i < formulae.size(); ++i) {
        const core::FoundFormula moving = formulae[i];
        std::size_t j = i;
        while (j > 0 && formulae[j - 1].mz > moving.mz) {
            formulae[j] = formulae[j - 1];
            --j;
        }
        formulae[j] = moving;
    }
}

}  // namespace tarnevo::testing
