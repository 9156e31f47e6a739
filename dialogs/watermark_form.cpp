#include "dialogs/watermark_form.h"

#include <QBitmap>
#include <QEvent>
#include <QLabel>
#include <QPainter>

#include "forms/ini_file.h"
#include "platform/files.h"

namespace dialogs {

WatermarkSettings ReadWatermarkSettings() {
    const forms::IniFile ini(platform::ProgramFolder() / "Tamrel.ini");
    WatermarkSettings s;
    s.enabled = ini.ReadInteger("Setting", "EnWatermark", 0) != 0;
    s.text = ini.ReadString("Setting", "WatermarkString", "Watermark String");
    s.location = ini.ReadInteger("Setting", "WatermarkLocation", 0);
    return s;
}

QPoint WatermarkPlace(int location, QPoint mainTopLeft) {
    return location == 0 ? mainTopLeft + QPoint(220, 0) : QPoint(0, 0);
}

}  // namespace dialogs

TWatermarkForm::TWatermarkForm(QPoint mainTopLeft, QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
    setObjectName("WatermarkForm");
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(570, 60);
    WatermarkLabel = new QLabel(this);
    WatermarkLabel->setObjectName("WatermarkLabel");
    WatermarkLabel->move(0, 0);
    QFont font("Arial");
    font.setBold(true);
    font.setPixelSize(27);
    WatermarkLabel->setFont(font);
    WatermarkLabel->setStyleSheet("color: #FF0000; background: transparent;");
    const dialogs::WatermarkSettings s = dialogs::ReadWatermarkSettings();
    m_bEnWatermark = s.enabled;
    m_nWatermarkLocation = s.location;
    WatermarkLabel->setText(QString::fromStdString(s.text));
    WatermarkLabel->adjustSize();
    WatermarkLabel->setVisible(m_bEnWatermark);
    move(dialogs::WatermarkPlace(m_nWatermarkLocation, mainTopLeft));
    // Only the text's own pixels belong to the window, also where no compositor draws the
    // translucent background (as the desktop's transparent colour keeps only the label).
    QBitmap shape(size());
    shape.fill(Qt::color0);
    QPainter painter(&shape);
    painter.setFont(WatermarkLabel->font());
    painter.setPen(Qt::color1);
    painter.drawText(WatermarkLabel->geometry(), static_cast<int>(WatermarkLabel->alignment()), WatermarkLabel->text());
    painter.end();
    setMask(shape);
    if (owner != nullptr) owner->installEventFilter(this);
}

bool TWatermarkForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Show && isVisible()) raise();
    return QWidget::eventFilter(watched, event);
}

TWatermarkForm::~TWatermarkForm() {
    app::UnregisterIfCurrent<app::WatermarkWindow, app::RegisterWatermarkWindow>(this);
}

void TWatermarkForm::MoveTo(int left, int top) {
    move(left, top);
}
