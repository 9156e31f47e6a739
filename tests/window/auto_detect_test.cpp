// "Auto Detect" on emulated drives with a test flash list: the candidates, the settings taken from
// the drive, the messages of the failures, and the lock released on every way out.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

#include "app/dialog_slots.h"
#include "app/flash_detect.h"
#include "app/run_lock.h"
#include "forms/controls.h"
#include "procedures/V_Proc_GdpParam.h"
#include "settings/flash_list.h"
#include "support/station_window.h"

namespace window_test {
namespace {

constexpr const char* kId = "FlashId=2C,64,44,4B,A9,00\n";

// Vendor Va: records 0 (the drive's ID), 1 (another ID), 2 (the drive's ID, interface 8);
// vendor Vb: record 3 (the drive's ID). The names share the type code of the station's NAND data. Every GPIO code 00000 unless `gpio` says otherwise.
std::string FlashList(const std::string& gpio = "00000", int interface2 = 8) {
    const std::string id = " 0x2C 0x64 0x44 0x4B 0xA9 0x00 0 0 0 ";
    return "[Version]\nFlashIniVer=KS-FL-0.3\n[Vendor]\nName00=Va\nName01=Vb\n[Va]\n"
           "Name000=B27BX0 QVX0 0 2 2 2016 2304 16 1 0" + id + "1 4 0 0 0 " + gpio + "\n"
           "Name001=B27BX1 QVX1 0 2 2 2016 2304 16 1 0 0x9B 0xC4 0x58 0x32 0xA6 0x00 0 0 0 1 4 0 0 0 00000\n"
           "Name002=B27BX2 QVX2 0 2 2 2016 2304 16 1 0" + id + std::to_string(interface2) + " 4 0 0 0 " + gpio + "\n"
           "[Vb]\nName000=B27BY0 QVY0 1 2 2 2016 2304 16 1 0" + id + "1 4 0 0 0 " + gpio + "\n";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// A stand-in flash-detection dialog: records the candidates and applies the
// second line, as the dialog does on close.
struct PickingDialog : app::FlashDetectInfoWindow {
    TMainForm* main = nullptr;
    int shows = 0;
    std::vector<std::pair<int, int>> seen;
    void ShowModal() override {
        ++shows;
        seen.clear();
        for (int i = 0; i < g_FlashCandCount; ++i) seen.emplace_back(g_FlashCandVendor[i], g_FlashCandIndex[i]);
        if (seen.size() < 2) return;
        auto* vendor = main->Control<QComboBox>("FlashVendorComboBox");
        vendor->setCurrentIndex(seen[1].first);
        g_FlashTypeIndex = seen[1].second;
        main->UpdateFlashList(nullptr);
        main->FlashInfoChange(vendor);
    }
};

class AutoDetect : public StationWindowTest {
  protected:
    TMainForm& Open(int drives, const std::string& extra, const std::string& list = FlashList()) {
        WriteText(station_ / "FlashList.ini", list);
        InstallBay(BayOfHubs(1, drives, std::string(kId) + extra));
        TMainForm& w = OpenWindow();
        Enumerate();
        dialog_.main = &w;
        return w;
    }
    void Detect() { Window().AutoDetectButtonClick(Window().Control("AutoDetectButton")); }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& box : ui_.Shown()) texts.push_back(box.text);
        return texts;
    }
    void ExpectReleased() {
        EXPECT_TRUE(Window().ExecuteButton->isEnabled());
        EXPECT_TRUE(Window().RefreshButton->isEnabled());
        EXPECT_EQ(g_bAutoDetecting, 0);
    }
    PickingDialog dialog_;
    app::ScopedFlashDetectInfoWindow registered_{dialog_};
};

TEST_F(AutoDetect, ThreeCandidatesTheChosenPartAndTheDriveSettings) {
    Open(2, "");
    AP_INIState.SelectOnfi4 = 0;
    // Stand-ins for the die map's boxes, all enabled and checked before.
    for (int c = 0; c < 8; ++c) {
        for (int b = 0; b < 8; ++b) {
            auto* box = new QCheckBox(&Window());
            box->setObjectName(QString("DieMapCheckBox%1%2").arg(c).arg(b));
            box->setChecked(true);
        }
    }
    Detect();
    for (int c = 0; c < 8; ++c) {
        for (int b = 0; b < 8; ++b) {
            auto* box = Window().Control<QCheckBox>(QString("DieMapCheckBox%1%2").arg(c).arg(b).toLatin1().constData());
            const bool present = c < 4 && b < 2;
            EXPECT_EQ(box->isEnabled(), present) << c << b;
            EXPECT_EQ(box->isChecked(), present) << c << b;
        }
    }
    ASSERT_EQ(dialog_.shows, 1);
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 2}, {1, 0}};
    EXPECT_EQ(dialog_.seen, expected);
    EXPECT_EQ(g_FlashTypeIndex, 2);
    EXPECT_EQ(Window().Control<QComboBox>("FlashVendorComboBox")->currentIndex(), 0);
    EXPECT_EQ(Window().Control<QComboBox>("FlashTypeComboBox")->currentIndex(), 2);
    // Four channels of two CEs.
    EXPECT_EQ(AP_INIState.Channel, 4);
    EXPECT_EQ(AP_INIState.Bank, 2);
    EXPECT_EQ(AP_INIState.MPChannel, 4);
    EXPECT_EQ(AP_INIState.MPBank, 2);
    EXPECT_EQ(AP_FlashSet.ucChannel, 4);
    EXPECT_EQ(AP_FlashSet.ucBankNum, 2);
    for (int c = 0; c < 8; ++c) {
        for (int b = 0; b < 4; ++b) {
            const int present = c < 4 && b < 2 ? 1 : 0;
            EXPECT_EQ(AP_INIState.bDieStatus[c][b], present) << c << b;
            for (int l = 0; l < 4; ++l) EXPECT_EQ(AP_INIState.bDieStatusMultiLun[c][b][l], present) << c << b << l;
        }
    }
    EXPECT_TRUE(trace_.Contains("######### - GPIO is 00000\n"));
    EXPECT_TRUE(trace_.Contains("flashModule.sNandId.MarkCode = 0x2C\n"));
    EXPECT_TRUE(trace_.Contains("######### - TMC setting is "));
    ExpectReleased();
}

