#include "tables/table_logs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "settings/records.h"
#include "tables/block_units.h"
#include "tables/log_text.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace tables {

namespace {

constexpr std::size_t kFileBuffer = 1 << 20;

}  // namespace

TableLogFile::TableLogFile(const std::filesystem::path& path, const char* mode) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    errno = 0;
    file_ = std::fopen(path.c_str(), mode);
    if (file_ == nullptr) {
        error_ = errno;
        return;
    }
    buffer_ = std::make_unique<char[]>(kFileBuffer);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kFileBuffer);
}

TableLogFile::~TableLogFile() {
    if (file_ != nullptr) std::fclose(file_);
}

std::string LogSerial(int port) {
    std::string out;
    if (port < 0 || port >= kPortCount) return out;
    const char* s = AP_Instance[port].sLogSerialNum;
    const std::size_t n = BoundedStrLen(s, sizeof AP_Instance[port].sLogSerialNum);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const bool unsafe = c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':';
        out.push_back(unsafe ? '_' : static_cast<char>(c));
    }
    if (out == "." || out == "..") out.assign(out.size(), '_');
    return out;
}

}  // namespace tables

namespace {

std::filesystem::path LogPath(const char* kind, int port) {
    const platform::LocalTime t = platform::Now();
    char name[128];
    std::snprintf(name, sizeof name, "%s_%d_%s_%02d%02d%02d%02d.log", kind, port, tables::LogSerial(port).c_str(),
                  t.month, t.day, t.hour, t.minute);
    return platform::ProgramFolder() / "log" / name;
}

}  // namespace

std::filesystem::path RM_PftLogPath(int port) {
    return LogPath("PFT", port);
}

std::filesystem::path RM_GdpListLogPath(int port, std::uint8_t mode) {
    const char* kind = (mode & 0x01) != 0 ? "ERA" : (mode & 0x20) != 0 ? "RDT" : (mode & 0x04) != 0 ? "L2E" : "FAC";
    return LogPath(kind, port);
}

void vRM_DumpGDPList(int port, tables::GdpList& list, std::uint8_t mode) {
    if (AP_RDSetting.DumpPftFile == 0) return;
    TraceOut("PFT MODE=0x%X\n", mode);
    tables::TableLogFile file(RM_GdpListLogPath(port, mode), "w");
    if (file.get() == nullptr) {
        TraceOut("1. Create File Fail. errno=%d\n", file.error());
        return;
    }
    TraceOut("===[%d] Original GDP List===\n", port);
    const RM_Geometry g = RM_GetGeometry();
    const int banks = AP_INIState.MaxPhyBank;
    // By unit, then channel, then CE index, then list order; CE indexes 4 and above and units
    // beyond the die are not written.
    struct Item {
        std::uint32_t key;
        std::uint32_t entry;
    };
    std::vector<Item> items;
    const std::uint32_t n = list.Count();
    items.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t e = list.Get(i);
        const int ce = RM_GdpCeIndex(e, banks);
        if (ce >= 4 || RM_GdpUnit(e) >= g.unitsExt) continue;
        items.push_back({(static_cast<std::uint32_t>(RM_GdpUnit(e)) << 8) | (RM_GdpChannel(e) << 3) |
                             static_cast<std::uint32_t>(ce),
                         e});
    }
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.key < b.key; });
    std::string text;
    text.reserve(items.size() * 9 + 32);
    char line[32];
    for (const Item& it : items) {
        std::snprintf(line, sizeof line, "%08X\n", it.entry);
        text += line;
    }
    std::snprintf(line, sizeof line, "\nCOUNT=%d\n", static_cast<int>(items.size()));
    text += line;
    std::fwrite(text.data(), 1, text.size(), file.get());
}

