// CMainFrame: the main window with its menus, accelerators, toolbar and status
// bar around the results view. Each command is one QAction, shared by menu,
// toolbar and keyboard; its data is the command id. Whether a command is
// available is asked of the document's rules whenever a menu opens and after
// every change of the data set.
#pragma once

#include <QMainWindow>
#include <map>

#include "app/keyboard_indicators.h"
#include "document/command_enabling.h"
#include "output/plot_data.h"

class QLabel;
class QSettings;
class QToolBar;

namespace tarnevo::app {

class CTARNEVOApp;
class CTARNEVOView;
class PatternPlotPane;

class CMainFrame : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainFrame)

public:
    explicit CMainFrame(CTARNEVOApp& app);
    ~CMainFrame() override;

    CTARNEVOView* View() const { return view_; }
    QToolBar* ToolBar() const { return toolBar_; }
    // The action of a command; nullptr for a command without one.
    QAction* Action(doc::Command command) const;
    // The status-bar indicator panes "CAP", "NUM" and "SCRL".
    QLabel* IndicatorPane(int index) const { return indicators_[index]; }
    QLabel* MessagePane() const { return messagePane_; }
    // The Pattern Plot pane; nullptr in a build without Qt Charts.
    PatternPlotPane* PlotPane() const { return plotPane_; }

    // Routes a command to the object that handles it: the document (File New,
    // Save), the view (calculations, printing), the application (about, help).
    void OnCommand(doc::Command command);
    void UpdateCommandUI();
    void UpdateTitle();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(doc::Command command, const QString& text, const QString& prompt,
                       const QString& tooltip, const QList<QKeySequence>& keys = {});
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePlotPane();
    void RememberPlotPane() const;
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    void RestoreResolvingPower(const QSettings& settings);
    void RememberResolvingPower() const;
    output::PlotData StoredResultsPlot() const;
#endif
    void ShowStoredResultsInPlot();
    void FollowResolvedProfile();
    void UpdateHelpPages();
    void ShowIndicators(LockKeyState state);

    CTARNEVOApp& app_;
    CTARNEVOView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* messagePane_ = nullptr;
    PatternPlotPane* plotPane_ = nullptr;
    QLabel* indicators_[3] = {};
    KeyboardIndicators keyboard_;
    std::map<doc::Command, QAction*> actions_;
};

}  // namespace tarnevo::app
