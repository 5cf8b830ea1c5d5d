// The formula search in discovery order, one formula at a time, with the
// caller deciding after each whether to go on: the shape of the core's
// streaming search, which replaces this stand-in once it is on main.
#pragma once

#include <functional>

#include "core/formula_search.h"
#include "core/work_progress.h"

namespace tarnevo::cli {

enum class SearchVisit { Continue, Stop };

// Visits every formula core::SearchFormulae finds, in its order, until visit
// answers Stop. The stand-in searches again for longer and longer prefixes of
// the order, so it holds at most twice the formulae visited, and reports no
// progress.
core::WorkStatus VisitFormulae(const core::FormulaQuery& query,
                               const std::function<SearchVisit(const core::FoundFormula&)>& visit,
                               core::WorkProgress* progress = nullptr);

}  // namespace tarnevo::cli
