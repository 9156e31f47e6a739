// A worker under test: scripted library entries that record their calls, the settings records
// reset to a small MP run, the port buffers, a virtual clock and a timer set standing in for the
// main window's watchdogs.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/mp_procedures.h"
#include "app/mp_worker.h"
#include "app/run_state.h"
#include "forms/timer_set.h"
#include "forms/worker_thread.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/usb_disks.h"

namespace mp_test {

inline constexpr int kPort = 3;
inline constexpr int kDevice = 2;
// Item ids with steps, in execution order.
inline constexpr int kStepIds[] = {1, 3, 4, 5, 7, 6, 8, 10, 11, 13, 12};

// What the scripted drive answers.
struct Script {
    std::string failing;  // the entry that fails (empty: none)
    int mode = 4;         // VP_GetCurrentMode
    int checkResult = 1;  // VP_PROC_CheckSortingResult
    std::uint16_t resultBlocks[8][8] = {};
    bool statusRead = true;  // VP_PROC_GetRDTStatus
    std::uint8_t status[16] = {'S', 'O', 'R', 'T', 1};
    char inheritSerial[40] = "INHERITED01";
    std::uint8_t detailByte = 0x5A;  // written at byte 10 of the work buffer by every step
    std::function<void()> onEnable;  // runs at every VP_EnableVendorCmd
};

class Recorder {
  public:
    void Add(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }
    bool Called(const std::string& name) const {
        for (const auto& c : Calls())
            if (c.rfind(name, 0) == 0) return true;
        return false;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

inline app::MpProcedures Scripted(Script& s, Recorder& r) {
    app::MpProcedures p;
    auto ok = [&s, &r](const std::string& name) {
        r.Add(name);
        return s.failing != name;
    };
    auto step = [&s, ok](const std::string& name, std::uint8_t* work) {
        work[10] = s.detailByte;
        return ok(name);
    };
    p.VP_EnableVendorCmd = [&s, ok](int, int) {
        if (s.onEnable) s.onEnable();
        return ok("VP_EnableVendorCmd");
    };
    p.VP_GetCurrentMode = [&s, &r](int) {
        r.Add("VP_GetCurrentMode");
        return s.mode;
    };
    p.VP_GetSmartLog = [ok](int, std::uint8_t* b) {
        b[0] = 0x77;
        return ok("VP_GetSmartLog");
    };
    p.VP_JumpToSystem = [ok](int, std::uint8_t*) { return ok("VP_JumpToSystem"); };
    p.VP_PROC_GetEraseCount = [ok](int, std::uint8_t*, int sys) {
        return ok("VP_PROC_GetEraseCount(" + std::to_string(sys) + ")") ? 1 : 0;
    };
    p.VP_PROC_GetSerialNumber = [&s, ok](int port, std::uint8_t*, int sys) {
        if (!ok("VP_PROC_GetSerialNumber(" + std::to_string(sys) + ")")) return false;
        std::memcpy(AP_Instance[port].sInheritSerialNum, s.inheritSerial, sizeof s.inheritSerial);
        return true;
    };
    p.VP_LoadGDPFromBuffer = [ok](int) { return ok("VP_LoadGDPFromBuffer"); };
    p.VP_InitGDP = [ok](int, std::uint8_t*) { return ok("VP_InitGDP"); };
    p.VC_GDP_CmdSwitchToLegacy = [ok](int) { return ok("VC_GDP_CmdSwitchToLegacy") ? 1 : 2; };
    p.VP_PROC_GetSortingResultBlock = [&s, ok](int, std::uint8_t* sector) {
        for (int c = 0; c < 8; ++c)
            for (int b = 0; b < 8; ++b) {
                sector[(c * 8 + b) * 2] = static_cast<std::uint8_t>(s.resultBlocks[c][b]);
                sector[(c * 8 + b) * 2 + 1] = static_cast<std::uint8_t>(s.resultBlocks[c][b] >> 8);
            }
        return ok("VP_PROC_GetSortingResultBlock");
    };
    p.VP_PROC_CheckSortingResult = [&s, &r](int, std::uint8_t*, int c, int b, std::uint16_t block) {
        r.Add("VP_PROC_CheckSortingResult(" + std::to_string(c) + "," + std::to_string(b) + "," +
              std::to_string(block) + ")");
        return s.checkResult;
    };
    p.VP_PROC_GetLoaderBlock = [step](int, std::uint8_t* w, int) { return step("VP_PROC_GetLoaderBlock", w); };
    p.VP_PROC_CheckFlashModule = [step](int, std::uint8_t* w) { return step("VP_PROC_CheckFlashModule", w); };
    p.VP_PROC_BusInterfaceTest = [step](int, std::uint8_t* w) { return step("VP_PROC_BusInterfaceTest", w); };
    p.VP_PROC_FlashInterfaceTest = [step](int, std::uint8_t* w, int*) { return step("VP_PROC_FlashInterfaceTest", w); };
    p.VP_PROC_DramTest = [step](int, std::uint8_t* w, int*) { return step("VP_PROC_DramTest", w); };
    p.VP_PROC_Preformat = [step](int, std::uint8_t* w, int mode) {
        return step("VP_PROC_Preformat(" + std::to_string(mode) + ")", w);
    };
    p.VP_PROC_EraseAllBlock = [ok](int) { return ok("VP_PROC_EraseAllBlock"); };
    p.VP_GDP_ExecProg = [ok](int, int program, std::uint8_t mode, std::uint8_t*, bool wait) {
        return ok("VP_GDP_ExecProg(" + std::to_string(program) + "," + std::to_string(mode) + "," +
                  std::to_string(wait) + ")");
    };
    p.VP_PROC_DownloadProgram = [step](int, std::uint8_t* w, const char* sn, const char*) {
        return step("VP_PROC_DownloadProgram(" + std::string(sn) + ")", w);
    };
    p.VP_PROC_RWTest = [step](int, std::uint8_t* w, int*) { return step("VP_PROC_RWTest", w); };
    p.VP_PROC_CheckTables = [step](int, std::uint8_t* w, int*) { return step("VP_PROC_CheckTables", w); };
    p.CheckRDTFW = [step](int, std::uint8_t* w) { return step("CheckRDTFW", w); };
    p.VP_PROC_GetRDTStatus = [&s, &r](int, std::uint8_t* sector) {
        r.Add("VP_PROC_GetRDTStatus");
        std::memcpy(sector, s.status, 16);
        return s.statusRead;
    };
    p.VP_JumpToSorting = [ok](int, std::uint8_t*) { return ok("VP_JumpToSorting"); };
    p.DiePresent = app::LibraryMpProcedures().DiePresent;
    return p;
}

class WorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(AllocPortBuffers());
        script_ = Script{};
        calls_.Clear();
        {
            std::lock_guard lock(slotMutex_);
            slots_.clear();
        }
        std::memset(&AP_INIState, 0, sizeof AP_INIState);
        std::memset(&AP_FlashSet, 0, sizeof AP_FlashSet);
        std::memset(&AP_RDTSet, 0, sizeof AP_RDTSet);
        std::memset(&AP_Instance[kPort], 0, offsetof(AP_Instance_t, pEraseCountBuf));
        std::memset(g_PortDevInfo, 0, sizeof g_PortDevInfo);
        std::memset(gJMGlobal.sBurnedSerialNum, 0, sizeof gJMGlobal.sBurnedSerialNum);
        for (int id = 0; id < kItemLogCount; ++id) std::memset(g_pMPItemLog[kPort][id], 0, kItemLogBufSize);
        AP_INIState.TimeOut = 12000000;
        AP_INIState.MaxPhyChannel = 2;
        AP_INIState.MaxPhyBank = 2;
        AP_FlashSet.ucDiePerCE = 1;
        std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
        for (int c = 0; c < 2; ++c)
            for (int b = 0; b < 2; ++b) AP_INIState.bOriDieMap[c][b] = static_cast<std::uint8_t>(c * 2 + b);
        std::strcpy(AP_INIState.SerialNum, "0000000009");
        g_ucRdtStatus = 0;
        for (int d = 0; d < kDeviceCount; ++d) g_DeviceTimerID[d] = d + 1;
        app::ResetOutcomeClaim(kDevice);
        app::SetSlotObserver([this](int device, const DeviceSlot& slot) {
            if (device != kDevice) return;
            std::lock_guard lock(slotMutex_);
            slots_.push_back(slot);
        });
        timers_ = std::make_unique<forms::TimerSet>([this](int id) { fired_.push_back(id); });
    }
    void TearDown() override {
        app::SetSlotObserver(nullptr);
        app::SetBeforeClaimHook(nullptr);
    }

