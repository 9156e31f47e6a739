// Whole runs on emulated drives with faults scheduled in the bay: each drive's outcome on its
// panel, in the counters and in the MP log, the watchdog delivered by its id, and the device map
// after the run.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QString>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "app/mp_item_table.h"
#include "app/mp_procedures.h"
#include "app/run_state.h"
#include "mp_run/run_fixture.h"

namespace mp_test {
namespace {

// Drive 1 pulled when its diagnostic firmware starts, drive 2 silent after its 200th command,
// drive 3 refusing vendor mode after its diagnostic firmware starts, drive 4 busy for ever at the
// bad-block gather (ended by its watchdog), drives 5 and 6 sound.
TEST_F(RunTest, FaultsInOneRun) {
    auto bay = InstallBay(BayOfHubs(1, 6));
    for (const auto& [drive, fault] : {std::pair{"drive1", "gdp:unplug"}, std::pair{"drive2", "after200:noanswer"},
                                       std::pair{"drive3", "gdp:vendorrefuse"}, std::pair{"drive4", "code02:busy"}}) {
        std::string error;
        ASSERT_TRUE(bay->ScheduleFault(drive, fault, &error)) << drive << ": " << error;
    }
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 6);
    const std::uint16_t pulledPort = g_DeviceToPortMap[0];
    const int watchdog = g_DeviceTimerID[3];
    // Drive 4's watchdog is delivered once it is armed, the other five workers have ended and the
    // removal of drive 1 has reached the window.
    unsigned armed = 0;
    const bool delivered = DuringRun([&w] { w.findChild<QPushButton*>("ExecuteButton")->click(); },
                                     [&] {
                                         for (int d : {0, 1, 2, 4, 5}) {
                                             if (!w.m_hThread[d] || !w.m_hThread[d]->Finished()) return false;
                                         }
                                         return w.m_hThread[3] && w.m_Timers.IsActive(watchdog) &&
                                                trace_.Contains("\nDevice Change begin \r\n");
                                     },
                                     [&] {
                                         armed = w.m_Timers.Interval(watchdog);
                                         w.OnTimer(watchdog);
                                     });
    ASSERT_TRUE(delivered);
    EXPECT_EQ(armed, AP_INIState.TimeOut);
    EXPECT_EQ(w.m_bRunning, 0);

    struct Expected {
        int status, code, result;
        const char* text;
        std::uint32_t colour;
    };
    const Expected expected[6] = {
        {-1, 0, 0, "()  Fail", kColourFail}, {-1, 4, 0, "(B00) Flash Interface Fail", kColourFail},
        {-1, 0, 0, "()  Fail", kColourFail}, {-1, 38, 0, "(T00)  Fail", kColourFail},
        {1, 0, 0, "Pass", kColourPass},      {1, 0, 0, "Pass", kColourPass},
    };
    for (int d = 0; d < 6; ++d) {
        const PortDevInfo& r = g_PortDevInfo[g_DeviceToPortMap[d]];
        const DeviceSlot slot = g_DeviceSlots.Read(d);
        EXPECT_EQ(r.iStatus, expected[d].status) << d;
        EXPECT_EQ(r.iErrorCode, expected[d].code) << d;
        EXPECT_EQ(r.iResult, expected[d].result) << d;  // the bookkeeping took the counted results
        EXPECT_EQ(slot.status, expected[d].text) << d;
        EXPECT_EQ(slot.colour, expected[d].colour) << d;
        EXPECT_FALSE(w.m_hThread[d]) << d;  // joined and emptied
    }
    // Every worker ended by itself or was stopped: none ended any other way.
    EXPECT_TRUE(trace_.Contains("######### - 1 - nExitThread is 5\n"));
    EXPECT_TRUE(trace_.Contains("######### - 1 - nStopThread is 1\n"));
    // Drive 4 is neither counted nor reported.
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "2 / 5");
    const std::vector<std::string> lines = LogLines();
    // The header and one row per drive: its port, then the item cells and the code. Drive 4's row
    // carries the code of the item it was running when its watchdog fired, that item "----".
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(Cells(lines[0]), (std::vector<std::string>{"   No.", "  Port", "", "  StartTime", "", "    EndTime",
                                                         " SerialNumber", "Module", "Bus", "Flash", "Dram", "PF", "DL",
                                                         "R/W", "Table", "CheckTemper", "Result", ""}));
    const std::vector<std::vector<std::string>> cells = {
        {"----", "----", "----", "----", "----", "----", "----", "----", "----", ""},
        {"Pass", "Pass", "Fail", "Fail", "Fail", "Fail", "Fail", "Fail", "----", "B00"},
        {"----", "----", "----", "----", "----", "----", "----", "----", "----", ""},
        {"Pass", "Pass", "Pass", "Pass", "----", "----", "----", "----", "----", "C00"},
        {"Pass", "Pass", "Pass", "Pass", "Pass", "Pass", "Pass", "Pass", "----", "Pass"},
        {"Pass", "Pass", "Pass", "Pass", "Pass", "Pass", "Pass", "Pass", "----", "Pass"},
    };
    for (int d = 0; d < 6; ++d) {
        const std::vector<std::string> row = Cells(lines[d + 1]);
        ASSERT_EQ(row.size(), 16u) << lines[d + 1];
        EXPECT_EQ(row[1], QString::asprintf("%06d", g_DeviceToPortMap[d]).toStdString()) << d;
        EXPECT_EQ(std::vector<std::string>(row.begin() + 5, row.end() - 1), cells[d]) << lines[d + 1];
    }
    EXPECT_EQ(std::string(g_MPItemTable[7].sCode), "C00");

