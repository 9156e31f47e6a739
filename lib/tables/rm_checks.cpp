#include "tables/rm_checks.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "settings/records.h"
#include "tables/le_bytes.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

bool PortOk(int port) {
    return port >= 0 && port < kPortCount;
}

std::uint16_t Clamp16(std::int64_t v) {
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 0xFFFF));
}

std::uint32_t Clamp32(std::int64_t v) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(v, 0, 0xFFFFFFFFll));
}

// Threshold of the bad-unit counts: RmpPartialTHR in partial-good mode, else 0.
std::uint32_t BadCountThreshold() {
    return AP_INIState.EnPartialTbl != 0 ? AP_INIState.RmpPartialTHR : 0u;
}

// Statuses that make a slot count towards the bad units of its die (anything but good or covered).
struct DieBadTable {
    bool bad[256];
    constexpr DieBadTable() : bad{} {
        for (int s = 0; s < 256; ++s) {
            bad[s] = s != RM_SLOT_GOOD && s != RM_SLOT_REMAPPED && s != RM_SLOT_REMAPPED_ALT && s != RM_SLOT_VIRTUAL &&
                     s != RM_SLOT_DONOR_VIRTUAL;
        }
    }
};
constexpr DieBadTable kDieBad;

bool CountsAsDieBad(std::uint8_t s) {
    return kDieBad.bad[s];
}

void Record(std::uint8_t (&r)[RM_FAIL_RECORD_SIZE], std::uint8_t code, std::uint8_t b1, std::uint8_t b2,
            std::uint16_t w4, std::uint16_t w6) {
    std::memset(r, 0, sizeof r);
    r[0] = code;
    r[1] = b1;
    r[2] = b2;
    tables::PutLe16(r + 4, w4);
    tables::PutLe16(r + 6, w6);
}

}  // namespace

void RM_ResetFailRecords(std::span<std::uint8_t> work) {
    std::memset(work.data(), 0, std::min(work.size(), RM_FAIL_AREA_BYTES));
}

bool RM_AddFailRecord(std::span<std::uint8_t> work, const std::uint8_t (&record)[RM_FAIL_RECORD_SIZE]) {
    if (work.empty()) return false;
    if (work[0] >= RM_FAIL_MAX_RECORDS) {
        TraceOut("######### - Failure detail holds %d records: code %d record dropped\n", work[0], record[0]);
        return false;
    }
    return RM_AppendFailRecord(work.data(), std::min(work.size(), RM_FAIL_AREA_BYTES), record);
}

void RM_SetOnlyFailRecord(std::span<std::uint8_t> work, const std::uint8_t (&record)[RM_FAIL_RECORD_SIZE]) {
    if (work.empty()) return;
    work[0] = 0;
    RM_AddFailRecord(work, record);
}

RM_DefectRatio RM_CalcDefectRatio(int port, _VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    const std::uint32_t t = BadCountThreshold();
    std::uint32_t units = 0;
    std::uint32_t slots = 0;
    std::uint32_t extSlots = 0;
    for (const SuperBlockBadInfo& r : vi.units) {
        if (r.badCount <= t) continue;
        ++units;
        slots += r.badCount;
    }
    for (const SuperBlockBadInfo& r : vi.unitsExt) {
        if (r.badCount > t) extSlots += r.badCount;
    }
    const double ratio = g.dieUnit == 0 ? 0.0 : static_cast<double>(units) / g.dieUnit;
    TraceOutToFile(vi.log, "[INFO] Total Bad : %d\n", static_cast<int>(slots));
    TraceOutToFile(vi.log, "[INFO] Total Ext Bad : %d\n", static_cast<int>(extSlots));
    TraceOutToFile(vi.log, "[INFO] SBU Bad Count : %d\n", static_cast<int>(units));
    TraceOutToFile(vi.log, "[INFO] AP_INIState.RmpPartialTHR : %d, wBadCountTHRD : %d\n", AP_INIState.RmpPartialTHR,
                   static_cast<int>(t));
    TraceOutToFile(vi.log, "[INFO] Defect Ratio : %.2f%%\n", ratio * 100.0);
    RM_DefectRatio out{static_cast<std::uint16_t>(std::min<std::uint32_t>(units, 0xFFFF)), slots + extSlots};
    if (PortOk(port)) {
        AP_INIState.wPortBadCount[port] = out.badUnits;
        AP_INIState.dwPortBadCount[port] = out.badSlots;
    }
    return out;
}

