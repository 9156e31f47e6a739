#include "tables/log_text.h"

#include "platform/trace_sink.h"
#include "transport/tool_records.h"

namespace tables {

LogText& LogText::Hex(std::uint32_t v, int digits) {
    char tmp[8];
    int n = 0;
    do {
        tmp[n++] = "0123456789ABCDEF"[v & 0xF];
        v >>= 4;
    } while (v != 0 && n < 8);
    for (int i = n; i < digits; ++i) buf_.push_back('0');
    while (n > 0) buf_.push_back(tmp[--n]);
    return *this;
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
    for (int i = n; i < width; ++i) buf_.push_back(' ');
    while (n > 0) buf_.push_back(tmp[--n]);
    return *this;
}

void LogText::Flush() {
    if (buf_.empty()) return;
    platform::WriteTrace(buf_);
    if (AP_RDSetting.DumpPftFile != 0 && log_ != nullptr) std::fwrite(buf_.data(), 1, buf_.size(), log_);
    buf_.clear();
}

}  // namespace tables
