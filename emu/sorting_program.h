// The sorting firmware's ("RDT") test run, which the emulated controller runs once the boot ROM
// has started the firmware from a SORT download: at its start it reads its settings (the init block of its variable
// block and the pattern page of the loader block it booted from), runs its flash test at once (see sorting_run.h) and
// leaves its result blocks (sorting_result_block.h). Its status, as the status command reports it in byte 4 after
// "SORT": 0 for the first `prepPolls` reads, then 1 until `runMs` of the platform clock have passed since the start (0:
// done at the first read), then 4 when the drive's flags are clear, else 2; 7 when the init block does not describe the
// flash or the pattern page is unreadable or lacks "SORT" (no run then). The status command itself and its fixed-status
// fault are in sorting_firmware.h.
//
// Keys of the drive's bay.ini section read here (all optional):
//   SortPrepPolls=1        status reads answering 0 (in preparation)
//   SortRunMs=60000        how long the run reports 1 (running); 0: done at the first read
//   ErrorBits=<ch>:<ce>:<lun>:<block>:<bits>,...   a block's maximum error bits on reads
//   Temperature=<Celsius>  (the drive's temperature, also the SMART log's)
//   SortErrorBitsDefault=<0-255>   the maximum error bits of every block ErrorBits does not name
//                          (default: a small count below the threshold)
// Faults of the result blocks the run leaves (sorting_result_block.h):
//   SortNoResultBlock=<ch>:<ce>:<lun>,...   those dies are left without a result block
//   SortUncPage=<index>,...   those page indexes of every result block read uncorrectable
//   SortNoSignature=bb|mark|ecc[,...]   those pages are written without their signature
// The die-info times are the flash's own operation times of each die (NandOpTimes, nand_model.h;
// slowed by the drive's NandTimeScale key, drive_programs.h): erase in ms, program and read in us,
// SLC and native mode each.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "emu/bay_config.h"
#include "emu/boot_rom.h"
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

struct SortRunSetup {
    int prepPolls = 1;
    unsigned runMs = 60000;
    int temperature = 40;
    SortErrorBits errorBits;
    bool statusFixed = false;  // the drive's SortStatus key fixes the status command's answer
    std::optional<int> defaultErrorBits;
    SortResultFaults resultFaults;
};

// Nullopt and `error` set when a key's value is not sound.
std::optional<SortRunSetup> ReadSortRunSetup(const DriveConfig& drive, std::string* error);

class SortingProgram {
  public:
    SortingProgram(std::shared_ptr<NandModel> nand, SortRunSetup setup);

    // Starts the run of a firmware booted from the loader block at `boot`: reads the init block
    // from `core`'s variable block, the pattern page (page `patternPage` of that block), and runs.
    void Start(ControllerCore& core, const NandAddress& boot, int patternPage = kSortPatternPageIndex);
    // The boot ROM's report of a jump: a sorting firmware booted from the flash starts its run
    // (its pattern page is where the booted block's page map puts index 4).
    void OnRomBoot(ControllerCore& core, const BootReport& report);

    // One read of the status (byte 4 of the status reply).
    std::uint8_t PollStatus();
    bool StatusFixed() const;

    // What the last start found and did.
    std::string Problem() const;  // why it did not run (empty when it ran)
    std::optional<SortRun> LastRun() const;
    SortResultTable ResultBlocks() const;
    int Starts() const;

  private:
    SortNandTimes DieTimes(const SortDieResult& die) const;

    std::shared_ptr<NandModel> nand_;
    mutable std::mutex mutex_;
    SortRunSetup setup_;
    bool refused_ = false;
    std::string problem_;
    std::optional<SortRun> run_;
    SortResultTable table_{};
    std::uint64_t startTick_ = 0;
    int prepLeft_ = 0;
    int starts_ = 0;
};

}  // namespace emu
