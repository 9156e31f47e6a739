#include "procedures/loader_block_readers.h"

#include "transport/byte_order.h"

namespace procedures {

namespace {

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return transport::GetLe16(b.data() + at);
}

}  // namespace

InfoPageCodeMap ReadInfoPageCodeMap(std::span<const std::uint8_t> info) {
    InfoPageCodeMap out;
    if (info.size() < kInfoCodeMapAt + kCodeEntryMax * kCodeEntryBytes) return out;
    out.codeNum = info[kInfoCodeNumAt];
    if (out.codeNum == 0 || out.codeNum > kCodeEntryMax) return out;
    out.lastPageNo = Le16(info, kInfoCodeMapAt + (out.codeNum - 1u) * kCodeEntryBytes + 2);
    out.usable = out.lastPageNo < kPageMapEntries;
    return out;
}

DieLoaderBlocks LoaderBlocksOf(std::uint8_t mapByte) {
    DieLoaderBlocks die;
    for (int n = 0; n < kLoaderBlockCandidates && die.count < kLoaderBlocksPerDie; ++n) {
        if ((mapByte >> n) & 1) die.block[die.count++] = static_cast<std::uint8_t>(n);
    }
    return die;
}

std::optional<ParamCodePageFacts> ReadParamCodePage(std::span<const std::uint8_t> page, std::uint16_t extraGoodBU) {
    if (page.size() < kParamPageMinBytes) return std::nullopt;
    ParamCodePageFacts f;
    for (int e = 0; e < kLdrBlockEntries; ++e) {
        f.map[e] = page[kLdrBlockZoneAt + e];
        f.dies[e] = LoaderBlocksOf(f.map[e]);
    }
    f.wHSPD_BLK_Qnty_Count = Le16(page, kHspdBlkQntyAt);
    f.wTotalGoodBU = static_cast<std::uint16_t>(Le16(page, kTotalGoodBuAt) + extraGoodBU);
    f.wScanBlockUnit = Le16(page, kScanBlockUnitAt);
    f.wScanBlockUnit2 = Le16(page, kScanBlockUnit2At);
    f.wSysBU = Le16(page, kSysBuAt);
    return f;
}

std::array<DieLoaderBlocks, kLdrBlockEntries> ReadCodeBlockMap(std::span<const std::uint8_t> map) {
    std::array<DieLoaderBlocks, kLdrBlockEntries> dies{};
    for (std::size_t e = 0; e < dies.size() && e < map.size(); ++e) dies[e] = LoaderBlocksOf(map[e]);
    return dies;
}

}  // namespace procedures
