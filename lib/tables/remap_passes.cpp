#include "tables/remap_passes.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "settings/records.h"
#include "tables/block_units.h"
#include "transport/trace.h"

namespace {

struct Walk {
    int channels, ceCount, planes;
    bool superDie;
    std::uint8_t bankNum;
    std::uint8_t banks;
    std::uint16_t lunOffset;
};

Walk MakeWalk() {
    const RM_Geometry g = RM_GetGeometry();
    Walk w{};
    w.channels = std::min<int>(g.channels, RM_MAX_CH);
    w.ceCount = std::min<int>(g.ceCount, RM_MAX_CE);
    w.planes = std::min<int>(g.planes, RM_MAX_PLANE);
    w.superDie = g.superDie;
    w.bankNum = g.bankNum;
    w.banks = g.banks;
    w.lunOffset = g.lunOffset;
    return w;
}

// RM_RecountBlockUnits for a pass. Within a pass a recount changes only the counts of records the
// pass itself changed. The call returns true when counts may have changed elsewhere too, so that the
// pass restarts its donor cursors: when the recount had to count every record, and at the first
// recount of a pass that began with counts left stale by earlier slot changes.
class PassRecount {
  public:
    explicit PassRecount(const _VectorInfo& vi) : stale_(vi.units.Pending() || vi.unitsExt.Pending()) {}
    bool operator()(_VectorInfo& vi, const Walk& w) {
        const bool a = vi.units.Recount(w.superDie, w.bankNum);
        const bool b = vi.unitsExt.Recount(w.superDie, w.bankNum);
        const bool restart = a || b || stale_;
        stale_ = false;
        return restart;
    }

  private:
    bool stale_;
};

void AppendRelation(RmpList& list, std::uint16_t good, std::uint16_t defect, int ch, int ce, int plane) {
    RmpRecord r{};
    r.good = good;
    r.defect = defect;
    r.location = static_cast<std::uint8_t>((ch << 5) | ce);
    r.plane = static_cast<std::uint8_t>(plane);
    list.push_back(r);
}

}  // namespace

// The donor of slot (ch, ce, p) is the last record after the defect whose slot is good (unit above
// 1, on the defect's side of the boundary). During the pass a good slot only ever stops being good
// (it is donated), so one cursor per slot and side, moving from the end towards the front, finds
// every donor in amortised constant time.
void vRM_Remap(_VectorInfo& vi, RmHashBuffer hash) {
    const Walk w = MakeWalk();
    if (w.planes <= 0) return;
    const std::int64_t maxPlaneBad = RM_GetMaxPlaneBadCount(vi);
    const std::int64_t n = static_cast<std::int64_t>(vi.units.size());
    const std::int64_t limit = n - maxPlaneBad;
    const std::uint16_t boundary = (AP_INIState.MptFunBitMap & 1) != 0 ? vi.remapBoundary : 0;
    const std::uint16_t threshold = AP_INIState.RemapThreshold;

    std::vector<std::int64_t> cursor(static_cast<std::size_t>(RM_MAX_CH * RM_MAX_CE * RM_MAX_PLANE * 2), n - 1);
    std::int64_t processed = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        const std::uint16_t unit = vi.units[static_cast<std::size_t>(i)].unit;
        const std::uint16_t badCount = vi.units[static_cast<std::size_t>(i)].badCount;
        const int side = unit >= boundary ? 0 : 1;
        for (int ch = 0; ch < w.channels; ++ch) {
            for (int ce = 0; ce < w.ceCount; ++ce) {
                for (int p = 0; p < w.planes; ++p) {
                    const std::uint8_t s = vi.units[static_cast<std::size_t>(i)].status[ch][ce][p];
                    if (!RM_IsRemapCandidate(s, unit, badCount, threshold, vi, p)) continue;
                    std::int64_t& c =
                        cursor[static_cast<std::size_t>(((ch * RM_MAX_CE + ce) * RM_MAX_PLANE + p) * 2 + side)];
                    while (c > i) {
                        const SuperBlockBadInfo& r = vi.units[static_cast<std::size_t>(c)];
                        if (r.status[ch][ce][p] == RM_SLOT_GOOD && r.unit > 1 &&
                            RM_DonorSideOk(r.unit, unit, boundary)) {
                            if (!RM_IsLoaderUnit(vi, ch, ce, r.unit)) break;
                            RM_TraceLoaderUnitSkipped(ch, ce, r.unit, "remap donor");
                        }
                        --c;
                    }
                    if (c <= i) continue;
                    const std::uint16_t donor = vi.units[static_cast<std::size_t>(c)].unit;
                    const std::uint16_t hashUnit =
                        static_cast<std::uint16_t>(unit + (w.superDie && ce >= w.bankNum ? w.lunOffset : 0));
                    if (RM_CheckRemapHash(ch, ce, p, hashUnit, hash)) {
                        AppendRelation(vi.remap[ch][ce][p], donor, unit, ch, ce, p);
                        vi.units.SetStatus(static_cast<std::size_t>(i), ch, ce, p, RM_SLOT_REMAPPED);
                        vi.units.SetStatus(static_cast<std::size_t>(c), ch, ce, p, RM_SLOT_DONOR);
                    } else {
                        vi.units.SetStatus(static_cast<std::size_t>(i), ch, ce, p, RM_SLOT_REFUSED);
                    }
                }
            }
        }
        ++processed;
        if (AP_INIState.EnPartialTbl == 0 && processed == limit) break;
    }
}

