#include "tables/page_format.h"

#include <cstring>

#include "settings/records.h"

namespace {

constexpr std::uint8_t kDefectSig[4] = {0xE9, 0x86, 0xAA, 0x55};
constexpr std::uint8_t kEarlySig[4] = {0x45, 0x79, 0xAA, 0x55};
constexpr std::uint8_t kRemapSig[4] = {0x9E, 0x68, 0x55, 0xAA};
constexpr std::uint8_t kVirtSig[4] = {0x41, 0x56, 0xAA, 0x55};
constexpr std::uint8_t kSystemSig[4] = {0x53, 0x59, 0x53, 0x50};
constexpr std::uint8_t kLaterBadSig[4] = {0xE8, 0xDC, 0x55, 0xAA};
constexpr char kVersion[12] = "ZEL09A0V000";  // 11 characters and the 00 byte
constexpr char kPartialHeader[17] = "ZEL090X_PAR_V000";

// The header of `kind`; false for a kind without a header.
bool HeaderOf(int kind, TablePageHeader& out) {
    const std::uint8_t* sig = nullptr;
    switch (kind) {
        case RM_TBL_DEFECT:
            sig = kDefectSig;
            break;
        case RM_TBL_EARLY:
            sig = kEarlySig;
            break;
        case RM_TBL_REMAP:
            sig = kRemapSig;
            break;
        case RM_TBL_VIRT:
            sig = kVirtSig;
            break;
        case RM_TBL_SYSTEM:
            sig = kSystemSig;
            break;
        case RM_HDR_LATER_BAD:
            sig = kLaterBadSig;
            break;
        case RM_HDR_PARTIAL:
            std::memcpy(out.signature, kPartialHeader, sizeof out.signature);
            std::memcpy(out.version, kPartialHeader + sizeof out.signature, sizeof out.version);
            return true;
        default:
            return false;
    }
    std::memcpy(out.signature, sig, sizeof out.signature);
    std::memcpy(out.version, kVersion, sizeof out.version);
    return true;
}

void PutHeader(std::uint8_t* page, const TablePageHeader& h) {
    std::memcpy(page, h.signature, sizeof h.signature);
    std::memcpy(page + sizeof h.signature, h.version, sizeof h.version);
}

}  // namespace

void vRM_SetTableHeader(std::uint8_t* page, std::size_t size, std::uint8_t type) {
    if (page == nullptr || size < RM_HEADER_SIZE) return;
    int kind = type;
    if (type == RM_TBL_VIRT && AP_INIState.EnPartialTbl != 0) kind = RM_HDR_PARTIAL;
    TablePageHeader header{};
    if (HeaderOf(kind, header)) PutHeader(page, header);
}

bool RM_MatchTableHeader(const std::uint8_t* page, std::size_t size, int kind) {
    TablePageHeader header{};
    if (page == nullptr || size < RM_HEADER_SIZE || !HeaderOf(kind, header)) return false;
    std::uint8_t expected[RM_HEADER_SIZE];
    PutHeader(expected, header);
    return std::memcmp(page, expected, RM_HEADER_SIZE) == 0;
}

std::uint16_t RM_LaterBadCount(const std::uint8_t* page, std::size_t size) {
    if (!RM_MatchTableHeader(page, size, RM_HDR_LATER_BAD) || size < 32) return 0;
    const std::size_t fit = (size - 32) / 8;
    const std::uint16_t count = tables::GetLe16(page + 16);
    return static_cast<std::uint16_t>(count < fit ? count : fit);
}

bool RM_GetLaterBadEntry(const std::uint8_t* page, std::size_t size, std::uint16_t i, RM_LaterBadEntry& entry) {
    if (i >= RM_LaterBadCount(page, size)) return false;
    const std::uint8_t* e = page + 32 + static_cast<std::size_t>(i) * 8;
    entry.unit = tables::GetLe16(e);
    entry.page = tables::GetLe16(e + 2);
    entry.plane = e[5];
    entry.location = e[7];
    return true;
}

void RM_DecodeLaterBadLocation(std::uint8_t location, bool twoLun, std::uint8_t& ch, std::uint8_t& ce) {
    if (twoLun) {
        ch = static_cast<std::uint8_t>(location >> 6);
        ce = static_cast<std::uint8_t>(location & 0x3F);
    } else {
        ch = static_cast<std::uint8_t>(location >> 5);
        ce = static_cast<std::uint8_t>(location & 0x1F);
    }
}
