// The isotopes of one element as the calculations use them: mass number,
// exact mass and natural fractional abundance.
#include <algorithm>

#include "core/text_format.h"
#include "output/csv_row.h"
#include "output/kind_presenters.h"
#include "output/plot_frame.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

namespace {

int IsotopeCount(const CalculationState& state) {
    return Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDisplayedIsotopes);
}

int MassNumber(const CalculationState& state, int isotope) {
    return state.isotopes.isotopeBase + state.details.isotopeMassNumber[isotope];
}

// "Cl(35)".
std::string Isotope(const CalculationState& state, int isotope) {
    return IsotopeLabel(state.elementSymbol, MassNumber(state, isotope));
}

class IsotopicData final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        std::vector<std::string> lines;
        lines.emplace_back("            ***** Isotopic Data Used by TARNEVO *****");
        lines.push_back("Isotopes of " + state.elementSymbol);
        lines.emplace_back();
        lines.emplace_back("Isotope      Mass       FA");
        for (int i = 0; i < IsotopeCount(state); ++i) {
            lines.push_back(
                core::Spread(Isotope(state, i), core::FormatFixed(state.isotopes.isotopeMass[i], 5), 20) +
                "  " + core::FormatFixed(state.isotopes.isotopeFAList[i], 5));
        }
        return lines;
    }

    void WriteReport(ReportText& report, const CalculationState& state) const override {
        report.Line("TARNEVO Isotope Data");
        report.Line("Isotopes of " + state.elementSymbol);
        report.EmptyLine();
        report.Line("Isotope, Mass, FA");
        for (int i = 0; i < IsotopeCount(state); ++i) {
            report.Line(Isotope(state, i) + ", " + core::FormatFixed(state.isotopes.isotopeMass[i], 5) +
                        ", " + core::FormatFixed(state.isotopes.isotopeFAList[i], 5));
        }
    }

    std::string CsvTable(const CalculationState& state) const override {
        std::string csv = "massNumber,mass,fa\n";
        for (int i = 0; i < IsotopeCount(state); ++i) {
            csv += CsvRow()
                       .Integer(MassNumber(state, i))
                       .Number(state.isotopes.isotopeMass[i])
                       .Number(state.isotopes.isotopeFAList[i])
                       .Line();
        }
        return csv;
    }

    // Sticks at each isotope's exact mass, height its FA.
    PlotData Plot(const CalculationState& state) const override {
        PlotData plot = StickPlot("Isotopes of " + state.elementSymbol, "Mass (u)", "FA");
        PlotSeries series{state.elementSymbol, {}};
        const int isotopes = IsotopeCount(state);
        const auto fas = state.isotopes.isotopeFAList.begin();
        const double largest = isotopes == 0 ? 0.0 : *std::max_element(fas, fas + isotopes);
        for (int i = 0; i < isotopes; ++i) {
            const double fa = state.isotopes.isotopeFAList[i];
            const double mass = state.isotopes.isotopeMass[i];
            series.marks.push_back({mass, fa, Isotope(state, i), mass, fa, RelativeIntensity(fa, largest)});
        }
        plot.series.push_back(std::move(series));
        FitStickRanges(plot, kHeadRoom);
        return plot;
    }
};

}  // namespace

const ResultPresenter& IsotopicDataPresenter() {
    static const IsotopicData presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail
