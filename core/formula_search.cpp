#include "core/formula_search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "core/formula_completion_filter.h"
#include "core/formula_completion_table.h"
#include "core/formula_search_space.h"
#include "core/ion_mz.h"

namespace tarnevo::core {

namespace {

using search::AddAtoms;
using search::CompletionTable;
using search::MakeSearchSpace;
using search::PlanFor;
using search::SearchPlan;
using search::SearchSpace;

// The first count of element k from which a subtree under partialMass may
// reach the window, clamped to [minimum, maximum + 1]. Every smaller count has
// even with all later elements at their maxima a mass below the window (with
// the slack to spare), so it neither records nor leaves the loop.
int FirstUsefulCount(const SearchSpace& space, int k, double partialMass) {
    const double needed = space.approxLow - space.approxRestMaximum[k + 1] - partialMass;
    const double atoms = std::floor(needed / space.approxMass[k]) - 1.0;
    const int minimum = space.minimum[k];
    if (!(atoms > minimum)) return minimum;
    if (atoms > space.maximum[k]) return space.maximum[k] + 1;
    return static_cast<int>(atoms);
}

// The filter pays for itself only when the walk before the table is long:
// its tables (about 200000 entries each with hydrogen) take some milliseconds
// to build, which most searches never repay, as they end well before. A
// table entry costs about as much to build as a step of the walk, so a
// search starts without the filter and builds it once it has taken
// kStepsPerFilterEntry times as many steps as the filter has entries to
// build: whichever way the search would have gone faster, this way takes at
// most about 1 + kStepsPerFilterEntry times as long (the reasoning of renting
// before buying); 2 rather than 1 spares the searches that end soon after
// anyway (m/z 2000 +-0.000005 with eight elements). Building costs a pass over
// a table for each element; the tables kept are held to kMaxFilterEntries (4
// bytes each).
constexpr std::int64_t kStepsPerFilterEntry = 2;
constexpr std::int64_t kMaxFilterEntries = std::int64_t{1} << 23;

std::vector<FilterElement> FilterElements(const SearchSpace& space) {
    std::vector<FilterElement> elements;
    elements.reserve(static_cast<std::size_t>(space.elementCount));
    for (int k = 0; k < space.elementCount; ++k)
        elements.push_back({space.approxMass[k], space.minimum[k], space.maximum[k]});
    return elements;
}

// The filter serves the whole query (depth 0, which finds a window that no
// formula of these elements can reach) and each depth the walk descends to
// before the table; the table's own lookup is as quick as the filter's.
int LastFilteredDepth(int tableStart) { return std::max(0, tableStart - 1); }

// Entries of the filter's tables from depth 0 to LastFilteredDepth(tableStart).
std::int64_t FilterEntries(const SearchSpace& space, int tableStart) {
    return CompletionFilter::TableEntries(FilterElements(space), 0, LastFilteredDepth(tableStart));
}

// Within the budget of entries, the filter serves the depths from 0 on as far
// as it can: without hydrogen the lightest grid mass is millions of units
// (C 2400000), and the table of the whole query alone still finds the windows
// that nothing can reach.
std::optional<CompletionFilter> MakeFilter(const SearchSpace& space, int tableStart) {
    const std::int64_t perDepth = FilterEntries(space, 0);
    if (perDepth <= 0 || perDepth > kMaxFilterEntries) return std::nullopt;
    const std::int64_t lastAffordable = kMaxFilterEntries / perDepth - 1;
    const int lastDepth =
        static_cast<int>(std::min<std::int64_t>(LastFilteredDepth(tableStart), lastAffordable));
    return CompletionFilter(FilterElements(space), space.lowMass, space.highMass, 0, lastDepth);
}

// How the walk judges the filter at one depth: over each run of
// kQuestionsJudged questions, if fewer than one in kUsefulPruneShare answered
// "cannot", the next kQuestionsSkipped descents go unasked.
struct FilterQuestions {
    int asked = 0;
    int pruned = 0;
    int unasked = 0;
};
constexpr int kQuestionsJudged = 1024;
constexpr int kUsefulPruneShare = 32;
constexpr int kQuestionsSkipped = 1 << 15;

// Loop steps and lookups between two questions to the progress: a few
// milliseconds of work at most, and too rare to cost measurable time.
constexpr int kStepsPerProgressReport = 1 << 14;

class FormulaWalk {
public:
    FormulaWalk(const FormulaQuery& query, std::size_t limit, int tableStart, CompletionFiltering filtering,
                const FormulaVisitor& visit, WorkProgress* progress)
        : query_(query),
          visit_(visit),
          progress_(progress),
          space_(MakeSearchSpace(query)),
          plan_(PlanFor(space_, limit, tableStart)),
          tableStart_(plan_.tableStart),
          filtering_(filtering),
          filterCost_(kStepsPerFilterEntry * FilterEntries(space_, 0) * space_.elementCount) {
        if (filtering_ == CompletionFiltering::Always) filter_ = MakeFilter(space_, tableStart_);
    }

