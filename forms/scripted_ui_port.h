// A UiPort for tests: answers come from queues the test fills, and every box shown is recorded with
// its kind, title and text so a test can compare them byte for byte. An empty queue answers No,
// cancel or no file (and counts as unanswered). Safe to call from several threads.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "forms/ui_port.h"

namespace forms {

enum class BoxKind { Message, PlainMessage, YesNo, Input, Password, OpenFile };

struct ShownBox {
    BoxKind kind;
    std::string title;  // the caption; "" for the plain message, the request's title for a file dialog
    std::string text;   // the message or question; the prompt of an input box; the filter of a file dialog
    BoxIcon icon = BoxIcon::None;
    std::string defaultText;  // input box: the default text; file dialog: the initial folder
    bool operator==(const ShownBox&) const = default;
};

class ScriptedUiPort : public UiPort {
  public:
    // Queue answers, taken in order by the boxes of their kind.
    void AnswerYesNo(bool yes);
    void AnswerText(std::optional<std::string> text);  // input and password boxes
    void AnswerFile(std::optional<std::string> path);

    std::vector<ShownBox> Shown() const;
    std::size_t Unanswered() const;      // questions asked with an empty queue
    std::size_t PendingAnswers() const;  // answers queued but never asked for
    void Clear();

    void MessageBox(std::string_view title, std::string_view text, BoxIcon icon) override;
    void ShowMessage(std::string_view text) override;
    bool AskYesNo(std::string_view title, std::string_view text) override;
    std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                        std::string_view defaultText) override;
    std::optional<std::string> PasswordBox(std::string_view caption, std::string_view prompt) override;
    std::optional<std::string> OpenFile(const OpenFileRequest& request) override;

  private:
    std::optional<std::string> NextText();

    mutable std::mutex mutex_;
    std::vector<ShownBox> shown_;
    std::deque<bool> yesNo_;
    std::deque<std::optional<std::string>> texts_;
    std::deque<std::optional<std::string>> files_;
    std::size_t unanswered_ = 0;
};

}  // namespace forms
