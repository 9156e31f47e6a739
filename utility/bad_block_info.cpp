#include "utility/bad_block_info.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "commands/command_sets.h"
#include "procedures/V_Proc_FwVariable.h"
#include "procedures/V_Proc_PageAccess.h"
#include "settings/records.h"
#include "tables/le_bytes.h"
#include "tables/page_format.h"
#include "transport/port_instance.h"
#include "transport/trace.h"
#include "utility/device_state.h"

namespace vellumin {

namespace {

constexpr std::uint8_t kDefectSignature[RM_HEADER_SIZE] = {0xE9, 0x86, 0xAA, 0x55, 'Z', 'E', 'L', '0',
                                                           '9',  'A',  '0',  'V',  '0', '0', '0', 0};
constexpr const char* kRule40 = "----------------------------------------\r\n";

int StatChannels(const BadBlockShape& shape) { return std::clamp(shape.channels, 0, kStatChannels); }
int StatRows(const BadBlockShape& shape) { return std::clamp(shape.CeCount(), 0, kStatCeRows); }

}  // namespace

BadBlockShape CurrentBadBlockShape() {
    return {AP_FlashSet.ucChannel, AP_FlashSet.ucBankNum, AP_FlashSet.ucDiePerCE, AP_FlashSet.ucPlanes,
            AP_FlashSet.bPageSector};
}

DetailText::DetailText(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {
    if (size_ > 0) buffer_[0] = 0;
}

void DetailText::Line(const char* format, ...) {
    if (full_ || size_ == 0) return;
    char line[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) return;
    const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(n), sizeof line - 1);
    if (length_ + length + 1 > size_) {
        full_ = true;
        return;
    }
    std::memcpy(buffer_ + length_, line, length);
    length_ += length;
    buffer_[length_] = 0;
}

int BadUnitKind(std::uint8_t errorType) {
    switch (errorType) {
        case 3: return 4;
        case 5: return 3;
        case 6: return 2;
        case 7: return 1;
        default: return 0;
    }
}

void AppendBadBlockLegend(DetailText& detail) {
    detail.Line("ErrType 1 (Early Bad)\r\n");
    detail.Line("ErrType 2 (ECC Refresh)\r\n");
    detail.Line("ErrType 3 (ECC Over)\r\n");
    detail.Line("ErrType 4 (ECC Fail)\r\n");
    detail.Line("ErrType 5 (Prog Fail)\r\n");
    detail.Line("ErrType 6 (Erase Fail)\r\n");
}

void CountBadUnitReply(const BadBlockShape& shape, int ce, const std::uint8_t* reply, std::size_t bytes,
                       BadUnitSink& sink) {
    if (reply == nullptr || bytes < 4) return;
    const std::size_t held = (bytes - 4) / 8;
    const std::size_t count = std::min<std::size_t>({transport::GetLe16(reply), kBadUnitMaxEntries, held});
    TraceOut("CurBnk is %d, cnt is %d\n", ce, static_cast<int>(count));
    const int channels = StatChannels(shape);
    const bool countedRow = ce >= 0 && ce < kStatCeRows;
    if (!countedRow) TraceOut("######### - CE %d is past the counted rows\n", ce);
    const int bank = shape.banks > 0 ? ce % shape.banks : -1;
    for (std::size_t e = 0; e < count; ++e) {
        const std::uint8_t* entry = reply + 4 + 8 * e;
        const std::uint16_t unit = transport::GetLe16(entry);
        const std::uint8_t type = entry[2];
        const std::uint32_t mask = transport::GetLe32(entry + 4);
        TraceOut("######### - wBlockUnit is 0x%X\n", unit);
        const int kind = BadUnitKind(type);
        if (mask == 0) continue;
        if (unit >= kStatUnits) {
            TraceOut("######### - wBlockUnit 0x%X is past the unit table\n", unit);
            continue;
        }
        for (int ch = 0; ch < channels; ++ch) {
            sink.unitKinds[unit][static_cast<std::size_t>(kind)] = 1;
            const long long bit = static_cast<long long>(ce) * shape.channels + ch;
            if (bit < 0 || bit >= 32 || (mask & (std::uint32_t{1} << bit)) == 0) continue;
            if (kind != 0) {
                if (countedRow) ++sink.counters[ch][ce][kPhysicalLater];
                if (sink.badUnitMap != nullptr && bank >= 0 && bank < kMapBanks) {
                    sink.badUnitMap[(std::size_t(ch) * kMapBanks + std::size_t(bank)) * kMapUnits + unit] = 1;
                }
            }
            if (shape.planes == 1) {
                sink.detail.Line("CH=%d  CE=%d  Block=0x%04X  ErrType=%d\r\n", ch, ce, unit, type);
            } else {
                sink.detail.Line("CH=%d  CE=%d  BlockU=0x%04X  ErrType=%d\r\n", ch, ce, unit, type);
            }
        }
    }
}

void WriteSystemCounts(const BadBlockShape& shape, const UnitKindTable& unitKinds, BadBlockCounters& counters) {
    std::array<std::uint32_t, kStatSystemKinds> marked{};
    for (const auto& unit : unitKinds) {
        for (int k = 0; k < kStatSystemKinds; ++k) marked[k] += unit[k];
    }
    for (int ch = 0; ch < StatChannels(shape); ++ch) {
        for (int c = 0; c < StatRows(shape); ++c) {
            for (int k = 0; k < kStatSystemKinds; ++k) counters[ch][c][k] = marked[k];
        }
    }
}

namespace {

// One channel's defect page: the plane counts of the current CE and where they are counted.
struct DefectWalk {
    const BadBlockShape& shape;
    int ch;
    BadBlockCounters& counters;
    DetailText& detail;
    int ce = 0;
    std::uint32_t p[4] = {0, 0, 0, 0};

