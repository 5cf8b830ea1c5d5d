// How one kind of calculation shows its results: its result page, its report
// section, its CSV table and its plot, all read from the stored state. Each
// kind has one presenter, in a file named after the kind; PresenterOf is the
// one place that knows which presenter belongs to which kind, so a new kind is
// its own presenter file plus one case there (the compiler names a kind that
// lacks one).
#pragma once

#include <string>
#include <vector>

#include "output/calculation_state.h"
#include "output/plot_data.h"
#include "output/report_text.h"

namespace tarnevo::output {

class ResultPresenter {
public:
    ResultPresenter() = default;
    ResultPresenter(const ResultPresenter&) = delete;
    ResultPresenter& operator=(const ResultPresenter&) = delete;
    ResultPresenter(ResultPresenter&&) = delete;
    ResultPresenter& operator=(ResultPresenter&&) = delete;
    virtual ~ResultPresenter() = default;

    // The result page, title first, one string per line (see page_layout.h).
    virtual std::vector<std::string> PageLines(const CalculationState& state) const = 0;
    // The report's head and body: everything above the trailer that carries
    // the date of writing, which every kind shares.
    virtual void WriteReport(detail::ReportText& report, const CalculationState& state) const = 0;
    // The CSV table, header row first (see csv_table.h).
    virtual std::string CsvTable(const CalculationState& state) const = 0;
    virtual PlotData Plot(const CalculationState& state) const = 0;
};

// The presenter of a kind. A value outside the enumeration (a damaged state)
// gets one that shows nothing: an empty page, a report of the trailer alone,
// an empty table and the plot's hint.
const ResultPresenter& PresenterOf(CalcKind kind);

}  // namespace tarnevo::output
