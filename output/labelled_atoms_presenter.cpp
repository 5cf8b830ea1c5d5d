// The isotope cluster pattern of an ion some of whose atoms are labelled
// (enriched in one isotope): the page shows the pattern, the report also the
// isotope FAs of every enriched element.
#include "output/cluster_presentation.h"
#include "output/kind_presenters.h"
#include "output/plot_frame.h"

namespace tarnevo::output::detail {

namespace {

class LabelledAtoms final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        PageText lines;
        AppendIonHead(lines, state, "          ***** Isotope Cluster Patterns Using Labelled Atoms *****");
        lines.emplace_back("Full enrichment details are presented in the saved data file.");
        AppendClusterPeaks(lines, state);
        return lines;
    }
    void WriteReport(ReportText& report, const CalculationState& state) const override {
        WriteIonHead(report, state, "TARNEVO Isotope Cluster Data Using Labelled Atoms");
        report.EmptyLine();
        WriteDetailBlock(report, state, "Enrichment Details (Fractional Abundances)");
        WriteClusterPeaks(report, state);
    }
    std::string CsvTable(const CalculationState& state) const override { return ClusterCsv(state); }
    PlotData Plot(const CalculationState& state) const override {
        return ClusterPlot(state, AMinusZeroTitle(state) + "   (labelled)");
    }
};

}  // namespace

const ResultPresenter& LabelledAtomsPresenter() {
    static const LabelledAtoms presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail
