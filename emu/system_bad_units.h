// The system firmware's bad-unit list (vendor command 0x00, 16-byte packet, data in), as the
// firmware builds it for CE c (byte 4; bank c mod banks, LUN c div banks) from its own view of the
// flash:
//   bytes 0-1  the entry count (little-endian; bytes 2-3 zero)
//   from 4     one 8-byte entry per block unit bad on any channel of that CE: u16 unit, the
//              error type, an unused zero byte, u32 die mask with bit (c x channels + channel)
//              set for each channel where the unit is bad (bits from 32 on are not given).
// Error types as the firmware's legend names them: 1 factory bad (the flash's factory bad
// blocks), 5 program failure, 6 erase failure, 4 uncorrectable read (the failures the flash has
// served from its injected faults), and any type the bay's GrownBad key adds. A unit bad on
// several channels takes the type of the lowest such channel; on one channel a GrownBad entry
// wins over a served failure, which wins over a factory bad block. Units come in ascending
// order; as many entries as the reply holds are given.
//
// Keys of the drive's section (bay.ini) read here:
//   GrownBad=<ch>:<ce>:<lun>:<block>:<type>,...   more bad blocks with any error type 0-255
//   BadUnit=fail                                   the command is refused
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "emu/bay_config.h"
#include "emu/nand_model.h"
#include "emu/nvme_types.h"

namespace emu {

struct GrownBadEntry {
    int channel = 0, ce = 0, lun = 0, block = 0;
    std::uint8_t type = 0;
};

struct BadUnitSetup {
    std::vector<GrownBadEntry> grown;
    bool fail = false;
};

// Nullopt and `error` set when a key is not sound or a place lies outside `geometry`.
std::optional<BadUnitSetup> ReadBadUnitSetup(const DriveConfig& drive, const FlashGeometry& geometry,
                                             std::string* error);

// Fills `reply` with the list of CE `ce`; Invalid Field for a CE the flash does not have,
// Internal Error when the setup refuses the command.
NvmeStatus BuildBadUnitList(const NandModel& nand, const BadUnitSetup& setup, int ce, std::span<std::uint8_t> reply);

}  // namespace emu