void RM_StoreDefectRatio(std::span<std::uint8_t> badCount, std::size_t offset, const RM_DefectRatio& ratio) {
    if (offset > badCount.size() || badCount.size() - offset < 6) return;
    tables::PutLe16(badCount.data() + offset, ratio.badUnits);
    tables::PutLe32(badCount.data() + offset + 2, ratio.badSlots);
}

void RM_CountDefectPerDie(int port, RM_DieCounts& out, _VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    const int channels = std::min<int>(g.channels, RM_MAX_CH);
    const int ceCount = std::min<int>(g.ceCount, RM_MAX_CE);
    const int planes = std::min<int>(g.planes, RM_MAX_PLANE);
    std::memset(out, 0, sizeof out);
    TraceOutToFile(vi.log, "===[%d] Defect Per Die (Physical)===\n", port);
    bool present[RM_MAX_CH][RM_MAX_CE] = {};
    for (int ch = 0; ch < channels; ++ch) {
        for (int ce = 0; ce < ceCount; ++ce) present[ch][ce] = RM_IsDiePresent(g, ch, ce);
    }
    for (const SuperBlockBadInfo& r : vi.units) {
        for (int ch = 0; ch < channels; ++ch) {
            for (int ce = 0; ce < ceCount; ++ce) {
                if (!present[ch][ce]) continue;
                for (int p = 0; p < planes; ++p) {
                    if (!CountsAsDieBad(r.status[ch][ce][p])) continue;
                    ++out[ch][ce];
                    break;
                }
            }
        }
    }
    for (int ch = 0; ch < channels; ++ch) {
        for (int ce = 0; ce < ceCount; ++ce) {
            if (present[ch][ce]) TraceOutToFile(vi.log, "C:%d B:%d Bad:%d\n", ch, ce, out[ch][ce]);
        }
    }
}

std::uint32_t RM_EarlyRatioLimit() {
    const std::uint32_t perMille =
        AP_INIState.ManualDefPercentage != 0 ? AP_INIState.ManualDefPercentage : AP_INIState.DefPercentage;
    return static_cast<std::uint32_t>(AP_FlashSet.wDieUnit) * perMille / 1000u;
}

bool bRM_CheckEarlyRatio(int port, std::span<std::uint8_t> badCount, std::span<std::uint8_t> work, _VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    const std::uint32_t limit = RM_EarlyRatioLimit();
    RM_DieCounts perDie;
    RM_CountDefectPerDie(port, perDie, vi);
    if (badCount.size() >= 128) {
        for (int ch = 0; ch < RM_MAX_CH; ++ch) {
            for (int ce = 0; ce < RM_MAX_CE; ++ce) {
                tables::PutLe16(badCount.data() + 2 * (ch * RM_MAX_CE + ce), perDie[ch][ce]);
            }
        }
    }
    const std::uint16_t earlyUnits =
        badCount.size() >= RM_BADCOUNT_EARLY + 2 ? tables::GetLe16(badCount.data() + RM_BADCOUNT_EARLY) : 0;
    const std::uint16_t limit16 = Clamp16(limit);
    std::uint8_t record[RM_FAIL_RECORD_SIZE];
    bool pass = true;
    if (earlyUnits > limit) {
        Record(record, RM_FAIL_DEFECT_RATIO, g.channels, static_cast<std::uint8_t>(g.banks * g.dies), earlyUnits,
               limit16);
        RM_AddFailRecord(work, record);
        pass = false;
    }
    for (int ch = 0; ch < std::min<int>(g.channels, RM_MAX_CH); ++ch) {
        for (int ce = 0; ce < std::min<int>(g.ceCount, RM_MAX_CE); ++ce) {
            if (perDie[ch][ce] <= limit) continue;
            Record(record, RM_FAIL_DEFECT_RATIO, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(ce),
                   perDie[ch][ce], limit16);
            RM_AddFailRecord(work, record);
        }
    }
    TraceOutToFile(vi.log, pass ? "[INFO] EARLY RATIO IS PASS.\n" : "[INFO] EARLY RATIO IS OVER!!\n");
    return pass;
}

