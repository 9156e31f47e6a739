#include "commands/vendor_dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "commands/command_sets.h"
#include "platform/trace_sink.h"
#include "support/recording_backend.h"
#include "transport/scsi_std.h"

namespace {

using test_support::Decode;
using test_support::RecordedPort;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPort = 12;

TEST(VendorDispatch, CommandWithoutDataSendsOnlyThePacketPhase) {
    for (std::uint8_t type : {1, 2}) {
        RecordedPort port(kPort, type);
        ASSERT_EQ(VC_LDR_CmdJumpToROM(kPort, 0), 1);
        EXPECT_EQ(port.backend->Calls().size(), 2u);  // one vendor write: entry and packet sector
    }
}

TEST(VendorDispatch, PacketTravelsAloneAtTheStartOfAZeroSector) {
    RecordedPort port(kPort, 1);
    std::uint8_t packet[40];
    std::fill(std::begin(packet), std::end(packet), 0xEE);  // bytes past the packet must not travel
    packet[0] = 0xFF;
    packet[1] = 0xE5;
    packet[2] = 0x49;
    ASSERT_TRUE(VC_SendVendorCmd(kPort, packet, 12, nullptr, 0, 0));
    Bytes expected(512, 0);
    std::copy(packet, packet + 12, expected.begin());
    EXPECT_EQ(Decode(port.backend->Calls())[0].dataCall.out, expected);
}

TEST(VendorDispatch, DataPhaseUsesThePacketCodeAsSubCode) {
    RecordedPort port(kPort, 2);
    Bytes data(4096);
    const VendorCmdPacket p = vendor::Plain(0x86);
    ASSERT_TRUE(VC_SendVendorCmd(kPort, p.bytes.data(), 12, data.data(), 8, 1));
    const auto sent = Decode(port.backend->Calls());
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].Dword(14) & 0xFF, 0x86u);
    EXPECT_EQ(sent[1].Dword(10), 1024u);
    EXPECT_EQ(sent[1].Dword(15), 8u);
    EXPECT_EQ(sent[1].dataCall.length, 4096u);
}

