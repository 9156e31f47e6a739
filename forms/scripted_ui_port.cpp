#include "forms/scripted_ui_port.h"

namespace forms {

void ScriptedUiPort::AnswerYesNo(bool yes) {
    std::lock_guard lock(mutex_);
    yesNo_.push_back(yes);
}

void ScriptedUiPort::AnswerText(std::optional<std::string> text) {
    std::lock_guard lock(mutex_);
    texts_.push_back(std::move(text));
}

void ScriptedUiPort::AnswerFile(std::optional<std::string> path) {
    std::lock_guard lock(mutex_);
    files_.push_back(std::move(path));
}

std::vector<ShownBox> ScriptedUiPort::Shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

std::size_t ScriptedUiPort::Unanswered() const {
    std::lock_guard lock(mutex_);
    return unanswered_;
}

std::size_t ScriptedUiPort::PendingAnswers() const {
    std::lock_guard lock(mutex_);
    return yesNo_.size() + texts_.size() + files_.size();
}

void ScriptedUiPort::Clear() {
    std::lock_guard lock(mutex_);
    shown_.clear();
    yesNo_.clear();
    texts_.clear();
    files_.clear();
    unanswered_ = 0;
}

void ScriptedUiPort::MessageBox(std::string_view title, std::string_view text, BoxIcon icon) {
    std::lock_guard lock(mutex_);
    shown_.push_back({BoxKind::Message, std::string(title), std::string(text), icon, {}});
}

void ScriptedUiPort::ShowMessage(std::string_view text) {
    std::lock_guard lock(mutex_);
    shown_.push_back({BoxKind::PlainMessage, {}, std::string(text), BoxIcon::None, {}});
}

bool ScriptedUiPort::AskYesNo(std::string_view title, std::string_view text) {
    std::lock_guard lock(mutex_);
    shown_.push_back({BoxKind::YesNo, std::string(title), std::string(text), BoxIcon::Question, {}});
    if (yesNo_.empty()) {
        ++unanswered_;
        return false;
    }
    const bool yes = yesNo_.front();
    yesNo_.pop_front();
    return yes;
}

std::optional<std::string> ScriptedUiPort::NextText() {
    if (texts_.empty()) {
        ++unanswered_;
        return std::nullopt;
    }
    std::optional<std::string> text = std::move(texts_.front());
    texts_.pop_front();
    return text;
}

std::optional<std::string> ScriptedUiPort::InputBox(std::string_view caption, std::string_view prompt,
                                                    std::string_view defaultText) {
    std::lock_guard lock(mutex_);
    shown_.push_back(
        {BoxKind::Input, std::string(caption), std::string(prompt), BoxIcon::None, std::string(defaultText)});
    return NextText();
}

std::optional<std::string> ScriptedUiPort::PasswordBox(std::string_view caption, std::string_view prompt) {
    std::lock_guard lock(mutex_);
    shown_.push_back({BoxKind::Password, std::string(caption), std::string(prompt), BoxIcon::None, {}});
    return NextText();
}

std::optional<std::string> ScriptedUiPort::OpenFile(const OpenFileRequest& request) {
    std::lock_guard lock(mutex_);
    shown_.push_back({BoxKind::OpenFile, request.title, request.filter, BoxIcon::None, request.initialFolder});
    if (files_.empty()) {
        ++unanswered_;
        return std::nullopt;
    }
    std::optional<std::string> path = std::move(files_.front());
    files_.pop_front();
    return path;
}

}  // namespace forms
