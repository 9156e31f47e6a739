// Every caption of both programs' windows shows whole in the windows' font: labels, buttons, check
// boxes and radio buttons after their indicator, group titles and list headers, measured the way
// the style draws them (layout_walk.h). The test program registers the font as the programs do, and
// checks that the font in use is the Tahoma-metric one whenever its file is installed, so that a
// fallback to the system font cannot pass unseen.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <cstdio>
#include <cstring>

#include "app/lun_status.h"
#include "app/mp_item_table.h"
#include "dialogs/about_form.h"
#include "dialogs/barcode_form.h"
#include "dialogs/check_flash_form.h"
#include "dialogs/device_info_form.h"
#include "dialogs/error_log_form.h"
#include "dialogs/flash_detect_form.h"
#include "dialogs/lun_select_form.h"
#include "dialogs/watermark_form.h"
#include "fixture/ruzeve_form.h"
#include "forms/window_font.h"
#include "layout/layout_walk.h"
#include "sorting/sort_main_form.h"
#include "support/settings_records.h"
#include "support/station_window.h"
#include "utility/main_form.h"

namespace {

using layout_test::CutCaptions;
using layout_test::Lines;

bool WindowFontInstalled() {
    return QFile::exists(forms::WindowFontFiles().front());
}

// Shows the window (offscreen) and expects every caption whole. The windows drawn for Arial
// (Vellumin's, the flash-detection dialog) take the system's Arial or its stand-in.
void ExpectCaptionsWhole(QWidget& window, bool tahoma = true) {
    window.show();
    QApplication::processEvents();
    if (tahoma && WindowFontInstalled()) {
        EXPECT_EQ(QFontInfo(window.font()).family().toStdString(), "Tahoma");
    }
    EXPECT_EQ(Lines(CutCaptions(window)), "") << "measured in " << QFontInfo(window.font()).family().toStdString();
}

class Captions : public window_test::StationWindowTest {};

TEST(WindowFont, IsTheTahomaMetricFaceWheneverItsFileIsInstalled) {
    if (!WindowFontInstalled()) GTEST_SKIP() << "no " << forms::WindowFontFiles().front().toStdString();
    const QFontInfo info(QApplication::font());
    EXPECT_EQ(info.family().toStdString(), "Tahoma");
    EXPECT_EQ(info.pixelSize(), forms::kWindowFontPixels);
}

// The longest status text a device panel gets: a failed item's code and name.
QString LongestFailureText() {
    QString longest;
    for (const MPItemRecord& row : g_MPItemTable) {
        char text[96];
        std::snprintf(text, sizeof text, "(%s) %s Fail", row.sCode, row.sItemName);
        if (std::strlen(text) > static_cast<std::size_t>(longest.size())) longest = text;
    }
    return longest;
}

TEST_F(Captions, MainWindowInBothSizesBothLayoutsAndBothToolModes) {
    TMainForm& w = OpenWindow();
    for (QLabel* label : w.DeviceLabel) label->setText(LongestFailureText());
    for (QAction* mode : {w.MPT, w.SORT}) {
        mode->trigger();
        for (QAction* size : {w.Full, w.Partial}) {
            for (QAction* layout : {w.ListLayout, w.BlockLayout}) {
                SCOPED_TRACE((mode->text() + ", " + size->text() + ", " + layout->text()).toStdString());
                size->trigger();
                layout->trigger();
                ExpectCaptionsWhole(w);
            }
        }
    }
    ExpectCaptionsWhole(*w.TMCFolderForm);
    w.AutoPortMappingLabel->setText("Please insert the 16th device!");
    ExpectCaptionsWhole(*w.AutoPortMappingForm);
}

TEST_F(Captions, SortingResultWindowWithEveryDieItsLightsAndTheEccPage) {
    test_support::SettingsRecordsGuard records;
    AP_INIState.MaxPhyChannel = 8;
    AP_INIState.MaxPhyBank = 4;
    AP_FlashSet.ucDiePerCE = 4;  // all four LUN radios
    std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
    AP_RDTSet.SaveResultLog = 2;  // Save Log shown
    AP_RDTSet.DisDBG_SORT = 1;
    TSortMainForm form;
    form.m_ucPort = 200;  // no drive
    // Every die drawn with four-digit counts, as a die of thousands of blocks can have.
    form.SetParseStep([](sorting::SortResults& r, std::uint8_t, sorting::SortResultView& view) {
        std::uint8_t tag = 0;
        for (std::uint8_t ch = 0; ch < 8; ++ch) {
            for (std::uint8_t bank = 0; bank < 4; ++bank) {
                tables::DieTestInfo& d = r.m_DieTestInfo[ch][bank][0];
                d.TotalBadNum = d.EraseFailNum = d.ProgramFailNum = d.ECCFailNum = d.FactoryBadNum = 9999;
                d.Plane0Num = d.Plane1Num = d.Plane2Num = d.Plane3Num = 9999;
                d.TestResult = 1;
                view.SetResult2UI(ch, tag++, 0, bank);
            }
        }
        view.CheckLunRadio(0);
        return 1;
    });
    ExpectCaptionsWhole(form);
    form.hide();
}

TEST_F(Captions, FixtureWindow) {
    TMainForm& w = OpenWindow();
    TRuzeVEForm form(w, (station_ / "RIVIDO.ini").string());
    ExpectCaptionsWhole(form);
    form.hide();
}

TEST_F(Captions, Dialogs) {
    TMainForm& w = OpenWindow();
    {
        TAboutForm about(&w);
        ExpectCaptionsWhole(about);
    }
    {
        TBarcodeInputBoxForm barcode;
        barcode.m_nPort = 127;
        barcode.m_nDeviceNum = 16;
        ExpectCaptionsWhole(barcode);
    }
    {
        TCheckFlashToolForm tool(&w);
        ExpectCaptionsWhole(tool);
    }
    {
        TDeviceInfoForm info;
        ExpectCaptionsWhole(info);
    }
    {
        TErrorLogForm log;
        ExpectCaptionsWhole(log);
    }
    {
        TFlashDetectInfoForm detect(&w);
        ExpectCaptionsWhole(detect, false);
    }
    {
        // Every cell of eight channels, four CEs and four LUNs.
        const LunStatus_t saved = gLunStatus;
        gLunStatus.ChNum = 8;
        gLunStatus.CeNum = 4;
        gLunStatus.DiePerCe = 4;
        std::memset(gLunStatus.ChCeSelect, 1, sizeof gLunStatus.ChCeSelect);
        TLunSelectForm lun;
        ExpectCaptionsWhole(lun);
        lun.hide();
        gLunStatus = saved;
    }
    {
        TWatermarkForm watermark(QPoint(0, 0));
        ExpectCaptionsWhole(watermark);
    }
}

TEST_F(Captions, VelluminWindow) {
    vellumin::TMainForm form;
    ExpectCaptionsWhole(form, false);
}

}  // namespace
