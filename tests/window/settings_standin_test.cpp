// The settings stand-ins behind the window: the test-item list by tool mode and its ticks, the
// handlers that trace until their pages come, and the watermark window following the main window.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/settings_pages.h"
#include "forms/ini_file.h"
#include "support/station_window.h"

namespace window_test {
namespace {

class SettingsStandIn : public StationWindowTest {};

std::vector<std::string> Entries(TMainForm& w) {
    std::vector<std::string> texts;
    for (int i = 0; i < w.FunCheckListBox->Count(); ++i) texts.push_back(w.FunCheckListBox->ItemText(i).toStdString());
    return texts;
}

TEST_F(SettingsStandIn, TheTestItemListFollowsTheToolModeAndTheTicksSetTheSwitches) {
    forms::IniFile settings(station_ / "RIVIDO.ini");
    settings.WriteInteger("Setting", "ToolMode", 1);
    settings.WriteInteger("TestItems", "EnCheckTemperature", 0);
    settings.WriteInteger("TestItems", "EnCheckRDTFW", 0);
    settings.WriteInteger("RDT", "RunSortingMode", 0);
    TMainForm& w = OpenWindow();
    EXPECT_EQ(Entries(w), (std::vector<std::string>{"Flash Module", "Bus Interface", "Flash Interface", "Dram Test",
                                                    "Erase Blocks", "Download", "Check RDT FW"}));
    EXPECT_TRUE(w.FunCheckListBox->Checked(6));
    EXPECT_EQ(AP_INIState.dwItemEnable[13], 1);
    EXPECT_EQ(AP_INIState.dwItemEnable[12], 0);

    AP_INIState.ToolMode = 0;
    AP_INIState.dwItemEnable[9] = 1;
    w.UpdateStruct2UI();
    EXPECT_EQ(Entries(w), (std::vector<std::string>{"Flash Module", "Bus Interface", "Flash Interface", "Dram Test",
                                                    "Preformat", "Download", "Upload", "R/W Test", "Check Tables"}));
    EXPECT_TRUE(w.FunCheckListBox->Checked(6));

    // In MP mode with Preformat selected, unchecking Download checks it again.
    w.FunCheckListBox->item(5)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(AP_INIState.dwItemEnable[8], 1);
    EXPECT_TRUE(w.FunCheckListBox->Checked(5));
    // Without Preformat, an operator's tick on "Download" sets its switch; a check set by the
    // program does not.
    w.FunCheckListBox->item(4)->setCheckState(Qt::Unchecked);
    w.FunCheckListBox->item(5)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(AP_INIState.dwItemEnable[8], 0);
    w.FunCheckListBox->item(5)->setCheckState(Qt::Checked);
    EXPECT_EQ(AP_INIState.dwItemEnable[8], 1);
    w.FunCheckListBox->SetChecked(5, false);
    EXPECT_EQ(AP_INIState.dwItemEnable[8], 1);

    // In SORT mode Download can be unchecked even with Preformat's switch on.
    AP_INIState.dwItemEnable[7] = 1;
    w.SORT->trigger();
    ASSERT_EQ(w.FunCheckListBox->ItemText(5).toStdString(), "Download");
    w.FunCheckListBox->item(5)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(AP_INIState.dwItemEnable[8], 0);
}

TEST_F(SettingsStandIn, DeviceToolButtonsTraceTheirDeviceAndTheWatermarkFollows) {
    InstallBay(BayOfHubs(1, 2));
    TMainForm& w = OpenWindow();
    EXPECT_FALSE(w.CFTButton[1]->isEnabled());
    Enumerate();
    w.CFTButton[1]->click();
    w.DeviceInfoBitBtn[0]->click();
    EXPECT_TRUE(trace_.Contains("######### - CFTButtonClick 2\n"));
    EXPECT_TRUE(trace_.Contains("######### - DeviceInfoBitBtnClick 1\n"));

    struct Watermark : app::WatermarkWindow {
        void MoveTo(int l, int t) override { moves.push_back({l, t}); }
        std::vector<std::pair<int, int>> moves;
    } watermark;
    app::ScopedWatermarkWindow registered(watermark);
    w.setUpdatesEnabled(false);  // moved and shown, never painted
    w.show();
    w.move(40, 30);
    QApplication::processEvents();
    ASSERT_FALSE(watermark.moves.empty());
    EXPECT_EQ(watermark.moves.back(), (std::pair<int, int>{w.x() + 220, w.y()}));
    watermark.moves.clear();
    AP_INIState.WatermarkLocation = 1;
    w.move(60, 30);
    QApplication::processEvents();
    EXPECT_TRUE(watermark.moves.empty());
}

TEST_F(SettingsStandIn, PagesLoadedIntoTheFrameAreLaidOutAndBound) {
    TMainForm& w = OpenWindow();
    EXPECT_TRUE(w.Control("LDPCReadEmptyThresholdGroupBox")->isHidden());
    EXPECT_EQ(w.Control("OtherSettingGroupBox")->height(), 82);
    EXPECT_EQ(w.Control("DramTypeLabel")->pos(), QPoint(8, 22));
    EXPECT_EQ(w.Control("DramTypeComboBox")->y(), 44);
    EXPECT_TRUE(w.Control("SwitchECThresholdLabeledEdit")->isHidden());
    EXPECT_EQ(w.Control<QLineEdit>("SNTimeStringLabeledEdit")->text().toStdString(), "1C8D149");
}

}  // namespace
}  // namespace window_test
