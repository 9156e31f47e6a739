// The run on the main window, offscreen, on a copy of the demo station: START's refusals, the
// elapsed time, Reset Yield, a double click, and whole runs over emulated drives.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <atomic>
#include <cstring>

#include "app/mp_item_table.h"
#include "app/mp_procedures.h"
#include "app/mp_worker.h"
#include "app/run_text.h"
#include "forms/gui_call.h"
#include "forms/message_pump.h"
#include "mp_run/run_fixture.h"
#include "settings/firmware_bins.h"

namespace mp_test {
namespace {

namespace fs = std::filesystem;
using window_test::ReadText;

TEST(ElapsedText, Table) {
    struct Row {
        std::uint64_t seconds;
        const char* text;
    };
    for (const Row& row : {Row{0, ""}, Row{61, "1 Min 1 Sec"}, Row{3600, "1 Hour "}, Row{3725, "1 Hour 2 Min 5 Sec"},
                           Row{20, "20 Sec"}}) {
        EXPECT_EQ(app::ElapsedText(row.seconds), row.text) << row.seconds;
    }
}

TEST_F(RunTest, ResetYieldWritesZerosAlsoBeforeAnyRun) {
    TMainForm& w = Open(0);
    w.ResetYieldButtonClick(w.ResetYieldButton);
    const std::string text = ReadText(app::LogFolderPath(w.m_sLogPath) / "RAVEZ.log");
    EXPECT_NE(text.find("TotalTestCount=0"), std::string::npos) << text;
    EXPECT_NE(text.find("NumberOfPass=0"), std::string::npos) << text;
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "0 / 0");
}

// The serial-number controls of the Device Setting page, set as an operator would.
void SerialControls(TMainForm& w, const char* prefix, const char* number, int length, const char* max) {
    w.Control<QComboBox>("SNInputComboBox")->setCurrentIndex(1);  // "Auto Increase in Dec"
    for (const auto& [name, text] :
         {std::pair{"SerialNumberPrefixLabeledEdit", prefix}, std::pair{"SerialNumberEdit", number},
          std::pair{"SerialNumberSuffixEdit", ""}, std::pair{"MaxSNEdit", max}}) {
        w.Control<QLineEdit>(name)->setText(text);
    }
    w.Control<QSpinBox>("SNLengthSpinEdit")->setValue(length);
    w.Control<QCheckBox>("MaxSNCheckBox")->setChecked(max != nullptr);
}

// Gives `key` the value `value` in every section of the station's Para file.
void SetParaKey(const fs::path& station, const std::string& key, const std::string& value) {
    const fs::path file = station / "PARA" / "Para_B27B.ini";
    std::string text = ReadText(file);
    for (std::size_t at = 0; (at = text.find("\n" + key + "=", at)) != std::string::npos;) {
        at += key.size() + 2;
        text.replace(at, text.find_first_of("\r\n", at) - at, value);
    }
    window_test::WriteText(file, text);
}

TEST_F(RunTest, RefusalsStartNothingAndUnlock) {
    // Each row arranges the refusal and gives the text it must show.
    struct Row {
        const char* name;
        std::function<std::string(TMainForm&, const fs::path&)> arrange;
    };
    // (A row before may have left its DRAM switches in the station's settings.)
    // START copies the pages into the records: the DRAM switches are set on their controls.
    const auto downloading = [](TMainForm& w) {
        AP_INIState.dwItemEnable[kItemDownload] = 1;
        w.Control<QComboBox>("DramTypeComboBox")->setCurrentIndex(1);
        w.Control<QCheckBox>("DRAMlessCheckBox")->setChecked(false);  // the station's firmware is for the DRAM controller
    };
    const std::vector<Row> rows = {
        {"EmptyField",
         [](TMainForm& w, const fs::path&) {
             w.YieldLabeledEdit->SetText("");
             return w.YieldLabeledEdit->Caption().toStdString() + " is empty!";
         }},
        {"SerialNumberLength",
         [](TMainForm& w, const fs::path&) {
             SerialControls(w, "KST", "0001", 13, nullptr);
             return std::string("Please check SN Length!");
         }},
        {"MaxSerialNumberLength",
         [](TMainForm& w, const fs::path&) {
             SerialControls(w, "KST000", "0001", 10, "12345");
             return std::string("Please check Max SN Length!");
         }},
        {"NoTestItem",
         [](TMainForm& w, const fs::path&) {
             for (int i = 0; i < w.FunCheckListBox->Count(); ++i) w.FunCheckListBox->SetChecked(i, false);
             return std::string("Please select test item!");
         }},
        {"NoDramType",
         [](TMainForm& w, const fs::path&) {
             w.Control<QComboBox>("DramTypeComboBox")->setCurrentIndex(0);
             return std::string("Please select a DRAM type!");
         }},
        {"ChipForDram",
         [downloading](TMainForm& w, const fs::path&) {
             downloading(w);
             w.Control<QCheckBox>("DRAMlessCheckBox")->setChecked(true);  // its handler clears the DRAM type
             w.Control<QComboBox>("DramTypeComboBox")->setCurrentIndex(1);
             const std::string file = fs::path(AP_Bins.sBinFile).filename().string();
             return "The \"" + file + "\" is for TEV1001(DRAM)!\n";
         }},
        {"ChipForDramless",
         [downloading](TMainForm& w, const fs::path&) {
             downloading(w);
             // The station's firmware image, its chip version changed to the DRAM-less controller.
             const fs::path image(AP_Bins.sBinFile);
             std::string bytes = ReadText(image);
             const std::size_t at = bytes.find("TEV1001");
             if (at != std::string::npos) bytes.replace(at, 7, "TEV1002");
             window_test::WriteText(image, bytes);
             return "The \"" + image.filename().string() + "\" is for TEV1002(DRAMless)!\n";
         }},
        {"HspdOverIdemaThird",
         [downloading](TMainForm& w, const fs::path& station) {
             downloading(w);
             SetParaKey(station, "HSPD_CAPACITY", "60000");
             return std::string("Please adjust HSPD Capacity.\nIt's over (IDEMA/3) Capacity!");
         }},
        {"DynamicCacheOverHspd",
         [downloading](TMainForm& w, const fs::path& station) {
             downloading(w);
             SetParaKey(station, "DCO", "100");
             return std::string("Please adjust Dynamic Cache Once.\nIt's over HSPD Capacity!");
         }},
        {"GdpUnreadable",
         [](TMainForm&, const fs::path& station) {
             fs::remove(station / "GDP.bin");  // after the start-up checks described it
             return std::string("Read GDP to buffer fail!");
         }},
        {"MissingDataFile",
         [](TMainForm&, const fs::path& station) {
             fs::remove(station / "DAT" / "opal.bin");
             return "The \"" + (station / "DAT" / "opal.bin").string() + "\" file cann't be found!\n";
         }},
    };
    for (const Row& row : rows) {
        TMainForm& w = Open(2);
        // A row before may have left its serial-number mode in the station's settings.
        w.Control<QComboBox>("SNInputComboBox")->setCurrentIndex(0);
        w.Control<QCheckBox>("MaxSNCheckBox")->setChecked(false);
        app::ScopedMpProcedures procs(Passing());
        const std::string text = row.arrange(w, station_);
        ui_.Clear();
        w.DevicePanelDblClick(1);  // answered No by the scripted port: nothing
        ui_.AnswerYesNo(true);
        w.DevicePanelDblClick(1);
        bool found = false;
        for (const auto& m : Messages()) found |= m == text;
        std::string all;
        for (const auto& m : Messages()) all += "[" + m + "]";
        EXPECT_TRUE(found) << row.name << ": " << all;
        EXPECT_EQ(w.m_bRunning, 0) << row.name;
        EXPECT_TRUE(w.ExecuteButton->isEnabled()) << row.name;
        EXPECT_EQ(g_SelectedDevice, 0) << row.name;
        for (const auto& worker : w.m_hThread) EXPECT_FALSE(worker) << row.name;
        EXPECT_EQ(LoadField(g_PortDevInfo[g_DeviceToPortMap[1]].iStatus), 0) << row.name;
        CloseWindow();
        window_test::ProcessState::Reset();
        // The station's files the rows change, put back.
        for (const char* file : {"PARA/Para_B27B.ini", "DAT/opal.bin", "GDP.bin", "SYS/TCJHCALC.bin"}) {
            fs::copy_file(fs::path(QV_DEMO_STATION) / file, station_ / file, fs::copy_options::overwrite_existing);
        }
    }
}

TEST_F(RunTest, SixDrivesPassCountedReportedAndLogged) {
    TMainForm& w = Open(6);
    window_test::RecordingFixture fixture;
    app::ScopedFixtureWindow scopedFixture(fixture);
    app::ScopedMpProcedures procs(Passing());
    AP_INIState.SNInputMode = 1;
    // START refuses an empty prefix edit and copies the pages into the records.
    std::strcpy(AP_INIState.SerialNum, "00000000009");
    std::strcpy(AP_INIState.SerialNumPrefix, "KS");
    w.UpdateStruct2UI();
    w.ExecuteButtonClick(w.ExecuteButton);
    EXPECT_EQ(w.m_bRunning, 0);
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "6 / 6");
    EXPECT_EQ(fixture.results.size(), 6u);
    for (const auto& [port, status] : fixture.results) EXPECT_EQ(status, 8);
    // Each worker's copy held its own number; the next one is left for the next run.
    EXPECT_STREQ(g_PortDevInfo[g_DeviceToPortMap[0]].sBurnedSerialNum, "KS00000000009");
    EXPECT_STREQ(g_PortDevInfo[g_DeviceToPortMap[1]].sBurnedSerialNum, "KS00000000010");
    EXPECT_STREQ(AP_INIState.SerialNum, "00000000015");
    for (int d = 0; d < 6; ++d) {
        EXPECT_EQ(g_DeviceSlots.Read(d).status, "Pass") << d;
        EXPECT_FALSE(w.m_hThread[d]) << d;  // emptied after the run
        EXPECT_FALSE(w.m_Timers.IsActive(g_DeviceTimerID[d])) << d;
    }
    // AP_OtSet: the run's time in 16 characters without a terminator.
    EXPECT_EQ(std::string(AP_OtSet.sMPTime, 16), "2026/07/04 13:05");
    const std::string log = ReadText(w.m_MpLog.m_sLogFile);
    int rows = 0;
    for (std::size_t at = 0; (at = log.find("\r\n", at)) != std::string::npos; at += 2) ++rows;
    EXPECT_EQ(rows, 7) << log;  // the header and six rows
    EXPECT_TRUE(trace_.Contains("######### - 1 - nExitThread is 6\n"));
}

