#include "forms/window_close.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

namespace forms {

namespace {

bool Owns(const QWidget& owner, const QWidget* window) {
    for (const QWidget* w = window->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (w == &owner) return true;
    }
    return false;
}

// The next visible window of `owner` not tried yet: the active modal one first, so a dialog that
// waits in its own loop ends before the windows under it.
QWidget* NextOwnedWindow(QWidget& owner, const QSet<QWidget*>& tried) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && !tried.contains(modal) && Owns(owner, modal)) return modal;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != &owner && w->isVisible() && !tried.contains(w) && Owns(owner, w)) return w;
    }
    return nullptr;
}

class EndOnClose : public QObject {
  public:
    explicit EndOnClose(QWidget& window) : QObject(&window), window_(&window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // The close event comes before the window decides; whether it closed is seen once it has.
        if (watched == window_ && event->type() == QEvent::Close) {
            QTimer::singleShot(0, this, [this] {
                if (window_ != nullptr && !window_->isVisible()) QCoreApplication::exit(0);
            });
        }
        return false;
    }

  private:
    QPointer<QWidget> window_;
};

}  // namespace

bool CloseOwnedWindows(QWidget& owner) {
    QSet<QWidget*> tried;
    while (QWidget* window = NextOwnedWindow(owner, tried)) {
        tried.insert(window);
        if (!window->close()) return false;
    }
    return true;
}

bool CloseApplicationWindows() {
    QSet<QWidget*> tried;
    auto untried = [&tried](QWidget* w) { return w != nullptr && w->isVisible() && !tried.contains(w); };
    for (;;) {
        // A modal window waiting in its own loop goes first, as the operator would answer it first.
        QWidget* next = QApplication::activeModalWidget();
        if (!untried(next)) {
            next = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->parentWidget() == nullptr && w->windowType() != Qt::Desktop && untried(w)) {
                    next = w;
                    break;
                }
            }
        }
        if (next == nullptr) return true;
        tried.insert(next);
        if (!next->close()) return false;
    }
}

void EndLoopWhenClosed(QWidget& mainWindow) {
    mainWindow.installEventFilter(new EndOnClose(mainWindow));
}

}  // namespace forms
