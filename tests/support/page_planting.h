// Pages planted straight into an emulated drive's flash, as an earlier run would have left them:
// a sorting-result block's bad-block and mark pages, a loader block's info page, code page and
// parameter code page, and table pages. Page index i of a block is physical page i (the loader-block
// page map is the identity). Every page is programmed with the LDPC rate and scrambler given; a
// page read back with another rate or scrambler does not decode. Each helper returns false when
// the flash refused a page (a fault, a page already written, a place outside the flash).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "emu/nand_model.h"

namespace test_support {

using PageBytes = std::vector<std::uint8_t>;

struct FlashBlock {
    int channel = 0;
    int ce = 0;
    int lun = 0;
    int block = 0;
};

inline void PutLe16(PageBytes& p, std::size_t at, std::uint16_t v) {
    p.at(at) = static_cast<std::uint8_t>(v);
    p.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLe32(PageBytes& p, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) p.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutText(PageBytes& p, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) p.at(at + i) = static_cast<std::uint8_t>(text[i]);
}

inline bool PlantPage(emu::NandModel& nand, const FlashBlock& b, int page, std::span<const std::uint8_t> bytes,
                      std::uint8_t rate, std::uint8_t scramble) {
    return nand.Program({b.channel, b.ce, b.lun, b.block, page}, bytes, rate, scramble) == emu::NandResult::Ok;
}

// Consecutive pages from `firstIndex` (table pages: defect 5, early 13, remap 21, virtual 29,
// later bad 40, one per channel).
inline bool PlantPages(emu::NandModel& nand, const FlashBlock& b, int firstIndex, const std::vector<PageBytes>& pages,
                       std::uint8_t rate, std::uint8_t scramble) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (!PlantPage(nand, b, firstIndex + static_cast<int>(i), pages[i], rate, scramble)) return false;
    }
    return true;
}

// ---- Sorting-result block ----

struct SortBadUnit {
    std::uint16_t unit = 0;
    std::uint16_t badPlanes = 0;  // bit p: plane p of the unit is bad
};

// Page index 0: "BB", a 16-bit count, then (unit, bad-plane mask) entries; `pageBytes` long.
inline PageBytes SortBadBlockPage(const std::vector<SortBadUnit>& units, std::size_t pageBytes) {
    PageBytes p(pageBytes, 0);
    PutText(p, 0, "BB");
    PutLe16(p, 2, static_cast<std::uint16_t>(units.size()));
    for (std::size_t i = 0; i < units.size() && 8 + 4 * i <= pageBytes; ++i) {
        PutLe16(p, 4 + 4 * i, units[i].unit);
        PutLe16(p, 6 + 4 * i, units[i].badPlanes);
    }
    return p;
}

// Page index 2: "SORT" at byte 0.
inline PageBytes SortMarkPage(std::size_t pageBytes) {
    PageBytes p(pageBytes, 0);
    PutText(p, 0, "SORT");
    return p;
}

struct ResultBlockPlan {
    std::vector<SortBadUnit> bad;
    bool badBlockPage = true;            // page 0
    bool markPage = true;                // page 2
    std::optional<std::uint8_t> result;  // page 15, bResult at byte 6, when given
};

// A result block on one die, pages as long as the flash's pages. The diagnostic firmware's
// result-block scan (0x47) finds it only when page 2 carries the init block's LDPC rate with the
// scrambler on and the block lies within the search range from the die's last block unit.
inline bool PlantResultBlock(emu::NandModel& nand, const FlashBlock& b, const ResultBlockPlan& plan, std::uint8_t rate,
                             std::uint8_t scramble) {
    const std::size_t bytes = nand.Geometry().PageBytes();
    if (plan.badBlockPage && !PlantPage(nand, b, 0, SortBadBlockPage(plan.bad, bytes), rate, scramble)) return false;
    if (plan.markPage && !PlantPage(nand, b, 2, SortMarkPage(bytes), rate, scramble)) return false;
    if (plan.result) {
        PageBytes whole(bytes, 0);
        whole.at(6) = *plan.result;
        if (!PlantPage(nand, b, 15, whole, rate, scramble)) return false;
    }
    return true;
}

// ---- Loader block ----

inline constexpr std::size_t kInfoPageBytes = 4096;
inline constexpr std::size_t kInfoCodeNumAt = 163;
inline constexpr std::size_t kInfoCodeMapAt = 544;
inline constexpr std::size_t kInfoPageMapAt = 1056;
inline constexpr int kCodeTagPage = 88;
inline constexpr std::size_t kCodeTagAt = 448;

struct CodeEntry {
    std::uint16_t firstPage = 0;
    std::uint16_t lastPage = 0;
};

// Page index 0 (4,096 bytes): "LDBK BLOCKS V00", the code-map count at byte 163 (`codeNum`, which
// need not match the entries given), the code map at 544 (16 entries of 16 bytes: first and last
// page, length, offset, enable, checksum) and the identity page map at 1056.
inline PageBytes InfoPage(std::uint8_t codeNum, const std::vector<CodeEntry>& entries) {
    PageBytes p(kInfoPageBytes, 0);
    PutText(p, 0, "LDBK BLOCKS V00");
    p[kInfoCodeNumAt] = codeNum;
    PutText(p, 512, "LDBK CONFIG V00");
    PutLe32(p, 528, 544);
    PutLe32(p, 532, 1056);
    PutLe32(p, 536, 1824);
    PutLe32(p, 540, 2736);
    for (std::size_t i = 0; i < entries.size() && i < 16; ++i) {
        const std::size_t at = kInfoCodeMapAt + 16 * i;
        PutLe16(p, at, entries[i].firstPage);
        PutLe16(p, at + 2, entries[i].lastPage);
        PutLe16(p, at + 12, 1);
    }
    for (std::uint16_t k = 0; k < 384; ++k) PutLe16(p, kInfoPageMapAt + 2u * k, k);
    return p;
}

// Page index 88: the firmware tag ("RAVEZ", "QVRDT") at byte 448, `pageBytes` long.
inline PageBytes CodeTagPage(std::string_view tag, std::size_t pageBytes) {
    PageBytes p(pageBytes, 0);
    PutText(p, kCodeTagAt, tag);
    return p;
}

// The info page (rate 1 by default, as the host writes and reads it), the tagged first code page,
// and, when given, the parameter code page at `paramPage` (for example the last page of the code-map
// entry the info page's count names, bytes built by the host's system parameter page writer).
struct LoaderBlockPlan {
    PageBytes info;
    std::uint8_t infoRate = 1;
    std::string_view tag = "RAVEZ";
    std::optional<std::pair<int, PageBytes>> paramPage;
};

inline bool PlantLoaderBlock(emu::NandModel& nand, const FlashBlock& b, const LoaderBlockPlan& plan, std::uint8_t rate,
                             std::uint8_t scramble) {
    if (!plan.info.empty() && !PlantPage(nand, b, 0, plan.info, plan.infoRate, scramble)) return false;
    if (!plan.tag.empty() &&
        !PlantPage(nand, b, kCodeTagPage, CodeTagPage(plan.tag, nand.Geometry().PageBytes()), rate, scramble)) {
        return false;
    }
    if (plan.paramPage && !PlantPage(nand, b, plan.paramPage->first, plan.paramPage->second, rate, scramble)) {
        return false;
    }
    return true;
}

}  // namespace test_support
