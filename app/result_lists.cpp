#include "app/result_lists.h"

#include <algorithm>
#include <cstring>

#include "settings/records.h"
#include "transport/trace.h"

namespace app {

namespace {

constexpr int kMapChannels = 8;
constexpr int kTableBanks = 4, kTableLuns = 2;
constexpr std::uint32_t kInUse = 255;
constexpr std::uint16_t kNoBlock = 0xFFFF;

std::string Dec(unsigned value) {
    return std::to_string(value);
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

std::vector<ListRow> DieListRows(const DieTestInfoTable& dies) {
    const bool multiLun = AP_FlashSet.ucDiePerCE >= 2;
    const int banks = AP_INIState.MaxPhyBank;
    const int fwBanks = banks * std::max<int>(AP_FlashSet.ucDiePerCE, 1);
    // The die map's own size: [8][4] single-LUN, [8][8] multi-LUN.
    const int mapWidth = multiLun ? 8 : kTableBanks;
    if (AP_INIState.MaxPhyChannel > kMapChannels || fwBanks > mapWidth) {
        TraceOut("[SORT]######## - %d channels by %d FW banks: the dies past the die map (%d by %d) are not listed\n",
                 AP_INIState.MaxPhyChannel, fwBanks, kMapChannels, mapWidth);
    }
    std::vector<ListRow> rows;
    const int channels = std::min<int>(AP_INIState.MaxPhyChannel, kMapChannels);
    for (int c = 0; c < channels; ++c) {
        for (int k = 0; k < std::min(fwBanks, mapWidth); ++k) {
            const tables::DieBankLun split =
                tables::SplitFwBank(static_cast<unsigned>(k), static_cast<unsigned>(banks));
            const int bank = static_cast<int>(split.bank), lun = static_cast<int>(split.lun);
            if (multiLun) {
                if (AP_INIState.bOriDieMapMultiLun[c][k] == 0xFF) continue;
            } else if (AP_INIState.bOriDieMap[c][k] == 0xFF) {
                if (AP_RDTSet.DisDBG_SORT == 0)
                    TraceOut("[SORT]######## - Skip Ch %d, Bank %d, lun %d\n", c, bank, lun);
                continue;
            }
            if (bank >= kTableBanks || lun >= kTableLuns) {
                TraceOut("[SORT]######## - Ch %d, Bank %d, lun %d is not held by the result table: not listed\n", c,
                         bank, lun);
                continue;
            }
            const tables::DieTestInfo& r = dies[c][bank][lun];
            rows.push_back({Dec(static_cast<unsigned>(rows.size() + 1)), Dec(c), Dec(bank), Dec(lun), Dec(r.Plane0Num),
                            Dec(r.Plane1Num), Dec(r.Plane2Num), Dec(r.Plane3Num), Dec(r.TotalBadNum),
                            Dec(r.FactoryBadNum), Dec(r.EraseFailNum), Dec(r.ProgramFailNum), Dec(r.ECCFailNum),
                            Dec(r.TestResult)});
        }
    }
    return rows;
}

std::vector<ListRow> ErrorListRows(const SortErrorEntry (&entries)[kSortErrorEntries]) {
    std::vector<ListRow> rows;
    for (const SortErrorEntry& e : entries) {
        if (e.inUse != kInUse) continue;
        ListRow row{Dec(static_cast<unsigned>(rows.size() + 1)), Dec(e.channel), Dec(e.bank), Dec(e.lun),
                    Hex(e.blockUnit)};
        for (const std::uint16_t block : e.block) row.push_back(block == kNoBlock ? std::string() : Hex(block));
        row.insert(row.end(), {Dec(e.page), Dec(e.maxErrBit), Dec(e.errorType), Dec(e.action),
                               std::string(e.timeText, strnlen(e.timeText, sizeof e.timeText)), Dec(e.failLoop),
                               Dec(e.readLoop), Dec(e.tsad)});
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace app
