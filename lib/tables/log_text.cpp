#include "tables/log_text.h"

#include "platform/trace_sink.h"
#include "transport/tool_records.h"

namespace tables {

LogText& LogText::Put(std::string_view s) {
    while (!s.empty()) {
        if (size_ == kCapacity) Flush();
        const std::size_t n = std::min(s.size(), kCapacity - size_);
        std::memcpy(buf_.get() + size_, s.data(), n);
        size_ += n;
        s.remove_prefix(n);
    }
    return *this;
}

LogText& LogText::Spaces(int n) {
    for (; n > 0; --n) Char(' ');
    return *this;
}

LogText& LogText::Hex(std::uint32_t v, int digits) {
    int n = 1;
    for (std::uint32_t rest = v >> 4; rest != 0; rest >>= 4) ++n;
    if (digits < n) digits = n;
    if (digits > 16) digits = 16;
    char tmp[16];
    PutHex(tmp, v, digits);
    return Put(std::string_view(tmp, static_cast<std::size_t>(digits)));
}

LogText& LogText::Dec(std::int64_t v, int width) {
    char tmp[24];
    int n = 0;
    const bool negative = v < 0;
    std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    do {
        tmp[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (negative) tmp[n++] = '-';
    Spaces(width - n);
    char out[24];
    for (int i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
    return Put(std::string_view(out, static_cast<std::size_t>(n)));
}

void LogText::Flush() {
    if (size_ == 0) return;
    platform::WriteTrace(std::string_view(buf_.get(), size_));
    if (AP_RDSetting.DumpPftFile != 0 && log_ != nullptr) std::fwrite(buf_.get(), 1, size_, log_);
    size_ = 0;
}

}  // namespace tables
