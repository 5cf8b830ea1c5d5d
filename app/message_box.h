// The program's message box. A Yes/No question ("Current data set is not
// saved, save it?", the fit's "continue?") has no answer of its own for Escape
// or for the title bar's close button: Qt's box would take either as No and,
// for the save reminder, throw the unsaved results away. The question stays
// until Yes or No is chosen; boxes with an OK or Cancel button close with
// Escape as usual.
#pragma once

#include <QMessageBox>

namespace tarnevo::app {

class MessageBoxWindow : public QMessageBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MessageBoxWindow)

public:
    MessageBoxWindow(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
                     QWidget* parent);

    // True while neither an OK, Cancel nor a reject-role button is offered.
    bool HasNoEscapeAnswer() const;
    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace tarnevo::app
