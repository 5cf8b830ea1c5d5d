#include "output/kind_presenters.h"
#include "output/result_presenter.h"

namespace tarnevo::output {

namespace {

// What a state whose kind lies outside the enumeration shows: nothing of its
// stored values, which no presenter knows how to read.
class NoResults final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& /*state*/) const override { return {}; }
    void WriteReport(detail::ReportText& /*report*/, const CalculationState& /*state*/) const override {}
    std::string CsvTable(const CalculationState& /*state*/) const override { return {}; }
    PlotData Plot(const CalculationState& /*state*/) const override {
        PlotData plot;
        plot.hint = kPlotHint;
        return plot;
    }
};

}  // namespace

// Every kind is listed and none is defaulted, so that a kind added to CalcKind
// without a presenter stops the build here (-Wswitch) instead of being shown
// as another kind.
const ResultPresenter& PresenterOf(CalcKind kind) {
    switch (kind) {
        case CalcKind::IsotopeCluster:
            return detail::IsotopeClusterPresenter();
        case CalcKind::LabelledAtoms:
            return detail::LabelledAtomsPresenter();
        case CalcKind::EnrichmentFromSpectrum:
            return detail::EnrichmentFromSpectrumPresenter();
        case CalcKind::FormulaFromMz:
            return detail::FormulaFromMzPresenter();
        case CalcKind::LossOfH:
            return detail::LossOfHPresenter();
        case CalcKind::RepeatingUnits:
            return detail::RepeatingUnitsPresenter();
        case CalcKind::IsotopicData:
            return detail::IsotopicDataPresenter();
        case CalcKind::IonIdentification:
            return detail::IonIdentificationPresenter();
    }
    static const NoResults noResults;
    return noResults;
}

}  // namespace tarnevo::output
