// The device information window on emulated drives: the identify texts and GPIO line, the flash-ID
// list by the controller's mode, and the RAM dump.
#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>

#include "dialogs/device_info_form.h"
#include "dialogs/dump_grid.h"
#include "dialogs_fixture.h"
#include "forms/controls.h"
#include "procedures/V_Proc_Modes.h"

namespace {

using dialogs_test::DialogTest;

class DeviceInfo : public DialogTest {
  protected:
    // The enumeration left the drive in vendor-command mode.
    void Open(int port) {
        if (drives_) VP_EnableVendorCmd(0, 1);
        form_ = std::make_unique<TDeviceInfoForm>();
        form_->m_nPort = port;
        form_->m_nDeviceNum = port + 1;
        form_->FormShow(form_.get());
    }
    std::vector<std::vector<std::string>> FlashIdRows() {
        form_->DeviceInfoPageControl->setCurrentWidget(form_->TabSheet2);
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < form_->FlashIDListView->topLevelItemCount(); ++i) {
            std::vector<std::string> row;
            for (int c = 0; c < 11; ++c) row.push_back(form_->FlashIDListView->topLevelItem(i)->text(c).toStdString());
            rows.push_back(row);
        }
        return rows;
    }
    std::unique_ptr<TDeviceInfoForm> form_;
};

TEST_F(DeviceInfo, SystemFirmwareDriveShowsItsIdentityAndEveryPositionPassing) {
    Drives({"Program=system\nModel=QV Demo 512\nSerial=SN0001\nFirmwareRevision=R1.2\nGpioHigh=16,15\n"});
    Open(0);
    EXPECT_EQ(form_->windowTitle(), "Device Info. Device 1, Port 0");
    EXPECT_EQ(form_->ModelNumberLabeledEdit->text(), "QV Demo 512");
    EXPECT_EQ(form_->SerialNumberLabeledEdit->text(), "SN0001");
    EXPECT_EQ(form_->FWVersionLabeledEdit->text(), "R1.2");
    EXPECT_NE(VP_GetCapacityMB(0), 0u);
    EXPECT_EQ(form_->CapacityLabeledEdit->text(), QString::number(VP_GetCapacityMB(0)));
    EXPECT_EQ(form_->GPIOSettingLabel->text(), "GPIO(21,16,15,7,6): 0,1,1,0,0");
    EXPECT_EQ(form_->size(), QSize(500, 300));

    const auto rows = FlashIdRows();
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<std::string> first = {"1", "Pass", "0", "0", "0x00", "0x00", "0x00", "0x00", "0x00", "0x00", ""};
    EXPECT_EQ(rows[0], first);
    EXPECT_EQ(rows[3][0], "4");
    EXPECT_EQ(rows[3][2], "1");
    EXPECT_EQ(rows[3][3], "1");
    EXPECT_EQ(VP_GetCurrentMode(0), kModeSystem) << "the system firmware is left alone";
}

TEST_F(DeviceInfo, LoaderDriveGetsTheDiagnosticFirmwareWithThePauseAndRealIds) {
    Drives({"Program=loader\n"});
    Open(0);
    const std::uint64_t before = platform::TickCount();
    const auto rows = FlashIdRows();
    EXPECT_GE(platform::TickCount() - before, 1500u);
    EXPECT_EQ(VP_GetCurrentMode(0), kModeGdp);
    ASSERT_EQ(rows.size(), 4u);
    for (const auto& row : rows) {
        EXPECT_EQ(row[1], "Pass");
        EXPECT_EQ(row[4], "0x2C");
        EXPECT_EQ(row[8], "0xA9");
    }
    // Back on "Info": the small size again, nothing read.
    form_->DeviceInfoPageControl->setCurrentWidget(form_->TabSheet3);
    EXPECT_EQ(form_->size(), QSize(897, 500));
    form_->DeviceInfoPageControl->setCurrentWidget(form_->TabSheet1);
    EXPECT_EQ(form_->size(), QSize(500, 300));
}

// Two dies per CE on four CEs: eight positions a channel, the LUN in the CE byte's high nibble.
TEST_F(DeviceInfo, TwoDiesPerCeListEightPositionsWithTheirIds) {
    drives_ = std::make_unique<test_support::EmulatedDrives>(std::vector<std::string>{
        "Program=gdp\nFlashChannels=1\nFlashCEs=4\nFlashLuns=2\nFlashBlocks=64\nFlashPages=32\nFlashPageSectors=32\n"
        "FlashId=2C,64,44,4B,A9,00\nFlashIdAt=0:1:98,3C,98,B3,76,72\n"});
    ASSERT_EQ(drives_->Error(), "");
    test_support::SetFlashGeometry({.channels = 1, .banks = 4, .dies = 2, .planes = 2, .dieUnit = 16});
    Open(0);
    const auto rows = FlashIdRows();
    ASSERT_EQ(rows.size(), 8u);
    const char* const ces[] = {"0(0)", "1(0)", "2(0)", "3(0)", "0(1)", "1(1)", "2(1)", "3(1)"};
    for (int p = 0; p < 8; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(rows[p][3], ces[p]);
        EXPECT_EQ(rows[p][1], "Pass");
        EXPECT_EQ(rows[p][4], p % 4 == 1 ? "0x98" : "0x2C");
    }
}

TEST_F(DeviceInfo, SramTabDumpsTheFirstFourKilobytesOfRam) {
    Drives({"Program=system\n"});
    Open(0);
    form_->DeviceInfoPageControl->setCurrentWidget(form_->TabSheet3);
    const dialogs::DumpGrid* grid = form_->ReadSRAMStringGrid;
    ASSERT_EQ(grid->RowCount(), 257);
    EXPECT_EQ(grid->Cell(0, 0), "Offset (Hex)");
    // The firmware tag at byte 448: row 29, "RAVEZ" for the system firmware.
    EXPECT_EQ(grid->Cell(0, 29), "0x000001C0");
    EXPECT_EQ(grid->Cell(1, 29), "52");
    EXPECT_EQ((grid->Cell(18, 29) + grid->Cell(19, 29) + grid->Cell(20, 29) + grid->Cell(21, 29) + grid->Cell(22, 29))
                  .toStdString(),
              "RAVEZ");
    EXPECT_EQ(form_->size(), QSize(897, 500));
}

TEST_F(DeviceInfo, APortWithoutADriveReadsNothing) {
    Drives({"Program=system\n"});
    Open(0xFFFF);  // a device number without a port
    EXPECT_EQ(form_->ModelNumberLabeledEdit->text(), "");
    EXPECT_EQ(form_->CapacityLabeledEdit->text(), "0");
    EXPECT_EQ(form_->GPIOSettingLabel->text(), "GPIO(21,16,15,7,6): 0,0,0,0,0");
    EXPECT_EQ(FlashIdRows().size(), 4u);
}

}  // namespace
