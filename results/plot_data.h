// What the pattern plot beside the result page shows, as plain values: the
// sticks or points of each series, the labels written above ions, the m/z
// window of a formula search, and axis ranges that show every mark. The desktop
// pane only draws these, so the picture is tested here without a window system.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results/calculation_state.h"

namespace tarnevo::results {

class Document;

// Sticks rise from the axis at x to y; points stand alone at (x, y).
enum class PlotMarks { Sticks, Points };

// One peak, isotope or formula. x is where it is drawn; mz what it reads when
// hovered (they differ only where two spectra stand side by side).
struct PlotMark {
    double x = 0.0;
    double y = 0.0;
    std::string label;  // "[A+2]", "Cl(35)", "EE C7H7O2"
    double mz = 0.0;
    std::optional<double> fa;   // fractional abundance, where the mark has one
    std::optional<double> rel;  // Rel %, where the mark has one
};

struct PlotSeries {
    std::string name;
    std::vector<PlotMark> marks;
};

// A text centred above a point of the plot: the ion formula over the tallest
// peak of each ion of a series of cluster ions.
struct PlotLabel {
    double x = 0.0;
    double y = 0.0;
    std::string text;
};

struct PlotRange {
    double low = 0.0;
    double high = 1.0;
};

struct PlotData {
    bool empty = true;
    std::string hint;  // shown instead of a plot when empty
    std::string title;
    std::string xTitle;
    std::string yTitle;
    PlotMarks marks = PlotMarks::Sticks;
    bool showLegend = false;
    std::vector<PlotSeries> series;
    std::vector<PlotLabel> labels;
    std::optional<PlotRange> band;  // the searched m/z window, across the whole height
    PlotRange x;
    PlotRange y;
};

inline constexpr std::string_view kPlotHint =
    "Run a calculation from the Calculations menu to see its pattern here.";
inline constexpr std::string_view kExperimentalSeries = "Experimental";
inline constexpr std::string_view kCalculatedSeries = "Calculated";
inline constexpr std::string_view kCorrectedSeries = "Corrected for loss of H";

// What hovering over a mark reads, one item a line: its label, m/z (or mass),
// then FA and Rel % where it has them, or the mass error of a formula.
std::string DescribeMark(const PlotData& plot, const PlotMark& mark);

// The plot of the stored results; empty (with the hint) while the data set is fresh.
PlotData MakePlotData(const Document& document);
// The plot of a state that holds results of its kind.
PlotData MakePlotData(const CalculationState& state);

}  // namespace tarnevo::results
