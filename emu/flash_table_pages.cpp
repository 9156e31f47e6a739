#include "emu/flash_table_pages.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr char kVersion[12] = "ZEL09A0V000";  // 11 characters and a zero byte
constexpr std::uint16_t kCeHeader = 0xA0FB;
constexpr std::uint16_t kDefectEnd = 0xD1FE;
constexpr std::size_t kLaterBadEntries = 32;
constexpr std::size_t kLaterBadEntryBytes = 8;

std::array<std::uint8_t, 4> Magic(TableKind kind) {
    switch (kind) {
        case TableKind::Defect:
            return {0xE9, 0x86, 0xAA, 0x55};
        case TableKind::Early:
            return {0x45, 0x79, 0xAA, 0x55};
        case TableKind::Remap:
            return {0x9E, 0x68, 0x55, 0xAA};
        case TableKind::LaterBad:
            break;
    }
    return {0xE8, 0xDC, 0x55, 0xAA};
}

}  // namespace

bool HasTableHeader(std::span<const std::uint8_t> page, TableKind kind) {
    if (page.size() < kTableHeaderBytes) return false;
    const auto magic = Magic(kind);
    return std::equal(magic.begin(), magic.end(), page.begin()) && std::memcmp(&page[4], kVersion, 12) == 0;
}

void PutTableHeader(std::span<std::uint8_t> page, TableKind kind) {
    if (page.size() < kTableHeaderBytes) return;
    const auto magic = Magic(kind);
    std::copy(magic.begin(), magic.end(), page.begin());
    std::memcpy(&page[4], kVersion, 12);
}

std::vector<DefectEntry> DecodeDefectPage(std::span<const std::uint8_t> page) {
    std::vector<DefectEntry> out;
    if (!HasTableHeader(page, TableKind::Defect)) return out;
    bool inCe = false;
    int ce = 0;
    for (std::size_t at = kTableHeaderBytes; at + 4 <= page.size(); at += 4) {
        const std::uint16_t word = wire::GetLe16(&page[at]);
        if (word == kDefectEnd) break;
        if (word == kCeHeader) {
            inCe = true;
            ce = page[at + 2];
            continue;
        }
        if (inCe) out.push_back({page[at + 3], ce, word});
    }
    return out;
}

std::vector<LaterBadEntry> DecodeLaterBadPage(std::span<const std::uint8_t> page) {
    std::vector<LaterBadEntry> out;
    if (!HasTableHeader(page, TableKind::LaterBad)) return out;
    const std::size_t room =
        page.size() > kLaterBadEntries ? (page.size() - kLaterBadEntries) / kLaterBadEntryBytes : 0;
    const std::size_t count = std::min<std::size_t>(wire::GetLe16(&page[16]), room);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = &page[kLaterBadEntries + kLaterBadEntryBytes * i];
        out.push_back({wire::GetLe16(e), wire::GetLe16(e + 2), e[5], e[7] >> 5, e[7] & 0x1F});
    }
    return out;
}

std::size_t AppendLaterBad(std::span<std::uint8_t> page, const std::vector<LaterBadEntry>& entries) {
    if (page.size() < kLaterBadEntries) return 0;
    if (!HasTableHeader(page, TableKind::LaterBad)) {
        std::fill(page.begin(), page.end(), 0);
        PutTableHeader(page, TableKind::LaterBad);
    }
    const std::size_t room = (page.size() - kLaterBadEntries) / kLaterBadEntryBytes;
    std::size_t count = std::min<std::size_t>(wire::GetLe16(&page[16]), room);
    std::size_t added = 0;
    for (const LaterBadEntry& entry : entries) {
        if (count >= room || count >= 0xFFFF) break;
        std::uint8_t* e = &page[kLaterBadEntries + kLaterBadEntryBytes * count];
        std::fill(e, e + kLaterBadEntryBytes, 0);
        wire::PutLe16(e, static_cast<std::uint16_t>(entry.unit));
        wire::PutLe16(e + 2, static_cast<std::uint16_t>(entry.page));
        e[5] = static_cast<std::uint8_t>(entry.plane);
        e[7] = static_cast<std::uint8_t>((entry.logicalChannel << 5) | (entry.logicalCe & 0x1F));
        ++count;
        ++added;
    }
    wire::PutLe16(&page[16], static_cast<std::uint16_t>(count));
    return added;
}

}  // namespace emu
