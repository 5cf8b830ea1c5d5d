// The document: the results of the last calculation and the life of the data
// set that holds them. A data set holds one calculation; File New makes a fresh
// one. Saving writes the plain-text report; nothing is ever read back.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "document/view_state.h"
#include "output/calculation_state.h"
#include "port/ui_port.h"

namespace tarnevo::doc {

// Filter of the save reminder's file dialog, and of Save / Save As.
inline constexpr std::string_view fileFilter = "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||";
inline constexpr std::string_view kDocumentFilter = "TARNEVO Files (*.txt)|*.txt|All Files (*.*)|*.*||";

struct SaveOutcome {
    bool saved = false;
    std::string errorMessage;  // names the file and the reason when not saved
};

class Document {
public:
    output::CalculationState state;

    bool readyForCalculation = true;
    bool saveReminder = false;
    int saveCount = 0;
    bool savedFlag = false;
    std::string runDate;
    std::string savePath;
    std::string fileNameBuffer;

    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    const std::string& Title() const { return title_; }
    const std::string& PathName() const { return pathName_; }

    // The results view registers here to be redrawn whenever the state changes.
    void SetInvalidateHandler(std::function<void()> handler) { invalidate_ = std::move(handler); }
    void InvalidateViews() const;

    // Writes the report of the stored results to path; on success clears the
    // modified flag, counts the save and stamps runDate. A failure leaves any old
    // file and every flag as they were.
    SaveOutcome WriteReport(const std::string& path);
    SaveOutcome WriteReport(const std::string& path, std::time_t now);

    // The save reminder of File New and closing. False only when the user chose
    // to save and the report could not be written (the message has been shown):
    // the operation that asked must not go on.
    bool ConfirmSaveReminder(port::UserInterfacePort& ui);

    // The framework's new-document step (also run once at start-up).
    bool NewDocument(port::UserInterfacePort& ui);
    // File New: a fresh data set, ready for the next calculation.
    bool FileNew(port::UserInterfacePort& ui);
    // Before the document closes (Exit, closing the window). False: stay open.
    bool SaveModified(port::UserInterfacePort& ui);
    // File Save and Save As: ask for a file name (Save only when the document has
    // no path yet), write the report, take the file as path and title.
    bool Save(port::UserInterfacePort& ui);
    bool SaveAs(port::UserInterfacePort& ui);

    // The end of the store step, after a calculation has copied its results into
    // state: always marks the document modified, whatever the reminder says.
    void CompleteCalculation(bool reminderWanted);

private:
    bool SaveTo(port::UserInterfacePort& ui, const std::string& path);

    bool modified_ = false;
    std::string title_;
    std::string pathName_;
    std::function<void()> invalidate_;
};

// The calculation gate, first step of every calculation command: refuses while
// the data set holds results; otherwise clears the welcome text and notes the
// kind of calculation in the view.
bool PassCalculationGate(Document& document, ViewState& view, port::UserInterfacePort& ui,
                         output::CalcKind kind);

}  // namespace tarnevo::doc
