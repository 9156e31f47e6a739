#include "commands/std_nvme.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/recording_backend.h"

namespace {

using test_support::Decode;
using test_support::RecordedPort;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPort = 20;

struct StdCase {
    const char* name;
    std::function<int(void*)> run;
    std::uint8_t opcode;
    std::uint32_t nsid, cdw10, cdw11, cdw12;
    std::size_t bytes;
};

std::vector<StdCase> Cases() {
    return {
        {"identify controller", [](void* b) { return VC_STD_Identify(kPort, b, 1); }, 0x06, 0, 1, 0, 0, 4096},
        {"identify namespace", [](void* b) { return VC_STD_Identify(kPort, b, 0); }, 0x06, 1, 0, 0, 0, 4096},
        {"SMART log", [](void* b) { return VC_STD_GetSmartLog(kPort, b); }, 0x02, 0, 0x04000002, 0, 0, 4096},
        {"flush", [](void*) { return VC_STD_Flush(kPort); }, 0x00, 1, 0, 0, 0, 0},
        {"write", [](void* b) { return VC_STD_Write(kPort, b, 128, 0x00200000, 1); }, 0x01, 1, 0x00200000, 1, 128,
         65536},
        {"read 1 at LBA 0", [](void* b) { return VC_STD_Read(kPort, b, 1, 0, 0); }, 0x02, 1, 0, 0, 1, 512},
        {"sanitize 9", [](void*) { return VC_STD_Sanitize(kPort, 9); }, 0x84, 0, 1, 0, 0, 0},
        {"sanitize 7", [](void*) { return VC_STD_Sanitize(kPort, 7); }, 0x84, 0, 7, 0, 0, 0},
    };
}

TEST(StdNvme, EachCommandCarriesItsEntryAndLengthOnBothBridges) {
    for (std::uint8_t type : {1, 2}) {
        for (const StdCase& c : Cases()) {
            SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(type));
            RecordedPort port(kPort, type);
            Bytes buffer(65536);
            ASSERT_EQ(c.run(buffer.data()), 1);
            const auto sent = Decode(port.backend->Calls());
            ASSERT_EQ(sent.size(), 1u);
            EXPECT_EQ(sent[0].entry[0], c.opcode);
            EXPECT_EQ(sent[0].Dword(1), c.nsid);
            EXPECT_EQ(sent[0].Dword(10), c.cdw10);
            EXPECT_EQ(sent[0].Dword(11), c.cdw11);
            EXPECT_EQ(sent[0].Dword(12), c.cdw12);
            EXPECT_EQ(sent[0].dataCall.length, c.bytes);
        }
    }
}

TEST(StdNvme, PortsWithoutABridgeGetTwoAndNothingIsSent) {
    for (const StdCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        RecordedPort notMatched(kPort, 1, 0);
        RecordedPort unknownType(kPort + 1, 7);
        Bytes buffer(65536);
        EXPECT_EQ(c.run(buffer.data()), 2);
        EXPECT_TRUE(notMatched.backend->Calls().empty());
    }
    RecordedPort unknownType(kPort, 7);
    Bytes buffer(4096);
    EXPECT_EQ(VC_STD_GetSmartLog(kPort, buffer.data()), 2);
    EXPECT_TRUE(unknownType.backend->Calls().empty());
}

TEST(StdNvme, AFailedPhaseGivesTwo) {
    for (std::uint8_t type : {1, 2}) {
        for (std::size_t call : {0u, 1u}) {
            RecordedPort port(kPort, type);
            port.backend->FailCall(call);
            Bytes buffer(4096);
            EXPECT_EQ(VC_STD_GetSmartLog(kPort, buffer.data()), 2);
        }
    }
}

}  // namespace
