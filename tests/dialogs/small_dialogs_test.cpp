// The error-log window, the serial-number box, the watermark window and the About box, and the seam
// through which the main window opens them.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <fstream>

#include "app/dialog_slots.h"
#include "app/run_state.h"
#include "dialogs/about_form.h"
#include "dialogs/barcode_form.h"
#include "dialogs/error_log_form.h"
#include "dialogs/watermark_form.h"
#include "dialogs_fixture.h"
#include "forms/controls.h"
#include "transport/port_instance.h"
#include "transport/usb_disks.h"

namespace {

using dialogs_test::DialogTest;

void Key(QWidget* target, int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void Type(QWidget* target, const QString& text) {
    for (const QChar c : text) Key(target, c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A, QString(c));
}

using SmallDialogs = DialogTest;

TEST_F(SmallDialogs, ErrorLogShowsTheCaptionAndTheDecodedLines) {
    std::vector<std::uint8_t> detail(2048, 0);
    std::uint8_t* saved = g_pMPItemLog[4][89];
    g_pMPItemLog[4][89] = detail.data();
    detail[0] = 224;
    detail[1] = 2;
    g_PortDevInfo[4].iErrorCode = 89;
    TErrorLogForm form;
    EXPECT_EQ(form.ErrLogMemo->toPlainText(), "Error Log Memo");
    form.m_nPort = 4;
    form.m_nDeviceNum = 3;
    form.FormShow(&form);
    EXPECT_EQ(form.windowTitle(), "Error Log Device 3, Port 4");
    EXPECT_EQ(Memo(form.ErrLogMemo), "Check Sorting result fail\n\nCh 2, Bank 0 Check sorting result fail!\n");
    EXPECT_TRUE(trace_.Contains("######### - ErrorLog - FormShow - Port 4\n"));
    // Opened through the seam: the members set, the modal showing decodes (here a timeout: an empty
    // memo under the caption).
    g_PortDevInfo[4].iErrorCode = 38;
    app::ScopedErrorLogWindow registered(form);
    form.setUpdatesEnabled(false);  // shown, never painted
    QTimer::singleShot(0, &form, [&form] { form.done(QDialog::Rejected); });
    app::ShowErrorLog(4, 5);
    EXPECT_EQ(form.windowTitle(), "Error Log Device 5, Port 4");
    EXPECT_EQ(Memo(form.ErrLogMemo), "");
    g_pMPItemLog[4][89] = saved;
    ClearPortRecord(4);
}

TEST_F(SmallDialogs, BarcodeBoxStoresOnEnterAndKeepsTwentyCharacters) {
    TBarcodeInputBoxForm form;
    form.m_nPort = 3;
    form.m_nDeviceNum = 255;
    form.FormShow(&form);
    EXPECT_EQ(form.windowTitle(), "Please input the SN(Port3)");
    EXPECT_TRUE(form.DeviceLabel->isHidden());
    EXPECT_EQ(form.BarcodeInputBoxLabeledEdit1->Caption(), "Serial Number");
    Type(form.BarcodeInputBoxLabeledEdit1, "1234567890123456789012");
    EXPECT_EQ(form.BarcodeInputBoxLabeledEdit1->text(), "12345678901234567890") << "a 21st character cannot be typed";
    Key(form.BarcodeInputBoxLabeledEdit1, Qt::Key_Return, "\r");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_STREQ(g_PortDevInfo[3].sBurnedSerialNum, "12345678901234567890");
    EXPECT_STREQ(gJMGlobal.sBurnedSerialNum[3], "12345678901234567890");
    EXPECT_TRUE(trace_.Contains("######### - Port 3 SN is 12345678901234567890\n"));
    ASSERT_EQ(trace_.Text().find("SN is"), trace_.Text().rfind("SN is")) << "Enter stores once";

    // The next showing starts empty; a character outside ASCII is stored as "?".
    form.m_nDeviceNum = 2;
    form.FormShow(&form);
    EXPECT_FALSE(form.DeviceLabel->isHidden());
    EXPECT_EQ(form.DeviceLabel->text(), "Device 2");
    EXPECT_EQ(form.BarcodeInputBoxLabeledEdit1->text(), "");
    Type(form.BarcodeInputBoxLabeledEdit1, QString::fromUtf8("A\xC3\xA9"
                                                             "1"));
    form.OKButtonClick(form.OKButton);
    EXPECT_STREQ(g_PortDevInfo[3].sBurnedSerialNum, "A?1");
    EXPECT_STREQ(gJMGlobal.sBurnedSerialNum[3], "A?1");
    ClearPortRecord(3);
}

TEST_F(SmallDialogs, WatermarkFollowsItsOwnSettingsFile) {
    {
        TWatermarkForm form(QPoint(100, 50));  // no "Tamrel.ini": the defaults
        EXPECT_TRUE(form.WatermarkLabel->isHidden());
        EXPECT_EQ(form.WatermarkLabel->text(), "Watermark String");
        EXPECT_EQ(form.pos(), QPoint(320, 50));
        EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
        form.MoveTo(10, 20);
        EXPECT_EQ(form.pos(), QPoint(10, 20));
    }
    std::ofstream(folder_ / "Tamrel.ini") << "[Setting]\r\nEnWatermark=1\r\nWatermarkString=ENGINEERING\r\n"
                                             "WatermarkLocation=1\r\n";
    TWatermarkForm form(QPoint(100, 50));
    EXPECT_FALSE(form.WatermarkLabel->isHidden());
    EXPECT_EQ(form.WatermarkLabel->text(), "ENGINEERING");
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.WatermarkLabel->font().family(), "Arial");
    EXPECT_EQ(form.WatermarkLabel->font().pixelSize(), 27);
    // Only the text's pixels belong to the window.
    EXPECT_FALSE(form.mask().isEmpty());
    EXPECT_TRUE(form.WatermarkLabel->geometry().contains(form.mask().boundingRect()));
    app::ScopedWatermarkWindow registered(form);
    app::Watermark_MoveTo(300, 40);
    EXPECT_EQ(form.pos(), QPoint(300, 40));
}

// The main window's engineering controls as the About box finds them.
struct EngineeringControls {
    EngineeringControls() {
        for (const char* name : {"LDPCReadEmptyThresholdGroupBox", "OtherSettingGroupBox", "DramTypeLabel",
                                 "DramTypeComboBox", "SWLThresholdLabeledEdit"}) {
            auto* w = new QWidget(&main);
            w->setObjectName(name);
            w->setGeometry(10, 22, 100, 82);
        }
        Find("LDPCReadEmptyThresholdGroupBox")->hide();
        Find("SWLThresholdLabeledEdit")->hide();
    }
    QWidget* Find(const char* name) { return main.findChild<QWidget*>(name); }
    QWidget main;
};

TEST_F(SmallDialogs, AboutCornerSwitchesTheEngineeringControls) {
    EngineeringControls controls;
    TAboutForm about(&controls.main);
    about.setUpdatesEnabled(false);  // opened, never painted
    about.FormShow(&about);
    EXPECT_EQ(about.windowTitle(), "About Quorv TEV100x MP/Sorting Tool");
    EXPECT_EQ(about.InfoMemo->toPlainText(), "");
    EXPECT_FALSE(about.LogoImage->pixmap().isNull());
    EXPECT_EQ(about.BottomImage->pixmap().size(), QSize(457, 25));
    EXPECT_EQ(about.LogoImage->geometry(), QRect(22, 48, 110, 70));

    // The press in the bottom-left corner reaches the hidden shape through the disabled panel.
    QWidget* corner = about.childAt(5, 205);
    ASSERT_EQ(corner, about.GodModeShape);
    const auto press = [&](Qt::KeyboardModifiers modifiers) {
        about.open();
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 11), QPointF(5, 205), Qt::LeftButton, Qt::LeftButton,
                          modifiers);
        QApplication::sendEvent(corner, &event);
        EXPECT_FALSE(about.isVisible()) << "either press closes the box";
    };
    press(Qt::ControlModifier);
    EXPECT_TRUE(about.GodMode());
    EXPECT_TRUE(trace_.Contains("######### - God Mode On!\n"));
    EXPECT_FALSE(controls.Find("LDPCReadEmptyThresholdGroupBox")->isHidden());
    EXPECT_FALSE(controls.Find("SWLThresholdLabeledEdit")->isHidden());
    EXPECT_EQ(controls.Find("OtherSettingGroupBox")->height(), 254);
    EXPECT_EQ(controls.Find("DramTypeLabel")->y(), 177);
    EXPECT_EQ(controls.Find("DramTypeComboBox")->y(), 199);
    // With the switch on, any press turns it off, Ctrl or not.
    press(Qt::ControlModifier);
    EXPECT_FALSE(about.GodMode());
    EXPECT_TRUE(trace_.Contains("######### - God Mode Off!\n"));
    EXPECT_TRUE(controls.Find("LDPCReadEmptyThresholdGroupBox")->isHidden());
    EXPECT_EQ(controls.Find("OtherSettingGroupBox")->height(), 82);
    EXPECT_EQ(controls.Find("DramTypeLabel")->y(), 22);
    EXPECT_EQ(controls.Find("DramTypeComboBox")->y(), 44);
    press(Qt::NoModifier);
    EXPECT_FALSE(about.GodMode());
}

