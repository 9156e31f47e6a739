#include "utility/erase_count_text.h"

#include <algorithm>
#include <charconv>

#include "transport/byte_order.h"

namespace vellumin {

EraseCountShape EraseCountGeometry(const AP_FlashSet_t& flash, std::size_t entries) {
    EraseCountShape shape;
    const int diePerCe = flash.ucDiePerCE == 0 ? 1 : flash.ucDiePerCE;
    const int units = flash.ucPlanes == 0 ? 0 : flash.wBlocks / diePerCe / flash.ucPlanes;
    shape.units = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(units), entries));
    shape.dies = flash.ucBankNum * diePerCe;
    shape.channels = flash.ucChannel;
    constexpr int kMax = static_cast<int>(kMaxEraseCountColumns);
    shape.channels = std::min(shape.channels, kMax);
    if (shape.channels > 0) shape.dies = std::min(shape.dies, kMax / shape.channels);
    return shape;
}

std::string EraseCountHeader(const EraseCountShape& shape) {
    std::string header = "CH/CE\t";
    char cell[32];
    for (int d = 0; d < shape.dies; ++d) {
        for (int c = 0; c < shape.channels; ++c) {
            const auto r1 = std::to_chars(cell, cell + sizeof cell, c);
            header += '[';
            header.append(cell, r1.ptr);
            header += "]/[";
            const auto r2 = std::to_chars(cell, cell + sizeof cell, d);
            header.append(cell, r2.ptr);
            header += "]\t";
        }
    }
    return header;
}

std::string EraseCountText(const EraseCountShape& shape, const std::uint8_t* counts, const BadUnitLookup& bad) {
    const std::size_t columns = std::size_t(shape.dies) * std::size_t(shape.channels);
    std::string text = EraseCountHeader(shape);
    text += "\r\n";
    text.reserve(text.size() + std::size_t(shape.units) * (8 + columns * 8));
    char number[16];
    for (int u = 0; u < shape.units; ++u) {
        // "%04d\t"
        const int digits = u < 10 ? 1 : u < 100 ? 2 : u < 1000 ? 3 : 4;
        text.append(static_cast<std::size_t>(4 - std::min(digits, 4)), '0');
        const auto r = std::to_chars(number, number + sizeof number, u);
        text.append(number, r.ptr);
        text += '\t';
        const std::uint32_t count = transport::GetLe32(counts + 4 * std::size_t(u));
        if (count == 0xFFFFFFFFu) {
            for (std::size_t m = 0; m < columns; ++m) text += "X\t";
        } else {
            const auto end = std::to_chars(number, number + sizeof number, count).ptr;
            const std::size_t len = static_cast<std::size_t>(end - number);
            for (int d = 0; d < shape.dies; ++d) {
                for (int c = 0; c < shape.channels; ++c) {
                    const bool marked = bad && bad(c, d, u);
                    if (marked) text += '[';
                    text.append(number, len);
                    if (marked) text += ']';
                    text += '\t';
                }
            }
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace vellumin
