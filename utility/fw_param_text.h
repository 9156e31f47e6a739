// The firmware's parameter structures as read from controller RAM one sector at a time: the identify
// region (sector at 0), the flash timing and system parameters with their feature and security
// switches (sector at 512), and the mapping tables (sector at 1024). Each function takes its 512-byte
// sector and returns its memo entries; a hex dump entry holds its own line breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "utility/page_text.h"

namespace vellumin {

inline constexpr std::size_t kSectorBytes = 512;

// "\r\n\t" before each line of `perLine` groups "%2.2x "; a further "\r\n\t" when the length is a
// multiple of `perLine`.
std::string FormatHexDump(const std::uint8_t* data, std::size_t length, std::size_t perLine);

Lines FactoryIdentifyLines(const std::uint8_t* sector0);
Lines SystemParamLines(const std::uint8_t* sector512);
Lines ParamTableLines(const std::uint8_t* sector1024);

}  // namespace vellumin
