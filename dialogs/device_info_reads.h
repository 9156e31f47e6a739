// The device information window's reads of the drive: the flash-ID tab's pass/fail map and IDs by
// the controller's mode, and the first 4 KB of controller RAM. A failed read leaves its part as it
// was (zero IDs, no failure mark).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "dialogs/device_info_view.h"

namespace dialogs {

// Mode 1 (boot loader): the diagnostic firmware is loaded (not forced, not patched) with a 1.5 s
// wait that serves the window's messages; modes 1 and 2 read the flash module's failed positions;
// modes 1 to 3 read the ID of every configured position; modes 4 and 0 read nothing.
FlashIdMap ReadFlashIdMap(int port);
// 8 sectors of controller RAM from address 0; nothing when the read fails.
std::optional<std::vector<std::uint8_t>> ReadSram(int port);

}  // namespace dialogs
