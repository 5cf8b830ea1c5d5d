// The isotope cluster pattern of an ion: its peaks with FA and Rel %, and the
// isotope FAs of any user-defined element it contains.
#include "output/cluster_presentation.h"
#include "output/kind_presenters.h"
#include "output/plot_frame.h"
#include "output/resolved_peaks_page.h"

namespace tarnevo::output::detail {

namespace {

class IsotopeCluster final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        PageText lines;
        AppendIonHead(lines, state, "                 ***** Isotope Cluster Pattern Results *****");
        AppendUserElementNote(lines, state);
        AppendClusterPeaks(lines, state);
        for (std::string& line : ResolvedPeakLines(state.resolved)) lines.push_back(std::move(line));
        return lines;
    }
    void WriteReport(ReportText& report, const CalculationState& state) const override {
        WriteIonHead(report, state, "TARNEVO Isotope Cluster Data");
        report.EmptyLine();
        WriteUserElementDetails(report, state);
        WriteClusterPeaks(report, state);
        for (const std::string& line : ResolvedPeakLines(state.resolved)) report.Line(line);
    }
    std::string CsvTable(const CalculationState& state) const override { return ClusterCsv(state); }
    PlotData Plot(const CalculationState& state) const override {
        return ClusterPlot(state, AMinusZeroTitle(state));
    }
};

}  // namespace

const ResultPresenter& IsotopeClusterPresenter() {
    static const IsotopeCluster presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail
