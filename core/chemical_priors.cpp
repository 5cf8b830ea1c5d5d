#include "core/chemical_priors.h"

#include <algorithm>
#include <cmath>

#include "core/element_table.h"

namespace tarnevo::core {

double ElementRatioPriorOf(const ParsedFormula& molecule) {
    static const int carbon = LookupSymbolText("C", 0);
    const double carbons = molecule[carbon];
    if (carbons <= 0.0) return 0.0;
    double prior = 0.0;
    for (const ElementRatioPrior& row : kElementRatioPriors) {
        const double ratio = molecule[LookupSymbolText(row.symbol, 0)] / carbons;
        prior -= ratio * kBeyondCommonLog / row.commonBound;
    }
    return prior;
}

double IonTypePriorOf(std::string_view notation) {
    for (const IonTypePrior& row : kIonTypePriors) {
        if (row.notation == notation) return row.logShare;
    }
    return kOtherIonTypePrior;
}

std::vector<double> PosteriorProbabilities(const std::vector<double>& scores) {
    std::vector<double> probabilities(scores.size(), 0.0);
    if (scores.empty()) return probabilities;
    const double best = *std::max_element(scores.begin(), scores.end());
    if (!std::isfinite(best)) return probabilities;
    double sum = 0.0;
    for (std::size_t k = 0; k < scores.size(); ++k) {
        probabilities[k] = std::exp(scores[k] - best);
        sum += probabilities[k];
    }
    for (double& probability : probabilities) probability /= sum;
    return probabilities;
}

}  // namespace tarnevo::core
