// What the emulated sorting firmware takes from the host before its run, decoded from the bytes
// alone: the flash description, LDPC rate, die bit map and loader blocks of the init block at byte
// 1248 of its variable block, and its test settings from the pattern page (index 4 of the loader
// block it booted from). Pattern-page offsets are from the page's start:
//   0 "SORT"  8 per-plane bad limit  10 per-die bad limit  13 scan factory bad  14 LDPC threshold
//   19 serial text (48)  67 read-fail limit  69 erase all  73 test loops (u32)
//   91 program-fail limit  93 erase-fail limit  95-103 five test patterns (0xAAAA: slot unused)
//   109 factory-bad limit per die  142 SLC LDPC threshold (byte)  143 TSAD (u16)
// The rest of the page is only echoed into the result blocks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "emu/gdp_init_param_decoder.h"

namespace emu {

inline constexpr std::size_t kSortInitParamOffset = 1248;
inline constexpr int kSortPatternPageIndex = 4;
inline constexpr std::uint16_t kUnusedPatternSlot = 0xAAAA;

struct SortFlash {
    int channels = 0;  // channels of the die numbering (init block's channel count)
    int banks = 0;     // CEs per channel of the FW bank numbering (init block's bank count)
    int luns = 1;      // dies per CE
    int planes = 1;
    int blocksPerDie = 0;
    int pagesPerBlock = 0;
    std::uint8_t ldpcRate = 0;
    std::uint8_t flashType = 0;         // 0: SLC flash
    std::uint8_t dieBitMap[8][4] = {};  // bit l: LUN l of channel and CE is tested
    std::uint8_t loaderBlocks[8][4] = {};

    bool Tested(int ch, int ce, int lun) const {
        return ch >= 0 && ch < 8 && ce >= 0 && ce < 4 && lun >= 0 && lun < 8 && (dieBitMap[ch][ce] & (1u << lun)) != 0;
    }
    bool IsLoaderBlock(int ch, int ce, int block) const {
        return ch < 8 && ce < 4 && block >= 0 && block < 8 && (loaderBlocks[ch][ce] & (1u << block)) != 0;
    }
    // The highest loader block of any die, or -1.
    int HighestLoaderBlock() const;
    int FwBank(int ce, int lun) const { return lun * banks + ce; }
};

// The flash the init block describes, or nullopt (and `why`) when it does not describe `nand`.
std::optional<SortFlash> SortFlashFromInitParam(std::span<const std::uint8_t> variableBlock, const NandGeometry& nand,
                                                std::string* why);

struct SortTestSettings {
    bool eraseAll = false;
    bool scanFactoryBad = false;
    std::uint32_t loops = 1;
    std::vector<std::uint16_t> patterns;  // the selected words, in slot order
    std::uint16_t maxBadPerPlane = 0;
    std::uint16_t maxBadPerDie = 0;
    std::uint16_t maxReadFail = 0;
    std::uint16_t maxProgramFail = 0;
    std::uint16_t maxEraseFail = 0;
    std::uint16_t maxFactoryBadPerDie = 0;
    std::uint16_t ldpcThreshold = 0;
    std::uint8_t slcLdpcThreshold = 0;
    std::uint16_t tsad = 0;
    std::array<char, 48> serial{};
    std::vector<std::uint8_t> page;  // the pattern page as read, for the echo

    // The word of loop `loop`.
    std::uint16_t Pattern(std::uint32_t loop) const;
};

// Nullopt when the page does not begin with "SORT" (the pattern was not loaded).
std::optional<SortTestSettings> DecodePatternPage(std::span<const std::uint8_t> page);

}  // namespace emu
