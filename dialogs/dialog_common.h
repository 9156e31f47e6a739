// What the dialogs share: centring on the screen (left = (screen width - width) / 2, top likewise,
// rounded toward zero), the narrow text of a control, and the lines of their memos.
#pragma once

#include <QString>
#include <string>

class QPlainTextEdit;
class QWidget;

namespace dialogs {

void CentreOnScreen(QWidget& window);
// A control's text as the form library's narrow conversion gives it: every character outside ASCII
// becomes "?".
std::string NarrowText(const QString& text);
// Appends a line to a memo as the form library's memo lines take it: "\r\n" and "\n" inside or at
// the end of the text break the line (a text ending in a line end leaves an empty line after it).
void AppendMemoLine(QPlainTextEdit& memo, const std::string& line);
// The port a window gives the procedures: -1 (every command fails) outside 0 to 127, never a low
// byte that could name another drive (a device number without a port has 0xFFFF).
int DrivePort(int port);

}  // namespace dialogs
