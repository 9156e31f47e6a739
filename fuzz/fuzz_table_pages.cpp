// libFuzzer target for the readers of drive-written table pages: the remap, virtual-remap, defect
// and later-bad parsers in both forms, the later-bad search, the verifiers and the sorting-result
// "BB" page. Byte 0 picks a geometry, bytes 1-2 the inherit list's size and byte 3 the result
// block's plane; the rest is the page buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "platform/trace_sink.h"
#include "settings/records.h"
#include "tables/gdp_list.h"
#include "tables/rdt_bad_blocks.h"
#include "tables/rm_verify.h"
#include "tables/table_parsers.h"

namespace {

struct Geo {
    int channels, banks, dies, planes, dieUnit, pageSector;
    bool superDie;
    int lunOffset;
};

constexpr Geo kGeos[] = {
    {2, 2, 1, 2, 200, 1, false, 0},
    {3, 1, 2, 4, 100, 1, true, 100},
    {1, 2, 2, 1, 300, 2, false, 0},
    {8, 4, 2, 4, 8191, 1, true, 8191},
};

void Apply(const Geo& g) {
    AP_INIState.MaxPhyChannel = static_cast<std::uint8_t>(g.channels);
    AP_INIState.MaxPhyBank = static_cast<std::uint8_t>(g.banks);
    AP_INIState.EnSuperDie = g.superDie ? 1 : 0;
    for (int i = 0; i < 8; ++i) AP_INIState.MPFwChannelSet[i] = static_cast<std::uint8_t>(7 - i);
    for (int i = 0; i < 4; ++i) AP_INIState.MPFwBankSet[i] = static_cast<std::uint8_t>(i);
    std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
    AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(g.dies);
    AP_FlashSet.ucPlanes = static_cast<std::uint8_t>(g.planes);
    AP_FlashSet.ucBankNum = static_cast<std::uint8_t>(g.banks);
    AP_FlashSet.wDieUnit = static_cast<std::uint16_t>(g.dieUnit);
    AP_FlashSet.wBlocks = static_cast<std::uint16_t>(g.dieUnit * g.planes * g.dies);
    AP_FlashSet.wLunBlockOffset = static_cast<std::uint16_t>(g.lunOffset);
    AP_FlashSet.bPageSector = static_cast<std::uint8_t>(g.pageSector);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        platform::TraceToNothing();
        return true;
    }();
    (void)quiet;
    if (size < 4) return 0;
    Apply(kGeos[data[0] % std::size(kGeos)]);
    const std::span<const std::uint8_t> pages(data + 4, size - 4);
    std::vector<std::uint8_t> listBytes(4 * (1 + (data[1] | (data[2] << 8)) % 4096), 0);
    tables::GdpList list(listBytes.data(), listBytes.size());
    auto vi = std::make_unique<_VectorInfo>();

    RM_ParseRemapTable(0, pages, *vi);
    RM_ParseRemapTable2L(0, pages, *vi);
    RM_ParseVirtRemapTable(0, pages, *vi);
    RM_ParseVirtRemapTable2L(0, pages, *vi);
    RM_ParseEarlyBadTable(0, pages, list, *vi);
    RM_ParseDefectBadTable2L(0, pages, list, *vi);
    RM_FindLaterBadInRemap(0, *vi, list);
    RM_ParseLaterBadTable(0, pages, list, *vi);
    RM_ParseLaterBadTable2L(0, pages, list, *vi);
    bRM_VerifyRemapTable(0, 0, pages, *vi);
    bRM_VerifyVirtRemapTable(0, 0, pages, *vi);
    std::uint16_t count = 0;
    RM_GetRDTBadBlocks(0, data[1] % 8, data[2] % 8, static_cast<std::uint16_t>(data[3] | (data[1] << 8)), pages, list,
                       list.Count(), count, *vi);
    return 0;
}
