// Takes away a modal window that no step of a GUI test answers, so that a
// failing test ends instead of waiting on it. A Yes/No question has no Escape
// and refuses to close without an answer, so it is answered No; any other
// window is closed.
#pragma once

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace tarnevo::testing {

inline void DismissModal(QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box != nullptr && box->button(QMessageBox::No) != nullptr) {
        box->button(QMessageBox::No)->click();
        return;
    }
    modal->close();
}

}  // namespace tarnevo::testing