// Partial-remap donors lie before the boundary record: the first record whose slot is good, whose
// bad count is below the threshold and whose unit is above 1. Those records only change by giving
// a slot away (good -> donor, bad count up), so a forward cursor per slot suffices; a recount that
// had to count every record restarts the cursors.
std::uint32_t RM_PartialRemap(_VectorInfo& vi, RmHashBuffer hash) {
    const Walk w = MakeWalk();
    if (w.planes <= 0) return 0;
    const std::uint16_t thr = AP_INIState.RmpPartialTHR;
    const std::uint16_t threshold = AP_INIState.RemapThreshold;
    const std::size_t n = vi.units.size();

    std::uint16_t boundaryUnit = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (vi.units[i].badCount > thr) {
            boundaryUnit = vi.units[i].unit;
            break;
        }
    }
    TraceOut("Boundary BU:0x%04X\n", boundaryUnit);
    const int found = vi.units.Find(boundaryUnit);
    const std::size_t end = found >= 0 ? static_cast<std::size_t>(found) : n;

    std::vector<std::size_t> cursor(static_cast<std::size_t>(RM_MAX_CH * RM_MAX_CE * RM_MAX_PLANE), 0);
    PassRecount recount(vi);
    std::uint32_t made = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (vi.units[i].badCount <= thr) continue;
        const std::uint16_t unit = vi.units[i].unit;
        for (int ch = 0; ch < w.channels; ++ch) {
            for (int ce = 0; ce < w.ceCount; ++ce) {
                for (int p = 0; p < w.planes; ++p) {
                    const SuperBlockBadInfo& rec = vi.units[i];
                    if (!RM_IsRemapCandidate(rec.status[ch][ce][p], unit, rec.badCount, threshold, vi, p)) continue;
                    std::size_t& c = cursor[static_cast<std::size_t>((ch * RM_MAX_CE + ce) * RM_MAX_PLANE + p)];
                    while (c < end) {
                        const SuperBlockBadInfo& r = vi.units[c];
                        if (r.status[ch][ce][p] == RM_SLOT_GOOD && r.badCount < thr && r.unit > 1) {
                            if (!RM_IsLoaderUnit(vi, ch, ce, r.unit)) break;
                            RM_TraceLoaderUnitSkipped(ch, ce, r.unit, "remap donor");
                        }
                        ++c;
                    }
                    if (c >= end) continue;
                    const std::size_t donorPos = c;
                    if (RM_CheckRemapHash(ch, ce, p, unit, hash)) {
                        AppendRelation(vi.remap[ch][ce][p], vi.units[donorPos].unit, unit, ch, ce, p);
                        vi.units.SetStatus(i, ch, ce, p, RM_SLOT_REMAPPED);
                        vi.units.SetStatus(donorPos, ch, ce, p, RM_SLOT_DONOR);
                        ++made;
                    } else {
                        vi.units.SetStatus(i, ch, ce, p, RM_SLOT_REFUSED);
                    }
                    if (recount(vi, w)) std::fill(cursor.begin(), cursor.end(), 0);
                }
            }
        }
    }
    return made;
}

