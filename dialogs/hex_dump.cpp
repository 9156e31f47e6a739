#include "dialogs/hex_dump.h"

#include <cstdio>

namespace dialogs {

DumpRow DumpHeaderRow() {
    DumpRow row;
    row[0] = "Offset (Hex)";
    for (int i = 0; i < kDumpBytesPerRow; ++i) {
        char digit[4];
        std::snprintf(digit, sizeof digit, "%01X", i);
        row[1 + i] = digit;
        row[kDumpCharColumn + i] = digit;
    }
    return row;
}

DumpRow DumpDataRow(std::size_t offset, std::span<const std::uint8_t> bytes) {
    DumpRow row;
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(offset));
    row[0] = text;
    for (std::size_t i = 0; i < bytes.size() && i < kDumpBytesPerRow; ++i) {
        std::snprintf(text, sizeof text, "%02X", bytes[i]);
        row[1 + i] = text;
        if (bytes[i] != 0) row[kDumpCharColumn + i] = std::string(1, static_cast<char>(bytes[i]));
    }
    return row;
}

std::vector<DumpRow> DumpRows(std::span<const std::uint8_t> bytes) {
    const std::size_t rows = bytes.size() / kDumpBytesPerRow;
    std::vector<DumpRow> out;
    out.reserve(rows + 1);
    out.push_back(DumpHeaderRow());
    for (std::size_t r = 0; r < rows; ++r) {
        out.push_back(DumpDataRow(r * kDumpBytesPerRow, bytes.subspan(r * kDumpBytesPerRow, kDumpBytesPerRow)));
    }
    return out;
}

}  // namespace dialogs
