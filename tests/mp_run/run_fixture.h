// The main window of a copy of the demo station for whole runs: emulated or scripted drives, a
// call delivered during a run once a condition holds, and the MP log's lines.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/mp_procedures.h"
#include "support/station_window.h"

namespace mp_test {

using window_test::BayOfHubs;
using window_test::StationWindowTest;

class RunTest : public StationWindowTest {
  protected:
    // A window over `drives` emulated drives, enumerated.
    TMainForm& Open(int drives, const std::string& extra = "") {
        InstallBay(BayOfHubs(1, drives, extra));
        TMainForm& w = OpenWindow();
        Enumerate();
        return w;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& box : ui_.Shown()) texts.push_back(box.text);
        return texts;
    }
    // A scripted library: every entry passes at once.
    static app::MpProcedures Passing() {
        app::MpProcedures p = app::LibraryMpProcedures();
        p.VP_EnableVendorCmd = [](int, int) { return true; };
        p.VP_GetCurrentMode = [](int) { return 4; };
        p.VP_LoadGDPFromBuffer = [](int) { return true; };
        p.VP_InitGDP = [](int, std::uint8_t*) { return true; };
        p.VC_GDP_CmdSwitchToLegacy = [](int) { return 1; };
        p.VP_PROC_GetLoaderBlock = [](int, std::uint8_t*, int) { return true; };
        p.VP_PROC_CheckFlashModule = [](int, std::uint8_t*) { return true; };
        p.VP_PROC_BusInterfaceTest = [](int, std::uint8_t*) { return true; };
        p.VP_PROC_FlashInterfaceTest = [](int, std::uint8_t*, int*) { return true; };
        p.VP_PROC_DramTest = [](int, std::uint8_t*, int*) { return true; };
        p.VP_PROC_Preformat = [](int, std::uint8_t*, int) { return true; };
        p.VP_PROC_DownloadProgram = [](int, std::uint8_t*, const char*, const char*) { return true; };
        p.VP_PROC_RWTest = [](int, std::uint8_t*, int*) { return true; };
        p.VP_PROC_CheckTables = [](int, std::uint8_t*, int*) { return true; };
        return p;
    }
    // Runs `start` on the GUI thread; while the run it begins serves events, `action` runs once,
    // as soon as `ready` holds. The condition is polled on the GUI thread, so it sees the run's
    // state between two events, never half-way through a handler. A run that never gets ready is
    // stopped after a generous cap (a hang guard, not a timing) and the test fails.
    bool DuringRun(const std::function<void()>& start, const std::function<bool()>& ready,
                   const std::function<void()>& action) {
        bool done = false;
        QElapsedTimer guard;
        guard.start();
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (done) return;
            if (ready()) {
                done = true;
                action();
            } else if (guard.elapsed() > 120'000) {
                done = true;
                ADD_FAILURE() << "the run never reached the awaited state";
                Window().StopSpeedButtonClick(Window().StopSpeedButton);
            }
        });
        poll.start();
        start();
        poll.stop();
        return done;
    }
    // The MP log's lines without their ends.
    std::vector<std::string> LogLines() const {
        const std::string text = window_test::ReadText(window_->m_MpLog.m_sLogFile);
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            lines.push_back(text.substr(at, end - at));
        }
        return lines;
    }
    // The tab-separated cells of a line.
    static std::vector<std::string> Cells(const std::string& line) {
        std::vector<std::string> cells;
        for (std::size_t at = 0;;) {
            const std::size_t tab = line.find('\t', at);
            cells.push_back(line.substr(at, tab - at));
            if (tab == std::string::npos) return cells;
            at = tab + 1;
        }
    }
};

}  // namespace mp_test
