// The user-interface port of the command line: dialogs are answered from the
// arguments (by dialog caption and field key, checked by the same validator as
// the desktop dialogs), messages go to standard error, and every question is
// answered so that the command ends (Cancel, No).
#pragma once

#include <map>
#include <optional>
#include <set>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "results/ui_port.h"

namespace tarnevo::cli {

using FieldEntries = std::vector<std::pair<std::string, std::string>>;

class CliPort : public results::UserInterfacePort {
public:
    explicit CliPort(std::ostream& errors) : errors_(errors) {}

    // The entries that answer the dialog with this caption.
    void Answer(const std::string& caption, FieldEntries entries) { answers_[caption] = std::move(entries); }
    // The message printed when a dialog without prepared entries comes up whose
    // caption starts with captionPrefix; "%1" stands for the rest of the caption.
    void WhenUnanswered(const std::string& captionPrefix, std::string message) {
        unanswered_.emplace_back(captionPrefix, std::move(message));
    }

    // The option an answer's field came from, for messages: "--ru-range" for the
    // field min-ru, say. Without one the field's key is named as "--key".
    void NameOption(const std::string& key, std::string option) { optionNames_[key] = std::move(option); }
    // A dialog whose prepared answer must be asked for: when the calculation
    // succeeds without asking it, UnaskedComplaint() returns the complaint (a
    // --define for an element the formula does not hold, say).
    void ExpectAsked(const std::string& caption, std::string complaint) { expected_[caption] = std::move(complaint); }
    std::optional<std::string> UnaskedComplaint() const;

    bool Refused() const { return refused_; }
    // A prepared answer was not a value its field accepts: a usage error, not a
    // refusal of the calculation.
    bool BadValue() const { return badValue_; }

    results::MessageAnswer ShowMessage(const results::MessageRequest& request) override;
    results::DialogAnswer RunDialog(results::InputRecord& record) override;
    std::optional<std::string> AskSaveFileName(const results::SaveFileRequest& request) override;

private:
    void Refuse(const std::string& message);
    void RefuseValue(const results::FieldSpec& rule, const std::string& text);

    std::ostream& errors_;
    std::map<std::string, FieldEntries> answers_;
    std::vector<std::pair<std::string, std::string>> unanswered_;
    std::map<std::string, std::string> optionNames_;
    std::map<std::string, std::string> expected_;
    std::set<std::string> asked_;
    bool refused_ = false;
    bool badValue_ = false;
};

}  // namespace tarnevo::cli
