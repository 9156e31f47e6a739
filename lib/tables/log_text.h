// Log text built in memory and handed on in large blocks of whole lines: the trace sink receives
// each block as one write and the open table log the same bytes, so a listing of a hundred
// thousand lines costs a few hundred writes instead of one formatted call per line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace tables {

// Writes `v` as `digits` upper-case hexadecimal digits (the low ones) at `out`; returns the end.
inline char* PutHex(char* out, std::uint32_t v, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = "0123456789ABCDEF"[v & 0xF];
        v >>= 4;
    }
    return out + digits;
}

class LogText {
  public:
    explicit LogText(std::FILE* log) : log_(log), buf_(std::make_unique<char[]>(kCapacity)) {}
    ~LogText() { Flush(); }
    LogText(const LogText&) = delete;
    LogText& operator=(const LogText&) = delete;

    LogText& Put(std::string_view s);
    LogText& Char(char c) { return Put(std::string_view(&c, 1)); }
    LogText& Spaces(int n);
    // Upper-case hexadecimal, at least `digits` digits (zero-padded), like "%0*X".
    LogText& Hex(std::uint32_t v, int digits);
    // Decimal right-aligned in `width` characters, like "%*d".
    LogText& Dec(std::int64_t v, int width = 0);
    // Ends a line; the text is passed on once a block has gathered.
    LogText& EndLine() {
        Char('\n');
        return Lines();
    }
    // After text that ends in a line end: passes the block on once it has gathered.
    LogText& Lines() {
        if (size_ >= kBlock) Flush();
        return *this;
    }
    // Room for `n` bytes written directly; Commit(end) takes them.
    char* Room(std::size_t n) {
        if (kCapacity - size_ < n) Flush();
        return buf_.get() + size_;
    }
    void Commit(const char* end) { size_ = static_cast<std::size_t>(end - buf_.get()); }
    void Flush();

  private:
    static constexpr std::size_t kBlock = 64 * 1024;
    static constexpr std::size_t kCapacity = kBlock + 4096;
    std::FILE* log_;
    std::unique_ptr<char[]> buf_;
    std::size_t size_ = 0;
};

}  // namespace tables
