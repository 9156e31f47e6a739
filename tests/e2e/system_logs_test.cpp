// The system firmware's bad-unit list and UART log read by the host's commands through both
// bridge tunnels: the host's packet and the firmware's own decoding agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "platform/trace_sink.h"
#include "support/emulated_drives.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kSystem =
    "Program=system\nFlashChannels=4\nFlashCEs=2\nFlashBlocks=64\nFlashPages=32\nFlashPageSectors=8\nFlashPlanes=2\n"
    "BadBlocks=2:1:0:9\nGrownBad=1:0:0:4:6\nUartChunkBytes=300\n";

std::uint32_t Le32(const Bytes& d, std::size_t at) {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (std::uint32_t{d[at + 3]} << 24);
}

class SystemLogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(drives_.Error(), "");
        for (int port = 0; port < 3; ++port) ASSERT_EQ(VC_EnableVendorCmd(port), 1);
    }
    platform::TraceCapture quiet_;
    test_support::EmulatedDrives drives_{{kSystem, kSystem, kSystem + "BadUnit=fail\n"}};
};

TEST_F(SystemLogs, BadUnitListsOfEachCeOnBothBridgeTypes) {
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        Bytes reply(64 * 512);
        ASSERT_EQ(VC_SYS_GetBadUnit(port, reply.data(), 64, 0, 0), 1);
        EXPECT_EQ(reply[0] | (reply[1] << 8), 1);
        EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 12), (Bytes{2, 0, 6, 0, 0x02, 0, 0, 0}));
        ASSERT_EQ(VC_SYS_GetBadUnit(port, reply.data(), 64, 0, 1), 1);
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 12), (Bytes{1, 0, 0, 0, 4, 0, 1, 0, 0x40, 0, 0, 0}));
    }
    platform::TraceCapture trace;
    Bytes reply(64 * 512);
    EXPECT_EQ(VC_SYS_GetBadUnit(2, reply.data(), 64, 0, 0), 2);
    EXPECT_EQ(trace.Lines().back(), "######### - VC_SYS_GetBadUnit fail!\n");
}

TEST_F(SystemLogs, TheUartLogChunkByChunkToItsEndMarker) {
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        Bytes counts(512);
        ASSERT_EQ(VC_SYS_GetEraseCount(port, counts.data(), 1, 0, 0), 1);  // one line in the log
        const std::string expected = drives_.System(port).Uart().Text();
        ASSERT_NE(expected.find("[SYS] vendor 0x01"), std::string::npos);
        std::string text;
        Bytes reply(32 * 512);  // one 16 KiB page
        for (std::uint16_t i = 0;; ++i) {
            ASSERT_LT(i, 100);
            ASSERT_EQ(VC_SYS_GetUartLog(port, reply.data(), 32, i), 1);
            if (std::string(reply.begin(), reply.begin() + 4) == "eMVN") {
                EXPECT_EQ(Le32(reply, 4), 0u);
                break;
            }
            ASSERT_LE(Le32(reply, 0), 300u);
            text.append(reply.begin() + 4, reply.begin() + 4 + Le32(reply, 0));
        }
        EXPECT_EQ(text, expected);
    }
}

}  // namespace