TEST_F(RunTest, WatchdogEndsAHungWorkerStopEndsTheRest) {
    TMainForm& w = Open(3);
    window_test::RecordingFixture fixture;
    app::ScopedFixtureWindow scopedFixture(fixture);
    app::MpProcedures procs = Passing();
    std::atomic<int> hung{0};
    unsigned armed = 0;
    // Once every worker hangs, device 0's watchdog fires; then Stop ends devices 1 and 2.
    const auto expire = [&w, &armed] {
        armed = w.m_Timers.Interval(g_DeviceTimerID[0]);
        w.OnTimer(g_DeviceTimerID[0]);
        w.StopSpeedButtonClick(w.StopSpeedButton);
    };
    procs.VP_PROC_CheckFlashModule = [&hung, expire](int, std::uint8_t*) {
        if (++hung == 3) forms::PostToGui(expire);
        for (;;) platform::Sleep(100);  // a drive busy for ever
        return false;
    };
    app::ScopedMpProcedures scoped(procs);
    w.ExecuteButtonClick(w.ExecuteButton);
    EXPECT_EQ(armed, AP_INIState.TimeOut);
    const PortDevInfo& timedOut = g_PortDevInfo[g_DeviceToPortMap[0]];
    EXPECT_EQ(timedOut.iErrorCode, 38);
    EXPECT_EQ(timedOut.iStatus, -1);
    EXPECT_EQ(timedOut.iResult, 0);
    for (int d = 1; d < 3; ++d) {
        const PortDevInfo& r = g_PortDevInfo[g_DeviceToPortMap[d]];
        EXPECT_EQ(r.iErrorCode, 95) << d;
        EXPECT_EQ(r.iStatus, -1) << d;
        EXPECT_EQ(g_DeviceSlots.Read(d).status, "(S00) Stop") << d;
    }
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "0 / 2");  // the timed-out drive is not counted
    // The stopped drives are reported failed (9); the timed-out one is not reported.
    EXPECT_EQ(fixture.results,
              (std::vector<std::pair<int, int>>{{g_DeviceToPortMap[1], 9}, {g_DeviceToPortMap[2], 9}}));
    EXPECT_TRUE(trace_.Contains("######### - 1 - nStopThread is 3\n"));
    // Every row carries the code of the item its worker was running, that item "----".
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    for (int d = 0; d < 3; ++d) {
        const std::vector<std::string> row = Cells(lines[d + 1]);
        ASSERT_GE(row.size(), 7u) << lines[d + 1];
        EXPECT_EQ(row[5], "----") << lines[d + 1];
        EXPECT_EQ(row[row.size() - 2], "M00") << lines[d + 1];
    }
}

