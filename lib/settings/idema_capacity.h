// The IDEMA capacity is kept twice: as a 16-bit count of tenths ([FwSetting] IDEMACapacity) and as
// a single-precision number (fIDEMACapacity) that the capacity pages and the Para file change.
#pragma once

#include <cstdint>

namespace settings {

// IDEMACapacity / 10 in single precision.
float IdemaTenthsToCapacity(std::uint16_t tenths);

// fIDEMACapacity x 10 in single precision, truncated toward zero and kept in 16 bits. Every value
// made by IdemaTenthsToCapacity comes back unchanged. A capacity that is not a number or lies
// outside the signed 32-bit range gives 0 instead of an undefined conversion.
std::uint16_t IdemaCapacityToTenths(float capacity);

}  // namespace settings
