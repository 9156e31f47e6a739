#include "emu/formatted_drive.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "emu/flash_table_pages.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kRate = 2;
constexpr int kCopies = 2;
constexpr int kFirstCodePage = 88;

struct Part {
    Bytes bytes;
    std::uint32_t address;
    std::uint16_t enable;  // 1: not checksummed
};

void Text(Bytes& b, std::size_t at, const std::string& text) {
    if (at + text.size() <= b.size()) std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

void Padded(Bytes& b, std::size_t at, std::size_t width, const std::string& text) {
    Text(b, at, std::string(width, ' '));
    Text(b, at, text.substr(0, width));
}

std::uint16_t Sum16(const Bytes& part) {
    std::uint32_t sum = 0;
    const std::size_t body = part.size() >= 4 ? part.size() - 4 : 0;
    for (std::size_t i = 0; i + 1 < body; i += 2) sum += part[i] | (part[i + 1] << 8);
    if (body % 2 != 0) sum += part[body - 1];
    return static_cast<std::uint16_t>(sum);
}

Bytes ParameterPage(const FlashGeometry& g, const FormattedIdentity& id, std::size_t pageBytes) {
    Bytes p(std::max<std::size_t>(pageBytes, 1236), 0);
    Padded(p, 104, 20, id.serial);
    Padded(p, 124, 40, id.model);
    Padded(p, 164, 8, id.revision);
    wire::PutLe16(&p[208], 0x1E4B);
    wire::PutLe16(&p[212], 0x1E4B);
    Text(p, 448, "RAVEZ SYS 1.0.0.1");
    Text(p, 448 + 46, "TEV100");
    for (int b = 0; b < 4; ++b) p[780 + static_cast<std::size_t>(b)] = b < g.ces ? static_cast<std::uint8_t>(b) : 0xFF;
    for (int c = 0; c < 8; ++c)
        p[788 + static_cast<std::size_t>(c)] = c < g.channels ? static_cast<std::uint8_t>(c) : 0xFF;
    for (int c = 0; c < g.channels && c < 8; ++c) {
        for (int b = 0; b < g.ces && b < 4; ++b) p[796 + static_cast<std::size_t>(4 * c + b)] = 0x03;
    }
    wire::PutLe16(&p[860], 70);    // reserved ratio 7.0 %
    wire::PutLe16(&p[880], 0x60);  // read-empty threshold of the LDPC rate
    wire::PutLe32(&p[920], 0x1821);
    wire::PutLe32(&p[924], 0x4);
    wire::PutLe32(&p[936], 0x0012);
    wire::PutLe32(&p[940], 0x0003);
    std::uint8_t* geo = &p[1216];
    geo[0] = 0;  // vendor
    geo[1] = 2;  // TLC
    wire::PutLe16(geo + 2, static_cast<std::uint16_t>(g.blocks));
    wire::PutLe16(geo + 4, static_cast<std::uint16_t>(g.pages));
    wire::PutLe16(geo + 6, static_cast<std::uint16_t>(g.pageSectors / 2));
    geo[8] = static_cast<std::uint8_t>(g.luns);
    geo[9] = static_cast<std::uint8_t>(g.planes);
    geo[11] = kRate;
    geo[13] = static_cast<std::uint8_t>(g.channels);
    geo[14] = static_cast<std::uint8_t>(g.ces);
    geo[15] = static_cast<std::uint8_t>(g.ces);
    wire::PutLe16(&p[1232], 20);  // defect ratio 2.0 %
    return p;
}

int PagesOf(const Part& part, std::size_t pageBytes) {
    return static_cast<int>((part.bytes.size() + pageBytes - 1) / pageBytes);
}

int FirstPage(const std::vector<Part>& parts, std::size_t pageBytes, int copy, std::size_t part) {
    int perCopy = 0;
    for (const Part& p : parts) perCopy += PagesOf(p, pageBytes);
    int at = kFirstCodePage + copy * perCopy;
    for (std::size_t i = 0; i < part; ++i) at += PagesOf(parts[i], pageBytes);
    return at;
}

void PartEntry(Bytes& page, std::size_t at, const std::vector<Part>& parts, std::size_t pageBytes, int copy,
               std::size_t p) {
    const Part& part = parts[p];
    const int first = FirstPage(parts, pageBytes, copy, p);
    wire::PutLe16(&page[at], static_cast<std::uint16_t>(first));
    wire::PutLe16(&page[at + 2], static_cast<std::uint16_t>(first + PagesOf(part, pageBytes) - 1));
    wire::PutLe32(&page[at + 4], static_cast<std::uint32_t>(part.bytes.size()));
    wire::PutLe32(&page[at + 8], part.address);
    wire::PutLe16(&page[at + 12], part.enable);
    wire::PutLe16(&page[at + 14], (part.enable & 0xFF) == 1 ? 0xFFFF : Sum16(part.bytes));
}

// The group code of a bad unit whose good planes are `good` (bit p: plane p): with 4 planes or more
// the good-plane mask itself; with fewer, 0 when plane 1 is bad, 1 when plane 0 is bad, 2 when every
// plane is.
std::uint8_t PlaneGroupCode(int planes, std::uint8_t good) {
    if (planes >= 4) return good;
    if (planes == 2 && good == 1) return 0;
    if (planes == 2 && good == 2) return 1;
    return 2;
}

// The table page of `kind` (none: the virtual-remap table, header 41 56 AA 55) for logical channel
// `channel`: every CE's factory-bad units.
Bytes TablePageOf(const NandModel& nand, std::optional<TableKind> kind, int channel, std::size_t pageBytes) {
    const FlashGeometry& g = nand.Geometry();
    Bytes page(pageBytes, 0);
    if (kind) {
        PutTableHeader(page, *kind);
    } else {
        PutTableHeader(page, TableKind::Defect);
        const std::uint8_t virtualRemap[4] = {0x41, 0x56, 0xAA, 0x55};
        std::copy(std::begin(virtualRemap), std::end(virtualRemap), page.begin());
    }
    std::size_t at = 16;
    auto record = [&](std::uint16_t word, std::uint8_t b2, std::uint8_t b3) {
        if (at + 4 > page.size()) return;
        wire::PutLe16(&page[at], word);
        page[at + 2] = b2;
        page[at + 3] = b3;
        at += 4;
    };
    for (int ce = 0; ce < g.ces * g.luns; ++ce) {
        record(0xA0FB, static_cast<std::uint8_t>(ce), static_cast<std::uint8_t>(channel));
        const int lun = ce / g.ces, bank = ce % g.ces;
        for (int unit = 0; unit * g.planes < g.blocks; ++unit) {
            std::uint8_t good = 0;  // bit p: plane p is good
            bool bad = false;
            for (int p = 0; p < g.planes && p < 8; ++p) {
                if (nand.IsFactoryBad(channel, bank, lun, unit * g.planes + p)) {
                    bad = true;
                } else {
                    good = static_cast<std::uint8_t>(good | (1u << p));
                }
            }
            if (bad && unit <= 0xFFFF)
                record(static_cast<std::uint16_t>(unit), PlaneGroupCode(g.planes, good),
                       static_cast<std::uint8_t>(channel));
        }
    }
    record(0xD1FE, 0, 0);
    return page;
}

}  // namespace

