#include "sorting/sort_raw_image.h"

#include <algorithm>

#include "transport/trace.h"

namespace sorting {

void RawImage::Clear() {
    std::fill(bytes_.begin(), bytes_.end(), std::uint8_t{0});
    used_ = 0;
    cutTraced_ = false;
}

void RawImage::Take(std::size_t length, const std::uint8_t* data) {
    const std::size_t room = kBytes - used_;
    const std::size_t n = std::min(length, room);
    if (n < length && !cutTraced_) {
        TraceOut("[SORT]######## - Raw image full: %u bytes of a page cut at %u bytes\n",
                 static_cast<unsigned>(length - n), static_cast<unsigned>(kBytes));
        cutTraced_ = true;
    }
    if (data != nullptr) std::copy_n(data, n, bytes_.begin() + static_cast<std::ptrdiff_t>(used_));
    used_ += n;  // zero pages: the bytes are already zero
}

void RawImage::Append(std::span<const std::uint8_t> page) { Take(page.size(), page.data()); }

void RawImage::AppendZeroPages(unsigned count, std::size_t pageBytes) {
    for (unsigned i = 0; i < count; ++i) Take(pageBytes, nullptr);
}

}  // namespace sorting
