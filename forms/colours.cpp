#include "forms/colours.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace forms {

QPalette::ColorRole SystemColourRole(std::uint32_t value) {
    switch (value) {
        case clWindow:
            return QPalette::Base;
        case clBtnFace:
            return QPalette::Button;
        case clInfoBk:
            return QPalette::ToolTipBase;
        default:
            return QPalette::Window;
    }
}

QColor ToQColor(std::uint32_t value) {
    if (IsSystemColour(value)) return QApplication::palette().color(SystemColourRole(value));
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

void SetColour(QWidget* widget, std::uint32_t value) {
    if (widget == nullptr) return;
    const QVariant old = widget->property(kColourProperty);
    if (old.isValid() && old.toUInt() == value) return;
    widget->setProperty(kColourProperty, QVariant::fromValue(value));
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), ToQColor(value));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

std::uint32_t ColourOf(const QWidget* widget) {
    const QVariant v = widget != nullptr ? widget->property(kColourProperty) : QVariant();
    return v.isValid() ? v.toUInt() : clBtnFace;
}

void KeepLookWhenDisabled(QWidget* widget) {
    if (widget == nullptr) return;
    // The roles a read-out draws its content with. The background roles (Window, Button and the
    // shades derived from them) are left to the widget's parent, whose colour (SetColour) applies
    // to every group anyway.
    static constexpr QPalette::ColorRole kContent[] = {
        QPalette::WindowText, QPalette::Text,          QPalette::ButtonText,      QPalette::BrightText,
        QPalette::Base,       QPalette::AlternateBase, QPalette::Highlight,       QPalette::HighlightedText,
        QPalette::Link,       QPalette::LinkVisited,   QPalette::PlaceholderText, QPalette::ToolTipText};
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : kContent) {
        palette.setBrush(QPalette::Disabled, role, palette.brush(QPalette::Active, role));
    }
    widget->setPalette(palette);
}

int Brightness(std::uint32_t value) {
    const int r = static_cast<int>(value & 0xFF), g = static_cast<int>((value >> 8) & 0xFF),
              b = static_cast<int>((value >> 16) & 0xFF);
    return (299 * r + 587 * g + 114 * b) / 1000;
}

std::uint32_t ReadableTextColour(std::uint32_t background) {
    return Brightness(background) >= 128 ? 0x000000u : 0xFFFFFFu;
}

void SetTextColour(QWidget* widget, std::uint32_t value) {
    if (widget == nullptr) return;
    const QColor colour = ToQColor(value);
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, role, colour);
        }
    }
    widget->setPalette(palette);
}

}  // namespace forms
