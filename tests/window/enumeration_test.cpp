// Enumeration on emulated bays: port numbers from the hub walk, device numbers, bridges, panels,
// the fixture window's reports, the automatic start, device changes and the barcode entry.
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <thread>

#include "app/mp_access.h"
#include "forms/colours.h"
#include "forms/gui_call.h"
#include "forms/ini_file.h"
#include "forms/message_pump.h"
#include "forms/worker_thread.h"
#include "support/station_window.h"

namespace window_test {
namespace {

using forms::BoxKind;

class Enumeration : public StationWindowTest {
  protected:
    void Setting(const char* section, const char* key, int value) {
        forms::IniFile(station_ / "RIVIDO.ini").WriteInteger(section, key, value);
    }
    std::vector<int> Map() const { return {std::begin(g_DeviceToPortMap), std::end(g_DeviceToPortMap)}; }
};

TEST_F(Enumeration, SixteenDrivesBehindTwoHubsGetDevicesInPortOrder) {
    InstallBay(BayOfHubs(2, 16));
    RecordingFixture fixture;
    app::ScopedFixtureWindow registered(fixture);
    TMainForm& w = OpenWindow();
    EXPECT_FALSE(w.ExecuteButton->isEnabled());
    Enumerate();

    EXPECT_EQ(TotalUSBPortCount, 18);  // 2 x 8 hub ports, then the root hub's two free ports
    EXPECT_EQ(g_nPortConnectedNum, 16);
    EXPECT_TRUE(w.ExecuteButton->isEnabled());
    std::vector<std::pair<int, int>> reported;
    for (int d = 0; d < 16; ++d) {
        const std::string path = "emu:drive" + std::to_string(d + 1);
        EXPECT_EQ(g_DeviceToPortMap[d], d);
        EXPECT_STREQ(AP_Instance[d].pDevicePath, path.c_str());
        EXPECT_EQ(g_PortDevInfo[d].iBridgeType, d % 2 == 0 ? 1 : 2) << d;
        EXPECT_EQ(AP_Instance[d].ucBridgeType, d % 2 == 0 ? 1 : 2) << d;
        EXPECT_EQ(g_PortDevInfo[d].iBridgeUnit, d % 2 == 0 ? 0x1000 : 0x2000) << d;
        EXPECT_EQ(g_PortDevInfo[d].dwCapacityMB, g_PortDevInfo[0].dwCapacityMB);
        EXPECT_STREQ(g_PortDevInfo[d].deviceDesc,
                     ("2-" + std::to_string(d / 8 + 1) + "." + std::to_string(d % 8 + 1)).c_str());
        EXPECT_EQ(w.DeviceLabel[d]->text().toStdString(), "Loader");
        EXPECT_EQ(forms::ColourOf(w.DevicePanel[d]), kColourRunning);
        EXPECT_EQ(w.SNLabeledEdit[d]->Caption().toStdString(), "Port " + std::to_string(d) + ": SN");
        EXPECT_TRUE(w.CFTButton[d]->isEnabled());
        EXPECT_TRUE(w.DeviceInfoBitBtn[d]->isEnabled());
        reported.push_back({d, 16});
    }
    EXPECT_GT(g_PortDevInfo[0].dwCapacityMB, 0u);
    EXPECT_EQ(fixture.ports, reported);
    EXPECT_FALSE(w.AutoTestTimer->isActive());
    EXPECT_EQ(g_bAutoTestArmed, 0);
}

TEST_F(Enumeration, ASeventeenthDriveBeyondTheMapsGetsNoNumber) {
    InstallBay(BayOfHubs(3, 17));
    RecordingFixture fixture;
    app::ScopedFixtureWindow registered(fixture);
    OpenWindow();
    Enumerate();
    EXPECT_EQ(g_nPortConnectedNum, 17);
    EXPECT_EQ(g_PortDevInfo[16].iConnected, 1);
    for (int d = 0; d < 16; ++d) EXPECT_EQ(g_DeviceToPortMap[d], d);
    EXPECT_EQ(fixture.ports.size(), 16u);
}

TEST_F(Enumeration, UnusableDrivesAndHubFaults) {
    // Drive 2 refuses vendor mode, drive 3 sits behind an unknown bridge.
    std::string ini = BayOfHubs(1, 4);
    ini.replace(ini.find("[Drive3]\nId=2-1.3\nBridge=jmicron"), 32, "[Drive3]\nId=2-1.3\nBridge=unknown");
    ini.replace(ini.find("[Drive2]\n"), 9, "[Drive2]\nVendorMode=refuse\n");
    InstallBay(ini);
    TMainForm& w = OpenWindow();
    Enumerate();
    EXPECT_EQ(g_nPortConnectedNum, 2);
    EXPECT_EQ(Map(), (std::vector<int>{0, 3, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort,
                                       kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort}));
    EXPECT_TRUE(trace_.Contains("######### - [1]VP_EnableVendorCmd fail!\n"));
    for (int p : {1, 2}) {
        EXPECT_EQ(g_PortDevInfo[p].iConnected, 0) << p;
        EXPECT_EQ(g_PortDevInfo[p].iBridgeUnit, 0) << p;
        EXPECT_STREQ(g_PortDevInfo[p].sInstancePath, "") << p;
    }
    EXPECT_EQ(AP_Instance[2].pDevicePath, nullptr);
    EXPECT_EQ(w.DeviceLabel[2]->text().toStdString(), "Device 3");
    EXPECT_FALSE(w.CFTButton[2]->isEnabled());

    // A hub whose node information fails: the message, no drive, START off.
    ini = BayOfHubs(1, 2);
    ini.replace(ini.find("Ports=8\n"), 8, "Ports=8\nFault=nodeinfo\n");
    CloseWindow();
    InstallBay(ini);
    ui_.Clear();
    TMainForm& w2 = OpenWindow();
    ui_.Clear();
    Enumerate();
    EXPECT_EQ(ui_.Shown(),
              (std::vector<forms::ShownBox>{
                  {BoxKind::PlainMessage, "", "Please Check PC Device I/O Control", forms::BoxIcon::None}}));
    EXPECT_EQ(TotalUSBPortCount, 100);
    EXPECT_EQ(g_nPortConnectedNum, 0);
    EXPECT_FALSE(w2.ExecuteButton->isEnabled());
}

TEST_F(Enumeration, ConnectDevNumDrivesArmTheAutomaticStart) {
    Setting("Setting", "ConnectDevNum", 3);
    InstallBay(BayOfHubs(1, 3));
    TMainForm& w = OpenWindow();
    Enumerate();
    EXPECT_EQ(g_bAutoTestArmed, 1);
    EXPECT_TRUE(w.AutoTestTimer->isActive());
    EXPECT_EQ(w.AutoTestTimer->interval(), 1000);
}

TEST_F(Enumeration, DeviceChangesArmTheEnumerationTimer) {
    InstallBay(BayOfHubs(1, 2));
    RecordingFixture fixture;
    app::ScopedFixtureWindow registered(fixture);
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_TRUE(w.ExecuteButton->isEnabled());
    EXPECT_FALSE(w.m_Timers.IsActive(kEnumTimerId));

    struct Case {
        bool arrival;
        unsigned interval;
    };
    for (const Case c : {Case{false, 200}, Case{true, 3000}, Case{true, 3000}}) {
        w.ExecuteButton->setEnabled(true);
        w.WMDeviceChange(c.arrival);
        EXPECT_FALSE(w.ExecuteButton->isEnabled());
        EXPECT_EQ(w.m_Timers.Interval(kEnumTimerId), c.interval);
    }
    EXPECT_TRUE(trace_.Contains("2. Normal Unplug event captured - out\r\n"));
    EXPECT_TRUE(trace_.Contains("1. Normal Plug-in event captured - in\r\n"));

    // During a run nothing changes.
    w.m_Timers.KillTimer(kEnumTimerId);
    w.ExecuteButton->setEnabled(true);
    w.m_bRunning = 1;
    w.WMDeviceChange(false);
    EXPECT_TRUE(w.ExecuteButton->isEnabled());
    EXPECT_FALSE(w.m_Timers.IsActive(kEnumTimerId));
    w.m_bRunning = 0;

    // The fixture window waits for a link: its event is raised and 129 stays off.
    fixture.waitLink = 1;
    w.WMDeviceChange(true);
    EXPECT_EQ(fixture.linkEvent, 0x85);
    EXPECT_FALSE(w.m_Timers.IsActive(kEnumTimerId));
    EXPECT_FALSE(w.ExecuteButton->isEnabled());
}

TEST_F(Enumeration, AHotPlugEventOfTheBayReachesTheWindow) {
    auto bay = InstallBay(BayOfHubs(1, 2));
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_TRUE(bay->Unplug("Drive2"));
    forms::PumpUntil([&] { return w.m_Timers.IsActive(kEnumTimerId); }, 2000);
    EXPECT_EQ(w.m_Timers.Interval(kEnumTimerId), 200u);
    Enumerate();
    EXPECT_EQ(g_nPortConnectedNum, 1);
    EXPECT_EQ(w.DeviceLabel[1]->text().toStdString(), "Device 2");
}

TEST_F(Enumeration, BarcodeModes) {
    Setting("DeviceSetting", "SNInputMode", 3);
    InstallBay(BayOfHubs(1, 3));
    ScriptedBarcode barcode;
    app::ScopedBarcodeInputBox registered(barcode);
    {
        // Mode 0: once per connected port without a serial number, device 255.
        Setting("Setting", "BarCodeInputMode", 0);
        OpenWindow();
        barcode.answers = {"SN-A", "SN-B"};
        Enumerate();
        EXPECT_EQ(barcode.shown, (std::vector<std::pair<int, int>>{{0, 255}, {1, 255}, {2, 255}}));
        EXPECT_STREQ(gJMGlobal.sBurnedSerialNum[1], "SN-B");
        barcode.shown.clear();
        Enumerate();  // ports 0 and 1 have their numbers now
        EXPECT_EQ(barcode.shown, (std::vector<std::pair<int, int>>{{2, 255}}));
        CloseWindow();
    }
    {
        // Mode 1: only when BarCodeInputMaxCnt equals the count, in device order with device numbers.
        Setting("Setting", "BarCodeInputMode", 1);
        Setting("Setting", "BarCodeInputMaxCnt", 2);
        ProcessState::Reset();
        barcode.shown.clear();
        OpenWindow();
        Enumerate();
        EXPECT_TRUE(barcode.shown.empty());
        CloseWindow();
        Setting("Setting", "BarCodeInputMaxCnt", 3);
        OpenWindow();
        Enumerate();
        EXPECT_EQ(barcode.shown, (std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}}));
        EXPECT_TRUE(trace_.Contains("######### - Start Barcode input, mode 1\n"));
        CloseWindow();
    }
}

