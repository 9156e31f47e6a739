// The LUN selection exchanged between the die map's "Lun Select" button and the LUN dialog: which
// channel and CE cells take part, and which LUNs of them are selected. The button fills it, the
// dialog shows it and writes the operator's choice back into LunSelect.
#pragma once

#include <cstdint>

namespace app {
inline constexpr int kLunChannels = 8;
inline constexpr int kLunCes = 4;
inline constexpr int kLunLuns = 4;
}  // namespace app

struct LunStatus_t {
    std::int32_t ChNum = 0;     // channel columns shown: highest selected channel + 1
    std::int32_t CeNum = 0;     // CE rows shown: highest selected CE + 1
    std::int32_t DiePerCe = 0;  // LUNs per CE
    std::uint8_t ChCeSelect[app::kLunChannels][app::kLunCes] = {};
    std::uint8_t LunSelect[app::kLunChannels][app::kLunCes][app::kLunLuns] = {};
};

extern LunStatus_t gLunStatus;
