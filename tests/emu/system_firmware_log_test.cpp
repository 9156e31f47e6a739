// The system firmware's bad-unit list and UART log, through the vendor protocol as the host
// reaches them (packet phase, then the data phase), with the keys of the drive's section.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_bytes.h"
#include "emu/bay_ini.h"
#include "emu/drive_programs.h"
#include "emu/nvme_controller.h"

namespace {

using emu::Program;
using Bytes = std::vector<std::uint8_t>;
namespace st = emu::nvme_status;

emu::DriveConfig Drive(const std::string& keys) {
    emu::DriveConfig d;
    d.name = "Drive1";
    d.section = emu::ParseIni("[Drive1]\n" + keys).sections.at(0);
    return d;
}

// Four channels of two CEs, 64 blocks of 2 planes (32 units).
const std::string kGeometry =
    "FlashChannels=4\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=64\nFlashPages=16\nFlashPageSectors=8\nFlashPlanes=2\n";

struct SystemDrive {
    emu::NvmeController controller;
    emu::DrivePrograms programs;

    explicit SystemDrive(const std::string& keys) {
        std::string error;
        const auto setup = emu::ReadProgramSetup(Drive(kGeometry + keys), &error);
        EXPECT_TRUE(setup.has_value()) << error;
        programs = emu::InstallDrivePrograms(controller.Core(), setup.value_or(emu::ProgramSetup{}));
        controller.AttachSystemFirmware(*programs.system);
        controller.Core().Start(Program::System);
        Bytes none;
        EXPECT_TRUE(controller.Run(emu_test::VendorOn(), none).Ok());
    }
    emu::NvmeStatus Vendor(std::uint8_t code, std::vector<std::uint8_t> params, Bytes& data) {
        Bytes packet = emu_test::PacketSector(code, std::move(params));
        const emu::NvmeStatus sent = controller.Run(emu_test::VendorOut(1, 0xFF), packet);
        if (!sent.Ok()) return sent;
        return controller.Run(emu_test::VendorIn(static_cast<std::uint32_t>(data.size() / 512), code), data);
    }
    Bytes UartChunk(std::uint16_t index, std::size_t sectors = 1) {
        Bytes reply(sectors * 512);
        EXPECT_TRUE(
            Vendor(0x21, {static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8)}, reply).Ok());
        return reply;
    }
    std::string Log() { return programs.system->Uart().Text(); }
};

std::uint32_t Le32(const Bytes& d, std::size_t at) {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (std::uint32_t{d[at + 3]} << 24);
}
std::string Text(const Bytes& d, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(&d[at]), n);
}

struct Entry {
    unsigned unit, type;
    std::uint32_t mask;
    friend bool operator==(const Entry&, const Entry&) = default;
};
std::vector<Entry> Entries(const Bytes& reply) {
    std::vector<Entry> out;
    for (std::size_t e = 0; e < std::size_t(reply[0] | (reply[1] << 8)); ++e) {
        const std::size_t at = 4 + 8 * e;
        out.push_back({static_cast<unsigned>(reply[at] | (reply[at + 1] << 8)), reply[at + 2], Le32(reply, at + 4)});
        EXPECT_EQ(reply[at + 3], 0);
    }
    return out;
}