TEST_F(Enumeration, WithoutBarcodeDialogNothingIsStored) {
    Setting("DeviceSetting", "SNInputMode", 3);
    InstallBay(BayOfHubs(1, 1));
    OpenWindow();
    Enumerate();
    EXPECT_TRUE(trace_.Contains("######### - TBarcodeInputBoxForm is not available\n"));
    EXPECT_STREQ(g_PortDevInfo[0].sBurnedSerialNum, "");
    EXPECT_STREQ(gJMGlobal.sBurnedSerialNum[0], "");
}

TEST_F(Enumeration, ANewDriveOnAPortNeverInheritsThePreviousBarcode) {
    Setting("DeviceSetting", "SNInputMode", 3);
    auto bay = InstallBay(BayOfHubs(1, 1));
    ScriptedBarcode barcode;
    app::ScopedBarcodeInputBox registered(barcode);
    OpenWindow();
    barcode.answers = {"SN-OLD"};
    Enumerate();
    ASSERT_STREQ(gJMGlobal.sBurnedSerialNum[0], "SN-OLD");
    ASSERT_TRUE(bay->Unplug("Drive1"));
    Enumerate();
    ASSERT_TRUE(bay->Plug("Drive1"));
    Enumerate();  // the dialog is cancelled this time
    EXPECT_EQ(barcode.shown.size(), 2u);
    EXPECT_STREQ(g_PortDevInfo[0].sBurnedSerialNum, "");
    EXPECT_STREQ(gJMGlobal.sBurnedSerialNum[0], "");
}

