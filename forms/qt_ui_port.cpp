#include "forms/qt_ui_port.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>

#include "forms/gui_call.h"

namespace forms {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QMessageBox::Icon QtIcon(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Information:
            return QMessageBox::Information;
        case BoxIcon::Warning:
            return QMessageBox::Warning;
        case BoxIcon::Error:
            return QMessageBox::Critical;
        case BoxIcon::Question:
            return QMessageBox::Question;
        case BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QWidget* Owner() {
    return QApplication::activeWindow();
}

void ShowBox(const QString& title, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, Owner());
    box.exec();
}

std::optional<std::string> AskText(std::string_view caption, std::string_view prompt, std::string_view defaultText,
                                   QLineEdit::EchoMode echo) {
    std::optional<std::string> answer;
    CallOnGui([&] {
        QInputDialog dialog(Owner());
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setWindowTitle(Q(caption));
        dialog.setLabelText(Q(prompt));
        dialog.setTextEchoMode(echo);
        dialog.setTextValue(Q(defaultText));
        if (dialog.exec() == QDialog::Accepted) answer = dialog.textValue().toStdString();
    });
    return answer;
}

}  // namespace

QStringList QtNameFilters(std::string_view filter) {
    QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList filters;
    if (filter.empty()) return filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QStringLiteral("*");
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0) description = description.left(open).trimmed();
        }
        filters << (description.isEmpty() ? patterns : description + QStringLiteral(" (") + patterns + u')');
    }
    return filters;
}

void QtUiPort::MessageBox(std::string_view title, std::string_view text, BoxIcon icon) {
    CallOnGui([&] { ShowBox(Q(title), Q(text), QtIcon(icon)); });
}

void QtUiPort::ShowMessage(std::string_view text) {
    CallOnGui([&] { ShowBox(QGuiApplication::applicationDisplayName(), Q(text), QMessageBox::NoIcon); });
}

bool QtUiPort::AskYesNo(std::string_view title, std::string_view text) {
    bool yes = false;
    CallOnGui([&] {
        QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, Owner());
        box.setDefaultButton(QMessageBox::Yes);
        yes = box.exec() == QMessageBox::Yes;
    });
    return yes;
}

std::optional<std::string> QtUiPort::InputBox(std::string_view caption, std::string_view prompt,
                                              std::string_view defaultText) {
    return AskText(caption, prompt, defaultText, QLineEdit::Normal);
}

std::optional<std::string> QtUiPort::PasswordBox(std::string_view caption, std::string_view prompt) {
    return AskText(caption, prompt, {}, QLineEdit::Password);
}

std::optional<std::string> QtUiPort::OpenFile(const OpenFileRequest& request) {
    std::optional<std::string> path;
    CallOnGui([&] {
        QFileDialog dialog(Owner(), Q(request.title), Q(request.initialFolder));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        const QStringList filters = QtNameFilters(request.filter);
        if (!filters.isEmpty()) dialog.setNameFilters(filters);
        QString suffix = Q(request.defaultExtension);
        while (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
        if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
        }
    });
    return path;
}

}  // namespace forms
