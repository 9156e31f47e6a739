#include "emu/gdp_init_param_decoder.h"

#include <cstring>

#include "emu/nand_model.h"
#include "emu/wire_bytes.h"

namespace emu {
namespace {

using wire::GetLe16;
using wire::GetLe32;

bool Disagree(std::string* why, const std::string& text) {
    if (why != nullptr) *why = text;
    return false;
}

}  // namespace

InitTiming DecodeInitTiming(std::span<const std::uint8_t, 240> bytes) {
    const std::uint8_t* p = bytes.data();
    InitTiming t;
    t.type = p[0];
    t.bestType = p[1];
    t.clockMhz = GetLe16(p + 2);
    t.timingMode = p[4];
    t.highSpeed = p[5];
    t.driveStrength = p[6];
    std::memcpy(t.fill, p + 8, 4);
    for (int g = 0; g < 6; ++g) {
        for (int i = 0; i < 8; ++i) t.registers[g][i] = GetLe32(p + 12 + 32 * g + 4 * i);
    }
    t.timingCode = GetLe32(p + 204);
    for (int i = 0; i < 8; ++i) t.dqsDrive[i] = GetLe32(p + 208 + 4 * i);
    return t;
}

std::optional<GdpInitParam> DecodeGdpInitParam(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kGdpInitParamBytes) return std::nullopt;
    const std::uint8_t* p = bytes.data();
    GdpInitParam g;
    g.flashVendor = p[0];
    g.flashType = p[1];
    g.blocksPerCe = GetLe16(p + 2);
    g.pagesPerBlock = GetLe16(p + 4);
    g.pageSizeKiB = GetLe16(p + 6);
    g.diesPerCe = p[8];
    g.planes = p[9];
    g.ldpcMode = p[10];
    g.interfaceMode = p[11];
    g.maxChannels = p[12];
    g.maxBanks = p[13];
    g.spareBytes = GetLe16(p + 14);
    g.functionBits = p[23];
    g.rowBlockShift = p[24];
    g.rowPageShift = p[25];
    g.rowLunShift = p[26];
    g.rowPlaneShift = p[27];
    g.autoDetecting = p[28];
    g.pageShift = p[29];
    g.blockShift = p[30];
    g.stpuShift = p[31];
    std::memcpy(g.loaderBlocks, p + 32, 32);
    std::memcpy(g.fwChannels, p + 64, 8);
    std::memcpy(g.fwBanks, p + 72, 4);
    g.binType = p[76];
    g.sortingMode = p[77];
    g.ldpcWord = GetLe16(p + 80);
    g.ldpcRate = GetLe16(p + 82);
    // Piece descriptors: one at 96, one at 104, four at 128, one at 160.
    const std::size_t at[7] = {96, 104, 128, 136, 144, 152, 160};
    for (int i = 0; i < 7; ++i) {
        g.ldpcPieceCount[i] = GetLe16(p + at[i]);
        g.ldpcPieceLength[i] = GetLe16(p + at[i] + 2);
        g.ldpcPieceOffset[i] = GetLe32(p + at[i] + 4);
    }
    for (int i = 0; i < 4; ++i) {
        g.ldpcSteps[i] = GetLe16(p + 112 + 2 * i);
        g.ldpcTail[i] = GetLe16(p + 120 + 2 * i);
    }
    g.initTiming = DecodeInitTiming(std::span<const std::uint8_t, 240>(p + 176, 240));
    g.timingAfterSetFeature = DecodeInitTiming(std::span<const std::uint8_t, 240>(p + 432, 240));
    std::memcpy(g.dieBitMap, p + 688, 32);
    std::memcpy(g.ceList, p + 720, 64);
    std::memcpy(g.ceReverse, p + 784, 128);
    g.dramProfile = GetLe16(p + 912);
    g.dramSizeLow = GetLe16(p + 914);
    g.changeIdPass = p[916];
    return g;
}

bool InitParamMatchesNand(const GdpInitParam& g, const NandGeometry& nand, std::string* why) {
    const int luns = g.diesPerCe == 0 ? 1 : g.diesPerCe;
    if (g.blocksPerCe != nand.blocksPerCe) {
        return Disagree(
            why, "blocks per CE " + std::to_string(g.blocksPerCe) + ", NAND " + std::to_string(nand.blocksPerCe));
    }
    if (g.pagesPerBlock != nand.pagesPerBlock) {
        return Disagree(
            why, "pages per block " + std::to_string(g.pagesPerBlock) + ", NAND " + std::to_string(nand.pagesPerBlock));
    }
    if (g.pageSizeKiB != nand.pageSizeKiB) {
        return Disagree(
            why, "page size " + std::to_string(g.pageSizeKiB) + " KiB, NAND " + std::to_string(nand.pageSizeKiB));
    }
    if (g.planes != nand.planes) {
        return Disagree(why, "planes " + std::to_string(g.planes) + ", NAND " + std::to_string(nand.planes));
    }
    if (luns != nand.lunsPerCe) {
        return Disagree(why, "LUNs per CE " + std::to_string(luns) + ", NAND " + std::to_string(nand.lunsPerCe));
    }
    if (g.maxChannels > nand.channels) {
        return Disagree(why, "channels " + std::to_string(g.maxChannels) + ", NAND " + std::to_string(nand.channels));
    }
    if (g.maxBanks > nand.cesPerChannel) {
        return Disagree(why, "banks " + std::to_string(g.maxBanks) + ", NAND " + std::to_string(nand.cesPerChannel));
    }
    for (std::uint8_t die : g.ceList) {
        if (die == 0xFF) continue;
        const int lun = die >> 6, ce = (die >> 3) & 7, ch = die & 7;
        if (ch >= nand.channels || ce >= nand.cesPerChannel || lun >= nand.lunsPerCe) {
            return Disagree(why, "logical die on channel " + std::to_string(ch) + ", CE " + std::to_string(ce) +
                                     ", LUN " + std::to_string(lun) + " is not on the NAND");
        }
    }
    for (int ch = 0; ch < 8; ++ch) {
        for (int ce = 0; ce < 4; ++ce) {
            const int bits = g.dieBitMap[ch][ce];
            for (int lun = 0; lun < 8; ++lun) {
                if ((bits & (1 << lun)) == 0) continue;
                if (ch >= nand.channels || ce >= nand.cesPerChannel || lun >= nand.lunsPerCe) {
                    return Disagree(why, "die bit map names channel " + std::to_string(ch) + ", CE " +
                                             std::to_string(ce) + ", LUN " + std::to_string(lun) +
                                             ", which is not on the NAND");
                }
            }
        }
    }
    return true;
}

NandGeometry CarriedGeometry(const FlashGeometry& g) {
    NandGeometry carried;
    carried.channels = g.channels;
    carried.cesPerChannel = g.ces;
    carried.lunsPerCe = g.luns;
    carried.planes = g.planes;
    carried.blocksPerCe = g.blocks * g.luns;
    carried.pagesPerBlock = g.pages;
    carried.pageSizeKiB = g.pageSectors / 2;
    return carried;
}

}  // namespace emu