TEST_F(Enumeration, OnAWorkerTheControlChangesRunOnTheGuiThread) {
    Setting("Setting", "ConnectDevNum", 2);
    InstallBay(BayOfHubs(1, 2));
    TMainForm& w = OpenWindow();
    forms::WorkerThread worker([&](forms::WorkerThread&) {
        w.EnumUSBDevice();
        return 888u;
    });
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Wait(20000));
    EXPECT_EQ(worker.ExitCode(), 888u);
    EXPECT_TRUE(w.ExecuteButton->isEnabled());
    EXPECT_EQ(w.DeviceLabel[1]->text().toStdString(), "Loader");
    EXPECT_TRUE(w.AutoTestTimer->isActive());
}

TEST_F(Enumeration, TheGuiThreadWaitingForTheLockServesAWorkerThatHoldsIt) {
    InstallBay(BayOfHubs(1, 1));
    OpenWindow();
    std::atomic<bool> held{false};
    bool ranOnGui = false;
    std::thread fixtureWorker([&] {
        app::MpAccessGuard guard;
        held = true;
        // Holding the lock, the worker needs the GUI thread (a control change, the barcode dialog).
        forms::CallOnGui([&] { ranOnGui = true; });
    });
    while (!held) std::this_thread::yield();
    Enumerate();  // waits for the lock while serving the worker's call
    fixtureWorker.join();
    EXPECT_TRUE(ranOnGui);
    EXPECT_EQ(g_nPortConnectedNum, 1);
}

