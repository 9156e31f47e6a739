#include "transport/bridge_tunnel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "support/recording_backend.h"
#include "transport/bridge_cdb.h"
#include "transport/bridge_primitives.h"

namespace {

using platform::DataDirection;
using test_support::RecordedPort;

constexpr int kPort = 5;
constexpr std::uint8_t kJM = 1;
constexpr std::uint8_t kASM = 2;

using Bytes = std::vector<std::uint8_t>;

// The entry as the tests expect it, written out field by field.
std::array<std::uint8_t, 64> Entry(std::uint8_t opcode, std::uint32_t nsid, std::uint32_t cdw10, std::uint32_t cdw11,
                                   std::uint32_t cdw12, std::uint32_t cdw14, std::uint32_t cdw15) {
    std::array<std::uint8_t, 64> e{};
    auto le = [&e](std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) e[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    e[0] = opcode;
    le(4, nsid);
    le(40, cdw10);
    le(44, cdw11);
    le(48, cdw12);
    le(56, cdw14);
    le(60, cdw15);
    return e;
}

Bytes JmCdb(std::uint8_t op, std::uint32_t bytes) {
    return {0xA1,
            op,
            0,
            static_cast<std::uint8_t>(bytes >> 16),
            static_cast<std::uint8_t>(bytes >> 8),
            static_cast<std::uint8_t>(bytes),
            0,
            0,
            0,
            0,
            0,
            0};
}

Bytes AsmCdb(std::uint8_t op, std::uint8_t phase, std::uint8_t queue, std::uint8_t dir, std::uint32_t bytes) {
    return {op,
            0x5A,
            phase,
            queue,
            dir,
            0,
            0,
            0,
            0,
            0,
            static_cast<std::uint8_t>(bytes >> 24),
            static_cast<std::uint8_t>(bytes >> 16),
            static_cast<std::uint8_t>(bytes >> 8),
            static_cast<std::uint8_t>(bytes),
            0,
            0};
}

struct TunnelCase {
    const char* name;
    std::function<int(void* data)> run;  // 1 success; VC_Bridge_Vendor* give true/false as 1/0
    std::array<std::uint8_t, 64> entry;
    bool admin;
    std::uint8_t dir;  // 0 none, 1 to host, 2 to device
    std::uint32_t bytes;
    std::array<const char*, 2> jmTraces;
    std::array<const char*, 2> asmTraces;
};

std::vector<TunnelCase> Cases() {
    static Bytes packetSector = [] {
        Bytes s(512, 0);
        s[0] = 0xFF;
        s[1] = 0xE5;
        s[2] = 0x86;
        return s;
    }();
    return {
        {"enable",
         [](void*) { return VC_Bridge_EnableVendorCmd(kPort); },
         Entry(0xC1, 0, 0, 0, 0, 0x00D95AFF, 1),
         true,
         0,
         0,
         {"######### - VC_Bridge_EnableVendorCmd fail[0]]!\n", "######### - VC_Bridge_EnableVendorCmd fail[1]!\n"},
         {"######### - VC_Bridge_EnableVendorCmd fail[0]]!\n", "######### - VC_Bridge_EnableVendorCmd fail[1]]!\n"}},
        {"disable",
         [](void*) { return VC_Bridge_DisableVendorCmd(kPort); },
         Entry(0xC1, 0, 0, 0, 0, 0x00C65AFF, 1),
         true,
         0,
         0,
         {"######### - VC_Bridge_DisableVendorCmd fail[0]!\n", "######### - VC_Bridge_DisableVendorCmd fail![1]\n"},
         {"######### - VC_Bridge_DisableVendorCmd fail[0]!\n", "######### - VC_Bridge_DisableVendorCmd fail[1]!\n"}},
        {"vendor packet write",
         [](void*) { return int{VC_Bridge_VendorCmdWrite(kPort, nullptr, packetSector.data(), 1, 0xFF)}; },
         Entry(0xC1, 0, 128, 0, 0, 0x00715AFF, 1),
         true,
         2,
         512,
         {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n",
          "######### - [First Write] VC_Bridge_JM_DataOutCmd fail!\n"},
         {"######### - [First Write] VC_Bridge_ASM_DataOutCmd fail[0]!\n",
          "######### - [First Write] VC_Bridge_ASM_DataOutCmd fail[1]!\n"}},
        {"vendor write of 128 sectors",
         [](void* d) { return int{VC_Bridge_VendorCmdWrite(kPort, d, packetSector.data(), 128, 0x87)}; },
         Entry(0xC1, 0, 16384, 0, 0, 0x00715A87, 128),
         true,
         2,
         65536,
         {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n",
          "######### - [Second Write] VC_Bridge_JM_DataOutCmd fail!\n"},
         {"######### - [Second Write] VC_Bridge_ASM_DataOutCmd fail[0]!\n",
          "######### - [Second Write] VC_Bridge_ASM_DataOutCmd fail[1]!\n"}},
        {"vendor read of 8 sectors",
         [](void* d) { return int{VC_Bridge_VendorCmdRead(kPort, d, packetSector.data(), 8, 0x86)}; },
         Entry(0xC2, 0, 1024, 0, 0, 0x00715A86, 8),
         true,
         1,
         4096,
         {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n", "######### - [Second Read] VC_Bridge_JM_DataInCmd fail!\n"},
         {"######### - [Second Read] VC_Bridge_ASM_DataOutCmd fail[0]!\n",
          "######### - [Second Read] VC_Bridge_ASM_DataInCmd fail[1]!\n"}},
        {"SMART log",
         [](void* d) { return VC_Bridge_GetLogPageCmd(kPort, d, 2, 1024); },
         Entry(0x02, 0, 0x04000002, 0, 0, 0, 0),
         true,
         1,
         4096,
         {"######### - VC_Bridge_GetLogPageCmd fail[0]!\n", "######### - VC_Bridge_GetLogPageCmd fail[1]!\n"},
         {"######### - VC_Bridge_GetLogPageCmd fail[0]]!\n", "######### - VC_Bridge_GetLogPageCmd fail[1]]!\n"}},
        {"identify namespace",
         [](void* d) { return VC_Bridge_IdentifyCmd(kPort, d, 0); },
         Entry(0x06, 1, 0, 0, 0, 0, 0),
         true,
         1,
         4096,
         {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"},
         {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"}},
        {"identify controller",
         [](void* d) { return VC_Bridge_IdentifyCmd(kPort, d, 1); },
         Entry(0x06, 0, 1, 0, 0, 0, 0),
         true,
         1,
         4096,
         {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"},
         {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"}},
        {"identify, other mode",
         [](void* d) { return VC_Bridge_IdentifyCmd(kPort, d, 7); },
         Entry(0x06, 0, 0, 0, 0, 0, 0),
         true,
         1,
         4096,
         {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"},
         {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"}},
        {"flush",
         [](void*) { return VC_Bridge_FlushCmd(kPort); },
         Entry(0x00, 1, 0, 0, 0, 0, 0),
         false,
         0,
         0,
         {"######### - VC_Bridge_FlushCmd fail[0]!\n", "######### - VC_Bridge_FlushCmd fail[1]!\n"},
         {"######### - VC_Bridge_FlushCmd fail[0]]!\n", "######### - VC_Bridge_FlushCmd fail[1]]!\n"}},
        {"write",
         [](void* d) { return VC_Bridge_WriteCmd(kPort, d, 0x12345678, 9, 2); },
         Entry(0x01, 1, 0x12345678, 9, 2, 0, 0),
         false,
         2,
         1024,
         {"######### - VC_Bridge_WriteCmd fail[0]!\n", "######### - VC_Bridge_WriteCmd fail[1]!\n"},
         {"######### - VC_Bridge_WriteCmd fail[0]!\n", "######### - VC_Bridge_WriteCmd fail[1]!\n"}},
        {"read of 1 sector at LBA 0",
         [](void* d) { return VC_Bridge_ReadCmd(kPort, d, 0, 0, 1); },
         Entry(0x02, 1, 0, 0, 1, 0, 0),
         false,
         1,
         512,
         {"######### - VC_Bridge_ReadCmd fail[0]!\n", "######### - VC_Bridge_ReadCmd fail[1]!\n"},
         {"######### - VC_Bridge_ReadCmd fail[0]!\n", "######### - VC_Bridge_ReadCmd fail[1]!\n"}},
        {"sanitize 9",
         [](void*) { return VC_Bridge_SanitizeCmd(kPort, 9); },
         Entry(0x84, 0, 1, 0, 0, 0, 0),
         true,
         0,
         0,
         {"######### - VC_Bridge_SanitizeCmd fail[0]!\n", "######### - VC_Bridge_SanitizeCmd fail[1]!\n"},
         {"######### - VC_Bridge_SanitizeCmd fail[0]!\n", "######### - VC_Bridge_SanitizeCmd fail[1]!\n"}},
    };
}

DataDirection HostDirection(std::uint8_t dir) {
    return dir == 1 ? DataDirection::In : dir == 2 ? DataDirection::Out : DataDirection::None;
}

TEST(BridgeTunnel, EveryCommandSendsItsBlocksEntryAndDataOnTheJMicronType) {
    for (const TunnelCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        RecordedPort port(kPort, kJM);
        Bytes data(c.bytes, 0x5C);
        ASSERT_EQ(c.run(data.data()), 1);
        const auto calls = port.backend->Calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].path, "rec:5");
        EXPECT_EQ(calls[0].cdb, JmCdb(c.admin ? 0x80 : 0x00, 512));
        EXPECT_EQ(calls[0].direction, DataDirection::Out);
        Bytes payload(512, 0);
        std::memcpy(payload.data(), "NVME", 4);
        std::copy(c.entry.begin(), c.entry.end(), payload.begin() + 8);
        EXPECT_EQ(calls[0].out, payload);

        const std::uint8_t op = static_cast<std::uint8_t>((c.admin ? 0x80 : 0x00) | (c.dir == 1   ? 2
                                                                                     : c.dir == 2 ? 3
                                                                                                  : 1));
        EXPECT_EQ(calls[1].cdb, JmCdb(op, c.bytes));
        EXPECT_EQ(calls[1].length, c.bytes);
        EXPECT_EQ(calls[1].direction, HostDirection(c.dir));
    }
}

TEST(BridgeTunnel, EveryCommandSendsItsBlocksEntryAndDataOnTheASMediaType) {
    for (const TunnelCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        RecordedPort port(kPort, kASM);
        Bytes data(c.bytes, 0x5C);
        ASSERT_EQ(c.run(data.data()), 1);
        const auto calls = port.backend->Calls();
        ASSERT_EQ(calls.size(), 2u);
        const std::uint8_t queue = c.admin ? 0 : 1;
        EXPECT_EQ(calls[0].cdb, AsmCdb(0xEA, 0x80, queue, c.dir, 64));
        EXPECT_EQ(calls[0].direction, DataDirection::Out);
        EXPECT_EQ(calls[0].out, Bytes(c.entry.begin(), c.entry.end()));
        EXPECT_EQ(calls[1].cdb, AsmCdb(c.dir == 2 ? 0xEA : 0xEB, 0x81, queue, c.dir, c.bytes));
        EXPECT_EQ(calls[1].length, c.bytes);
        EXPECT_EQ(calls[1].direction, HostDirection(c.dir));
    }
}

TEST(BridgeTunnel, DataPhaseCarriesTheCallersBytes) {
    for (std::uint8_t type : {kJM, kASM}) {
        RecordedPort port(kPort, type);
        port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) {
            for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(i * 3);
        });
        Bytes id(4096, 0);
        ASSERT_EQ(VC_Bridge_IdentifyCmd(kPort, id.data(), 1), 1);
        EXPECT_EQ(id[4095], static_cast<std::uint8_t>(4095 * 3));

        Bytes sectors(1024);
        for (std::size_t i = 0; i < sectors.size(); ++i) sectors[i] = static_cast<std::uint8_t>(i ^ 0xA5);
        ASSERT_EQ(VC_Bridge_WriteCmd(kPort, sectors.data(), 8, 0, 2), 1);
        EXPECT_EQ(port.backend->Calls().back().out, sectors);

        // The packet phase sends the whole sector it is given.
        Bytes packet(512, 0);
        packet[0] = 0xFF;
        packet[1] = 0xE5;
        packet[2] = 0x00;
        packet[300] = 0x33;
        ASSERT_TRUE(VC_Bridge_VendorCmdWrite(kPort, nullptr, packet.data(), 1, 0xFF));
        EXPECT_EQ(port.backend->Calls().back().out, packet);
    }
}

TEST(BridgeTunnel, EachFailingPhaseTracesItsOwnLineAndEndsTheCommand) {
    for (std::uint8_t type : {kJM, kASM}) {
        for (const TunnelCase& c : Cases()) {
            for (std::size_t phase : {0u, 1u}) {
                SCOPED_TRACE(std::string(c.name) + (type == kJM ? " JMicron" : " ASMedia") + " phase " +
                             std::to_string(phase));
                RecordedPort port(kPort, type);
                port.backend->FailCall(phase);
                platform::TraceCapture capture;
                Bytes data(c.bytes);
                const int r = c.run(data.data());
                EXPECT_TRUE(r == 0 || r == 2) << r;
                EXPECT_EQ(port.backend->Calls().size(), phase + 1);  // nothing after a failed phase
                const auto lines = capture.Lines();
                ASSERT_GE(lines.size(), 2u);
                const char* expected = type == kJM ? c.jmTraces[phase] : c.asmTraces[phase];
                EXPECT_EQ(lines.back(), expected);
                EXPECT_EQ(lines[lines.size() - 2].rfind("FAILED(VC_Bridge_", 0), 0u) << lines[lines.size() - 2];
            }
        }
    }
}

TEST(BridgeTunnel, PortWithoutAKnownBridgeGetsFailureAndNothingIsSent) {
    struct PortCase {
        std::uint8_t type, isBridge;
    };
    for (PortCase pc : {PortCase{0, 1}, PortCase{3, 1}, PortCase{1, 0}, PortCase{2, 0}}) {
        for (const TunnelCase& c : Cases()) {
            SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(pc.type));
            RecordedPort port(kPort, pc.type, pc.isBridge);
            Bytes data(c.bytes);
            EXPECT_NE(c.run(data.data()), 1);
            EXPECT_TRUE(port.backend->Calls().empty());
        }
    }
    Bytes id(4096);
    EXPECT_EQ(VC_Bridge_IdentifyCmd(-1, id.data(), 1), 2);
    EXPECT_EQ(VC_Bridge_IdentifyCmd(128, id.data(), 1), 2);
}

TEST(BridgeTunnel, CountsThatDoNotFitTheirFieldsAreRefusedBeforeSending) {
    RecordedPort jm(kPort, kJM);
    Bytes data(16);
    EXPECT_FALSE(VC_Bridge_VendorCmdRead(kPort, data.data(), nullptr, 32768, 0x86));  // 16 MiB > 24-bit length
    EXPECT_EQ(VC_Bridge_ReadCmd(kPort, data.data(), 0, 0, 65536), 2);                 // CDW12 holds 16 bits
    EXPECT_EQ(VC_Bridge_ReadCmd(kPort, data.data(), 0, 0, 0), 2);
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(kPort, data.data(), 2, 4096), 2);  // 12 bits of length
    EXPECT_EQ(VC_Bridge_IdentifyCmd(kPort, nullptr, 1), 2);              // no buffer for the data
    Bytes packet(512);
    EXPECT_FALSE(VC_Bridge_VendorCmdWrite(kPort, nullptr, packet.data(), 2, 0xFF));  // the packet is one sector
    EXPECT_FALSE(VC_Bridge_VendorCmdWrite(kPort, nullptr, packet.data(), 0, 0xFF));
    EXPECT_TRUE(jm.backend->Calls().empty());
}

// What real bridges take: a JMicron-type command moves at most 64 KiB, a command that moves no data
// goes as a non-data command, and an ASMedia-type data phase moves whole sectors.
TEST(BridgeTunnel, BridgeLimitsShapeOrRefuseTheDataPhase) {
    struct LimitCase {
        const char* name;
        std::uint8_t type;
        std::function<int(void* data)> run;
        bool sent;                // false: refused with nothing sent
        Bytes entryCdb;           // the entry phase's block
        Bytes dataCdb;            // the data or completion phase's block
        DataDirection direction;  // of the data phase
    };
    const LimitCase cases[] = {
        {"JMicron, 64 KiB is the most", kJM,
         [](void* d) { return int{VC_Bridge_VendorCmdRead(kPort, d, nullptr, 128, 0x86)}; }, true, JmCdb(0x80, 512),
         JmCdb(0x82, 65536), DataDirection::In},
        {"JMicron, one sector more is refused", kJM,
         [](void* d) { return int{VC_Bridge_VendorCmdRead(kPort, d, nullptr, 129, 0x86)}; }, false, {}, {},
         DataDirection::None},
        {"ASMedia, the same is sent", kASM,
         [](void* d) { return int{VC_Bridge_VendorCmdRead(kPort, d, nullptr, 129, 0x86)}; }, true,
         AsmCdb(0xEA, 0x80, 0, 1, 64), AsmCdb(0xEB, 0x81, 0, 1, 66048), DataDirection::In},
        {"JMicron, a log of 100 dwords moves no sector: non-data", kJM,
         [](void* d) { return VC_Bridge_GetLogPageCmd(kPort, d, 2, 100); }, true, JmCdb(0x80, 512), JmCdb(0x81, 0),
         DataDirection::None},
        {"ASMedia, 100 dwords move one whole sector", kASM,
         [](void* d) { return VC_Bridge_GetLogPageCmd(kPort, d, 2, 100); }, true, AsmCdb(0xEA, 0x80, 0, 1, 64),
         AsmCdb(0xEB, 0x81, 0, 1, 512), DataDirection::In},
        {"ASMedia, 130 dwords move two sectors", kASM,
         [](void* d) { return VC_Bridge_GetLogPageCmd(kPort, d, 2, 130); }, true, AsmCdb(0xEA, 0x80, 0, 1, 64),
         AsmCdb(0xEB, 0x81, 0, 1, 1024), DataDirection::In},
        {"JMicron, a log of 0 dwords: non-data", kJM, [](void* d) { return VC_Bridge_GetLogPageCmd(kPort, d, 2, 0); },
         true, JmCdb(0x80, 512), JmCdb(0x81, 0), DataDirection::None},
        {"ASMedia, a log of 0 dwords: non-data", kASM,
         [](void* d) { return VC_Bridge_GetLogPageCmd(kPort, d, 2, 0); }, true, AsmCdb(0xEA, 0x80, 0, 0, 64),
         AsmCdb(0xEB, 0x81, 0, 0, 0), DataDirection::None},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedPort port(kPort, c.type);
        port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) { std::fill(d.begin(), d.end(), 0x77); });
        platform::TraceCapture capture;
        Bytes data(66048 + 16, 0x11);
        const int r = c.run(data.data());
        EXPECT_EQ(r == 1, c.sent) << r;
        const auto calls = port.backend->Calls();
        if (!c.sent) {
            EXPECT_TRUE(calls.empty());
            EXPECT_TRUE(capture.Contains("fail! - transfer length out of range"));
            continue;
        }
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].cdb, c.entryCdb);
        EXPECT_EQ(calls[1].cdb, c.dataCdb);
        EXPECT_EQ(calls[1].direction, c.direction);
        // The buffer handed to the pass-through is as long as the block says.
        const std::uint32_t length = c.dataCdb[0] == 0xA1
                                         ? std::uint32_t{c.dataCdb[3]} << 16 | std::uint32_t{c.dataCdb[4]} << 8 | c.dataCdb[5]
                                         : std::uint32_t{c.dataCdb[11]} << 16 | std::uint32_t{c.dataCdb[12]} << 8 |
                                               c.dataCdb[13];
        EXPECT_EQ(calls[1].length, length);
    }
}

TEST(BridgeTunnel, AnAsmPhaseOfPartOfASectorFillsOnlyTheCallersBytes) {
    RecordedPort port(kPort, kASM);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) { std::fill(d.begin(), d.end(), 0x77); });
    Bytes log(400 + 8, 0x11);
    ASSERT_EQ(VC_Bridge_GetLogPageCmd(kPort, log.data(), 2, 100), 1);
    EXPECT_EQ(std::count(log.begin(), log.begin() + 400, 0x77), 400);
    EXPECT_EQ(std::count(log.begin() + 400, log.end(), 0x11), 8);  // nothing beyond the caller's 400 bytes
}

TEST(BridgeCdb, PrimitivesBuildTheBlocksOfTheirType) {
    const auto jm = transport::BuildJmCdb(transport::JmOperation::DataOut, true, 65536);
    EXPECT_EQ(Bytes(jm.begin(), jm.end()), (Bytes{0xA1, 0x83, 0, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0}));
    RecordedPort port(kPort, kJM);
    Bytes none;
    ASSERT_TRUE(VC_Bridge_JM_DataOutCmd(kPort, none.data(), 0, false));  // 0 sectors: the non-data operation
    EXPECT_EQ(port.backend->Calls().back().cdb, JmCdb(0x01, 0));
    EXPECT_EQ(port.backend->Calls().back().direction, DataDirection::None);
    Bytes sector(512);
    ASSERT_TRUE(VC_Bridge_ASM_DataInCmd(kPort, sector.data(), 512, false, 0x81, 1));
    EXPECT_EQ(port.backend->Calls().back().cdb, AsmCdb(0xEB, 0x81, 1, 1, 512));
}

}  // namespace
