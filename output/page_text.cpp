#include "output/page_text.h"

#include "core/text_format.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

std::string LeftClusterCell(int n, const ClusterCell& cell) {
    return core::Spread(PeakLabel(n), core::FormatFixed(cell.mz, 2), 17) + "  " +
           core::FormatScientific(cell.fa, 5) + core::RightAligned(cell.relative, 8);
}

std::string RightClusterCell(int n, const ClusterCell& cell) {
    return core::Spread("    " + PeakLabel(n), core::FormatFixed(cell.mz, 2), 21) + "  " +
           core::FormatScientific(cell.fa, 5) + core::RightAligned(cell.relative, 8);
}

void AppendUserElementNote(PageText& lines, const CalculationState& state) {
    if (state.details.detailCount != 0) {
        lines.emplace_back("A saved data file will contain isotopic FA data for user defined elements.");
    }
}

}  // namespace tarnevo::output::detail
