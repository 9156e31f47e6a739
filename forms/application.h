// The application object of the programs: an exception thrown by any event handler is shown in
// the application's exception dialog (an error box titled with the application's title and
// holding the exception's message; empty for an object that is not a std::exception), and the
// event loop goes on. Making it puts LC_NUMERIC back to "C", so the library's number formats and
// the INI writers keep writing "." whatever the user's locale. Qt's own event code is not
// exception-safe: what it held for the event an exception unwinds through is not freed (a few hundred
// bytes that AddressSanitizer reports), so handlers should still not throw as a habit.
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
// SIGTERM, SIGINT and SIGHUP close the application's windows on the GUI thread, as the operator's
// close would (so a session's end or Ctrl-C still writes the settings and counters back). Call once,
// after the application object exists. What a signal closes: forms::CloseApplicationWindows
// (window_close.h). A signal that comes while the windows close is ignored.
void CloseWindowsOnTerminationSignals();

}  // namespace forms
