// A die's raw image: the pages of its result block in the order they were read (bad-block, mark,
// whole-info, die-info, the factory-bad pages read and zero pages up to four, the error pages read
// and zero pages up to four), then zeros, always 245,760 bytes. A page that would pass the end
// (pages above 16 KB) is cut at the end with a trace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sorting {

class RawImage {
  public:
    static constexpr std::size_t kBytes = 245760;  // 15 pages of 16 KB

    RawImage() : bytes_(kBytes, 0) {}
    // Zeros the image for the next die.
    void Clear();
    void Append(std::span<const std::uint8_t> page);
    // `count` zero pages of `pageBytes` each.
    void AppendZeroPages(unsigned count, std::size_t pageBytes);
    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    std::size_t Used() const { return used_; }

  private:
    void Take(std::size_t length, const std::uint8_t* data);

    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
    bool cutTraced_ = false;
};

}  // namespace sorting
