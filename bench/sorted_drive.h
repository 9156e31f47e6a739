// Shared set-up of the sorting-result benchmarks: an emulated drive whose sorting firmware has run.
// The host writes the init block (byte 1248 of the variable block) and the pattern page (index 4 of
// loader block 0) as the SORT run leaves them; the firmware is then started on the drive's flash.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "settings/records.h"
#include "support/emulated_drives.h"

namespace bench {

struct SortedFlash {
    int channels = 4, ces = 4, luns = 1, blocksPerLun = 64, pages = 32, sectors = 8, planes = 4;
};

inline void PutLe16(std::vector<std::uint8_t>& b, std::size_t at, int v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// The variable block: every die of every LUN tested, loader blocks 0 and 1.
inline std::vector<std::uint8_t> SortVariableBlock(const SortedFlash& f) {
    std::vector<std::uint8_t> v(4096, 0);
    const std::size_t at = 1248;
    v[at + 1] = 1;
    PutLe16(v, at + 2, f.blocksPerLun * f.luns);  // blocks of a CE
    PutLe16(v, at + 4, f.pages);
    PutLe16(v, at + 6, f.sectors / 2);
    v[at + 8] = static_cast<std::uint8_t>(f.luns);
    v[at + 9] = static_cast<std::uint8_t>(f.planes);
    v[at + 10] = 2;
    v[at + 12] = static_cast<std::uint8_t>(f.channels);
    v[at + 13] = static_cast<std::uint8_t>(f.ces);
    for (int ch = 0; ch < f.channels; ++ch) {
        for (int ce = 0; ce < f.ces; ++ce) {
            v[at + 32 + 4 * ch + ce] = 0x03;                                            // loader blocks
            v[at + 688 + 4 * ch + ce] = static_cast<std::uint8_t>((1u << f.luns) - 1);  // LUNs tested
        }
    }
    std::fill(v.begin() + at + 720, v.begin() + at + 912, 0xFF);
    return v;
}

inline std::vector<std::uint8_t> SortPatternPage(const SortedFlash& f) {
    std::vector<std::uint8_t> p(static_cast<std::size_t>(f.sectors) * 512, 0xAA);
    std::memcpy(p.data(), "SORT", 4);
    PutLe16(p, 8, 20);
    PutLe16(p, 10, 30);
    PutLe16(p, 14, 60);
    PutLe16(p, 73, 1);
    return p;
}

// The host's settings for such a flash, as the benchmarks read it: the geometry, empty die maps,
// LDPC rate 2 and the identity page map.
inline void SetSortHost(const SortedFlash& f) {
    AP_INIState.MaxPhyChannel = static_cast<std::uint8_t>(f.channels);
    AP_INIState.MaxPhyBank = static_cast<std::uint8_t>(f.ces);
    std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
    AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(f.luns);
    AP_FlashSet.ucPlanes = static_cast<std::uint8_t>(f.planes);
    AP_FlashSet.bPageSector = static_cast<std::uint8_t>(f.sectors);
    AP_FlashSet.ucLdpcMode = 2;
    AP_FlashSet.wBlocks = static_cast<std::uint16_t>(f.blocksPerLun * f.luns);
    for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(i);
}

// The bay section of such a drive (the sorting firmware running, its run taking no time).
inline std::string SortedDriveSection(const SortedFlash& f) {
    return "Program=rdt\nSortRunMs=0\nFlashChannels=" + std::to_string(f.channels) +
           "\nFlashCEs=" + std::to_string(f.ces) + "\nFlashLuns=" + std::to_string(f.luns) +
           "\nFlashBlocks=" + std::to_string(f.blocksPerLun) + "\nFlashPages=" + std::to_string(f.pages) +
           "\nFlashPageSectors=" + std::to_string(f.sectors) + "\nFlashPlanes=" + std::to_string(f.planes) + "\n";
}

// Runs the sorting firmware of drive `port` on its flash, then gives every page read `latencyUs`.
inline void RunSortingFirmware(test_support::EmulatedDrives& drives, int port, const SortedFlash& f,
                               unsigned latencyUs) {
    emu::ControllerCore& core = drives.Core(port);
    core.Ram().Write(0, SortVariableBlock(f));
    drives.Nand(port).Program({0, 0, 0, 0, 4}, SortPatternPage(f), 2, 1);
    drives.Drive(port).programs.sortRun->Start(core, {0, 0, 0, 0, 0});
    drives.Nand(port).SetLatency({latencyUs, 0, 0});
}

}  // namespace bench
