// What the plots of the several kinds share: a stick plot's frame, the axis
// ranges that keep every mark in sight, and where a stick stands.
#pragma once

#include <limits>
#include <string>

#include "output/calculation_state.h"
#include "output/plot_data.h"

namespace tarnevo::output::detail {

// Head room above the tallest mark, and more where labels stand over the peaks.
inline constexpr double kHeadRoom = 1.12;
inline constexpr double kLabelHeadRoom = 1.25;

// A plot of sticks with its titles and no series yet.
PlotData StickPlot(std::string title, std::string xTitle, std::string yTitle);

// The smallest and largest finite x and y of every mark.
struct Extent {
    double xLow = std::numeric_limits<double>::infinity();
    double xHigh = -std::numeric_limits<double>::infinity();
    double yLow = 0.0;
    double yHigh = 0.0;
    bool any = false;

    void Take(double x, double y);
};

Extent ExtentOf(const PlotData& plot);

// Every stick shows with a margin of 5 % of the span on each side, at least
// 0.6 (more than half a peak spacing), and headRoom above the tallest.
void FitStickRanges(PlotData& plot, double headRoom);

// A high-resolution instrument sees a peak at the mean m/z of its isotopic
// compositions; where a calculation left that unknown (0), the nominal m/z
// stands in.
double StickMz(double centroid, double nominal);

// "+2", "-1": the charge as the plot titles write it.
std::string ChargeText(int charge);

// "C6H5Cl   [A+0] m/z 112.0081   charge +1".
std::string AMinusZeroTitle(const CalculationState& state);

}  // namespace tarnevo::output::detail
