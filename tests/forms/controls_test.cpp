// The thin controls: ticks by the operator against check marks set by the program, the speed
// button's down state, the gauge's range, the labeled edit's label, and the colour rules.
#include "forms/controls.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "forms/colours.h"

namespace {

TEST(Controls, CheckListBoxRaisesClickCheckOnlyForTheOperatorsTick) {
    QWidget parent;
    forms::CheckListBox box(&parent);
    std::vector<int> clicks;
    QObject::connect(&box, &forms::CheckListBox::ClickCheck, [&](int i) { clicks.push_back(i); });
    box.AddItem("Flash Module", true);
    box.AddItem("Download");
    box.SetChecked(1, true);
    box.SetChecked(0, false);
    EXPECT_TRUE(clicks.empty());
    EXPECT_FALSE(box.Checked(0));
    EXPECT_TRUE(box.Checked(1));
    EXPECT_EQ(box.ItemText(1).toStdString(), "Download");
    box.item(0)->setCheckState(Qt::Checked);  // what a tick on the check mark does
    EXPECT_EQ(clicks, std::vector<int>{0});
    box.Clear();
    EXPECT_EQ(box.Count(), 0);
    EXPECT_TRUE(box.ItemText(5).isEmpty());
    EXPECT_FALSE(box.Checked(5));
}

TEST(Controls, SpeedButtonDownIsItsCheckedStateAndTheProgramRaisesNoClick) {
    QWidget parent;
    forms::SpeedButton button(&parent);
    int clicks = 0;
    QObject::connect(&button, &QToolButton::clicked, [&] { ++clicks; });
    button.SetDown(true);
    EXPECT_TRUE(button.Down());
    EXPECT_EQ(clicks, 0);
    button.click();
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(clicks, 1);
}

TEST(Controls, GaugeHoldsZeroToHundred) {
    QWidget parent;
    forms::TCGauge gauge(&parent);
    for (const auto& [given, shown] : {std::pair{50, 50}, {-3, 0}, {180, 100}, {100, 100}}) {
        gauge.SetProgress(given);
        EXPECT_EQ(gauge.Progress(), shown) << given;
    }
}

TEST(Controls, LabeledEditCarriesItsLabel) {
    QWidget parent;
    forms::LabeledEdit edit(&parent, forms::LabeledEdit::LabelPosition::Left);
    edit.setGeometry(100, 10, 80, 20);
    edit.SetCaption("Port 3: SN");
    EXPECT_EQ(edit.Caption().toStdString(), "Port 3: SN");
    EXPECT_LT(edit.EditLabel()->x() + edit.EditLabel()->width(), 101);
    edit.hide();
    EXPECT_TRUE(edit.EditLabel()->isHidden());
    edit.show();
    EXPECT_FALSE(edit.EditLabel()->isHidden());
    edit.setMaxLength(20);
    edit.SetText(QString(30, 'x'));
    EXPECT_EQ(edit.text().size(), 20);
}

TEST(Colours, ValuesAreBlueGreenRedAndSystemColoursArePaletteRoles) {
    EXPECT_EQ(forms::ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(forms::ToQColor(0x00FF00), QColor(0, 255, 0));
    EXPECT_EQ(forms::ToQColor(0xC0DCC0), QColor(0xC0, 0xDC, 0xC0));
    EXPECT_EQ(forms::SystemColourRole(forms::clWindow), QPalette::Base);
    EXPECT_EQ(forms::SystemColourRole(forms::clBtnFace), QPalette::Button);
    EXPECT_EQ(forms::SystemColourRole(forms::clInfoBk), QPalette::ToolTipBase);
    EXPECT_EQ(forms::ToQColor(forms::clBtnFace), QApplication::palette().color(QPalette::Button));

    QWidget parent;
    QFrame panel(&parent);
    QLineEdit edit(&parent);
    EXPECT_EQ(forms::ColourOf(&panel), forms::clBtnFace);
    forms::SetColour(&panel, 0x00FFFF);
    forms::SetColour(&edit, forms::clWindow);
    EXPECT_EQ(forms::ColourOf(&panel), 0x00FFFFu);
    EXPECT_EQ(panel.palette().color(panel.backgroundRole()), QColor(255, 255, 0));
    EXPECT_EQ(forms::ColourOf(&edit), forms::clWindow);
    EXPECT_EQ(edit.palette().color(edit.backgroundRole()), QApplication::palette().color(QPalette::Base));
}

TEST(Controls, RadioGroupKeepsOneItemOrNoneAndRaisesClickOnlyForThePick) {
    QWidget parent;
    forms::RadioGroup group("Erase Blocks", &parent);
    group.resize(200, 80);
    group.SetItems({"Erase All Blocks", "Only Erase Result Blocks"});
    std::vector<int> clicks;
    QObject::connect(&group, &forms::RadioGroup::Click, [&](int i) { clicks.push_back(i); });
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(1);
    EXPECT_EQ(group.ItemIndex(), 1);
    group.SetItemIndex(-1);
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(7);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_TRUE(clicks.empty());
    group.findChildren<QAbstractButton*>()[0]->click();
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_EQ(clicks, std::vector<int>{0});
    EXPECT_EQ(group.ItemText(1).toStdString(), "Only Erase Result Blocks");
    EXPECT_TRUE(group.ItemText(2).isEmpty());
}

TEST(Controls, RadioGroupIndexPastTheLastItemClearsOrChecksTheLastAsAsked) {
    using PastLast = forms::RadioGroup::PastLast;
    struct Case {
        PastLast pastLast;
        QStringList items;
        int before;
        int set;
        int after;
    };
    const Case cases[] = {
        {PastLast::Clear, {"Once", "Multiple"}, 0, 2, -1},       // the settings pages' rule
        {PastLast::CheckLast, {"Once", "Multiple"}, -1, 2, 1},   // the fixture window's rule
        {PastLast::CheckLast, {"Once", "Multiple"}, 0, 7, 1},    // far past it
        {PastLast::CheckLast, {"Once", "Multiple"}, 1, 0, 0},    // an item is an item
        {PastLast::CheckLast, {"Once", "Multiple"}, 1, -1, -1},  // -1 still clears
        {PastLast::CheckLast, {}, -1, 3, -1},                    // no last item to check
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "past last " << static_cast<int>(c.pastLast) << ", " << c.items.size()
                                          << " items, " << c.before << " then " << c.set);
        QWidget parent;
        forms::RadioGroup group("Mode", &parent, c.pastLast);
        group.SetItems(c.items);
        std::vector<int> clicks;
        QObject::connect(&group, &forms::RadioGroup::Click, [&](int i) { clicks.push_back(i); });
        group.SetItemIndex(c.before);
        ASSERT_EQ(group.ItemIndex(), c.before);
        group.SetItemIndex(c.set);
        EXPECT_EQ(group.ItemIndex(), c.after);
        EXPECT_TRUE(clicks.empty());
    }
}

TEST(Controls, RadioGroupInALayoutKeepsRoomForEveryRow) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* group = new forms::RadioGroup("Boot Loader", &window, forms::RadioGroup::PastLast::CheckLast);
    group->SetItems({"NO", "YES", "Power Ctrl Test Items"});
    layout->addWidget(group);
    layout->addStretch(1);
    window.resize(60, 400);  // narrower than the group asks: the layout must hold the window wider
    window.show();
    QApplication::processEvents();
    const auto buttons = group->findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 3);
    for (const QAbstractButton* b : buttons) {
        SCOPED_TRACE(b->text().toStdString());
        EXPECT_TRUE(group->rect().contains(b->geometry())) << "the row is cut by the group's frame";
        EXPECT_GE(b->width(), b->sizeHint().width()) << "the caption is cut";
    }
}

TEST(Controls, ShapeKeepsItsBrushColourInTheColourProperty) {
    QWidget parent;
    forms::Shape shape(&parent);
    shape.SetBrushColour(0xC0DCC0);
    EXPECT_EQ(shape.BrushColour(), 0xC0DCC0u);
    EXPECT_EQ(forms::ColourOf(&shape), 0xC0DCC0u);
}

}  // namespace