// The bay's listings, with the first disk's path longer than a port record holds.
class LongPathListing : public platform::DeviceBackend {
  public:
    explicit LongPathListing(std::shared_ptr<emu::Bay> bay) : bay_(std::move(bay)) {}
    platform::PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeout) override {
        return bay_->PassThrough(path, cdb, direction, data, timeout);
    }
    std::optional<std::vector<platform::UsbDisk>> ListUsbDisks() override {
        auto disks = bay_->ListUsbDisks();
        if (disks && !disks->empty()) (*disks)[0].path += std::string(300, 'x');
        return disks;
    }
    std::vector<platform::HubInterface> ListHubs() override { return bay_->ListHubs(); }
    std::unique_ptr<platform::UsbHub> OpenHub(std::string_view path, int* error) override {
        return bay_->OpenHub(path, error);
    }
    std::vector<platform::UsbDeviceNode> ListUsbDeviceNodes() override { return bay_->ListUsbDeviceNodes(); }

  private:
    std::shared_ptr<emu::Bay> bay_;
};

TEST_F(Enumeration, ADiskPathLongerThanTheRecordLeavesThePortUnmatched) {
    auto bay = InstallBay(BayOfHubs(1, 2));
    platform::InstallBackend("emu:", std::make_shared<LongPathListing>(bay), true);
    OpenWindow();
    Enumerate();
    EXPECT_EQ(g_PortDevInfo[0].iConnected, 0);
    EXPECT_EQ(AP_Instance[0].pDevicePath, nullptr);
    EXPECT_EQ(g_PortDevInfo[1].iConnected, 1);
    EXPECT_EQ(g_DeviceToPortMap[0], 1);
}

}  // namespace
}  // namespace window_test
