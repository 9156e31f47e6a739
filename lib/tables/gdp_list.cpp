#include "tables/gdp_list.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "platform/clock.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace tables {

GdpList::GdpList(std::uint8_t* bytes, std::size_t size) : bytes_(bytes) {
    const std::size_t words = bytes == nullptr ? 0 : size / 4;
    slots_ = static_cast<std::uint32_t>(std::min<std::size_t>(words, RM_GDP_MAX_ENTRIES + 1));
    maxEntries_ = slots_ == 0 ? 0 : slots_ - 1;
}

std::uint32_t GdpList::Count() const {
    for (std::uint32_t i = 0; i < maxEntries_; ++i) {
        if (Get(i) == 0) return i;
    }
    return maxEntries_;
}

bool GdpList::Terminated() const {
    for (std::uint32_t i = 0; i < slots_; ++i) {
        if (Get(i) == 0) return true;
    }
    return false;
}

bool GdpList::Append(std::uint32_t entry) {
    const std::uint32_t n = Count();
    if (n >= maxEntries_) {
        ++refused_;
        TraceOut("######### - GDP list full (%u entries): entry %08X refused fail!\n", maxEntries_, entry);
        return false;
    }
    Set(n, entry == 0 ? RM_GDP_KEEP : entry);
    Set(n + 1, 0);
    return true;
}

}  // namespace tables

namespace {

std::uint32_t NonZero(std::uint32_t v) {
    return v == 0 ? RM_GDP_KEEP : v;
}

}  // namespace

std::uint32_t RM_MergeGdpList(tables::GdpList& list) {
    const std::uint32_t n = list.Count();
    // Each block keeps its first position; later entries of the block are ANDed into it. This is
    // the result of comparing every pair in list order, in one pass.
    std::vector<std::uint32_t> kept;
    kept.reserve(n);
    std::unordered_map<std::uint32_t, std::uint32_t> first;
    first.reserve(n * 2 + 1);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t e = list.Get(i);
        const auto [it, inserted] = first.try_emplace(e & RM_GDP_BLOCK_MASK, static_cast<std::uint32_t>(kept.size()));
        if (inserted) {
            kept.push_back(e);
        } else {
            kept[it->second] = NonZero(kept[it->second] & e);
        }
    }
    for (std::uint32_t i = 0; i < n; ++i) list.Set(i, i < kept.size() ? kept[i] : 0);
    platform::Sleep(10);
    return static_cast<std::uint32_t>(kept.size());
}

