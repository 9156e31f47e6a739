// The UiPort of the programs: Qt message boxes, input dialogs and the file dialog, shown modally on
// the GUI thread. A call from another thread is carried to the GUI thread and waits there for the
// operator; if the GUI thread has gone away the call answers No, cancel or no file.
#pragma once

#include <QStringList>
#include <string_view>

#include "forms/ui_port.h"

namespace forms {

class QtUiPort : public UiPort {
  public:
    void MessageBox(std::string_view title, std::string_view text, BoxIcon icon) override;
    void ShowMessage(std::string_view text) override;
    bool AskYesNo(std::string_view title, std::string_view text) override;
    std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                        std::string_view defaultText) override;
    std::optional<std::string> PasswordBox(std::string_view caption, std::string_view prompt) override;
    std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
};

// "INI file(*.ini)|*.ini" -> {"INI file (*.ini)"}: the file dialog's name filters from a filter of
// description and pattern pairs (patterns separated by ';').
QStringList QtNameFilters(std::string_view filter);

}  // namespace forms
