// An init block (0x11) written out byte by byte for the emulator's tests: the flash geometry, LDPC
// rate, channel and bank counts, and a die bit map ([channel][CE], bit d = LUN d).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "emu/nand_model.h"

namespace emu_test {

using DieBits = std::vector<std::vector<std::uint8_t>>;  // [channel][CE]

inline std::vector<std::uint8_t> InitBlock(const emu::FlashGeometry& g, std::uint8_t rate, const DieBits& dies) {
    std::vector<std::uint8_t> b(1024, 0);
    const int perCe = g.blocks * g.luns;
    b[2] = static_cast<std::uint8_t>(perCe);
    b[3] = static_cast<std::uint8_t>(perCe >> 8);
    b[4] = static_cast<std::uint8_t>(g.pages);
    b[5] = static_cast<std::uint8_t>(g.pages >> 8);
    b[6] = static_cast<std::uint8_t>(g.pageSectors / 2);
    b[8] = static_cast<std::uint8_t>(g.luns);
    b[9] = static_cast<std::uint8_t>(g.planes);
    b[10] = rate;
    b[12] = static_cast<std::uint8_t>(g.channels);
    b[13] = static_cast<std::uint8_t>(g.ces);
    for (std::size_t ch = 0; ch < dies.size() && ch < 8; ++ch) {
        for (std::size_t ce = 0; ce < dies[ch].size() && ce < 4; ++ce) b[688 + 4 * ch + ce] = dies[ch][ce];
    }
    std::fill(b.begin() + 720, b.begin() + 912, 0xFF);
    return b;
}

}  // namespace emu_test
