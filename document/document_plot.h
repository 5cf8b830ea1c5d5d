// The Pattern Plot's data for the document: the plot of its stored results.
#pragma once

#include "document/document.h"
#include "output/plot_data.h"

namespace tarnevo::doc {

// The plot of the stored results; empty (with the hint) while the data set is fresh.
output::PlotData MakePlotData(const Document& document);

}  // namespace tarnevo::doc
