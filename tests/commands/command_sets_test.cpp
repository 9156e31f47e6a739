#include "commands/command_sets.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "support/recording_backend.h"

namespace {

using platform::DataDirection;
using test_support::Decode;
using test_support::RecordedPort;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPort = 9;
enum Data { kNone, kIn, kOut };

struct CommandCase {
    const char* name;
    std::function<int(void* buffer)> run;
    Bytes packet;  // the expected packet; the rest of its sector is zero
    Data data;
    std::uint32_t sectors;
    const char* failLine;  // null: the command fails silently
};

std::vector<CommandCase> Cases() {
    return {
        {"LDR JumpToPRAM",
         [](void*) { return VC_LDR_CmdJumpToPRAM(kPort, 3); },
         {0xFF, 0xE5, 0x82, 3},
         kNone,
         0,
         "######### - VC_LDR_CmdJumpToPRAM fail!\n"},
        {"LDR JumpToROM",
         [](void*) { return VC_LDR_CmdJumpToROM(kPort, 1); },
         {0xFF, 0xE5, 0x83, 1},
         kNone,
         0,
         "######### - VC_LDR_CmdJumpToROM fail!\n"},
        {"LDR GetReg",
         [](void*) {
             std::uint8_t v = 0;
             return VC_LDR_CmdGetReg(kPort, 0xF0000004, &v);
         },
         {0xFF, 0xE5, 0x84, 0xF0, 0x00, 0x00, 0x04},
         kIn,
         1,
         "######### - VC_LDR_CmdGetReg fail!\n"},
        {"LDR WriteRam",
         [](void* b) { return VC_LDR_CmdWriteRam(kPort, b, 2, 0x12345678); },
         {0xFF, 0xE5, 0x87, 0, 0x12, 0x34, 0x56, 0x78},
         kOut,
         2,
         "######### - VC_LDR_CmdWriteRam fail!\n"},
        {"LDR WriteRamRsa",
         [](void* b) { return VC_LDR_CmdWriteRamRsa(kPort, b, 16, 0xAAAA, 0xBBBB, 10); },
         {0xFF, 0xE5, 0x87, 0x0A, 0x00, 0x00, 0x00, 0x10, 0, 0, 0, 0, 0, 0, 0, 0},
         kOut,
         1,
         "######### - VC_LDR_CmdWriteRamRsa fail!\n"},
        {"LDR ReadRam",
         [](void* b) { return VC_LDR_CmdReadRam(kPort, b, 8, 0); },
         {0xFF, 0xE5, 0x86, 0, 0, 0, 0, 0},
         kIn,
         8,
         "######### - VC_LDR_CmdReadRam fail!\n"},
        {"GDP GetReturn",
         [](void* b) {
             std::uint8_t s = 0;
             return VC_GDP_CmdGetReturn(kPort, &s, b);
         },
         {0xFF, 0xE5, 0x00},
         kIn,
         1,
         "######### - VC_GDP_CmdGetReturn fail!\n"},
        {"GDP ScanDefectBad",
         [](void*) { return VC_GDP_CmdScanDefectBad(kPort, 5); },
         {0xFF, 0xE5, 0x02, 5},
         kNone,
         0,
         "######### - VC_GDP_CmdScanDefectBad fail!\n"},
        {"GDP GetFlashModule",
         [](void* b) { return VC_GDP_CmdGetFlashModule(kPort, b, 2); },
         {0xFF, 0xE5, 0x05},
         kIn,
         2,
         "######### - VC_GDP_CmdGetFlashModule fail!\n"},
        {"GDP GetCodeBlock",
         [](void* b) { return VC_GDP_CmdGetCodeBlock(kPort, b, 3); },
         {0xFF, 0xE5, 0x07},
         kIn,
         3,
         "######### - VC_GDP_CmdGetCodeBlock fail!\n"},
        {"GDP EraseSPI",
         [](void*) { return VC_GDP_CmdEraseSPI(kPort); },
         {0xFF, 0xE5, 0x0A},
         kNone,
         0,
         "######### - VC_GDP_CmdEraseSPI fail!\n"},
        {"GDP ProgramSPI",
         [](void* b) { return VC_GDP_CmdProgramSPI(kPort, b, 0x00010000, 0x1234, 10); },
         {0xFF, 0xE5, 0x0C, 0, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x12, 0x34},
         kOut,
         10,
         nullptr},
        {"GDP InitGDP",
         [](void* b) { return VC_GDP_CmdInitGDP(kPort, b, 2); },
         {0xFF, 0xE5, 0x11},
         kOut,
         2,
         "######### - VC_GDP_CmdInitGDP fail!\n"},
        {"GDP FlashDiagnostic",
         [](void*) { return VC_GDP_CmdFlashDiagnostic(kPort, 3, 0x44); },
         {0xFF, 0xE5, 0x21, 3, 0, 0, 0x44},
         kIn,
         1,
         "######### - VC_GDP_CmdFlashDiagnostic fail!\n"},
        {"GDP GetDefectBadTab",
         [](void* b) { return VC_GDP_CmdGetDefectBadTab(kPort, b, 4); },
         {0xFF, 0xE5, 0x31},
         kIn,
         4,
         "######### - VC_GDP_CmdGetDefectBadTab fail!\n"},
        {"GDP PreCheckCodeBlock",
         [](void*) { return VC_GDP_CmdPreCheckCodeBlock(kPort, 0x22, 1); },
         {0xFF, 0xE5, 0x3A, 7, 0x22},
         kNone,
         0,
         "######### - VC_GDP_CmdPreCheckCodeBlock fail!\n"},
        {"GDP PreCheckCodeBlock mode 0",
         [](void*) { return VC_GDP_CmdPreCheckCodeBlock(kPort, 0x22, 0); },
         {0xFF, 0xE5, 0x3A, 0, 0x22},
         kNone,
         0,
         "######### - VC_GDP_CmdPreCheckCodeBlock fail!\n"},
        {"GDP AutoDetect",
         [](void* b) { return VC_GDP_CmdAutoDetect(kPort, b, 1); },
         {0xFF, 0xE5, 0x3B},
         kIn,
         1,
         "######### - VC_GDP_CmdAutoDetect fail!\n"},
        {"RDT GetSORTStatus",
         [](void* b) { return VC_RDT_CmdGetSORTStatus(kPort, b, 1, 1); },
         {0xFF, 0xE5, 0x3C, 0, 1},
         kIn,
         1,
         "######### - VC RDT_CmdGetSORTStatus fail!\n"},
        {"RDT GetSORTStatus unchecked",
         [](void* b) { return VC_RDT_CmdGetSORTStatus(kPort, b, 1, 0); },
         {0xFF, 0xE5, 0x3C, 0, 0},
         kIn,
         1,
         "######### - VC RDT_CmdGetSORTStatus fail!\n"},
        {"GDP ScanResultBlk",
         [](void*) { return VC_GDP_CmdScanResultBlk(kPort, 10, 1); },
         {0xFF, 0xE5, 0x47, 10, 1},
         kNone,
         0,
         "######### - VC_GDP_CmdScanResultBlk fail!\n"},
        {"GDP GetResultBlk",
         [](void* b) { return VC_GDP_CmdGetResultBlk(kPort, b, 1); },
         {0xFF, 0xE5, 0x48},
         kIn,
         1,
         "######### - VC_GDP_CmdGetResultBlk fail!\n"},
        {"GDP SwitchToLegacy",
         [](void*) { return VC_GDP_CmdSwitchToLegacy(kPort); },
         {0xFF, 0xE5, 0x49},
         kNone,
         0,
         "######### - VC_GDP_CmdSwitchToLegacy fail!\n"},
        {"GDP DramTest",
         [](void*) { return VC_GDP_CmdDramTest(kPort, 0x1234, 0xABCD); },
         {0xFF, 0xE5, 0x4A, 0x12, 0x34, 0xAB, 0xCD},
         kNone,
         0,
         "######### - VC_GDP_CmdDramTest fail!\n"},
        {"GDP CheckNandTime",
         [](void* b) { return VC_GDP_CmdCheckNandTime(kPort, 1, 2, 3, 0x0456, b); },
         {0xFF, 0xE5, 0x4B, 1, 2, 3, 0x04, 0x56},
         kIn,
         1,
         "######### - VC_GDP_CmdCheckNandTime fail!\n"},
        {"GDP PageWriteInterleave",
         [](void* b) { return VC_GDP_CmdPageWriteInterleave(kPort, 1, 2, 0x0304, 0x0506, 7, 8, 9, b, 4); },
         {0xFF, 0xE5, 0x4C, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         kOut,
         4,
         "######### - VC_GDP_CmdPageWriteInterleave fail!\n"},
        {"GDP SetLoaderBlock",
         [](void* b) { return VC_GDP_CmdSetLoaderBlock(kPort, b, 1); },
         {0xFF, 0xE5, 0x4D},
         kOut,
         1,
         "######### - VC_GDP_CmdSetLoaderBlock fail!\n"},
        {"GDP Pcie_LoopBack",
         [](void*) { return VC_GDP_CmdPcie_LoopBack(kPort); },
         {0xFF, 0xE5, 0x4E},
         kNone,
         0,
         "######### - VC_GDP_CmdPcie_LoopBack fail!\n"},
        {"GDP ReadFlashID",
         [](void* b) { return VC_GDP_CmdReadFlashID(kPort, 2, 3, b, 1); },
         {0xFF, 0xE5, 0x88, 2, 3},
         kIn,
         1,
         "######### - VC_GDP_CmdReadFlashID fail!\n"},
        {"GDP PageRead",
         [](void* b) { return VC_GDP_CmdPageRead(kPort, 1, 2, 0x0304, 0x0506, 0x11, 0x22, 0x33, b, 16, 1); },
         {0xFF, 0xE5, 0x89, 1, 2, 3, 4, 5, 6, 0x11, 0x22, 0x33},
         kIn,
         16,
         "######### - VC_GDP_CmdPageRead fail!\n"},
        {"GDP PageWrite",
         [](void* b) { return VC_GDP_CmdPageWrite(kPort, 1, 2, 0x0304, 0x0506, 0x91, 8, 9, b, 16); },
         {0xFF, 0xE5, 0x8A, 1, 2, 3, 4, 5, 6, 0x91, 8, 9},
         kOut,
         16,
         "######### - VC_GDP_CmdPageWrite fail!\n"},
        {"GDP BlockErase",
         [](void*) { return VC_GDP_CmdBlockErase(kPort, 1, 2, 0x0304, 5, 6); },
         {0xFF, 0xE5, 0x8B, 1, 2, 3, 4, 5, 6},
         kNone,
         0,
         "######### - VC_GDP_CmdBlockErase fail!\n"},
        {"SYS GetEraseCount",
         [](void* b) { return VC_SYS_GetEraseCount(kPort, b, 4, 7, 8); },
         {0xFF, 0xE5, 0x01, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         kIn,
         4,
         "######### - VC_SYS_GetEraseCount fail!\n"},
        {"SYS GetFlashID",
         [](void* b) { return VC_SYS_GetFlashID(kPort, b, 1, 3, 2); },
         {0xFF, 0xE5, 0x36, 3, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         kIn,
         1,
         "######### - VC_SYS_GetFlashID fail!\n"},
        {"SYS ReadPage",
         [](void* b) { return VC_SYS_ReadPage(kPort, 1, 2, 0x0304, 0x0506, 7, 8, b, 8, 0xA1B2C3D4); },
         {0xFF, 0xE5, 0x04, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0xA1, 0xB2, 0xC3, 0xD4},
         kIn,
         8,
         "######### - VC_SYS_ReadPage fail!\n"},
        {"SYS GetBadUnit",
         [](void* b) { return VC_SYS_GetBadUnit(kPort, b, 16, 0, 3); },
         {0xFF, 0xE5, 0x00, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         kIn,
         16,
         "######### - VC_SYS_GetBadUnit fail!\n"},
        {"SYS GetUartLog (index low byte first)",
         [](void* b) { return VC_SYS_GetUartLog(kPort, b, 8, 0x0102); },
         {0xFF, 0xE5, 0x21, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         kIn,
         8,
         "######### - VC_SYS_GetUartLog fail!\n"},
    };
}

Bytes Sector(const Bytes& packet) {
    Bytes s(512, 0);
    std::copy(packet.begin(), packet.end(), s.begin());
    return s;
}

// Every reply sector answers with a non-zero first byte, so the reply rule passes.
void AnswerOnes(RecordedPort& port) {
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) { std::fill(d.begin(), d.end(), 0x01); });
}

TEST(CommandSets, EveryCommandSendsItsPacketAndDataOnBothBridgeTypes) {
    for (std::uint8_t type : {1, 2}) {
        for (const CommandCase& c : Cases()) {
            SCOPED_TRACE(std::string(c.name) + (type == 1 ? " JMicron" : " ASMedia"));
            RecordedPort port(kPort, type);
            AnswerOnes(port);
            Bytes buffer(16 * 512, 0x3C);
            ASSERT_EQ(c.run(buffer.data()), 1);
            const auto sent = Decode(port.backend->Calls());
            ASSERT_EQ(sent.size(), c.data == kNone ? 1u : 2u);

            const auto& packet = sent[0];
            EXPECT_EQ(packet.entry[0], 0xC1);
            EXPECT_EQ(packet.Dword(10), 128u);
            EXPECT_EQ(packet.Dword(14), 0x00715AFFu);
            EXPECT_EQ(packet.Dword(15), 1u);
            EXPECT_EQ(packet.dataCall.out, Sector(c.packet));
            if (c.data == kNone) continue;

            const auto& data = sent[1];
            EXPECT_EQ(data.entry[0], c.data == kIn ? 0xC2 : 0xC1);
            EXPECT_EQ(data.Dword(10), c.sectors * 128);
            EXPECT_EQ(data.Dword(14), 0x00715A00u | c.packet[2]);
            EXPECT_EQ(data.Dword(15), c.sectors);
            EXPECT_EQ(data.dataCall.length, c.sectors * 512);
            EXPECT_EQ(data.dataCall.direction, c.data == kIn ? DataDirection::In : DataDirection::Out);
            if (c.data == kOut) {
                EXPECT_EQ(data.dataCall.out, Bytes(buffer.begin(), buffer.begin() + c.sectors * 512));
            }
        }
    }
}

TEST(CommandSets, AFailedSendTracesTheCommandsOwnLineAndGivesTwo) {
    for (const CommandCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        RecordedPort port(kPort, 1);
        port.backend->FailCall(1);  // the packet's data phase
        platform::TraceCapture capture;
        Bytes buffer(16 * 512);
        EXPECT_EQ(c.run(buffer.data()), 2);
        const std::string last = capture.Lines().back();
        EXPECT_EQ(last, c.failLine ? c.failLine : "######### - VC_Bridge_VendorCmdWrite - first vendor write fail!\n");
    }
}

TEST(CommandSets, RepliesThatTheCommandsInterpret) {
    RecordedPort port(kPort, 2);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), 0);
        d[0] = 0x24;
    });
    std::uint8_t value = 0;
    ASSERT_EQ(VC_LDR_CmdGetReg(kPort, 0xF0000006, &value), 1);
    EXPECT_EQ(value, 0x24);
    Bytes reply(512);
    std::uint8_t status = 0;
    ASSERT_EQ(VC_GDP_CmdGetReturn(kPort, &status, reply.data()), 1);
    EXPECT_EQ(status, 0x24);
    EXPECT_EQ(VC_GDP_CmdFlashDiagnostic(kPort, 1, 1), 1);

    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) { std::fill(d.begin(), d.end(), 0); });
    platform::TraceCapture capture;
    EXPECT_EQ(VC_GDP_CmdFlashDiagnostic(kPort, 1, 1), 2);  // a zero reply fails, without a trace line
    EXPECT_TRUE(capture.Lines().empty());
}