TEST_F(AutoDetect, WithoutAMatchTheMessageEndsWithItsDetail) {
    struct Case {
        const char* name;
        std::string drive;
        std::string list;
        std::string message;
    } cases[] = {
        {"another GPIO code", "GpioHigh=16\n", FlashList("00101"),
         "Not found, please check your flash list!\nCheck GPIO setting->[00101]!"},
        {"no record with the ID", "", Replaced(FlashList(), "0x2C", "0x2D"),
         "Not found, please check your flash list!\nFlash ID: 0x2C, 0x64, 0x44, 0x4B, 0xA9, 0x00\nGPIO: 00000"},
        {"module read failing", "AutoDetect=fail\n", FlashList(), "Not found, please check your flash list!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseWindow();
        ui_.Clear();
        Open(1, c.drive, c.list);
        Detect();
        EXPECT_EQ(dialog_.shows, 0);
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back(), c.message);
        ExpectReleased();
    }
}

TEST_F(AutoDetect, SelectOnfi4KeepsOnlyOnfi4PartsOfItsVendors) {
    for (int interface : {8, 10}) {
        CloseWindow();
        Open(1, "", FlashList("00000", interface));
        AP_INIState.SelectOnfi4 = 1;
        Detect();
        std::vector<std::pair<int, int>> expected = {{1, 0}};
        if (interface == 10) expected.insert(expected.begin(), {0, 2});
        EXPECT_EQ(dialog_.seen, expected) << interface;
    }
}

// The windows the main window keeps (the sorting-result window among them) have empty edits of
// their own: they are not the settings START and detection check.
TEST_F(AutoDetect, EmptyEditsOfAKeptWindowAreNotTheSettings) {
    Open(1, "");
    ASSERT_EQ(app::FirstEmptyLabeledEdit(Window()), std::nullopt);
    auto* kept = new QDialog(&Window());
    auto* edit = new forms::LabeledEdit(new QGroupBox(kept));
    edit->SetCaption("RDT Error Code: ");
    EXPECT_EQ(app::FirstEmptyLabeledEdit(Window()), std::nullopt);
    edit->setParent(Window().Control<QGroupBox>("FlashInterfaceGroupBox"));
    EXPECT_EQ(app::FirstEmptyLabeledEdit(Window()), "RDT Error Code: ");
}

TEST_F(AutoDetect, NoDriveAndAnEmptyEditStopBeforeTheDrive) {
    Open(0, "");
    Detect();
    EXPECT_EQ(Messages(), std::vector<std::string>{"No connected device for detecting!!"});
    CloseWindow();
    ui_.Clear();
    Open(1, "");
    auto* edit = new forms::LabeledEdit(Window().Control<QGroupBox>("FlashInterfaceGroupBox"));
    edit->SetCaption("Model Number");
    Detect();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Model Number is empty!"});
    EXPECT_EQ(dialog_.shows, 0);
    ExpectReleased();
}

TEST_F(AutoDetect, SecondPassForcesTheLoadOnceThroughTheTimer) {
    Open(1, "");
    AP_INIState.SandiskBic4ChangeID = 1;
    AP_INIState.AutoDetectForceLoadGDP = 0;
    Detect();
    EXPECT_EQ(AP_INIState.AutoDetectForceLoadGDP, 1);
    EXPECT_TRUE(Window().AutoTestTimer->isActive());
    Window().AutoTestTimerTimer(Window().AutoTestTimer);
    EXPECT_EQ(dialog_.shows, 2);
    EXPECT_EQ(AP_INIState.AutoDetectForceLoadGDP, 0);
    EXPECT_FALSE(Window().AutoTestTimer->isActive());
    ExpectReleased();
}

TEST(TimingChoice, SevenDigitCodes) {
    struct Case {
        const char* code;
        int clock, profile;  // -1: none
    } cases[] = {{"0020003", 200, 3}, {"0040012", 400, 12}, {"0000000", -1, -1}, {"00200", -1, -1},
                 {"00a0003", -1, -1}, {"00200030", -1, -1}};
    for (const Case& c : cases) {
        const auto choice = app::TimingChoiceOf(c.code);
        if (c.clock < 0) {
            EXPECT_FALSE(choice) << c.code;
        } else {
            ASSERT_TRUE(choice) << c.code;
            EXPECT_EQ(choice->clock, c.clock);
            EXPECT_EQ(choice->profile, c.profile);
        }
    }
}

}  // namespace
}  // namespace window_test