bool WriteFormattedDrive(NandModel& nand, const FormattedIdentity& identity) {
    const FlashGeometry& g = nand.Geometry();
    const std::size_t pageBytes = g.PageBytes();
    Bytes part0 = ParameterPage(g, identity, pageBytes);
    part0.resize(2 * pageBytes, 0x21);
    Bytes part1(20000);
    for (std::size_t i = 0; i < part1.size(); ++i) part1[i] = static_cast<std::uint8_t>(0x35 + i * 7);
    const std::vector<Part> parts = {{part0, 0x0, 1}, {part1, 0x100000, 0}};

    Bytes info(4096, 0);
    Text(info, 0, std::string("LDBK BLOCKS V00") + '\0');
    wire::PutLe16(&info[68], kRate);
    info[163] = static_cast<std::uint8_t>(parts.size());
    info[164] = static_cast<std::uint8_t>(pageBytes / 4096);
    info[180] = kCopies;
    Text(info, 480, "QV-FORMATTED-TLC");
    Text(info, 512, std::string("LDBK CONFIG V00") + '\0');
    for (std::size_t p = 0; p < parts.size(); ++p) PartEntry(info, 544 + 16 * p, parts, pageBytes, 0, p);
    for (std::size_t i = 0; i < 384; ++i) wire::PutLe16(&info[1056 + 2 * i], static_cast<std::uint16_t>(i));

    Bytes slot(pageBytes, 0xFF);
    Text(slot, 0, "LDBK FWSLOT MARK");
    for (std::size_t k = 0; k < 8; ++k) wire::PutLe32(&slot[16 + 4 * k], static_cast<std::uint32_t>(512 * k + 48));
    for (int c = 0; c < kCopies; ++c) {
        for (std::size_t p = 0; p < parts.size(); ++p) PartEntry(slot, 512 * std::size_t(c) + 48 + 16 * p, parts, pageBytes, c, p);
    }

    const int units = g.blocks / std::max(1, g.planes);
    Bytes counts(2 * pageBytes, 0xFF);
    for (int u = 0; u < units && 4 * std::size_t(u) + 4 <= counts.size(); ++u) wire::PutLe32(&counts[4 * std::size_t(u)], 1);

    for (int ch = 0; ch < g.channels; ++ch) {
        for (int ce = 0; ce < g.ces; ++ce) {
            for (int block : {0, 1}) {
                auto program = [&](int index, const Bytes& bytes, std::uint8_t rate) {
                    return nand.Program({ch, ce, 0, block, index}, bytes, rate, 1) == NandResult::Ok;
                };
                bool ok = program(0, info, 1) && program(4, slot, kRate);
                for (int c = 0; c < g.channels && c < 8 && ok; ++c) {
                    ok = program(5 + c, TablePageOf(nand, TableKind::Defect, c, pageBytes), kRate) &&
                         program(13 + c, TablePageOf(nand, TableKind::Early, c, pageBytes), kRate) &&
                         program(21 + c, TablePageOf(nand, TableKind::Remap, c, pageBytes), kRate) &&
                         program(29 + c, TablePageOf(nand, std::nullopt, c, pageBytes), kRate);
                }
                ok = ok && program(38, Bytes(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(pageBytes)), kRate) &&
                     program(39, Bytes(counts.begin() + static_cast<std::ptrdiff_t>(pageBytes), counts.end()), kRate);
                for (int copy = 0; copy < kCopies && ok; ++copy) {
                    for (std::size_t p = 0; p < parts.size() && ok; ++p) {
                        const Bytes& bytes = parts[p].bytes;
                        for (std::size_t at = 0, i = 0; at < bytes.size() && ok; at += pageBytes, ++i) {
                            Bytes page(pageBytes, 0x11);
                            std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + pageBytes)),
                                      page.begin());
                            ok = program(FirstPage(parts, pageBytes, copy, p) + static_cast<int>(i), page, kRate);
                        }
                    }
                }
                if (!ok) return false;
            }
        }
    }
    return true;
}

}  // namespace emu
