#include "dialogs/radio_group.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dialogs {

RadioGroup::RadioGroup(QWidget* parent, const QString& caption, const QStringList& items, int itemIndex)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        layout->addWidget(button);
    }
    SetItemIndex(itemIndex);
}

int RadioGroup::ItemIndex() const {
    return group_->checkedId();
}

void RadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = group_->button(index)) {
        button->setChecked(true);
        return;
    }
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons()) b->setChecked(false);
    group_->setExclusive(true);
}

}  // namespace dialogs
