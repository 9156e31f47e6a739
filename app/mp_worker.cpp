#include "app/mp_worker.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "app/mp_item_table.h"
#include "app/mp_procedures.h"
#include "app/mp_serial.h"
#include "app/run_state.h"
#include "forms/gui_call.h"
#include "forms/message_pump.h"
#include "forms/timer_set.h"
#include "platform/clock.h"
#include "settings/records.h"
#include "settings/test_item_ids.h"
#include "transport/byte_order.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace app {

namespace {

using namespace test_items;

constexpr std::size_t kWorkBytes = 262144;
constexpr std::size_t kSectorBytes = 512;
constexpr std::uint32_t kYellow = 0x00FFFF;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kRed = 0x0000FF;

constexpr int kGetLoaderBlock = 37;
constexpr int kEraseCountFail = 66;
constexpr int kSmartFail = 73;
constexpr int kSortingResultFail = 89;
constexpr int kInheritSnFail = 92;

struct Step {
    int id;
    bool mp;
    bool sort;
};
// In execution order.
constexpr Step kSteps[] = {{kFlashModule, true, true}, {kBusInterface, true, true},   {kFlashInterface, true, true},
                           {kDramTest, true, true},    {kPreformat, true, false},     {kEraseBlocks, false, true},
                           {kDownload, true, true},    {kRWTest, true, false},        {kCheckTables, true, false},
                           {kCheckRdtFw, false, true}, {kSortConnection, false, true}};

// Claim states of a device's outcome.
enum Claim : int { kIdle = 0, kStarting = 1, kOpen = 2, kTaken = 3 };
std::atomic<int> g_claims[16];
std::function<void(int)> g_beforeClaim;
std::function<void(int, const DeviceSlot&)> g_slotObserver;

bool Selected(int id) {
    return AP_INIState.dwItemEnable[id] != 0;
}

bool SortMode() {
    return AP_INIState.ToolMode == 1;
}

class Worker {
  public:
    explicit Worker(ThreadParam& p)
        : p_(p),
          info_(g_PortDevInfo[p.port]),
          inst_(AP_Instance[p.port]),
          work_(kWorkBytes),
          second_(kWorkBytes),
          sector_(kSectorBytes) {}

    std::uint32_t Run();

  private:
    bool Prepare();
    bool KeepSystemData();
    bool EnterDiagnostic();
    bool CheckInheritance();
    void RunItems();
    bool RunStep(int id);
    bool EraseStep();
    bool CheckRdtFwStep();
    void SortConnectionStep();
    std::uint32_t End();

    void Show() {
        g_DeviceSlots.Publish(p_.device, slot_);
        if (g_slotObserver) g_slotObserver(p_.device, slot_);
    }
    void Status(const char* text) {
        slot_.status = text;
        Show();
    }
    void State(int id, std::int32_t value) { StoreField(info_.iItemState[id], value); }
    void Fail(int code) {
        failCode_ = code;
        failed_ = true;
    }
    void Advance() {
        slot_.progress += step_;
        Show();
    }
    void ClearWork() { std::memset(work_.data(), 0, work_.size()); }
    void CopyDetail(int id) {
        if (id >= 0 && id < kItemLogCount && g_pMPItemLog[p_.port][id] != nullptr) {
            std::memcpy(g_pMPItemLog[p_.port][id], work_.data(), kItemLogBufSize);
        }
    }
    MpProcedures& Procs() { return MpProcs(); }

