#include "settings/idema_ratio.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "settings/flash_list.h"
#include "settings/records.h"
#include "transport/tool_records.h"
#include "transport/trace.h"

namespace settings {

namespace {

using Ld = long double;

// Truncation toward zero through 64 bits, never undefined.
std::int64_t Trunc64(Ld value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<Ld>(std::numeric_limits<std::int64_t>::max())) return std::numeric_limits<std::int64_t>::max();
    if (value <= static_cast<Ld>(std::numeric_limits<std::int64_t>::min())) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// A step rounded to single precision (a stored float or the argument of ceil or floor).
Ld Single(Ld value) {
    return static_cast<Ld>(static_cast<float>(value));
}

std::int64_t Ceil(Ld value) {
    return Trunc64(std::ceil(static_cast<float>(value)));
}

std::int64_t Floor(Ld value) {
    return Trunc64(std::floor(static_cast<float>(value)));
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

constexpr Ld kSingle0932 = static_cast<Ld>(0.932f);

// Pages per block used for a cell mode: one-bit mode divides by the bits of the cell type.
unsigned PagesForMode(unsigned pages) {
    if (AP_INIState.PureSLC == 0) return pages;
    switch (AP_FlashSet.ucFlashType) {
        case 1:
            return pages / 2;
        case 2:
            return pages / 3;
        case 3:
            return pages / 4;
        default:
            return pages;
    }
}

void WriteSectors(Ld capacity) {
    const auto sectors = static_cast<std::uint64_t>(Trunc64(capacity * 1953504 + 21168));
    AP_INIState.CapacitySectorLow = static_cast<std::uint32_t>(sectors);
    AP_INIState.CapacitySectorHigh = static_cast<std::uint32_t>(sectors >> 32);
    TraceOut("AP_INIState.IDEMACapacity = %d(10),%3.2f(f)\n", AP_INIState.IDEMACapacity,
             static_cast<double>(AP_INIState.fIDEMACapacity));
    TraceOut("dwCapacitySector = %d(10)  %x(16)\n", static_cast<int>(static_cast<std::uint32_t>(sectors)),
             static_cast<unsigned>(sectors));
    TraceOut("High = %08x(16)  , LOW = %08x(16)\n", AP_INIState.CapacitySectorHigh, AP_INIState.CapacitySectorLow);
}

// The block-unit budget both operations share, from wDataBU on.
struct Budget {
    unsigned blockUnits = 0, sys = 0, fix = 0, vd = 0, merge = 0;
    std::int64_t dataBU = 0, parityBU = 0, superBU = 0, rollBU = 0, badBlock = 0, totalGood = 0, defect = 0;
};

// False (traced) when the RAID group size is 0 with RAID on.
bool SuperBlockUnits(Budget& b) {
    const unsigned dies = AP_INIState.bDieNumCount;
    if (AP_INIState.EnVD != 0) {
        if (b.vd == 0) {
            TraceOut("######### - VDieRaidNum is 0 with EnVD set, nothing more is computed\n");
            return false;
        }
        b.parityBU = Ceil(static_cast<Ld>(b.dataBU) / b.vd);
        b.superBU = static_cast<std::uint16_t>(Ceil(static_cast<Ld>(b.dataBU + b.parityBU) * dies / b.vd));
    } else {
        b.parityBU = 0;
        b.superBU = b.dataBU;
    }
    b.parityBU = static_cast<std::uint16_t>(b.parityBU);
    TraceOut("wVDParitBU = %d\n", static_cast<int>(b.parityBU));
    TraceOut("wVDSuperBU = %d\n", static_cast<int>(b.superBU));
    b.rollBU = static_cast<std::uint16_t>(
        Ceil((static_cast<Ld>(AP_INIState.ucRollRate) / 1000 + static_cast<Ld>(AP_INIState.LastBadRation) / 1000) * b.superBU));
    TraceOut("wRollRateBU = %d\n", static_cast<int>(b.rollBU));
    return true;
}

// wBadBlock (negative taken as 0) and, for "Set", dwTotalGoodBU.
void BadBlockBudget(Budget& b, bool traceFormula) {
    const unsigned dies = AP_INIState.bDieNumCount;
    std::int64_t bad;
    if (AP_INIState.EnVD != 0) {
        const std::int64_t x = (b.superBU + b.merge + b.rollBU) * static_cast<std::int64_t>(b.vd);
        bad = Ceil(static_cast<Ld>(static_cast<std::int64_t>(b.blockUnits) - b.sys - b.fix) - static_cast<Ld>(x) / dies);
        b.totalGood = static_cast<std::uint32_t>(Ceil(static_cast<Ld>(x) / dies + (b.sys + b.fix)));
        if (traceFormula) {
            TraceOut(
                "######### - wBadBlock = ceil((float)(wBlockUnitNum - ucSYSBlockUnitNum - ucFixSLCBlockUnitNum) - "
                "(float)((float)((wVDSuperBU + ucMergeBUNUM + wRollRateBU) * ucVDNUM) / "
                "(float)(AP_INIState.bDieNumCount)))\n");
        }
    } else {
        bad = static_cast<std::int64_t>(b.blockUnits) - b.sys - b.fix - (b.merge + b.superBU + b.rollBU);
        b.totalGood = b.sys + b.fix + b.superBU + b.merge + b.rollBU;
        if (traceFormula) {
            TraceOut(
                "######### - wBadBlock = wBlockUnitNum - ucSYSBlockUnitNum - ucFixSLCBlockUnitNum - (wVDSuperBU + "
                "ucMergeBUNUM + wRollRateBU)\n");
        }
    }
    if (bad < 0) {
        TraceOut("######### - wBadBlock is negative (%lld), taken as 0\n", static_cast<long long>(bad));
        bad = 0;
    }
    b.badBlock = static_cast<std::uint16_t>(bad);
    if (!traceFormula) return;
    if (AP_INIState.EnVD != 0) {
        TraceOut("######### - %d = ceil((float)(%d - %d - %d)  - (float)((float)((%d + %d + %d) * %d) / (float)(%d)))\n",
                 static_cast<int>(b.badBlock), b.blockUnits, b.sys, b.fix, static_cast<int>(b.superBU), b.merge,
                 static_cast<int>(b.rollBU), b.vd, dies);
    } else {
        TraceOut("######### - %d = %d - %d - %d - (%d + %d + %d)\n", static_cast<int>(b.badBlock), b.blockUnits, b.sys,
                 b.fix, static_cast<int>(b.superBU), b.merge, static_cast<int>(b.rollBU));
    }
}

void DefectRatio(Budget& b) {
    b.defect = static_cast<std::uint16_t>(Floor(static_cast<Ld>(b.badBlock) * 1000 / b.blockUnits));
    TraceOut("wDefectRation = %d\n", static_cast<int>(b.defect));
}

Budget BudgetInputs(unsigned blockUnits) {
    Budget b;
    b.blockUnits = blockUnits;
    b.sys = AP_INIState.wFW_BLKQnty & 0xFFu;
    b.fix = AP_INIState.FixSLC_BU & 0xFFu;
    b.vd = AP_INIState.VDieRaidNum;
    b.merge = AP_INIState.MergeBUNUM;
    TraceOut("ucVDNUM = %d ,ucMergeBUNUM = %d, uclastBadRation = %d\n", b.vd, b.merge, AP_INIState.LastBadRation);
    return b;
}

bool NoChannelsOrCes() {
    return AP_FlashSet.ucChannel == 0 || AP_FlashSet.ucBankNum == 0;
}

bool ZeroGeometry(const char* where) {
    if (AP_FlashSet.ucPlanes != 0 && AP_FlashSet.ucDiePerCE != 0 && AP_INIState.bDieNumCount != 0) return false;
    TraceOut("######### - %s - ucPlanes %d, ucDiePerCE %d or bDieNumCount %d is 0, nothing more is computed\n", where,
             AP_FlashSet.ucPlanes, AP_FlashSet.ucDiePerCE, AP_INIState.bDieNumCount);
    return true;
}

}  // namespace

std::string FlashBinType() {
    return std::string(AP_INIState.FlashUniName, ::strnlen(AP_INIState.FlashUniName, 4));
}

IdemaOutcome CalcIdemaToRatio(const std::function<std::optional<long double>()>& typed) {
    IdemaOutcome out;
    const AP_FlashSet_t& f = AP_FlashSet;
    // 3.
    if (NoChannelsOrCes()) {
        out.message = "Please Check CH/CE number";
        return out;
    }
    // 4.
    unsigned p1 = f.wPages;
    if (AP_FwSet.CustomerID == 2 || AP_FwSet.CustomerID == 3) {
        p1 = f.wPages / 2u;
    } else {
        p1 = PagesForMode(f.wPages);
    }
    // 5.
    const std::optional<long double> v = typed();
    if (!v) {
        out.message = "Please input a IDEMA capacity";
        return out;
    }
    TraceOut("IDEMACapacityLabeledEdit->Text = %.2f\n", static_cast<double>(*v));
    if (*v == 0) {
        out.message = "Please input a correct IDEMA capacity(not equal to 0)";
        return out;
    }
    // 6.
    const unsigned dies = AP_INIState.bDieNumCount;
    const Ld total = Single((static_cast<Ld>(dies) * f.wBlocks / 1024) * (static_cast<Ld>(p1) * f.bPageSector / 2048));
    const auto capacityG = static_cast<std::uint16_t>(Trunc64(total));
    TraceOut("\nfTotalSize=%f, CapacityG=%d\n", static_cast<double>(total), capacityG);
    if (*v > capacityG) {
        char text[96];
        std::snprintf(text, sizeof text, "Please input a correct IDEMA capacity(less than or equal to %d)", capacityG);
        out.message = text;
        return out;
    }
    if (ZeroGeometry("CalcIDEMAtoRatioButtonClick")) return out;
    // 7.
    AP_INIState.fIDEMACapacity = static_cast<float>(*v);
    const Ld capacity = AP_INIState.fIDEMACapacity;
    out.capacity1024 = Format("%4.2f", static_cast<double>(capacity));
    out.capacity1000 = Format("%4.2f", static_cast<double>(capacity * 1073741824 / 512 / 1000000000 * 512));
    // 8.
    WriteSectors(*v);
    const std::uint64_t sectors =
        (static_cast<std::uint64_t>(AP_INIState.CapacitySectorHigh) << 32) | AP_INIState.CapacitySectorLow;
    // 9.
    const Ld resRatio = Single(100 - (static_cast<Ld>(sectors) * 100) /
                                         (static_cast<Ld>(dies) * p1 * f.bPageSector * (f.wBlocks / f.ucDiePerCE)));
    const auto iRatio = static_cast<std::uint16_t>(Trunc64(resRatio * 10));
    TraceOut("================ fResRatio=%f,\n", static_cast<double>(resRatio));
    TraceOut("================ iRatio=%d,\n", iRatio);
    AP_INIState.ResPercentage = iRatio;
    AP_FwSet.wResRatio = iRatio;
    // 10.
    const unsigned pagesNum = PagesForMode(f.wPages);
    Budget b = BudgetInputs(static_cast<unsigned>((f.wBlocks / f.ucPlanes) / f.ucDiePerCE));
    TraceOut("IDEMACapacity = %3.2f\n", static_cast<double>(capacity));
    TraceOut("wBlocksNum = %d\n", f.wBlocks);
    TraceOut("wPagesNum = %d\n", pagesNum);
    TraceOut("wPageSizeNum = %d\n", f.wPageSize);
    TraceOut("ucDiePerCENum = %d\n", f.ucDiePerCE);
    TraceOut("ucPlanesNum = %d\n", f.ucPlanes);
    TraceOut("wBlockUnitNum = %d\n", b.blockUnits);
    TraceOut("ucChannelNum = %d\n", f.ucChannel);
    TraceOut("ucBankNum = %d\n", static_cast<std::uint8_t>(f.ucBankNum * f.ucDiePerCE));
    TraceOut("ucSYSBlockUnitNum = %d\n", b.sys);
    TraceOut("ucFixSLCBlockUnitNum = %d\n", b.fix);
    TraceOut("bDieNumCount = %d\n", dies);
    // 11.
    b.dataBU = static_cast<std::uint16_t>(
        Ceil(capacity * 1024 * 1024 / pagesNum / f.wPageSize / dies / f.ucPlanes * kSingle0932));
    TraceOut("wDataBU = %d\n", static_cast<int>(b.dataBU));
    // 12. to 16.
    if (!SuperBlockUnits(b)) return out;
    BadBlockBudget(b, true);
    TraceOut("wBadBlock = %d\n", static_cast<int>(b.badBlock));
    TraceOut("dwTotalGoodBU = %d, Total Good Block = %d\n", static_cast<int>(b.totalGood),
             static_cast<int>(dies * b.totalGood * f.ucPlanes));
    DefectRatio(b);
    // 17.
    AP_OtSet.wFwNeedBU = static_cast<std::uint16_t>(b.sys + b.fix);
    AP_OtSet.dwNeedDataBU = static_cast<std::uint32_t>(b.totalGood - AP_OtSet.wFwNeedBU);
    AP_INIState.DefPercentage = static_cast<std::uint16_t>(b.defect);
    // 18.
    AP_RDTSet_t& r = AP_RDTSet;
    if (AP_INIState.EnPartialTbl != 0) {
        r.SortAllBadBlockPerDrive = static_cast<std::uint16_t>(
            (static_cast<std::int64_t>(f.wBlocks / f.ucPlanes) - AP_OtSet.wFwNeedBU - AP_OtSet.dwNeedDataBU) * dies * f.ucPlanes);
    } else {
        r.SortAllBadBlockPerDrive = 0;
        r.SortEraseFailPerDrive = 0;
        r.SortProgFailPerDrive = 0;
    }
    const auto bad = static_cast<std::uint16_t>(b.badBlock);
    for (std::uint16_t* limit : {&r.SortMaxBadBlockPerPlane, &r.SortPgFailPerPlane, &r.SortEraseFailPerPlane,
                                 &r.SortMaxReadFailBlock, &r.DeBugReadPerPlane, &r.DeBugPgPerPlane, &r.DeBugErasePerPlane,
                                 &r.DeBugBBPerPlane}) {
        *limit = bad;
    }
    r.SortMaxBadBlockPerDie = static_cast<std::uint16_t>(bad * f.ucPlanes);
    r.DeBugBBPerDie = r.SortMaxBadBlockPerDie;
    return out;
}

RestoreOutcome RestoreDefaultRatio() {
    RestoreOutcome out;
    const AP_FlashSet_t& f = AP_FlashSet;
    if (NoChannelsOrCes()) {
        out.message = "Please Check CH/CE number";
        return out;
    }
    TraceOut("FlashBINType = %s \n", FlashBinType().c_str());
    if (ZeroGeometry("RestoreDefaultRatioButtonClick")) return out;
    // 2. and 3.
    const unsigned pages = PagesForMode(f.wPages);
    const unsigned dies = AP_INIState.bDieNumCount;
    const std::uint32_t perDie =
        static_cast<std::uint32_t>(f.wBlocks / f.ucDiePerCE) * pages * f.wPageSize / 1048576u;
    const std::uint32_t power = fn_GetMaxPower(perDie);
    TraceOut("######### - Capacity per die is %.2f\n", static_cast<double>(perDie));
    TraceOut("######### - fn_GetMaxPower - Capacity per die is %d\n", static_cast<int>(power));
    TraceOut("######### - AP_INIState.bDieNumCount is %d\n", dies);
    TraceOut("######### - AP_FlashSet.wBlocks is %d\n", f.wBlocks);
    TraceOut("######### - AP_FlashSet.wPages is %d\n", f.wPages);
    TraceOut("######### - AP_FlashSet.wPageSize is %d\n", f.wPageSize);
    TraceOut("######### - AP_INIState.fIDEMACapacity is %.2f\n",
             static_cast<double>(static_cast<Ld>(f.wBlocks / f.ucDiePerCE) * dies * pages * f.wPageSize / 1048576));
    // 4.
    AP_INIState.IDEMACapacity = static_cast<std::uint16_t>(power * dies);
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", AP_INIState.IDEMACapacity);
    out.editText = text;
    AP_INIState.fIDEMACapacity = static_cast<float>(AP_INIState.IDEMACapacity);
    WriteSectors(AP_INIState.fIDEMACapacity);
    // 5.
    AP_INIState.ResPercentage = 68;
    AP_INIState.DiffRatioRange = 38;
    // 6.
    Budget b = BudgetInputs(static_cast<unsigned>(f.wBlocks / f.ucPlanes));
    TraceOut(
        "IDEMACapacity = %3.2f ,wBlocksNum = %d ,wPagesNum = %d ,wPageSizeNum = %d ,ucDiePerCENum = %d ,ucPlanesNum = %d "
        ",wBlockUnitNum = %d ,ucChannelNum = %d ,ucBankNum = %d ,ucSYSBlockUnitNum = %d ,ucFixSLCBlockUnitNum = %d "
        ",bDieNumCount = %d\n",
        static_cast<double>(AP_INIState.fIDEMACapacity), f.wBlocks, pages, f.wPageSize, f.ucDiePerCE, f.ucPlanes,
        b.blockUnits, f.ucChannel, f.ucBankNum, b.sys, b.fix, dies);
    const Ld capacity = AP_INIState.fIDEMACapacity;
    b.dataBU = static_cast<std::uint16_t>(Ceil(capacity * 1024 * 1024 * kSingle0932 / pages / f.wPageSize / dies / f.ucPlanes));
    TraceOut("wDataBU = %d\n", static_cast<int>(b.dataBU));
    if (!SuperBlockUnits(b)) return out;
    BadBlockBudget(b, false);
    TraceOut("wBadBlock = %d\n", static_cast<int>(b.badBlock));
    DefectRatio(b);
    AP_INIState.DefPercentage = static_cast<std::uint16_t>(b.defect);
    return out;
}

}  // namespace settings
