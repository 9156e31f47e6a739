// One emulated drive: its bridge (and through it, later, the controller), whether it is plugged
// in and the fault it is set to show. Each drive has its own lock, so drives on different ports
// answer in parallel.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "emu/bay_config.h"
#include "emu/bridge.h"
#include "platform/scsi.h"

namespace emu {

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

    // The bridge, for the layers that plug a tunnel and a controller into it (before use).
    Bridge& GetBridge() { return bridge_; }
    // Commands the drive has received (tests).
    unsigned long Commands() const { return commands_.load(); }

  private:
    DriveConfig config_;
    std::string path_;
    int index_;
    std::atomic<bool> plugged_;
    std::atomic<DriveFault> fault_;
    std::atomic<unsigned long> commands_{0};
    std::mutex mutex_;  // one command block at a time on this drive
    Bridge bridge_;
};

}  // namespace emu
