// A bounded window on a caller-owned firmware image or parameter page: the writers of the
// parameter images put little-endian fields at byte offsets through it, and a field that would
// pass the window's end is not written (and marks the region as overrun).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace procedures {

class ParamRegion {
  public:
    ParamRegion(std::uint8_t* base, std::size_t size) : base_(base), size_(size) {}

    bool Fits(std::size_t offset, std::size_t length) const {
        return base_ != nullptr && offset <= size_ && length <= size_ - offset;
    }
    std::size_t Size() const { return size_; }
    std::uint8_t* Data() { return base_; }
    bool Overrun() const { return overrun_; }

    void U8(std::size_t offset, std::uint8_t value) {
        if (Check(offset, 1)) base_[offset] = value;
    }
    void U16(std::size_t offset, std::uint16_t value) {
        if (!Check(offset, 2)) return;
        base_[offset] = static_cast<std::uint8_t>(value);
        base_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    void U32(std::size_t offset, std::uint32_t value) {
        if (!Check(offset, 4)) return;
        for (int i = 0; i < 4; ++i) base_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    void Bytes(std::size_t offset, const void* source, std::size_t length) {
        if (Check(offset, length)) std::memcpy(base_ + offset, source, length);
    }
    void Fill(std::size_t offset, std::uint8_t value, std::size_t length) {
        if (Check(offset, length)) std::memset(base_ + offset, value, length);
    }

  private:
    bool Check(std::size_t offset, std::size_t length) {
        if (Fits(offset, length)) return true;
        overrun_ = true;
        return false;
    }

    std::uint8_t* base_;
    std::size_t size_;
    bool overrun_ = false;
};

}  // namespace procedures
