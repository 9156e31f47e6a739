// The error-log window after a real run of the demo station on drives that fail: each failing
// drive's detail, as the MP worker left it, decoded into the window's memo.
#include <QPlainTextEdit>
#include <QPushButton>

#include "dialogs/error_log_form.h"
#include "support/station_window.h"

namespace {

using window_test::StationWindowTest;

// The demo station's bay with extra keys in some drives' sections.
std::string StationBayWith(const std::string& bay, const std::vector<std::pair<std::string, std::string>>& keys) {
    std::string text = bay;
    for (const auto& [section, extra] : keys) {
        const std::string head = "[" + section + "]\n";
        const std::size_t at = text.find(head);
        if (at != std::string::npos) text.insert(at + head.size(), extra);
    }
    return text;
}

class ErrorLogE2e : public StationWindowTest {};

TEST_F(ErrorLogE2e, FailedDrivesShowTheirDetail) {
    std::string bad = "BadBlocks=";
    for (int block = 1000; block < 2016; ++block) bad += "0:0:0:" + std::to_string(block) + (block < 2015 ? "," : "\n");
    InstallBay(
        StationBayWith(window_test::ReadText(station_ / "bay" / "bay.ini"),
                       {{"Drive1", "FlashId=2C,64,44,4B,A9,00\n"}, {"Drive2", "IoFail=write\n"}, {"Drive3", bad}}));
    TMainForm& w = OpenWindow();
    Enumerate();
    w.findChild<QPushButton*>("ExecuteButton")->click();
    ASSERT_EQ(w.m_bRunning, 0);

    TErrorLogForm form;
    const auto memoOf = [&](int device) {
        form.m_nPort = g_DeviceToPortMap[device];
        form.m_nDeviceNum = device + 1;
        form.FormShow(&form);
        return form.ErrLogMemo->toPlainText().toStdString();
    };
    // A wrong flash ID on every die: the header, then one record per die.
    EXPECT_EQ(g_PortDevInfo[g_DeviceToPortMap[0]].iErrorCode, 1);
    const std::string module = memoOf(0);
    EXPECT_EQ(module.substr(0, module.find("Flash ID Result fail")),
              "Flash Module Test fail\n\nTarget Module: 4 Ch, 2 Bank\nTarget Flash ID: "
              "9B C4 58 32 A6 00\n\n")
        << module;
    EXPECT_NE(module.find("Scan Result -  ID: 2C 64 44 4B A9 00 (Ch#00, Bank#00)\n"), std::string::npos) << module;
    EXPECT_NE(module.find("(Ch#03, Bank#01)"), std::string::npos) << module;
    // Writes that fail: the read/write test's stage and LBA.
    EXPECT_EQ(g_PortDevInfo[g_DeviceToPortMap[1]].iErrorCode, 10);
    EXPECT_EQ(memoOf(1).substr(0, 36), "RW Test - Write data fail\n\nLBA low: ") << memoOf(1);
    // Half a die bad: over the defect ratio (the record of the check over all dies carries the
    // channel and die counts).
    EXPECT_EQ(g_PortDevInfo[g_DeviceToPortMap[2]].iErrorCode, 7);
    EXPECT_EQ(memoOf(2), "Preformat fail\n\nCH 4, Bank 2 Over Defect Ratio!");
    // A sound drive shows nothing.
    EXPECT_EQ(memoOf(3), "");
    EXPECT_EQ(form.windowTitle(), "Error Log Device 4, Port " + QString::number(g_DeviceToPortMap[3]));
}

}  // namespace
