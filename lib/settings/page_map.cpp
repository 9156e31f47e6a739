#include "settings/page_map.h"

#include <array>
#include <cstring>

namespace {

// Each table holds its leading entries; every later entry of the 2,048 is 0.
struct PageMapHead {
    const std::uint16_t* entries;
    std::size_t count;
};

// Table 0: 0xFFFF in its first 128 entries.
constexpr std::array<std::uint16_t, 128> kTable0 = [] {
    std::array<std::uint16_t, 128> t{};
    for (auto& e : t) e = 0xFFFF;
    return t;
}();
constexpr std::uint16_t kTable1[] = {4, 5, 8, 9, 0, 0, 12, 13, 0, 0, 16, 17};
constexpr std::uint16_t kTable2[] = {0, 0, 0x1000, 0, 0x1000, 0};
constexpr std::uint16_t kTable3[] = {0, 0, 6, 7, 10, 11, 0, 0, 14, 15};

// Only the leading rows above are known; tables 4 to 12 are all zero until their rows are given.
constexpr PageMapHead kTables[kPageMapTypeCount] = {
    {kTable0.data(), kTable0.size()},
    {kTable1, sizeof kTable1 / sizeof kTable1[0]},
    {kTable2, sizeof kTable2 / sizeof kTable2[0]},
    {kTable3, sizeof kTable3 / sizeof kTable3[0]},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
};

}  // namespace

void CopyPageMapTable(std::uint8_t* destination, int type) {
    if (destination == nullptr || type < 0 || type >= kPageMapTypeCount) return;
    std::memset(destination, 0, kPageMapTableBytes);
    const PageMapHead& table = kTables[type];
    for (std::size_t i = 0; i < table.count; ++i) {
        destination[2 * i] = static_cast<std::uint8_t>(table.entries[i] & 0xFF);
        destination[2 * i + 1] = static_cast<std::uint8_t>(table.entries[i] >> 8);
    }
}