namespace {

// Lowest good plane of (ch, ce) in a record that may give a virtual replacement, or -1. A unit
// holding a loader block of the die never gives one.
int VirtDonorPlane(const _VectorInfo& vi, const SuperBlockBadInfo& r, int ch, int ce, int planes,
                   std::uint16_t lowerBound) {
    if (r.badCount == 0 || r.unit < lowerBound) return -1;
    int good = -1;
    for (int q = 0; q < planes; ++q) {
        if (r.status[ch][ce][q] == RM_SLOT_VIRTUAL) return -1;
        if (good < 0 && r.status[ch][ce][q] == RM_SLOT_GOOD) good = q;
    }
    if (good >= 0 && RM_IsLoaderUnit(vi, ch, ce, r.unit)) {
        RM_TraceLoaderUnitSkipped(ch, ce, r.unit, "virtual remap donor");
        return -1;
    }
    return good;
}

}  // namespace

// A virtual donor is the last record (anywhere but the defect's own) with a non-zero bad count, no
// virtually remapped plane and a good plane in (ch, ce). In the pass a record can only lose that:
// its good planes are given away, a plane becomes virtually remapped, its bad count falls to 0 when
// its own slots are covered. One backward cursor per (ch, ce) finds the donors; when the cursor
// stands on the defect's own record the next one is looked up without moving the cursor.
void vRM_VirtualRemap(_VectorInfo& vi, RmHashBuffer hash, std::uint16_t lowerBound) {
    const Walk w = MakeWalk();
    if (w.planes <= 0) return;
    const std::int64_t n = static_cast<std::int64_t>(vi.units.size());
    const std::int64_t total = n * w.planes;
    const std::int64_t vmax = RM_GetMaxCeBadCount(vi);
    const int maxRecords = static_cast<int>(std::ceil(static_cast<float>(total - vmax) / static_cast<float>(w.planes)));
    TraceOut("VIR MAX BAD = %d, TOTAL BLK=%d, MAX RMP=%d\r", static_cast<int>(vmax), static_cast<int>(total),
             maxRecords);
    const std::uint16_t threshold = AP_INIState.VirtRemapThreshold;

    std::vector<std::int64_t> cursor(static_cast<std::size_t>(RM_MAX_CH * RM_MAX_CE), n - 1);
    PassRecount recount(vi);
    int processed = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        const std::uint16_t unit = vi.units[static_cast<std::size_t>(i)].unit;
        if (unit <= lowerBound) continue;
        for (int ch = 0; ch < w.channels; ++ch) {
            for (int ce = 0; ce < w.ceCount; ++ce) {
                for (int p = 0; p < w.planes; ++p) {
                    const std::uint8_t s = vi.units[static_cast<std::size_t>(i)].status[ch][ce][p];
                    if (!RM_IsVirtRemapCandidate(s, unit, threshold, vi, p)) continue;
                    std::int64_t& c = cursor[static_cast<std::size_t>(ch * RM_MAX_CE + ce)];
                    while (c >= 0 &&
                           VirtDonorPlane(vi, vi.units[static_cast<std::size_t>(c)], ch, ce, w.planes, lowerBound) < 0) {
                        --c;
                    }
                    std::int64_t d = c;
                    if (d == i) {
                        --d;
                        while (d >= 0 && VirtDonorPlane(vi, vi.units[static_cast<std::size_t>(d)], ch, ce, w.planes,
                                                        lowerBound) < 0) {
                            --d;
                        }
                    }
                    if (d < 0) continue;
                    const SuperBlockBadInfo& donorRec = vi.units[static_cast<std::size_t>(d)];
                    // A donor in unit 0 reads as "no donor" (the search answers 0 for none).
                    if (donorRec.unit == 0) continue;
                    const int q = VirtDonorPlane(vi, donorRec, ch, ce, w.planes, lowerBound);
                    const std::uint16_t hashUnit =
                        static_cast<std::uint16_t>(unit + (w.superDie && ce >= w.banks ? w.lunOffset : 0));
                    if (RM_CheckRemapHash(ch, ce, p, hashUnit, hash)) {
                        const std::uint16_t good = static_cast<std::uint16_t>(donorRec.unit * w.planes + q);
                        const std::uint16_t defect = static_cast<std::uint16_t>(unit * w.planes + p);
                        AppendRelation(vi.virtRemap[ch][ce], good, defect, ch, ce, p);
                        vi.units.SetStatus(static_cast<std::size_t>(i), ch, ce, p,
                                           s == RM_SLOT_DONOR ? RM_SLOT_DONOR_VIRTUAL : RM_SLOT_VIRTUAL);
                        vi.units.SetStatus(static_cast<std::size_t>(d), ch, ce, q, RM_SLOT_VDONOR);
                        if (recount(vi, w)) std::fill(cursor.begin(), cursor.end(), n - 1);
                    } else if (s == RM_SLOT_BAD) {
                        // A refused slot that was given away as a remap replacement stays given away.
                        vi.units.SetStatus(static_cast<std::size_t>(i), ch, ce, p, RM_SLOT_REFUSED);
                    }
                }
            }
        }
        ++processed;
        if (processed == maxRecords) break;
    }
}