    WorkStatus Run() {
        if (!Ask(0.0)) return WorkStatus::Cancelled;
        if (WalkMz(0.0L) >= space_.window.low) {
            // A window reaching down to the m/z of no atoms at all (only
            // possible below the dialog's smallest target): the first count
            // of the first element already reaches it and ends the walk.
            RecordFirstCountOnly();
            return Finish();
        }
        // Most windows of zero width hold no mass that formulae of these
        // elements can have, which needs no table to see.
        if (!CompletionFilter::AnyGridSumBetween(FilterElements(space_), space_.lowMass, space_.highMass))
            return Finish();
        if (filter_ && !filter_->MayComplete(0, 0)) return Finish();
        table_.emplace(space_, tableStart_, plan_.tableEntries);
        if (tableStart_ == 0) {
            Complete(0.0, 0.0L, -1, 0);
        } else {
            Walk(0, 0.0L, 0.0, 0);
        }
        return Finish();
    }

private:
    WorkStatus Finish() {
        if (cancelled_) return WorkStatus::Cancelled;
        Ask(1.0);
        return WorkStatus::Finished;
    }

    Extended WalkMz(Extended mass) const { return IonMz(mass, space_.charge); }

    // The loop of depth k over the elements before the table; false once the
    // visitor or the progress asked to stop. Each partial mass comes as the
    // walk sums it, as a double for the screening, and in the filter's grid
    // units; the m/z is computed only near the window.
    bool Walk(int k, Extended partialMass, double approxPartial, std::int64_t prefixUnits) {
        const double mass = space_.approxMass[k];
        const std::int64_t elementUnits = space_.units[k];
        const bool last = k + 1 == tableStart_;
        for (int c = FirstUsefulCount(space_, k, approxPartial); c <= space_.maximum[k]; ++c) {
            if (!Step(k, c)) return false;
            const double approx = approxPartial + c * mass;
            if (approx > space_.approxHigh) return true;
            counts_[static_cast<std::size_t>(k)] = c;
            if (approx >= space_.approxLow) {
                const Extended mz = WalkMz(AddAtoms(partialMass, c, space_.mass[k]));
                if (mz > space_.window.high) return true;
                if (mz >= space_.window.low) return Record(k, mz);
            }
            const std::int64_t units = prefixUnits + c * elementUnits;
            if (!last && !MayComplete(k + 1, units)) continue;
            const bool goOn = last ? Complete(approx, partialMass, k, c)
                                   : Walk(k + 1, AddAtoms(partialMass, c, space_.mass[k]), approx, units);
            if (!goOn) return false;
        }
        return true;
    }

    // Asks the filter, where there is one, whether anything may be recorded
    // below the partial formula. A depth where it keeps answering "may" is
    // left unasked for a while, since a question costs more than the step it
    // would save; the answer does not depend on asking.
    bool MayComplete(int depth, std::int64_t prefixUnits) {
        if (!filter_) return true;
        FilterQuestions& questions = questions_[static_cast<std::size_t>(depth)];
        if (questions.unasked > 0) {
            --questions.unasked;
            return true;
        }
        const bool may = filter_->MayComplete(depth, prefixUnits);
        ++questions.asked;
        if (!may) ++questions.pruned;
        if (questions.asked == kQuestionsJudged) {
            if (questions.pruned * kUsefulPruneShare < questions.asked) questions.unasked = kQuestionsSkipped;
            questions.asked = 0;
            questions.pruned = 0;
        }
        return may;
    }

