#include "cli/cli_port.h"

namespace tarnevo::cli {

void CliPort::Refuse(const std::string& message) {
    errors_ << message << '\n';
    refused_ = true;
}

// "--charge: an integer from -30 to 30 is required, not 'x'"
void CliPort::RefuseValue(const results::FieldSpec& rule, const std::string& text) {
    const std::string key(rule.key);
    const auto named = optionNames_.find(key);
    const std::string option = named != optionNames_.end() ? named->second : "--" + key;
    Refuse(option + ": " + results::AcceptedValues(rule) + ", not '" + text + "'");
    badValue_ = true;
}

std::optional<std::string> CliPort::UnaskedComplaint() const {
    for (const auto& [dialog, complaint] : expected_) {
        if (asked_.count(dialog) == 0) return complaint;
    }
    return std::nullopt;
}

results::MessageAnswer CliPort::ShowMessage(const results::MessageRequest& request) {
    Refuse(request.text);
    switch (request.buttons) {
        case results::MessageButtons::Ok: return results::MessageAnswer::Ok;
        case results::MessageButtons::RetryCancel: return results::MessageAnswer::Cancel;
        case results::MessageButtons::YesNo: return results::MessageAnswer::No;
    }
    return results::MessageAnswer::Cancel;
}

results::DialogAnswer CliPort::RunDialog(results::InputRecord& record) {
    const DialogKey dialog{std::type_index(typeid(record)), record.Subject()};
    const std::string caption = record.Caption();
    asked_.insert(dialog);
    const auto answer = answers_.find(dialog);
    if (answer == answers_.end()) {
        const auto message = unanswered_.find(dialog.first);
        Refuse(message != unanswered_.end() ? message->second(record)
                                            : "No input was given for \"" + caption + "\".");
        return results::DialogAnswer::Cancel;
    }
    for (const auto& [key, text] : answer->second) {
        const auto field = results::FindField(record, key);
        if (!field) {
            Refuse("\"" + caption + "\" has no field " + key + ".");
            return results::DialogAnswer::Cancel;
        }
        if (results::AssignFieldText(*field, text)) {
            RefuseValue(*field->rule, text);
            return results::DialogAnswer::Cancel;
        }
    }
    if (auto refusal = results::ValidateRecord(record)) {
        Refuse(refusal->message);
        return results::DialogAnswer::Cancel;
    }
    return results::DialogAnswer::Ok;
}

std::optional<std::string> CliPort::AskSaveFileName(const results::SaveFileRequest&) { return std::nullopt; }

}  // namespace tarnevo::cli
