// The system firmware's vendor SMART log page (log identifier 0xC0) and the SMART keys of a drive's
// section of bay.ini.
//
// The page: bytes 0-1 zero, then 19 attribute entries of 12 bytes from byte 2 (ID, two unused bytes,
// current value, worst value, 6-byte little-endian raw value, one unused byte), the rest zero. Entry
// e carries the e-th ID of the drive's list; an ID of 0 or one the firmware does not know gives an
// entry of that ID with a zero raw value. Raw values (r0, r1, r2 the 16-bit pieces):
//   0x09 power-on hours  0x0C power cycles  0xC0 unsafe shutdowns  0xF1 / 0xF2 sectors written / read
//   0xA9 r0 most bad blocks of a die, r1 bad blocks, r2 0 (later bad)   0xA7 0xA8 0xAB 0xAC 0xAF 0xBB 0
//   0xAD r0 average, r1 most, r2 fewest erase counts   0xCE fewest  0xCF most  0xD0 average
//   0xC2 r0 current, r1 lowest, r2 highest temperature (Celsius)   0xF3 the temperature   0xE7 100
// current and worst are 100.
//
// Keys (all optional):
//   VendorSmartIds=<id>,...   the entries' IDs in order (decimal or 0x..; at most 19; default the
//                             19 IDs 09 0C A7 A8 A9 AB AC AD AF BB C0 C2 CE CF D0 E7 F1 F2 F3)
//   VendorSmart=fail          the page read fails (Invalid Log Page)
//   SmartPowerOnHours= SmartPowerCycles= SmartUnsafeShutdowns= SmartHostReads= SmartHostWrites=
//   SmartUnitsRead= SmartUnitsWritten=   the SMART log's counters at start (64-bit, decimal or 0x..)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "emu/bay_ini.h"
#include "emu/nvme_pages.h"

namespace emu {

inline constexpr std::uint8_t kVendorSmartLogId = 0xC0;
inline constexpr int kVendorSmartEntries = 19;

struct VendorSmartSetup {
    std::vector<std::uint8_t> ids;  // empty: the 19 default IDs
    bool fail = false;
};

// What the flash gives the page.
struct FlashWear {
    std::uint32_t badBlocks = 0, mostBadOnDie = 0;
    std::uint32_t eraseAverage = 0, eraseMost = 0, eraseFewest = 0;
};

// `out` must hold at least 2 + 19 x 12 bytes; it is zeroed first.
void BuildVendorSmartLog(const VendorSmartSetup& setup, const SmartCounters& smart, const FlashWear& wear,
                         std::span<std::uint8_t> out);

// Reads the keys above into `setup` and the counters of `smart` (the temperature is not touched).
// False and `error` set for a value that is not sound.
bool ReadSmartKeys(const IniSection& section, VendorSmartSetup& setup, SmartCounters& smart, std::string* error);

}  // namespace emu
