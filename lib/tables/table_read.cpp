#include "tables/table_read.h"

#include <cstring>
#include <vector>

#include "settings/records.h"
#include "tables/rm_geometry.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

bool bRM_ReadTablePages(int port, int index, std::span<std::uint8_t> pages, tables::TablePageSource& source) {
    const RM_Geometry g = RM_GetGeometry();
    const int channels = g.channels < 8 ? g.channels : 8;
    const std::size_t pageSize = g.pageSize;
    if (port < 0 || port >= kPortCount || channels <= 0 || pageSize == 0 ||
        pages.size() < static_cast<std::size_t>(channels) * pageSize) {
        TraceOut("######### - [%d]bRM_ReadTablePages: page buffer of %zu bytes for %d pages fail!\n", port,
                 pages.size(), channels);
        return false;
    }
    if (index < 0 || index + channels > AP_PAGE_MAP_COUNT) {
        TraceOut("######### - [%d]bRM_ReadTablePages: page index %d outside the page map fail!\n", port, index);
        return false;
    }
    // With several dies per CE the loader blocks lie on LUN 0 only.
    const int ceLimit = g.dies > 1 ? g.banks : g.banks * g.dies;
    const int ces = ceLimit < 4 ? ceLimit : 4;
    std::vector<std::uint8_t> scratch(pageSize);
    std::uint8_t status[512];
    for (int copy = 0; copy < 2; ++copy) {
        for (int ch = 0; ch < channels; ++ch) {
            for (int ce = 0; ce < ces; ++ce) {
                if (!RM_IsDiePresent(g, ch, ce)) continue;
                const std::uint16_t block = AP_Instance[port].aLoaderBlockNo[ch][ce][copy];
                bool all = true;
                for (int k = 0; k < channels; ++k) {
                    const std::uint16_t page = AP_FlashSet.wPageMap[index + k];
                    std::memset(scratch.data(), 0, scratch.size());
                    if (source.ReadPage(port, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(ce), block, page,
                                        AP_FlashSet.ucLdpcMode, 1, 0, scratch.data(), AP_FlashSet.bPageSector) != 1) {
                        TraceOut("Read C:%d B:%d Block:%d Page:%d Read Command Fail\n", ch, ce, block, page);
                        all = false;
                        continue;
                    }
                    std::memset(status, 0, sizeof status);
                    if (source.GetReturn(port, status) != 1) {
                        TraceOut("Read C:%d B:%d Block:%d Page:%d Sts Command Fail\n", ch, ce, block, page);
                        all = false;
                        continue;
                    }
                    if (status[1] != 1) {
                        TraceOut("Read C:%d B:%d Block:%d Page:%d Status Fail - (%d)\n", ch, ce, block, page,
                                 status[1]);
                        all = false;
                        continue;
                    }
                    TraceOut("Read C:%d B:%d Block:%d Page:%d Success\n", ch, ce, block, page);
                    std::memcpy(pages.data() + static_cast<std::size_t>(k) * pageSize, scratch.data(), pageSize);
                }
                if (all) return true;
            }
        }
    }
    return false;
}
