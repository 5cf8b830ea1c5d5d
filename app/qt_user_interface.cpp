#include "app/qt_user_interface.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/file_filter.h"
#include "app/form_dialog.h"
#include "app/formula_dialogs.h"
#include "app/help_topics.h"
#include "app/identify_dialogs.h"
#include "app/labelling_dialogs.h"
#include "app/long_work_dialog.h"
#include "app/loss_h_form_dialog.h"
#include "app/message_box.h"
#include "app/peak_dialog.h"
#include "app/qt_text.h"
#include "app/user_element_dialog.h"

namespace tarnevo::app {

namespace {

using port::MessageAnswer;
using port::MessageButtons;

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// The first button is the default one, as on the desktop the boxes come from.
QMessageBox::StandardButton DefaultButtonOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::RetryCancel:
            return QMessageBox::Retry;
        case MessageButtons::YesNo:
            return QMessageBox::Yes;
    }
    return QMessageBox::Ok;
}

MessageAnswer AnswerOf(int button) {
    switch (button) {
        case QMessageBox::Retry:
            return MessageAnswer::Retry;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Ok;
    }
}

}  // namespace

MessageAnswer RunMessageBox(QWidget* parent, const port::MessageRequest& request) {
    const QMessageBox::Icon icon =
        request.icon == port::MessageIcon::Question ? QMessageBox::Question : QMessageBox::Warning;
    MessageBoxWindow box(icon, QStringLiteral("TARNEVO"), QtText(request.text), ButtonsOf(request.buttons),
                         parent);
    box.setDefaultButton(DefaultButtonOf(request.buttons));
    box.setWindowModality(Qt::ApplicationModal);
    if (request.modality == port::MessageModality::System) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return AnswerOf(box.exec());
}

namespace {

using DialogFactory = std::unique_ptr<RecordDialog> (*)(port::InputRecord&, QWidget*);

// A record names the dialog that draws it; the name promises its type.
template <typename Dialog, typename Record>
std::unique_ptr<RecordDialog> Make(port::InputRecord& record, QWidget* parent) {
    return std::make_unique<Dialog>(static_cast<Record&>(record), parent);
}

// The dialogs with a layout of their own, by the name their records give.
DialogFactory FactoryFor(std::string_view name) {
    static const std::pair<std::string_view, DialogFactory> kDialogs[] = {
        {"CFormDlg", Make<CFormDlg, calc::ClusterFormInput>},
        {"CUserElemDlg", Make<CUserElemDlg, calc::UserElementInput>},
        {"CLossHFormDlg", Make<CLossHFormDlg, calc::LossHFormInput>},
        {"CPeakDlg", Make<CPeakDlg, calc::PeakInput>},
        {"CMolFormDlg", Make<CMolFormDlg, calc::MolFormInput>},
        {"CMFormElemDlg", Make<CMFormElemDlg, calc::FormulaElementsInput>},
        {"CLabFormDlg", Make<CLabFormDlg, calc::LabellingFormInput>},
        {"CEnDetailsDlg", Make<CEnDetailsDlg, calc::EnrichmentDetailsInput>},
        {"CMaxEnrDlg", Make<CMaxEnrDlg, calc::MaxEnrichmentInput>},
        {"CIdentifyPeaksDlg", Make<CIdentifyPeaksDlg, calc::IdentifyPeaksInput>},
        {"CIdentifyOptionsDlg", Make<CIdentifyOptionsDlg, calc::IdentifyOptionsInput>},
    };
    for (const auto& [dialogName, factory] : kDialogs) {
        if (dialogName == name) return factory;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<RecordDialog> MakeRecordDialog(port::InputRecord& record, const QString& helpPage,
                                               QWidget* parent) {
    std::unique_ptr<RecordDialog> dialog;
    if (const DialogFactory factory = FactoryFor(record.DialogName())) {
        dialog = factory(record, parent);
    } else {
        dialog = std::make_unique<GenericRecordDialog>(record, record.Notes(), parent);
    }
    QString page = helpPage.isEmpty() ? kMainWindowHelpPage : helpPage;
    if (!record.HelpPage().empty()) page = QtText(record.HelpPage());
    dialog->setProperty(kHelpPageProperty, page);
    return dialog;
}

MessageAnswer QtUserInterface::ShowMessage(const port::MessageRequest& request) {
    return RunMessageBox(parent_, request);
}

port::DialogAnswer QtUserInterface::RunDialog(port::InputRecord& record) {
    const std::unique_ptr<RecordDialog> dialog = MakeRecordDialog(record, helpPage_, parent_);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog->exec() == QDialog::Accepted ? port::DialogAnswer::Ok : port::DialogAnswer::Cancel;
}

std::optional<std::string> QtUserInterface::AskSaveFileName(const port::SaveFileRequest& request) {
    QFileDialog dialog(parent_, QtText(request.caption));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.promptOverwrite);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setNameFilters(NameFiltersFrom(request.filter));
    dialog.setDefaultSuffix(QtText(request.defaultExtension));
    dialog.selectFile(QtText(request.initialName));
    dialog.setProperty(kHelpPageProperty, kResultsHelpPage);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

core::WorkStatus QtUserInterface::RunLongWork(std::string_view caption, const port::LongWork& work) {
    return RunWithProgressDialog(parent_, QtText(caption), work);
}

}  // namespace tarnevo::app
