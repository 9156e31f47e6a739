#include "forms/scroll_page.h"

#include <QChildEvent>
#include <QEvent>

namespace forms {

namespace {

constexpr int kMargin = 4;

}  // namespace

ScrollPage::ScrollPage(QWidget* page, const QString& name, QWidget* parent) : QScrollArea(parent) {
    setObjectName(name);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setWidget(page);
    page->installEventFilter(this);
    for (QObject* child : page->children()) Follow(child);
    Refit();
}

void ScrollPage::Follow(QObject* child) {
    if (child->isWidgetType()) child->installEventFilter(this);
}

void ScrollPage::Refit() {
    QWidget* page = widget();
    if (page == nullptr) return;
    QRect box;
    for (QObject* o : page->children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (child != nullptr && !child->isWindow() && !child->isHidden()) box |= child->geometry();
    }
    const QSize needed = box.isValid() ? QSize(box.right() + 1 + kMargin, box.bottom() + 1 + kMargin) : QSize(0, 0);
    if (page->minimumSize() != needed) page->setMinimumSize(needed);
}

bool ScrollPage::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded:
            if (watched == widget()) Follow(static_cast<QChildEvent*>(event)->child());
            break;
        case QEvent::ChildRemoved:
            if (watched == widget()) Refit();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            if (watched != widget()) Refit();
            break;
        default:
            break;
    }
    return QScrollArea::eventFilter(watched, event);
}

}  // namespace forms
