// The expected parameter block and timing record of the sample drive (param_settings.h), written
// out by hand from its settings.
#pragma once

#include <cstdint>
#include <vector>

#include "image_table.h"

namespace param_test {

// The timing record MakeTiming(base) at `offset` (byte 7 is never written, so it has no row).
inline Table TimingTable(std::size_t offset, std::uint32_t base) {
    Table t;
    Add(t, "ucTimingType", offset + 0, 1, base + 1);
    Add(t, "ucBestTimingType", offset + 1, 1, base + 2);
    Add(t, "wFreqVal", offset + 2, 2, 400);
    Add(t, "ucTimingMode", offset + 4, 1, base + 3);
    Add(t, "ucHighSpeedSetting", offset + 5, 1, base + 4);
    Add(t, "ucOutputDriveStrength", offset + 6, 1, base + 5);
    AddBytes(t, "aTimingFill", offset + 8, {0xFF, 0xFF, 0xFF, 0xFF});
    for (std::uint32_t g = 0; g < 6; ++g) {
        for (std::uint32_t i = 0; i < 8; ++i) {
            Add(t, "register", offset + 12 + 32 * g + 4 * i, 4, (base << 16) | (g * 8 + i + 0x100));
        }
    }
    Add(t, "dwTimingCode", offset + 204, 4, 300000 + 400 * 100 + base);
    for (std::uint32_t i = 0; i < 8; ++i) Add(t, "dwDqsDrvCfg", offset + 208 + 4 * i, 4, 0x80000000U | (base << 8) | i);
    return t;
}

// The CE list and reverse map of four channels by two CEs (one pass).
inline std::vector<std::uint8_t> SampleCeList() {
    std::vector<std::uint8_t> list(64, 0xFF);
    const std::uint8_t used[] = {0x00, 0x01, 0x02, 0x03, 0x08, 0x09, 0x0A, 0x0B};
    for (int i = 0; i < 8; ++i) list[i] = used[i];
    return list;
}
inline std::vector<std::uint8_t> SampleCeReverse() {
    std::vector<std::uint8_t> reverse(128, 0xFF);
    for (int i = 0; i < 4; ++i) {
        reverse[i] = static_cast<std::uint8_t>(i);
        reverse[8 + i] = static_cast<std::uint8_t>(4 + i);
    }
    return reverse;
}

// GDP_INIT_PARAM of the sample drive, offsets from the block's start.
inline Table InitParamTable() {
    Table t;
    Add(t, "ucFlashVendor", 0, 1, 1);
    Add(t, "ucFlashType", 1, 1, 2);
    Add(t, "wBlocks", 2, 2, 2016);
    Add(t, "wPages", 4, 2, 2304);
    Add(t, "wPageSize", 6, 2, 16);
    Add(t, "ucDiePerCE", 8, 1, 1);
    Add(t, "ucPlanes", 9, 1, 4);
    Add(t, "ucLdpcMode", 10, 1, 2);
    Add(t, "bMode", 11, 1, 9);
    Add(t, "bMaxChans", 12, 1, 4);
    Add(t, "bMaxBanks", 13, 1, 2);
    Add(t, "wSpareByte", 14, 2, 2208);
    Add(t, "GDPFunBitMap", 23, 1, 0x5A);
    Add(t, "bRowBlockShift", 24, 1, 9);
    Add(t, "bRowPageShift", 25, 1, 12);
    Add(t, "bRowLunShift", 26, 1, 2);
    Add(t, "bRowPlaneShift", 27, 1, 2);
    Add(t, "auto-detect", 28, 1, 0);
    Add(t, "bPageShift", 29, 1, 12);
    Add(t, "bBlockShift", 30, 1, 9);
    Add(t, "bStpuShift", 31, 1, 7);
    for (int ch = 0; ch < 8; ++ch) {
        for (int bank = 0; bank < 4; ++bank) {
            // Blocks 1 and 3 on every die; channel 2, CE 1 has blocks 9 (no bit) and 2.
            std::uint32_t bits = ch < 4 && bank < 2 ? 0x0A : 0;
            if (ch == 2 && bank == 1) bits = 0x04;
            Add(t, "bLdrBlockSts", 32 + 4 * ch + bank, 1, bits);
        }
    }
    AddBytes(t, "bFwCh", 64, {0, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF});
    AddBytes(t, "bFwBank", 72, {0, 1, 0xFF, 0xFF});
    Add(t, "BIN type B27B", 76, 1, 14);
    Add(t, "RunSortingMode", 77, 1, 1);
    Add(t, "0x0810", 80, 2, 0x0810);
    Add(t, "LDPC rate of mode 2", 82, 2, 240);
    Add(t, "piece 0 count", 96, 2, 1);
    Add(t, "piece 0 length", 98, 2, 1168);
    Add(t, "piece 0 offset", 100, 4, 16);
    Add(t, "piece 1 count", 104, 2, 1);
    Add(t, "piece 1 length", 106, 2, 400);
    Add(t, "piece 1 offset", 108, 4, 1184);
    Add(t, "30", 112, 2, 30);
    Add(t, "step 0 of mode 2", 114, 2, 36);
    Add(t, "step 1 of mode 2", 116, 2, 72);
    Add(t, "step 2 of mode 2", 118, 2, 108);
    Add(t, "word 120", 120, 2, 0);
    Add(t, "word 122", 122, 2, 0);
    Add(t, "word 124", 124, 2, 0x5555);
    Add(t, "word 126", 126, 2, 0);
    const std::uint32_t pieceOffsets[] = {16, 608, 1200, 1792};
    for (std::uint32_t i = 0; i < 4; ++i) {
        Add(t, "piece count", 128 + 8 * i, 2, 2);
        Add(t, "piece length", 130 + 8 * i, 2, 592);
        Add(t, "piece offset", 132 + 8 * i, 4, pieceOffsets[i]);
    }
    Add(t, "piece 6 count", 160, 2, 1);
    Add(t, "piece 6 length", 162, 2, 1920);
    Add(t, "piece 6 offset", 164, 4, 1584);
    for (const Field& f : TimingTable(176, 0x10)) t.push_back(f);
    for (const Field& f : TimingTable(432, 0x20)) t.push_back(f);
    for (int ch = 0; ch < 8; ++ch) {
        for (int bank = 0; bank < 4; ++bank) Add(t, "die bit map", 688 + 4 * ch + bank, 1, ch < 4 && bank < 2 ? 1 : 0);
    }
    AddBytes(t, "CE list", 720, SampleCeList());
    AddBytes(t, "reverse CE map", 784, SampleCeReverse());
    Add(t, "DramProfile", 912, 2, 9);
    Add(t, "DramSize low", 914, 2, 2048);
    Add(t, "SandiskBic4ChangeID", 916, 1, 1);
    return t;
}

}  // namespace param_test
