// The controller RAM buffer test of the bus-interface check: ten passes of writing a known
// pattern of 8,192 16-bit words (little-endian) to controller RAM at 0xCCCCCCCC and reading it
// back, then clearing the buffer.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint32_t kBufferTestAddress = 0xCCCCCCCC;
inline constexpr std::size_t kBufferTestWords = 8192;
inline constexpr std::size_t kBufferTestBytes = kBufferTestWords * 2;  // 32 sectors
inline constexpr int kBufferTestPasses = 10;

// `buffer` holds kBufferTestBytes bytes. Word i of a pass's pattern is (start + i) mod 65,536.
bool VP_FillBuffer(int port, void* buffer, std::uint16_t start);
// 1 when the read-back equals the pattern, else 0 (the first mismatch traced).
int VP_CompareBuffer(int port, void* buffer, std::uint16_t start);
// 1 pass, 0 fail; the RAM buffer is left zeroed whenever the final write succeeds.
int VP_BufferTest(int port, void* buffer);

namespace procedures {

// The start value of pass r: 4,096 + 11 x r.
inline std::uint16_t BufferTestStart(int pass) {
    return static_cast<std::uint16_t>(4096 + 11 * pass);
}

}  // namespace procedures
