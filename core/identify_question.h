// The checks of an identification's question, each refusal with the
// sentence the user reads, and the settling of what the question leaves open:
// the charge (given, or read from the spacing of the peaks), the ion types
// (given, each once, or the common ones of the charge) and the element rows
// (given, or the defaults).
#pragma once

#include <string>

#include "core/ion_identification.h"

namespace tarnevo::core {

struct IdentifyRefusal {
    IdentifyStatus status = IdentifyStatus::Identified;
    std::string problem;
    bool Refused() const { return status != IdentifyStatus::Identified; }
};

// Checks the question and fills result's charge, chargeInferred, ionTypes and
// elements (maxima as given) as it settles them.
IdentifyRefusal CheckIdentifyQuery(const IdentifyQuery& query, IdentifyResult& result);

}  // namespace tarnevo::core
