// The boot ROM's flash boot (jump to ROM with event 0), as the controller runs it from its own
// reading of the loader block:
//   - it searches the dies in channel, CE, LUN order, and blocks 0-3 of each, for an info page
//     (page 0, LDPC rate 1, scrambler on) beginning "LDBK BLOCKS V00";
//   - from the info page it takes the page map (384 little-endian words at byte 1056: loader
//     page index -> physical page), the page size (byte 164 x 4,096 bytes), the LDPC rate of the
//     code pages (the word at 68; 0 when the page gives none), the number of code-map entries
//     (byte 163, at most 16) and the code map (16-byte entries from 544: u16 first page index,
//     u16 last page index, u32 length, u32 load address, u16 enable, u16 checksum);
//   - copy 0 is the code map; further copies (the count at byte 180, 0 meaning one, at most 7)
//     are read from the firmware-slot page (index 4) when it begins "LDBK FWSLOT MARK": the u32
//     at 16 + 4 k is where copy k's entries start, in the code-map entry form;
//   - it loads every entry's pages into controller RAM at its load address (the entry's length,
//     no more than its pages hold) and checks the checksum of every part whose enable low byte
//     is not 1 and whose checksum is not 0xFFFF (the 16-bit sum of the little-endian words
//     before the part's last 4 bytes; an odd last byte counts alone);
//   - a failed read or checksum moves on to the next copy, then to the die's next loader block,
//     then to the next die; the program whose tag the RAM then carries at byte 448 ("RAVEZ"
//     system firmware, "QVRDT" sorting firmware) starts with that RAM as its variable block.
// The report says where it booted from and why each candidate was refused; the system firmware
// adds what it found in its loader block (system_firmware.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emu/controller_core.h"
#include "emu/nand_model.h"

namespace emu {

inline constexpr int kLoaderPageMapEntries = 384;

struct BootRefusal {
    int channel = 0, ce = 0, lun = 0, block = 0;
    int copy = -1;  // -1: the block as a whole (no usable info page)
    std::string why;
};

// A block unit the system firmware avoids: its defect tables list it for that die.
struct BadUnit {
    int channel = 0, ce = 0, lun = 0;
    int unit = 0;
    friend auto operator<=>(const BadUnit&, const BadUnit&) = default;
};

// What the booted system firmware found in the loader block it booted from.
struct SystemFindings {
    bool systemPage = false;                              // the system page read
    bool smartKept = false;                               // its bytes 0-511 were not all zero
    std::string versions[3];                              // bytes 512, 528, 544 of the system page (16 bytes each)
    bool eraseCounts = false;                             // pages 38 and 39 read
    std::vector<BadUnit> badUnits;                        // from the defect pages, sorted
    int defectPages = 0, earlyPages = 0, remapPages = 0;  // pages carrying their header
};

struct BootReport {
    bool infoPageFound = false;  // some block carried an info page
    bool booted = false;
    Program program = Program::Loader;
    int channel = -1, ce = -1, lun = -1, block = -1, copy = -1;
    int partsLoaded = 0;
    std::vector<BootRefusal> refusals;
    // From the info page of the block booted.
    std::vector<std::uint16_t> pageMap;
    std::size_t pageBytes = 0;
    std::uint8_t codeRate = 0;
    SystemFindings system;  // filled by the system firmware after its start
};

// Searches the flash and loads the first bootable copy into `ram`; `report.booted` tells
// whether a program was found (the caller starts it).
BootReport BootFromFlash(NandModel& nand, ControllerRam& ram);

// The 16-bit sum of the little-endian words of `part` before its last 4 bytes.
std::uint16_t PartSum(std::span<const std::uint8_t> part);

}  // namespace emu
