#include "output/page_layout.h"

#include "output/result_presenter.h"

namespace tarnevo::output {

std::vector<std::string> LayoutResultLines(const CalculationState& state) {
    return PresenterOf(state.calcKind).PageLines(state);
}

}  // namespace tarnevo::output
