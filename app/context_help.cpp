#include "app/context_help.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QToolButton>

#include "app/help_topics.h"
#include "app/help_window.h"

namespace tarnevo::app {

QString HelpPageForAction(const QAction* action) {
    if (action == nullptr || !action->data().isValid()) return kMainWindowHelpPage;
    return HelpPageForCommand(static_cast<doc::Command>(action->data().toInt()));
}

QString HelpPageForWidget(QWidget* widget, const QPoint& globalPosition) {
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        return HelpPageForAction(menu->actionAt(menu->mapFromGlobal(globalPosition)));
    }
    if (auto* button = qobject_cast<QToolButton*>(widget); button != nullptr && button->defaultAction()) {
        return HelpPageForAction(button->defaultAction());
    }
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant page = w->property(kHelpPageProperty);
        if (page.isValid()) return page.toString();
    }
    return kMainWindowHelpPage;
}

HelpController::HelpController(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

HelpController::~HelpController() {
    if (contextMode_) QApplication::restoreOverrideCursor();
    delete window_;
}

void HelpController::ShowPage(const QString& page) {
    lastPage_ = page;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        // A window of the modal dialog's own is not blocked by it; it goes with it.
        auto* beside = new HelpWindow(modal);
        beside->setAttribute(Qt::WA_DeleteOnClose);
        beside->ShowPage(page);
        return;
    }
    if (window_ == nullptr) window_ = new HelpWindow;
    window_->ShowPage(page);
}

void HelpController::ShowContext(int context) { ShowPage(HelpPageForContext(context)); }

void HelpController::ShowContents() { ShowPage(kHelpContentsPage); }

void HelpController::ShowCurrentContextHelp() {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        ShowPageAndCloseMenus(HelpPageForAction(menu->activeAction()));
        return;
    }
    QWidget* focused = QApplication::focusWidget();
    ShowPage(focused == nullptr ? kMainWindowHelpPage : HelpPageForWidget(focused, {}));
}

void HelpController::EnterContextHelpMode() {
    if (contextMode_) return;
    contextMode_ = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

void HelpController::LeaveContextHelpMode() {
    if (!contextMode_) return;
    contextMode_ = false;
    QApplication::restoreOverrideCursor();
}

void HelpController::ShowPageAndCloseMenus(const QString& page) {
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    ShowPage(page);
}

bool HelpController::eventFilter(QObject* watched, QEvent* event) {
    if (swallowRelease_ && event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()) {
        swallowRelease_ = false;
        return true;
    }
    if (contextMode_) return HandleContextModeEvent(watched, event);
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) return HandleF1(event);
    return false;
}

// F1 in a menu or a modal dialog; on the main window the Help command's own
// shortcut takes it before it arrives here as a key press.
bool HelpController::HandleF1(QEvent* event) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    if (qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr) {
        ShowCurrentContextHelp();
        return true;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        ShowPage(HelpPageForWidget(modal, {}));
        return true;
    }
    return false;
}

bool HelpController::HandleContextModeEvent(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* widget = qobject_cast<QWidget*>(watched);
            // A click on the menu bar opens its menu; the click on an item then
            // asks for that item's help.
            if (widget == nullptr || qobject_cast<QMenuBar*>(widget) != nullptr) return false;
            const QString page =
                HelpPageForWidget(widget, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            LeaveContextHelpMode();
            swallowRelease_ = true;
            ShowPageAndCloseMenus(page);
            return true;
        }
        case QEvent::Shortcut:
            if (auto* action = qobject_cast<QAction*>(watched)) {
                LeaveContextHelpMode();
                ShowPageAndCloseMenus(HelpPageForAction(action));
                return true;
            }
            return false;
        case QEvent::KeyPress: {
            if (!watched->isWidgetType()) return false;
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (key == Qt::Key_Escape) {
                LeaveContextHelpMode();
                return menu == nullptr;  // in a menu, Escape also closes it
            }
            if (menu != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                LeaveContextHelpMode();
                ShowPageAndCloseMenus(HelpPageForAction(menu->activeAction()));
                return true;
            }
            return menu == nullptr;  // keys move through an open menu, nothing else acts
        }
        default:
            return false;
    }
}

}  // namespace tarnevo::app
