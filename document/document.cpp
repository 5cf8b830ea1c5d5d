#include "document/document.h"

#include "document/messages.h"
#include "document/report_file.h"
#include "output/report.h"

namespace tarnevo::doc {

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
    const std::string date = output::FormatRunDate(now);
    if (auto reason = WriteFileSafely(path, output::ComposeReport(state, date))) {
        return {false, SaveFailureMessage(path, *reason)};
    }
    SetModified(false);
    ++saveCount;
    savedFlag = true;
    runDate = date;
    return {true, {}};
}

bool Document::SaveTo(port::UserInterfacePort& ui, const std::string& path) {
    const SaveOutcome outcome = WriteReport(path);
    if (!outcome.saved) {
        ShowError(ui, outcome.errorMessage, port::MessageModality::Application);
    }
    return outcome.saved;
}

bool Document::ConfirmSaveReminder(port::UserInterfacePort& ui) {
    if (!IsModified() || !saveReminder || savedFlag) return true;
    const port::MessageAnswer answer =
        ui.ShowMessage({std::string(messages::kSaveReminderQuestion), port::MessageButtons::YesNo,
                        port::MessageIcon::Question, port::MessageModality::System});
    if (answer != port::MessageAnswer::Yes) return true;
    fileNameBuffer = messages::kReminderFileName;
    port::SaveFileRequest request;
    request.initialName = fileNameBuffer;
    request.filter = fileFilter;
    const std::optional<std::string> path = ui.AskSaveFileName(request);
    if (!path) return true;
    savePath = *path;
    return SaveTo(ui, savePath);
}

bool Document::NewDocument(port::UserInterfacePort& ui) {
    if (!ConfirmSaveReminder(ui)) return false;
    title_ = messages::kUntitled;
    InvalidateViews();
    SetModified(false);
    saveCount = 0;
    pathName_.clear();
    return true;
}

bool Document::FileNew(port::UserInterfacePort& ui) {
    if (!NewDocument(ui)) return false;
    readyForCalculation = true;
    savedFlag = false;
    InvalidateViews();
    return true;
}

bool Document::SaveModified(port::UserInterfacePort& ui) {
    if (!ConfirmSaveReminder(ui)) return false;
    SetModified(false);
    return true;
}

bool Document::SaveAs(port::UserInterfacePort& ui) {
    port::SaveFileRequest request;
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

bool Document::Save(port::UserInterfacePort& ui) {
    if (pathName_.empty()) return SaveAs(ui);
    return SaveTo(ui, pathName_);
}

void Document::CompleteCalculation(bool reminderWanted) {
    saveReminder = reminderWanted;
    SetModified(true);
    readyForCalculation = false;
    InvalidateViews();
}

bool PassCalculationGate(Document& document, ViewState& view, port::UserInterfacePort& ui,
                         output::CalcKind kind) {
    if (!document.readyForCalculation) {
        port::ShowError(ui, messages::kFileNewFirst, port::MessageModality::Application);
        return false;
    }
    view.showWelcome = false;
    view.calcKind = kind;
    document.InvalidateViews();
    return true;
}

}  // namespace tarnevo::doc
