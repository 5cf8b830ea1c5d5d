#include "dialogs/ui_port.h"

namespace tarnevo::dialogs {

void ShowError(UserInterfacePort& ui, std::string_view text, MessageModality modality) {
    ui.ShowMessage({std::string(text), MessageButtons::Ok, MessageIcon::Exclamation, modality});
}

bool AskRetry(UserInterfacePort& ui, std::string_view text) {
    const MessageAnswer answer = ui.ShowMessage(
        {std::string(text), MessageButtons::RetryCancel, MessageIcon::Exclamation, MessageModality::System});
    return answer == MessageAnswer::Retry;
}

}  // namespace tarnevo::dialogs
