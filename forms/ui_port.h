// The one way the programs ask the operator something or tell them something in a modal box:
// message boxes, the Yes/No question, input and password boxes and the file-open dialog.
// Plain C++ (no Qt here), so code that asks can be tested with a scripted port.
// The program installs its port once at start-up; tests install a scripted one for their scope.
// Any thread may call a port; the Qt port shows its boxes on the GUI thread and the caller waits.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace forms {

enum class BoxIcon { None, Information, Warning, Error, Question };

// What the file-open dialog is given: a filter as "description|pattern|description|pattern"
// (patterns separated by ';'), the extension added to a typed name without one (".ini"), the folder
// it starts in (empty: the dialog's choice) and its title (empty: the default one).
struct OpenFileRequest {
    std::string filter;
    std::string defaultExtension;
    std::string initialFolder;
    std::string title;
};

class UiPort {
  public:
    virtual ~UiPort() = default;

    // A modal box with an OK button, the given title and icon.
    virtual void MessageBox(std::string_view title, std::string_view text, BoxIcon icon) = 0;
    // The plain message: the application's title, no icon.
    virtual void ShowMessage(std::string_view text) = 0;
    // A modal question with Yes and No; true for Yes (closing the box answers No).
    virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
    // A modal input box; the typed text, or nothing when cancelled.
    virtual std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                                std::string_view defaultText) = 0;
    // The same with every typed character shown as '*'.
    virtual std::optional<std::string> PasswordBox(std::string_view caption, std::string_view prompt) = 0;
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const OpenFileRequest& request) = 0;

    // The error box: title "Error", error icon.
    void ErrorBox(std::string_view text) { MessageBox("Error", text, BoxIcon::Error); }
};

// The installed port. Until one is installed: a port that traces every box's text and answers
// No, cancel and no file, so nothing waits for an operator who cannot see it.
UiPort& Ui();
// Installs `port` (not owned; null restores the default) and returns the previous one.
UiPort* InstallUiPort(UiPort* port);

// Installs a port for the lifetime of the guard (tests).
class ScopedUiPort {
  public:
    explicit ScopedUiPort(UiPort& port) : previous_(InstallUiPort(&port)) {}
    ~ScopedUiPort() { InstallUiPort(previous_); }
    ScopedUiPort(const ScopedUiPort&) = delete;
    ScopedUiPort& operator=(const ScopedUiPort&) = delete;

  private:
    UiPort* previous_;
};

}  // namespace forms
