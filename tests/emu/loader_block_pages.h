// Loader blocks planted for the emulator's boot tests, page by page from the layouts (info page,
// firmware-slot page, code pages, table pages), independent of the host library's writers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "emu/nand_model.h"

namespace emu_test {

using PageBytes = std::vector<std::uint8_t>;

inline void PutLe16(PageBytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLe32(PageBytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutText(PageBytes& b, std::size_t at, const std::string& text) {
    if (at + text.size() <= b.size()) std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// One firmware part: its bytes and RAM load address; enable 1 means "not checksummed".
struct PlantPart {
    PageBytes bytes;
    std::uint32_t address = 0;
    std::uint16_t enable = 0;
    bool badChecksum = false;  // the map entry carries a wrong checksum
};

inline std::uint16_t Sum16(const PageBytes& part) {
    std::uint32_t sum = 0;
    const std::size_t body = part.size() >= 4 ? part.size() - 4 : 0;
    for (std::size_t i = 0; i + 1 < body; i += 2) sum += part[i] | (part[i + 1] << 8);
    if (body % 2 != 0) sum += part[body - 1];
    return static_cast<std::uint16_t>(sum);
}

struct LoaderBlockPlan {
    std::vector<PlantPart> parts;
    int copies = 2;
    std::size_t pageBytes = 16384;
    std::uint8_t rate = 2;
    bool slotPage = true;
    int corruptCopy = -1;  // this copy's checksummed parts carry one changed byte on the flash
    std::vector<std::pair<int, PageBytes>> extraPages;  // (index, bytes) such as table pages
};

struct PlantedLayout {
    int pagesPerCopy = 0;
    // First page index of part p of copy c: 88 + c x pagesPerCopy + the pages before it.
    int FirstPage(const LoaderBlockPlan& plan, int copy, std::size_t part) const {
        int at = 88 + copy * pagesPerCopy;
        for (std::size_t i = 0; i < part; ++i) {
            at += static_cast<int>((plan.parts[i].bytes.size() + plan.pageBytes - 1) / plan.pageBytes);
        }
        return at;
    }
};

inline PlantedLayout LayoutOf(const LoaderBlockPlan& plan) {
    PlantedLayout l;
    for (const PlantPart& p : plan.parts) {
        l.pagesPerCopy += static_cast<int>((p.bytes.size() + plan.pageBytes - 1) / plan.pageBytes);
    }
    return l;
}

inline void PutEntry(PageBytes& page, std::size_t at, const LoaderBlockPlan& plan, const PlantedLayout& l, int copy,
                     std::size_t p) {
    const PlantPart& part = plan.parts[p];
    const int first = l.FirstPage(plan, copy, p);
    const int pages = static_cast<int>((part.bytes.size() + plan.pageBytes - 1) / plan.pageBytes);
    PutLe16(page, at, static_cast<std::uint16_t>(first));
    PutLe16(page, at + 2, static_cast<std::uint16_t>(first + pages - 1));
    PutLe32(page, at + 4, static_cast<std::uint32_t>(part.bytes.size()));
    PutLe32(page, at + 8, part.address);
    PutLe16(page, at + 12, part.enable);
    const std::uint16_t sum = (part.enable & 0xFF) == 1 ? 0xFFFF : Sum16(part.bytes);
    PutLe16(page, at + 14, part.badChecksum ? static_cast<std::uint16_t>(sum + 1) : sum);
}

inline PageBytes InfoPage(const LoaderBlockPlan& plan) {
    const PlantedLayout l = LayoutOf(plan);
    PageBytes info(4096, 0);
    PutText(info, 0, std::string("LDBK BLOCKS V00") + '\0');
    PutLe16(info, 68, plan.rate);
    info[163] = static_cast<std::uint8_t>(plan.parts.size());
    info[164] = static_cast<std::uint8_t>(plan.pageBytes / 4096);
    info[180] = static_cast<std::uint8_t>(plan.copies);
    PutText(info, 512, std::string("LDBK CONFIG V00") + '\0');
    for (std::size_t p = 0; p < plan.parts.size(); ++p) PutEntry(info, 544 + 16 * p, plan, l, 0, p);
    for (int i = 0; i < 384; ++i) PutLe16(info, 1056 + 2 * static_cast<std::size_t>(i), static_cast<std::uint16_t>(i));
    return info;
}

inline PageBytes SlotPage(const LoaderBlockPlan& plan) {
    const PlantedLayout l = LayoutOf(plan);
    PageBytes slot(plan.pageBytes, 0xFF);
    PutText(slot, 0, "LDBK FWSLOT MARK");
    for (int k = 0; k < 8; ++k)
        PutLe32(slot, 16 + 4 * static_cast<std::size_t>(k), static_cast<std::uint32_t>(512 * k + 48));
    for (int c = 0; c < plan.copies; ++c) {
        for (std::size_t p = 0; p < plan.parts.size(); ++p) {
            PutEntry(slot, 512 * static_cast<std::size_t>(c) + 48 + 16 * p, plan, l, c, p);
        }
    }
    return slot;
}

// Programs the loader block on (channel, ce, lun, block) with identity page map.
inline bool PlantLoaderBlock(emu::NandModel& nand, int channel, int ce, int lun, int block,
                             const LoaderBlockPlan& plan) {
    auto program = [&](int index, const PageBytes& bytes, std::uint8_t rate) {
        return nand.Program({channel, ce, lun, block, index}, bytes, rate, 1) == emu::NandResult::Ok;
    };
    bool ok = program(0, InfoPage(plan), 1);
    if (plan.slotPage) ok = ok && program(4, SlotPage(plan), plan.rate);
    const PlantedLayout l = LayoutOf(plan);
    for (int c = 0; c < plan.copies; ++c) {
        for (std::size_t p = 0; p < plan.parts.size(); ++p) {
            const PageBytes& bytes = plan.parts[p].bytes;
            for (std::size_t at = 0, i = 0; at < bytes.size(); at += plan.pageBytes, ++i) {
                PageBytes page(plan.pageBytes, 0x11);
                std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + plan.pageBytes)),
                          page.begin());
                if (c == plan.corruptCopy && i == 0 && (plan.parts[p].enable & 0xFF) != 1) page[1] ^= 0x40;
                ok = ok && program(l.FirstPage(plan, c, p) + static_cast<int>(i), page, plan.rate);
            }
        }
    }
    for (const auto& [index, bytes] : plan.extraPages) ok = ok && program(index, bytes, plan.rate);
    return ok;
}

// A variable-block page (part 0's first page): the tag at 448 and the identity and parameter
// fields the system firmware reads.
struct VariableBlock {
    std::string tag = "RAVEZ";
    std::string serial = "SN-PLANTED-0001";
    std::string model = "PLANTED MODEL";
    std::string revision = "REV00042";
    std::uint16_t vendorId = 0x1E4B, subsystemVendorId = 0x1E4C;
    std::uint64_t capacitySectors = 0;
    std::uint8_t channels[8] = {0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::uint8_t banks[4] = {0, 1, 0xFF, 0xFF};
    std::uint8_t loaderBlocks[32] = {};
};

inline PageBytes VariableBlockPage(const VariableBlock& v, std::size_t bytes) {
    PageBytes page(std::max<std::size_t>(bytes, 1236), 0x00);
    auto padded = [&](std::size_t at, std::size_t width, const std::string& text) {
        PutText(page, at, std::string(width, ' '));
        PutText(page, at, text.substr(0, width));
    };
    padded(104, 20, v.serial);
    padded(124, 40, v.model);
    padded(164, 8, v.revision);
    PutLe16(page, 208, v.vendorId);
    PutLe16(page, 212, v.subsystemVendorId);
    PutText(page, 448, v.tag);
    std::copy_n(v.banks, 4, page.begin() + 768 + 12);
    std::copy_n(v.channels, 8, page.begin() + 768 + 20);
    std::copy_n(v.loaderBlocks, 32, page.begin() + 768 + 28);
    PutLe32(page, 768 + 136, static_cast<std::uint32_t>(v.capacitySectors));
    PutLe32(page, 768 + 140, static_cast<std::uint32_t>(v.capacitySectors >> 32));
    return page;
}

// A table page with its 16-byte header: defect E9 86 AA 55, early 45 79 AA 55, remap 9E 68 55 AA.
inline PageBytes TablePage(std::size_t bytes, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    PageBytes page(bytes, 0);
    page[0] = b0;
    page[1] = b1;
    page[2] = b2;
    page[3] = b3;
    PutText(page, 4, std::string("ZEL09A0V000") + '\0');
    return page;
}

// A defect page listing `units` of each (logical CE) for logical channel `channel`.
inline PageBytes DefectPage(std::size_t bytes, int channel, const std::vector<std::pair<int, std::vector<int>>>& ces) {
    PageBytes page = TablePage(bytes, 0xE9, 0x86, 0xAA, 0x55);
    std::size_t at = 16;
    for (const auto& [ce, units] : ces) {
        PutLe16(page, at, 0xA0FB);
        page[at + 2] = static_cast<std::uint8_t>(ce);
        page[at + 3] = static_cast<std::uint8_t>(channel);
        at += 4;
        for (int u : units) {
            PutLe16(page, at, static_cast<std::uint16_t>(u));
            page[at + 2] = 2;
            page[at + 3] = static_cast<std::uint8_t>(channel);
            at += 4;
        }
    }
    PutLe16(page, at, 0xD1FE);
    return page;
}

}  // namespace emu_test
