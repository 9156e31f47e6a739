// A drive the MP run prepared, on a bay that keeps its drives' state: released at the program's
// end and loaded again by the next program, it starts from the loader block the run wrote; Vellumin,
// started then, shows what the run wrote.
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <array>
#include <cstdio>
#include <set>
#include <sstream>

#include "app/run_state.h"
#include "emu/nvme_controller.h"
#include "run_fixture.h"
#include "transport/trace.h"
#include "utility/device_state.h"
#include "utility/fw_param_text.h"
#include "utility/main_form.h"
#include "utility/program_setup.h"

namespace mp_test {
namespace {

class KeptDrives : public RunTest {};

// The pages of Vellumin's window after a refresh of the drive in row `row` of its list (of `drives`
// drives), its report thread ended.
struct VelluminPages {
    std::string ssd, fw, eraseCounts, summary, detail, uart;
};

VelluminPages RefreshInVellumin(int row = 0, int drives = 1) {
    const auto savedRd = AP_RDSetting;
    vellumin::SetUpLibrary();
    AP_FlashSet = AP_FlashSet_t{};  // learnt from the drive, as in a program of its own
    AP_FwSet = AP_FwSet_t{};
    VelluminPages pages;
    {
        vellumin::TMainForm form;
        form.FormShow();
        EXPECT_EQ(vellumin::g_nDeviceCount, drives);
        if (vellumin::g_nDeviceCount > row) {
            form.findChild<QTreeWidget*>("DeviceListView")->topLevelItem(row)->setSelected(true);
            EXPECT_TRUE(form.m_pThread[row]);
            while (form.m_pThread[row] && !form.m_pThread[row]->Finished())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QCoreApplication::processEvents();
        }
        const auto text = [&form](const char* name) {
            return form.findChild<QPlainTextEdit*>(name)->toPlainText().toStdString();
        };
        pages = {text("SSDSettingMemo"),           text("FwInfoMemo"),
                 text("EraseCountMemo"),           text("BadBlockSummaryMemo"),
                 text("DetailedBadBlockInfoMemo"), text("UartLogMemo")};
    }
    AP_RDSetting = savedRd;
    SetRawDumpFolder("");
    return pages;
}

// The flash blocks the "Physical Bad Block" part of the detail lists, as "CH=c  CE=e  Block=0xBBBB".
std::multiset<std::string> PhysicalBlockLines(const std::string& detail) {
    std::multiset<std::string> lines;
    const std::size_t from = detail.find("Physical Bad Block\n"), to = detail.find("Later Bad\n");
    if (from == std::string::npos || to == std::string::npos) return lines;
    std::istringstream in(detail.substr(from, to - from));
    for (std::string line; std::getline(in, line);) {
        if (line.find("  Block=0x") != std::string::npos) lines.insert(line);
    }
    return lines;
}

// The largest count of the erase-count page (cells in brackets counted, "X" not).
unsigned long LargestEraseCount(const std::string& page) {
    unsigned long largest = 0;
    std::istringstream in(page);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::istringstream cells(line);
        std::string cell;
        std::getline(cells, cell, '\t');  // the unit
        while (std::getline(cells, cell, '\t')) {
            if (!cell.empty() && cell.front() == '[') cell = cell.substr(1);
            largest = std::max(largest, std::strtoul(cell.c_str(), nullptr, 10));
        }
    }
    return largest;
}

TEST_F(KeptDrives, AnMpPreparedDriveStartsAgainFromWhatTheRunWroteAndVelluminShowsIt) {
    // Factory bad blocks: two planes of one unit, one on the second CE, one in the die's last unit.
    struct Bad {
        int channel, ce, block;
    };
    const Bad injected[] = {{1, 0, 100}, {1, 0, 102}, {2, 1, 401}, {0, 0, 2013}};
    std::string keys = "BadBlocks=";
    for (const Bad& b : injected)
        keys += std::to_string(b.channel) + ":" + std::to_string(b.ce) + ":0:" + std::to_string(b.block) + ",";
    keys.back() = '\n';
    auto bay = InstallBay("[Bay]\nKeepState=1\n" + window_test::BayOfHubs(1, 1, keys));
    TMainForm& w = OpenWindow();
    Enumerate();
    w.ExecuteButtonClick(w.ExecuteButton);
    ASSERT_EQ(g_DeviceSlots.Read(0).status, "Pass");
    CloseWindow();
    const AP_FlashSet_t flash = AP_FlashSet;  // Kestrane's records of the drive
    auto& before = dynamic_cast<emu::NvmeController&>(*bay->FindDrive("Drive1")->GetBridge().GetController());
    const std::uint64_t cycles = before.Smart().powerCycles;
    const std::uint64_t written = before.Smart().sectorsWritten;
    const std::string log = before.KeptSystem()->Uart().Text();
    ASSERT_NE(log.find("[SYS] boot from"), std::string::npos) << "the run's own jump into the system firmware";
    // The firmware's variables as its start loaded them from the parameter page the run wrote.
    std::array<std::uint8_t, vellumin::kSectorBytes> param{};
    ASSERT_TRUE(before.Core().Ram().Read(512, param));
    bay->Release();
    bay.reset();

    std::string error;
    const auto again = emu::Bay::Load(station_ / "bay", &error);
    ASSERT_TRUE(again) << error;
    auto& c = dynamic_cast<emu::NvmeController&>(*again->FindDrive("Drive1")->GetBridge().GetController());
    EXPECT_EQ(c.Core().Running(), emu::Program::System);
    EXPECT_TRUE(c.KeptSystem()->BootedFromFlash()) << "from the loader block the run wrote";
    EXPECT_EQ(c.Smart().powerCycles, cycles + 1);
    EXPECT_EQ(c.Smart().sectorsWritten, written) << "the read/write test's sectors";
    const std::string now = c.KeptSystem()->Uart().Text();
    EXPECT_EQ(now.rfind(log, 0), 0u) << "the old log, then the new start's lines";
    EXPECT_NE(now.find("[SYS] boot from", log.size()), std::string::npos);
    std::uint32_t erases = 0;
    for (int b = 0; b < 8; ++b) erases += c.KeptNand()->EraseCount(0, 0, 0, b);
    EXPECT_GT(erases, 0u) << "the loader blocks were erased before they were written";
    std::vector<std::uint8_t> reply(64 * 512);
    ASSERT_TRUE(emu::BuildBadUnitList(*c.KeptNand(), {}, 0, reply).Ok());
    EXPECT_EQ(std::vector<std::uint8_t>(reply.begin(), reply.begin() + 20),
              (std::vector<std::uint8_t>{2, 0, 0, 0, 25, 0, 1, 0, 0x02, 0, 0, 0, 247, 1, 1, 0, 0x01, 0, 0, 0}));

    // Vellumin, started next on the same bay folder.
    platform::InstallBackend("emu:", again, true);
    ui_.Clear();
    const VelluminPages pages = RefreshInVellumin();
    EXPECT_TRUE(ui_.Shown().empty()) << ui_.Shown().front().text;
    // The physical bad blocks of the run's defect tables: the injected ones below the last unit.
    std::multiset<std::string> expected;
    for (const Bad& b : injected) {
        if (b.block / flash.ucPlanes >= flash.wDieUnit) continue;
        char line[48];
        std::snprintf(line, sizeof line, "CH=%d  CE=%d  Block=0x%04X", b.channel, b.ce, b.block);
        expected.insert(line);
    }
    EXPECT_EQ(expected.size(), 4u) << "every unit of the flash lies inside the die";
    EXPECT_EQ(PhysicalBlockLines(pages.detail), expected) << pages.detail;
    EXPECT_NE(pages.summary.find("SUM         4 "), std::string::npos) << pages.summary;
    // The firmware variables of the parameter page, and the geometry of the info page, the run wrote.
    for (const std::string& line : vellumin::SystemParamLines(param.data())) {
        std::string shown = line;
        for (std::size_t at; (at = shown.find("\r\n")) != std::string::npos;) shown.replace(at, 2, "\n");
        EXPECT_NE(pages.fw.find(shown), std::string::npos) << line;
    }
    EXPECT_EQ(pages.ssd.rfind("Channel number : " + std::to_string(flash.ucChannel) +
                                  "\nTotal bank : " + std::to_string(flash.ucBankNum) + "\n",
                              0),
              0u)
        << pages.ssd;
    // The counts of the MP's erases; the log of the new start, after the run's own.
    EXPECT_GT(LargestEraseCount(pages.eraseCounts), 0u) << pages.eraseCounts.substr(0, 400);
    EXPECT_EQ(pages.uart.rfind(now, 0), 0u) << "the log as it stood at the new start, then Vellumin's commands";
    EXPECT_NE(pages.uart.find("[SYS] boot from", log.size()), std::string::npos);
}

// `make run`'s START on the demo station, then Vellumin: each drive lists the factory bad blocks its
// section of the demo bay gives it, as the run's defect tables carry them.
TEST_F(KeptDrives, DemoStationDrivesShowTheirOwnFactoryBadBlocksInVelluminAfterAnMpRun) {
    auto bay = InstallStationBay();
    TMainForm& w = OpenWindow();
    Enumerate();
    w.ExecuteButtonClick(w.ExecuteButton);
    for (int d = 0; d < 9; ++d) ASSERT_EQ(g_DeviceSlots.Read(d).status, "Pass") << d;
    CloseWindow();
    bay->Release();
    bay.reset();
    std::string error;
    const auto again = emu::Bay::Load(station_ / "bay", &error);
    ASSERT_TRUE(again) << error;
    platform::InstallBackend("emu:", again, true);

    std::set<std::multiset<std::string>> seen;
    for (const char* name : {"Drive1", "Drive6", "Drive9"}) {
        const emu::Drive& drive = *again->FindDrive(name);
        std::multiset<std::string> expected;  // "<ch>:<ce>:0:<block>,..."
        std::istringstream places(drive.Config().section.GetOr("BadBlocks", ""));
        for (std::string place; std::getline(places, place, ',');) {
            int channel = 0, ce = 0, lun = 0, block = 0;
            ASSERT_EQ(std::sscanf(place.c_str(), "%d:%d:%d:%d", &channel, &ce, &lun, &block), 4) << place;
            char line[48];
            std::snprintf(line, sizeof line, "CH=%d  CE=%d  Block=0x%04X", channel, ce, block);
            expected.insert(line);
        }
        EXPECT_GE(expected.size(), 3u) << name;
        const VelluminPages pages = RefreshInVellumin(drive.Index(), 9);
        EXPECT_EQ(PhysicalBlockLines(pages.detail), expected) << name << "\n" << pages.detail;
        seen.insert(expected);
    }
    EXPECT_EQ(seen.size(), 3u) << "every drive has its own";
    EXPECT_TRUE(ui_.Shown().empty()) << ui_.Shown().front().text;
}

}  // namespace
}  // namespace mp_test