    void SetEarly(int row, std::uint32_t value) {
        if (row >= 0 && row < kStatCeRows) {
            counters[ch][row][kPhysicalEarly] = value;
        } else {
            TraceOut("######### - CE %d is past the counted rows\n", row);
        }
    }

    void Block(std::uint32_t block, int plane) {
        detail.Line("CH=%d  CE=%d  Block=0x%04X\r\n", ch, ce, block);
        ++p[plane];
    }

    void Unit(std::uint16_t b, std::uint8_t flags) {
        switch (shape.planes) {
            case 1: Block(b, 0); break;
            case 2:
                switch (flags & 0x0F) {
                    case 0: Block(b * 2u + 1, 1); break;
                    case 1: Block(b * 2u, 0); break;
                    default:
                        Block(b * 2u, 0);
                        Block(b * 2u + 1, 1);
                        break;
                }
                break;
            case 4:
                for (int q = 0; q < 4; ++q) {
                    if ((flags & (1u << q)) == 0) Block(b * 4u + static_cast<unsigned>(q), q);
                }
                break;
            default: break;
        }
    }

    void Close(bool atMarker) {
        switch (shape.planes) {
            case 2:
                if (p[0] != 0 || p[1] != 0) {
                    detail.Line("CH=%d  CE=%d  Bad Block number Plane 0=%d, Plane 1=%d\r\n", ch, ce, p[0], p[1]);
                    SetEarly(ce, p[0] + p[1]);
                }
                break;
            case 4:
                if (p[0] != 0 || p[1] != 0 || p[2] != 0 || p[3] != 0) {
                    if (atMarker) {
                        detail.Line("CH=%d  CE=%d  Bad Block number Plane 0=%d, Plaen 1=%d, Plaen 2=%d, Plane 3=%d\r\n",
                                    ch, ce, p[0], p[1], p[2], p[3]);
                    } else {
                        detail.Line("CH=%d  CE=%d  Bad Block number Plane 0=%d, Plane 1=%d, Plane 2=%d, Plane 3=%d\r\n",
                                    ch, ce, p[0], p[1], p[2], p[3]);
                    }
                    const std::uint32_t sum = p[0] + p[1] + p[2] + p[3];
                    SetEarly(ce, sum);
                    TraceOut("C:%d B:%d FactoryEarlyBad = %d\n", ch, ce, sum);
                }
                break;
            case 1:
                if (shape.banks > 0) {
                    const int row = ce < shape.banks ? ce : ce % shape.banks;
                    if (row < kStatCeRows) {
                        counters[ch][row][kPhysicalEarly] += p[0];
                    } else {
                        TraceOut("######### - CE %d is past the counted rows\n", row);
                    }
                }
                break;
            default: break;
        }
        p[0] = p[1] = p[2] = p[3] = 0;
    }
};

}  // namespace

void ListPhysicalBadBlocks(const BadBlockShape& shape, const std::uint8_t* defectTables, std::size_t bufferBytes,
                           BadBlockCounters& counters, DetailText& detail) {
    detail.Line("%sPhysical Bad Block\r\n", kRule40);
    const std::size_t pageBytes = std::size_t(std::max(shape.pageSectors, 0)) * 512;
    if (defectTables == nullptr || pageBytes < RM_HEADER_SIZE) return;
    for (int ch = 0; ch < StatChannels(shape); ++ch) {
        if ((std::size_t(ch) + 1) * pageBytes > bufferBytes) break;
        const std::uint8_t* page = defectTables + std::size_t(ch) * pageBytes;
        if (std::memcmp(page, kDefectSignature, RM_HEADER_SIZE) != 0) continue;
        DefectWalk walk{shape, ch, counters, detail};
        bool ended = false;
        for (std::size_t at = RM_HEADER_SIZE; at + 4 <= pageBytes && !ended; at += 4) {
            const std::uint16_t value = transport::GetLe16(page + at);
            if (value == RM_MK_DEFECT_CE) {
                walk.Close(true);
                walk.ce = page[at + 2];
            } else if (value == RM_MK_DEFECT_END) {
                walk.Close(false);
                ended = true;
            } else {
                walk.Unit(value, page[at + 2]);
            }
        }
        if (!ended) walk.Close(false);  // a page without its end marker ends at the page end
    }
}

void SumBadBlockCounters(const BadBlockShape& shape, const BadBlockCounters& counters, BadBlockTotals& totals) {
    totals.fill(0);
    for (int ch = 0; ch < StatChannels(shape); ++ch) {
        for (int c = 0; c < StatRows(shape); ++c) {
            for (int k = 0; k < kStatKinds; ++k) totals[k] += counters[ch][c][k];
        }
    }
    for (int k = 0; k < kStatKinds; ++k) TraceOut("total[%d]=%d\n", k, totals[k]);
}

std::string BadBlockSummaryText(const BadBlockShape& shape, bool ok, const BadBlockCounters& counters,
                                const BadBlockTotals& totals) {
    const std::string rule = std::string(70, '-') + "\n";
    std::string text = rule;
    text += shape.planes == 1 ? "    [Physical](Block)|             [System](Block)\n"
                              : "    [Physical](Block)|             [System](BlockU)\n";
    text += "CH/CE   Early Later  | Early Later EccOver ProgFail EraseFail EccFail\n";
    text += rule;
    if (!ok) return text;
    char line[512];
    for (int c = 0; c < StatRows(shape); ++c) {
        for (int ch = 0; ch < StatChannels(shape); ++ch) {
            const auto& k = counters[ch][c];
            std::snprintf(line, sizeof line, "%02d/%02d  %6d%6d   %6d%6d  %6d   %6d    %6d  %6d\n", ch, c, k[5], k[6],
                          k[0], k[1] + k[2] + k[3] + k[4], k[4], k[2], k[1], k[3]);
            text += line;
        }
    }
    text += rule;
    const auto& t = totals;
    std::snprintf(line, sizeof line, "SUM    %6d%6d   %6d%6d  %6d   %6d    %6d  %6d\n", t[5], t[6], t[0],
                  t[1] + t[2] + t[3] + t[4], t[4], t[2], t[1], t[3]);
    text += line;
    if (shape.planes == 2) text += "(One BlockU equal to two NAND flash blocks)\n";
    if (shape.planes == 4) text += "(One BlockU equal to four NAND flash blocks)\n";
    return text;
}

}  // namespace vellumin

