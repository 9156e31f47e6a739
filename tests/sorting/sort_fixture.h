// Settings echoes and version blocks for the sorting tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "tables/sort_result_pages.h"

namespace sorting_test {

using Echo = std::array<std::uint8_t, tables::kSortEchoBytes>;
using Version = std::array<std::uint8_t, tables::kSortVersionBytes>;

inline void Put(Echo& echo, std::size_t offset, unsigned width, std::uint32_t value) {
    for (unsigned i = 0; i < width; ++i) echo[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Every shown field a value of its own: byte fields 10 + row, u16 fields 1000 + row; the loop total
// 5000 over 300 SLC loops.
inline Echo PatternEcho() {
    Echo e{};
    unsigned row = 5;
    for (const tables::SortEchoField& f : tables::kSortEchoFields) {
        Put(e, f.offset, f.width, f.width == 1 ? 10 + row : 1000 + row);
        ++row;
    }
    Put(e, 69, 4, 5000);
    Put(e, 110, 2, 300);
    return e;
}

inline Version PatternVersion() {
    Version v{};
    std::memcpy(&v[48], "M1.02xx", 7);
    std::memcpy(&v[64], "G2.03", 5);
    std::memcpy(&v[80], "2026/12/11 02:45", 16);
    std::memcpy(&v[96], "R7", 2);
    return v;
}

}  // namespace sorting_test
