#include "app/sort_fetch.h"

#include <cstdio>

#include "app/main_form.h"
#include "app/run_state.h"
#include "forms/timer_set.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "transport/trace.h"

std::uint8_t g_ucSortResult[kDeviceCount] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

namespace app {

namespace {

constexpr int kForce = 1, kPatch = 1;

bool ReadableMode(int port) {
    if (AP_RDTSet.GDPGetResult != 0) {
        if (VP_LoadGDPFromFile(port, kForce, kPatch)) {
            TraceOut("GDP mode Get Sort result , Port(%d)\n", port);
            return true;
        }
        TraceOut("Load GDP fail! \n");
        return false;
    }
    if (VP_GetCurrentMode(port) == kModeRdt) {
        TraceOut("RDT mode Get Sort result , Port(%d)\n", port);
        return true;
    }
    if (!VP_LoadGDPFromFile(port, kForce, kPatch)) {
        TraceOut("Load GDP fail! \n");
        return false;
    }
    const bool ready = VP_IsGDPMode(port);
    TraceOut("GDP mode Get Sort result , Port(%d)\n", port);
    return ready;
}

std::string Caption(const char* format, int port) {
    char text[48];
    std::snprintf(text, sizeof text, format, port);
    return text;
}

}  // namespace

std::uint32_t DeviceSortResultThread(ThreadParam& p) {
    const int d = p.device;
    const int timerId = g_DeviceTimerID[d];
    if (p.timers != nullptr) {
        p.timers->KillTimer(timerId);
        p.timers->SetTimer(timerId, WatchdogInterval(AP_INIState.TimeOut));
    }
    g_ucSortResult[d] = kSortNotFetched;
    bool ready = ReadableMode(p.port);
    if (!VP_EnableVendorCmd(p.port, 1)) {
        TraceOut("######### - 1 - [%d]Enable Vendor Cmd fail!\n", p.port);
        ready = false;
    }
    g_ucSortResult[d] = ready ? p.form->GetDeviceSortResult(static_cast<std::uint8_t>(p.port),
                                                            static_cast<std::uint8_t>(d))
                              : kSortCmdFail;
    if (p.timers != nullptr) p.timers->KillTimer(timerId);
    return kThreadExitDone;
}

SortResultBoxes SortResultBoxesFor(std::uint8_t result, int port) {
    SortResultBoxes b;
    switch (result) {
        case kSortNoBlocks:
            b.panelEnabled = false;
            b.panelColour = kColourSilver;
            b.memoColour = kColourSilver;
            break;
        case kSortPass:
            b = {true, 0x008000, Caption("Port:%d - Pass!", port), true, 0x008000};
            break;
        case kSortLost:
            b = {true, kColourFail, Caption("Port:%d - Lost!", port), true, kColourFail};
            break;
        case kSortFail:
            b = {true, kColourFail, Caption("Port:%d - Fail!", port), true, kColourFail};
            break;
        case kSortCmdFail:
            b = {false, kColourFail, Caption("Port:%d - CMD Fail!", port), false, kColourFail};
            break;
        default:
            break;
    }
    b.summary = true;
    b.summaryLines = result != kSortCmdFail;
    return b;
}

std::vector<std::string> SortSummaryLines(const SortSummary& s) {
    char line[64];
    std::vector<std::string> lines;
    const auto add = [&](const char* format, int a, int b = 0) {
        std::snprintf(line, sizeof line, format, a, b);
        lines.emplace_back(line);
    };
    add("TBB: %d", s.wTotalBad);
    add("FBB: %d", s.wFactoryBad);
    add("PF: %d", s.wProgFail);
    add("EF: %d", s.wEraseFail);
    add("ECC: %d", s.wEccFail);
    add("MaxTemp: %d 'C", s.wTsad);
    lines.emplace_back("==SLC / N-SLC==");
    add("Test Loop: %d / %d", s.wSlcLoops, s.wNonSlcLoops);
    add("ErrBit Th.: %d / %d", s.ucSlcErrBitTh, s.ucNonSlcErrBitTh);
    return lines;
}

}  // namespace app
