// The controls of the windows that Qt has no exact match for, as thin classes: the labeled edit,
// the check-list box, the speed button and the gauge. Each is found by its objectName.
#pragma once

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QToolButton>
#include <cstdint>
#include <string>
#include <vector>

namespace forms {

// A line edit with its attached label (EditLabel), which moves, shows and hides with it.
class LabeledEdit : public QLineEdit {
    Q_OBJECT
  public:
    enum class LabelPosition { Above, Left };
    explicit LabeledEdit(QWidget* parent, LabelPosition position = LabelPosition::Above);

    QLabel* EditLabel() const { return label_; }
    QString Caption() const { return label_->text(); }
    void SetCaption(const QString& caption);
    void SetLabelPosition(LabelPosition position);
    // Sets the text only when it differs (no repaint otherwise).
    void SetText(const QString& text);
    void setVisible(bool visible) override;

  protected:
    void moveEvent(QMoveEvent* event) override;

  private:
    void PlaceLabel();

    QLabel* label_;
    LabelPosition position_;
};

// Checkable entries. An operator's tick raises ClickCheck(index); a check mark set by the program
// (SetChecked, AddItem) raises nothing.
class CheckListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit CheckListBox(QWidget* parent);

    void Clear();
    void AddItem(const QString& text, bool checked = false);
    int Count() const { return count(); }
    QString ItemText(int index) const;
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);

  signals:
    void ClickCheck(int index);

  private:
    bool programmatic_ = false;
};

// The speed button: a checkable tool button whose "down" state is its checked state. Setting it
// from the program raises no click.
class SpeedButton : public QToolButton {
    Q_OBJECT
  public:
    explicit SpeedButton(QWidget* parent);
    bool Down() const { return isChecked(); }
    void SetDown(bool down);
};

// The gauge: progress 0 to 100.
class TCGauge : public QProgressBar {
    Q_OBJECT
  public:
    explicit TCGauge(QWidget* parent);
    int Progress() const { return value(); }
    // Clamped to 0..100; unchanged values do not repaint.
    void SetProgress(int progress);
};

// A group box of radio buttons, one per item, stacked in one column. ItemIndex is -1 when none is
// selected. Setting the index from the program raises nothing; an operator's pick raises Click.
// In a layout it asks for the room of its title and its rows.
class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    // What an index past the last item does: clear the selection (the settings pages and dialogs), or
    // check the last item (the fixture window's groups).
    enum class PastLast { Clear, CheckLast };

    RadioGroup(const QString& caption, QWidget* parent, PastLast pastLast = PastLast::Clear);

    void SetItems(const QStringList& items);
    int Count() const { return static_cast<int>(buttons_.size()); }
    QString ItemText(int index) const;
    int ItemIndex() const;
    // -1 (or any index below it) clears the selection; an index past the last item does what the
    // group's PastLast says.
    void SetItemIndex(int index);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void Click(int index);

  protected:
    // The buttons take the group's width, whenever it is set.
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceButtons();

    QButtonGroup* group_;
    std::vector<QAbstractButton*> buttons_;
    PastLast pastLast_;
};

// A plain filled shape: its brush colour is the "colour" property (0x00BBGGRR, forms/colours.h).
class Shape : public QFrame {
    Q_OBJECT
  public:
    explicit Shape(QWidget* parent);
    std::uint32_t BrushColour() const;
    void SetBrushColour(std::uint32_t colour);
};

}  // namespace forms
