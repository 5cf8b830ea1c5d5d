// What the pattern plot beside the result page shows, as plain values: the
// sticks or points of each series, the labels written above ions or formulae,
// axis ranges that show every mark, and tick steps that keep the axis labels
// distinct. The desktop pane only draws these, so the picture is tested here
// without a window system.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "output/calculation_state.h"

namespace tarnevo::output {

// Sticks rise from the axis at x to y; points stand alone at (x, y).
enum class PlotMarks { Sticks, Points };

// One peak, isotope or formula. x is where it is drawn, mz what it reads when
// hovered: the same for a peak or an isotope; for a formula x is its rank
// (1: the smallest mass error) and mz the formula's own m/z.
struct PlotMark {
    double x = 0.0;
    double y = 0.0;
    std::string label;  // "[A+2]", "Cl(35)", "EE C7H7O2"
    double mz = 0.0;
    std::optional<double> fa;   // fractional abundance, where the mark has one
    std::optional<double> rel;  // Rel %, where the mark has one
};

// How the sticks of a series are drawn. Two spectra of the same peaks (measured
// and calculated) stand at the same true m/z, one as wide pale bars and the
// other as narrow sticks in front of them, so that the axis and the hovered
// values agree and neither hides the other. A profile is the curve an
// instrument records: its marks are points along it, joined by a line over a
// pale area, drawn behind the sticks and read by no hover.
enum class SeriesStyle { Stick, Bar, Profile };

struct PlotSeries {
    std::string name;  // the legend entry, and the first line of a hovered mark's text
    std::vector<PlotMark> marks;
    SeriesStyle style = SeriesStyle::Stick;
};

// A text centred above a point of the plot: the ion formula over the tallest
// peak of each ion of a series of cluster ions, the formula over each point of
// a formula search. Where labels would overlap, the earlier one is shown.
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
    PlotRange x;
    PlotRange y;
    // The x axis counts (the rank of a formula): its ticks are whole numbers.
    bool xCounts = false;
};

// Where the ticks of an axis stand: first, first + step, ... up to the high end
// of the range, each labelled with `decimals` decimals. A step of 1, 2 or 5
// times a power of ten, written with as many decimals as the step has, keeps
// neighbouring labels distinct however far the axis is zoomed: 180.064 and
// 180.0645 instead of 180.064 twice.
struct PlotTicks {
    double first = 0.0;
    double step = 1.0;
    int decimals = 0;
};

enum class TickValues { Any, WholeNumbers };

// The ticks of a range drawn where at most maxIntervals gaps between labels
// fit (at least one gap is taken). A range that is empty, reversed or not
// finite gets a single tick at its low end.
PlotTicks NiceTicks(PlotRange range, int maxIntervals, TickValues values = TickValues::Any);

inline constexpr std::string_view kPlotHint =
    "Run a calculation from the Calculations menu to see its pattern here.";
inline constexpr std::string_view kExperimentalSeries = "Experimental";
inline constexpr std::string_view kCalculatedSeries = "Calculated";
inline constexpr std::string_view kCorrectedSeries = "Corrected for loss of H";
// The formulae of a search, one series per electron class (the page's EE, OE, **).
inline constexpr std::string_view kEvenElectronSeries = "EE: even-electron ions";
inline constexpr std::string_view kOddElectronSeries = "OE: odd-electron ions";
inline constexpr std::string_view kIndeterminateSeries = "**: electron class indeterminate";

// What hovering over a mark reads, one item a line: the series it belongs to,
// its label, m/z (or mass), then FA and Rel % where it has them, or the mass
// error and rank of a formula.
std::string DescribeMark(const PlotData& plot, const PlotSeries& series, const PlotMark& mark);

// The plot of a state that holds results of its kind.
PlotData MakePlotData(const CalculationState& state);

}  // namespace tarnevo::output
