// Pure readers of the loader-block facts a drive gives back: the info page's code map (which page
// holds the parameter code page), the parameter code page's loader-block zone and block-unit
// counts, and the diagnostic firmware's code-block map. Nothing from the drive is trusted: a
// count, page number or offset outside its range makes the page unusable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace procedures {

inline constexpr std::size_t kInfoCodeNumAt = 163;
inline constexpr std::size_t kInfoCodeMapAt = 544;
inline constexpr std::size_t kCodeEntryBytes = 16;
inline constexpr int kCodeEntryMax = 16;
inline constexpr std::size_t kParamBlockAt = 768;  // the parameter block inside the code page
inline constexpr std::size_t kLdrBlockZoneAt = kParamBlockAt + 28;
inline constexpr int kLdrBlockEntries = 32;  // channels 0-7 x banks 0-3
inline constexpr std::size_t kHspdBlkQntyAt = kParamBlockAt + 116;
inline constexpr std::size_t kTotalGoodBuAt = kParamBlockAt + 122;
inline constexpr std::size_t kScanBlockUnitAt = kParamBlockAt + 180;
inline constexpr std::size_t kScanBlockUnit2At = kParamBlockAt + 182;
inline constexpr std::size_t kSysBuAt = kParamBlockAt + 228;
inline constexpr std::size_t kParamPageMinBytes = kSysBuAt + 2;
inline constexpr int kPageMapEntries = 384;
inline constexpr int kLoaderBlocksPerDie = 2;
inline constexpr int kLoaderBlockCandidates = 4;  // blocks 0-3

// What the info page says of its code map.
struct InfoPageCodeMap {
    std::uint8_t codeNum = 0;      // byte 163
    std::uint16_t lastPageNo = 0;  // wLastPageNo of entry codeNum - 1 (0 when codeNum is out of range)
    bool usable = false;           // codeNum in 1..16 and lastPageNo below 384
};
// A page shorter than the code map gives an unusable result.
InfoPageCodeMap ReadInfoPageCodeMap(std::span<const std::uint8_t> info);

// Loader blocks of one die: the set bits 0-3 of its map byte, lowest first, at most two.
struct DieLoaderBlocks {
    std::uint8_t count = 0;
    std::array<std::uint8_t, kLoaderBlocksPerDie> block{};
};
DieLoaderBlocks LoaderBlocksOf(std::uint8_t mapByte);

// The facts of the parameter code page. `dies[4 x channel + bank]`; only the 32 entries of
// channels 0-7 are read (entries 32-63 of the zone name no channel the port can hold).
struct ParamCodePageFacts {
    std::array<std::uint8_t, kLdrBlockEntries> map{};  // the zone's entries as read
    std::array<DieLoaderBlocks, kLdrBlockEntries> dies{};
    std::uint16_t wHSPD_BLK_Qnty_Count = 0;
    std::uint16_t wTotalGoodBU = 0;  // u16 at 122 plus `extraGoodBU`, kept in 16 bits
    std::uint16_t wScanBlockUnit = 0;
    std::uint16_t wScanBlockUnit2 = 0;
    std::uint16_t wSysBU = 0;
};
// Nothing when the page is too short for the parameter block's fields.
std::optional<ParamCodePageFacts> ReadParamCodePage(std::span<const std::uint8_t> page, std::uint16_t extraGoodBU);

// The diagnostic firmware's code-block map: one byte per die at 4 x channel + bank.
std::array<DieLoaderBlocks, kLdrBlockEntries> ReadCodeBlockMap(std::span<const std::uint8_t> map);

}  // namespace procedures
