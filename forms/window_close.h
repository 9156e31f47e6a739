// How closing a program's main window ends the program.
//
// The main window's close handler first closes the windows it owns (its dialogs and tool windows, made
// with it as their parent), each with its own close question: a question answered No keeps every
// window open. A termination signal closes only the windows nobody owns, so it takes the same road.
// The program ends once its main window has closed, on the event loop's next pass, also when another
// window is shown between the two (Qt's own quit on the last window's close is a posted event that
// showing any window takes back, which would leave the process running with no window to close).
// GUI thread only.
#pragma once

class QWidget;

namespace forms {

// Closes every visible window that `owner` owns, the active modal one first; stops at the first that
// refuses. True when none is left visible.
bool CloseOwnedWindows(QWidget& owner);

// What a termination signal does: closes every visible window that no other window owns (the main
// window), as the operator's close button would, the active modal one first; stops at the first that
// refuses. True when none is left.
bool CloseApplicationWindows();

// From now on, once `mainWindow` has closed the application's event loop ends (exit code 0). Windows
// still open then (a box shown meanwhile) end with the loop. For the program entry: tests that close
// windows keep their loop.
void EndLoopWhenClosed(QWidget& mainWindow);

}  // namespace forms
