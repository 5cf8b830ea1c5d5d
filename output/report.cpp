#include "output/report.h"

#include <array>

#include "core/text_format.h"
#include "output/report_text.h"
#include "output/result_presenter.h"
#include "output/result_values.h"

namespace tarnevo::output {

using detail::Bounded;

std::string ComposeReport(const CalculationState& state, std::string_view runDate) {
    detail::ReportText report;
    PresenterOf(state.calcKind).WriteReport(report, state);
    report.EmptyLine();
    report.Line("TARNEVO run on " + std::string(runDate));
    return report.Take();
}

std::string FormatDetailLine(const CalculationState& state, int& cursor, int element) {
    const std::string symbol = detail::DetailSymbol(state, element);
    const int atoms =
        element >= 0 && element < kMaxDetailElements ? state.details.detailAtomCount[element] : 0;
    const int first = Bounded(cursor, kMaxDetailIsotopes);
    const int isotopes = detail::DetailIsotopeCount(state, element, first);
    std::string line = core::FormatInteger(atoms) + " atom(s) of " + symbol + ": ";
    for (int k = 0; k < isotopes; ++k) {
        if (k > 0) line += ", ";
        line += detail::IsotopeLabel(symbol, state.details.isotopeMassNumber[first + k]) + "=" +
                core::FormatFixed(state.details.isotopeFA[first + k], 5);
    }
    line += detail::kEndOfLine;
    cursor = first + isotopes;
    return line;
}

std::string FormatRunDate(std::time_t time) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return {};
    if (local.tm_mon < 0 || local.tm_mon > 11) return {};
    const auto twoDigits = [](int value) {
        std::string text = core::FormatInteger(value);
        return text.size() < 2 ? "0" + text : text;
    };
    return std::string(kMonths[static_cast<std::size_t>(local.tm_mon)]) + " " + twoDigits(local.tm_mday) +
           ", " + core::FormatInteger(1900LL + local.tm_year) + ", at " + twoDigits(local.tm_hour) + "." +
           twoDigits(local.tm_min) + " h";
}

}  // namespace tarnevo::output
