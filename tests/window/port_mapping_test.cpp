// The device-to-port map: typed device numbers, the customised map, automatic port mapping, and
// the settings lock.
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "forms/colours.h"
#include "forms/ini_file.h"
#include "support/station_window.h"

namespace window_test {
namespace {

using forms::BoxKind;

class PortMapping : public StationWindowTest {
  protected:
    std::vector<int> Map(const std::uint16_t* map) const { return {map, map + 16}; }
    static std::vector<int> Ports(std::initializer_list<int> first) {
        std::vector<int> m(first);
        m.resize(16, kNoPort);
        return m;
    }
};

TEST_F(PortMapping, TypedDeviceNumbers) {
    InstallBay(BayOfHubs(1, 3));
    TMainForm& w = OpenWindow();
    Enumerate();
    w.SequenceSpeedButton->click();
    ASSERT_EQ(g_EnCustomizePortMap, 1);
    EXPECT_TRUE(w.SequenceSpeedButton->Down());
    EXPECT_TRUE(trace_.Contains("######### - Enable Device Mapping!\n"));
    for (int d = 0; d < 3; ++d) {
        EXPECT_TRUE(w.DeviceSequenceEdit[d]->isEnabled());
        EXPECT_EQ(forms::ColourOf(w.DeviceSequenceEdit[d]), forms::clWindow);
    }
    EXPECT_FALSE(w.DeviceSequenceEdit[3]->isEnabled());

    struct Case {
        std::vector<std::string> texts;
        std::string message;
    };
    const Case refused[] = {
        {{"3", "3", "1"}, "Device number is duplicated!"},    {{"0", "2", "1"}, "Device number must be 1 to 16!"},
        {{"17", "2", "1"}, "Device number must be 1 to 16!"}, {{"x", "2", "1"}, "Device number must be 1 to 16!"},
        {{"", "2", "1"}, "Device number can't be empty!"},
    };
    const std::vector<int> before = Map(g_CustomizePortMap);
    for (const Case& c : refused) {
        ui_.Clear();
        for (int d = 0; d < 3; ++d) w.DeviceSequenceEdit[d]->setText(QString::fromStdString(c.texts[d]));
        w.RefreshButton->click();
        EXPECT_EQ(ui_.Shown(),
                  (std::vector<forms::ShownBox>{{BoxKind::PlainMessage, "", c.message, forms::BoxIcon::None}}))
            << c.texts[0];
        EXPECT_EQ(Map(g_CustomizePortMap), before);
        EXPECT_EQ(Map(g_DeviceToPortMap), Ports({0, 1, 2}));
    }

    // Sound numbers: device 1's drive becomes device 3 and so on; the panels follow the map.
    for (int d = 0; d < 3; ++d) w.DeviceSequenceEdit[d]->setText(QString::number((d + 2) % 3 + 1));
    w.RefreshButton->click();
    EXPECT_EQ(Map(g_CustomizePortMap), Ports({1, 2, 0}));
    EXPECT_EQ(Map(g_DeviceToPortMap), Ports({1, 2, 0}));
    EXPECT_EQ(w.SNLabeledEdit[0]->Caption().toStdString(), "Port 1: SN");
    for (int d = 0; d < 3; ++d) EXPECT_EQ(w.DeviceSequenceEdit[d]->text().toInt(), d + 1);

    // Off: the edits are emptied, disabled and grey; the map stays for the settings file.
    w.SequenceSpeedButton->click();
    EXPECT_EQ(g_EnCustomizePortMap, 0);
    EXPECT_FALSE(w.SequenceSpeedButton->Down());
    EXPECT_TRUE(trace_.Contains("######### - Disable Device Mapping!\n"));
    for (QLineEdit* e : w.DeviceSequenceEdit) {
        EXPECT_TRUE(e->text().isEmpty());
        EXPECT_FALSE(e->isEnabled());
        EXPECT_EQ(forms::ColourOf(e), forms::clBtnFace);
    }
    w.SequenceSpeedButton->click();  // on again, so the file keeps the map on
    CloseWindow();
    const forms::IniFile settings(station_ / "RIVIDO.ini");
    EXPECT_EQ(settings.ReadInteger("Setting", "EnCustomizePortMap", -1), 1);
    EXPECT_EQ(settings.ReadInteger("Setting", "DevicePortMap_1", -1), 1);
    EXPECT_EQ(settings.ReadInteger("Setting", "DevicePortMap_3", -1), 0);
    EXPECT_EQ(settings.ReadInteger("Setting", "DevicePortMap_4", -1), 65535);
}

TEST_F(PortMapping, ACustomisedMapGivesUnnamedDrivesNoNumber) {
    forms::IniFile settings(station_ / "RIVIDO.ini");
    settings.WriteInteger("Setting", "EnCustomizePortMap", 1);
    settings.WriteInteger("Setting", "DevicePortMap_2", 2);
    settings.WriteInteger("Setting", "DevicePortMap_5", 0);
    InstallBay(BayOfHubs(1, 3));
    TMainForm& w = OpenWindow();
    EXPECT_TRUE(w.SequenceSpeedButton->Down());
    Enumerate();
    EXPECT_EQ(Map(g_DeviceToPortMap), Ports({kNoPort, 2, kNoPort, kNoPort, 0}));
    EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), "Device 1");
    EXPECT_EQ(w.DeviceLabel[4]->text().toStdString(), "Loader");
    EXPECT_EQ(w.DeviceSequenceEdit[4]->text().toStdString(), "5");
    EXPECT_TRUE(w.DeviceSequenceEdit[4]->isEnabled());
    EXPECT_FALSE(w.DeviceSequenceEdit[0]->isEnabled());
}