    ThreadParam& p_;
    PortDevInfo& info_;
    AP_Instance_t& inst_;
    std::vector<std::uint8_t> work_;
    std::vector<std::uint8_t> second_;
    std::vector<std::uint8_t> sector_;
    DeviceSlot slot_;
    int step_ = 100;
    bool failed_ = false;
    int failCode_ = 0;
    bool watchdogArmed_ = false;
};

std::uint32_t Worker::Run() {
    const int port = p_.port;
    int expected = kIdle;
    if (g_claims[p_.device].compare_exchange_strong(expected, kStarting)) {
        StoreField(info_.iStatus, 2);
        StoreField(info_.iResult, 0);
        StoreField(info_.iErrorCode, 0);
        StoreField(info_.iFailItem, 0);
        g_claims[p_.device].store(kOpen);
    }
    TraceOut("######### - [%d]AP_INIState_Thread.SerialNum is %s\n", port, p_.AP_INIState_Thread.SerialNum);
    ComposeBurnedSerial(port, p_.AP_INIState_Thread, info_.sBurnedSerialNum);

    slot_.status = "Start";
    slot_.colour = kYellow;
    slot_.progress = 0;
    if (Selected(kDownload)) slot_.serialNumber = info_.sBurnedSerialNum;
    Show();
    if (p_.timers != nullptr) {
        const int id = g_DeviceTimerID[p_.device];
        p_.timers->KillTimer(id);
        watchdogArmed_ = p_.timers->SetTimer(id, WatchdogInterval(AP_INIState.TimeOut));
    }
    int checked = 1;
    if (p_.checkedItems) checked = forms::CallOnGuiFor(p_.checkedItems).value_or(1);
    step_ = 100 / (checked > 0 ? checked : 1);

    if (Prepare() && EnterDiagnostic() && CheckInheritance()) {
        const bool loaderBlocks = (Selected(kPreformat) && !SortMode()) || Selected(kDownload) || Selected(kUpload) ||
                                  (Selected(kEraseBlocks) && SortMode());
        bool found = true;
        if (loaderBlocks) {
            Status("Get Loader Block");
            ClearWork();
            found = Procs().VP_PROC_GetLoaderBlock(port, work_.data(), 0);
            if (!found) {
                Fail(kGetLoaderBlock);
                CopyDetail(kGetLoaderBlock);
            }
        }
        if (found) RunItems();
    }
    return End();
}

bool Worker::Prepare() {
    const int port = p_.port;
    if (!Procs().VP_EnableVendorCmd(port, 1)) {
        TraceOut("######### - 1 - [%d]Enable Vendor Cmd fail!\n", port);
        failed_ = true;
        return false;
    }
    Status("Initial");
    if (!Selected(kDownload)) return true;
    if (const int code = CheckSerialLength(port, info_.sBurnedSerialNum)) {
        Fail(code);
        return false;
    }
    if (AP_INIState.EnMaxSN) {
        if (const int code = CheckMaxSerial(p_.AP_INIState_Thread)) {
            Fail(code);
            return false;
        }
    }
    if (AP_INIState.EnSNMountTime) {
        if (const int code = AppendMountTime(p_.AP_INIState_Thread, info_.sBurnedSerialNum)) {
            Fail(code);
            return false;
        }
        slot_.serialNumber = info_.sBurnedSerialNum;
        Show();
    }
    if (AP_INIState.ToolMode != 0) return true;
    return KeepSystemData();
}

// The system firmware's data kept before the drive is reformatted (Download in MP mode).
bool Worker::KeepSystemData() {
    const int port = p_.port;
    MpProcedures& procs = Procs();
    if (AP_INIState.EnKeepSmartInfo) {
        bool fail = false;
        bool tried = false;
        std::uint8_t* smart = inst_.pSmartLogBuf;
        std::vector<std::uint8_t> spare;
        if (smart == nullptr) {
            spare.resize(kSmartLogBufSize);
            smart = spare.data();
        }
        std::memset(smart, 0, kSmartLogBufSize);
        const int mode = procs.VP_GetCurrentMode(port);
        if (mode == 4) {
            tried = true;
            fail = !procs.VP_GetSmartLog(port, smart);
        } else if (mode == 2) {
            ClearWork();
            if (!procs.VP_JumpToSystem(port, work_.data())) {
                TraceOut("######### - Get SMART info failed! Port %d VP_JumpToSystem error\n", port);
                fail = true;
            } else if (!procs.VP_EnableVendorCmd(port, 1)) {
                TraceOut("######### - Get SMART info failed! Port %d Enable Vendor Cmd fail\n", port);
                fail = true;
            } else {
                tried = true;
                fail = !procs.VP_GetSmartLog(port, smart);
            }
        } else {
            TraceOut("######### - Get SMART info failed! Port %d is not in system mode.\n", port);
            fail = true;
        }
        if (tried) DumpRawFile("SMART.raw", smart, kSmartLogBufSize);
        if (fail) {
            Fail(kSmartFail);
            return false;
        }
    }
    if (AP_INIState.EnKeepEraseCount) {
        inst_.bEraseCountGot = 0;
        const int mode = procs.VP_GetCurrentMode(port);
        ClearWork();
        if (mode == 4) {
            inst_.bEraseCountGot = static_cast<std::uint8_t>(procs.VP_PROC_GetEraseCount(port, work_.data(), 1));
        } else if (mode == 2) {
            if (procs.VP_JumpToSystem(port, work_.data())) {
                ClearWork();
                inst_.bEraseCountGot = static_cast<std::uint8_t>(procs.VP_PROC_GetEraseCount(port, work_.data(), 1));
            }
        } else {
            TraceOut("######### - Get erase count failed! Port %d is not in system mode.\n", port);
            TraceOut("######### - Try Get erase count in GDP mode next.\n");
        }
    }
    if (AP_INIState.SNInputMode == 4) {
        inst_.bSerialNumGot = 0;
        ClearWork();
        if (procs.VP_GetCurrentMode(port) == 4) {
            inst_.bSerialNumGot = procs.VP_PROC_GetSerialNumber(port, work_.data(), 1) ? 1 : 0;
            std::memset(info_.sBurnedSerialNum, 0, sizeof info_.sBurnedSerialNum);
            std::memcpy(info_.sBurnedSerialNum, inst_.sInheritSerialNum,
                        strnlen(inst_.sInheritSerialNum, sizeof inst_.sInheritSerialNum));
        } else {
            TraceOut("######### - Get Serial Number failed! Port %d is not in system mode.\n", port);
            TraceOut("######### - Try Get Serial Number in GDP mode next.\n");
        }
    }
    return true;
}

bool Worker::EnterDiagnostic() {
    const int port = p_.port;
    MpProcedures& procs = Procs();
    if (!procs.VP_LoadGDPFromBuffer(port)) {
        TraceOut("######### - [%d]Load GDP fail!\n", port);
        failed_ = true;
        return false;
    }
    if (!procs.VP_EnableVendorCmd(port, 1)) {
        TraceOut("######### - 2 - [%d]Enable Vendor Cmd fail!\n", port);
        failed_ = true;
        return false;
    }
    ClearWork();
    if (!procs.VP_InitGDP(port, work_.data())) {
        TraceOut("######### - [%d]Initial GDP fail!\n", port);
        failed_ = true;
        return false;
    }
    if (procs.VC_GDP_CmdSwitchToLegacy(port) == 2) {
        failed_ = true;
        return false;
    }
    forms::DelayWithMessages(1500);
    if (!Selected(kDownload) || AP_INIState.ToolMode != 0) return true;
    if (AP_INIState.EnKeepEraseCount && inst_.bEraseCountGot == 0) {
        ClearWork();
        inst_.bEraseCountGot = static_cast<std::uint8_t>(procs.VP_PROC_GetEraseCount(port, work_.data(), 0));
        if (inst_.bEraseCountGot == 0) {
            Fail(kEraseCountFail);
            return false;
        }
    }
    if (AP_INIState.SNInputMode == 4 && inst_.bSerialNumGot == 0) {
        ClearWork();
        inst_.bSerialNumGot = procs.VP_PROC_GetSerialNumber(port, work_.data(), 0) ? 1 : 0;
        if (inst_.bSerialNumGot == 0) {
            Fail(kInheritSnFail);
            return false;
        }
        std::memset(info_.sBurnedSerialNum, 0, sizeof info_.sBurnedSerialNum);
        std::memcpy(info_.sBurnedSerialNum, inst_.sInheritSerialNum,
                    strnlen(inst_.sInheritSerialNum, sizeof inst_.sInheritSerialNum));
    }
    return true;
}

// The inheritance check of sorting results (Preformat in MP mode).
bool Worker::CheckInheritance() {
    if (!Selected(kPreformat) || AP_INIState.ToolMode != 0) return true;
    const int port = p_.port;
    const bool withCheck = (AP_INIState.EnInheritRDT && !AP_INIState.EnInheritSorting) || AP_INIState.EnAutoInherit;
    if (withCheck) {
        TraceOut("InheritRDT(%d-%d) or AutoInherit(%d)\n", AP_INIState.EnInheritRDT, AP_INIState.EnInheritSorting,
                 AP_INIState.EnAutoInherit);
    } else if (AP_INIState.EnInheritRDT && AP_INIState.EnInheritSorting) {
        TraceOut("InheritSorting(%d-%d)\n", AP_INIState.EnInheritRDT, AP_INIState.EnInheritSorting);
    } else {
        return true;
    }
    MpProcedures& procs = Procs();
    std::memset(sector_.data(), 0, sector_.size());
    inst_.bRsltBlkFound = 1;
    inst_.bRsltBlkFromWorker = 1;
    ClearWork();
    if (!procs.VP_PROC_GetSortingResultBlock(port, sector_.data())) {
        TraceOut("[%d] - 1 - Check sorting result fail!\n", port);
        Fail(kSortingResultFail);
        return false;
    }
    for (int c = 0; c < 8; ++c)
        for (int b = 0; b < 8; ++b)
            TraceOut("wRsltBlk[%d][%d] = 0x %x\n", c, b, transport::GetLe16(&sector_[(c * 8 + b) * 2]));
    const int channels = std::min<int>(AP_INIState.MaxPhyChannel, 8);
    const int dies = AP_FlashSet.ucDiePerCE > 1 ? AP_FlashSet.ucDiePerCE : 1;
    const int banks = std::min<int>(AP_INIState.MaxPhyBank * dies, 8);
    const auto failDie = [&](int code, std::uint8_t marker, int c, int b) {
        inst_.bRsltBlkFound = 0;
        inst_.bRsltBlkFromWorker = 0;
        Fail(code);
        work_[0] = marker;
        work_[1] = static_cast<std::uint8_t>(c);
        work_[2] = static_cast<std::uint8_t>(b);
        CopyDetail(kSortingResultFail);
        return false;
    };
    for (int c = 0; c < channels; ++c) {
        for (int b = 0; b < banks; ++b) {
            if (!procs.DiePresent(c, b)) continue;
            const std::uint16_t block = transport::GetLe16(&sector_[(c * 8 + b) * 2]);
            if (block == 0) {
                TraceOut("[%d] - 2 - CH %d, Bank %d, Check sorting result fail!\n", port, c, b);
                return failDie(kSortingResultFail, 0xE0, c, b);
            }
            TraceOut("Found BB C:%d,B:%d, BLK:0x%04X\n", c, b, block);
            if (!withCheck) continue;
            std::memset(second_.data(), 0, second_.size());
            const int result = procs.VP_PROC_CheckSortingResult(port, second_.data(), c, b, block);
            if (result != 1) return failDie(result, 0xE1, c, b);
        }
    }
    return true;
}

void Worker::RunItems() {
    for (const Step& s : kSteps) {
        const bool runs = SortMode() ? s.sort : s.mp;
        if (!runs) {
            if (SortMode()) State(s.id, 0);  // MP-only items in SORT mode; SORT-only items in MP mode untouched
            continue;
        }
        if (!Selected(s.id)) {
            State(s.id, 0);
            continue;
        }
        State(s.id, 2);
        if (failed_) {
            State(s.id, -1);
            Advance();
            continue;
        }
        if (s.id == kSortConnection) {
            SortConnectionStep();
            Advance();
            continue;
        }
        slot_.status = g_MPItemTable[s.id].sItemName;
        Show();
        ClearWork();
        if (RunStep(s.id)) {
            if (s.id != kCheckRdtFw) State(s.id, 1);
        } else {
            Fail(s.id);
            CopyDetail(s.id);
            State(s.id, -1);
            if (s.id == kFlashModule) return;  // ends the run at once: no progress, no marking
        }
        Advance();
    }
}

bool Worker::RunStep(int id) {
    const int port = p_.port;
    std::uint8_t* work = work_.data();
    MpProcedures& procs = Procs();
    int sub = 0;
    bool ok = false;
    switch (id) {
        case kFlashModule:
            return procs.VP_PROC_CheckFlashModule(port, work);
        case kBusInterface:
            StoreField(info_.iSubCode, 0);
            return procs.VP_PROC_BusInterfaceTest(port, work);
        case kFlashInterface:
            ok = procs.VP_PROC_FlashInterfaceTest(port, work, &sub);
            break;
        case kDramTest:
            ok = procs.VP_PROC_DramTest(port, work, &sub);
            break;
        case kPreformat: {
            std::memset(inst_.sLogSerialNum, 0, sizeof inst_.sLogSerialNum);
            std::memcpy(inst_.sLogSerialNum, info_.sBurnedSerialNum, strnlen(info_.sBurnedSerialNum, 20));
            StoreField(info_.iSubCode, 0);
            const int mode = AP_INIState.EnEraseSearch  ? 1
                             : AP_INIState.EnFactoryBad ? 8
                             : AP_INIState.EnInheritFW  ? 4
                             : AP_INIState.EnInheritRDT ? 32
                                                        : 0;
            return procs.VP_PROC_Preformat(port, work, mode);
        }
        case kEraseBlocks:
            return EraseStep();
        case kDownload:
            TraceOut("######### - VP_PROC_DownloadProgram - pPortDevInfo->sBurnedSerialNum is %s\n",
                     info_.sBurnedSerialNum);
            return procs.VP_PROC_DownloadProgram(port, work, info_.sBurnedSerialNum, info_.sSecondText);
        case kRWTest:
            sub = LoadField(info_.iSubCode);
            ok = procs.VP_PROC_RWTest(port, work, &sub);
            break;
        case kCheckTables:
            sub = LoadField(info_.iSubCode);
            ok = procs.VP_PROC_CheckTables(port, work, &sub);
            break;
        case kCheckRdtFw:
            return CheckRdtFwStep();
        default:
            return false;
    }
    StoreField(info_.iSubCode, sub);
    return ok;
}

bool Worker::EraseStep() {
    const int port = p_.port;
    MpProcedures& procs = Procs();
    bool ok = false;
    if (AP_INIState.EraseAllType != 0) {
        std::memset(sector_.data(), 0, sector_.size());
        if (!procs.VP_PROC_GetSortingResultBlock(port, sector_.data())) {
            TraceOut("[%d] - 1 - Get sorting result fail!\n", port);
            return false;
        }
        std::uint16_t blocks[8][8];
        for (int c = 0; c < 8; ++c) {
            for (int b = 0; b < 8; ++b) {
                blocks[c][b] = transport::GetLe16(&sector_[(c * 8 + b) * 2]);
                if (!AP_RDTSet.DisDBG_SORT) {
                    TraceOut("Parse SortingResult RsltBlk[%d][%d] = 0x%X\n", c, b, blocks[c][b]);
                }
            }
        }
        std::memcpy(wRsltBlk[port], blocks, sizeof blocks);
        ok = procs.VP_PROC_EraseAllBlock(port);
    } else {
        std::uint8_t status = 0;
        ok = procs.VP_GDP_ExecProg(port, 1, 1, &status, true);
    }
    if (ok) TraceOut("Erase all pass \n");
    return ok;
}

// Check RDT FW: its own failure fails the drive; a missing or failed pattern only marks the item.
bool Worker::CheckRdtFwStep() {
    const int port = p_.port;
    MpProcedures& procs = Procs();
    if (!procs.CheckRDTFW(port, work_.data())) return false;
    platform::Sleep(4000);
    procs.VP_EnableVendorCmd(port, 1);
    std::memset(sector_.data(), 0, sector_.size());
    if (!procs.VP_PROC_GetRDTStatus(port, sector_.data())) {
        State(kCheckRdtFw, 1);
        return true;
    }
    const std::uint8_t* s = sector_.data();
    TraceOut("%08X - %02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X \n", 0, s[0], s[1],
             s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15]);
    if (std::memcmp(s, "SORT", 4) != 0) {
        TraceOut("VP PROC_SORT_STATUS return no log \n");
        State(kCheckRdtFw, -1);
    } else if (s[4] == 7) {
        TraceOut("Load pattern Fail!\n");
        State(kCheckRdtFw, -1);
    } else {
        TraceOut("Load pattern Pass!\n");
        State(kCheckRdtFw, 1);
    }
    return true;
}