TEST(CommandSets, AFailedFlashIdReadTracesNoMoreOfTheReplyThanItAskedFor) {
    RecordedPort port(kPort, 1);
    port.backend->FailCall(1);
    platform::TraceCapture capture;
    Bytes buffer(2 * 512, 'A');  // no zero byte in the sector asked for, nor in the next
    EXPECT_EQ(VC_SYS_GetFlashID(kPort, buffer.data(), 1, 0, 0), 2);
    const auto lines = capture.Lines();
    ASSERT_GE(lines.size(), 2u);
    const std::string& text = lines[lines.size() - 2];
    EXPECT_EQ(text.size(), std::string("######### -").size() + 512 + 1);
    EXPECT_EQ(lines.back(), "######### - VC_SYS_GetFlashID fail!\n");
}

TEST(CommandSets, PageReadSetsTheInheritBitOnlyWithBothSwitchesOn) {
    struct Case {
        std::uint8_t inheritRead, inheritAnt, expected;
    };
    for (Case c : {Case{0, 0, 0x11}, Case{1, 0, 0x11}, Case{0, 1, 0x11}, Case{1, 1, 0x91}}) {
        RecordedPort port(kPort, 1);
        AP_Instance[kPort].bInheritRead = c.inheritRead;
        Bytes page(512);
        ASSERT_EQ(VC_GDP_CmdPageRead(kPort, 0, 0, 0, 0, 0x11, 0, 0, page.data(), 1, c.inheritAnt), 1);
        EXPECT_EQ(Decode(port.backend->Calls())[0].dataCall.out[9], c.expected);
    }
}

}  // namespace
