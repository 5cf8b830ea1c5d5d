// Which ion a measured pattern is: the ranked candidates and, for the one
// selected, its peaks against the measured ones.
#include "output/kind_presenters.h"
#include "output/plot_frame.h"

namespace tarnevo::output::detail {

namespace {

class IonIdentification final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& /*state*/) const override { return {}; }
    void WriteReport(ReportText& /*report*/, const CalculationState& /*state*/) const override {}
    std::string CsvTable(const CalculationState& /*state*/) const override { return {}; }
    PlotData Plot(const CalculationState& /*state*/) const override {
        PlotData plot;
        plot.hint = kPlotHint;
        return plot;
    }
};

}  // namespace

const ResultPresenter& IonIdentificationPresenter() {
    static const IonIdentification presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail
