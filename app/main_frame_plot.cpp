// The main frame's Pattern Plot pane: where it docks and whether it shows
// (remembered between runs), the resolving power of the profile it draws
// (remembered too, and taken from a cluster asked for with its profile), and
// the stored results it plots.
#include <QCheckBox>
#include <QSettings>
#include <cmath>

#include "app/main_frame.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_doc.h"
#include "document/document_plot.h"

#ifdef TARNEVO_HAVE_PATTERN_PLOT
#include "app/pattern_plot.h"
#include "app/plot_profile.h"
#include "calc/ion_identify_run.h"
#include "output/identification_text.h"
#endif

namespace tarnevo::app {

using doc::Command;

#ifdef TARNEVO_HAVE_PATTERN_PLOT
namespace {

// Where the program remembers whether the plot pane is shown and where it is docked.
constexpr const char* kPlotVisibleKey = "PatternPlot/visible";
constexpr const char* kPlotAreaKey = "PatternPlot/area";
// The resolving power the profile is drawn at (0: no profile, the first
// start's choice) and whether R falls with the square root of m/z.
constexpr const char* kPlotResolvingPowerKey = "PatternPlot/resolvingPower";
constexpr const char* kPlotOrbitrapKey = "PatternPlot/orbitrap";

// The m/z at which the plot pane states an Orbitrap's resolving power.
constexpr double kOrbitrapPaneReferenceMz = 200.0;

QSettings Settings() { return QSettings(QStringLiteral("TARNEVO"), QStringLiteral("TARNEVO")); }

}  // namespace
#endif

// The plot pane docks at the bottom unless the user moved it; shown unless the
// user hid it. Both are remembered between runs.
void CMainFrame::CreatePlotPane() {
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    plotPane_ = new PatternPlotPane(app_.Ui(), this);
    const QSettings settings = Settings();
    const auto area = static_cast<Qt::DockWidgetArea>(
        settings.value(kPlotAreaKey, static_cast<int>(Qt::BottomDockWidgetArea)).toInt());
    const bool known = area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea ||
                       area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
    addDockWidget(known ? area : Qt::BottomDockWidgetArea, plotPane_);
    plotPane_->setVisible(settings.value(kPlotVisibleKey, true).toBool());

    QAction* toggle = Action(Command::ViewPatternPlot);
    toggle->setChecked(!plotPane_->isHidden());
    connect(toggle, &QAction::toggled, plotPane_, &QWidget::setVisible);
    // The pane's own close button hides it too: the check mark follows.
    connect(plotPane_, &QDockWidget::visibilityChanged, this, [this] {
        Action(Command::ViewPatternPlot)->setChecked(!plotPane_->isHidden());
        RememberPlotPane();
    });
    connect(plotPane_, &QDockWidget::dockLocationChanged, this, &CMainFrame::RememberPlotPane);
    RestoreResolvingPower(settings);
    connect(plotPane_, &PatternPlotPane::resolvingPowerChanged, this, [this] {
        RememberResolvingPower();
        plotPane_->View()->Show(StoredResultsPlot(), PatternPlotView::Zoom::Keep);
    });
    connect(plotPane_, &PatternPlotPane::candidateChosen, this, [this](int index) {
        calc::SelectCandidate(app_.Document().Data().state, static_cast<std::size_t>(index));
        emit app_.Document().changed();
    });
    ShowStoredResultsInPlot();
#endif
}

#ifdef TARNEVO_HAVE_PATTERN_PLOT
// A remembered value out of range (a settings file edited by hand) leaves the
// profile off rather than asking the impossible of the calculation.
void CMainFrame::RestoreResolvingPower(const QSettings& settings) {
    const double resolution = settings.value(kPlotResolvingPowerKey, 0.0).toDouble();
    const bool orbitrap = settings.value(kPlotOrbitrapKey, false).toBool();
    plotPane_->SetResolvingPower(
        IsAcceptedResolution(resolution) ? std::optional<double>(resolution) : std::nullopt,
        orbitrap ? core::ResolvingPowerModel::Orbitrap : core::ResolvingPowerModel::Constant);
}

void CMainFrame::RememberResolvingPower() const {
    const std::optional<core::ResolvingPower> power = plotPane_->ResolvingPower();
    QSettings settings = Settings();
    settings.setValue(kPlotResolvingPowerKey, power ? power->resolution : 0.0);
    settings.setValue(kPlotOrbitrapKey, plotPane_->OrbitrapBox()->isChecked());
}
#endif

// A cluster asked for at a resolving power with its profile: the plot pane
// draws the profile at that power, which it states for an Orbitrap at m/z 200
// (R falls with the square root of m/z: R(200) = R x sqrt(reference / 200)).
void CMainFrame::FollowResolvedProfile() {
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    const doc::Document& document = app_.Document().Data();
    const output::ResolvedPeaksTable& resolved = document.state.resolved;
    if (plotPane_ == nullptr || document.readyForCalculation || !resolved.asked || !resolved.drawProfile)
        return;
    double resolution = resolved.power.resolution;
    if (resolved.power.model == core::ResolvingPowerModel::Orbitrap)
        resolution *= std::sqrt(resolved.power.referenceMz / kOrbitrapPaneReferenceMz);
    if (!IsAcceptedResolution(resolution)) return;
    plotPane_->SetResolvingPower(resolution, resolved.power.model);
    RememberResolvingPower();
    ShowStoredResultsInPlot();
#endif
}

void CMainFrame::RememberPlotPane() const {
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    if (plotPane_ == nullptr) return;
    QSettings settings = Settings();
    settings.setValue(kPlotVisibleKey, !plotPane_->isHidden());
    settings.setValue(kPlotAreaKey, static_cast<int>(dockWidgetArea(plotPane_)));
#endif
}

void CMainFrame::ShowStoredResultsInPlot() {
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    if (plotPane_ == nullptr) return;
    const doc::Document& document = app_.Document().Data();
    plotPane_->FollowResults(document.readyForCalculation ? nullptr : &document.state);
    plotPane_->View()->Show(StoredResultsPlot());
    plotPane_->ShowCandidates(
        document.readyForCalculation ? std::vector<std::string>() : output::CandidateChoices(document.state),
        static_cast<int>(document.state.identification.selected));
#endif
}

#ifdef TARNEVO_HAVE_PATTERN_PLOT
// The stored results as an instrument of the resolving power the pane's field
// holds would show them.
output::PlotData CMainFrame::StoredResultsPlot() const {
    const doc::Document& document = app_.Document().Data();
    output::PlotData plot = doc::MakePlotData(document);
    AddInstrumentProfile(plot, document.state, app_.Program().elements, plotPane_->ResolvingPower());
    return plot;
}
#endif

}  // namespace tarnevo::app
