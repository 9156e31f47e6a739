// Checks of the settings that the firmware parameter images carry, run when the settings are
// checked before a run and again by the image writers before they write anything: a value the
// image cannot hold is refused with a message for the operator instead of being cut or wrapped.
#pragma once

#include <cstdint>
#include <string>

namespace settings {

// The largest DramSize (MB) whose byte count (the value x 1,048,576) fits the 32-bit field.
inline constexpr std::uint32_t kMaxDramSizeMb = 4095;

// False, with the reason in `why` (when given), when `dramSizeMb` x 1,048,576 does not fit 32 bits.
bool CheckDramSize(std::uint32_t dramSizeMb, std::string* why = nullptr);
// The die map's CE list and reverse map (see BuildCeMap) and DramSize of AP_INIState.
bool CheckParamImageSettings(std::string* why = nullptr);

}  // namespace settings
