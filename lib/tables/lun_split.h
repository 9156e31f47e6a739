// The two LUNs of a CE in the super-die tables: LUN 1 values carry wLunBlockOffset (block units)
// or wLunBlockOffset x planes (plane-block indexes). Every reader of those tables splits a value
// the same way: below the end of LUN 0 (the units or plane blocks a die holds, extended blocks
// included) it is LUN 0; at or above it LUN 1, numbered from the offset. A value in neither range
// is outside the geometry.
#pragma once

#include <cstdint>

namespace tables {

struct LunValue {
    bool ok;    // false: the value lies in neither LUN
    bool lun1;  // LUN 1 (the offset is taken off `value`)
    std::uint32_t value;
};

inline LunValue SplitLun(std::uint32_t v, std::uint32_t lun0End, std::uint32_t lun1Offset) {
    if (v < lun0End) return {true, false, v};
    if (v < lun1Offset) return {false, true, v};
    return {true, true, v - lun1Offset};
}

}  // namespace tables
