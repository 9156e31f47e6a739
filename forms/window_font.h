// The windows' font. Every window is laid out in pixels for Tahoma 8 pt, which is 11 pixels at the
// 96 dots per inch the layouts were drawn at; the font is set in pixels so that it scales with the
// layouts (Qt's device-pixel scaling) rather than with the screen's logical dots per inch.
//
// Debian has no Tahoma; the package fonts-wine installs Tahoma-metric faces (tahoma.ttf and
// tahomabd.ttf, same advances) outside fontconfig's folders. UseWindowFont registers them for this
// process when the system has no "Tahoma" family, then makes Tahoma the application's font. With
// neither, the system font stays: the windows still work, but captions laid out for Tahoma's widths
// may be cut. Call it once, after the application object exists and before any window is made (both
// programs' entries, and the test programs that measure the windows).
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace forms {

inline constexpr const char* kWindowFontFamily = "Tahoma";
inline constexpr int kWindowFontPixels = 11;

// Where the Tahoma-metric faces are looked for, regular face first.
QStringList WindowFontFiles();
// Tahoma 11 pixels.
QFont WindowFont();
// Registers the faces when the system lacks the family, and sets the application font to
// WindowFont() when the family is then present. Returns the family the application font resolves to.
QString UseWindowFont();

}  // namespace forms
