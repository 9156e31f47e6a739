#include "tables/block_units.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "settings/records.h"
#include "transport/trace.h"

namespace {

bool InArrays(int ch, int ce, int plane) {
    return ch >= 0 && ch < RM_MAX_CH && ce >= 0 && ce < RM_MAX_CE && plane >= 0 && plane < RM_MAX_PLANE;
}

int Channels(const RM_Geometry& g) {
    return std::min<int>(g.channels, RM_MAX_CH);
}
int CeCount(const RM_Geometry& g) {
    return std::min<int>(g.ceCount, RM_MAX_CE);
}
int Planes(const RM_Geometry& g) {
    return std::min<int>(g.planes, RM_MAX_PLANE);
}

}  // namespace

void RM_BuildBlockUnitList(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    vi.units.clear();
    std::vector<std::int32_t> slot(g.unitsExt, -1);
    for (int ch = 0; ch < Channels(g); ++ch) {
        for (int ce = 0; ce < CeCount(g); ++ce) {
            for (const MptDefRecord& d : vi.defBelow[ch][ce]) {
                if (d.unit < g.unitsExt) slot[d.unit] = 0;
            }
        }
    }
    std::vector<SuperBlockBadInfo> records;
    for (std::uint32_t u = 0; u < g.unitsExt; ++u) {
        if (slot[u] < 0) continue;
        slot[u] = static_cast<std::int32_t>(records.size());
        SuperBlockBadInfo r{};
        r.unit = static_cast<std::uint16_t>(u);
        std::memset(r.status, RM_SLOT_GOOD, sizeof r.status);
        records.push_back(r);
    }
    for (int ch = 0; ch < Channels(g); ++ch) {
        for (int ce = 0; ce < CeCount(g); ++ce) {
            for (const MptDefRecord& d : vi.defBelow[ch][ce]) {
                if (d.unit >= g.unitsExt) continue;
                SuperBlockBadInfo& r = records[static_cast<std::size_t>(slot[d.unit])];
                for (int p = 0; p < Planes(g); ++p) {
                    if ((d.planeByte & (1u << p)) != 0) continue;
                    r.status[ch][ce][p] = RM_SLOT_BAD;
                    ++r.badCount;
                    if (!g.superDie) continue;
                    if (ce < g.banks) {
                        ++r.lun0Count;
                    } else {
                        ++r.lun1Count;
                    }
                }
            }
        }
    }
    for (const SuperBlockBadInfo& r : records) vi.units.push_back(r);
}

bool vRM_SetSlotStatus(int ch, int ce, int plane, std::uint16_t unit, std::uint8_t status, _VectorInfo& vi) {
    const int pos = vi.units.Find(unit);
    if (pos < 0 || !InArrays(ch, ce, plane)) return false;
    return vi.units.SetStatus(static_cast<std::size_t>(pos), ch, ce, plane, status);
}

void RM_RecountBlockUnits(_VectorInfo& vi) {
    const bool superDie = bRM_IsSuperDie();
    const std::uint8_t bankNum = AP_FlashSet.ucBankNum;
    vi.units.Recount(superDie, bankNum);
    vi.unitsExt.Recount(superDie, bankNum);
}

void RM_SortUnitsByBadCount(_VectorInfo& vi, int order) {
    if (order == 1) {
        vi.units.StableSort(
            [](const SuperBlockBadInfo& a, const SuperBlockBadInfo& b) { return a.badCount < b.badCount; });
    } else {
        vi.units.StableSort(
            [](const SuperBlockBadInfo& a, const SuperBlockBadInfo& b) { return a.badCount > b.badCount; });
    }
}

void RM_SortUnitsByUnit(_VectorInfo& vi) {
    vi.units.StableSort([](const SuperBlockBadInfo& a, const SuperBlockBadInfo& b) { return a.unit < b.unit; });
}

namespace {

void SortByDefect(RmpList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const RmpRecord& a, const RmpRecord& b) { return a.defect < b.defect; });
}

}  // namespace

void RM_SortRemapLists(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    for (int ch = 0; ch < Channels(g); ++ch) {
        for (int ce = 0; ce < CeCount(g); ++ce) {
            for (int p = 0; p < Planes(g); ++p) SortByDefect(vi.remap[ch][ce][p]);
        }
    }
}

void RM_SortVirtRemapLists(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    for (int ch = 0; ch < Channels(g); ++ch) {
        for (int ce = 0; ce < CeCount(g); ++ce) SortByDefect(vi.virtRemap[ch][ce]);
    }
}