// The real library against emulated drives: the start into the diagnostic firmware and faults
// scheduled at its start.
TEST_F(RunTest, RealStartOnEmulatedDrives) {
    struct Row {
        const char* faultAt;
        int status;
        int code;
        const char* text;
    };
    // Without a fault the start succeeds and the worker reaches its item steps (what the flash module
    // check then says depends on the sample part against the emulated flash).
    for (const Row& row :
         {Row{"", 0, 0, nullptr}, Row{"gdp:vendorrefuse", -1, 0, "()  Fail"}, Row{"gdp:unplug", -1, 0, "()  Fail"}}) {
        TMainForm& w = Open(1, std::string("FaultAt=") + row.faultAt + "\n");
        std::fill(std::begin(AP_INIState.dwItemEnable), std::end(AP_INIState.dwItemEnable), 0);
        AP_INIState.dwItemEnable[1] = 1;  // Flash Module only
        w.ExecuteButtonClick(w.ExecuteButton);
        const PortDevInfo& r = g_PortDevInfo[g_DeviceToPortMap[0]];
        EXPECT_NE(r.iStatus, 2) << row.faultAt;
        if (row.text != nullptr) {
            EXPECT_EQ(r.iStatus, row.status) << row.faultAt;
            EXPECT_EQ(r.iErrorCode, row.code) << row.faultAt;
            EXPECT_EQ(g_DeviceSlots.Read(0).status, row.text) << row.faultAt;
        } else {
            EXPECT_NE(g_DeviceSlots.Read(0).status, "()  Fail");
            EXPECT_TRUE(trace_.Contains("######### - [0]VP_PROC_CheckFlashModule") ||
                        trace_.Contains("VP_PROC_CheckFlashModule"));
        }
        EXPECT_FALSE(w.m_hThread[0]);
        CloseWindow();
        window_test::ProcessState::Reset();
    }
}

