#include "emu/sorting_settings.h"

#include <algorithm>
#include <cstring>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

using wire::GetLe16;
using wire::GetLe32;

constexpr std::size_t kPatternSettingBytes = 145;  // up to and with the TSAD field
constexpr std::uint32_t kMaxLoops = 1000;

}  // namespace

int SortFlash::HighestLoaderBlock() const {
    int highest = -1;
    for (const auto& channel : loaderBlocks) {
        for (std::uint8_t bits : channel) {
            for (int b = 7; b > highest; --b) {
                if ((bits & (1u << b)) != 0) {
                    highest = b;
                    break;
                }
            }
        }
    }
    return highest;
}

std::optional<SortFlash> SortFlashFromInitParam(std::span<const std::uint8_t> variableBlock, const NandGeometry& nand,
                                                std::string* why) {
    if (variableBlock.size() < kSortInitParamOffset + kGdpInitParamBytes) {
        if (why != nullptr) *why = "the variable block is shorter than its init block";
        return std::nullopt;
    }
    const auto param = DecodeGdpInitParam(variableBlock.subspan(kSortInitParamOffset));
    if (!param || !InitParamMatchesNand(*param, nand, why)) return std::nullopt;
    SortFlash f;
    f.channels = param->maxChannels == 0 ? nand.channels : param->maxChannels;
    f.banks = param->maxBanks == 0 ? nand.cesPerChannel : param->maxBanks;
    f.luns = nand.lunsPerCe;
    f.planes = param->planes;
    f.blocksPerDie = param->blocksPerCe / f.luns;
    f.pagesPerBlock = param->pagesPerBlock;
    f.ldpcRate = param->ldpcMode;
    f.flashType = param->flashType;
    std::memcpy(f.dieBitMap, param->dieBitMap, sizeof f.dieBitMap);
    std::memcpy(f.loaderBlocks, param->loaderBlocks, sizeof f.loaderBlocks);
    return f;
}

std::uint16_t SortTestSettings::Pattern(std::uint32_t loop) const {
    if (patterns.empty()) return 0x55AA;
    return patterns[loop % patterns.size()];
}

std::optional<SortTestSettings> DecodePatternPage(std::span<const std::uint8_t> page) {
    if (page.size() < kPatternSettingBytes || std::memcmp(page.data(), "SORT", 4) != 0) return std::nullopt;
    const std::uint8_t* p = page.data();
    SortTestSettings s;
    s.maxBadPerPlane = GetLe16(p + 8);
    s.maxBadPerDie = GetLe16(p + 10);
    s.scanFactoryBad = p[13] != 0;
    s.ldpcThreshold = GetLe16(p + 14);
    std::memcpy(s.serial.data(), p + 19, s.serial.size());
    s.maxReadFail = GetLe16(p + 67);
    s.eraseAll = p[69] != 0;
    // A count the drive cannot have meant (the page fill, or zero) runs one loop.
    const std::uint32_t loops = GetLe32(p + 73);
    s.loops = loops == 0 || loops > kMaxLoops ? 1 : loops;
    s.maxProgramFail = GetLe16(p + 91);
    s.maxEraseFail = GetLe16(p + 93);
    for (std::size_t at = 95; at <= 103; at += 2) {
        const std::uint16_t word = GetLe16(p + at);
        if (word != kUnusedPatternSlot) s.patterns.push_back(word);
    }
    s.maxFactoryBadPerDie = GetLe16(p + 109);
    s.slcLdpcThreshold = p[142];
    s.tsad = GetLe16(p + 143);
    s.page.assign(page.begin(), page.end());
    return s;
}

}  // namespace emu
