#include "port/ui_port.h"

namespace tarnevo::port {

namespace {

// Nobody to ask: the work always goes on.
class UninterruptedProgress : public core::WorkProgress {
public:
    bool KeepGoing(double /*fractionDone*/) override { return true; }
};

}  // namespace

MessageAnswer UserInterfacePort::AskToContinueSearch(const SearchQuestion& question) {
    return ShowMessage(question.message);
}

core::WorkStatus UserInterfacePort::RunLongWork(std::string_view /*caption*/, const LongWork& work) {
    UninterruptedProgress progress;
    return work(progress);
}

void ShowError(UserInterfacePort& ui, std::string_view text, MessageModality modality) {
    ui.ShowMessage({std::string(text), MessageButtons::Ok, MessageIcon::Exclamation, modality});
}

bool AskRetry(UserInterfacePort& ui, std::string_view text) {
    const MessageAnswer answer = ui.ShowMessage(
        {std::string(text), MessageButtons::RetryCancel, MessageIcon::Exclamation, MessageModality::System});
    return answer == MessageAnswer::Retry;
}

}  // namespace tarnevo::port