    // Everything the walk records under a partial formula of the first
    // tableStart_ elements whose m/z lies below the window: the table entries
    // that bring it into the window, each confirmed, in the walk's order. The
    // partial formula is the one before element k plus count atoms of k (or
    // no atoms at all when k is -1).
    bool Complete(double approx, Extended before, int k, int count) {
        matches_.clear();
        bool summed = false;
        Extended partialMass = before;
        table_->ForEachNear(space_.approxLow - approx, space_.approxHigh - approx, [&](std::uint32_t entry) {
            if (!summed && k >= 0) partialMass = AddAtoms(before, count, space_.mass[k]);
            summed = true;
            if (Confirms(entry, partialMass)) matches_.push_back(entry);
        });
        if (matches_.empty()) return true;
        std::sort(matches_.begin(), matches_.end());
        for (const std::uint32_t entry : matches_) {
            const int depth = table_->Depth(entry);
            Extended mass = partialMass;
            for (int j = tableStart_; j <= depth; ++j) {
                counts_[static_cast<std::size_t>(j)] = table_->Count(entry, j);
                mass = AddAtoms(mass, counts_[static_cast<std::size_t>(j)], space_.mass[j]);
            }
            const bool goOn = Record(depth, WalkMz(mass)) && Tick();
            for (int j = tableStart_; j <= depth; ++j) counts_[static_cast<std::size_t>(j)] = 0;
            if (!goOn) return false;
        }
        return true;
    }

    // Whether the walk records this completion: its m/z lies in the window,
    // and its last count is the first of that loop to reach the window (the
    // element's minimum, with the partial formula before it below the window,
    // or one count less is below the window). Earlier counts of the
    // completion then lie below the window too, as m/z never falls.
    bool Confirms(std::uint32_t entry, Extended partialMass) const {
        const int depth = table_->Depth(entry);
        Extended before = partialMass;
        for (int j = tableStart_; j < depth; ++j)
            before = AddAtoms(before, table_->Count(entry, j), space_.mass[j]);
        const int last = table_->Count(entry, depth);
        const Extended mz = WalkMz(AddAtoms(before, last, space_.mass[depth]));
        if (mz < space_.window.low || mz > space_.window.high) return false;
        const Extended previous = last > space_.minimum[depth]
                                      ? WalkMz(AddAtoms(before, last - 1, space_.mass[depth]))
                                      : WalkMz(before);
        return previous < space_.window.low;
    }

    void RecordFirstCountOnly() {
        counts_[0] = space_.minimum[0];
        const Extended mz = WalkMz(AddAtoms(0.0L, counts_[0], space_.mass[0]));
        if (space_.minimum[0] <= space_.maximum[0] && mz <= space_.window.high) Record(0, mz);
    }

    // Hands the partial formula of depth k to the visitor; false when it
    // asks to stop.
    bool Record(int depth, Extended mz) {
        FoundFormula formula;
        for (int j = 0; j <= depth; ++j)
            formula.counts[static_cast<std::size_t>(j)] = counts_[static_cast<std::size_t>(j)];
        formula.mz = static_cast<double>(mz);
        formula.electronClass = ElectronClass(query_, formula.counts);
        return visit_(formula) == SearchVisit::Continue;
    }

    // Counts one step of the walk at depth k with count c there, and now and
    // then asks the progress whether to go on; false when it says stop.
    bool Step(int k, int c) {
        if (k < 2) position_[static_cast<std::size_t>(k)] = c;
        return Tick();
    }

    bool Tick() {
        if (++steps_ < kStepsPerProgressReport) return true;
        stepsTaken_ += steps_;
        if (filtering_ == CompletionFiltering::WhenWorthwhile && !filterTried_ &&
            stepsTaken_ >= filterCost_) {
            filterTried_ = true;
            filter_ = MakeFilter(space_, tableStart_);
        }
        steps_ = 0;
        return Ask(FractionDone());
    }

    bool Ask(double fraction) {
        if (progress_ == nullptr || cancelled_) return !cancelled_;
        fractionDone_ = std::max(fractionDone_, std::min(1.0, fraction));
        cancelled_ = !progress_->KeepGoing(fractionDone_);
        return !cancelled_;
    }

    // How far the outermost loop has come, refined by the loop inside it: the
    // count of element 0 over its reachable counts, plus the count of element
    // 1 over its own as a fraction of one step.
    double FractionDone() const {
        auto reachable = [this](int k) {
            const double mostAtoms = std::floor(static_cast<double>(space_.highMass) / space_.approxMass[k]);
            return std::max(1.0, std::min(static_cast<double>(space_.maximum[k]), mostAtoms) + 1.0);
        };
        double done = position_[0];
        if (space_.elementCount > 1) done += std::min(1.0, position_[1] / reachable(1));
        return done / reachable(0);
    }

