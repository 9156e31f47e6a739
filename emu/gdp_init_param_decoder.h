// The emulated diagnostic firmware's view of its init block: the flash description, the die and CE
// maps and the timing that the host writes into the firmware image or sends with the init command.
// Decoded from the bytes alone, and compared with the NAND the emulated drive really carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace emu {

// The flash-interface timing as the firmware reads it (240 bytes).
struct InitTiming {
    std::uint8_t type = 0;
    std::uint8_t bestType = 0;
    std::uint16_t clockMhz = 0;
    std::uint8_t timingMode = 0;
    std::uint8_t highSpeed = 0;
    std::uint8_t driveStrength = 0;
    std::uint8_t fill[4] = {};
    std::uint32_t registers[6][8] = {};  // drive, ODT, DQS, fixed, clock, controller ODT
    std::uint32_t timingCode = 0;
    std::uint32_t dqsDrive[8] = {};
};

struct GdpInitParam {
    std::uint8_t flashVendor = 0;
    std::uint8_t flashType = 0;
    std::uint16_t blocksPerCe = 0;
    std::uint16_t pagesPerBlock = 0;
    std::uint16_t pageSizeKiB = 0;
    std::uint8_t diesPerCe = 0;
    std::uint8_t planes = 0;
    std::uint8_t ldpcMode = 0;
    std::uint8_t interfaceMode = 0;
    std::uint8_t maxChannels = 0;
    std::uint8_t maxBanks = 0;
    std::uint16_t spareBytes = 0;
    std::uint8_t functionBits = 0;
    std::uint8_t rowBlockShift = 0, rowPageShift = 0, rowLunShift = 0, rowPlaneShift = 0;
    std::uint8_t autoDetecting = 0;
    std::uint8_t pageShift = 0, blockShift = 0, stpuShift = 0;
    std::uint8_t loaderBlocks[8][4] = {};  // bit n: block n holds code
    std::uint8_t fwChannels[8] = {};
    std::uint8_t fwBanks[4] = {};
    std::uint8_t binType = 0;
    std::uint8_t sortingMode = 0;
    std::uint16_t ldpcWord = 0;  // byte 80
    std::uint16_t ldpcRate = 0;  // byte 82
    std::uint16_t ldpcPieceCount[7] = {};
    std::uint16_t ldpcPieceLength[7] = {};
    std::uint32_t ldpcPieceOffset[7] = {};
    std::uint16_t ldpcSteps[4] = {};  // bytes 112-119
    std::uint16_t ldpcTail[4] = {};   // bytes 120-127
    InitTiming initTiming;
    InitTiming timingAfterSetFeature;
    std::uint8_t dieBitMap[8][4] = {};  // bit d: LUN d of that channel and CE takes part
    std::uint8_t ceList[64] = {};       // LUN << 6 | CE << 3 | channel, 0xFF unused
    std::uint8_t ceReverse[128] = {};
    std::uint16_t dramProfile = 0;
    std::uint16_t dramSizeLow = 0;
    std::uint8_t changeIdPass = 0;
};

inline constexpr std::size_t kGdpInitParamBytes = 917;

// Decodes the block at the start of `bytes`; nothing when fewer than 917 bytes arrive.
std::optional<GdpInitParam> DecodeGdpInitParam(std::span<const std::uint8_t> bytes);
// Decodes a timing record (at least 240 bytes).
InitTiming DecodeInitTiming(std::span<const std::uint8_t, 240> bytes);

// The NAND an emulated drive carries.
struct NandGeometry {
    int channels = 0;
    int cesPerChannel = 0;
    int lunsPerCe = 1;
    int planes = 0;
    int blocksPerCe = 0;
    int pagesPerBlock = 0;
    int pageSizeKiB = 0;
};

struct FlashGeometry;
// The geometry an init block is checked against, as the drive's flash model carries it.
NandGeometry CarriedGeometry(const FlashGeometry& flash);

// True when the init block describes this NAND: the same block, page and plane geometry and LUNs
// per CE, no more channels or banks than it has, and every die of the CE list and the die bit map
// on it. Otherwise false with the first disagreement in `why`.
bool InitParamMatchesNand(const GdpInitParam& param, const NandGeometry& nand, std::string* why = nullptr);

}  // namespace emu
