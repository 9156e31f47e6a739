#include "tables/sort_result_pages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tables/le_bytes.h"

namespace tables {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint8_t U8(Bytes p, std::size_t at) {
    return at < p.size() ? p[at] : 0;
}
std::uint16_t U16(Bytes p, std::size_t at) {
    return at < p.size() && p.size() - at >= 2 ? GetLe16(p.data() + at) : 0;
}
std::uint32_t U32(Bytes p, std::size_t at) {
    return at < p.size() && p.size() - at >= 4 ? GetLe32(p.data() + at) : 0;
}
bool Leads(Bytes p, const char* text, std::size_t n) {
    return p.size() >= n && std::memcmp(p.data(), text, n) == 0;
}
template <std::size_t N>
void CopyOut(Bytes p, std::size_t from, std::array<std::uint8_t, N>& to) {
    for (std::size_t i = 0; i < N; ++i) to[i] = U8(p, from + i);
}

}  // namespace

SortBadBlockPage DecodeSortBadBlockPage(Bytes page, unsigned blocksPerDie) {
    SortBadBlockPage r;
    if (!Leads(page, "BB", 2)) return r;
    r.count = U16(page, 2);
    const std::size_t fit = page.size() >= 4 ? page.size() / 4 - 1 : 0;
    if (r.count > blocksPerDie || r.count > fit) {
        r.state = SortBbState::Overflow;
        return r;
    }
    r.state = SortBbState::Valid;
    r.entries.reserve(r.count);
    for (std::size_t k = 1; k <= r.count; ++k) r.entries.push_back({U16(page, 4 * k), U8(page, 4 * k + 2)});
    return r;
}

SortMarkPage DecodeSortMarkPage(Bytes page) {
    SortMarkPage m;
    m.signature = Leads(page, "SORT", 4);
    if (!m.signature) return m;
    m.verdict = U8(page, 6);
    m.driveBad = U16(page, 8);
    m.driveEcc = U16(page, 10);
    m.driveProgram = U16(page, 12);
    m.driveErase = U16(page, 14);
    m.driveFactory = U16(page, 16);
    CopyOut(page, 2578, m.pageIndex);
    m.errorPagesStated = U16(page, 2580);
    m.factoryPagesStated = U16(page, 2584);
    m.errorPages = std::min<unsigned>(m.errorPagesStated, kSortListPagesMax);
    m.factoryPages = std::min<unsigned>(m.factoryPagesStated, kSortListPagesMax);
    m.tagBK = U8(page, 2618);
    m.tagCH = U8(page, 2619);
    m.tagDie = U8(page, 2620);
    m.namesDie = m.tagCH < kSortTagChannels && m.tagBK < kSortTagBanks && m.tagDie < kSortDieFlagsMax;
    return m;
}

SortWholeInfo DecodeSortWholeInfo(Bytes page) {
    SortWholeInfo w;
    CopyOut(page, 0, w.head);
    CopyOut(page, kSortEchoOffset, w.echo);
    CopyOut(page, kSortVersionOffset, w.version);
    w.result = U8(page, 6);
    w.runTicks = U32(page, 8);
    w.badLimit = U16(page, 12);
    w.dieBadLimit = U16(page, 14);
    for (std::size_t i = 16; i < 74 && i < page.size() && page[i] != 0; ++i) w.serial.push_back(static_cast<char>(page[i]));
    w.readFailLimit = U16(page, 74);
    w.eccThreshold = U8(page, 144);
    w.programLimit = U16(page, 150);
    w.eraseLimit = U16(page, 152);
    w.tsad = U16(page, 160);
    w.temperature = U8(page, 162);
    w.slcThreshold = U8(page, 163);
    return w;
}

std::optional<SortDieInfoRecord> SortDieInfoList::Own(unsigned tagDie) const {
    if (tagDie >= entries.size() || !entries[tagDie].Valid()) return std::nullopt;
    return entries[tagDie];
}

SortDieInfoList DecodeSortDieInfoList(Bytes page) {
    SortDieInfoList list;
    for (std::size_t k = 0; k < kSortDieEntriesMax && (k + 1) * kSortDieEntryBytes <= page.size(); ++k) {
        const Bytes e = page.subspan(k * kSortDieEntryBytes, kSortDieEntryBytes);
        if (e[0] == 0xEE || e[1] == 0xEE || e[2] == 0xEE) {
            list.endFound = true;
            break;
        }
        SortDieInfoRecord r;
        r.flags = e[0];
        r.TotalBadNum = U16(e, 8);
        r.Plane0Num = U16(e, 12);
        r.Plane1Num = U16(e, 14);
        r.Plane2Num = U16(e, 16);
        r.Plane3Num = U16(e, 18);
        r.ECCFailNum = U16(e, 20);
        r.ProgramFailNum = U16(e, 22);
        r.EraseFailNum = U16(e, 24);
        r.TestResult = e[26];
        r.FactoryBadNum = U16(e, 27);
        r.tErase_SLC = e[32];
        r.tErase = e[33];
        r.tProg_SLC = U16(e, 34);
        r.tRead_SLC = U16(e, 36);
        r.tProg = U16(e, 38);
        r.tRead = U16(e, 40);
        list.entries.push_back(r);
    }
    return list;
}

