#include "calc/ion_identify_run.h"

#include "fine/precise_masses.h"

namespace tarnevo::calc {

const core::ElementTable& IdentificationTable() {
    static const core::ElementTable table = fine::PreciseElementTable();
    return table;
}

core::IdentifyResult IdentifyMeasuredIon(const core::IdentifyQuery& query) {
    return core::IdentifyIon(IdentificationTable(), query, {});
}

}  // namespace tarnevo::calc
