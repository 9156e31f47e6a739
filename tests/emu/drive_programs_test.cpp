#include "emu/drive_programs.h"

#include <gtest/gtest.h>

#include <tuple>

#include "emu/bay_config.h"
#include "emu/bay_ini.h"
#include "program_bench.h"

namespace {

// A drive section as the bay reader hands it over, without the bay's own checks.
emu::DriveConfig Drive(const std::string& keys) {
    emu::DriveConfig d;
    d.name = "Drive1";
    d.section = emu::ParseIni("[Drive1]\n" + keys).sections.at(0);
    return d;
}

TEST(DrivePrograms, KeysOfTheBayDescription) {
    const auto setup = emu::ReadProgramSetup(
        Drive("FlashChannels=8\nFlashCEs=4\nFlashLuns=2\nFlashBlocks=1024\nFlashPages=384\nFlashPageSectors=16\n"
              "FlashId=2c,a4,08,32,a1,00\nBadBlocks=1:2:1:100,7:3:0:5\nReadUnc=0:0:0:3:9\n"
              "ProgramFail=2:1:0:7,2:1:0:8:4\nEraseFail=3:0:0:11\nStuckRamBit=0xCCCCCCCE:3:1\n"
              "GdpBusyPolls=3\nReadLatencyMs=1\nProgramLatencyMs=2\nEraseLatencyMs=5\nNandTimeScale=150,1:2:1:300\n"
              "SortPrepPolls=2\nSortRunMs=0\nErrorBits=1:2:1:100:77\nNandTimes=200,50,4000\nTemperature=-5\n"
              "SortStatus=3\n"),
        nullptr);
    ASSERT_TRUE(setup.has_value());
    EXPECT_EQ(setup->geometry.channels, 8);
    EXPECT_EQ(setup->geometry.ces, 4);
    EXPECT_EQ(setup->geometry.luns, 2);
    EXPECT_EQ(setup->geometry.blocks, 1024);
    EXPECT_EQ(setup->geometry.pages, 384);
    EXPECT_EQ(setup->geometry.pageSectors, 16);
    EXPECT_EQ(setup->gdp.flashId, (std::array<std::uint8_t, 6>{0x2C, 0xA4, 0x08, 0x32, 0xA1, 0x00}));
    EXPECT_EQ(setup->badBlocks, (std::vector<emu::NandAddress>{{1, 2, 1, 100, -1}, {7, 3, 0, 5, -1}}));
    EXPECT_EQ(setup->readUnc, (std::vector<emu::NandAddress>{{0, 0, 0, 3, 9}}));
    EXPECT_EQ(setup->programFail, (std::vector<emu::NandAddress>{{2, 1, 0, 7, -1}, {2, 1, 0, 8, 4}}));
    EXPECT_EQ(setup->gdp.busyPolls, 3);
    EXPECT_EQ(setup->latency.eraseUs, 5000u);
    EXPECT_EQ(setup->latency.readUs, 1000u);
    const auto us = emu::ReadProgramSetup(Drive("ReadLatencyMs=2\nReadLatencyUs=60\nProgramLatencyUs=600\n"), nullptr);
    ASSERT_TRUE(us.has_value());
    EXPECT_EQ(us->latency.readUs, 60u) << "the microsecond key wins";
    EXPECT_EQ(us->latency.programUs, 600u);
    const emu::SortRunSetup& sort = setup->sortRun;
    EXPECT_EQ(std::tie(sort.prepPolls, sort.runMs, sort.temperature, sort.statusFixed),
              std::make_tuple(2, 0u, -5, true));
    EXPECT_EQ(sort.errorBits, (emu::SortErrorBits{{{1, 2, 1, 100}, 77}}));

    emu_test::ProgramBench bench(*setup);
    EXPECT_TRUE(bench.programs.nand->IsFactoryBad(7, 3, 0, 5));
    const emu::NandOpTimes own;
    EXPECT_EQ(bench.programs.nand->OpTimes(0, 0, 0).programUs, own.programUs * 3 / 2) << "every die's scale";
    EXPECT_EQ(bench.programs.nand->OpTimes(1, 2, 1).slcReadUs, own.slcReadUs * 3) << "one die's own";
    std::vector<std::uint8_t> word(2, 0);
    ASSERT_TRUE(bench.core.Ram().Write(0xCCCCCCCE, word));
    ASSERT_TRUE(bench.core.Ram().Read(0xCCCCCCCE, word));
    EXPECT_EQ(word[0], 0x08) << "the stuck bit";
}

TEST(DrivePrograms, UnsoundValuesAreRefusedWithTheirKey) {
    const std::pair<const char*, const char*> cases[] = {
        {"FlashChannels=0\n", "FlashChannels=0"},
        {"FlashPageSectors=129\n", "FlashPageSectors=129"},
        {"FlashBlocks=lots\n", "FlashBlocks=lots"},
        {"FlashId=1,2,3\n", "FlashId=1,2,3"},
        {"BadBlocks=1:2:3\n", "BadBlocks=1:2:3"},
        {"BadBlocks=4:0:0:1\n", "BadBlocks names a place outside the flash"},
        {"ReadUnc=0:0:0:1:9999\n", "ReadUnc names a place outside the flash"},
        {"StuckRamBit=0x10:8:1\n", "StuckRamBit=0x10:8:1"},
        {"GdpBusy=sometimes\n", "GdpBusy=sometimes"},
        {"SortRunMs=-1\n", "SortRunMs=-1"},
        {"ErrorBits=0:0:0:1\n", "ErrorBits=0:0:0:1"},
        {"ErrorBits=0:0:0:1:256\n", "ErrorBits=0:0:0:1:256"},
        {"ErrorBits=0:0:0:9999:5\n", "ErrorBits names a place outside the flash"},
        {"NandTimeScale=0\n", "NandTimeScale=0"},
        {"NandTimeScale=0:0:150\n", "NandTimeScale=0:0:150"},
        {"NandTimeScale=150,\n", "NandTimeScale=150,"},
        {"NandTimeScale=0:0:0:0:150\n", "NandTimeScale=0:0:0:0:150"},
        {"NandTimeScale=4:0:0:150\n", "NandTimeScale names a place outside the flash"},
    };
    for (const auto& [keys, message] : cases) {
        SCOPED_TRACE(keys);
        std::string error;
        EXPECT_FALSE(emu::ReadProgramSetup(Drive(keys), &error).has_value());
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
    // The bay description itself is refused.
    std::string error;
    EXPECT_FALSE(emu::ParseBayConfig("[RootHub1]\nBus=1\nPorts=2\n[Drive1]\nId=1-1\nFlashLuns=17\n", &error));
    EXPECT_NE(error.find("FlashLuns=17"), std::string::npos) << error;
}

}  // namespace
