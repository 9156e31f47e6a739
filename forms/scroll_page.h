// A page of a tab widget that scrolls when the window is too small for it. The page keeps its
// controls at fixed places; its minimum size follows the controls that show (their bounding box and
// a small margin), so scroll bars appear exactly when a control would be cut and go when none
// would. Controls that move, resize, show or hide later (the engineering switch does) are followed.
#pragma once

#include <QScrollArea>

namespace forms {

class ScrollPage : public QScrollArea {
    Q_OBJECT
  public:
    // Takes `page` as its contents (objectName and all); `name` names the scroll area itself.
    ScrollPage(QWidget* page, const QString& name, QWidget* parent = nullptr);

    // Sets the page's minimum size from its shown controls now.
    void Refit();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Follow(QObject* child);
};

}  // namespace forms
