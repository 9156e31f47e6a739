// The application object of the programs: an exception thrown by any event handler is shown in
// the application's exception dialog (an error box titled with the application's title and
// holding the exception's message; empty for an object that is not a std::exception), and the
// event loop goes on. Making it puts LC_NUMERIC back to "C", so the library's number formats and
// the INI writers keep writing "." whatever the user's locale.
#pragma once

#include <QApplication>
#include <string_view>

namespace forms {

class Application : public QApplication {
  public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The application's exception dialog (modal, through the UiPort).
void ShowException(std::string_view message);
// Shows the exception in flight (call from a catch block).
void ShowCurrentException();
// LC_NUMERIC back to "C" (after Qt set the user's locale).
void RestoreNumericLocale();

}  // namespace forms
