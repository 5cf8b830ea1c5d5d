#include "results/document.h"

#include "results/messages.h"
#include "results/report.h"
#include "results/report_file.h"

namespace tarnevo::results {

namespace {

// The file name part of a path, as the document title after a save.
std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void Document::InvalidateViews() const {
    if (invalidate_) invalidate_();
}

SaveOutcome Document::WriteReport(const std::string& path) { return WriteReport(path, std::time(nullptr)); }

SaveOutcome Document::WriteReport(const std::string& path, std::time_t now) {
    const std::string date = FormatRunDate(now);
    if (auto reason = WriteFileSafely(path, ComposeReport(state, date))) {
        return {false, SaveFailureMessage(path, *reason)};
    }
    SetModified(false);
    ++saveCount;
    savedFlag = true;
    runDate = date;
    return {true, {}};
}

bool Document::SaveTo(dialogs::UserInterfacePort& ui, const std::string& path) {
    const SaveOutcome outcome = WriteReport(path);
    if (!outcome.saved) {
        ShowError(ui, outcome.errorMessage, dialogs::MessageModality::Application);
    }
    return outcome.saved;
}

bool Document::ConfirmSaveReminder(dialogs::UserInterfacePort& ui) {
    if (!IsModified() || !saveReminder || savedFlag) return true;
    const dialogs::MessageAnswer answer =
        ui.ShowMessage({std::string(messages::kSaveReminderQuestion), dialogs::MessageButtons::YesNo,
                        dialogs::MessageIcon::Question, dialogs::MessageModality::System});
    if (answer != dialogs::MessageAnswer::Yes) return true;
    fileNameBuffer = messages::kReminderFileName;
    dialogs::SaveFileRequest request;
    request.initialName = fileNameBuffer;
    request.filter = fileFilter;
    const std::optional<std::string> path = ui.AskSaveFileName(request);
    if (!path) return true;
    savePath = *path;
    return SaveTo(ui, savePath);
}

bool Document::NewDocument(dialogs::UserInterfacePort& ui) {
    if (!ConfirmSaveReminder(ui)) return false;
    title_ = messages::kUntitled;
    InvalidateViews();
    SetModified(false);
    saveCount = 0;
    pathName_.clear();
    return true;
}

bool Document::FileNew(dialogs::UserInterfacePort& ui) {
    if (!NewDocument(ui)) return false;
    readyForCalculation = true;
    savedFlag = false;
    InvalidateViews();
    return true;
}

bool Document::SaveModified(dialogs::UserInterfacePort& ui) {
    if (!ConfirmSaveReminder(ui)) return false;
    SetModified(false);
    return true;
}

bool Document::SaveAs(dialogs::UserInterfacePort& ui) {
    dialogs::SaveFileRequest request;
    request.initialName = (title_.empty() ? std::string(messages::kUntitled) : title_);
    if (request.initialName.find('.') == std::string::npos) request.initialName += ".txt";
    request.filter = kDocumentFilter;
    const std::optional<std::string> path = ui.AskSaveFileName(request);
    if (!path) return false;
    if (!SaveTo(ui, *path)) return false;
    pathName_ = *path;
    title_ = FileNameOf(*path);
    return true;
}

bool Document::Save(dialogs::UserInterfacePort& ui) {
    if (pathName_.empty()) return SaveAs(ui);
    return SaveTo(ui, pathName_);
}

void Document::CompleteCalculation(bool reminderWanted) {
    saveReminder = reminderWanted;
    SetModified(true);
    readyForCalculation = false;
    InvalidateViews();
}

bool PassCalculationGate(Document& document, ViewState& view, dialogs::UserInterfacePort& ui, CalcKind kind) {
    if (!document.readyForCalculation) {
        dialogs::ShowError(ui, messages::kFileNewFirst, dialogs::MessageModality::Application);
        return false;
    }
    view.showWelcome = false;
    view.calcKind = kind;
    document.InvalidateViews();
    return true;
}

}  // namespace tarnevo::results
