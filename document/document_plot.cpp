#include "document/document_plot.h"

namespace tarnevo::doc {

output::PlotData MakePlotData(const Document& document) {
    if (document.readyForCalculation) {
        output::PlotData plot;
        plot.hint = output::kPlotHint;
        return plot;
    }
    return output::MakePlotData(document.state);
}

}  // namespace tarnevo::doc
