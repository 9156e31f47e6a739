#include "tables/remap_rules.h"

#include "settings/records.h"
#include "transport/trace.h"

bool RM_PartialPolicyAllows(std::uint32_t badCount) {
    if (AP_INIState.PartialRemapPolicy == 1) return badCount > AP_INIState.RmpPartialTHR;
    return true;
}

namespace {

// Units 0 and 1: only plane blocks above both loader blocks are candidates.
bool LoaderBlockRule(std::uint8_t s, std::uint16_t u, const _VectorInfo& vi, int p) {
    const std::uint32_t block = static_cast<std::uint32_t>(u) * AP_FlashSet.ucPlanes + static_cast<std::uint32_t>(p);
    if (s != RM_SLOT_BAD || block <= vi.loaderBlock[0] || block <= vi.loaderBlock[1]) return false;
    TraceOut("Skip Ldr Block=%d,%d but remap block:%d\n", vi.loaderBlock[0], vi.loaderBlock[1],
             static_cast<int>(block));
    return true;
}

}  // namespace

bool RM_IsRemapCandidate(std::uint8_t s, std::uint16_t u, std::uint32_t c, std::uint16_t T, const _VectorInfo& vi,
                         int p) {
    const std::uint16_t filter = AP_INIState.RemapFilter;
    if (filter == 3) return s == RM_SLOT_BAD && u > 0 && T > 0 && u > T && RM_PartialPolicyAllows(c);
    if ((filter & 1) != 0 && c > 0) return s == RM_SLOT_BAD && RM_PartialPolicyAllows(c);
    if ((filter & 2) != 0 && T > 0) return u > 0 && s == RM_SLOT_BAD && u > T;
    if (u >= 2) return s == RM_SLOT_BAD;
    return LoaderBlockRule(s, u, vi, p);
}

bool RM_IsVirtRemapCandidate(std::uint8_t s, std::uint16_t u, std::uint16_t T, const _VectorInfo& vi, int p) {
    if ((AP_INIState.RemapFilter & 2) != 0 && T > 0) return u > 0 && s == RM_SLOT_BAD && u > T;
    if (u >= 2) return s == RM_SLOT_BAD || s == RM_SLOT_DONOR;
    return LoaderBlockRule(s, u, vi, p);
}

namespace {

bool SlotInArrays(int ch, int ce, int p) {
    return ch >= 0 && ch < RM_MAX_CH && ce >= 0 && ce < RM_MAX_CE && p >= 0 && p < RM_MAX_PLANE;
}

}  // namespace

std::uint16_t RM_FindDonorBounded(int ch, int ce, int p, std::uint16_t unit, std::uint16_t boundary,
                                  const _VectorInfo& vi) {
    if (!SlotInArrays(ch, ce, p)) return 0;
    for (std::size_t i = vi.units.size(); i-- > 0;) {
        const SuperBlockBadInfo& r = vi.units[i];
        if (r.unit == unit) return 0;
        if (r.status[ch][ce][p] == RM_SLOT_GOOD && r.unit > 1 && RM_DonorSideOk(r.unit, unit, boundary)) {
            if (!RM_IsLoaderUnit(vi, ch, ce, r.unit)) return r.unit;
            RM_TraceLoaderUnitSkipped(ch, ce, r.unit, "remap donor");
        }
    }
    return 0;
}

std::uint16_t RM_FindDonor(int ch, int ce, int p, std::uint16_t unit, const _VectorInfo& vi) {
    return RM_FindDonorBounded(ch, ce, p, unit, 0, vi);
}

std::uint16_t RM_FindPartialDonor(int ch, int ce, int p, std::uint16_t boundaryUnit, const _VectorInfo& vi) {
    if (!SlotInArrays(ch, ce, p)) return 0;
    for (const SuperBlockBadInfo& r : vi.units) {
        if (r.unit == boundaryUnit) break;
        if (r.status[ch][ce][p] == RM_SLOT_GOOD && r.badCount < AP_INIState.RmpPartialTHR && r.unit > 1) {
            if (!RM_IsLoaderUnit(vi, ch, ce, r.unit)) return r.unit;
            RM_TraceLoaderUnitSkipped(ch, ce, r.unit, "remap donor");
        }
    }
    return 0;
}

std::uint16_t RM_FindVirtDonor(int ch, int ce, std::uint8_t& plane, std::uint16_t unit, const _VectorInfo& vi,
                               std::uint16_t lowerBound) {
    if (!SlotInArrays(ch, ce, 0)) return 0;
    const int planes = AP_FlashSet.ucPlanes < RM_MAX_PLANE ? AP_FlashSet.ucPlanes : RM_MAX_PLANE;
    for (std::size_t i = vi.units.size(); i-- > 0;) {
        const SuperBlockBadInfo& r = vi.units[i];
        if (r.unit == unit || r.badCount == 0 || r.unit < lowerBound) continue;
        int good = -1;
        bool virtualised = false;
        for (int q = 0; q < planes; ++q) {
            if (r.status[ch][ce][q] == RM_SLOT_VIRTUAL) virtualised = true;
            if (good < 0 && r.status[ch][ce][q] == RM_SLOT_GOOD) good = q;
        }
        if (virtualised || good < 0) continue;
        if (RM_IsLoaderUnit(vi, ch, ce, r.unit)) {
            RM_TraceLoaderUnitSkipped(ch, ce, r.unit, "virtual remap donor");
            continue;
        }
        plane = static_cast<std::uint8_t>(good);
        return r.unit;
    }
    return 0;
}

bool RM_CheckRemapHash(int ch, int ce, int p, std::uint16_t u, RmHashBuffer hash) {
    if (u == 0xFFFF) return true;
    const int banks = AP_INIState.MaxPhyBank == 0 ? 1 : AP_INIState.MaxPhyBank;
    const std::uint32_t physCe = AP_INIState.FwBankSet[(ce % banks) & 3];
    const std::uint32_t planes = AP_FlashSet.ucPlanes;
    const std::uint16_t offset = AP_FlashSet.wLunBlockOffset;
    std::uint16_t block = static_cast<std::uint16_t>(u * planes + static_cast<std::uint32_t>(p));
    std::uint32_t die = 0;
    if (bRM_IsSuperDie()) {
        die = u > offset ? 1 : 0;
    } else if (offset > 0 && ce >= banks) {
        block = static_cast<std::uint16_t>(block + offset * planes);
        die = 1;
    }
    const std::uint32_t key =
        (block | (static_cast<std::uint32_t>(ch) << 16) | (physCe << 19) | (die << 23)) & 0x1FFFFFFu;
    const std::uint32_t h = ((key >> 12) & 0xFFF) ^ (key & 0xFFF);
    if (hash[h & 0x7FF] < RM_HASH_BUCKET_MAX) {
        ++hash[h & 0x7FF];
        return true;
    }
    if (hash[h] < RM_HASH_BUCKET_MAX) {
        ++hash[h];
        return true;
    }
    // Counting refusals must never wrap the bucket back to "room".
    if (hash[h] < 0xFF) ++hash[h];
    TraceOut("=====================================================\n");
    TraceOut("Fail: CH=%x, CE=%x, DIE=%x, BLK=%2x, Entry=%4d (%d) \n", static_cast<unsigned>(ch), physCe, die,
             static_cast<unsigned>(block), static_cast<int>(h), hash[h]);
    return false;
}