TEST(SystemBadUnits, ListsFactoryServedAndGrownBadUnitsPerCe) {
    // CE 1: factory bad block 10 (unit 5) on channel 0, overridden there by a grown entry of type 7.
    // CE 0: unit 3 grown on channels 1 (type 9), 2 (type 6) and 3 (type 0); served failures below.
    SystemDrive d("BadBlocks=0:1:0:10,3:1:0:44\nGrownBad=0:1:0:11:7,1:0:0:7:9,2:0:0:7:6,3:0:0:6:0\n");
    emu::NandModel& nand = *d.programs.nand;
    nand.InjectEraseFailure(1, 0, 0, 20);
    nand.InjectProgramFailure(0, 0, 0, 31);
    nand.InjectUncorrectable({2, 0, 0, 40, 3});
    Bytes page(4096, 0x5A), out(4096);
    EXPECT_EQ(nand.Erase(1, 0, 0, 20), emu::NandResult::EraseFailed);
    EXPECT_EQ(nand.Program({0, 0, 0, 31, 0}, page, 1, 1), emu::NandResult::ProgramFailed);
    EXPECT_EQ(nand.Read({2, 0, 0, 40, 3}, out, 1, 1), emu::NandResult::Uncorrectable);
    EXPECT_EQ(nand.Erase(1, 0, 0, 20), emu::NandResult::EraseFailed) << "served twice, listed once";

    Bytes reply(64 * 512);
    ASSERT_TRUE(d.Vendor(0x00, {0, 0}, reply).Ok());
    EXPECT_EQ(Entries(reply), (std::vector<Entry>{{3, 9, 0x0E}, {10, 6, 0x02}, {15, 5, 0x01}, {20, 4, 0x04}}));
    EXPECT_EQ(reply[2], 0);
    EXPECT_EQ(reply[3], 0);
    ASSERT_TRUE(d.Vendor(0x00, {0, 1}, reply).Ok());
    EXPECT_EQ(Entries(reply), (std::vector<Entry>{{5, 7, 0x10}, {22, 1, 0x80}})) << "bit CE x channels + channel";
    EXPECT_EQ(nand.ServedCounts(), (emu::NandModel::FailureCounts{1, 1, 2}));

    EXPECT_EQ(d.Vendor(0x00, {0, 2}, reply), st::kInvalidField) << "a CE the flash does not have";
}

TEST(SystemBadUnits, GivesAsManyEntriesAsTheReplyHoldsAndCanBeRefused) {
    SystemDrive d("");
    for (int b = 0; b < 64; ++b) d.programs.nand->MarkFactoryBad(1, 0, 0, b);
    for (int b = 0; b < 64; b += 2) d.programs.nand->MarkFactoryBad(2, 1, 0, b);
    Bytes reply(512);
    ASSERT_TRUE(d.Vendor(0x00, {0, 0}, reply).Ok());
    EXPECT_EQ(Entries(reply).size(), 32u) << "32 units fit one sector";
    ASSERT_TRUE(d.Vendor(0x00, {0, 1}, reply).Ok());
    EXPECT_EQ(Entries(reply).front(), (Entry{0, 1, 1u << 6}));

    SystemDrive refusing("BadUnit=fail\n");
    EXPECT_EQ(refusing.Vendor(0x00, {0, 0}, reply), st::kInternalError);
}

TEST(SystemBadUnits, KeysThatAreNotSound) {
    for (const char* keys :
         {"GrownBad=0:0:0:1\n", "GrownBad=0:0:0:1:256\n", "GrownBad=0:0:0:1:2:3\n", "GrownBad=4:0:0:1:2\n",
          "GrownBad=0:0:0:64:2\n", "GrownBad=0:0:0:x:2\n", "BadUnit=maybe\n", "UartChunkBytes=0\n", "UartNotReady=-1\n",
          "UartBadSize=65536\n", "UartEndless=2\n", "UartLogFile=../x.txt\n"}) {
        SCOPED_TRACE(keys);
        std::string error;
        EXPECT_FALSE(emu::ReadProgramSetup(Drive(kGeometry + keys), &error).has_value());
        EXPECT_FALSE(error.empty());
    }
}

TEST(UartLog, ChunksOfTheLogThenTheEndMarker) {
    SystemDrive d("UartChunkBytes=5\n");
    d.programs.system->Uart().SetText("abcdefghijkl");
    const char* expected[] = {"abcde", "fghij", "kl"};
    for (std::uint16_t i = 0; i < 3; ++i) {
        const Bytes c = d.UartChunk(i);
        EXPECT_EQ(Le32(c, 0), std::string(expected[i]).size());
        EXPECT_EQ(Text(c, 4, Le32(c, 0)), expected[i]);
    }
    const Bytes end = d.UartChunk(3);
    EXPECT_EQ(Bytes(end.begin(), end.begin() + 8), (Bytes{'e', 'M', 'V', 'N', 0, 0, 0, 0}));
    EXPECT_EQ(Text(d.UartChunk(0x0102), 0, 4), "eMVN") << "index 0x0102 is far past the end";
    EXPECT_EQ(d.Log(), "abcdefghijkl") << "the log reads write no line";
}