bool VP_GetSysTables(int port, void* buffer) {
    using namespace vellumin;
    if (port < 0 || port >= kPortCount || buffer == nullptr) return false;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const AP_FlashSet_t& flash = AP_FlashSet;
    const int planes = flash.ucPlanes == 0 ? 1 : flash.ucPlanes;
    const int channels = std::min<int>(flash.ucChannel, 8), banks = std::min<int>(flash.ucBankNum, 4);
    for (int i = 0; i < channels; ++i) {
        for (int j = 0; j < banks; ++j) {
            for (int k = 0; k < 2; ++k) {
                std::memset(bytes, 0, 64 * 1024);
                const std::uint16_t blk = AP_Instance[port].aLoaderBlockNo[i][j][k];
                const std::uint16_t unit = static_cast<std::uint16_t>(blk / planes);
                if (VA_SysReadPage(port, flash.ucChannel, 0, unit, blk, 0, 1, 1, bytes, 8, kTableBufferBytes) != 1 ||
                    !VP_IsInfoPage(bytes)) {
                    continue;
                }
                InfoPortRecord& record = g_InfoPort[static_cast<std::size_t>(port)];
                struct Kind {
                    std::uint8_t* table;
                    int base;
                    const char* dump;
                };
                const Kind kinds[] = {{record.pDefectTableBuf, 5, "DefectTable_%2.2d.raw"},
                                      {record.pEarlyTableBuf, 13, "EarlyTable_%2.2d.raw"},
                                      {record.pRemapTableBuf, 21, "Remap_%2.2d.raw"},
                                      {record.pVirtualRemapTableBuf, 29, "VRemap_%2.2d.raw"}};
                const std::size_t pageBytes = std::size_t(flash.bPageSector) * 512;
                for (const Kind& kind : kinds) {
                    for (int t = 0; t < channels; ++t) {
                        if (VA_SysReadPage(port, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(j), unit, blk,
                                           flash.wPageMap[kind.base + t], flash.ucLdpcMode, 1, bytes,
                                           flash.bPageSector, kTableBufferBytes) != 1) {
                            continue;
                        }
                        char name[32];
                        std::snprintf(name, sizeof name, kind.dump, t);
                        DumpRawFile(name, bytes, pageBytes);
                        if (kind.table != nullptr && (std::size_t(t) + 1) * pageBytes <= kTableBufferBytes) {
                            std::memcpy(kind.table + std::size_t(t) * pageBytes, bytes, pageBytes);
                        }
                    }
                }
                return true;
            }
        }
    }
    return false;
}