SortErrorList DecodeSortErrorList(Bytes area, std::size_t pageBytes, std::span<const bool> pageRead) {
    SortErrorList list;
    list.records.reserve(area.size() / kSortErrorRecordBytes);
    for (std::size_t at = 0; at + kSortErrorRecordBytes <= area.size(); at += kSortErrorRecordBytes) {
        if (pageBytes != 0) {
            const std::size_t page = at / pageBytes;
            if (page >= pageRead.size() || !pageRead[page]) continue;
        }
        const Bytes e = area.subspan(at, kSortErrorRecordBytes);
        if (e[0] == 0xAA || e[7] == 0xAA) {
            list.endFound = true;
            break;
        }
        SortErrorRecord r;
        r.position = at / kSortErrorRecordBytes;
        r.bankTag = e[0] & 0x0F;
        r.channel = (e[0] >> 4) & 0x07;
        r.planeMask = e[1] & 0x0F;
        r.errorType = e[1] >> 4;
        r.page = U16(e, 2);
        r.unit = U16(e, 4);
        r.maxErrBit = e[6];
        r.action = e[7] & 0x0F;
        r.slc = (e[7] & 0x80) != 0;
        r.readLoop = e[8];
        r.tsad = static_cast<std::uint16_t>(((e[7] & 0x03) << 8) | e[9]);
        r.failLoop = U16(e, 10);
        r.ticks = U32(e, 12);
        list.records.push_back(r);
    }
    return list;
}

std::vector<SortErrorRecord> SortErrorsOfDie(const SortErrorList& list, std::uint8_t tagCH, std::uint8_t tagBK) {
    std::vector<SortErrorRecord> own;
    own.reserve(list.records.size() / (kSortTagChannels * kSortTagBanks) + 1);
    for (const SortErrorRecord& r : list.records) {
        if (r.channel == tagCH && r.bankTag == tagBK) own.push_back(r);
    }
    return own;
}

