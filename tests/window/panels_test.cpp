// The panel repaint from the port records, and the panel thread following the display slots.
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "app/panel_thread.h"
#include "app/run_lock.h"
#include "forms/colours.h"
#include "forms/message_pump.h"
#include "support/station_window.h"
#include "support/widget_pixels.h"

namespace window_test {
namespace {

class Panels : public StationWindowTest {};

TEST_F(Panels, TheRepaintShowsEachRecordsState) {
    InstallBay(BayOfHubs(1, 6));
    TMainForm& w = OpenWindow();
    Enumerate();
    struct Case {
        std::int32_t status, errorCode, failItem;
        std::string text;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {1, 0, 0, "Pass", kColourPass},
        {-1, 95, 95, "(S00) Stop", kColourFail},
        {-1, 38, 38, "(T00)  Fail", kColourFail},
        {-1, 7, 7, "(C00) Preformat Fail", kColourFail},
        {3, 0, 0, "(RDT-Running)", kColourRunning},
        {0, 0, 0, "Loader", kColourRunning},
    };
    for (int p = 0; p < 6; ++p) {
        g_PortDevInfo[p].iStatus = cases[p].status;
        g_PortDevInfo[p].iErrorCode = cases[p].errorCode;
        g_PortDevInfo[p].iFailItem = cases[p].failItem;
    }
    std::strcpy(g_PortDevInfo[0].sBurnedSerialNum, "SN0001");
    w.UpdateDrawPanel();
    for (int d = 0; d < 6; ++d) {
        EXPECT_EQ(w.DeviceLabel[d]->text().toStdString(), cases[d].text) << d;
        EXPECT_EQ(forms::ColourOf(w.DevicePanel[d]), cases[d].colour) << d;
    }
    EXPECT_EQ(w.SNLabeledEdit[0]->text().toStdString(), "SN0001");  // Download is selected
    EXPECT_EQ(forms::ColourOf(w.DevicePanel[6]), forms::clBtnFace);
    EXPECT_EQ(w.DeviceLabel[6]->text().toStdString(), "Device 7");

    // Download off: the serial-number edits are left alone. A SORT run in sort-connection mode
    // leaves a passed panel to the sorting-status display.
    AP_INIState.dwItemEnable[8] = 0;
    w.SNLabeledEdit[0]->setText("typed");
    AP_INIState.ToolMode = 1;
    AP_RDTSet.RunSortingMode = 1;
    AP_INIState.dwItemEnable[12] = 1;
    w.DeviceLabel[0]->setText("(RDT-Done)");
    w.UpdateDrawPanel();
    EXPECT_EQ(w.SNLabeledEdit[0]->text().toStdString(), "typed");
    EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), "(RDT-Done)");
}

TEST_F(Panels, ThePanelThreadFollowsTheSlotsOfTheRunsDevices) {
    InstallBay(BayOfHubs(1, 3));
    TMainForm& w = OpenWindow();
    Enumerate();
    g_SelectedDevice = 0b010;  // a single-device run of device 2
    auto thread = std::make_unique<TMyThread>(w);
    g_DeviceSlots.Publish(0, {"Dram Test", kColourRunning, 40, "S0"});
    g_DeviceSlots.Publish(1, {"Download", kColourRunning, 60, "SN-2"});
    ASSERT_TRUE(forms::PumpUntil([&] { return w.DeviceCGauge[1]->Progress() == 60; }, 5000));
    EXPECT_EQ(w.DeviceLabel[1]->text().toStdString(), "Download");
    EXPECT_EQ(w.SNLabeledEdit[1]->text().toStdString(), "SN-2");
    // The last value published before the end is shown by the last refresh.
    g_DeviceSlots.Publish(1, {"(H00) Dram Test Fail", kColourFail, 100, "SN-2"});
    thread->Finish();
    EXPECT_TRUE(thread->Finished());
    EXPECT_EQ(w.DeviceLabel[1]->text().toStdString(), "(H00) Dram Test Fail");
    EXPECT_EQ(forms::ColourOf(w.DevicePanel[1]), kColourFail);
    EXPECT_EQ(w.DeviceCGauge[1]->Progress(), 100);
    // Device 1 is not in the run: its panel keeps the repaint's face.
    EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), "Loader");
    EXPECT_EQ(w.DeviceCGauge[0]->Progress(), 0);
}

// The run lock disables the panels' box to stop input; what the panels show stays as readable as it
// was: status text, port caption, serial number and gauge draw the same pixels locked and unlocked,
// while the panel's buttons are locked.
TEST_F(Panels, ReadOutsLookTheSameUnderTheRunLock) {
    InstallBay(BayOfHubs(1, 1));
    TMainForm& w = OpenWindow();
    Enumerate();
    AP_INIState.MPVersion = 0;
    w.SNLabeledEdit[0]->SetText("KST0000000001");
    w.DeviceCGauge[0]->SetProgress(44);
    ASSERT_EQ(w.DeviceLabel[0]->text().toStdString(), "Loader");
    ASSERT_EQ(forms::ColourOf(w.DevicePanel[0]), kColourRunning);
    const std::pair<const char*, QWidget*> readOuts[] = {{"status text", w.DeviceLabel[0]},
                                                         {"port caption", w.SNLabeledEdit[0]->EditLabel()},
                                                         {"serial number", w.SNLabeledEdit[0]},
                                                         {"gauge", w.DeviceCGauge[0]}};
    std::vector<QImage> unlocked;
    for (const auto& r : readOuts) unlocked.push_back(r.second->grab().toImage());

    app::LockForRun(w, true);
    ASSERT_FALSE(w.StyleScrollBox->isEnabled());
    EXPECT_FALSE(w.CFTButton[0]->isEnabled());
    EXPECT_FALSE(w.DeviceInfoBitBtn[0]->isEnabled());
    for (std::size_t i = 0; i < std::size(readOuts); ++i) {
        EXPECT_FALSE(readOuts[i].second->isEnabled()) << readOuts[i].first;
        EXPECT_EQ(test_support::DifferingPixels(unlocked[i], readOuts[i].second->grab().toImage()), 0)
            << readOuts[i].first;
    }
    app::LockForRun(w, false);
}

}  // namespace
}  // namespace window_test
