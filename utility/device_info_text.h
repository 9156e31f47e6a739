// The "Device Info" page: one line per field of the identify-controller data (4,096 bytes), with the
// labels as the page has always shown them, and the list row texts of a drive.
#pragma once

#include <cstdint>
#include <string>

#include "utility/page_text.h"

namespace vellumin {

inline constexpr std::size_t kIdentifyBytes = 4096;

Lines DeviceInfoLines(const std::uint8_t* identify);

// The 16 bytes as one unsigned 128-bit little-endian number, in decimal.
std::string Decimal128(const std::uint8_t* bytes);

// A list row's texts from identify controller and identify namespace.
struct DeviceRowTexts {
    std::string model;     // bytes 24-63, trimmed
    std::string serial;    // bytes 4-23, trimmed
    std::string revision;  // bytes 64-71, untrimmed
};
DeviceRowTexts RowTexts(const std::uint8_t* identifyController);
// NSZE (bytes 0-7) x 512 in GiB, "%.2f".
std::string CapacityText(std::uint64_t nsze);

}  // namespace vellumin
