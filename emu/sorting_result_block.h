// The result blocks the emulated sorting firmware leaves after its run: on every tested die, the
// highest good block above the loader blocks, erased and programmed (the init block's LDPC rate,
// scrambler on) with these pages at their page indexes (the page map is the identity):
//    0 bad-block page: "BB", u16 count, then per block unit with a bad plane (unit order) u16 unit,
//      byte plane mask, byte 0
//    2 mark page: "SORT", 6 drive verdict (the drive's flags), 8-17 the drive's bad, ECC-fail,
//      program-fail, erase-fail and factory-bad blocks (u16), 2578 page-count table of
//      (u16 first index, u16 count) entries: error pages at 2580, factory-bad pages at 2584;
//      2618 bank tag (FW bank), 2619 channel tag, 2620 die number (FW bank x channels + channel)
//    3-6 error records of every die, 16 bytes each: byte 0 bank tag | channel << 4, byte 1 plane
//      mask | type << 4 (0 over the threshold, 1 uncorrectable, 2 program, 3 erase), u16 page,
//      u16 unit, max error bits (type 0), action | SLC << 7, read loop, TSAD low byte, u16 failing
//      loop, u32 time in 1/400 s; the list ends with a record of 0xAA
//    7-10 factory-bad bitmap of the drive, a die's 750 bytes at channel x 6,000 + FW bank x 750
//   15 whole-info page: 6 drive flags, 8 run time (u32 ticks), 12/14 bad limits per plane and die,
//      16 serial text and its zero, 74 read-fail limit, 80 + die number each die's flags, 144 LDPC
//      threshold, 150/152 program and erase limits, 160 TSAD, 162 temperature, 163 SLC threshold;
//      from 1536 the pattern page's bytes 4-1023 and 3072-3183 at their own offsets (so the
//      settings echo starts at 1540, its byte 142 holding the temperature, and the version block
//      at 4608)
//   16 die-info page: 48-byte entries by die number (absent dies invalid), byte 0 bit 7 valid, 8
//      bad blocks, 12-19 bad blocks per plane, 20/22/24 ECC, program and erase failures, 26 flags,
//      27 factory-bad blocks (u16 at an odd offset), 32-41 the flash times; ended by 0xEE
//   17 ECC page: "SORT_ECC", 8 FW bank, 9 channel, 16 + b block b's maximum error bits
// Other bytes are zero; fields past the end of a small page are left out.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <set>
#include <tuple>
#include <vector>

#include "emu/nand_model.h"
#include "emu/sorting_run.h"
#include "emu/sorting_settings.h"

namespace emu {

using SortNandTimes = std::array<std::uint16_t, 6>;

struct SortDriveFacts {
    int temperature = 0;
    std::uint32_t runTicks = 0;
};

// Faults of the result blocks (bay keys in sorting_program.h).
struct SortResultFaults {
    std::set<std::tuple<int, int, int>> noBlock;  // (channel, CE, LUN) left without a result block
    std::set<int> uncorrectablePages;             // page indexes that read uncorrectable on every block
    bool bbUnsigned = false, markUnsigned = false, eccUnsigned = false;  // signature left out
};

// [channel][FW bank] result blocks, 0 for none.
using SortResultTable = std::array<std::array<std::uint16_t, 8>, 8>;

// Writes `table` as the result-block table reply: u16 little-endian [8 channels][8 FW banks] from
// byte 0 (nothing when `data` is shorter than 128 bytes).
void PutSortResultTable(std::span<std::uint8_t> data, const SortResultTable& table);

// The pages of die `die` (an index of run.dies) by page index, each `pageBytes` long.
std::map<int, std::vector<std::uint8_t>> BuildSortResultPages(const SortFlash& flash, const SortTestSettings& settings,
                                                              const SortRun& run, std::size_t die,
                                                              const SortDriveFacts& facts, std::size_t pageBytes);

// Writes every tested die's result block and returns where they are.
SortResultTable WriteSortResultBlocks(NandModel& nand, const SortFlash& flash, const SortTestSettings& settings,
                                      const SortRun& run, const SortDriveFacts& facts,
                                      const SortResultFaults& faults = {});

}  // namespace emu