bool bRM_CheckCapacity(int port, std::span<std::uint8_t> work, _VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    const std::int64_t planes = g.planes;
    const std::uint32_t t = BadCountThreshold();
    const std::uint32_t firstUnit = g.planes == 0 ? 0 : 4u / g.planes;
    std::int64_t physBad = 0;
    std::int64_t badUnits = 0;
    std::int64_t partialBad = 0;
    for (const SuperBlockBadInfo& r : vi.units) {
        physBad += r.badCount;
        if (r.unit <= firstUnit) continue;
        if (r.badCount > t) {
            ++badUnits;
        } else if (r.badCount != 0) {
            partialBad += r.badCount;
        }
    }
    const std::int64_t fwNeed = AP_OtSet.wFwNeedBU;
    const std::int64_t dieCount = AP_INIState.bDieNumCount;
    const std::int64_t unavailable = (fwNeed + badUnits) * dieCount * planes + partialBad;
    const std::int64_t usable =
        (static_cast<std::int64_t>(g.dieUnit) - badUnits - fwNeed) * dieCount * planes - partialBad;
    const std::int64_t needed = dieCount * static_cast<std::int64_t>(AP_OtSet.dwNeedDataBU) * planes;
    const std::uint32_t unavailable32 = Clamp32(unavailable);
    if (PortOk(port)) AP_Instance[port].dwUserUnAvailBlk = unavailable32;

    TraceOutToFile(vi.log, "[INFO] TotalBU=%d, MAX_PLANE=%d\n", g.dieUnit, g.planes);
    TraceOutToFile(vi.log, "[INFO] dwBadBUCount=%lld, AP_OtSet.wFwNeedBU=%d AP_INIState.bDieNumCount=%d \n",
                   static_cast<long long>(badUnits), AP_OtSet.wFwNeedBU, AP_INIState.bDieNumCount);
    const bool capacityMet = needed < usable;
    if (capacityMet) {
        TraceOutToFile(vi.log, "[INFO] MEET CAPACITY!! (Usable BLOCK:%lld OVER %lld BLOCK)\n",
                       static_cast<long long>(usable), static_cast<long long>(usable - needed));
    } else {
        TraceOutToFile(vi.log, "[INFO] NOT MEET CAPACITY!! (Usable BLOCK:%lld LACK %lld BLOCK)\n",
                       static_cast<long long>(usable), static_cast<long long>(usable - needed));
    }

    const std::int64_t blocksPerPlane =
        g.dies == 0 || g.planes == 0 ? 0 : static_cast<std::int64_t>(AP_FlashSet.wBlocks) / g.dies / g.planes;
    const std::int64_t slcUsable = blocksPerPlane - static_cast<std::int64_t>(RM_GetMaxPlaneBadCount(vi));
    const std::int64_t slcNeeded = firstUnit + static_cast<std::int64_t>(AP_INIState.QBT_Qnty) + fwNeed + 5;
    const bool slcMet = slcNeeded < slcUsable;
    TraceOutToFile(vi.log,
                   slcMet ? "[INFO] MEET SLC REQUIRE(USABLE:%lld NEED:%lld)\n"
                          : "[INFO] NOT MEET SLC REQUIRE(USABLE:%lld NEED:%lld)\n",
                   static_cast<long long>(slcUsable), static_cast<long long>(slcNeeded));

    const AP_Instance_t* inst = PortOk(port) ? &AP_Instance[port] : nullptr;
    TraceOutToFile(vi.log, "[INFO] wBadCountTHRD : %d\n", static_cast<int>(t));
    TraceOutToFile(vi.log, "[INFO] wHSPD_BLK_Qnty_Count : 0x%X\n", inst ? inst->wHSPD_BLK_Qnty_Count : 0u);
    TraceOutToFile(vi.log, "[INFO] wScanBlockUnit : 0x%X\n", inst ? inst->wScanBlockUnit : 0u);
    TraceOutToFile(vi.log, "[INFO] Total PhyBad : %lld\n", static_cast<long long>(physBad));
    TraceOutToFile(vi.log, "[INFO] Bad SBU Count : %lld\n", static_cast<long long>(badUnits));
    TraceOutToFile(vi.log, "[INFO] FW Need BU (FIX SLC + SYS BU) : %d\n", AP_OtSet.wFwNeedBU);
    TraceOutToFile(vi.log, "[INFO] dwPartialBadCnt : %lld\n", static_cast<long long>(partialBad));
    TraceOutToFile(vi.log, "[INFO] dwUserUnAvailBlk : %lld\n", static_cast<long long>(unavailable32));
    TraceOutToFile(vi.log, "[INFO] Total Need Data BU : %lld\n", static_cast<long long>(needed));

    std::uint8_t record[RM_FAIL_RECORD_SIZE];
    const auto channels = g.channels;
    const auto ceCount = static_cast<std::uint8_t>(g.banks * g.dies);
    if (!capacityMet) {
        const std::uint32_t usable32 = Clamp32(usable);
        Record(record, RM_FAIL_DEFECT_RATIO, channels, ceCount, static_cast<std::uint16_t>(usable32 >> 16),
               static_cast<std::uint16_t>(usable32 & 0xFFFF));
        const std::uint32_t needed32 = Clamp32(needed);
        for (int i = 0; i < 4; ++i) record[8 + i] = static_cast<std::uint8_t>(needed32 >> (24 - 8 * i));
        RM_SetOnlyFailRecord(work, record);
    } else if (!slcMet) {
        Record(record, RM_FAIL_SLC, channels, ceCount, Clamp16(slcUsable), Clamp16(slcNeeded));
        RM_SetOnlyFailRecord(work, record);
    }
    return capacityMet && slcMet;
}

