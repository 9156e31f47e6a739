#include "sorting/ecc_view.h"

#include <algorithm>
#include <cstdio>

#include "forms/str_to_int.h"

namespace sorting {

std::uint16_t EccBlocksPerLun(std::uint16_t wBlocks, std::uint8_t diePerCE) {
    return diePerCE == 0 ? 0 : static_cast<std::uint16_t>(wBlocks / diePerCE);
}

std::uint8_t EccDieSlot(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t maxPhyChannel) {
    const unsigned slot = unsigned{fwBank} * maxPhyChannel + channel;
    return static_cast<std::uint8_t>(std::min(slot, 255u));
}

std::uint8_t EccMaxErrorBit(std::span<const std::uint8_t> values) {
    std::uint8_t max = 0;
    for (const std::uint8_t v : values) {
        if (v != 255 && v > max) max = v;
    }
    return max;
}

std::uint8_t EccMostFrequentValue(std::span<const std::uint16_t, kEccBins> counts) {
    unsigned best = 0;
    std::uint16_t bestCount = 0;
    for (unsigned v = 0; v < kEccBins; ++v) {
        if (counts[v] > bestCount) {
            bestCount = counts[v];
            best = v;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void FillEccGridBlocks(std::span<std::uint8_t> grid, std::span<const std::uint8_t> dieValues, std::uint16_t blocks) {
    std::fill(grid.begin(), grid.end(), kEccEmptyMarker);
    const std::size_t n = std::min({std::size_t{blocks}, dieValues.size(), grid.size()});
    std::copy_n(dieValues.begin(), n, grid.begin());
}

EccCount EccCountBlocks(std::span<const std::uint16_t, kEccBins> counts, EccCompare compare, std::uint8_t value,
                        std::uint16_t blocksPerLun) {
    unsigned first = value, last = value;  // bins first … last, inclusive
    switch (compare) {
        case EccCompare::Greater:
            if (value == 255) return {};
            first = value + 1u;
            last = 255;
            break;
        case EccCompare::Less:
            if (value == 0) return {};
            first = 0;
            last = value - 1u;
            break;
        case EccCompare::Equal:
            break;
    }
    EccCount result;
    for (unsigned v = first; v <= last; ++v) result.blocks += counts[v];
    result.percent = blocksPerLun == 0 ? 0 : result.blocks * 100u / blocksPerLun;
    return result;
}

std::string EccCountLine(EccCompare compare, int channel, int bank, int lun, std::uint8_t value,
                         const EccCount& count) {
    const char* format = "";
    switch (compare) {
        case EccCompare::Greater:
            format = "ChNo %d ,BankNo %d, lun %d, Greater then Error Bit(0x%02X) have %d block, %.5f%%  ";
            break;
        case EccCompare::Less:
            format = "ChNo %d ,BankNo %d, lun %d,Less then Error Bit(0x%02X) have %d block, %.5f%%  ";
            break;
        case EccCompare::Equal:
            format = "ChNo %d ,BankNo %d, lun %d,Equal to Error Bit(0x%02X) have %d block, %.5f%%  ";
            break;
    }
    char line[160];
    std::snprintf(line, sizeof line, format, channel, bank, lun, static_cast<unsigned>(value),
                  static_cast<int>(count.blocks), static_cast<double>(count.percent));
    return line;
}

int EccBlockGridRows(std::uint16_t blocksPerLun) {
    return (blocksPerLun + 16) / 16 + 1;
}

std::string EccBlockRowLabel(int row) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(row - 1) * 16u);
    return text;
}

std::string EccCountRowLabel(int row) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(row - 1) * 16u);
    return text;
}

std::string EccColumnHeader(int column) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(column - 1));
    return text;
}

EccCellLook EccCellColours(EccGridKind grid, std::string_view text, std::uint8_t threshold) {
    const std::optional<std::int32_t> number = forms::StrToInt(text);
    if (grid == EccGridKind::Counts) {
        if (number && *number == 0) return {kEccSilver, kEccSilver, 1};
        return {kEccBlack, std::nullopt, 1};
    }
    if (!number) return {kEccBlack, std::nullopt, 2};
    const auto value = static_cast<std::uint8_t>(*number);
    if (value == kEccEmptyMarker) return {kEccBlack, kEccYellow, 2};
    if (value > threshold) return {kEccWhite, kEccRed, 2};
    return {kEccBlack, std::nullopt, 2};
}

}  // namespace sorting
