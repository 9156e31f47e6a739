#include "forms/window_font.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>

namespace forms {

QStringList WindowFontFiles() {
    return {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"};
}

QFont WindowFont() {
    QFont font(QString::fromLatin1(kWindowFontFamily));
    font.setPixelSize(kWindowFontPixels);
    return font;
}

QString UseWindowFont() {
    const QString family = QString::fromLatin1(kWindowFontFamily);
    if (!QFontDatabase::hasFamily(family)) {
        for (const QString& file : WindowFontFiles()) {
            if (QFile::exists(file)) QFontDatabase::addApplicationFont(file);
        }
    }
    if (QFontDatabase::hasFamily(family)) QApplication::setFont(WindowFont());
    return QFontInfo(QApplication::font()).family();
}

}  // namespace forms
