// What an operator sees wrong in a window, found by walking its controls as Qt draws them:
//   - a caption wider than the room its control draws it in (labels, push and tool buttons, check
//     boxes and radio buttons after their indicator, group-box titles, list-header sections), measured
//     with the control's own font and the style's metrics;
//   - a control reaching outside its parent, where it is cut (a scroll area's contents excepted: they
//     scroll);
//   - two visible controls of one parent lying over each other.
// The walk goes into every page of a tab widget (each brought to the front in turn), into a scroll
// area's contents, and into plain containers; it leaves the inner parts of Qt's own composite
// controls (a combo box's editor, a scroll area's bars) alone. Each finding names the control by its
// objectName path and quotes its caption.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace layout_test {

// Calls `visit` for every control of `root` that shows when `root` shows (root itself excluded).
void ForEachVisibleControl(QWidget& root, const std::function<void(QWidget&)>& visit);

// The captions of `root` that are cut.
std::vector<std::string> CutCaptions(QWidget& root);

// Controls outside their parent, and visible siblings that overlap.
std::vector<std::string> MisplacedControls(QWidget& root);

// "Parent/Child" by objectNames (class names where a control has none), for the findings.
std::string PathOf(const QWidget& widget);

// Joins findings one per line, for a test's failure message.
std::string Lines(const std::vector<std::string>& findings);

}  // namespace layout_test