namespace {

struct MapGeometry {
    int channels, ceCount, planes;
    bool superDie;
};

MapGeometry GetMapGeometry() {
    const RM_Geometry g = RM_GetGeometry();
    return {std::min<int>(g.channels, RM_MAX_CH), std::min<int>(g.ceCount, RM_MAX_CE),
            std::min<int>(g.planes, RM_MAX_PLANE), g.superDie};
}

void MapHeader(tables::LogText& out, const MapGeometry& m) {
    out.Put("Channel        ");
    for (int ch = 0; ch < m.channels; ++ch) {
        out.Dec(ch);
        for (int ce = 0; ce < m.ceCount; ++ce) out.Spaces(m.planes + (ce > 0 ? 1 : 0));
    }
    out.Put("\nBank         ");
    for (int ch = 0; ch < m.channels; ++ch) {
        for (int ce = 0; ce < m.ceCount; ++ce) out.Spaces(m.planes).Hex(static_cast<std::uint32_t>(ce), 1);
    }
    out.EndLine();
}

// Symbol of each slot status in the defect map and in the state map.
struct SymbolTable {
    char symbol[256];
};

SymbolTable DefectSymbols() {
    SymbolTable t{};
    for (int s = 0; s < 256; ++s) t.symbol[s] = s == RM_SLOT_BAD ? 'x' : '-';
    return t;
}

SymbolTable StateSymbols() {
    SymbolTable t{};
    for (int s = 0; s < 256; ++s) t.symbol[s] = 'x';
    t.symbol[RM_SLOT_GOOD] = '-';
    t.symbol[RM_SLOT_REMAPPED] = 'm';
    t.symbol[RM_SLOT_REMAPPED_ALT] = 'e';
    t.symbol[RM_SLOT_VIRTUAL] = 'v';
    t.symbol[RM_SLOT_DONOR] = 'M';
    t.symbol[RM_SLOT_VDONOR] = 'V';
    t.symbol[RM_SLOT_REFUSED] = 'c';
    return t;
}

// "%3d" of a count.
char* PutDec3(char* out, unsigned v) {
    char tmp[8];
    int n = 0;
    do {
        tmp[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 && n < 8);
    for (int i = n; i < 3; ++i) *out++ = ' ';
    while (n > 0) *out++ = tmp[--n];
    return out;
}

char* PutText(char* out, std::string_view s) {
    std::memcpy(out, s.data(), s.size());
    return out + s.size();
}

void PrintMap(_VectorInfo& vi, const SymbolTable& symbols) {
    const MapGeometry m = GetMapGeometry();
    tables::LogText out(vi.log);
    MapHeader(out, m);
    // "U#%04X (%3d,%3d)| " and one space and a symbol per plane for every channel and CE index.
    constexpr std::size_t kLine = 32 + RM_MAX_CH * RM_MAX_CE * (RM_MAX_PLANE + 1) + 2;
    for (const SuperBlockBadInfo& r : vi.units) {
        char* p = PutText(out.Room(kLine), "U#");
        p = tables::PutHex(p, r.unit, 4);
        p = PutText(p, " (");
        if (m.superDie) {
            p = PutDec3(p, r.lun0Count);
            *p++ = ',';
            p = PutDec3(p, r.lun1Count);
        } else {
            p = PutDec3(p, r.badCount);
        }
        p = PutText(p, ")| ");
        for (int ch = 0; ch < m.channels; ++ch) {
            for (int ce = 0; ce < m.ceCount; ++ce) {
                *p++ = ' ';
                for (int pl = 0; pl < m.planes; ++pl) *p++ = symbols.symbol[r.status[ch][ce][pl]];
            }
        }
        *p++ = '\n';
        out.Commit(p);
        out.Lines();
    }
}

}  // namespace

void vRM_PrintMapHeader(_VectorInfo& vi) {
    tables::LogText out(vi.log);
    MapHeader(out, GetMapGeometry());
}

void vRM_PrintDefectMap(_VectorInfo& vi) {
    static const SymbolTable symbols = DefectSymbols();
    PrintMap(vi, symbols);
}

void vRM_PrintStateMap(_VectorInfo& vi) {
    static const SymbolTable symbols = StateSymbols();
    PrintMap(vi, symbols);
}

void vRM_PrintRemapDetail(_VectorInfo& vi) {
    const MapGeometry m = GetMapGeometry();
    const int planes = m.planes == 0 ? 1 : m.planes;
    tables::LogText out(vi.log);
    out.Put("\n================Detail===============").EndLine();
    constexpr std::size_t kLine = 16 + RM_MAX_PLANE * 12;
    for (int ch = 0; ch < m.channels; ++ch) {
        for (int ce = 0; ce < m.ceCount; ++ce) {
            out.Put("\nC:").Dec(ch).Put(" B:").Dec(ce).EndLine();
            for (const SuperBlockBadInfo& r : vi.units) {
                char* p = PutText(out.Room(kLine), "U#");
                p = tables::PutHex(p, r.unit, 4);
                p = PutText(p, " | ");
                for (int pl = 0; pl < m.planes; ++pl) {
                    switch (r.status[ch][ce][pl]) {
                        case RM_SLOT_BAD:
                            p = PutText(p, "xxxx     ");
                            break;
                        case RM_SLOT_GOOD:
                            p = PutText(p, "----     ");
                            break;
                        case RM_SLOT_REMAPPED:
                        case RM_SLOT_REMAPPED_ALT:
                            p = tables::PutHex(p, RM_LookupRemapGood(ch, ce, pl, r.unit, vi), 4);
                            p = PutText(p, "     ");
                            break;
                        case RM_SLOT_VIRTUAL: {
                            const std::uint16_t good =
                                RM_LookupVirtGood(ch, ce, static_cast<std::uint16_t>(r.unit * planes + pl), vi);
                            p = tables::PutHex(p, static_cast<std::uint32_t>(good / planes), 4);
                            *p++ = '(';
                            *p++ = static_cast<char>('0' + good % planes);
                            p = PutText(p, ")  ");
                            break;
                        }
                        case RM_SLOT_DONOR:
                            p = PutText(p, "mmmm     ");
                            break;
                        case RM_SLOT_VDONOR:
                            p = PutText(p, "vvvv     ");
                            break;
                        case RM_SLOT_REFUSED:
                            p = PutText(p, "cccc     ");
                            break;
                        default:
                            break;
                    }
                }
                *p++ = '\n';
                out.Commit(p);
                out.Lines();
            }
        }
    }
}
