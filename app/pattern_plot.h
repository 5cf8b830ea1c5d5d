// The Pattern Plot pane: the stored results drawn as a stick plot (or, for a
// formula search, as ranked points of mass error) beside the result page, with
// Qt Charts. What it draws comes whole from output::MakePlotData; this class
// only turns those values into chart series, and adds reading by hovering,
// zooming the m/z axis (wheel, dragged rectangle, double click to reset; the
// height axis follows the highest mark in sight) and a context menu to save
// the picture as PNG or SVG or copy it (pattern_plot_image.cpp). The pane
// around it is in pattern_plot_pane.cpp.
#pragma once

#include <QChartView>
#include <QColor>
#include <QDockWidget>
#include <optional>
#include <string>
#include <vector>

#include "core/resolving_power.h"
#include "output/plot_data.h"
#include "port/ui_port.h"

class QAbstractSeries;
class QAction;
class QCheckBox;
class QComboBox;
class QGraphicsSimpleTextItem;
class QLineEdit;
class QToolBar;
class QValueAxis;

namespace tarnevo::app {

class PatternPlotView : public QChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PatternPlotView)

public:
    explicit PatternPlotView(port::UserInterfacePort& ui, QWidget* parent = nullptr);

    // What becomes of the m/z axis's zoom when a plot is shown: reset to show
    // every mark (new results), or kept if the user zoomed (the same results
    // redrawn, as when the resolving power of their profile changes and the
    // user compares peaks).
    enum class Zoom { Reset, Keep };
    void Show(const output::PlotData& plot, Zoom zoom = Zoom::Reset);
    const output::PlotData& Data() const { return data_; }

    // The m/z (horizontal) axis; nullptr while nothing is plotted.
    QValueAxis* AxisX() const { return axisX_; }
    QValueAxis* AxisY() const { return axisY_; }
    // What hovering at a position of this widget shows; empty away from every mark.
    QString HoverTextAt(QPoint position) const;
    // The text of the labels over the points that show now (others are zoomed
    // out of sight or would overlap an earlier one).
    QStringList VisibleLabels() const;
    // Zooms the m/z axis by factor (below 1: in) keeping the m/z under x fixed.
    void ZoomAt(int x, double factor);
    void ResetZoom();

    QByteArray PngBytes();
    QByteArray SvgBytes();
    void SaveImage(bool svg);
    void CopyImage();

protected:
    bool viewportEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Clear();
    void AddSeries(const output::PlotSeries& series);
    void AddProfile(const output::PlotSeries& series);
    void AddDrawnSeries(QAbstractSeries* drawn, const std::string& name);
    void PlaceLabels();
    // Tick steps that keep the labels of both axes distinct and whole in the
    // space the plot has now.
    void FitTicks();
    output::PlotTicks XTicksFor(output::PlotRange range) const;
    void SetXRange(output::PlotRange range);
    // The height axis up to the highest mark within the m/z axis's range.
    void FitHeights();
    output::PlotTicks YTicksFor(output::PlotRange range) const;
    // How far, in pixels, the pointer is from a mark: from anywhere along it
    // (a stick from the axis up) and from its top.
    struct MarkDistance {
        double along = 0.0;
        double toTop = 0.0;
    };
    MarkDistance DistanceTo(QPoint position, const output::PlotMark& mark) const;
    void ShowHoverTip(QPoint position, QPoint globalPosition);
    void HideHoverTip();
    QPointF ToWidget(double x, double y) const;

    port::UserInterfacePort& ui_;
    output::PlotData data_;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    std::vector<QGraphicsSimpleTextItem*> labels_;
    // The theme's colour that a profile drawn first took from the sticks after it.
    std::optional<QColor> handedOnColour_;
    QString shownTip_;  // the hover text on show; empty while none is
};

// The dockable pane "Pattern Plot" around the view, with a toolbar of its own
// whose "Resolving power" field asks for the profile an instrument of that
// resolving power would record (empty: none), and whose check box makes R
// fall with the square root of m/z from its value at m/z 200 (or at the
// reference m/z of the identification shown), as an Orbitrap's does.
class PatternPlotPane : public QDockWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PatternPlotPane)

public:
    explicit PatternPlotPane(port::UserInterfacePort& ui, QWidget* parent = nullptr);
    PatternPlotView* View() const { return view_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QLineEdit* ResolvingPowerField() const { return resolvingPowerField_; }
    QCheckBox* OrbitrapBox() const { return orbitrapBox_; }

    // The resolving power the profile is drawn at; nothing while the field is off.
    std::optional<core::ResolvingPower> ResolvingPower() const;
    // Shows a remembered choice in the toolbar without announcing a change.
    void SetResolvingPower(std::optional<double> resolution, core::ResolvingPowerModel model);
    // Called with the results each time they are shown (nullptr: none). New
    // results of an identification put the resolving power they were scored
    // at into the toolbar, without announcing a change, so that the field
    // says what the plot draws; a value the user types later redraws them at
    // that one.
    void FollowResults(const output::CalculationState* results);

    // The candidates of an identification in the toolbar's list, the selected
    // one shown, without announcing a choice; an empty list hides it.
    void ShowCandidates(const std::vector<std::string>& candidates, int selected);
    QComboBox* CandidateBox() const { return candidateBox_; }

signals:
    // The field took a new value or the check box changed.
    void resolvingPowerChanged();
    // The user picked the candidate with this index (0: the best) from the list.
    void candidateChosen(int index);

private:
    void CreateToolBar();
    void CreateCandidateList();
    void TakeTypedResolvingPower();
    void ShowResolution();
    void ShowReferenceMz();

    port::UserInterfacePort& ui_;
    PatternPlotView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLineEdit* resolvingPowerField_ = nullptr;
    QCheckBox* orbitrapBox_ = nullptr;
    QComboBox* candidateBox_ = nullptr;
    QAction* candidateAction_ = nullptr;  // shows or hides the list and its label together
    QAction* candidateLabelAction_ = nullptr;
    std::optional<double> resolution_;                         // the accepted field value; nothing: off
    double referenceMz_ = core::ResolvingPower{}.referenceMz;  // where an Orbitrap's R holds
    bool showsResults_ = false;
};

}  // namespace tarnevo::app