TEST_F(PortMapping, AutomaticMappingNumbersDrivesInPlugOrder) {
    std::string ini = BayOfHubs(1, 3, "Plugged=0\n");
    auto bay = InstallBay(ini);
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 0);
    ui_.AnswerYesNo(true);
    std::vector<std::string> prompts;
    QTimer::singleShot(0, [&] {
        for (const char* drive : {"Drive3", "Drive1"}) {
            bay->Plug(drive);
            Enumerate();
            prompts.push_back(w.AutoPortMappingLabel->text().toStdString());
        }
        EXPECT_TRUE(w.AutoPortMappingForm->isVisible());
        w.AutoPortMappingCloseButton->click();
    });
    w.Auto->trigger();
    EXPECT_EQ(ui_.Shown()[0].title, "Auto Port Mapping");
    EXPECT_EQ(prompts, (std::vector<std::string>{"Please insert the 2nd device!", "Please insert the 3rd device!"}));
    EXPECT_EQ(Map(g_CustomizePortMap), Ports({2, 0}));
    EXPECT_EQ(Map(g_DeviceToPortMap), Ports({2, 0}));
    EXPECT_EQ(b_AutoPortMapping, 0);
    EXPECT_EQ(g_EnCustomizePortMap, 1);
    EXPECT_EQ(w.AutoPortMappingLabel->text().toStdString(), "Please insert the 1st device!");
    EXPECT_TRUE(w.AutoPortMappingForm->isHidden());

    // Answered No: nothing changes.
    ui_.AnswerYesNo(false);
    w.AutoClick(w.Auto);
    EXPECT_EQ(Map(g_CustomizePortMap), Ports({2, 0}));
}

TEST_F(PortMapping, AutomaticMappingWithEveryEntryTakenGivesNoNumber) {
    auto bay = InstallBay(BayOfHubs(1, 1));
    TMainForm& w = OpenWindow();
    for (int k = 0; k < 16; ++k) g_CustomizePortMap[k] = static_cast<std::uint16_t>(100 + k);
    g_EnCustomizePortMap = 1;
    b_AutoPortMapping = 1;
    w.AutoPortMappingLabel->setText("Please insert the 17th device!");
    Enumerate();
    EXPECT_EQ(g_DeviceToPortMap[0], kNoPort);
    EXPECT_EQ(w.AutoPortMappingLabel->text().toStdString(), "Please insert the 17th device!");
    b_AutoPortMapping = 0;
}

class Lock : public StationWindowTest {
  protected:
    bool PagesEnabled(TMainForm& w, std::initializer_list<int> pages) {
        for (int i = 0; i < w.SettingPageControl->count(); ++i) {
            const bool want = std::find(pages.begin(), pages.end(), i) != pages.end();
            if (w.SettingPageControl->isTabEnabled(i) != want) return false;
        }
        return true;
    }
};

TEST_F(Lock, PasswordRunAndModes) {
    forms::IniFile(station_ / "RIVIDO.ini").WriteInteger("Setting", "MPVersion", 1);
    TMainForm& w = OpenWindow();
    EXPECT_TRUE(w.LockSpeedButton->Down());
    EXPECT_TRUE(PagesEnabled(w, {}));
    EXPECT_FALSE(w.MainMenu->actions()[0]->isEnabled());

    struct Case {
        std::optional<std::string> answer;
        bool locked;
    };
    for (const Case& c : {Case{"Plirk", true}, Case{std::nullopt, true}, Case{"plirk", false}}) {
        ui_.Clear();
        ui_.AnswerText(c.answer);
        w.LockSpeedButton->click();
        ASSERT_EQ(ui_.Shown().size(), 1u);
        EXPECT_EQ(ui_.Shown()[0], (forms::ShownBox{BoxKind::Password, "Please Input the Password", "Password"}));
        EXPECT_EQ(AP_INIState.MPVersion != 0, c.locked);
        EXPECT_EQ(w.LockSpeedButton->Down(), c.locked);
    }
    EXPECT_TRUE(trace_.Contains("######### - Unlock\n"));
    EXPECT_TRUE(PagesEnabled(w, {0, 1, 2, 3, 5, 6}));  // MP mode: the SORT FW page stays off
    EXPECT_TRUE(w.MainMenu->actions()[0]->isEnabled());

    // During a run the button changes nothing.
    w.m_bRunning = 1;
    trace_.Clear();
    ui_.Clear();
    w.LockSpeedButton->click();
    EXPECT_FALSE(w.LockSpeedButton->Down());
    EXPECT_EQ(AP_INIState.MPVersion, 0);
    EXPECT_TRUE(ui_.Shown().empty());
    EXPECT_TRUE(trace_.Contains("######### - Execute Button is pressed\n"));
    w.m_bRunning = 0;

    // Unlocked, the button locks without asking.
    w.LockSpeedButton->click();
    EXPECT_EQ(AP_INIState.MPVersion, 1);
    EXPECT_TRUE(w.LockSpeedButton->Down());
    EXPECT_TRUE(ui_.Shown().empty());

    // SORT mode keeps the SYS FW page off when unlocked.
    AP_INIState.ToolMode = 1;
    w.LockUI(0);
    EXPECT_TRUE(PagesEnabled(w, {0, 1, 2, 4, 5, 6}));
    EXPECT_FALSE(w.LockSpeedButton->Down());
}

}  // namespace
}  // namespace window_test
