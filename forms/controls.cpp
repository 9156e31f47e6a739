#include "forms/controls.h"

#include <QRadioButton>
#include <algorithm>

#include "forms/colours.h"

namespace forms {

LabeledEdit::LabeledEdit(QWidget* parent, LabelPosition position)
    : QLineEdit(parent), label_(new QLabel(parent)), position_(position) {
    label_->setObjectName(QString());
    PlaceLabel();
}

void LabeledEdit::SetCaption(const QString& caption) {
    if (label_->text() == caption) return;
    label_->setText(caption);
    label_->adjustSize();
    PlaceLabel();
}

void LabeledEdit::SetLabelPosition(LabelPosition position) {
    position_ = position;
    PlaceLabel();
}

void LabeledEdit::SetText(const QString& text) {
    if (this->text() != text) setText(text);
}

void LabeledEdit::setVisible(bool visible) {
    QLineEdit::setVisible(visible);
    label_->setVisible(visible);
}

void LabeledEdit::moveEvent(QMoveEvent* event) {
    QLineEdit::moveEvent(event);
    PlaceLabel();
}

void LabeledEdit::PlaceLabel() {
    if (position_ == LabelPosition::Above) {
        label_->move(x(), y() - label_->sizeHint().height() - 1);
    } else {
        label_->move(x() - label_->sizeHint().width() - 4, y() + (height() - label_->sizeHint().height()) / 2);
    }
}

CheckListBox::CheckListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!programmatic_) emit ClickCheck(row(item));
    });
}

void CheckListBox::Clear() {
    programmatic_ = true;
    clear();
    programmatic_ = false;
}

void CheckListBox::AddItem(const QString& text, bool checked) {
    programmatic_ = true;
    auto* item = new QListWidgetItem(text, this);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    programmatic_ = false;
}

QString CheckListBox::ItemText(int index) const {
    const QListWidgetItem* it = item(index);
    return it != nullptr ? it->text() : QString();
}

bool CheckListBox::Checked(int index) const {
    const QListWidgetItem* it = item(index);
    return it != nullptr && it->checkState() == Qt::Checked;
}

void CheckListBox::SetChecked(int index, bool checked) {
    QListWidgetItem* it = item(index);
    if (it == nullptr) return;
    programmatic_ = true;
    it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    programmatic_ = false;
}

SpeedButton::SpeedButton(QWidget* parent) : QToolButton(parent) {
    setCheckable(true);
}

void SpeedButton::SetDown(bool down) {
    if (isChecked() != down) setChecked(down);
}

TCGauge::TCGauge(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
}

void TCGauge::SetProgress(int progress) {
    progress = std::clamp(progress, 0, 100);
    if (value() != progress) setValue(progress);
}

RadioGroup::RadioGroup(const QString& caption, QWidget* parent, PastLast pastLast)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)), pastLast_(pastLast) {
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) { emit Click(id); });
}

void RadioGroup::SetItems(const QStringList& items) {
    for (QAbstractButton* b : buttons_) {
        group_->removeButton(b);
        delete b;
    }
    buttons_.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QString());
        group_->addButton(button, i);
        buttons_.push_back(button);
    }
    PlaceButtons();
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    PlaceButtons();
}

namespace {
// The buttons' rows: below the title, one a row, inset from the frame.
constexpr int kRadioTop = 18;
constexpr int kRadioRowHeight = 20;
constexpr int kRadioInset = 8;
}  // namespace

void RadioGroup::PlaceButtons() {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setGeometry(kRadioInset, kRadioTop + kRadioRowHeight * static_cast<int>(i),
                                 std::max(40, width() - 2 * kRadioInset), kRadioRowHeight);
    }
}

QSize RadioGroup::minimumSizeHint() const {
    int width = QGroupBox::minimumSizeHint().width();
    for (const QAbstractButton* b : buttons_) width = std::max(width, b->sizeHint().width() + 2 * kRadioInset);
    return {width, kRadioTop + kRadioRowHeight * Count() + kRadioInset};
}

QSize RadioGroup::sizeHint() const {
    return minimumSizeHint();
}

QString RadioGroup::ItemText(int index) const {
    return index >= 0 && index < Count() ? buttons_[static_cast<std::size_t>(index)]->text() : QString();
}

int RadioGroup::ItemIndex() const {
    return group_->checkedId();
}

void RadioGroup::SetItemIndex(int index) {
    if (pastLast_ == PastLast::CheckLast && index >= Count()) index = Count() - 1;
    if (index == ItemIndex()) return;
    if (index >= 0 && index < Count()) {
        buttons_[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked: lift the rule to clear it.
    group_->setExclusive(false);
    for (QAbstractButton* b : buttons_) b->setChecked(false);
    group_->setExclusive(true);
}

Shape::Shape(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    SetColour(this, 0x00FFFFFF);
}

std::uint32_t Shape::BrushColour() const {
    return ColourOf(this);
}

void Shape::SetBrushColour(std::uint32_t colour) {
    SetColour(this, colour);
}

}  // namespace forms