namespace {

// Positions of the relations of one lookup key, in list order; erased ones are skipped.
struct KeyQueue {
    std::vector<std::uint32_t> positions;
    std::size_t head = 0;
};

std::uint64_t RemapKey(int ch, int ce, int p, std::uint16_t defect, std::uint8_t plane) {
    return (static_cast<std::uint64_t>((ch * RM_MAX_CE + ce) * RM_MAX_PLANE + p) << 24) |
           (static_cast<std::uint64_t>(defect) << 8) | plane;
}

std::uint64_t VirtKey(int ch, int ce, std::uint16_t defect) {
    return (static_cast<std::uint64_t>(ch * RM_MAX_CE + ce) << 16) | defect;
}

void Compact(RmpList& list, const std::vector<std::uint8_t>& erased) {
    std::size_t out = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (erased[k] == 0) list[out++] = list[k];
    }
    list.resize(out);
}

}  // namespace

// Each undo removes the first relation of its key, so the lists are indexed by key once and the
// removed relations are dropped together at the end (the survivors keep their order).
std::uint32_t RM_UndoOverThreshold(_VectorInfo& vi) {
    const Walk w = MakeWalk();
    if (w.planes <= 0) return 0;
    const std::uint16_t t = AP_INIState.EnPartialTbl != 0 ? AP_INIState.RmpPartialTHR : 0;

    std::unordered_map<std::uint64_t, KeyQueue> remapIndex;
    std::unordered_map<std::uint64_t, KeyQueue> virtIndex;
    std::vector<std::uint8_t> remapErased[RM_MAX_CH][RM_MAX_CE][RM_MAX_PLANE];
    std::vector<std::uint8_t> virtErased[RM_MAX_CH][RM_MAX_CE];
    for (int ch = 0; ch < w.channels; ++ch) {
        for (int ce = 0; ce < w.ceCount; ++ce) {
            for (int p = 0; p < w.planes; ++p) {
                const RmpList& list = vi.remap[ch][ce][p];
                remapErased[ch][ce][p].assign(list.size(), 0);
                for (std::size_t k = 0; k < list.size(); ++k) {
                    remapIndex[RemapKey(ch, ce, p, list[k].defect, list[k].plane)].positions.push_back(
                        static_cast<std::uint32_t>(k));
                }
            }
            const RmpList& vlist = vi.virtRemap[ch][ce];
            virtErased[ch][ce].assign(vlist.size(), 0);
            for (std::size_t k = 0; k < vlist.size(); ++k) {
                virtIndex[VirtKey(ch, ce, vlist[k].defect)].positions.push_back(static_cast<std::uint32_t>(k));
            }
        }
    }
    auto take = [](std::unordered_map<std::uint64_t, KeyQueue>& index, std::uint64_t key, std::uint32_t& pos) {
        const auto it = index.find(key);
        if (it == index.end() || it->second.head >= it->second.positions.size()) return false;
        pos = it->second.positions[it->second.head++];
        return true;
    };

    PassRecount recount(vi);
    std::uint32_t undone = 0;
    for (std::size_t i = 0; i < vi.units.size(); ++i) {
        if (vi.units[i].badCount <= t) continue;
        const std::uint16_t unit = vi.units[i].unit;
        for (int ch = 0; ch < w.channels; ++ch) {
            for (int ce = 0; ce < w.ceCount; ++ce) {
                for (int p = 0; p < w.planes; ++p) {
                    const std::uint8_t s = vi.units[i].status[ch][ce][p];
                    std::uint32_t pos = 0;
                    if (s == RM_SLOT_REMAPPED || s == RM_SLOT_REMAPPED_ALT) {
                        if (!take(remapIndex, RemapKey(ch, ce, p, unit, static_cast<std::uint8_t>(p)), pos)) continue;
                        remapErased[ch][ce][p][pos] = 1;
                        const std::uint16_t good = vi.remap[ch][ce][p][pos].good;
                        vi.units.SetStatus(i, ch, ce, p, RM_SLOT_BAD);
                        const int donorPos = vi.units.Find(good);
                        if (donorPos >= 0 &&
                            vi.units[static_cast<std::size_t>(donorPos)].status[ch][ce][p] == RM_SLOT_DONOR_VIRTUAL) {
                            // The donor had been virtually remapped because it was given away; released,
                            // it needs that relation no more, and its own replacement is released too.
                            const std::uint16_t index = static_cast<std::uint16_t>(good * w.planes + p);
                            std::uint32_t vpos = 0;
                            if (take(virtIndex, VirtKey(ch, ce, index), vpos)) {
                                virtErased[ch][ce][vpos] = 1;
                                const std::uint16_t vgood = vi.virtRemap[ch][ce][vpos].good;
                                vRM_SetSlotStatus(ch, ce, vgood % w.planes,
                                                  static_cast<std::uint16_t>(vgood / w.planes), RM_SLOT_GOOD, vi);
                            }
                        }
                        vRM_SetSlotStatus(ch, ce, p, good, RM_SLOT_GOOD, vi);
                    } else if (s == RM_SLOT_VIRTUAL || s == RM_SLOT_DONOR_VIRTUAL) {
                        const std::uint16_t index = static_cast<std::uint16_t>(unit * w.planes + p);
                        if (!take(virtIndex, VirtKey(ch, ce, index), pos)) continue;
                        virtErased[ch][ce][pos] = 1;
                        const std::uint16_t good = vi.virtRemap[ch][ce][pos].good;
                        // A slot given away as a remap replacement stays given away.
                        vi.units.SetStatus(i, ch, ce, p, s == RM_SLOT_DONOR_VIRTUAL ? RM_SLOT_DONOR : RM_SLOT_BAD);
                        vRM_SetSlotStatus(ch, ce, good % w.planes, static_cast<std::uint16_t>(good / w.planes),
                                          RM_SLOT_GOOD, vi);
                    } else {
                        continue;
                    }
                    ++undone;
                    recount(vi, w);
                }
            }
        }
    }
    for (int ch = 0; ch < w.channels; ++ch) {
        for (int ce = 0; ce < w.ceCount; ++ce) {
            for (int p = 0; p < w.planes; ++p) Compact(vi.remap[ch][ce][p], remapErased[ch][ce][p]);
            Compact(vi.virtRemap[ch][ce], virtErased[ch][ce]);
        }
    }
    return undone;
}

bool RM_EraseRemap(int ch, int ce, int plane, std::uint16_t unit, _VectorInfo& vi) {
    const int pos = RM_FindRemapRelation(ch, ce, plane, unit, vi);
    if (pos < 0) return false;
    RmpList& list = vi.remap[ch][ce][plane];
    list.erase(list.begin() + pos);
    return true;
}

bool RM_EraseVirtRemap(int ch, int ce, int plane, std::uint16_t unit, _VectorInfo& vi) {
    const std::uint16_t index = static_cast<std::uint16_t>(unit * AP_FlashSet.ucPlanes + plane);
    const int pos = RM_FindVirtRelation(ch, ce, index, vi);
    if (pos < 0) return false;
    RmpList& list = vi.virtRemap[ch][ce];
    list.erase(list.begin() + pos);
    return true;
}
