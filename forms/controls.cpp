#include "forms/controls.h"

#include <algorithm>

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

}  // namespace forms
