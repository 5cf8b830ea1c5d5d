#include "app/qt_user_interface.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/file_filter.h"
#include "app/form_dialog.h"
#include "app/formula_dialogs.h"
#include "app/help_topics.h"
#include "app/labelling_dialogs.h"
#include "app/loss_h_form_dialog.h"
#include "app/peak_dialog.h"
#include "app/user_element_dialog.h"

namespace tarnevo::app {

namespace {

using results::MessageAnswer;
using results::MessageButtons;

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

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

MessageAnswer RunMessageBox(QWidget* parent, const results::MessageRequest& request) {
    const QMessageBox::Icon icon =
        request.icon == results::MessageIcon::Question ? QMessageBox::Question : QMessageBox::Warning;
    QMessageBox box(icon, QStringLiteral("TARNEVO"), ToQString(request.text), ButtonsOf(request.buttons),
                    parent);
    box.setDefaultButton(DefaultButtonOf(request.buttons));
    box.setWindowModality(Qt::ApplicationModal);
    if (request.modality == results::MessageModality::System) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return AnswerOf(box.exec());
}

std::unique_ptr<RecordDialog> MakeRecordDialog(results::InputRecord& record, const QString& helpPage,
                                               QWidget* parent) {
    std::unique_ptr<RecordDialog> dialog;
    QString page = helpPage.isEmpty() ? kMainWindowHelpPage : helpPage;
    if (auto* cluster = dynamic_cast<calc::ClusterFormInput*>(&record)) {
        dialog = std::make_unique<CFormDlg>(*cluster, parent);
        page = kIsotopeClusterHelpPage;
    } else if (auto* element = dynamic_cast<calc::UserElementInput*>(&record)) {
        dialog = std::make_unique<CUserElemDlg>(*element, parent);
        page = kUserElementsHelpPage;
    } else if (auto* ionic = dynamic_cast<calc::MolFormInput*>(&record)) {
        dialog = std::make_unique<CMolFormDlg>(*ionic, parent);
        page = kFormulaFromMzHelpPage;
    } else if (auto* rows = dynamic_cast<calc::FormulaElementsInput*>(&record)) {
        dialog = std::make_unique<CMFormElemDlg>(*rows, parent);
        page = kFormulaFromMzHelpPage;
    } else if (auto* lossOfH = dynamic_cast<calc::LossHFormInput*>(&record)) {
        dialog = std::make_unique<CLossHFormDlg>(*lossOfH, parent);
    } else if (auto* peaks = dynamic_cast<calc::PeakInput*>(&record)) {
        dialog = std::make_unique<CPeakDlg>(*peaks, parent);
    } else if (auto* labelling = dynamic_cast<calc::LabellingFormInput*>(&record)) {
        dialog = std::make_unique<CLabFormDlg>(*labelling, parent);
    } else if (auto* details = dynamic_cast<calc::EnrichmentDetailsInput*>(&record)) {
        dialog = std::make_unique<CEnDetailsDlg>(*details, parent);
    } else if (auto* maximum = dynamic_cast<calc::MaxEnrichmentInput*>(&record)) {
        dialog = std::make_unique<CMaxEnrDlg>(*maximum, parent);
    } else if (dynamic_cast<calc::FormulaElementInput*>(&record) != nullptr) {
        dialog = std::make_unique<GenericRecordDialog>(
            record, std::vector<std::string_view>{calc::FormulaElementInput::kValenceNote}, parent);
        page = kUserElementsHelpPage;
    } else {
        dialog = std::make_unique<GenericRecordDialog>(record, std::vector<std::string_view>{}, parent);
    }
    dialog->setProperty(kHelpPageProperty, page);
    return dialog;
}

MessageAnswer QtUserInterface::ShowMessage(const results::MessageRequest& request) {
    return RunMessageBox(parent_, request);
}

results::DialogAnswer QtUserInterface::RunDialog(results::InputRecord& record) {
    const std::unique_ptr<RecordDialog> dialog = MakeRecordDialog(record, helpPage_, parent_);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog->exec() == QDialog::Accepted ? results::DialogAnswer::Ok : results::DialogAnswer::Cancel;
}

std::optional<std::string> QtUserInterface::AskSaveFileName(const results::SaveFileRequest& request) {
    QFileDialog dialog(parent_, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.promptOverwrite);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setNameFilters(NameFiltersFrom(request.filter));
    dialog.setDefaultSuffix(ToQString(request.defaultExtension));
    dialog.selectFile(ToQString(request.initialName));
    dialog.setProperty(kHelpPageProperty, QStringLiteral("results.html"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace tarnevo::app