// `make run`'s scenario: the demo station's own bay of eight drives and its sample settings, START
// clicked by its name, the real library against the emulated drives: every drive passes the sample's
// items and the MP log gets one row per drive.
TEST_F(RunTest, DemoStationStartPassesEveryDrive) {
    InstallStationBay();
    TMainForm& w = OpenWindow();
    Enumerate();
    auto* start = w.findChild<QPushButton*>("ExecuteButton");
    ASSERT_NE(start, nullptr);
    ASSERT_TRUE(start->isEnabled());
    start->click();
    EXPECT_EQ(w.m_bRunning, 0);
    for (int d = 0; d < 9; ++d) {
        const PortDevInfo& r = g_PortDevInfo[g_DeviceToPortMap[d]];
        EXPECT_EQ(g_DeviceSlots.Read(d).status, "Pass") << d;
        EXPECT_EQ(r.iErrorCode, 0) << d;
        EXPECT_FALSE(w.m_hThread[d]) << d;
    }
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "9 / 9");
    // The sample's serial numbers increase in decimal: nine different ones, the next one shown.
    for (int d = 0; d < 9; ++d) {
        char expected[20];
        std::snprintf(expected, sizeof expected, "KST%010d", d + 1);
        EXPECT_STREQ(g_PortDevInfo[g_DeviceToPortMap[d]].sBurnedSerialNum, expected) << d;
    }
    EXPECT_EQ(w.Control<QLineEdit>("SerialNumberEdit")->text().toStdString(), "0000000010");
    const std::string log = ReadText(w.m_MpLog.m_sLogFile);
    int rows = 0;
    for (std::size_t at = 0; (at = log.find("\r\n", at)) != std::string::npos; at += 2) ++rows;
    EXPECT_EQ(rows, 10) << log;  // the header and nine rows (the formatted drive on the root hub too)
    if (HasFailure()) window_test::WriteText(station_.parent_path() / "qv_demo_run_trace.txt", trace_.Text());
}

}  // namespace
}  // namespace mp_test
