// The identification as both front ends run it: the engine of
// core/ion_identification.h with the full-precision isotope masses and each
// candidate's exact fine structure as its pattern.
#pragma once

#include <cstddef>

#include "core/ion_identification.h"
#include "output/calculation_state.h"

namespace tarnevo::calc {

// The element table of the identification: the full-precision masses of the
// natural isotopes, built once.
const core::ElementTable& IdentificationTable();

// The ranked candidates of a question; progress as for core::IdentifyIon.
core::IdentifyResult IdentifyMeasuredIon(const core::IdentifyQuery& query,
                                         core::WorkProgress* progress = nullptr);

// Stores a question and its answer as the data set's results, the best
// candidate selected (its pattern and profile computed for the plot).
void StoreIdentification(output::CalculationState& state, const core::IdentifyQuery& query,
                         core::IdentifyResult result);

// Selects another candidate (an index into the ranked list; ignored when out
// of range) and computes its pattern and profile.
void SelectCandidate(output::CalculationState& state, std::size_t index);

}  // namespace tarnevo::calc
