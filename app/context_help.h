// Help requests: the help window, F1 for the current context, and click-for-help
// mode (Ctrl+F1 or the toolbar button), in which the pointer turns into a
// question-mark arrow and the next click on a menu item, toolbar button or
// window opens that item's help page instead of acting. Escape leaves the mode.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "app/help_window.h"

class QAction;
class QWidget;

namespace tarnevo::app {

class HelpController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpController)

public:
    explicit HelpController(QObject* parent = nullptr);
    ~HelpController() override;

    // Opens a page. While a modal dialog is up the page opens in a window that
    // belongs to the dialog, so that it can be read and scrolled beside it.
    void ShowPage(const QString& page);
    void ShowContext(int context);
    void ShowContents();
    // F1 on the main window: the highlighted menu item's page, else the page of
    // the window that has the keyboard (the result page: the calculation shown),
    // else the page of the main window.
    void ShowCurrentContextHelp();

    void EnterContextHelpMode();
    bool InContextHelpMode() const { return contextMode_; }

    // The page last opened, for the status of the help window.
    QString LastPage() const { return lastPage_; }
    HelpWindow* Window() const { return window_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleContextModeEvent(QObject* watched, QEvent* event);
    bool HandleF1(QEvent* event);
    void LeaveContextHelpMode();
    void ShowPageAndCloseMenus(const QString& page);

    QPointer<HelpWindow> window_;
    QString lastPage_;
    bool contextMode_ = false;
    bool swallowRelease_ = false;
};

// The help page of a menu or toolbar action (its command id is the action's
// data); the main window's page for others.
QString HelpPageForAction(const QAction* action);
// The help page of a point in a widget: the item under it in a menu or the
// button's action on a toolbar, else the nearest window with a help page.
QString HelpPageForWidget(QWidget* widget, const QPoint& globalPosition);

}  // namespace tarnevo::app
