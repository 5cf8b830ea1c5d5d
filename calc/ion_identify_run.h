// The identification as both front ends run it: the engine of
// core/ion_identification.h with the full-precision isotope masses and each
// candidate's exact fine structure as its pattern.
#pragma once

#include "core/ion_identification.h"

namespace tarnevo::calc {

// The element table of the identification: the full-precision masses of the
// natural isotopes, built once.
const core::ElementTable& IdentificationTable();

core::IdentifyResult IdentifyMeasuredIon(const core::IdentifyQuery& query);

}  // namespace tarnevo::calc
