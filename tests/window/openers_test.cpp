// The openers of the main window: the device panels' "CFT" and "?" buttons over the device map, the
// drive's state and the tool mode; "Tools" > "Auto MP" and "Help" > "About", through stand-ins of the
// windows they open.
#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <array>
#include <iterator>

#include "app/run_lock.h"
#include "support/station_window.h"

namespace window_test {
namespace {

// A dialog stand-in that records the members it was shown with.
template <class W>
struct Shown : W {
    void ShowModal() override { shown.push_back({this->m_nPort, this->m_nDeviceNum}); }
    std::vector<std::pair<int, int>> shown;
};

struct CheckFlash : app::CheckFlashToolWindow {
    void ShowModal() override {
        ++count;
        port = m_nPort;
        channel = m_ucMPChannel;
        bank = m_ucMPBank;
        std::copy(std::begin(m_ucChSet), std::end(m_ucChSet), chSet.begin());
        std::copy(std::begin(m_ucBankSet), std::end(m_ucBankSet), bankSet.begin());
    }
    int count = 0, port = -1, channel = -1, bank = -1;
    std::array<std::uint8_t, 8> chSet{};
    std::array<std::uint8_t, 4> bankSet{};
};

// The fixture window's stand-in: what the "Auto MP" menu did to it, in order.
struct Fixture : RecordingFixture {
    void ClearReadStatusMemo() override { calls.push_back("clear"); }
    void TRuzeVEShowDevSts(int code, int slot) override {
        calls.push_back("sts " + std::to_string(code) + " " + std::to_string(slot));
    }
    void TRuzeVEShowDevPort(int slot, int port, bool show) override {
        calls.push_back("port " + std::to_string(slot) + " " + std::to_string(port) + " " + (show ? "1" : "0"));
    }
    void EnableStart() override { calls.push_back("start"); }
    void Init_Auto_MP_Info() override { calls.push_back("init"); }
    void ShowWithoutWaiting() override { calls.push_back("show"); }
    bool CycleRunning() const override { return running; }
    std::vector<std::string> calls;
    bool running = false;
};

class Openers : public StationWindowTest {
  protected:
    TMainForm& Open() {
        InstallBay(BayOfHubs(1, 2));
        TMainForm& w = OpenWindow();
        Enumerate();
        return w;
    }
};

TEST_F(Openers, CheckFlashToolGetsThePortAndTheChannelAndBankSettings) {
    TMainForm& w = Open();
    CheckFlash tool;
    app::ScopedCheckFlashToolWindow registered(tool);
    AP_INIState.MPChannel = 4;
    AP_INIState.MPBank = 2;
    const std::uint8_t channels[8] = {0, 2, 4, 6, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::uint8_t banks[4] = {1, 0, 0xFF, 0xFF};
    std::copy(std::begin(channels), std::end(channels), AP_INIState.MPFwChannelSet);
    std::copy(std::begin(banks), std::end(banks), AP_INIState.MPFwBankSet);
    const int port = g_DeviceToPortMap[1];

    ASSERT_TRUE(w.CFTButton[1]->isEnabled());
    w.CFTButton[1]->click();
    ASSERT_EQ(tool.count, 1);
    EXPECT_EQ(tool.port, port);
    EXPECT_EQ(tool.channel, 4);
    EXPECT_EQ(tool.bank, 2);
    EXPECT_TRUE(std::equal(tool.chSet.begin(), tool.chSet.end(), channels));
    EXPECT_TRUE(std::equal(tool.bankSet.begin(), tool.bankSet.end(), banks));
    EXPECT_TRUE(trace_.Contains("######### - CFTButtonClick 2\n"));
    EXPECT_TRUE(trace_.Contains("######### - bInstance is " + std::to_string(port) + "\n"));

    // A device whose map entry names no port (emptied by an enumeration, or out of range) and a
    // name without a device number open nothing.
    for (const std::uint16_t entry : {kNoPort, std::uint16_t{128}}) {
        g_DeviceToPortMap[1] = entry;
        w.CFTButtonClick(w.CFTButton[1]);
    }
    QObject unnamed;
    w.CFTButtonClick(&unnamed);
    w.CFTButtonClick(nullptr);
    EXPECT_EQ(tool.count, 1);
    EXPECT_TRUE(trace_.Contains("######### - Device 2 has no port\n"));
}

TEST_F(Openers, TheInfoButtonOpensTheErrorLogOfAFailedDriveElseTheDeviceInformation) {
    TMainForm& w = Open();
    Shown<app::ErrorLogWindow> errorLog;
    Shown<app::DeviceInfoWindow> info;
    app::ScopedErrorLogWindow r1(errorLog);
    app::ScopedDeviceInfoWindow r2(info);
    const int port = g_DeviceToPortMap[0];
    enum Opens { kNothing, kErrorLog, kInfo };
    struct Case {
        std::int8_t toolMode;
        std::int32_t status;
        bool mapped;
        Opens opens;
    } cases[] = {
        {0, -1, true, kErrorLog}, {1, -1, true, kErrorLog}, {0, 1, true, kInfo},     {1, 0, true, kInfo},
        {0, 2, true, kInfo},      {2, -1, true, kNothing},  {-1, 1, true, kNothing}, {0, -1, false, kNothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ToolMode " << int(c.toolMode) << " iStatus " << c.status << " mapped "
                                        << c.mapped);
        errorLog.shown.clear();
        info.shown.clear();
        AP_INIState.ToolMode = c.toolMode;
        g_PortDevInfo[port].iStatus = c.status;
        g_DeviceToPortMap[0] = c.mapped ? static_cast<std::uint16_t>(port) : kNoPort;
        w.DeviceInfoBitBtnClick(w.DeviceInfoBitBtn[0]);
        const std::vector<std::pair<int, int>> expected{{port, 1}};
        EXPECT_EQ(errorLog.shown, c.opens == kErrorLog ? expected : decltype(expected){});
        EXPECT_EQ(info.shown, c.opens == kInfo ? expected : decltype(expected){});
    }
    EXPECT_TRUE(trace_.Contains("######### - DeviceInfoBitBtnClick 1\n"));
}

TEST_F(Openers, WithNothingRegisteredEachOpenerTracesItsLine) {
    TMainForm& w = Open();
    AP_INIState.ToolMode = 0;
    w.CFTButton[0]->click();
    w.DeviceInfoBitBtn[0]->click();
    g_PortDevInfo[g_DeviceToPortMap[1]].iStatus = -1;
    w.DeviceInfoBitBtn[1]->click();
    w.About->trigger();
    for (const char* name : {"TCheckFlashToolForm", "TDeviceInfoForm", "TErrorLogForm", "TAboutForm"}) {
        EXPECT_TRUE(trace_.Contains(std::string("######### - ") + name + " is not available\n")) << name;
    }

    struct About : app::AboutBox {
        void ShowModal() override { ++count; }
        int count = 0;
    } about;
    app::ScopedAboutBox registered(about);
    ASSERT_EQ(w.HelpMenu->title(), "Help");
    EXPECT_EQ(w.MainMenu->actions().back()->menu(), w.HelpMenu);
    w.About->trigger();
    EXPECT_EQ(about.count, 1);
}

TEST_F(Openers, AutoMpResetsAndShowsTheFixtureWindowAndUnlocksTheMainWindowAsATool) {
    for (const std::uint8_t mpVersion : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "MPVersion " << int(mpVersion));
        TMainForm& w = Open();
        AP_INIState.MPVersion = mpVersion;
        w.SettingPageControl->setCurrentIndex(2);
        app::LockForRun(w, true, app::RunLockPage::Keep);
        ASSERT_FALSE(w.ExecuteButton->isEnabled());
        ASSERT_EQ(w.RuzeVE1->text(), "Auto MP");
        ASSERT_EQ(w.RuzeVE1->parent(), w.ToolsMenu);

        // Without a fixture window only the main window changes.
        w.RuzeVE1->trigger();
        EXPECT_TRUE(trace_.Contains("#########RuzeVE1Click\r\n"));
        EXPECT_TRUE(w.ExecuteButton->isEnabled());
        EXPECT_TRUE(w.RefreshButton->isEnabled());
        EXPECT_EQ(w.SettingPageControl->currentIndex(), 2);
        if (mpVersion == 0) {
            for (QAction* a : w.MainMenu->actions()) EXPECT_TRUE(a->isEnabled());
            EXPECT_TRUE(w.BottomPanel->isEnabled());
        }

        Fixture fixture;
        app::ScopedFixtureWindow registered(fixture);
        app::LockForRun(w, true, app::RunLockPage::Keep);
        w.RuzeVE1->trigger();
        std::vector<std::string> expected{"clear"};
        for (int s = 0; s < 8; ++s) {
            expected.push_back("sts 0 " + std::to_string(s));
            expected.push_back("port " + std::to_string(s) + " 0 0");
        }
        expected.insert(expected.end(), {"start", "init", "show"});
        EXPECT_EQ(fixture.calls, expected);
        EXPECT_TRUE(w.ExecuteButton->isEnabled());

        // While the fixture's cycle runs it is only shown: its block, its slots and the lock stay.
        fixture.calls.clear();
        fixture.running = true;
        app::LockForRun(w, true, app::RunLockPage::Keep);
        w.RuzeVE1->trigger();
        EXPECT_EQ(fixture.calls, std::vector<std::string>{"show"});
        EXPECT_FALSE(w.ExecuteButton->isEnabled());
        app::LockForRun(w, false, app::RunLockPage::Keep);
    }
}

}  // namespace
}  // namespace window_test
