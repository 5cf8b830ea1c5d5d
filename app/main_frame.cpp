#include "app/main_frame.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

#include "app/context_help.h"
#include "app/help_topics.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_doc.h"
#include "app/tarnevo_view.h"
#include "app/toolbar_images.h"
#include "calc/calculation_catalog.h"
#include "document/table_export.h"

#ifdef TARNEVO_HAVE_PATTERN_PLOT
#include "app/pattern_plot.h"
#include "app/plot_profile.h"
#include "app/qt_text.h"
#include "calc/ion_identify_run.h"
#include "document/document_plot.h"
#include "output/identification_text.h"
#endif

namespace tarnevo::app {

namespace {

using doc::Command;

constexpr const char* kIndicatorTexts[] = {"CAP", "NUM", "SCRL"};

#ifdef TARNEVO_HAVE_PATTERN_PLOT
// Where the program remembers whether the plot pane is shown and where it is docked.
constexpr const char* kPlotVisibleKey = "PatternPlot/visible";
constexpr const char* kPlotAreaKey = "PatternPlot/area";
// The resolving power the profile is drawn at (0: no profile, the first
// start's choice) and whether R falls with the square root of m/z.
constexpr const char* kPlotResolvingPowerKey = "PatternPlot/resolvingPower";
constexpr const char* kPlotOrbitrapKey = "PatternPlot/orbitrap";

QSettings Settings() { return QSettings(QStringLiteral("TARNEVO"), QStringLiteral("TARNEVO")); }
#endif

QKeySequence Keys(QKeyCombination combination) { return QKeySequence(combination); }

}  // namespace

CMainFrame::CMainFrame(CTARNEVOApp& app) : app_(app) {
    setWindowIcon(ProgramIcon());
    view_ = new CTARNEVOView(app.Document(), app.Program(), app.Ui(), this);
    setCentralWidget(view_);
    view_->setFocus();  // the page's keys (arrows, Page Up/Down, Home, End) work at once
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreatePlotPane();
    connect(&app.Document(), &CTARNEVODoc::changed, this, [this] {
        ShowStoredResultsInPlot();
        UpdateHelpPages();
        UpdateTitle();
        UpdateCommandUI();
    });
    UpdateTitle();
    UpdateCommandUI();
}

// The pane reports its hiding while the window's children are destroyed; by
// then there are no actions or settings to update.
CMainFrame::~CMainFrame() {
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    if (plotPane_ != nullptr) plotPane_->disconnect(this);
#endif
}

QAction* CMainFrame::AddAction(Command command, const QString& text, const QString& prompt,
                               const QString& tooltip, const QList<QKeySequence>& keys) {
    auto* action = new QAction(text, this);
    action->setData(static_cast<int>(command));
    action->setStatusTip(prompt);
    if (!tooltip.isEmpty()) action->setToolTip(tooltip);
    action->setShortcuts(keys);
    action->setIcon(ToolbarIcon(command));
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    addAction(action);  // accelerators work whether or not a menu or toolbar shows it
    actions_[command] = action;
    return action;
}

void CMainFrame::CreateActions() {
    const auto ctrl = [](Qt::Key key) { return Keys(Qt::CTRL | key); };
    AddAction(Command::FileNew, "&New", "Create a new document", "New", {ctrl(Qt::Key_N)});
    AddAction(Command::FileOpen, "&Open...", "Open an existing document", "Open", {ctrl(Qt::Key_O)});
    AddAction(Command::FileSave, "&Save", "Save the active document", "Save", {ctrl(Qt::Key_S)});
    AddAction(Command::FileSaveAs, "Save &As...", "Save the active document with a new name", "Save As");
    AddAction(Command::FileExportTable, "&Export Table...",
              "Write the table of the results as comma-separated values (CSV)", "Export Table");
    AddAction(Command::FilePrint, "&Print...", "Print the active document", "Print", {ctrl(Qt::Key_P)});
    AddAction(Command::FilePrintPreview, "Print Pre&view", "Display full pages", "Print Preview");
    AddAction(Command::FilePrintSetup, "P&rint Setup...", "Change the printer and printing options",
              "Print Setup");
    AddAction(Command::AppExit, "E&xit", "Quit the application; prompts to save documents", "Exit");

    AddAction(Command::EditUndo, "&Undo", "Undo the last action", "Undo",
              {ctrl(Qt::Key_Z), Keys(Qt::ALT | Qt::Key_Backspace)});
    AddAction(Command::EditCut, "Cu&t", "Cut the selection and put it on the Clipboard", "Cut",
              {ctrl(Qt::Key_X), Keys(Qt::SHIFT | Qt::Key_Delete)});
    AddAction(Command::EditCopy, "&Copy", "Copy the selection and put it on the Clipboard", "Copy",
              {ctrl(Qt::Key_C), ctrl(Qt::Key_Insert)});
    AddAction(Command::EditPaste, "&Paste", "Insert Clipboard contents", "Paste",
              {ctrl(Qt::Key_V), Keys(Qt::SHIFT | Qt::Key_Insert)});

    QAction* toolbar =
        AddAction(Command::ViewToolbar, "&Toolbar", "Show or hide the toolbar", "Toggle ToolBar");
    QAction* statusBar =
        AddAction(Command::ViewStatusBar, "&Status Bar", "Show or hide the status bar", "Toggle StatusBar");
    toolbar->setCheckable(true);
    statusBar->setCheckable(true);
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    AddAction(Command::ViewPatternPlot, "&Pattern Plot", "Show or hide the plot of the isotope pattern",
              "Toggle Pattern Plot")
        ->setCheckable(true);
#endif

    for (const calc::CalculationDescriptor& calculation : calc::Calculations()) {
        AddAction(calculation.command, QtText(calculation.menuText), QtText(calculation.prompt),
                  QtText(calculation.toolTip),
                  {Keys(Qt::CTRL | static_cast<Qt::Key>(calculation.shortcutKey))});
    }

    AddAction(Command::HelpTopics, "&Help Topics", "List Help topics", "Help Topics");
    AddAction(Command::GettingStarted, "&Getting Started", "Display advice on how to use TARNEVO", {});
    AddAction(Command::AppAbout, "&About TARNEVO...",
              "Display program information, version number and copyright", "About");
    AddAction(Command::Help, "Help", "Display help for current task or command", "Help", {Keys(Qt::Key_F1)});
    // Shift+F1 is the desktop's own key for "What's This?" help.
    AddAction(Command::ContextHelp, "Help Mode", "Display help for clicked on buttons, menus and windows",
              "Help", {Keys(Qt::CTRL | Qt::Key_F1), Keys(Qt::SHIFT | Qt::Key_F1)});
}

QAction* CMainFrame::Action(Command command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::CreateMenus() {
    const auto addMenu = [this](const QString& title, const std::vector<Command>& items) {
        QMenu* menu = menuBar()->addMenu(title);
        for (Command item : items) {
            if (static_cast<int>(item) == 0) {
                menu->addSeparator();
            } else if (QAction* action = Action(item)) {
                menu->addAction(action);
            }
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        menu->installEventFilter(this);
        return menu;
    };
    constexpr auto separator = static_cast<Command>(0);
    addMenu("&File", {Command::FileNew, Command::FileOpen, Command::FileSave, Command::FileSaveAs,
                      Command::FileExportTable, separator, Command::FilePrint, Command::FilePrintPreview,
                      Command::FilePrintSetup, separator, Command::AppExit});
    addMenu("&Edit", {Command::EditUndo, separator, Command::EditCut, Command::EditCopy, Command::EditPaste});
    addMenu("&View", {Command::ViewToolbar, Command::ViewStatusBar, Command::ViewPatternPlot});
    std::vector<Command> calculations;
    for (const calc::CalculationDescriptor& calculation : calc::Calculations())
        calculations.push_back(calculation.command);
    addMenu("&Calculations", calculations);
    addMenu("&Help", {Command::HelpTopics, Command::GettingStarted, separator, Command::AppAbout});
}

void CMainFrame::CreateToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("Standard"), this);
    toolBar_->setObjectName(QStringLiteral("StandardToolBar"));
    toolBar_->setIconSize(kToolbarImageSize);
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (Command command : {Command::FileNew, Command::FileSave}) toolBar_->addAction(Action(command));
    toolBar_->addSeparator();
    toolBar_->addAction(Action(Command::FilePrint));
    for (const calc::CalculationDescriptor& calculation : calc::Calculations()) {
        toolBar_->addAction(Action(calculation.command));
    }
    toolBar_->addSeparator();
    for (Command command : {Command::AppAbout, Command::ContextHelp}) toolBar_->addAction(Action(command));
    addToolBar(Qt::TopToolBarArea, toolBar_);

    QAction* toggle = Action(Command::ViewToolbar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, toolBar_, &QWidget::setVisible);
}

void CMainFrame::CreateStatusBar() {
    messagePane_ = new QLabel(QStringLiteral("For Help, press F1"));
    statusBar()->addWidget(messagePane_, 1);
    for (int k = 0; k < 3; ++k) {
        auto* pane = new QLabel;
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        statusBar()->addPermanentWidget(pane);
        indicators_[k] = pane;
    }
    ShowIndicators(keyboard_.State());
    connect(&keyboard_, &KeyboardIndicators::changed, this, &CMainFrame::ShowIndicators);

    QAction* toggle = Action(Command::ViewStatusBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

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

// F1 on the result page or the plot, or a click on them in click-for-help mode,
// opens the page of the calculation whose results they show.
void CMainFrame::UpdateHelpPages() {
    const doc::Document& document = app_.Document().Data();
    const QString page =
        document.readyForCalculation ? kResultsHelpPage : HelpPageForResults(document.state.calcKind);
    view_->setProperty(kHelpPageProperty, page);
    if (plotPane_ != nullptr) plotPane_->setProperty(kHelpPageProperty, page);
}

void CMainFrame::ShowIndicators(LockKeyState state) {
    const bool on[] = {state.capsLock, state.numLock, state.scrollLock};
    for (int k = 0; k < 3; ++k)
        indicators_[k]->setText(on[k] ? QString::fromLatin1(kIndicatorTexts[k]) : QString());
}

void CMainFrame::UpdateCommandUI() {
    const doc::Document& document = app_.Document().Data();
    for (const auto& [command, action] : actions_)
        action->setEnabled(doc::IsCommandEnabled(command, document));
    Action(Command::ViewToolbar)->setChecked(!toolBar_->isHidden());
    Action(Command::ViewStatusBar)->setChecked(!statusBar()->isHidden());
#ifdef TARNEVO_HAVE_PATTERN_PLOT
    if (plotPane_ != nullptr) Action(Command::ViewPatternPlot)->setChecked(!plotPane_->isHidden());
#endif
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(QStringLiteral("%1 - TARNEVO").arg(app_.Document().Title()));
}

void CMainFrame::OnCommand(Command command) {
    CTARNEVODoc& document = app_.Document();
    switch (command) {
        case Command::FileNew:
            document.OnFileNew(app_.Ui());
            break;
        case Command::FileSave:
            document.OnFileSave(app_.Ui());
            break;
        case Command::FileSaveAs:
            document.OnFileSaveAs(app_.Ui());
            break;
        case Command::FileExportTable:
            doc::ExportTable(document.Data(), app_.Ui());
            break;
        case Command::FilePrint:
            view_->OnFilePrint(app_.Printer());
            break;
        case Command::FilePrintPreview:
            view_->OnFilePrintPreview(app_.Printer());
            break;
        case Command::FilePrintSetup:
            app_.OnFilePrintSetup();
            break;
        case Command::AppExit:
            close();
            break;
        case Command::HelpTopics:
        case Command::DefaultHelp:
            app_.Help().ShowContents();
            break;
        case Command::GettingStarted:
            app_.OnHelpGettingStarted();
            break;
        case Command::AppAbout:
            app_.OnAppAbout();
            break;
        case Command::Help:
            app_.Help().ShowCurrentContextHelp();
            break;
        case Command::ContextHelp:
            app_.Help().EnterContextHelpMode();
            break;
        // The bars follow their check marks through the actions' toggled signals;
        // File Open and the Edit commands are never available.
        default:
            if (CTARNEVOView::IsCalculationCommand(command)) view_->OnCalculationCommand(command);
            break;
    }
    UpdateTitle();
    UpdateCommandUI();
}

// Closing the main window ends the program: after the save reminder, every other
// window of it (the help window above all) goes too, so the process ends.
void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!app_.Document().SaveModified(app_.Ui())) {
        event->ignore();
        return;
    }
    event->accept();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) window->close();
    }
}

// A menu item that is greyed out still says what it does: menus send no status
// tip for it, so the prompt is shown once the menu has handled the move.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu != nullptr && event->type() == QEvent::MouseMove) {
        const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
        QPointer<QAction> action = menu->actionAt(position);
        if (action != nullptr && !action->isEnabled() && !action->statusTip().isEmpty()) {
            QMetaObject::invokeMethod(
                this,
                [this, action] {
                    if (action) statusBar()->showMessage(action->statusTip());
                },
                Qt::QueuedConnection);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace tarnevo::app
