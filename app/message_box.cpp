#include "app/message_box.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace tarnevo::app {

MessageBoxWindow::MessageBoxWindow(Icon icon, const QString& title, const QString& text,
                                   StandardButtons buttons, QWidget* parent)
    : QMessageBox(icon, title, text, buttons, parent) {}

// Without an answer for it, the title bar offers no close button. This is
// settled as the box shows: setting its modality gives it the default title
// bar again. The buttons of a title bar are only chosen one by one with the
// customize hint; without it every default button comes back.
void MessageBoxWindow::setVisible(bool visible) {
    if (visible && HasNoEscapeAnswer() && windowFlags().testFlag(Qt::WindowCloseButtonHint)) {
        setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                       ~Qt::WindowCloseButtonHint);
    }
    QMessageBox::setVisible(visible);
}

bool MessageBoxWindow::HasNoEscapeAnswer() const {
    const StandardButtons offered = standardButtons();
    return !offered.testAnyFlags(Ok | Cancel | Close | Abort) && offered.testAnyFlags(Yes | No);
}

void MessageBoxWindow::keyPressEvent(QKeyEvent* event) {
    if (HasNoEscapeAnswer() && event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

// A close request before any button was clicked (the title bar, Alt+F4) is
// refused; the click on Yes or No closes the box as usual.
void MessageBoxWindow::closeEvent(QCloseEvent* event) {
    if (HasNoEscapeAnswer() && clickedButton() == nullptr) {
        event->ignore();
        return;
    }
    QMessageBox::closeEvent(event);
}

}  // namespace tarnevo::app
