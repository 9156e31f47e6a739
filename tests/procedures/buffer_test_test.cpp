// The controller RAM buffer test against emulated drives.
#include <gtest/gtest.h>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_BufferTest.h"
#include "support/emulated_drives.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::EmulatedDrives;

std::uint16_t Word(const Bytes& b, std::size_t i) {
    return static_cast<std::uint16_t>(b[2 * i] | (b[2 * i + 1] << 8));
}

TEST(BufferTest, PassesOnASoundDriveAndLeavesTheBufferZero) {
    platform::TraceCapture trace;
    EmulatedDrives drives({"Program=gdp", "Program=gdp"});
    for (int port : {0, 1}) {
        ASSERT_EQ(VC_EnableVendorCmd(port), 1);
        Bytes buffer(kBufferTestBytes);
        EXPECT_EQ(VP_BufferTest(port, buffer.data()), 1);
        Bytes ram(kBufferTestBytes, 0xEE);
        ASSERT_TRUE(drives.Core(port).Ram().Read(kBufferTestAddress, ram));
        EXPECT_EQ(ram, Bytes(kBufferTestBytes, 0));
    }
    EXPECT_EQ(trace.Lines().front(), "######### - [0]VP_BufferTest\n");
}

TEST(BufferTest, PatternOfTheLastPass) {
    platform::TraceCapture trace;
    EmulatedDrives drives({""});
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    Bytes buffer(kBufferTestBytes);
    ASSERT_TRUE(VP_FillBuffer(0, buffer.data(), procedures::BufferTestStart(9)));
    EXPECT_EQ(Word(buffer, 0), 4195);
    EXPECT_EQ(Word(buffer, 8191), 12386);
    Bytes ram(kBufferTestBytes);
    ASSERT_TRUE(drives.Core(0).Ram().Read(kBufferTestAddress, ram));
    EXPECT_EQ(ram, buffer) << "little-endian words";
}

TEST(BufferTest, AStuckRamBitFailsAtTheFirstBadWord) {
    platform::TraceCapture trace;
    EmulatedDrives drives({"StuckRamBit=0xCCCCCCD6:1:1"});  // word 5, low byte, bit 1
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    Bytes buffer(kBufferTestBytes);
    EXPECT_EQ(VP_BufferTest(0, buffer.data()), 0);
    // Pass 0: word 5 is 4,101 (0x1005); bit 1 stuck at 1 reads 4,103.
    EXPECT_TRUE(trace.Contains("######### - [0]VP_CompareBuffer fail! - Index:5, 4103, 4101\n"));
    EXPECT_TRUE(trace.Contains("######### - [0]VP_BufferTest fail! - VP_CompareBuffer\n"));
    EXPECT_FALSE(trace.Contains("clear buffer"));
    EXPECT_EQ(trace.Lines().back(), "######### - [0]VP_BufferTest fail! - VP_CompareBuffer\n");
}

TEST(BufferTest, ZerosReadBackFailAtIndexZero) {
    platform::TraceCapture trace;
    EmulatedDrives drives({""});
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    for (int bit = 0; bit < 8; ++bit) drives.Core(0).Ram().SetStuckBit(kBufferTestAddress + 1, bit, false);
    Bytes buffer(kBufferTestBytes);
    EXPECT_EQ(VP_CompareBuffer(0, buffer.data(), 4096), 0) << "nothing written yet";
    ASSERT_TRUE(VP_FillBuffer(0, buffer.data(), 4096));
    EXPECT_EQ(VP_CompareBuffer(0, buffer.data(), 4096), 0);
    EXPECT_EQ(trace.Lines().back(), "######### - [0]VP_CompareBuffer fail! - Index:0, 0, 4096\n");
}

TEST(BufferTest, AFailedFillStillClearsAndAFailedClearFails) {
    platform::TraceCapture trace;
    EmulatedDrives drives({""});  // vendor commands never switched on: every RAM command fails
    Bytes buffer(kBufferTestBytes, 0x77);
    EXPECT_EQ(VP_BufferTest(0, buffer.data()), 0);
    EXPECT_TRUE(trace.Contains("######### - [0]VP_BufferTest fail! - VP_FillBuffer\n"));
    EXPECT_FALSE(trace.Contains("VP_CompareBuffer")) << "the first failing pass ends the test";
    EXPECT_EQ(trace.Lines().back(), "######### - [0]VP_BufferTest fail! - clear buffer\n");
    EXPECT_EQ(buffer, Bytes(kBufferTestBytes, 0));
}

}  // namespace
