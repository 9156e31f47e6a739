#include "forms/application.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <exception>
#include <string>

#include "forms/ui_port.h"
#include "forms/window_close.h"

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

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

void CloseWindowsOnTerminationSignals() {
    if (g_signalPipe[0] >= 0 || QApplication::instance() == nullptr) return;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        // A signal while the windows close (a close question is up) changes nothing: closing the
        // question's box would answer it No.
        static bool closing = false;
        if (closing) return;
        closing = true;
        CloseApplicationWindows();
        closing = false;
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void RestoreNumericLocale() {
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace forms
