#include "tables/table_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tables/le_bytes.h"

void RM_ZeroTableImage(std::uint8_t* image, std::size_t size) {
    if (image != nullptr && size != 0) std::memset(image, 0, size);
}

namespace {

bool CopySlot(std::uint8_t* image, std::size_t size, std::size_t offset, const std::vector<std::uint8_t>& page) {
    if (page.empty()) return true;
    if (offset > size || RM_IMAGE_SLOT > size - offset) return false;
    std::memcpy(image + offset, page.data(), std::min(page.size(), RM_IMAGE_SLOT));
    return true;
}

}  // namespace

bool RM_CopyChannelToImage(std::uint8_t* image, std::size_t size, const RM_PageTable& pages, int logical,
                           bool partialGood) {
    if (image == nullptr || logical < 0 || logical >= RM_MAX_CH) return false;
    const std::size_t slot = static_cast<std::size_t>(logical) * RM_IMAGE_SLOT;
    bool ok = CopySlot(image, size, RM_IMAGE_DEFECT + slot, pages.defect[logical]);
    ok = CopySlot(image, size, RM_IMAGE_EARLY + slot, pages.early[logical]) && ok;
    ok = CopySlot(image, size, RM_IMAGE_REMAP + slot, pages.remap[logical]) && ok;
    ok = CopySlot(image, size, RM_IMAGE_VIRT + slot, partialGood ? pages.partialGood : pages.virt[logical]) && ok;
    ok = CopySlot(image, size, RM_IMAGE_SYSTEM + slot, pages.system[logical]) && ok;
    return ok;
}

bool RM_AppendFailRecord(std::uint8_t* work, std::size_t size, const std::uint8_t (&record)[RM_FAIL_RECORD_SIZE]) {
    if (work == nullptr || size == 0 || work[0] == 0xFF) return false;
    const std::size_t offset = 1 + RM_FAIL_RECORD_SIZE * work[0];
    if (offset > size || RM_FAIL_RECORD_SIZE > size - offset) return false;
    std::memcpy(work + offset, record, RM_FAIL_RECORD_SIZE);
    ++work[0];
    return true;
}

std::size_t RM_AppendPageOverflowRecords(std::uint8_t* work, std::size_t size, const RM_PageTable& pages) {
    std::size_t appended = 0;
    for (const RM_PageFault& f : pages.overflows) {
        std::uint8_t record[RM_FAIL_RECORD_SIZE] = {};
        record[0] = RM_FAIL_PAGE_OVERFLOW;
        record[1] = f.type;
        record[2] = f.channel;
        tables::PutLe16(record + 4, static_cast<std::uint16_t>(std::min<std::uint32_t>(f.pageSize, 0xFFFF)));
        tables::PutLe32(record + 8, f.needed);
        if (!RM_AppendFailRecord(work, size, record)) break;
        ++appended;
    }
    return appended;
}
