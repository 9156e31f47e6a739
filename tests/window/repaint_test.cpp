// The repaint's remaining states: a failed drive without a step's code, the sorting firmware's
// done state, an idle drive by its program (the system firmware with and without an NTFS
// partition), the sequence edits in both map states, Download off during a run, and the wait for
// "QVMPAcess" while another program holds it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <array>
#include <cstdio>

#include "app/panel_thread.h"
#include "commands/std_nvme.h"
#include "forms/colours.h"
#include "forms/message_pump.h"
#include "support/station_window.h"

namespace window_test {
namespace {

class Repaint : public StationWindowTest {};

// One drive per program on a hub, filling its ports in order.
std::string BayOfPrograms(const std::vector<std::string>& programs) {
    std::string ini = BayOfHubs(1, static_cast<int>(programs.size()), "Sectors=4194304\n");
    // Each drive's section ends where the next one starts: put its program there.
    for (std::size_t i = programs.size(); i-- > 0;) {
        const std::string next = "[Drive" + std::to_string(i + 2) + "]\n";
        const std::string key = "Program=" + programs[i] + "\n";
        const std::size_t at = ini.find(next);
        if (at == std::string::npos) {
            ini += key;
        } else {
            ini.insert(at, key);
        }
    }
    return ini;
}

// A master boot record whose second entry is an NTFS partition.
std::array<std::uint8_t, 512> NtfsBootRecord() {
    std::array<std::uint8_t, 512> s{};
    s[466] = 7;
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

TEST_F(Repaint, StatesAndModesNotCoveredElsewhere) {
    InstallBay(BayOfPrograms({"loader", "loader", "loader", "gdp", "rdt", "system", "system", "system"}));
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 8);
    // The system firmware's drives 7 and 8 get an NTFS partition on their namespace.
    for (int d : {6, 7}) {
        const auto mbr = NtfsBootRecord();
        ASSERT_EQ(VC_STD_Write(g_DeviceToPortMap[d], mbr.data(), 1, 0, 0), 1);
    }
    const std::uint32_t mb = g_PortDevInfo[g_DeviceToPortMap[5]].dwCapacityMB;
    ASSERT_EQ(mb, 2048u);
    struct Case {
        const char* name;
        std::int32_t status, errorCode, failItem;
        std::string text;  // the caption after the repaint
        std::uint32_t colour;
    };
    const Case cases[] = {
        {"failed before any step", -1, 0, 0, "()  Fail", kColourFail},
        {"failed in item 1", -1, 1, 1, "(M00) Flash Module Fail", kColourFail},
        {"sorting done: the caption stays", 4, 0, 0, "before", kColourRunning},
        {"idle in the diagnostic firmware", 0, 0, 0, "GDP", kColourRunning},
        {"idle in the sorting firmware", 0, 0, 0, "RDT", kColourRunning},
        {"idle in the system firmware", 0, 0, 0, "2048 MB", kColourRunning},
        {"system firmware, NTFS partition", 0, 0, 0, "2048 MB, Find NTFS partition!", kColourSilver},
        {"system firmware, NTFS partition, check off", 0, 0, 0, "2048 MB", kColourRunning},
    };
    for (int d = 0; d < 8; ++d) {
        PortDevInfo& r = g_PortDevInfo[g_DeviceToPortMap[d]];
        r.iStatus = cases[d].status;
        r.iErrorCode = cases[d].errorCode;
        r.iFailItem = cases[d].failItem;
        w.DeviceLabel[d]->setText("before");
    }
    // The last drive is checked with [Setting] EnNoCheckPartition 1, on its own repaint.
    w.UpdateDrawPanel();
    for (int d = 0; d < 7; ++d) {
        SCOPED_TRACE(cases[d].name);
        EXPECT_EQ(w.DeviceLabel[d]->text().toStdString(), cases[d].text);
        EXPECT_EQ(forms::ColourOf(w.DevicePanel[d]), cases[d].colour);
    }
    EXPECT_TRUE(trace_.Contains("STATUS_SORT_DONE \n"));
    AP_INIState.EnNoCheckPartition = 1;
    w.UpdateDrawPanel();
    for (int d : {6, 7}) {
        EXPECT_EQ(w.DeviceLabel[d]->text().toStdString(), "2048 MB") << d;
        EXPECT_EQ(forms::ColourOf(w.DevicePanel[d]), kColourRunning) << d;
    }
}

TEST_F(Repaint, SequenceEditsInBothMapStates) {
    InstallBay(BayOfHubs(1, 3));
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 3);
    // Device 3's port is mapped but its drive went away.
    g_PortDevInfo[g_DeviceToPortMap[2]].iConnected = 0;
    for (int d = 0; d < kDeviceCount; ++d) {
        w.DeviceSequenceEdit[d]->setText("9");
        w.DeviceSequenceEdit[d]->setEnabled(true);
        forms::SetColour(w.DeviceSequenceEdit[d], 0x123456);
    }
    struct Expect {
        QString text;
        bool enabled;
        std::uint32_t colour;
    };
    const Expect off{"", false, forms::clBtnFace};
    struct Case {
        std::uint8_t customised;
        int device;
        Expect expect;
    };
    const Case cases[] = {
        {1, 0, {"1", true, forms::clWindow}},
        {1, 1, {"2", true, forms::clWindow}},
        {1, 2, {"9", true, 0x123456}},  // mapped, port not connected: left alone
        {1, 3, off},                    // unmapped
        {1, 15, off},
        {0, 0, off},
        {0, 2, off},
        {0, 15, off},
    };
    for (std::uint8_t customised : {1, 0}) {
        g_EnCustomizePortMap = customised;
        w.UpdateDrawPanel();
        for (const Case& c : cases) {
            if (c.customised != customised) continue;
            SCOPED_TRACE("map " + std::to_string(customised) + ", device " + std::to_string(c.device + 1));
            const QLineEdit* edit = w.DeviceSequenceEdit[c.device];
            EXPECT_EQ(edit->text(), c.expect.text);
            EXPECT_EQ(edit->isEnabled(), c.expect.enabled);
            EXPECT_EQ(forms::ColourOf(edit), c.expect.colour);
        }
    }
}

TEST_F(Repaint, WithDownloadOffThePanelThreadLeavesTheSerialNumbers) {
    InstallBay(BayOfHubs(1, 2));
    TMainForm& w = OpenWindow();
    Enumerate();
    AP_INIState.dwItemEnable[8] = 0;
    w.SNLabeledEdit[0]->setText("typed");
    auto thread = std::make_unique<TMyThread>(w);
    g_DeviceSlots.Publish(0, {"Preformat", kColourRunning, 30, "SN-1"});
    ASSERT_TRUE(forms::PumpUntil([&] { return w.DeviceCGauge[0]->Progress() == 30; }, 5000));
    thread->Finish();
    EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), "Preformat");
    EXPECT_EQ(w.SNLabeledEdit[0]->text().toStdString(), "typed");
    // Nor does a repaint after the run.
    g_PortDevInfo[g_DeviceToPortMap[0]].iStatus = 1;
    std::snprintf(g_PortDevInfo[g_DeviceToPortMap[0]].sBurnedSerialNum, 8, "SN-9");
    w.UpdateDrawPanel();
    EXPECT_EQ(w.SNLabeledEdit[0]->text().toStdString(), "typed");
}

