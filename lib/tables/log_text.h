// Log text built in memory and handed on in large blocks of whole lines: the trace sink receives
// each block as one write and the open table log the same bytes, so a listing of a hundred
// thousand lines costs a few hundred writes instead of one formatted call per line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tables {

class LogText {
  public:
    explicit LogText(std::FILE* log) : log_(log) { buf_.reserve(kBlock + 1024); }
    ~LogText() { Flush(); }
    LogText(const LogText&) = delete;
    LogText& operator=(const LogText&) = delete;

    LogText& Put(std::string_view s) {
        buf_.append(s);
        return *this;
    }
    LogText& Char(char c) {
        buf_.push_back(c);
        return *this;
    }
    LogText& Spaces(int n) {
        if (n > 0) buf_.append(static_cast<std::size_t>(n), ' ');
        return *this;
    }
    // Upper-case hexadecimal, at least `digits` digits (zero-padded), like "%0*X".
    LogText& Hex(std::uint32_t v, int digits);
    // Decimal right-aligned in `width` characters, like "%*d".
    LogText& Dec(std::int64_t v, int width = 0);
    // Ends a line; the text is passed on once a block has gathered.
    LogText& EndLine() {
        buf_.push_back('\n');
        if (buf_.size() >= kBlock) Flush();
        return *this;
    }
    void Flush();

  private:
    static constexpr std::size_t kBlock = 64 * 1024;
    std::FILE* log_;
    std::string buf_;
};

}  // namespace tables