std::string SortTimeText(std::uint32_t ticks) {
    const unsigned seconds = static_cast<std::uint16_t>(ticks / kSortTicksPerSecond);
    char text[32];
    std::snprintf(text, sizeof text, " %2.2d:%2.2d:%2.2d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

std::vector<SortFactoryBlock> DecodeSortFactoryBad(Bytes area, std::uint8_t tagCH, std::uint8_t tagBK,
                                                   unsigned planes) {
    std::vector<SortFactoryBlock> blocks;
    if (tagCH >= kSortTagChannels || tagBK >= kSortTagBanks) return blocks;
    const unsigned p = planes == 0 ? 1 : planes;
    const std::size_t region = tagCH * kSortFactoryChannelBytes + tagBK * kSortFactoryRegionBytes;
    for (std::size_t k = 0; k < kSortFactoryRegionBytes && region + k < area.size(); ++k) {
        const std::uint8_t bits = area[region + k];
        for (unsigned j = 0; j < 8; ++j) {
            if ((bits & (1u << j)) == 0) continue;
            const auto block = static_cast<std::uint16_t>(k * 8 + j);
            blocks.push_back({block, static_cast<std::uint16_t>(block / p), static_cast<std::uint8_t>(block % p)});
        }
    }
    return blocks;
}

SortEccInfo DecodeSortEccInfo(Bytes page, unsigned blocksPerDie) {
    SortEccInfo e;
    e.signature = Leads(page, "SORT_ECC", 8);
    e.bank = U8(page, 8);
    e.channel = U8(page, 9);
    const std::size_t n =
        std::min<std::size_t>({blocksPerDie, static_cast<std::size_t>(MAX_BLKNUM), page.size() > 16 ? page.size() - 16 : 0});
    e.bits.assign(page.begin() + (n > 0 ? 16 : 0), page.begin() + (n > 0 ? 16 + static_cast<std::ptrdiff_t>(n) : 0));
    return e;
}

void FillDieTestInfo(DieTestInfo& record, std::uint8_t channel, std::uint8_t bank, std::uint8_t lun,
                     const SortDieInfoRecord& e, const std::string& serial) {
    record.Channel = channel;
    record.Bank = bank;
    record.LUN = lun;
    record.TotalBadNum = e.TotalBadNum;
    record.EraseFailNum = e.EraseFailNum;
    record.ProgramFailNum = e.ProgramFailNum;
    record.ECCFailNum = e.ECCFailNum;
    record.FactoryBadNum = e.FactoryBadNum;
    record.Plane0Num = e.Plane0Num;
    record.Plane1Num = e.Plane1Num;
    record.Plane2Num = e.Plane2Num;
    record.Plane3Num = e.Plane3Num;
    record.TestResult = e.TestResult;
    record.tErase_SLC = e.tErase_SLC;
    record.tErase = e.tErase;
    record.tProg_SLC = e.tProg_SLC;
    record.tRead_SLC = e.tRead_SLC;
    record.tProg = e.tProg;
    record.tRead = e.tRead;
    const std::size_t n = std::min(serial.find('\0') == std::string::npos ? serial.size() : serial.find('\0'),
                                   kDieTestInfoSerialMax);
    std::memcpy(record.SerialNum, serial.data(), n);
    record.SerialNum[n] = '\0';
}

const std::array<SortEchoField, 37> kSortEchoFields = {{
    {"Enable FastSort", "FastRDTSort", 104, 1},
    {"SLC Custom Page Level", "SLC_CustomPageLevel", 150, 2},
    {"TLC Custom Page Level", "TLC_CustomPageLevel", 152, 2},
    {"Custom Full BU Star", "CustomFullBlockUStar", 154, 2},
    {"Custom Full BU End", "CustomFullBlockUEnd", 156, 2},
    {"Block R/W", "Block_RW", 141, 1},
    {"Enable EraseAll", "EnEraseAll", 65, 1},
    {"Enable ScanFactory", "EnScanFactoryBad", 9, 1},
    {"Enable SkipProgStatus", "SkipProgStatus", 112, 1},
    {"Enable SkipEraseStatus", "SkipEraseStatus", 113, 1},
    {"Enable Set NAND Test Loop", "EnNANDTestLoop", 66, 1},
    {"SLC Test Loop", "NAND_SLCTestLoops", 110, 2},
    {"Non-SLC Test Loop", "NANDTotalTestLoops", 69, 4},
    {"SLC R-Loop/W", "SLCReadLoop", 136, 2},
    {"Non-SLC R-Loop/W", "NonSLCReadLoop", 108, 2},
    {"Retrytype", "Retrytype", 144, 1},
    {"SpecialTestCase", "wSpecialTestCase", 101, 2},
    {"tProgThreshold Upper", "tProgThreshold", 115, 2},
    {"TLC tProgThreshold Upper", "TLCtProgThreshold", 119, 2},
    {"tReadThreshold Upper", "tReadThreshold", 185, 2},
    {"TLC tReadThreshold Upper", "TLCtReadThreshold", 187, 2},
    {"tProgThreshold Lower", "tProgThresholdLower", 191, 2},
    {"TLC tProgThreshold Lower", "TLCtProgThresholdLower", 195, 2},
    {"tReadThreshold Lower", "tReadThresholdLower", 189, 2},
    {"TLC tReadThreshold Lower", "TLCtReadThresholdLower", 193, 2},
    {"tProg Start BU", "tProgStartBU", 175, 2},
    {"tProg End BU", "tProgEndBU", 177, 2},
    {"Running Delay", "DelaySectoRun", 169, 2},
    {"TLC/QLC LDPC Threshold", "LDPCTLCThreshold", 10, 2},
    {"SLC LDPC Threshold", "LDPCSLCThreshold", 138, 1},
    {"OpenCard thermal", "", 142, 1},
    {"TSAD", "TSAD", 139, 2},
    {"Max BB Th Per Die", "SortMaxBadBlockPerDie", 6, 2},
    {"Max Bad Blocks Per Plane", "SortMaxBadBlockPerPlane", 4, 2},
    {"Read Fail Blocks Per Plane", "SortMaxReadFailBlock", 63, 2},
    {"Program Fail Blocks Per Plane", "SortPgFailPerPlane", 87, 2},
    {"Erase Fail Blocks Per Plane", "SortEraseFailPerPlane", 89, 2},
}};

const SortEchoField* SortEchoFieldByKey(const char* key) {
    if (key == nullptr || *key == '\0') return nullptr;
    for (const SortEchoField& f : kSortEchoFields) {
        if (std::strcmp(f.key, key) == 0) return &f;
    }
    return nullptr;
}

std::uint32_t SortEchoValue(Bytes echo, const SortEchoField& field) {
    switch (field.width) {
        case 1:
            return U8(echo, field.offset);
        case 2:
            return U16(echo, field.offset);
        default:
            return U32(echo, field.offset);
    }
}

std::uint32_t SortEchoValue(Bytes echo, const char* key) {
    const SortEchoField* f = SortEchoFieldByKey(key);
    return f == nullptr ? 0 : SortEchoValue(echo, *f);
}

}  // namespace tables
