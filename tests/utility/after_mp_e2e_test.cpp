// Vellumin on a drive that the MP steps prepared in this process: the diagnostic firmware loaded,
// the loader blocks downloaded, the system firmware booted from them; the refresh then shows what
// the station wrote.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QPlainTextEdit>
#include <QTableWidget>
#include <algorithm>
#include <cstring>

#include "emu/image_generator.h"
#include "forms/scripted_ui_port.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Download.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/loader_fixture.h"
#include "support/emulated_drives.h"
#include "support/gdp_image_file.h"
#include "transport/trace.h"
#include "utility/device_state.h"
#include "utility/fw_param_text.h"
#include "utility/main_form.h"
#include "utility/page_text.h"
#include "utility/program_setup.h"

namespace {

using loader_test::Bytes;

vellumin::Lines MemoLines(QPlainTextEdit* memo) {
    vellumin::Lines lines;
    for (const QString& line : memo->toPlainText().split('\n')) lines.push_back(line.toStdString());
    return lines;
}
using vellumin::Lines;

TEST(AfterMpE2e, TheRefreshShowsWhatTheStationWrote) {
    loader_test::LoaderGuard guard;
    loader_test::TempFolder folder("vellumin-after-mp");
    platform::VirtualClock clock;
    platform::ScopedClock useClock(clock);
    platform::TraceCapture trace;
    const AP_FlashSet_t savedFlash = AP_FlashSet;
    const AP_FwSet_t savedFw = AP_FwSet;
    const AP_INIState_t savedIni = AP_INIState;

    test_support::WriteGdpImage((folder.Path() / "GDP.bin").string(), emu::images::DemoGdpPlan());
    const std::filesystem::path savedProgramFolder = platform::ProgramFolder();
    platform::SetProgramFolder(folder.Path());
    test_support::EmulatedDrives drives({"Sectors=4194304"});
    ASSERT_EQ(drives.Error(), "");
    AP_INIState = AP_INIState_t{};
    AP_FlashSet = AP_FlashSet_t{};
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    Bytes remap, bitmap, counts;
    loader_test::PrepareDownload(folder, remap, bitmap, counts);
    Bytes work(kLoaderPageBufBytes);
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work.data(), "SN-VELLUMIN-01", ""));
    ASSERT_TRUE(VP_JumpToSystem(0, work.data()));
    const AP_FlashSet_t written = AP_FlashSet;
    const AP_FwSet_t writtenFw = AP_FwSet;
    const auto paramPage = drives.Nand(0).Peek({0, 0, 0, 0, 88});
    ASSERT_TRUE(paramPage);

    // Vellumin, in the same process: its own variant of the library and records learnt from the drive.
    vellumin::SetUpLibrary();
    AP_FlashSet = AP_FlashSet_t{};
    AP_FwSet = AP_FwSet_t{};
    forms::ScriptedUiPort ui;
    forms::ScopedUiPort useUi(ui);
    {
        vellumin::TMainForm form;
        vellumin::g_nDeviceCount = 1;
        vellumin::g_bInstance = 0;
        form.UpdateInfo(true);
        ASSERT_TRUE(form.m_pThread[0]);
        while (!form.m_pThread[0]->Finished()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
        EXPECT_TRUE(ui.Shown().empty()) << ui.Shown().front().text;
        EXPECT_EQ(form.CGauge1->Progress(), 100);
        // The bad-block page lists what the station's defect tables hold; the UART log has the new start.
        EXPECT_NE(form.BadBlockSummaryMemo->toPlainText().toStdString().find("SUM "), std::string::npos)
            << form.BadBlockSummaryMemo->toPlainText().toStdString();
        EXPECT_NE(form.UartLogMemo->toPlainText().toStdString(), "NO UART LOG INFO!");

        const Lines ssd = MemoLines(form.SSDSettingMemo);
        ASSERT_GE(ssd.size(), 11u);
        EXPECT_EQ(ssd[0], "Channel number : " + std::to_string(written.ucChannel));
        EXPECT_EQ(ssd[1], "Total bank : " + std::to_string(written.ucBankNum));
        EXPECT_EQ(ssd[3], "LDPC mode : LDPC Rate " + std::to_string(written.ucLdpcMode));
        EXPECT_EQ(ssd[4], vellumin::Format("Defect block percentage : %4.1f%%", writtenFw.wDefRatio / 10.0));
        EXPECT_EQ(ssd[5], vellumin::Format("Reserved block percentage : %4.1f%%", writtenFw.wResRatio / 10.0));
        EXPECT_EQ(ssd[9], vellumin::Format("Customer ID : %04X", transport::GetLe32(paramPage->data() + 936)));
        EXPECT_EQ(ssd[10], vellumin::Format("Customer Feature ID : %04X", transport::GetLe32(paramPage->data() + 940)));
        const Lines flash = MemoLines(form.FlashInfoMemo);
        EXPECT_EQ(flash[0].rfind("Flash model : B27B512G-TLC (", 0), 0u) << flash[0];
        EXPECT_EQ(flash[7], "Plane : " + std::to_string(written.ucPlanes));

        // The flash-ID lines, one per channel and bank, then the parameter structures byte for byte.
        const Lines fw = MemoLines(form.FwInfoMemo);
        const int ids = written.ucChannel * written.ucBankNum;
        ASSERT_GT(static_cast<int>(fw.size()), ids);
        EXPECT_EQ(fw[0].rfind("Flash_ID : 0x", 0), 0u) << fw[0];
        const Lines region = vellumin::SystemParamLines(paramPage->data() + 512);
        const std::string shown = form.FwInfoMemo->toPlainText().toStdString();
        for (const std::string& line : region) {
            std::string expected = line;
            for (std::size_t at; (at = expected.find("\r\n")) != std::string::npos;) expected.replace(at, 2, "\n");
            EXPECT_NE(shown.find(expected), std::string::npos) << line;
        }
        // Erase counts of the booted table and the SMART pages.
        EXPECT_EQ(MemoLines(form.EraseCountMemo)[0].rfind("CH/CE\t[0]/[0]\t", 0), 0u);
        ASSERT_NE(form.SmartStringGrid->item(1, 0), nullptr);
        EXPECT_EQ(form.SmartStringGrid->item(1, 0)->text().toStdString(), "09");
        EXPECT_EQ(form.StandardSmartInfoStringGrid->item(11, 1)->text().toStdString(), "Power Cycles");
    }
    SetRawDumpFolder("");
    platform::SetProgramFolder(savedProgramFolder);
    AP_FlashSet = savedFlash;
    AP_FwSet = savedFw;
    AP_INIState = savedIni;
}

}  // namespace
