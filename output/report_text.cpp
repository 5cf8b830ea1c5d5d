#include "output/report_text.h"

#include "core/text_format.h"
#include "output/report.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

std::string Joined(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) line += ", ";
        line += field;
    }
    return line;
}

std::string ClusterRow(int n, double mz, double fa, double largestFA) {
    return Joined({PeakLabel(n), core::FormatFixed(mz, 2), core::FormatScientific(fa, 6),
                   core::FormatFixed(fa, 3), core::FormatFixed(RelativeIntensity(fa, largestFA), 3)});
}

void WriteDetailBlock(ReportText& report, const CalculationState& state, std::string_view heading) {
    report.Line(heading);
    int cursor = 0;
    for (int element = 0; element < DetailElementCount(state); ++element) {
        report.Raw(FormatDetailLine(state, cursor, element));
    }
    report.EmptyLine();
}

void WriteUserElementDetails(ReportText& report, const CalculationState& state) {
    if (state.details.detailCount != 0) WriteDetailBlock(report, state, kUserElementsHeading);
}

}  // namespace tarnevo::output::detail