void Worker::SortConnectionStep() {
    Status("Loading Sorting FW...");
    ClearWork();
    if (!Procs().VP_JumpToSorting(p_.port, work_.data())) {
        TraceOut("######### - VP_JumpToSorting!\n");
        State(kSortConnection, -1);
        return;
    }
    TraceOut("GO SortingSATALine \n");
    std::atomic_ref(g_ucRdtStatus).store(1);
    Status("Sort Connection Mode");
    State(kSortConnection, 3);
}

std::uint32_t Worker::End() {
    if (p_.timers != nullptr) p_.timers->KillTimer(g_DeviceTimerID[p_.device]);
    if (g_beforeClaim) g_beforeClaim(p_.device);
    if (!TakeOutcomeClaim(p_.device)) return kThreadExitTerminated;
    if (failed_) {
        StoreField(info_.iErrorCode, failCode_);
        StoreField(info_.iFailItem, failCode_);
        StoreField(info_.iStatus, -1);
        StoreField(info_.iResult, -1);
        char text[96];
        const int row = failCode_ >= 0 && failCode_ < kMPItemCount ? failCode_ : 0;
        std::snprintf(text, sizeof text, "(%s) %s Fail", g_MPItemTable[row].sCode, g_MPItemTable[row].sItemName);
        slot_.status = text;
        slot_.colour = kRed;
    } else {
        StoreField(info_.iStatus, 1);
        StoreField(info_.iResult, 1);
        slot_.status = "Pass";
        slot_.colour = kGreen;
    }
    slot_.progress = 100;
    Show();
    return kThreadExitDone;
}

}  // namespace

std::uint32_t DeviceMPThread(ThreadParam& param) {
    if (param.port < 0 || param.port >= 128 || param.device < 0 || param.device >= 16) return kThreadExitDone;
    Worker worker(param);
    return worker.Run();
}

void ResetOutcomeClaim(int device) {
    if (device >= 0 && device < 16) g_claims[device].store(kIdle);
}

bool TakeOutcomeClaim(int device) {
    if (device < 0 || device >= 16) return false;
    for (;;) {
        int state = g_claims[device].load();
        if (state == kTaken) return false;
        if (state == kStarting) {
            std::this_thread::yield();
            continue;
        }
        if (g_claims[device].compare_exchange_weak(state, kTaken)) return true;
    }
}

void SetBeforeClaimHook(std::function<void(int device)> hook) {
    g_beforeClaim = std::move(hook);
}

void SetSlotObserver(std::function<void(int device, const DeviceSlot& slot)> observer) {
    g_slotObserver = std::move(observer);
}

}  // namespace app