bool RM_PadPerPlaneBad(int port, tables::GdpList& list) {
    (void)port;
    const RM_Geometry g = RM_GetGeometry();
    RM_MergeGdpList(list);

    const int bankCount = AP_FlashSet.ucBankNum;
    const int ceCount = std::min<int>(g.ceCount, RM_MAX_CE);
    const int channels = std::min<int>(g.channels, RM_MAX_CH);
    const int planes = std::min<int>(g.planes, RM_MAX_PLANE);
    std::uint16_t counter[RM_MAX_CH][16][RM_MAX_PLANE] = {};
    // (channel, CE, unit) -> planes some entry calls bad.
    std::unordered_map<std::uint32_t, std::uint8_t> badPlanes;
    auto key = [](int ch, int ce, std::uint32_t unit) {
        return (static_cast<std::uint32_t>(ch * 16 + ce) << 16) | unit;
    };

    const std::uint32_t n = list.Count();
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t e = list.Get(i);
        const int ch = RM_GdpChannel(e);
        const int ce = RM_GdpCeIndex(e, bankCount);
        if (ch >= channels || ce >= ceCount) continue;  // outside the geometry: the distribution reports it
        const std::uint8_t mask = RM_GdpPlaneByte(e);
        for (int p = 0; p < planes; ++p) {
            if ((mask & (1u << p)) != 0) continue;
            ++counter[ch][ce][p];
            badPlanes[key(ch, ce, RM_GdpUnit(e))] |= static_cast<std::uint8_t>(1u << p);
        }
    }
    for (int ch = 0; ch < channels; ++ch) {
        for (int ce = 0; ce < ceCount; ++ce) {
            for (int p = 0; p < planes; ++p) TraceOut("C:%d B:%d P:%d BB_CNT= %d\n", ch, ce, p, counter[ch][ce][p]);
        }
    }

    const std::uint16_t wanted = AP_INIState.PerPlaneBad;
    const std::uint8_t fullMask = RM_GetPlaneMask();
    bool complete = true;
    for (int u = static_cast<int>(g.unitsExt) - 1; u >= 4 && complete; --u) {
        for (int ch = 0; ch < channels && complete; ++ch) {
            for (int ce = 0; ce < ceCount && complete; ++ce) {
                for (int p = 0; p < planes; ++p) {
                    if (counter[ch][ce][p] >= wanted) continue;
                    std::uint8_t& bad = badPlanes[key(ch, ce, static_cast<std::uint32_t>(u))];
                    if ((bad & (1u << p)) != 0) continue;
                    const std::uint8_t planeByte = static_cast<std::uint8_t>(0x80 | (fullMask & ~(1u << p)));
                    const std::uint32_t entry = (static_cast<std::uint32_t>((ch << 5) | (ce & 7)) << 24) |
                                                (static_cast<std::uint32_t>(planeByte) << 16) |
                                                static_cast<std::uint32_t>(u);
                    if (!list.Append(entry)) {
                        complete = false;
                        break;
                    }
                    bad |= static_cast<std::uint8_t>(1u << p);
                    ++counter[ch][ce][p];
                }
            }
        }
    }
    if (!complete) {
        TraceOut("######### - Per-plane bad fill stopped: the GDP list holds %u entries fail!\n", list.MaxEntries());
    }
    RM_MergeGdpList(list);
    return complete;
}

std::uint32_t RM_DistributeGdpList(int port, tables::GdpList& list, _VectorInfo& vi) {
    (void)port;
    const RM_Geometry g = RM_GetGeometry();
    const std::uint32_t n = list.Count();
    struct Item {
        std::uint16_t unit;
        std::uint32_t entry;
    };
    std::vector<Item> items;
    items.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t e = list.Get(i);
        const int ch = RM_GdpChannel(e);
        const int ce = RM_GdpCeIndex(e, g.banks);
        if (ch >= g.channels || ch >= RM_MAX_CH || ce >= g.ceCount || ce >= RM_MAX_CE) {
            ++vi.skippedEntries;
            TraceOutToFile(vi.log, "######### - GDP entry %08X outside the geometry (CH %d, CE %d) skipped\n", e, ch,
                           ce);
            continue;
        }
        if (RM_GdpUnit(e) >= g.dieUnit) continue;  // extended blocks and fill above the die stay out
        items.push_back({RM_GdpUnit(e), e});
    }
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.unit < b.unit; });
    for (const Item& it : items) {
        const int ch = RM_GdpChannel(it.entry);
        const int ce = RM_GdpCeIndex(it.entry, g.banks);
        MptDefRecord r{};
        r.unit = it.unit;
        r.planeByte = static_cast<std::uint8_t>(RM_GdpPlaneByte(it.entry) & ~(RM_GDP_KEEP >> 16));
        r.location = static_cast<std::uint8_t>((ch << 5) | ce);
        r.reserved = 0;
        vi.defBelow[ch][ce].push_back(r);
    }
    return static_cast<std::uint32_t>(items.size());
}

bool RM_AddListEntry(std::uint32_t entry, tables::GdpList& list) {
    const std::uint32_t n = list.Count();
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t existing = list.Get(i);
        if ((existing & RM_GDP_BLOCK_MASK) != (entry & RM_GDP_BLOCK_MASK)) continue;
        const std::uint32_t merged = ((existing & entry) & ~0x00F00000u) | (entry & 0x00F00000u);
        list.Set(i, NonZero(merged));
        return false;
    }
    return list.Append(entry);
}
