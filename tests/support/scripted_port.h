// A user-interface port that answers from a script, in order, and fails the test
// on anything it was not told to expect: a different message text, buttons or
// icon, another dialog, or a step left over at the end.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "port/ui_port.h"

namespace tarnevo::testing {

using port::DialogAnswer;
using port::InputRecord;
using port::MessageAnswer;
using port::MessageButtons;
using port::MessageIcon;
using port::MessageModality;

class ScriptedPort : public port::UserInterfacePort {
public:
    ~ScriptedPort() override;

    // Expect a message box with exactly this text; answer it.
    ScriptedPort& ExpectMessage(std::string text, MessageAnswer answer = MessageAnswer::Ok);
    // Same, also checking buttons, icon and modality.
    ScriptedPort& ExpectMessage(std::string text, MessageButtons buttons, MessageIcon icon,
                                MessageModality modality, MessageAnswer answer);
    // Expect a message box whose text contains this part (for texts that carry
    // a path or a system reason); answer OK.
    ScriptedPort& ExpectMessageContaining(std::string part);
    // Expect the dialog with this caption; the filler checks presets and enters
    // values (through the typed record) and returns the answer. Entries are
    // range-checked as the real dialog would on OK.
    ScriptedPort& ExpectDialog(std::string caption, std::function<DialogAnswer(InputRecord&)> filler);
    template <typename Record>
    ScriptedPort& ExpectDialog(std::string caption, std::function<DialogAnswer(Record&)> filler) {
        return ExpectDialog(std::move(caption), [filler](InputRecord& record) {
            auto* typed = dynamic_cast<Record*>(&record);
            if (typed == nullptr) return Fail("dialog record of an unexpected type");
            return filler(*typed);
        });
    }
    // Expect a dialog and set fields by key from text, as typed; then OK.
    ScriptedPort& ExpectDialogEntries(std::string caption,
                                      std::vector<std::pair<std::string, std::string>> entries);
    ScriptedPort& ExpectDialogCancel(std::string caption);
    // Expect the save-file dialog; nothing means Cancel.
    ScriptedPort& ExpectSaveFile(std::optional<std::string> path, std::string expectedInitialName = {});

    // Expect long work with this caption and cancel it at its first progress
    // report. Long work not scripted this way runs to its end unasked.
    ScriptedPort& ExpectLongWorkCancelled(std::string caption);

    bool Finished() const { return steps_.empty(); }
    // The message texts shown so far, in order.
    const std::vector<std::string>& Shown() const { return shown_; }
    // The last save-file request seen.
    const port::SaveFileRequest& LastSaveRequest() const { return lastSaveRequest_; }

    MessageAnswer ShowMessage(const port::MessageRequest& request) override;
    DialogAnswer RunDialog(InputRecord& record) override;
    std::optional<std::string> AskSaveFileName(const port::SaveFileRequest& request) override;
    core::WorkStatus RunLongWork(std::string_view caption, const port::LongWork& work) override;

private:
    struct MessageStep {
        std::string text;
        std::optional<MessageButtons> buttons;
        std::optional<MessageIcon> icon;
        std::optional<MessageModality> modality;
        MessageAnswer answer;
        bool partial = false;
    };
    struct DialogStep {
        std::string caption;
        std::function<DialogAnswer(InputRecord&)> filler;
    };
    struct SaveStep {
        std::optional<std::string> path;
        std::string expectedInitialName;
    };
    struct CancelStep {
        std::string caption;
    };
    using Step = std::variant<MessageStep, DialogStep, SaveStep, CancelStep>;

    static DialogAnswer Fail(const std::string& what);
    std::optional<Step> NextStep(const char* what);

    std::deque<Step> steps_;
    std::vector<std::string> shown_;
    port::SaveFileRequest lastSaveRequest_;
};

}  // namespace tarnevo::testing
