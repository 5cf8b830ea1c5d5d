#include "tests/support/scripted_port.h"

#include <gtest/gtest.h>

namespace tarnevo::testing {

ScriptedPort::~ScriptedPort() {
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " scripted step(s) never happened";
}

ScriptedPort& ScriptedPort::ExpectMessage(std::string text, MessageAnswer answer) {
    steps_.push_back(MessageStep{std::move(text), std::nullopt, std::nullopt, std::nullopt, answer});
    return *this;
}

ScriptedPort& ScriptedPort::ExpectMessage(std::string text, MessageButtons buttons, MessageIcon icon,
                                          MessageModality modality, MessageAnswer answer) {
    steps_.push_back(MessageStep{std::move(text), buttons, icon, modality, answer});
    return *this;
}

ScriptedPort& ScriptedPort::ExpectMessageContaining(std::string part) {
    steps_.push_back(
        MessageStep{std::move(part), std::nullopt, std::nullopt, std::nullopt, MessageAnswer::Ok, true});
    return *this;
}

ScriptedPort& ScriptedPort::ExpectDialog(std::string caption,
                                         std::function<DialogAnswer(InputRecord&)> filler) {
    steps_.push_back(DialogStep{std::move(caption), std::move(filler)});
    return *this;
}

ScriptedPort& ScriptedPort::ExpectDialogEntries(std::string caption,
                                                std::vector<std::pair<std::string, std::string>> entries) {
    return ExpectDialog(std::move(caption), [entries](InputRecord& record) {
        for (const auto& [key, text] : entries) {
            const auto field = port::FindField(record, key);
            if (!field) return Fail("no field " + key);
            if (auto refusal = port::AssignFieldText(*field, text)) return Fail(key + ": " + *refusal);
        }
        return DialogAnswer::Ok;
    });
}

ScriptedPort& ScriptedPort::ExpectDialogCancel(std::string caption) {
    return ExpectDialog(std::move(caption), [](InputRecord&) { return DialogAnswer::Cancel; });
}

ScriptedPort& ScriptedPort::ExpectSaveFile(std::optional<std::string> path, std::string expectedInitialName) {
    steps_.push_back(SaveStep{std::move(path), std::move(expectedInitialName)});
    return *this;
}

ScriptedPort& ScriptedPort::ExpectLongWorkCancelled(std::string caption) {
    steps_.push_back(CancelStep{std::move(caption)});
    return *this;
}

DialogAnswer ScriptedPort::Fail(const std::string& what) {
    ADD_FAILURE() << what;
    return DialogAnswer::Cancel;
}

std::optional<ScriptedPort::Step> ScriptedPort::NextStep(const char* what) {
    if (steps_.empty()) {
        ADD_FAILURE() << "unexpected " << what << " after the script ended";
        return std::nullopt;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    return step;
}

MessageAnswer ScriptedPort::ShowMessage(const port::MessageRequest& request) {
    shown_.push_back(request.text);
    const auto step = NextStep(("message \"" + request.text + "\"").c_str());
    if (!step) return MessageAnswer::Cancel;
    const auto* expected = std::get_if<MessageStep>(&*step);
    if (expected == nullptr) {
        ADD_FAILURE() << "unexpected message \"" << request.text << "\"";
        return MessageAnswer::Cancel;
    }
    if (expected->partial) {
        EXPECT_NE(request.text.find(expected->text), std::string::npos) << request.text;
    } else {
        EXPECT_EQ(expected->text, request.text);
    }
    if (expected->buttons) {
        EXPECT_EQ(*expected->buttons, request.buttons) << request.text;
    }
    if (expected->icon) {
        EXPECT_EQ(*expected->icon, request.icon) << request.text;
    }
    if (expected->modality) {
        EXPECT_EQ(*expected->modality, request.modality) << request.text;
    }
    return expected->answer;
}

DialogAnswer ScriptedPort::RunDialog(InputRecord& record) {
    const std::string caption = record.Caption();
    const auto step = NextStep(("dialog \"" + caption + "\"").c_str());
    if (!step) return DialogAnswer::Cancel;
    const auto* expected = std::get_if<DialogStep>(&*step);
    if (expected == nullptr) return Fail("unexpected dialog \"" + caption + "\"");
    EXPECT_EQ(expected->caption, caption);
    const DialogAnswer answer = expected->filler(record);
    if (answer == DialogAnswer::Ok) {
        if (auto refusal = port::ValidateRecord(record)) {
            return Fail("the dialog \"" + caption + "\" would refuse its OK: " + refusal->message);
        }
    }
    return answer;
}

std::optional<std::string> ScriptedPort::AskSaveFileName(const port::SaveFileRequest& request) {
    lastSaveRequest_ = request;
    const auto step = NextStep("save-file dialog");
    if (!step) return std::nullopt;
    const auto* expected = std::get_if<SaveStep>(&*step);
    if (expected == nullptr) {
        ADD_FAILURE() << "unexpected save-file dialog";
        return std::nullopt;
    }
    if (!expected->expectedInitialName.empty()) {
        EXPECT_EQ(expected->expectedInitialName, request.initialName);
    }
    return expected->path;
}

namespace {

// The user's Cancel, pressed before the work's first report.
class CancelAtOnce : public core::WorkProgress {
public:
    bool KeepGoing(double /*fractionDone*/) override { return false; }
};

}  // namespace

core::WorkStatus ScriptedPort::RunLongWork(std::string_view caption, const port::LongWork& work) {
    const bool cancelScripted = !steps_.empty() && std::holds_alternative<CancelStep>(steps_.front());
    if (!cancelScripted) return UserInterfacePort::RunLongWork(caption, work);
    EXPECT_EQ(std::get<CancelStep>(steps_.front()).caption, caption);
    steps_.pop_front();
    // As on the desktop, a cancelled run counts as cancelled even when the work
    // ended before it noticed.
    CancelAtOnce cancel;
    work(cancel);
    return core::WorkStatus::Cancelled;
}

}  // namespace tarnevo::testing