TEST(UartLog, AChunkNeverPassesTheReadLessItsSizeField) {
    SystemDrive d("");  // 4,096 bytes a chunk
    d.programs.system->Uart().SetText(std::string(5000, 'x'));
    EXPECT_EQ(Le32(d.UartChunk(0), 0), 508u);
    EXPECT_EQ(Le32(d.UartChunk(0, 16), 0), 4096u);
    EXPECT_EQ(Le32(d.UartChunk(1, 16), 0), 904u);
}

TEST(UartLog, FaultsNotReadyBadSizeAndEndless) {
    SystemDrive notReady("UartNotReady=2\n");
    notReady.programs.system->Uart().SetText("hello");
    for (std::uint16_t index : {0, 1}) {
        for (int i = 0; i < 2; ++i) {
            const Bytes c = notReady.UartChunk(index);
            EXPECT_EQ(Bytes(c.begin(), c.begin() + 8), (Bytes{'e', 'M', 'V', 'N', 1, 0, 0, 0}));
        }
        EXPECT_EQ(Le32(notReady.UartChunk(index), 0), index == 0 ? 5u : 0x4E564D65u /* "eMVN" */);
    }

    SystemDrive badSize("UartChunkBytes=2\nUartBadSize=1\n");
    badSize.programs.system->Uart().SetText("abcdef");
    EXPECT_EQ(Le32(badSize.UartChunk(0), 0), 2u);
    EXPECT_EQ(Le32(badSize.UartChunk(1), 0), 65537u);
    EXPECT_EQ(Le32(badSize.UartChunk(2), 0), 2u);

    SystemDrive endless("UartEndless=1\nUartChunkBytes=100000\nUartChunkUs=1500\n");
    endless.programs.system->Uart().SetText("ab");
    const Bytes first = endless.UartChunk(0, 128);
    EXPECT_EQ(Le32(first, 0), 65532u);
    EXPECT_EQ(Text(first, 4, 2 + 11), "ab[SYS] idle\n");
    const Bytes late = endless.UartChunk(2048, 128);
    EXPECT_EQ(Le32(late, 0), 65532u);
    EXPECT_EQ(Text(late, 4, 22), "[SYS] idle\n[SYS] idle\n");
    EXPECT_EQ(endless.programs.system->Uart().Latency().TotalUs(), 3000u) << "each chunk's time";
    EXPECT_EQ(notReady.programs.system->Uart().Latency().TotalUs(), 0u);
}

TEST(UartLog, LinesAtEachStartAndForEveryCommandServed) {
    SystemDrive d("");
    d.controller.Core().SetFlashProgram(Program::System);
    d.controller.PowerOn(false);  // no loader block: the firmware the drive was set up with
    EXPECT_EQ(d.Log(),
              "[SYS] start without a loader block\n"
              "[SYS] flash 4 CH x 2 CE x 1 LUN, 64 blocks of 16 pages of 4096 bytes, 2 planes\n"
              "[SYS] firmware tag RAVEZ\n");
    Bytes none;
    ASSERT_TRUE(d.controller.Run(emu_test::VendorOn(), none).Ok());
    Bytes counts(512);
    ASSERT_TRUE(d.Vendor(0x01, {7, 8}, counts).Ok());
    d.UartChunk(0);
    const std::string log = d.Log();
    EXPECT_EQ(log.substr(log.rfind("[SYS] vendor")), "[SYS] vendor 0x01 07 08 00 00 00 00 00 00 00 00 00 00 00\n");
}

TEST(UartLog, KeepsItsNewestMebibyteInWholeLines) {
    emu::UartLog log;
    const std::string line(99, 'x');
    for (int i = 0; i < 11000; ++i) log.Write(line + "\n");
    const std::string text = log.Text();
    EXPECT_LE(text.size(), emu::kUartLogKeptBytes);
    EXPECT_EQ(text.size() % 100, 0u);
    EXPECT_EQ(text.substr(0, 100), line + "\n");
}

}  // namespace
