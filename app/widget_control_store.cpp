#include "app/widget_control_store.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QWidget>
#include <stdexcept>

#include "forms/controls.h"

namespace app {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

QWidget* WidgetControlStore::Find(const std::string& name) const {
    if (root_.objectName().toStdString() == name) return &root_;
    auto* w = root_.findChild<QWidget*>(Q(name));
    if (w == nullptr) throw std::out_of_range("no control named " + name);
    return w;
}

std::string WidgetControlStore::Text(const std::string& name) const {
    QWidget* w = Find(name);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
    if (auto* s = qobject_cast<QSpinBox*>(w)) return std::to_string(s->value());
    if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText().toStdString();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
    return {};
}

void WidgetControlStore::SetText(const std::string& name, const std::string& text) {
    QWidget* w = Find(name);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (e->text() != Q(text)) e->setText(Q(text));
    } else if (auto* s = qobject_cast<QSpinBox*>(w)) {
        // As the form library's spin edit: a value outside its limits is brought within them.
        s->setValue(Q(text).toInt());
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        m->setPlainText(Q(text));
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(Q(text));
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(Q(text));
    }
}

int WidgetControlStore::ItemIndex(const std::string& name) const {
    QWidget* w = Find(name);
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentIndex();
    if (auto* r = qobject_cast<forms::RadioGroup*>(w)) return r->ItemIndex();
    if (auto* l = qobject_cast<forms::CheckListBox*>(w)) return l->currentRow();
    return -1;
}

void WidgetControlStore::SetItemIndex(const std::string& name, int index) {
    QWidget* w = Find(name);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    } else if (auto* r = qobject_cast<forms::RadioGroup*>(w)) {
        r->SetItemIndex(index);
    } else if (auto* l = qobject_cast<forms::CheckListBox*>(w)) {
        l->setCurrentRow(index);
    }
}

std::vector<std::string> WidgetControlStore::Items(const std::string& name) const {
    QWidget* w = Find(name);
    std::vector<std::string> items;
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < c->count(); ++i) items.push_back(c->itemText(i).toStdString());
    } else if (auto* r = qobject_cast<forms::RadioGroup*>(w)) {
        for (int i = 0; i < r->Count(); ++i) items.push_back(r->ItemText(i).toStdString());
    } else if (auto* l = qobject_cast<forms::CheckListBox*>(w)) {
        for (int i = 0; i < l->Count(); ++i) items.push_back(l->ItemText(i).toStdString());
    }
    return items;
}

void WidgetControlStore::SetItems(const std::string& name, const std::vector<std::string>& items) {
    QWidget* w = Find(name);
    QStringList list;
    for (const std::string& s : items) list << Q(s);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->clear();
        c->addItems(list);
        c->setCurrentIndex(-1);
    } else if (auto* r = qobject_cast<forms::RadioGroup*>(w)) {
        r->SetItems(list);
    } else if (auto* l = qobject_cast<forms::CheckListBox*>(w)) {
        l->Clear();
        for (const QString& s : list) l->AddItem(s);
    }
}

bool WidgetControlStore::ItemChecked(const std::string& name, int index) const {
    auto* l = qobject_cast<forms::CheckListBox*>(Find(name));
    return l != nullptr && l->Checked(index);
}

void WidgetControlStore::SetItemChecked(const std::string& name, int index, bool checked) {
    if (auto* l = qobject_cast<forms::CheckListBox*>(Find(name))) l->SetChecked(index, checked);
}

bool WidgetControlStore::Checked(const std::string& name) const {
    auto* b = qobject_cast<QAbstractButton*>(Find(name));
    return b != nullptr && b->isChecked();
}

void WidgetControlStore::SetChecked(const std::string& name, bool checked) {
    if (auto* b = qobject_cast<QAbstractButton*>(Find(name))) b->setChecked(checked);
}

bool WidgetControlStore::Enabled(const std::string& name) const {
    return !Find(name)->testAttribute(Qt::WA_ForceDisabled);  // its own switch, as Visible
}

void WidgetControlStore::SetEnabled(const std::string& name, bool enabled) {
    Find(name)->setEnabled(enabled);
}

bool WidgetControlStore::Visible(const std::string& name) const {
    return !Find(name)->isHidden();
}

void WidgetControlStore::SetVisible(const std::string& name, bool visible) {
    QWidget* w = Find(name);
    if (w->isHidden() == visible) w->setVisible(visible);
}

int WidgetControlStore::Left(const std::string& name) const {
    return Find(name)->x();
}

void WidgetControlStore::SetLeft(const std::string& name, int left) {
    QWidget* w = Find(name);
    w->move(left, w->y());
}

void WidgetControlStore::SetHint(const std::string& name, const std::string& hint) {
    Find(name)->setToolTip(Q(hint));
}

}  // namespace app

namespace app {

std::uint32_t WidgetControlStore::Colour(const std::string& name) const {
    auto* shape = qobject_cast<forms::Shape*>(Find(name));
    return shape != nullptr ? shape->BrushColour() : 0;
}

void WidgetControlStore::SetColour(const std::string& name, std::uint32_t colour) {
    if (auto* shape = qobject_cast<forms::Shape*>(Find(name))) shape->SetBrushColour(colour);
}

}  // namespace app
