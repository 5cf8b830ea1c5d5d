// The user-interface port of the command line: dialogs are answered from the
// arguments (by the dialog's record type and subject, and field key, checked by
// the same validator as the desktop dialogs), messages go to standard error, and every question is
// answered so that the command ends (Cancel, No).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

#include "port/ui_port.h"

namespace tarnevo::cli {

using FieldEntries = std::vector<std::pair<std::string, std::string>>;

// One dialog as the command line knows it: the type of its record and the
// record's subject (the element of a per-element dialog; 0 otherwise). Captions
// are for people: two dialogs may share one.
using DialogKey = std::pair<std::type_index, int>;

template <typename Record>
DialogKey DialogOf(int subject = 0) {
    return {std::type_index(typeid(Record)), subject};
}

// The message for a dialog that comes up without prepared entries.
using UnansweredMessage = std::function<std::string(const port::InputRecord&)>;

class CliPort : public port::UserInterfacePort {
public:
    explicit CliPort(std::ostream& errors) : errors_(errors) {}

    // The entries that answer this dialog.
    void Answer(const DialogKey& dialog, FieldEntries entries) { answers_[dialog] = std::move(entries); }
    // The message printed when a dialog of this record type comes up without
    // prepared entries, whatever its subject.
    template <typename Record>
    void WhenUnanswered(UnansweredMessage message) {
        unanswered_.insert_or_assign(std::type_index(typeid(Record)), std::move(message));
    }

    // The option an answer's field came from, for messages: "--ru-range" for the
    // field min-ru, say. Without one the field's key is named as "--key".
    void NameOption(const std::string& key, std::string option) { optionNames_[key] = std::move(option); }
    // The rule that checks this field in place of its dialog's own, for a
    // field the command line takes over a wider range than the desktop's
    // dialog: the formula search's charge, up to the ion types' 30 where its
    // dialog stops at 10. The rule must bind the same type as the field.
    void Widen(const port::FieldSpec& rule) { widened_.insert_or_assign(std::string(rule.key), &rule); }
    // A dialog whose prepared answer must be asked for: when the calculation
    // succeeds without asking it, UnaskedComplaint() returns the complaint (a
    // --define for an element the formula does not hold, say).
    void ExpectAsked(const DialogKey& dialog, std::string complaint) {
        expected_[dialog] = std::move(complaint);
    }
    std::optional<std::string> UnaskedComplaint() const;

    bool Refused() const { return refused_; }
    // A prepared answer was not a value its field accepts: a usage error, not a
    // refusal of the calculation.
    bool BadValue() const { return badValue_; }

    port::MessageAnswer ShowMessage(const port::MessageRequest& request) override;
    port::DialogAnswer RunDialog(port::InputRecord& record) override;
    std::optional<std::string> AskSaveFileName(const port::SaveFileRequest& request) override;
    // Runs the work here, with its progress on standard error when that is a
    // terminal and the work outlasts a second.
    core::WorkStatus RunLongWork(std::string_view caption, const port::LongWork& work) override;

private:
    void Refuse(const std::string& message);
    void RefuseValue(const port::FieldSpec& rule, const std::string& text);
    // The record's fields, each checked by its widened rule where it has one.
    std::vector<port::FieldBinding> FieldsOf(port::InputRecord& record) const;

    std::ostream& errors_;
    std::map<DialogKey, FieldEntries> answers_;
    std::map<std::type_index, UnansweredMessage> unanswered_;
    std::map<std::string, std::string> optionNames_;
    std::map<std::string, const port::FieldSpec*> widened_;
    std::map<DialogKey, std::string> expected_;
    std::set<DialogKey> asked_;
    bool refused_ = false;
    bool badValue_ = false;
};

}  // namespace tarnevo::cli
