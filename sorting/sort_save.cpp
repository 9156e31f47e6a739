#include "sorting/sort_results.h"

namespace sorting {

int SortResults::SaveSortingResult(std::uint8_t port) {
    (void)port;
    return 1;
}

}  // namespace sorting