// A second program (a forked child) holds "QVMPAcess": the repaint waits for it, and the window
// goes on serving events meanwhile.
TEST_F(Repaint, WaitsForAnotherProgramHoldingTheLockWhileServingEvents) {
    InstallBay(BayOfHubs(1, 1));
    TMainForm& w = OpenWindow();
    Enumerate();
    g_PortDevInfo[g_DeviceToPortMap[0]].iStatus = 1;
    ASSERT_EQ(w.DeviceLabel[0]->text().toStdString(), "Loader");

    const std::string lockFile = (platform::LockFolder() / "kestrane-QVMPAcess.lock").string();
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only async-signal-safe calls in the child of a threaded program.
        const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0666);
        char c = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'L' : 'E';
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);  // hold until the parent says so; the exit releases it
        ::_exit(0);
    }
    char c = 0;
    if (::read(toParent[0], &c, 1) != 1 || c != 'L') {
        (void)!::write(toChild[1], "G", 1);
        ::waitpid(child, nullptr, 0);
        FAIL() << "the second program could not take the lock";
    }

    // Events served during the wait: a few timer ticks, the last of which lets the child go.
    int ticks = 0;
    bool drawnBeforeRelease = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks < 3) return;
        timer.stop();
        drawnBeforeRelease = w.DeviceLabel[0]->text() != "Loader";
        const char go = 'G';
        (void)!::write(toChild[1], &go, 1);
    });
    timer.start();
    w.UpdateDrawPanel();
    EXPECT_GE(ticks, 3) << "the repaint did not wait, or served no events while waiting";
    EXPECT_FALSE(drawnBeforeRelease);
    EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), "Pass");
    if (ticks < 3) (void)!::write(toChild[1], "G", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
}

}  // namespace
}  // namespace window_test