    void Select(std::initializer_list<int> ids) {
        for (int id : ids) AP_INIState.dwItemEnable[id] = 1;
    }
    int SelectedCount() const {
        int n = 0;
        for (int id = 0; id < AP_ITEM_ENABLE_COUNT; ++id) n += AP_INIState.dwItemEnable[id] != 0;
        return n;
    }

    // Runs one worker on its own thread, the GUI thread serving events meanwhile.
    std::uint32_t RunWorker() {
        app::ThreadParam param;
        param.timers = timers_.get();
        param.port = kPort;
        param.device = kDevice;
        param.AP_INIState_Thread = AP_INIState;
        param.checkedItems = [this] { return SelectedCount(); };
        app::ScopedMpProcedures procs(Scripted(script_, calls_));
        forms::WorkerThread worker([&](forms::WorkerThread&) { return app::DeviceMPThread(param); });
        EXPECT_TRUE(worker.Start());
        EXPECT_TRUE(worker.Wait(20000));
        return worker.ExitCode();
    }

    PortDevInfo& Info() { return g_PortDevInfo[kPort]; }
    std::vector<DeviceSlot> Slots() {
        std::lock_guard lock(slotMutex_);
        return slots_;
    }
    std::vector<int> Progress() {
        std::vector<int> p;
        for (const auto& s : Slots())
            if (p.empty() || p.back() != s.progress) p.push_back(s.progress);
        return p;
    }
    std::vector<std::string> Statuses() {
        std::vector<std::string> p;
        for (const auto& s : Slots())
            if (p.empty() || p.back() != s.status) p.push_back(s.status);
        return p;
    }
    std::map<int, int> States() {
        std::map<int, int> m;
        for (int id : kStepIds) m[id] = Info().iItemState[id];
        return m;
    }

    platform::VirtualClock clock_{1000};
    platform::ScopedClock scopedClock_{clock_};
    Script script_;
    Recorder calls_;
    std::unique_ptr<forms::TimerSet> timers_;
    std::vector<int> fired_;
    std::mutex slotMutex_;
    std::vector<DeviceSlot> slots_;
};

}  // namespace mp_test