TEST(VendorDispatch, EachFailingPhaseOfAVendorCommandTracesItsLines) {
    struct Case {
        std::uint8_t type;
        bool read;
        std::size_t failCall;
        std::vector<std::string> tail;  // the last lines, oldest first
    };
    const std::string ram = "######### - VC_LDR_CmdReadRam fail!\n";
    const std::string wram = "######### - VC_LDR_CmdWriteRam fail!\n";
    const std::string first = "######### - VC_Bridge_VendorCmdWrite - first vendor write fail!\n";
    const std::string secondRead = "######### - VC_Bridge_VendorCmdRead - second vendor read fail!\n";
    const std::string secondWrite = "######### - VC_Bridge_VendorCmdWrite - second vendor write fail!\n";
    const Case cases[] = {
        {1, true, 0, {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n", first, ram}},
        {1, true, 1, {"######### - [First Write] VC_Bridge_JM_DataOutCmd fail!\n", first, ram}},
        {1, true, 2, {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n", secondRead, ram}},
        {1, true, 3, {"######### - [Second Read] VC_Bridge_JM_DataInCmd fail!\n", secondRead, ram}},
        {2, true, 0, {"######### - [First Write] VC_Bridge_ASM_DataOutCmd fail[0]!\n", first, ram}},
        {2, true, 1, {"######### - [First Write] VC_Bridge_ASM_DataOutCmd fail[1]!\n", first, ram}},
        {2, true, 2, {"######### - [Second Read] VC_Bridge_ASM_DataOutCmd fail[0]!\n", secondRead, ram}},
        {2, true, 3, {"######### - [Second Read] VC_Bridge_ASM_DataInCmd fail[1]!\n", secondRead, ram}},
        {1, false, 2, {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n", secondWrite, wram}},
        {1, false, 3, {"######### - [Second Write] VC_Bridge_JM_DataOutCmd fail!\n", secondWrite, wram}},
        {2, false, 2, {"######### - [Second Write] VC_Bridge_ASM_DataOutCmd fail[0]!\n", secondWrite, wram}},
        {2, false, 3, {"######### - [Second Write] VC_Bridge_ASM_DataOutCmd fail[1]!\n", secondWrite, wram}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + (c.read ? " read, call " : " write, call ") + std::to_string(c.failCall));
        RecordedPort port(kPort, c.type);
        port.backend->FailCall(c.failCall);
        platform::TraceCapture capture;
        Bytes data(4096);
        const int r =
            c.read ? VC_LDR_CmdReadRam(kPort, data.data(), 8, 0) : VC_LDR_CmdWriteRam(kPort, data.data(), 8, 0);
        EXPECT_EQ(r, 2);
        EXPECT_EQ(port.backend->Calls().size(), c.failCall + 1);
        const auto lines = capture.Lines();
        ASSERT_GE(lines.size(), c.tail.size());
        EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(c.tail.size()), lines.end()),
                  c.tail);
    }
}

TEST(VendorDispatch, PortsWithoutABridgeSendNothing) {
    RecordedPort noBridge(kPort, 1, 0);
    Bytes data(512);
    const VendorCmdPacket p = vendor::Plain(0x86);
    EXPECT_FALSE(VC_SendVendorCmd(kPort, p.bytes.data(), 12, data.data(), 1, 1));
    EXPECT_EQ(VC_EnableVendorCmd(kPort), 3);
    EXPECT_EQ(VC_DisableVendorCmd(kPort), 3);
    EXPECT_EQ(VC_EnableVendorCmd(-1), 3);
    EXPECT_TRUE(noBridge.backend->Calls().empty());

    RecordedPort unknownType(kPort + 1, 0);
    EXPECT_FALSE(VC_SendVendorCmd(kPort + 1, p.bytes.data(), 12, data.data(), 1, 1));
    EXPECT_EQ(VC_EnableVendorCmd(kPort + 1), 2);
    EXPECT_TRUE(unknownType.backend->Calls().empty());
}

TEST(VendorDispatch, BadPacketsAndBuffersAreRefusedBeforeSending) {
    RecordedPort port(kPort, 1);
    const VendorCmdPacket p = vendor::Plain(0x86);
    EXPECT_FALSE(VC_SendVendorCmd(kPort, nullptr, 12, nullptr, 0, 0));
    EXPECT_FALSE(VC_SendVendorCmd(kPort, p.bytes.data(), 2, nullptr, 0, 0));
    EXPECT_FALSE(VC_SendVendorCmd(kPort, p.bytes.data(), 513, nullptr, 0, 0));
    EXPECT_FALSE(VC_SendVendorCmd(kPort, p.bytes.data(), 12, nullptr, 1, 1));
    // Code 0xFF is the packet phase's sub-code: a data-out phase under it would carry the packet
    // sector again (and read past it), never the caller's data.
    const VendorCmdPacket ff = vendor::Plain(0xFF);
    Bytes data(1024, 0x5C);
    EXPECT_FALSE(VC_SendVendorCmd(kPort, ff.bytes.data(), 12, data.data(), 2, 0));
    EXPECT_FALSE(VC_SendVendorCmd(kPort, ff.bytes.data(), 12, data.data(), 1, 0));
    EXPECT_TRUE(port.backend->Calls().empty());
    // A read under that code is not mistaken for a packet.
    EXPECT_TRUE(VC_SendVendorCmd(kPort, ff.bytes.data(), 12, data.data(), 2, 1));
}

TEST(VendorDispatch, EnableAndDisableSwitchTheModeAndTraceTheirFailure) {
    RecordedPort port(kPort, 1);
    EXPECT_EQ(VC_EnableVendorCmd(kPort), 1);
    EXPECT_EQ(Decode(port.backend->Calls())[0].Dword(14), 0x00D95AFFu);
    EXPECT_EQ(VC_DisableVendorCmd(kPort), 1);
    EXPECT_EQ(Decode(port.backend->Calls())[1].Dword(14), 0x00C65AFFu);

    port.backend->FailCall(5);
    port.backend->FailCall(7);
    platform::TraceCapture capture;
    EXPECT_EQ(VC_EnableVendorCmd(kPort), 2);
    EXPECT_EQ(capture.Lines().back(), "######### - VC_EnableVendorCmd USB fail!\n");
    EXPECT_EQ(VC_DisableVendorCmd(kPort), 2);
    EXPECT_EQ(capture.Lines().back(), "######### - VC_DisableVendorCmd fail!\n");
}

TEST(VendorDispatch, PhasesOfOneCommandAreNeverInterleavedOnAPort) {
    RecordedPort port(kPort, 1);
    constexpr int kCommands = 200;
    auto vendor = [] {
        Bytes data(512);
        for (int i = 0; i < kCommands; ++i) ASSERT_EQ(VC_LDR_CmdReadRam(kPort, data.data(), 1, 0), 1);
    };
    auto plain = [] {
        std::uint8_t unused[8];
        for (int i = 0; i < kCommands; ++i) ASSERT_EQ(VC_STD_TestUnitReady(kPort, unused), 1);
    };
    std::thread a(vendor), b(vendor), c(plain);
    a.join();
    b.join();
    c.join();
    const auto calls = port.backend->Calls();
    ASSERT_EQ(calls.size(), 2u * kCommands * 4 + kCommands);
    for (std::size_t i = 0; i < calls.size();) {
        if (calls[i].cdb[0] == 0x00) {  // TEST UNIT READY, between two vendor commands
            ++i;
            continue;
        }
        ASSERT_LE(i + 4, calls.size());
        for (std::size_t k = 0; k < 4; ++k) {
            ASSERT_EQ(calls[i + k].cdb[0], 0xA1) << "call " << i + k;
            ASSERT_EQ(calls[i + k].thread, calls[i].thread) << "call " << i + k;
        }
        i += 4;
    }
}

}  // namespace
