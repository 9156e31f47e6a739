// What the device information window shows, as plain code: the identify texts, the GPIO line, the
// rows of the flash-ID list from a pass/fail map and the IDs read, and the die positions to read.
// The drive reads that fill them are in device_info_reads.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dialogs {

// The GPIO bits of the "HW Setting" line, in the order shown.
inline constexpr std::array<std::uint32_t, 5> kGpioBits = {21, 16, 15, 7, 6};
// The flash-module data the window takes, and where its 32 failed positions (CE, channel) lie.
inline constexpr std::size_t kFlashModuleBytes = 448;
inline constexpr std::size_t kFailedPositionsAt = 67;
inline constexpr int kFailedPositions = 32;
inline constexpr int kMaxPositions = 8;  // die positions per channel the ID table holds

// A text field of the identify data: the bytes up to the first NUL, trimmed of spaces and control
// characters at both ends.
std::string IdentifyField(std::span<const std::uint8_t> identify, std::size_t offset, std::size_t length);
// "GPIO(21,16,15,7,6): 0,1,1,0,0".
std::string GpioLabelText(const std::array<int, 5>& values);

// The flash-ID tab's working data: failed (channel, CE) and the six ID bytes per channel and position.
struct FlashIdMap {
    bool failed[8][4] = {};
    std::uint8_t id[8][kMaxPositions][6] = {};
};

// Marks the failed positions of the flash-module data: every entry whose channel byte is not 255;
// entries naming a channel above 7 or a CE above 3 are ignored.
void MarkFailedPositions(std::span<const std::uint8_t> module, FlashIdMap& map);

// The configured die positions: per channel below MaxPhyChannel (at most 8), the positions below
// MaxPhyBank x dies per CE (at most 8) whose die-map entry holds a die.
struct DiePosition {
    int channel = 0;
    int position = 0;
};
std::vector<DiePosition> ConfiguredPositions();
// The CE byte of a flash-ID read: the position itself below MaxPhyBank, else the CE with the LUN in
// the high nibble.
std::uint8_t CeByteOf(int position);

struct FlashIdRow {
    std::string number, status, channel, ce;
    std::array<std::string, 6> id;
};
std::vector<FlashIdRow> FlashIdRows(const FlashIdMap& map);

}  // namespace dialogs
