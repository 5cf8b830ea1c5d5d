#include "core/ion_identification.h"

namespace tarnevo::core {

std::vector<IdentifyElement> DefaultIdentifyElements() { return {}; }

std::vector<IdentifyIonType> CommonIonTypesOfCharge(int /*charge*/) { return {}; }

IdentifyResult IdentifyIon(const ElementTable& /*table*/, const IdentifyQuery& /*query*/,
                           const PatternLineSource& /*lines*/) {
    return {};
}

}  // namespace tarnevo::core
