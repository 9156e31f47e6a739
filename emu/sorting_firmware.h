// The sorting firmware ("RDT") as the emulated controller runs it once the boot ROM has started it
// from a SORT download: at its start it reads its settings (the init block of its variable block
// and the pattern page of the loader block it booted from), runs its flash test at once (see
// sorting_run.h) and leaves its result blocks (sorting_result_block.h). Its status, as the status
// command reports it in byte 4 after "SORT": 0 for the first `prepPolls` reads, then 1 until
// `runMs` of the platform clock have passed since the start (0: done at the first read), then 4
// when the drive's flags are clear, else 2; 7 when the init block does not describe the flash or
// the pattern page is unreadable or lacks "SORT" (no run then).
//
// Keys of the drive's bay.ini section read here (all optional):
//   SortPrepPolls=1        status reads answering 0 (in preparation)
//   SortRunMs=60000        how long the run reports 1 (running)
//   SortBusyPolls=0        status fetches of the command-status reply answering busy
//   ErrorBits=<ch>:<ce>:<lun>:<block>:<bits>,...   a block's maximum error bits on reads
//   NandTimes=<tErase SLC>:<tErase>:<tProg SLC>:<tRead SLC>:<tProg>:<tRead>   die-info times
//   Temperature=<Celsius>  (the drive's temperature, also the SMART log's)
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "emu/bay_config.h"
#include "emu/controller_core.h"
#include "emu/nand_model.h"
#include "emu/sorting_result_block.h"
#include "emu/sorting_run.h"
#include "emu/sorting_settings.h"

namespace emu {

namespace sort_status {
inline constexpr std::uint8_t kPreparing = 0;
inline constexpr std::uint8_t kRunning = 1;
inline constexpr std::uint8_t kFail = 2;
inline constexpr std::uint8_t kPass = 4;
inline constexpr std::uint8_t kPatternNotLoaded = 7;
}  // namespace sort_status

struct SortingSetup {
    int prepPolls = 1;
    unsigned runMs = 60000;
    int busyPolls = 0;
    int temperature = 40;
    SortNandTimes nandTimes{3, 5, 250, 45, 1800, 90};
    SortErrorBits errorBits;
};

// Nullopt and `error` set when a key's value is not sound.
std::optional<SortingSetup> ReadSortingSetup(const DriveConfig& drive, std::string* error);

class SortingFirmware {
  public:
    SortingFirmware(std::shared_ptr<NandModel> nand, SortingSetup setup);

    // Starts the firmware booted from loader block `bootBlock` of the first die: reads the init
    // block from `core`'s variable block, the pattern page, and runs.
    void Start(ControllerCore& core, int bootBlock);

    // One read of the status (byte 4 of the status reply).
    std::uint8_t PollStatus();
    int BusyPolls() const;

    // What the last start found and did.
    std::string Problem() const;  // why it did not run (empty when it ran)
    std::optional<SortRun> LastRun() const;
    SortResultTable ResultBlocks() const;
    int Starts() const;

  private:
    std::shared_ptr<NandModel> nand_;
    mutable std::mutex mutex_;
    SortingSetup setup_;
    bool refused_ = false;
    std::string problem_;
    std::optional<SortRun> run_;
    SortResultTable table_{};
    std::uint64_t startTick_ = 0;
    int prepLeft_ = 0;
    int starts_ = 0;
};

}  // namespace emu
