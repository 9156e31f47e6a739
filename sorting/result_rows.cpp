#include "sorting/result_rows.h"

#include <cstdio>

#include "transport/trace.h"

namespace sorting {

namespace {

std::string Hex4(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(value));
    return text;
}

std::string BlockOrEmpty(const std::optional<std::uint32_t>& block) {
    return block ? Hex4(*block) : std::string();
}

}  // namespace

ListRow AllBadRow(int rowNumber, const ReportDie& die, const tables::SortBadBlockEntry& entry, unsigned planes) {
    ListRow row = {std::to_string(rowNumber), std::to_string(die.channel), std::to_string(die.bank),
                   std::to_string(die.lun), Hex4(entry.unit)};
    for (unsigned p = 0; p < planes && p < 4; ++p) {
        row.push_back((entry.planeMask & (1u << p)) != 0 ? Hex4(static_cast<std::uint32_t>(entry.unit) * planes + p)
                                                         : std::string(" "));
    }
    return row;
}

ListRow FactoryBadRow(int rowNumber, std::uint8_t tagCH, unsigned bank, unsigned lun, std::uint8_t tagDie,
                      const FactoryEntry& entry) {
    ListRow row = {std::to_string(rowNumber), std::to_string(tagCH), std::to_string(bank),
                   std::to_string(lun) + "(" + std::to_string(tagDie) + ")", Hex4(entry.unit)};
    for (const auto& block : entry.blocks) row.push_back(BlockOrEmpty(block));
    return row;
}

ListRow SortErrorRow(int rowNumber, const ErrorLine& l) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", rowNumber);
    ListRow row = {number, std::to_string(l.channel), std::to_string(l.bank), std::to_string(l.lun), Hex4(l.unit)};
    for (const auto& block : l.blocks) row.push_back(BlockOrEmpty(block));
    row.push_back(std::to_string(l.page));
    row.push_back(std::to_string(l.maxErrBit));
    row.push_back(ErrorTypeText(l.errorType));
    row.push_back(ErrorActionText(l.action));
    row.push_back(l.time);
    row.push_back(std::to_string(l.failLoop) + (l.slc ? "(SLC)" : "(TLC)"));
    row.push_back(std::to_string(l.readLoop));
    row.push_back(std::to_string(l.tsad));
    return row;
}

const char* ErrorTypeText(unsigned errorType) {
    static const char* const kTexts[] = {"ERR_BIT_OVER_F", "UNC_F",          "PROGRAM",   "ERASE",
                                         "EMPTY_PAGE",     "NOT_EMPTY_PAGE", "DATA_PATH", "PROGRAM_DMA",
                                         "READ_NAND",      "READ_DMA_DATA",  "T tPROGRAM"};
    return errorType < std::size(kTexts) ? kTexts[errorType] : "Undefine Type";
}

const char* ErrorActionText(unsigned action) {
    static const char* const kTexts[] = {"Post Read",    "Program",      "Erase",     "Empty Read",
                                         "Partial Read", "Disture Read", "Page Read", "Data Path Test",
                                         "4P Program",   "4P Read",      "4P Erase"};
    return action < std::size(kTexts) ? kTexts[action] : "Partial Read";
}

void AppendResultCodes(std::string& text, std::uint8_t resultByte) {
    for (unsigned bit = 0; bit < 8; ++bit) {
        if ((resultByte & (1u << bit)) != 0) text += "[R0" + std::to_string(bit + 1) + "]";
    }
}

void ErrorCounters::Add(const ErrorLine& line) {
    if (line.errorType >= byType.size()) return;
    unsigned blocks = 0;
    for (const auto& b : line.blocks) blocks += b ? 1 : 0;
    byType[line.errorType] = static_cast<std::uint16_t>(byType[line.errorType] + blocks);
}

unsigned ErrorCounters::Total() const {
    unsigned total = 0;
    for (const std::uint16_t n : byType) total += n;
    return total;
}

std::vector<FactoryEntry> DecodeFactoryEntries(std::span<const std::uint8_t> area, std::uint8_t tagCH,
                                               std::uint8_t tagBK, std::uint8_t tagDie, unsigned planes, bool trace) {
    if (planes != 1 && planes != 2 && planes != 4) {
        TraceOut("[SORT]######## - Factory bad map not decoded: %u planes\n", planes);
        return {};
    }
    if (tagCH >= tables::kSortTagChannels || tagBK >= tables::kSortTagBanks) return {};
    const std::size_t region = tagCH * tables::kSortFactoryChannelBytes + tagBK * tables::kSortFactoryRegionBytes;
    const std::vector<FactoryEntry> entries =
        GroupFactoryBlocks(tables::DecodeSortFactoryBad(area, tagCH, tagBK, planes), planes);
    if (trace) {
        std::size_t next = 0;
        for (std::size_t k = 0; k < tables::kSortFactoryRegionBytes && region + k < area.size(); ++k) {
            if (area[region + k] == 0) continue;
            TraceOut("[SORT]######## - FactoryBad location = 0x%x,wUnit = 0x%x\n", static_cast<unsigned>(region + k),
                     static_cast<unsigned>(k * 8));
            // The entries of this byte: units whose blocks lie in k x 8 .. k x 8 + 7.
            for (; next < entries.size() && entries[next].unit * planes < (k + 1) * 8; ++next) {
                const FactoryEntry& e = entries[next];
                auto b = [&](int p) { return e.blocks[p] ? static_cast<unsigned>(*e.blocks[p]) : 0xFFFFu; };
                TraceOut(
                    "[SORT]######## - Bank %d , Channel %d , Die %d\t, BlockUnit 0x%x, Plane %d , FirstBlock 0x%x , "
                    "SecondBlock 0x%x, ThirdBlock 0x%x , FourthBlock 0x%x \n",
                    tagBK, tagCH, tagDie, unsigned{e.unit}, 1, b(0), b(1), b(2), b(3));
            }
        }
    }
    return entries;
}

}  // namespace sorting
