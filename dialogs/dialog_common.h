// What the dialogs share: centring on the screen (left = (screen width - width) / 2, top likewise,
// rounded toward zero) and the narrow text of a control.
#pragma once

#include <QString>
#include <string>

class QWidget;

namespace dialogs {

void CentreOnScreen(QWidget& window);
// A control's text as the form library's narrow conversion gives it: every character outside ASCII
// becomes "?".
std::string NarrowText(const QString& text);

}  // namespace dialogs
