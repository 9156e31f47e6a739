#include "forms/application.h"

#include <clocale>
#include <exception>
#include <string>

#include "forms/ui_port.h"

namespace forms {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    RestoreNumericLocale();
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}

void ShowException(std::string_view message) {
    Ui().MessageBox(QGuiApplication::applicationDisplayName().toStdString(), message, BoxIcon::Error);
}

void ShowCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("");
    }
}

void RestoreNumericLocale() {
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace forms
