#include "sorting/sort_results.h"

#include <utility>

#include "procedures/V_Proc_Sorting.h"

namespace sorting {

SortPageRead DefaultSortPageRead() {
    return [](int port, void* buffer, std::uint8_t channel, std::uint8_t fwBank, std::uint16_t block, int index,
              std::uint8_t blockType) {
        return VP_PROC_ReadSortResultPage(port, buffer, channel, fwBank, block, index, blockType);
    };
}

SortResults::SortResults() : read_(DefaultSortPageRead()) {}
SortResults::SortResults(SortPageRead read) : read_(std::move(read)) {}

}  // namespace sorting
