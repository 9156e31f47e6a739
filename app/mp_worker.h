// The MP worker: the body of one forms::WorkerThread that takes one drive through an MP or SORT
// run: into the diagnostic firmware, the serial-number checks and the data kept from the system
// firmware, the inheritance check of sorting results, the loader blocks, then one library step
// per selected test item in a fixed order. It leaves the outcome in the port's PortDevInfo, in
// the device's display slot and, for a failing step, the step's detail in g_pMPItemLog.
//
// Stopping: the worker never catches platform::Cancelled; its next wait or command throws once its
// token is cancelled, and everything it holds is released on the way out. A drive's outcome is
// decided once: the worker, its watchdog and Stop each try to take the device's claim, and only
// the holder writes iStatus, iResult, iErrorCode and iFailItem.
#pragma once

#include <cstdint>
#include <functional>

#include "app/run_state.h"
#include "settings/records.h"

class TMainForm;

namespace forms {
class TimerSet;
}

namespace app {

inline constexpr std::uint32_t kThreadExitDone = 729;
inline constexpr std::uint32_t kThreadExitTerminated = 777;

// The watchdog's interval for [Setting] TimeOut (milliseconds; 0 means five minutes).
inline unsigned WatchdogInterval(std::uint32_t timeOut) {
    return timeOut == 0 ? 300000U : timeOut;
}

struct ThreadParam {
    TMainForm* form = nullptr;
    forms::TimerSet* timers = nullptr;  // the window's timers, owner of the watchdog
    int port = 0;                       // bInstance, 0 to 127
    int device = 0;                     // 0 to 15
    AP_INIState_t AP_INIState_Thread{};
    // The number of checked entries of the test-item list, asked on the GUI thread.
    std::function<int()> checkedItems;
};

// The body: 729 when the worker wrote its outcome, 777 when another took the claim first.
std::uint32_t DeviceMPThread(ThreadParam& param);

// The outcome claim of each device: reset by the run before the device's worker starts.
void ResetOutcomeClaim(int device);
// True for the first taker (the worker at its end, the watchdog or Stop).
bool TakeOutcomeClaim(int device);
// Tests: runs between the worker's watchdog kill and its claim (null: nothing).
void SetBeforeClaimHook(std::function<void(int device)> hook);

// Tests: sees every publication of a worker's display slot, in order (null: none). Set while no
// worker runs.
void SetSlotObserver(std::function<void(int device, const DeviceSlot& slot)> observer);

}  // namespace app
