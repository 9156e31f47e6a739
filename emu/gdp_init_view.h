// What the diagnostic firmware's programs take from its last init block (0x11): the dies of its
// die bit map (bytes 688-719: [8 channels][4 CEs], bit d = LUN d takes part), its LDPC rate
// (byte 10) and its bank count (byte 13). Dies the flash does not carry are left out. Before a
// sound init block has arrived the programs work on every die of the flash (at most 8 channels of
// 4 CEs), with rate 1 and the flash's CE count.
#pragma once

#include <cstdint>
#include <vector>

#include "emu/gdp_firmware.h"

namespace emu {

struct InitDie {
    int channel = 0;
    int ce = 0;
    int lun = 0;
    friend bool operator==(const InitDie&, const InitDie&) = default;
};

struct InitView {
    std::vector<InitDie> dies;  // channel-major, then CE, then LUN
    std::uint8_t rate = 1;
    int banks = 1;
};

InitView ViewOfInit(GdpFirmware& gdp);

}  // namespace emu
