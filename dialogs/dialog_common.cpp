#include "dialogs/dialog_common.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWidget>

#include "transport/port_instance.h"

namespace dialogs {

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    window.move((area.width() - window.width()) / 2, (area.height() - window.height()) / 2);
}

std::string NarrowText(const QString& text) {
    std::string out;
    for (const char32_t c : text.toUcs4()) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

void AppendMemoLine(QPlainTextEdit& memo, const std::string& line) {
    QString text = QString::fromLatin1(line);
    text.replace("\r\n", "\n");
    memo.appendPlainText(text);
}

int DrivePort(int port) {
    return port >= 0 && port < kPortCount ? port : -1;
}

}  // namespace dialogs