// The openers the main window calls: members set, then the window shown; traced while none exists.
TEST_F(SmallDialogs, OpenersSetTheMembersOfTheRegisteredWindow) {
    struct Log : app::ErrorLogWindow {
        void ShowModal() override { shown.push_back({m_nPort, m_nDeviceNum}); }
        std::vector<std::pair<int, int>> shown;
    } log;
    struct Info : app::DeviceInfoWindow {
        void ShowModal() override { shown.push_back({m_nPort, m_nDeviceNum}); }
        std::vector<std::pair<int, int>> shown;
    } info;
    struct Flash : app::CheckFlashToolWindow {
        void ShowModal() override { ++shown; }
        int shown = 0;
    } flash;
    struct About : app::AboutBox {
        void ShowModal() override { ++shown; }
        int shown = 0;
    } about;
    const std::uint8_t chSet[8] = {0, 1, 2, 3, 255, 255, 255, 255};
    const std::uint8_t bankSet[4] = {0, 1, 255, 255};
    app::ShowErrorLog(1, 2);
    app::ShowDeviceInfo(1, 2);
    app::ShowCheckFlashTool(1, 4, 2, chSet, bankSet);
    app::ShowAbout();
    for (const char* name : {"TErrorLogForm", "TDeviceInfoForm", "TCheckFlashToolForm", "TAboutForm"}) {
        EXPECT_TRUE(trace_.Contains(std::string("######### - ") + name + " is not available\n")) << name;
    }
    {
        app::ScopedErrorLogWindow r1(log);
        app::ScopedDeviceInfoWindow r2(info);
        app::ScopedCheckFlashToolWindow r3(flash);
        app::ScopedAboutBox r4(about);
        app::ShowErrorLog(7, 3);
        app::ShowDeviceInfo(9, 4);
        app::ShowCheckFlashTool(11, 4, 2, chSet, bankSet);
        app::ShowAbout();
    }
    EXPECT_EQ(log.shown, (std::vector<std::pair<int, int>>{{7, 3}}));
    EXPECT_EQ(info.shown, (std::vector<std::pair<int, int>>{{9, 4}}));
    EXPECT_EQ(flash.shown, 1);
    EXPECT_EQ(flash.m_nPort, 11);
    EXPECT_EQ(flash.m_ucMPChannel, 4);
    EXPECT_EQ(flash.m_ucChSet[3], 3);
    EXPECT_EQ(flash.m_ucBankSet[1], 1);
    EXPECT_EQ(about.shown, 1);
    // A window that goes unregisters itself, leaving another registered window alone.
    app::ScopedErrorLogWindow keep(log);
    { TErrorLogForm other; }
    trace_.Clear();
    app::ShowErrorLog(1, 1);
    EXPECT_EQ(log.shown.size(), 2u);
}

}  // namespace