void RM_SortReserveLists(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    for (int ch = 0; ch < Channels(g); ++ch) {
        for (int ce = 0; ce < CeCount(g); ++ce) {
            for (int p = 0; p < Planes(g); ++p) SortByDefect(vi.reserve[ch][ce][p]);
        }
    }
}

int RM_FindRemapRelation(int ch, int ce, int plane, std::uint16_t unit, const _VectorInfo& vi) {
    if (!InArrays(ch, ce, plane)) return -1;
    const RmpList& list = vi.remap[ch][ce][plane];
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].defect == unit && list[i].plane == plane) return static_cast<int>(i);
    }
    return -1;
}

int RM_FindVirtRelation(int ch, int ce, std::uint16_t index, const _VectorInfo& vi) {
    if (!InArrays(ch, ce, 0)) return -1;
    const RmpList& list = vi.virtRemap[ch][ce];
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].defect == index) return static_cast<int>(i);
    }
    return -1;
}

std::uint16_t RM_LookupRemapGood(int ch, int ce, int plane, std::uint16_t unit, const _VectorInfo& vi) {
    const int i = RM_FindRemapRelation(ch, ce, plane, unit, vi);
    return i < 0 ? 0 : vi.remap[ch][ce][plane][static_cast<std::size_t>(i)].good;
}

std::uint16_t RM_LookupVirtGood(int ch, int ce, std::uint16_t index, const _VectorInfo& vi) {
    const int i = RM_FindVirtRelation(ch, ce, index, vi);
    return i < 0 ? 0 : vi.virtRemap[ch][ce][static_cast<std::size_t>(i)].good;
}

void RM_FillReserveLists(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    auto fill = [&](const SuperBlockBadInfo& r) {
        for (int ch = 0; ch < Channels(g); ++ch) {
            for (int ce = 0; ce < CeCount(g); ++ce) {
                for (int p = 0; p < Planes(g); ++p) {
                    if (r.status[ch][ce][p] != RM_SLOT_GOOD) continue;
                    if (RM_IsLoaderUnit(vi, ch, ce, r.unit)) {
                        RM_TraceLoaderUnitSkipped(ch, ce, r.unit, "reserve spare");
                        continue;
                    }
                    RmpRecord e{};
                    e.good = r.unit;
                    e.defect = RM_RESERVE_DEFECT;
                    e.location = static_cast<std::uint8_t>((ch << 5) | ce);
                    e.plane = static_cast<std::uint8_t>(p);
                    vi.reserve[ch][ce][p].push_back(e);
                }
            }
        }
    };
    for (const SuperBlockBadInfo& r : vi.units) {
        if (r.badCount != 0) fill(r);
    }
    for (const SuperBlockBadInfo& r : vi.unitsExt) fill(r);
}

void vRM_BuildVirtualPlaneMap(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    std::memset(vi.virtualPlaneMap, 0, sizeof vi.virtualPlaneMap);
    const unsigned planes = g.planes == 0 ? 1u : g.planes;
    for (int ch = 0; ch < Channels(g); ++ch) {
        for (int ce = 0; ce < CeCount(g); ++ce) {
            for (const RmpRecord& r : vi.virtRemap[ch][ce]) {
                // A later-bad marker read back from a drive names no unit.
                if (RM_IsLaterBadDefect(r.defect)) continue;
                const unsigned u = r.defect / planes;
                if (u >= RM_BITMAP_UNITS) continue;
                vi.virtualPlaneMap[u >> 3] = static_cast<std::uint8_t>(vi.virtualPlaneMap[u >> 3] | (1u << (u & 7)));
            }
        }
    }
    const unsigned bytes = std::min<unsigned>(g.dieUnit >> 3, sizeof vi.virtualPlaneMap);
    TraceOutToFile(vi.log, "===Virtual Info===\n");
    for (unsigned i = 0; i < bytes; ++i) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((vi.virtualPlaneMap[i] & (1u << bit)) != 0)
                TraceOutToFile(vi.log, "SBU#0x%04X is Virtual Plane\n", i * 8 + bit);
        }
    }
    TraceOutToFile(vi.log, "\n");
    TraceOutToFile(vi.log, "===Virtual Info RAW===\n");
    for (unsigned i = 0; i < bytes; ++i) {
        if (i > 0 && i % 16 == 0) TraceOutToFile(vi.log, "\n");
        TraceOutToFile(vi.log, " %02X", vi.virtualPlaneMap[i]);
    }
    TraceOutToFile(vi.log, "\n");
}
