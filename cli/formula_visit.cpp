#include "cli/formula_visit.h"

#include <vector>

namespace tarnevo::cli {

core::WorkStatus VisitFormulae(const core::FormulaQuery& query,
                               const std::function<SearchVisit(const core::FoundFormula&)>& visit,
                               core::WorkProgress* /*progress*/) {
    std::size_t visited = 0;
    for (std::size_t limit = 1 << 16;; limit *= 2) {
        const std::vector<core::FoundFormula> found = core::SearchFormulae(query, limit);
        for (std::size_t i = visited; i < found.size(); ++i) {
            if (visit(found[i]) == SearchVisit::Stop) return core::WorkStatus::Finished;
        }
        if (found.size() < limit) return core::WorkStatus::Finished;
        visited = found.size();
    }
}

}  // namespace tarnevo::cli
