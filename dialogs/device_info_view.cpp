#include "dialogs/device_info_view.h"

#include <cstdio>

#include "settings/records.h"

namespace dialogs {

namespace {

bool Blank(unsigned char c) {
    return c <= ' ' || c == 0x7F;
}

int DiesPerCe() {
    return AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
}

bool HasDie(int channel, int position) {
    if (AP_FlashSet.ucDiePerCE < 2) return position < 4 && AP_INIState.bOriDieMap[channel][position] != 0xFF;
    return position < 8 && AP_INIState.bOriDieMapMultiLun[channel][position] != 0xFF;
}

}  // namespace

std::string IdentifyField(std::span<const std::uint8_t> identify, std::size_t offset, std::size_t length) {
    std::string text;
    for (std::size_t i = offset; i < offset + length && i < identify.size() && identify[i] != 0; ++i) {
        text += static_cast<char>(identify[i]);
    }
    std::size_t first = 0, last = text.size();
    while (first < last && Blank(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && Blank(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

std::string GpioLabelText(const std::array<int, 5>& values) {
    std::string text = "GPIO(21,16,15,7,6):";
    for (std::size_t i = 0; i < values.size(); ++i) text += (i == 0 ? " " : ",") + std::to_string(values[i]);
    return text;
}

void MarkFailedPositions(std::span<const std::uint8_t> module, FlashIdMap& map) {
    for (int k = 0; k < kFailedPositions; ++k) {
        const std::size_t at = kFailedPositionsAt + 2 * static_cast<std::size_t>(k);
        if (at + 1 >= module.size()) break;
        const std::uint8_t ce = module[at], channel = module[at + 1];
        if (channel == 0xFF || channel > 7 || ce > 3) continue;
        map.failed[channel][ce] = true;
    }
}

std::vector<DiePosition> ConfiguredPositions() {
    std::vector<DiePosition> out;
    const int channels = std::min<int>(AP_INIState.MaxPhyChannel, 8);
    const int positions = std::min(AP_INIState.MaxPhyBank * DiesPerCe(), kMaxPositions);
    for (int c = 0; c < channels; ++c) {
        for (int p = 0; p < positions; ++p) {
            if (HasDie(c, p)) out.push_back({c, p});
        }
    }
    return out;
}

std::uint8_t CeByteOf(int position) {
    const int banks = AP_INIState.MaxPhyBank;
    if (banks == 0 || position < banks) return static_cast<std::uint8_t>(position);
    return static_cast<std::uint8_t>((position % banks) | (position / banks) << 4);
}

std::vector<FlashIdRow> FlashIdRows(const FlashIdMap& map) {
    std::vector<FlashIdRow> rows;
    const int banks = AP_INIState.MaxPhyBank;
    const bool multiLun = AP_FlashSet.ucDiePerCE >= 2;
    for (const DiePosition& d : ConfiguredPositions()) {
        FlashIdRow row;
        row.number = std::to_string(rows.size() + 1);
        const int ce = multiLun && banks > 0 ? d.position % banks : d.position;
        row.status = ce < 4 && map.failed[d.channel][ce] ? "Fail" : "Pass";
        row.channel = std::to_string(d.channel);
        row.ce = multiLun && banks > 0
                     ? std::to_string(d.position % banks) + "(" + std::to_string(d.position / banks) + ")"
                     : std::to_string(d.position);
        for (int i = 0; i < 6; ++i) {
            char text[8];
            std::snprintf(text, sizeof text, "0x%02X", map.id[d.channel][d.position][i]);
            row.id[static_cast<std::size_t>(i)] = text;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace dialogs
