// The "Erase Count" page: one row per block unit and one column per die and channel (die-major), every
// column of a row showing the unit's count, in brackets where the bad-unit map marks the column's
// channel and die, "X" where the firmware keeps no count (0xFFFFFFFF).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "settings/records.h"

namespace vellumin {

// Columns beyond any real drive (8 channels x 8 banks x 4 dies is 256) are not shown: a geometry read
// from a broken drive must not make a text of gigabytes.
inline constexpr std::size_t kMaxEraseCountColumns = 1024;

struct EraseCountShape {
    int units = 0;     // rows: wBlocks / dies per CE / planes, at most the entries read
    int dies = 0;      // banks x dies per CE
    int channels = 0;  // columns = dies x channels
};
// `entries`: how many 32-bit counts the read returned. Dies per CE 0 counts as 1; no planes gives no unit.
EraseCountShape EraseCountGeometry(const AP_FlashSet_t& flash, std::size_t entries);

// True when channel c, bank b, unit u is marked bad (the caller keeps lookups inside its map).
using BadUnitLookup = std::function<bool(int channel, int bank, int unit)>;

// The memo's text: the header line and one line per unit, each followed by "\r\n".
std::string EraseCountText(const EraseCountShape& shape, const std::uint8_t* counts, const BadUnitLookup& bad);
// The same lines, without line ends.
std::string EraseCountHeader(const EraseCountShape& shape);

}  // namespace vellumin