int VP_GetBadBlockInfo(int port, void* buffer, vellumin::BadBlockCounters& counters, vellumin::BadBlockTotals& totals,
                       char* detail) {
    using namespace vellumin;
    if (!VP_GetSysTables(port, buffer)) return 0;
    DetailText text(detail, kDetailTextBytes);
    AppendBadBlockLegend(text);
    const char* product = AP_FwSet.sFwTag + 46;
    if (std::memcmp(product, "TAMREL", 6) != 0 && std::memcmp(product, "TEV100", 6) != 0) return 1;
    const BadBlockShape shape = CurrentBadBlockShape();
    static thread_local UnitKindTable unitKinds;
    unitKinds = {};
    InfoPortRecord& record = g_InfoPort[static_cast<std::size_t>(port)];
    BadUnitSink sink{unitKinds, counters, record.pBadUnitMap, text};
    auto* scratch = static_cast<std::uint8_t*>(buffer);
    const int ceCount = std::min(shape.CeCount(), 256);  // the command carries the CE in one byte
    for (int c = 0; c < ceCount; ++c) {
        std::memset(scratch, 0, kBadUnitReplyBytes);
        if (VC_SYS_GetBadUnit(port, scratch, kBadUnitReplySectors, 0, static_cast<std::uint8_t>(c)) != 1) return 0;
        char name[32];
        std::snprintf(name, sizeof name, "SB_%2.2d.raw", c);
        DumpRawFile(name, scratch, kBadUnitReplyBytes);
        CountBadUnitReply(shape, c, scratch, kBadUnitReplyBytes, sink);
    }
    WriteSystemCounts(shape, unitKinds, counters);
    ListPhysicalBadBlocks(shape, record.pDefectTableBuf, kTableBufferBytes, counters, text);
    text.Line("%sLater Bad\r\n", kRule40);
    SumBadBlockCounters(shape, counters, totals);
    return 1;
}
