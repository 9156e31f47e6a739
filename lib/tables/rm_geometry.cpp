#include "tables/rm_geometry.h"

#include "settings/flash_param.h"
#include "settings/records.h"
#include "tables/rm_records.h"
#include "transport/trace.h"

namespace {

// The lowest marker word a data word could be mistaken for (the defect table's CE header, 0xA0FB).
constexpr std::uint32_t kLowestMarker = 0xA0FB;

}  // namespace

bool bRM_IsSuperDie() {
    return AP_INIState.EnSuperDie == 1 && AP_FlashSet.ucDiePerCE > 1;
}

RM_Geometry RM_GetGeometry() {
    RM_Geometry g{};
    g.channels = AP_INIState.MaxPhyChannel;
    g.banks = AP_INIState.MaxPhyBank;
    g.dies = AP_FlashSet.ucDiePerCE;
    g.planes = AP_FlashSet.ucPlanes;
    g.bankNum = AP_FlashSet.ucBankNum;
    g.ceCount = static_cast<std::uint8_t>(g.banks * g.dies);
    g.dieUnit = AP_FlashSet.wDieUnit;
    if (g.dies != 0 && g.planes != 0) {
        const std::uint32_t ext = (AP_FlashSet.wBlocks / g.dies + AP_FlashSet.wExtendBlocks) / g.planes;
        g.unitsExt = static_cast<std::uint16_t>(ext > 0xFFFF ? 0xFFFF : ext);
    }
    g.lunOffset = AP_FlashSet.wLunBlockOffset;
    g.pageSize = static_cast<std::uint32_t>(AP_FlashSet.bPageSector) * 512u;
    g.superDie = bRM_IsSuperDie();
    return g;
}

bool RM_CheckGeometry(const RM_Geometry& g) {
    const char* why = nullptr;
    if (g.channels < 1 || g.channels > RM_MAX_CH) {
        why = "channel count outside 1..8";
    } else if (g.banks < 1 || g.banks > 4) {
        why = "bank count outside 1..4";
    } else if (g.dies < 1 || g.dies > 2) {
        why = "dies per CE outside 1..2";
    } else if (g.planes != 1 && g.planes != 2 && g.planes != 4) {
        why = "plane count not 1, 2 or 4";
    } else if (g.dieUnit < 1 || g.dieUnit > g.unitsExt) {
        why = "block units per die outside the blocks of a die";
    } else if (g.unitsExt > RM_BITMAP_UNITS) {
        why = "more block units per die than the virtual-plane bitmap holds";
    } else if ((static_cast<std::uint32_t>(g.unitsExt) + (g.superDie ? g.lunOffset : 0u)) * g.planes >= kLowestMarker) {
        why = "plane-block indexes reach the table marker words";
    } else if (g.pageSize < 512 || g.pageSize > RM_TABLE_SLOT_SIZE) {
        why = "page size outside 512 bytes..16 KB (one table image slot)";
    }
    if (why == nullptr) return true;
    TraceOut("######### - Flash tables refused: %s (CH %d, Bank %d, Die %d, Plane %d, Unit %d/%d, Page %u) fail!\n",
             why, g.channels, g.banks, g.dies, g.planes, g.dieUnit, g.unitsExt, g.pageSize);
    return false;
}

bool RM_IsDiePresent(const RM_Geometry& g, int ch, int ce) {
    if (ch < 0 || ch >= 8 || ce < 0) return false;
    if (g.dies <= 1) return ce < 4 && AP_INIState.bOriDieMap[ch][ce] != 0xFF;
    return ce < 8 && AP_INIState.bOriDieMapMultiLun[ch][ce] != 0xFF;
}

std::uint8_t RM_GetPlaneMask() {
    const unsigned planes = AP_FlashSet.ucPlanes;
    return planes >= 8 ? 0xFF : static_cast<std::uint8_t>((1u << planes) - 1u);
}

std::uint8_t RM_MaskToGid(std::uint8_t planeByte) {
    if (AP_FlashSet.ucPlanes >= 4) return planeByte;
    std::uint8_t gid = 0;
    switch (planeByte & 0x0F) {
        case 0:
            gid = 2;
            break;
        case 1:
            gid = 0;
            break;
        case 2:
            gid = 1;
            break;
        default:
            gid = 0;
            break;
    }
    return static_cast<std::uint8_t>((planeByte & 0xF0) | gid);
}

std::uint8_t RM_GidToMask(std::uint8_t gid) {
    if (AP_FlashSet.ucPlanes >= 4) return gid;
    switch (gid) {
        case 0:
            return 1;
        case 1:
            return 2;
        default:
            return 0;
    }
}

bool RM_LogicalChannel(int ch, std::uint8_t& logical) {
    std::uint8_t value = static_cast<std::uint8_t>(ch);
    if (!GetLogicalChannel(value)) return false;
    logical = value;
    return true;
}

std::uint8_t RM_LogicalCe(int ce) {
    std::uint8_t value = static_cast<std::uint8_t>(ce);
    GetLogicalCE(value);
    return value;
}