bool bRM_CheckRemapAmount(std::span<std::uint8_t> work, const RemapCounts& counts, _VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    const std::uint64_t pageSize = g.pageSize;
    bool pass = true;
    for (int c = 0; c < std::min<int>(g.channels, RM_MAX_CH); ++c) {
        if (static_cast<std::uint64_t>(RM_GetChRemapTotal(c, vi, counts)) * 4 > pageSize) {
            TraceOutToFile(vi.log, "[ERROR] CH:%d Remap Table Over Page Size!!\n", c);
            pass = false;
        }
        if (static_cast<std::uint64_t>(RM_GetChVRemapTotal(c, vi, counts)) * 4 > pageSize) {
            TraceOutToFile(vi.log, "[ERROR] CH:%d Virtual Remap Table Over Page Size!!\n", c);
            pass = false;
        }
    }
    // 32-bit sums: a total can never wrap below the limit.
    std::int64_t total = static_cast<std::int64_t>(counts[RM_COUNT_VALID]) + counts[RM_COUNT_VIRT_VALID];
    TraceOutToFile(vi.log, "[INFO] Total Valid Remap = %lld\n", static_cast<long long>(total));
    if (total > 8192) {
        TraceOutToFile(vi.log, "[ERROR] Over 8192 Entry\n");
        pass = false;
    }
    total += counts[RM_COUNT_RESERVE];
    TraceOutToFile(vi.log, "[INFO] Total Valid + Rsvd Remap = %lld\n", static_cast<long long>(total));
    if (total > 8192) {
        TraceOutToFile(vi.log, "[ERROR] Too many Reserve Remap %lld\n", static_cast<long long>(total));
        pass = false;
    }
    if (!pass) {
        std::uint8_t record[RM_FAIL_RECORD_SIZE];
        Record(record, RM_FAIL_REMAP_AMOUNT, 0, 0, 0, 0);
        RM_AddFailRecord(work, record);
    }
    return pass;
}

void vRM_LogVirtRemapRatio(int port, _VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    const std::size_t bytes = std::min<std::size_t>(g.dieUnit / 8u, sizeof vi.virtualPlaneMap);
    int count = 0;
    for (std::size_t i = 0; i < bytes; ++i) count += std::popcount(vi.virtualPlaneMap[i]);
    const double ratio = g.dieUnit == 0 ? 0.0 : static_cast<double>(count) / g.dieUnit * 100.0;
    TraceOutToFile(vi.log, "\n===[%d]Virtual Remap Ratio===\n", port);
    TraceOutToFile(vi.log, "[INFO] Virtual SBU Count : %d\n", count);
    TraceOutToFile(vi.log, "[INFO] Virtual Remap Ratio : %.2f%%\n", ratio);
}
