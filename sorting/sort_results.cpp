#include "sorting/sort_results.h"

#include <cstdio>
#include <utility>

#include "forms/ui_port.h"
#include "settings/records.h"

#include "procedures/V_Proc_Sorting.h"

namespace sorting {

SortPageRead DefaultSortPageRead() {
    return [](int port, void* buffer, std::uint8_t channel, std::uint8_t fwBank, std::uint16_t block, int index,
              std::uint8_t blockType) {
        return VP_PROC_ReadSortResultPage(port, buffer, channel, fwBank, block, index, blockType);
    };
}

void ShowPageReadFail(const char* caption, std::uint16_t block, int index) {
    const unsigned page = index >= 0 && index < AP_PAGE_MAP_COUNT ? AP_FlashSet.wPageMap[index] : 0u;
    char text[96];
    std::snprintf(text, sizeof text, "SORT Page read: fail. Block:%u  Page: %u", unsigned{block}, page);
    forms::Ui().MessageBox(caption, text, forms::BoxIcon::None);
}

SortResults::SortResults() : read_(DefaultSortPageRead()) {}
SortResults::SortResults(SortPageRead read) : read_(std::move(read)) {}

}  // namespace sorting
