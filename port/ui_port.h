// The user-interface port: everything a calculation or the document asks of the
// user goes through it. The desktop program implements it with real dialogs and
// message boxes, the command line with its arguments, the tests with a script.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/work_progress.h"
#include "port/input_record.h"

namespace tarnevo::port {

enum class MessageButtons { Ok, RetryCancel, YesNo };
enum class MessageIcon { Exclamation, Question };
// System modality puts input-error boxes over all windows; the calculation gate's
// refusal is an ordinary application-modal box.
enum class MessageModality { Application, System };
enum class MessageAnswer { Ok, Retry, Cancel, Yes, No };

struct MessageRequest {
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::Exclamation;
    MessageModality modality = MessageModality::System;
};

// The question a long search asks every so many cycles, whether to go on: the
// Yes/No message a person reads, and how far the search has come, from which a
// front end with nobody to ask (the command line's cycle limit) answers
// without knowing how often the search asks.
struct SearchQuestion {
    MessageRequest message;
    int cyclesRun = 0;
};

enum class DialogAnswer { Ok, Cancel };

// Work that may take longer than a moment (a formula search over a wide box of
// counts): it reports its progress and stops early when told to, returning
// Cancelled; the calculation then stores nothing.
using LongWork = std::function<core::WorkStatus(core::WorkProgress&)>;

// The save-file dialog: filter in the "Name|pattern|Name|pattern||" form.
struct SaveFileRequest {
    std::string caption = "Save As";  // the dialog's title: "Export Table" for the CSV
    std::string initialName;
    std::string defaultExtension = "txt";
    std::string filter;
    bool promptOverwrite = true;
    bool pathMustExist = true;
};

class UserInterfacePort {
public:
    virtual ~UserInterfacePort() = default;
    virtual MessageAnswer ShowMessage(const MessageRequest& request) = 0;
    // Yes: the search goes on. This default shows the question's message, so
    // a person answers it like any other Yes/No box.
    virtual MessageAnswer AskToContinueSearch(const SearchQuestion& question);
    // Shows the record's dialog preset from its fields. On Ok the record holds
    // the accepted entries (every field within range); on Cancel it is unchanged.
    virtual DialogAnswer RunDialog(InputRecord& record) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> AskSaveFileName(const SaveFileRequest& request) = 0;
    // Runs the work and returns what it returned. The desktop runs it off the
    // user-interface thread behind a progress dialog whose Cancel stops it; the
    // command line prints its progress on a terminal. This default runs it here
    // to its end, which is what a script or a test wants.
    virtual core::WorkStatus RunLongWork(std::string_view caption, const LongWork& work);
};

// Shorthands for the two box shapes of input errors.
void ShowError(UserInterfacePort& ui, std::string_view text,
               MessageModality modality = MessageModality::System);
bool AskRetry(UserInterfacePort& ui, std::string_view text);  // true: Retry

}  // namespace tarnevo::port
