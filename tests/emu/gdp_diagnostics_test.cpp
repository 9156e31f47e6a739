#include "emu/gdp_diagnostics.h"

#include <gtest/gtest.h>

#include "emu/poison.h"
#include "emu/wire_bytes.h"
#include "program_bench.h"

namespace {

using emu::Program;
using Bytes = std::vector<std::uint8_t>;

struct Gdp : emu_test::DiagnosticBench {
    using DiagnosticBench::DiagnosticBench;
    Bytes Sector(std::uint8_t code, std::vector<std::uint8_t> params = {}, emu::NvmeStatus* status = nullptr) {
        Bytes reply(512);
        const emu::NvmeStatus s = Run(code, std::move(params), reply, true);
        if (status != nullptr) *status = s;
        return reply;
    }
};

// Every byte of the flash-module reply: the defined ones, and poison everywhere else.
Bytes ExpectedModule(const Bytes& id7, int channels, int ces) {
    Bytes e(512, emu::kPoison);
    std::copy(id7.begin(), id7.end(), e.begin());
    e[7] = static_cast<std::uint8_t>(channels);
    e[8] = static_cast<std::uint8_t>(ces);
    for (int i = 0; i < 4; ++i) e[10 + i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 8; ++i) e[14 + i] = static_cast<std::uint8_t>(i);
    for (int i = 67; i <= 130; ++i) e[i] = 0xFF;
    for (int ch = 0; ch < 8; ++ch) {
        for (int ce = 0; ce < 4; ++ce) e[131 + 4 * ch + ce] = ch < channels && ce < ces ? 1 : 0;
    }
    return e;
}

TEST(GdpDiagnostics, FlashModuleAndAutoDetectGiveOneReplyPerGeometry) {
    struct Case {
        const char* keys;
        Bytes id7;
        int channels, ces;
    } cases[] = {
        {"FlashChannels=4\nFlashCEs=2\n", {0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00, 0x00}, 4, 2},
        {"FlashChannels=8\nFlashCEs=4\nFlashLuns=2\nFlashId=2C,A4,08,32,A1,00,5E\n",
         {0x2C, 0xA4, 0x08, 0x32, 0xA1, 0x00, 0x5E},
         8,
         4},
        {"FlashChannels=2\nFlashCEs=1\nFlashId=98,3C,98,B3,76,F2\n", {0x98, 0x3C, 0x98, 0xB3, 0x76, 0xF2, 0x00}, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Gdp g(c.keys);
        const Bytes expected = ExpectedModule(c.id7, c.channels, c.ces);
        EXPECT_EQ(g.Sector(0x05), expected);
        EXPECT_EQ(g.Status(), std::make_pair(0x55, 1));
        EXPECT_EQ(g.Sector(0x3B), expected);
        EXPECT_EQ(g.Status(), std::make_pair(0x55, 1));
    }
}

TEST(GdpDiagnostics, FlashIdAtGivesOneCeAnotherIdAndAutoDetectCanFail) {
    Gdp g("FlashChannels=4\nFlashCEs=2\nFlashIdAt=2:1:2C,64,44,4B,A9,00;0:0:983A9893A87601\nAutoDetect=fail\n");
    auto id = [&](std::uint8_t ch, std::uint8_t ce) {
        const Bytes r = g.Sector(0x88, {ch, ce});
        return Bytes(r.begin(), r.begin() + 7);
    };
    EXPECT_EQ(id(2, 1), Bytes({0x2C, 0x64, 0x44, 0x4B, 0xA9, 0x00, 0x00}));
    EXPECT_EQ(id(1, 1), Bytes({0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00, 0x00})) << "the other CEs keep the flash's ID";
    EXPECT_EQ(g.Sector(0x05), ExpectedModule({0x98, 0x3A, 0x98, 0x93, 0xA8, 0x76, 0x01}, 4, 2))
        << "the module reply carries the ID of channel 0 CE 0";

    emu::NvmeStatus status;
    const Bytes reply = g.Sector(0x3B, {}, &status);
    EXPECT_FALSE(status.Ok());
    EXPECT_TRUE(emu::IsPoison(reply));
    g.programs.diag->SetAutoDetectFails(false);
    g.Sector(0x3B, {}, &status);
    EXPECT_TRUE(status.Ok());
}

TEST(GdpDiagnostics, ModuleFailAtFillsTheFailedPositionsInOrderWithTheValuesAsGiven) {
    Gdp g("FlashChannels=4\nFlashCEs=2\nModuleFailAt=1:0,5:9,0:3\n");
    Bytes expected = ExpectedModule({0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00, 0x00}, 4, 2);
    const std::uint8_t given[] = {1, 0, 5, 9, 0, 3};  // CE, channel; the rest stay "none"
    std::copy(std::begin(given), std::end(given), expected.begin() + 67);
    EXPECT_EQ(g.Sector(0x05), expected);
    EXPECT_EQ(g.Sector(0x3B), expected);

    std::string all;
    for (int i = 0; i < 32; ++i) all += (i ? "," : "") + std::to_string(i) + ":" + std::to_string(255 - i);
    Gdp full("ModuleFailAt=" + all + "\n");
    const Bytes reply = full.Sector(0x05);
    EXPECT_EQ(reply[67 + 62], 31);
    EXPECT_EQ(reply[67 + 63], 224);
    EXPECT_EQ(reply[131], 1) << "the die flags follow the last entry untouched";
}

TEST(GdpDiagnostics, FlashDiagnosticRecordsKindAndValueAndFailsTheListedKinds) {
    Gdp g("FlashDiagFail=2,3\n");
    const std::pair<std::uint8_t, int> cases[] = {{0, 1}, {1, 1}, {2, 0}, {3, 0}, {4, 1}};
    for (const auto& [kind, pass] : cases) {
        const Bytes reply = g.Sector(0x21, {kind, 0, 0, static_cast<std::uint8_t>(kind + 10)});
        EXPECT_EQ(reply[0], pass) << "kind " << int(kind);
        EXPECT_TRUE(emu::IsPoison(std::span(reply).subspan(1)));
        EXPECT_EQ(g.Status(), std::make_pair(0x55, 1));
    }
    EXPECT_EQ(g.programs.diag->FlashDiagRuns(),
              (std::vector<emu::FlashDiagRun>{{0, 10}, {1, 11}, {2, 12}, {3, 13}, {4, 14}}));
}

TEST(GdpDiagnostics, DramTestIsBusyForItsPollsThenGivesItsResult) {
    struct Case {
        const char* keys;
        int busy;
        int result;
    } cases[] = {{"", 1, 1}, {"DramTestPolls=3\nGdpBusyPolls=1\n", 4, 1}, {"DramTestPolls=0\nDramFail=7\n", 0, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Gdp g(c.keys);
        ASSERT_TRUE(g.Run(0x4A, {0x01, 0x02, 0x12, 0x34}).Ok());
        for (int i = 0; i < c.busy; ++i) EXPECT_EQ(g.Status(), std::make_pair(0xAA, 0));
        EXPECT_EQ(g.Status(), std::make_pair(0x55, c.result));
        EXPECT_EQ(g.programs.diag->DramTestRuns(), (std::vector<emu::DramTestRun>{{0x0102, 0x1234}}));
    }
}

TEST(GdpDiagnostics, NandTimesPerDieAndAnAddressOutsideTheFlashFails) {
    Gdp g("FlashChannels=2\nFlashCEs=2\nFlashLuns=2\nNandTimesAt=1:1:1:450,70,3500;0:1:0:100,50,2000\n");
    auto times = [&](int ch, int ce, int lun, emu::NvmeStatus* s = nullptr) {
        const Bytes r = g.Sector(
            0x4B, {static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(ce), static_cast<std::uint8_t>(lun), 0, 0},
            s);
        EXPECT_TRUE(emu::IsPoison(std::span(r).subspan(12)));
        return std::array<std::uint32_t, 3>{emu::wire::GetLe32(r.data()), emu::wire::GetLe32(r.data() + 4),
                                            emu::wire::GetLe32(r.data() + 8)};
    };
    EXPECT_EQ(times(0, 0, 0), (std::array<std::uint32_t, 3>{220, 60, 3000}));
    EXPECT_EQ(times(1, 1, 1), (std::array<std::uint32_t, 3>{450, 70, 3500}));
    EXPECT_EQ(times(0, 1, 0), (std::array<std::uint32_t, 3>{100, 50, 2000}));
    EXPECT_EQ(times(1, 1, 0), (std::array<std::uint32_t, 3>{220, 60, 3000}));
    for (const auto& [ch, ce, lun] : {std::array<int, 3>{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}) {
        emu::NvmeStatus s;
        times(ch, ce, lun, &s);
        EXPECT_FALSE(s.Ok()) << ch << ":" << ce << ":" << lun;
    }
    EXPECT_EQ(g.programs.diag->NandTimeRuns().size(), 4u) << "only the dies of the flash are measured";

    Gdp every("NandTimes=300,80,4000\n");
    const Bytes r = every.Sector(0x4B, {1, 0, 0, 0, 7});
    EXPECT_EQ(emu::wire::GetLe32(r.data()), 300u);
    EXPECT_EQ(emu::wire::GetLe32(r.data() + 8), 4000u);
}

TEST(GdpDiagnostics, PcieLoopBackAndLegacySwitch) {
    Gdp g;
    EXPECT_TRUE(g.Run(0x4E).Ok());
    EXPECT_EQ(g.Status(), std::make_pair(0x55, 1));
    EXPECT_TRUE(g.Run(0x49).Ok());
    EXPECT_EQ(g.Status(), std::make_pair(0x55, 1));
    EXPECT_EQ(g.programs.diag->LegacySwitches(), 1);

    Gdp failing("PcieLoopBack=fail\n");
    EXPECT_FALSE(failing.Run(0x4E).Ok());
    EXPECT_EQ(failing.programs.diag->PcieLoopBacks(), 1);
}

TEST(GdpDiagnostics, UnsoundKeysAreRefusedWithTheirKey) {
    const std::pair<std::string, const char*> cases[] = {
        {"FlashIdAt=1:0:2C64\n", "FlashIdAt=1:0:2C64"},
        {"FlashIdAt=1:2C,64,44,4B,A9,00\n", "FlashIdAt="},
        {"FlashId=1,2,3,4,5,6,7,8\n", "FlashId=1,2,3,4,5,6,7,8"},
        {"AutoDetect=sometimes\n", "AutoDetect=sometimes"},
        {"FlashDiagFail=2,300\n", "FlashDiagFail=2,300"},
        {"DramFail=0\n", "DramFail=0"},
        {"NandTimes=1,2\n", "NandTimes=1,2"},
        {"NandTimesAt=0:0:1,2,3\n", "NandTimesAt=0:0:1,2,3"},
        {"PcieLoopBack=yes\n", "PcieLoopBack=yes"},
        {"SortStatus=late\n", "SortStatus=late"},
        {"SpiFlashBytes=4095\n", "SpiFlashBytes=4095"},
        {"SpiFlashBytes=268435457\n", "SpiFlashBytes=268435457"},
        {"SpiFlashBytes=4M\n", "SpiFlashBytes=4M"},
        {"SpiFault=program\n", "SpiFault=program"},
        {"SpiFault=program@4194304\n", "SpiFault=program@4194304"},
        {"SpiFlashBytes=8192\nSpiFault=erase,program@8192\n", "SpiFault=erase,program@8192"},
        {"SpiFault=read\n", "SpiFault=read"},
        {"ModuleFailAt=1:256\n", "ModuleFailAt=1:256"},
        {"ModuleFailAt=1\n", "ModuleFailAt=1"},
        {"ModuleFailAt=" + std::string(33 * 4, ',') + "\n", "at most 32"},
    };
    for (const auto& [keys, message] : cases) {
        SCOPED_TRACE(keys);
        emu::DriveConfig d;
        d.name = "Drive1";
        d.section = emu::ParseIni("[Drive1]\n" + keys).sections.at(0);
        std::string error;
        EXPECT_FALSE(emu::ReadProgramSetup(d, &error).has_value());
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

}  // namespace
