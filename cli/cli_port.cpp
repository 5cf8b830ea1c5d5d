#include "cli/cli_port.h"

#include <algorithm>

#include "cli/arguments.h"
#include "cli/terminal_progress.h"

namespace tarnevo::cli {

void CliPort::Refuse(const std::string& message) {
    errors_ << message << '\n';
    refused_ = true;
}

// "--charge: an integer from -30 to 30 is required, not 'x'"
void CliPort::RefuseValue(const port::FieldSpec& rule, const std::string& text) {
    const std::string key(rule.key);
    const auto named = optionNames_.find(key);
    const std::string option = named != optionNames_.end() ? named->second : "--" + key;
    Refuse(option + ": " + port::AcceptedValues(rule) + ", not '" + Echoed(text) + "'");
    badValue_ = true;
}

std::optional<std::string> CliPort::UnaskedComplaint() const {
    for (const auto& [dialog, complaint] : expected_) {
        if (asked_.count(dialog) == 0) return complaint;
    }
    return std::nullopt;
}

port::MessageAnswer CliPort::ShowMessage(const port::MessageRequest& request) {
    Refuse(request.text);
    switch (request.buttons) {
        case port::MessageButtons::Ok:
            return port::MessageAnswer::Ok;
        case port::MessageButtons::RetryCancel:
            return port::MessageAnswer::Cancel;
        case port::MessageButtons::YesNo:
            return port::MessageAnswer::No;
    }
    return port::MessageAnswer::Cancel;
}

port::DialogAnswer CliPort::RunDialog(port::InputRecord& record) {
    const DialogKey dialog{std::type_index(typeid(record)), record.Subject()};
    const std::string caption = record.Caption();
    asked_.insert(dialog);
    const auto answer = answers_.find(dialog);
    if (answer == answers_.end()) {
        const auto message = unanswered_.find(dialog.first);
        Refuse(message != unanswered_.end() ? message->second(record)
                                            : "No input was given for \"" + caption + "\".");
        return port::DialogAnswer::Cancel;
    }
    const std::vector<port::FieldBinding> fields = FieldsOf(record);
    for (const auto& [key, text] : answer->second) {
        const auto field = std::find_if(
            fields.begin(), fields.end(),
            [&answered = key](const port::FieldBinding& bound) { return bound.rule->key == answered; });
        if (field == fields.end()) {
            Refuse("\"" + caption + "\" has no field " + key + ".");
            return port::DialogAnswer::Cancel;
        }
        if (port::AssignFieldText(*field, text)) {
            RefuseValue(*field->rule, text);
            return port::DialogAnswer::Cancel;
        }
    }
    for (const port::FieldBinding& field : fields) {
        if (auto message = port::ValidateField(field)) {
            Refuse(*message);
            return port::DialogAnswer::Cancel;
        }
    }
    return port::DialogAnswer::Ok;
}

std::vector<port::FieldBinding> CliPort::FieldsOf(port::InputRecord& record) const {
    std::vector<port::FieldBinding> fields = record.Fields();
    for (port::FieldBinding& field : fields) {
        if (const auto wider = widened_.find(std::string(field.rule->key)); wider != widened_.end())
            field.rule = wider->second;
    }
    return fields;
}

std::optional<std::string> CliPort::AskSaveFileName(const port::SaveFileRequest&) { return std::nullopt; }

core::WorkStatus CliPort::RunLongWork(std::string_view caption, const port::LongWork& work) {
    TerminalProgress progress{std::string(caption)};
    return work(progress);
}

}  // namespace tarnevo::cli