    const FormulaQuery& query_;
    const FormulaVisitor& visit_;
    WorkProgress* progress_;
    SearchSpace space_;
    SearchPlan plan_;
    int tableStart_;
    std::optional<CompletionTable> table_;
    CompletionFiltering filtering_;
    std::int64_t filterCost_;
    bool filterTried_ = false;
    std::int64_t stepsTaken_ = 0;
    std::optional<CompletionFilter> filter_;
    std::array<FilterQuestions, kMaxSearchElements + 1> questions_{};
    AtomCounts counts_{};
    std::vector<std::uint32_t> matches_;
    int steps_ = 0;
    std::array<int, 2> position_{};
    double fractionDone_ = 0.0;
    bool cancelled_ = false;
};

// Whether the query defines a search at all: a charge, and at least one
// element, each of positive mass.
bool Searchable(const FormulaQuery& query) {
    if (query.charge == 0 || query.elements.empty()) return false;
    return std::all_of(query.elements.begin(), query.elements.end(),
                       [](const SearchElement& element) { return element.mass > 0.0; });
}

WorkStatus RunSearch(const FormulaQuery& query, std::size_t limit, int tableStart,
                     CompletionFiltering filtering, const FormulaVisitor& visit, WorkProgress* progress) {
    if (!Searchable(query)) {
        if (progress != nullptr && !progress->KeepGoing(1.0)) return WorkStatus::Cancelled;
        return WorkStatus::Finished;
    }
    FormulaWalk walk(query, limit, tableStart, filtering, visit, progress);
    return walk.Run();
}

}  // namespace

MzWindow SearchWindow(double target, double tolerance) {
    const Extended middle = target;
    const Extended half = tolerance;
    return {middle - half, middle + half};
}

Extended IonMz(Extended mass, int charge) { return MzOf(IonMassOf(mass, charge), charge); }

Extended PartialFormulaMass(const FormulaQuery& query, const AtomCounts& counts) {
    Extended mass = 0.0L;
    const std::size_t elements = std::min<std::size_t>(query.elements.size(), kMaxSearchElements);
    for (std::size_t k = 0; k < elements; ++k) mass = AddAtoms(mass, counts[k], query.elements[k].mass);
    return mass;
}

int DefaultMaximum(double target, int charge, double mass, double tolerance) {
    // Exact: a double times a charge of a few bits fits the extended mantissa.
    const Extended magnitude = ChargeMagnitude(charge);
    Extended ionMass = static_cast<Extended>(target) * magnitude;
    if (magnitude > 1.0L) {
        ionMass = (static_cast<Extended>(target) + static_cast<Extended>(tolerance)) * magnitude +
                  static_cast<Extended>(electronMass) * magnitude;
    }
    const Extended atoms = std::trunc(ionMass / static_cast<Extended>(mass));
    if (!(atoms > 0.0L)) return 0;
    if (atoms > static_cast<Extended>(kMaxSearchCount)) return kMaxSearchCount;
    return static_cast<int>(atoms);
}

int ElectronClass(const FormulaQuery& query, const AtomCounts& counts) {
    long long electrons = 0;
    const std::size_t elements = std::min<std::size_t>(query.elements.size(), kMaxSearchElements);
    for (std::size_t k = 0; k < elements; ++k) {
        if (counts[k] == 0) continue;
        const int valence = query.elements[k].valence;
        if (valence < 0) return kIndeterminateElectrons;
        electrons += static_cast<long long>(counts[k]) * valence;
    }
    return (electrons - query.charge) % 2 == 0 ? kEvenElectron : kOddElectron;
}

WorkStatus VisitFormulae(const FormulaQuery& query, const FormulaVisitor& visit, WorkProgress* progress,
                         std::size_t plannedCount) {
    return RunSearch(query, plannedCount, kChooseTableStart, CompletionFiltering::WhenWorthwhile, visit,
                     progress);
}

std::vector<FoundFormula> SearchFormulae(const FormulaQuery& query, std::size_t limit, int tableStart,
                                         CompletionFiltering filtering) {
    std::vector<FoundFormula> found;
    if (limit == 0) return found;
    const FormulaVisitor keep = [&found, limit](const FoundFormula& formula) {
        found.push_back(formula);
        return found.size() < limit ? SearchVisit::Continue : SearchVisit::Stop;
    };
    RunSearch(query, limit, tableStart, filtering, keep, nullptr);
    return found;
}

void SortByMz(std::vector<FoundFormula>& formulae) {
    std::stable_sort(formulae.begin(), formulae.end(),
                     [](const FoundFormula& a, const FoundFormula& b) { return a.mz < b.mz; });
}

}  // namespace tarnevo::core
