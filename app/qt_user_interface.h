// The user-interface port on Qt Widgets: message boxes, the modal input dialogs
// of the calculations, and the save-file dialog. Everything is modal and runs
// nested in the calling command, on the one user-interface thread.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "port/ui_port.h"

namespace tarnevo::app {

class RecordDialog;

// A message box titled "TARNEVO" with the requested buttons and icon, modal for
// the whole application (a system-modal request also stays on top).
port::MessageAnswer RunMessageBox(QWidget* parent, const port::MessageRequest& request);

// The dialog that shows a record: CFormDlg, CUserElemDlg, CLossHFormDlg, CPeakDlg
// and the labelling dialogs for their records,
// a dialog built from the field descriptions for any other. Each dialog carries
// the help page that F1 opens: its own for the dialogs of user-defined
// elements, otherwise helpPage, the page of the calculation that asks.
std::unique_ptr<RecordDialog> MakeRecordDialog(port::InputRecord& record, const QString& helpPage,
                                               QWidget* parent);

class QtUserInterface : public port::UserInterfacePort {
public:
    explicit QtUserInterface(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    // The help page of the command now running; its dialogs open it on F1.
    void SetHelpPage(const QString& page) { helpPage_ = page; }

    port::MessageAnswer ShowMessage(const port::MessageRequest& request) override;
    port::DialogAnswer RunDialog(port::InputRecord& record) override;
    std::optional<std::string> AskSaveFileName(const port::SaveFileRequest& request) override;
    core::WorkStatus RunLongWork(std::string_view caption, const port::LongWork& work) override;

private:
    QPointer<QWidget> parent_;
    QString helpPage_;
};

}  // namespace tarnevo::app
