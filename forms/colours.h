// Colours of the windows: values are 0x00BBGGRR (red in the low byte); values with the top byte
// 0xFF name a system colour, which maps to a palette role. Every coloured control also keeps the
// value it was given in its property "colour", which tests read.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

class QWidget;

namespace forms {

inline constexpr std::uint32_t clWindow = 0xFF000005;
inline constexpr std::uint32_t clBtnFace = 0xFF00000F;
inline constexpr std::uint32_t clInfoBk = 0xFF000018;
inline constexpr const char* kColourProperty = "colour";

// True for a system colour value.
constexpr bool IsSystemColour(std::uint32_t value) {
    return (value & 0xFF000000u) == 0xFF000000u;
}
// The palette role a system colour stands for (Window for an unknown one).
QPalette::ColorRole SystemColourRole(std::uint32_t value);
// The colour of a value: its bytes for a plain value, the application palette's role for a system one.
QColor ToQColor(std::uint32_t value);
// Paints the widget's background in `value` and keeps the value in its "colour" property.
void SetColour(QWidget* widget, std::uint32_t value);
// The value last given to SetColour (clBtnFace when none).
std::uint32_t ColourOf(const QWidget* widget);

// A read-out (a status text, a serial number, a gauge) keeps the look it has enabled while it, or a
// box around it, is disabled: its text, base and highlight colours are those of its enabled state.
// Locks disable whole boxes to stop input; the operator must still read what the box shows. Inputs
// (buttons, edits the operator types into) keep the disabled look: this is not for them.
void KeepLookWhenDisabled(QWidget* widget);

// Black or white, whichever stands out on `background` (0x00BBGGRR): black when the background's
// brightness (0.299 R + 0.587 G + 0.114 B) is 128 or more, else white.
std::uint32_t ReadableTextColour(std::uint32_t background);
// Brightness 0..255 of a 0x00BBGGRR value, as ReadableTextColour weighs it.
int Brightness(std::uint32_t value);
// Paints the widget's text (WindowText and Text of every colour group) in `value` (0x00BBGGRR).
void SetTextColour(QWidget* widget, std::uint32_t value);

}  // namespace forms
