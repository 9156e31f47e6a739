// The emulated sorting firmware's flash test, run once when the firmware starts: on every die of
// its die bit map, every block but the loader blocks gets the factory-bad check (when asked), an
// erase (when asked; and before every later loop), then per loop its first and last page
// programmed with the loop's pattern word and read back. A block with any failure is bad and is
// tested no further; every good block is left erased. Failures come from the flash model's faults
// and from the error bits configured per block (others read a small count below the threshold).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "emu/nand_model.h"
#include "emu/sorting_settings.h"

namespace emu {

enum class SortBlockState : std::uint8_t { Untested, Good, FactoryBad, Failed };
enum class SortErrorType : std::uint8_t { OverThreshold = 0, Uncorrectable = 1, Program = 2, Erase = 3 };
// What the firmware was doing: post read 0, program 1, erase 2, page read 6.
enum class SortAction : std::uint8_t { Program = 1, Erase = 2, PageRead = 6 };

struct SortErrorRecord {
    int channel = 0;
    int fwBank = 0;
    int block = 0;  // the unit is block / planes, the plane mask bit block % planes
    SortErrorType type = SortErrorType::Uncorrectable;
    SortAction action = SortAction::PageRead;
    int page = 0;
    int maxErrBits = 0;
    bool readFailure = false;  // the failure came from a read
    std::uint32_t loop = 0;
    std::uint32_t ticks = 0;  // 1/400 s since the firmware started
};

struct SortDieResult {
    int channel = 0, ce = 0, lun = 0;
    int fwBank = 0;
    int tagDie = 0;
    std::vector<SortBlockState> blocks;
    std::vector<std::uint8_t> maxErrBits;  // per block; 0xFF for a page that could not be decoded
    std::vector<int> badPerPlane, eccPerPlane, programPerPlane, erasePerPlane;
    int bad = 0, factoryBad = 0, eccFail = 0, programFail = 0, eraseFail = 0;
    std::uint8_t flags = 0;  // bit 0 ECC, 1 bad blocks, 2 program, 3 erase, 7 factory bad
    // The flash times of the die-info page: erase SLC and erase (bytes), program SLC, read SLC,
    // program and read (u16).
    std::array<std::uint16_t, 6> times{};
};

struct SortRun {
    std::vector<SortDieResult> dies;  // in channel, CE, LUN order
    std::vector<SortErrorRecord> errors;
    std::uint8_t flags = 0;  // the OR of the dies' flags
    int bad = 0, eccFail = 0, programFail = 0, eraseFail = 0, factoryBad = 0;
};

// Error bits by (channel, CE, LUN, block).
using SortErrorBits = std::map<std::tuple<int, int, int, int>, int>;

// `startTick` is the platform tick the firmware started at (error times count from it).
// `defaultBits`: the error bits of the blocks `errorBits` does not name (else a small count below the
// threshold).
SortRun RunSortingTest(NandModel& nand, const SortFlash& flash, const SortTestSettings& settings,
                       const SortErrorBits& errorBits, std::uint64_t startTick,
                       std::optional<int> defaultBits = std::nullopt);

}  // namespace emu
