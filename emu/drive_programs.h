// The programs an emulated controller runs besides its ROM commands: the boot loader's load and
// jumps, the diagnostic firmware, and the flash they work on, set up from the drive's section of
// bay.ini. Keys read here (all optional); the keys of the diagnostic checks (FlashIdAt, AutoDetect,
// FlashDiagFail, DramTestPolls, DramFail, NandTimes, NandTimesAt, PcieLoopBack) and of the SPI flash
// (SpiFlashBytes, SpiFault) are listed in gdp_diagnostics.h, the sorting firmware's (SortStatus,
// SortBusyPolls) in sorting_firmware.h:
//
//   FlashChannels=4  FlashCEs=2  FlashLuns=1  FlashBlocks=2016 (per LUN)  FlashPages=2304
//   FlashPageSectors=32  FlashPlanes=4
//   FlashId=9B,C4,58,32,A6,00[,<b6>]      the ID bytes the flash-ID command answers (hex); the
//                                         optional seventh is byte 6 of the flash-module reply
//   BadBlocks=<ch>:<ce>:<lun>:<block>,... factory bad blocks
//   ReadUnc=<ch>:<ce>:<lun>:<block>:<page>,...   pages that read uncorrectable
//   ProgramFail=<ch>:<ce>:<lun>:<block>[:<page>],...   EraseFail=<ch>:<ce>:<lun>:<block>,...
//   StuckRamBit=<address>:<bit>:<0|1>,... controller RAM bits that always read the value
//   GdpBusyPolls=<n>                      status fetches answering busy after each command
//   GdpBusy=forever                       the diagnostic firmware never leaves busy
//   ReadLatencyMs=  ProgramLatencyMs=  EraseLatencyMs=   flash operation times in milliseconds
//   ReadLatencyUs=  ProgramLatencyUs=  EraseLatencyUs=   the same in microseconds (win over the
//                                         millisecond keys); charged in whole milliseconds with the
//                                         remainder carried, so many short operations add up exactly
//   NandTimeScale=<item>,...              the flash's own operation times (NandOpTimes, nand_model.h:
//                                         what the sorting firmware reports per die) slowed or sped
//                                         up: an item <percent> for every die, <ch>:<ce>:<lun>:<percent>
//                                         for one (1 to 10000; default 100); 150 puts every time
//                                         outside the sample settings' program-time limits
// The system firmware's keys (GrownBad, BadUnit, UartLogFile, UartChunkBytes, UartNotReady,
// UartBadSize, UartEndless) are listed in system_bad_units.h and uart_log.h.
// The keys of the sorting firmware's test run (SortPrepPolls, SortRunMs, ErrorBits, Temperature) are in
// sorting_program.h.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emu/bay_config.h"
#include "emu/controller_core.h"
#include "emu/gdp_badblock_scan.h"
#include "emu/gdp_code_blocks.h"
#include "emu/gdp_diagnostics.h"
#include "emu/gdp_firmware.h"
#include "emu/gdp_result_blocks.h"
#include "emu/loader_program.h"
#include "emu/nand_model.h"
#include "emu/sorting_firmware.h"
#include "emu/sorting_program.h"
#include "emu/spi_flash.h"
#include "emu/sorting_result_access.h"
#include "emu/system_firmware.h"

namespace emu {

struct StuckBit {
    std::uint32_t address = 0;
    int bit = 0;
    bool value = false;
};

struct ProgramSetup {
    FlashGeometry geometry;
    NandLatency latency;
    struct DieTimeScale {
        int channel = 0, ce = 0, lun = 0;
        unsigned percent = 100;
    };
    unsigned timeScale = 100;                 // every die's
    std::vector<DieTimeScale> dieTimeScales;  // over the drive's
    GdpSetup gdp;
    std::vector<NandAddress> badBlocks;  // page ignored
    std::vector<NandAddress> readUnc;
    std::vector<NandAddress> programFail;  // page -1: the whole block
    std::vector<NandAddress> eraseFail;    // page ignored
    std::vector<StuckBit> stuckBits;
    DiagSetup diag;
    SpiSetup spi;
    SortSetup sort;
    SortRunSetup sortRun;
    BadUnitSetup badUnits;  // the system firmware's bad-unit list (system_bad_units.h)
    UartSetup uart;         // its UART log (uart_log.h)
};

// Nullopt and `error` set when a key's value is not sound.
std::optional<ProgramSetup> ReadProgramSetup(const DriveConfig& drive, std::string* error);

struct DrivePrograms {
    std::shared_ptr<NandModel> nand;
    std::shared_ptr<LoaderProgram> loader;
    std::shared_ptr<GdpFirmware> gdp;
    std::shared_ptr<GdpBadBlockScan> scan;
    std::shared_ptr<GdpDiagnostics> diag;
    std::shared_ptr<GdpCodeBlocks> codeBlocks;
    std::shared_ptr<GdpResultBlocks> resultBlocks;
    std::shared_ptr<SpiFlash> spi;  // the SPI flash behind the diagnostic firmware
    std::shared_ptr<SortingFirmware> sorting;
    std::shared_ptr<SortingProgram> sortRun;  // the sorting firmware's test run and result blocks
    std::shared_ptr<SortResultAccess> sortResults;  // its result-block scan, table and page read
    std::shared_ptr<SystemFirmware> system;  // hears of every boot from the ROM
};

// Builds the flash and the programs of `setup` and plugs them into `core` (its command tables
// keep them alive); the faults of the setup are injected.
DrivePrograms InstallDrivePrograms(ControllerCore& core, const ProgramSetup& setup);

}  // namespace emu
