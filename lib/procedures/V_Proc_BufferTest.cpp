// The controller RAM buffer test.
#include "procedures/V_Proc_BufferTest.h"

#include <cstring>

#include "commands/command_sets.h"
#include "transport/trace.h"

namespace {

constexpr std::uint32_t kSectors = kBufferTestBytes / 512;

std::uint16_t WordAt(const std::uint8_t* bytes, std::size_t i) {
    return static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

}  // namespace

bool VP_FillBuffer(int port, void* buffer, std::uint16_t start) {
    TraceOut("######### - [%d]VP_FillBuffer\n", port);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < kBufferTestWords; ++i) {
        const auto word = static_cast<std::uint16_t>(start + i);
        bytes[2 * i] = static_cast<std::uint8_t>(word);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    return VC_LDR_CmdWriteRam(port, bytes, kSectors, kBufferTestAddress) == 1;
}

int VP_CompareBuffer(int port, void* buffer, std::uint16_t start) {
    TraceOut("######### - [%d]VP_CompareBuffer\n", port);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::memset(bytes, 0, kBufferTestBytes);
    if (VC_LDR_CmdReadRam(port, bytes, kSectors, kBufferTestAddress) != 1) {
        TraceOut("######### - [%d]VP_CompareBuffer fail! - VC_GDP_CmdReadBuffer\n", port);
        return 0;
    }
    for (std::size_t i = 0; i < kBufferTestWords; ++i) {
        const auto expected = static_cast<std::uint16_t>(start + i);
        const std::uint16_t read = WordAt(bytes, i);
        if (read != expected) {
            TraceOut("######### - [%d]VP_CompareBuffer fail! - Index:%d, %d, %d\n", port, static_cast<int>(i), read,
                     expected);
            return 0;
        }
    }
    return 1;
}

int VP_BufferTest(int port, void* buffer) {
    TraceOut("######### - [%d]VP_BufferTest\n", port);
    int result = 1;
    for (int pass = 0; pass < kBufferTestPasses; ++pass) {
        const std::uint16_t start = procedures::BufferTestStart(pass);
        if (!VP_FillBuffer(port, buffer, start)) {
            TraceOut("######### - [%d]VP_BufferTest fail! - VP_FillBuffer\n", port);
            result = 0;
            break;
        }
        if (VP_CompareBuffer(port, buffer, start) != 1) {
            TraceOut("######### - [%d]VP_BufferTest fail! - VP_CompareBuffer\n", port);
            result = 0;
            break;
        }
    }
    std::memset(buffer, 0, kBufferTestBytes);
    if (VC_LDR_CmdWriteRam(port, buffer, kSectors, kBufferTestAddress) != 1) {
        TraceOut("######### - [%d]VP_BufferTest fail! - clear buffer\n", port);
        result = 0;
    }
    return result;
}