    // The removal during the run armed nothing then; the run's end re-enumerates 200 ms later,
    // without drive 1.
    EXPECT_FALSE(trace_.Contains("2. Normal Unplug event captured - out"));
    EXPECT_EQ(w.m_Timers.Interval(kEnumTimerId), 200u);
    w.OnTimer(kEnumTimerId);
    // Drives 2 and 3 no longer take vendor mode either; drives 4 to 6 are found again.
    EXPECT_EQ(g_nPortConnectedNum, 3);
    for (std::uint16_t port : g_DeviceToPortMap) EXPECT_NE(port, pulledPort);
}

// Drive 1 pulled when its diagnostic firmware starts, drive 2 held at its first item until the
// removal has reached the window: 200 ms after the run the drives are enumerated again, drive 1's
// panel is gone, and the next START runs drive 2 alone, with the next serial number.
TEST_F(RunTest, APulledDriveIsGoneAfterTheRunAndTheNextStartLeavesItOut) {
    auto bay = InstallBay(BayOfHubs(1, 2));
    std::string error;
    ASSERT_TRUE(bay->ScheduleFault("drive1", "gdp:unplug", &error)) << error;
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 2);
    const std::uint16_t pulled = g_DeviceToPortMap[0];
    const std::uint16_t kept = g_DeviceToPortMap[1];
    std::atomic<bool> released{false};
    app::MpProcedures procs = app::LibraryMpProcedures();
    const auto check = procs.VP_PROC_CheckFlashModule;
    procs.VP_PROC_CheckFlashModule = [&released, check](int port, std::uint8_t* buffer) {
        while (!released) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return check(port, buffer);
    };
    app::ScopedMpProcedures scoped(procs);
    ASSERT_TRUE(DuringRun([&w] { w.ExecuteButtonClick(w.ExecuteButton); },
                          [this] { return trace_.Contains("\nDevice Change begin \r\n"); },
                          [&released] { released = true; }));
    EXPECT_EQ(g_DeviceSlots.Read(0).status, "()  Fail");
    EXPECT_EQ(g_DeviceSlots.Read(1).status, "Pass");
    EXPECT_STREQ(AP_INIState.SerialNum, "0000000003");

    ASSERT_TRUE(w.m_Timers.IsActive(kEnumTimerId));
    EXPECT_EQ(w.m_Timers.Interval(kEnumTimerId), 200u);
    EXPECT_FALSE(w.ExecuteButton->isEnabled());
    w.OnTimer(kEnumTimerId);
    EXPECT_EQ(g_nPortConnectedNum, 1);
    EXPECT_EQ(g_DeviceToPortMap[0], kept);
    for (std::uint16_t port : g_DeviceToPortMap) EXPECT_NE(port, pulled);
    EXPECT_EQ(w.SNLabeledEdit[1]->Caption().toStdString(), "Port ##: SN");

    trace_.Clear();
    w.ExecuteButtonClick(w.ExecuteButton);
    EXPECT_TRUE(trace_.Contains("######### - Close thread 0\n"));
    EXPECT_FALSE(trace_.Contains("######### - Close thread 1\n"));
    EXPECT_EQ(g_DeviceSlots.Read(0).status, "Pass");
    EXPECT_STREQ(g_PortDevInfo[kept].sBurnedSerialNum, "KST0000000003");
    EXPECT_STREQ(AP_INIState.SerialNum, "0000000004");
}

}  // namespace
}  // namespace mp_test
