// TAboutForm: the tool's name and two images, and the engineering switch: a press on the hidden
// corner shape (reached through the disabled panel above it) with Ctrl held shows the main window's
// advanced firmware settings in their "on" layout; any other press puts them back "off". Either
// press closes the box. The switch lasts until the program ends.
#pragma once

#include <QDialog>

#include "app/dialog_slots.h"

class QFrame;
class QLabel;
class QPlainTextEdit;

namespace dialogs {

// The About box's caption: "About Quorvane Tamrel MP/Sorting Tool" with every "Quorvane" replaced
// by "Quorv" and then every "Tamrel" by "TEV100x".
QString AboutCaption();
// Puts the main window's engineering controls (found by objectName; those that do not exist yet are
// skipped) into their "on" or "off" layout.
void ApplyEngineeringLayout(QWidget& mainWindow, bool on);

// The hidden shape: reports every mouse press with the keyboard modifiers held.
class PressShape : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
  signals:
    void Pressed(Qt::KeyboardModifiers modifiers);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace dialogs

class TAboutForm : public QDialog, public app::AboutBox {
    Q_OBJECT
  public:
    // `mainWindow` holds the controls the engineering switch changes (null: none).
    explicit TAboutForm(QWidget* mainWindow, QWidget* parent = nullptr);
    ~TAboutForm() override;

    void ShowModal() override;
    void FormShow(QObject* sender);
    void GodModeShapeMouseDown(Qt::KeyboardModifiers modifiers);
    bool GodMode() const { return m_ucGodMode != 0; }

    QFrame* InfoPanel = nullptr;
    QLabel* LogoImage = nullptr;
    QLabel* BottomImage = nullptr;
    QPlainTextEdit* InfoMemo = nullptr;
    dialogs::PressShape* GodModeShape = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* main_;
    std::uint8_t m_ucGodMode = 0;
};

// TAccessNandForm: created at start-up with the others, never shown, no behaviour.
class TAccessNandForm : public QDialog {
    Q_OBJECT
  public:
    explicit TAccessNandForm(QWidget* parent = nullptr);
};
