// One emulated drive: its bridge (and through it, later, the controller), whether it is plugged
// in and the fault it is set to show. Each drive has its own lock, so drives on different ports
// answer in parallel.
//
// Keys of the drive's section read here (besides bay_config.h's):
//   CommandLatencyUs=<us>   the bridge's time for every command block, charged on the drive's own
//                           account in whole milliseconds with the remainder carried, before the
//                           command takes effect
//   FaultAt=<when>:<what>,...   scheduled faults (fault_schedule.h); each takes effect once the
//                           command block during which its moment came has been answered
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "emu/bay_config.h"
#include "emu/bridge.h"
#include "emu/fault_schedule.h"
#include "emu/latency_account.h"
#include "platform/scsi.h"

namespace emu {

// CommandLatencyUs of a drive section (0 when missing); nullopt and `error` set when not a number.
std::optional<std::uint64_t> ParseCommandLatencyUs(const DriveConfig& config, std::string* error);
// CommandLatencyUs and FaultAt of a drive section are sound.
bool CheckDriveTimingAndFaults(const DriveConfig& config, std::string* error);

class Drive {
  public:
    Drive(DriveConfig config, int index);

    // Runs one command block as the device would. An unplugged drive cannot be opened; a drive
    // that does not answer lets the host's time-out pass on the platform clock.
    platform::PassThroughResult Execute(std::span<const std::uint8_t> cdb, platform::DataDirection direction,
                                        std::span<std::uint8_t> data, unsigned timeoutSeconds);

    const DriveConfig& Config() const { return config_; }
    // "emu:" and the section name in lower case.
    const std::string& Path() const { return path_; }
    int Index() const { return index_; }

    bool Plugged() const { return plugged_.load(); }
    void SetPlugged(bool plugged) { plugged_.store(plugged); }
    DriveFault Fault() const { return fault_.load(); }
    void SetFault(DriveFault fault) { fault_.store(fault); }

    // A power-on of the controller behind the bridge (between command blocks; see Controller::PowerOn).
    void PowerOn(bool loaderRequest);

    // The controller's kept state (drive_state.h) between command blocks; nullopt when it keeps none.
    std::optional<std::string> SaveState();
    // Restores a kept state, then powers the controller on as after a power cycle; false and `why`
    // set (the drive unchanged) when it does not load.
    bool LoadState(std::string_view bytes, std::string* why);
    // Runs `f` between command blocks (holding the drive's command lock): for what reaches the drive's
    // state from outside the host's commands (the format program's writes).
    template <class F>
    void Locked(F&& f) {
        std::lock_guard lock(mutex_);
        f();
    }

    // The bridge, for the layers that plug a tunnel and a controller into it (before use).
    Bridge& GetBridge() { return bridge_; }
    // Commands the drive has received (tests).
    unsigned long Commands() const { return commands_.load(); }

    // Scheduled faults, and where an unplug goes (the bay raises the hot-plug removal).
    void ScheduleFaults(std::vector<ScheduledFault> faults) { schedule_.Add(std::move(faults)); }
    void SetUnplugHandler(std::function<void()> unplug) { unplug_ = std::move(unplug); }
    // A controller moment (called while a command block runs).
    void OnControllerEvent(std::string_view event);
    // The bridge's time per command block, in microseconds.
    void SetCommandLatencyUs(std::uint64_t us) { commandLatencyUs_.store(us); }
    const LatencyAccount& Latency() const { return latency_; }

  private:
    platform::PassThroughResult Run(std::span<const std::uint8_t> cdb, platform::DataDirection direction,
                                    std::span<std::uint8_t> data, unsigned timeoutSeconds);
    void Apply(const std::string& fault);

    DriveConfig config_;
    std::string path_;
    int index_;
    std::atomic<bool> plugged_;
    std::atomic<DriveFault> fault_;
    std::atomic<unsigned long> commands_{0};
    std::mutex mutex_;  // one command block at a time on this drive
    FaultSchedule schedule_;
    std::vector<std::string> due_;
    unsigned long answered_ = 0;  // command blocks answered (a cancelled one is not)  // faults due once the current
                                  // command block is answered
    std::function<void()> unplug_;
    std::atomic<std::uint64_t> commandLatencyUs_{0};
    LatencyAccount latency_;
    Bridge bridge_;
};

}  // namespace emu
