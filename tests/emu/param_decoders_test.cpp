// The emulated firmware's decoders read what the host's writers produce: the diagnostic firmware's
// init block (and its NAND check), the system firmware's parameter page.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "emu/gdp_init_param_decoder.h"
#include "emu/sys_param_page_decoder.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpParam.h"
#include "procedures/V_Proc_SysParam.h"
#include "procedures/param_settings.h"

namespace {

using namespace param_test;

// The sample drive's NAND: four channels, two CEs, one LUN, 2,016 blocks of 2,304 16-KiB pages.
emu::NandGeometry SampleNand() {
    emu::NandGeometry nand;
    nand.channels = 4;
    nand.cesPerChannel = 2;
    nand.lunsPerCe = 1;
    nand.planes = 4;
    nand.blocksPerCe = 2016;
    nand.pagesPerBlock = 2304;
    nand.pageSizeKiB = 16;
    return nand;
}

class ParamDecoderTest : public ::testing::Test {
  protected:
    void SetUp() override { LoadSampleDrive(); }

    emu::GdpInitParam InitBlock() {
        std::vector<std::uint8_t> block(gdp::kInitBlockBytes, 0xA5);
        EXPECT_TRUE(Write_GDP_Init_Param(kPort, block.data(), block.size()));
        const auto decoded = emu::DecodeGdpInitParam(block);
        EXPECT_TRUE(decoded.has_value());
        return decoded.value_or(emu::GdpInitParam{});
    }

    platform::TraceCapture quiet_;
    ParamRecordsGuard guard_;
};

TEST_F(ParamDecoderTest, InitBlockDecodesToTheHostSettings) {
    const emu::GdpInitParam g = InitBlock();
    EXPECT_EQ(g.flashVendor, 1);
    EXPECT_EQ(g.flashType, 2);
    EXPECT_EQ(g.blocksPerCe, 2016);
    EXPECT_EQ(g.pagesPerBlock, 2304);
    EXPECT_EQ(g.pageSizeKiB, 16);
    EXPECT_EQ(g.diesPerCe, 1);
    EXPECT_EQ(g.planes, 4);
    EXPECT_EQ(g.ldpcMode, 2);
    EXPECT_EQ(g.interfaceMode, 9);
    EXPECT_EQ(g.maxChannels, 4);
    EXPECT_EQ(g.maxBanks, 2);
    EXPECT_EQ(g.spareBytes, 2208);
    EXPECT_EQ(g.functionBits, 0x5A);
    EXPECT_EQ(g.loaderBlocks[0][0], 0x0A);
    EXPECT_EQ(g.loaderBlocks[2][1], 0x04);
    EXPECT_EQ(g.loaderBlocks[4][0], 0);
    EXPECT_EQ(g.fwChannels[3], 3);
    EXPECT_EQ(g.fwChannels[4], 0xFF);
    EXPECT_EQ(g.fwBanks[1], 1);
    EXPECT_EQ(g.binType, 14);
    EXPECT_EQ(g.sortingMode, 1);
    EXPECT_EQ(g.ldpcWord, 0x0810);
    EXPECT_EQ(g.ldpcRate, 240);
    EXPECT_EQ(g.ldpcPieceLength[6], 1920);
    EXPECT_EQ(g.ldpcPieceOffset[5], 1792u);
    EXPECT_EQ(g.ldpcSteps[1], 36);
    EXPECT_EQ(g.ldpcTail[2], 0x5555);
    EXPECT_EQ(g.initTiming.type, 0x11);
    EXPECT_EQ(g.initTiming.clockMhz, 400);
    EXPECT_EQ(g.initTiming.registers[3][7], 0x0010011Fu);
    EXPECT_EQ(g.timingAfterSetFeature.timingCode, 340000u + 0x20);
    EXPECT_EQ(g.timingAfterSetFeature.dqsDrive[7], 0x80002007u);
    EXPECT_EQ(g.dieBitMap[3][1], 1);
    EXPECT_EQ(g.dieBitMap[4][0], 0);
    EXPECT_EQ(g.ceList[4], 0x08);
    EXPECT_EQ(g.ceList[8], 0xFF);
    EXPECT_EQ(g.ceReverse[11], 7);
    EXPECT_EQ(g.dramProfile, 9);
    EXPECT_EQ(g.dramSizeLow, 2048);
    EXPECT_EQ(g.changeIdPass, 1);
}

TEST_F(ParamDecoderTest, PatchedImageCarriesTheSameBlock) {
    std::vector<std::uint8_t> image(gdp::kGdpImageMinBytes, 0);
    std::memcpy(image.data() + gdp::kTagOffset, "QVGDP", 5);
    ASSERT_TRUE(PatchGdpImage(kPort, image.data(), image.size()));
    const auto g = emu::DecodeGdpInitParam(std::span<const std::uint8_t>(image).subspan(gdp::kDpdOffset));
    ASSERT_TRUE(g.has_value());
    std::string why;
    EXPECT_TRUE(emu::InitParamMatchesNand(*g, SampleNand(), &why)) << why;
}

TEST_F(ParamDecoderTest, NandGeometryCheck) {
    const emu::GdpInitParam g = InitBlock();
    std::string why;
    EXPECT_TRUE(emu::InitParamMatchesNand(g, SampleNand(), &why)) << why;

    struct Case {
        const char* name;
        void (*change)(emu::NandGeometry&);
        const char* why;
    };
    const Case cases[] = {
        {"blocks", [](emu::NandGeometry& n) { n.blocksPerCe = 1008; }, "blocks per CE 2016, NAND 1008"},
        {"pages", [](emu::NandGeometry& n) { n.pagesPerBlock = 1536; }, "pages per block 2304, NAND 1536"},
        {"page size", [](emu::NandGeometry& n) { n.pageSizeKiB = 8; }, "page size 16 KiB, NAND 8"},
        {"planes", [](emu::NandGeometry& n) { n.planes = 2; }, "planes 4, NAND 2"},
        {"LUNs", [](emu::NandGeometry& n) { n.lunsPerCe = 2; }, "LUNs per CE 1, NAND 2"},
        {"channels", [](emu::NandGeometry& n) { n.channels = 2; }, "channels 4, NAND 2"},
        {"CEs", [](emu::NandGeometry& n) { n.cesPerChannel = 1; }, "banks 2, NAND 1"},
    };
    for (const Case& c : cases) {
        emu::NandGeometry nand = SampleNand();
        c.change(nand);
        EXPECT_FALSE(emu::InitParamMatchesNand(g, nand, &why)) << c.name;
        EXPECT_EQ(why, c.why) << c.name;
    }

    // A die map that names a die the NAND lacks, with matching channel and bank counts.
    emu::GdpInitParam stray = g;
    stray.ceList[8] = 0x1C;  // CE 3, channel 4
    EXPECT_FALSE(emu::InitParamMatchesNand(stray, SampleNand(), &why));
    EXPECT_EQ(why, "logical die on channel 4, CE 3, LUN 0 is not on the NAND");
}

TEST_F(ParamDecoderTest, ShortBlocksAndPagesAreNotDecoded) {
    EXPECT_FALSE(emu::DecodeGdpInitParam(std::vector<std::uint8_t>(916)).has_value());
    EXPECT_FALSE(emu::DecodeSysParamPage(std::vector<std::uint8_t>(1235)).has_value());
}

TEST_F(ParamDecoderTest, SystemPageDecodesToIdentityCapacityAndMaps) {
    AP_INIState.CapacitySectorHigh = 1;
    std::vector<std::uint8_t> page(16384, 0xA5);
    ASSERT_TRUE(WriteSysParamPage(kPort, page.data(), page.size(), "QV2026000123"));
    const auto decoded = emu::DecodeSysParamPage(page);
    ASSERT_TRUE(decoded.has_value());
    const emu::SysParamPage& p = *decoded;
    EXPECT_EQ(p.identity.serialNumber, "QV2026000123");
    EXPECT_EQ(p.identity.model, "QV NVMe SSD 512GB");
    EXPECT_EQ(p.identity.revision, "QVF10001");
    EXPECT_EQ(p.CapacitySectors(), (1ull << 32) + 1000215216ull);
    EXPECT_EQ(p.identity.oui, 0x00A0C6u);
    EXPECT_EQ(p.identity.dramBytes, 2048u << 20);
    EXPECT_EQ(p.identity.vendorId, 0x1E7B);
    EXPECT_EQ(p.identity.deviceId, 0x5216);
    EXPECT_EQ(p.identity.eui64[7], 0x7B);
    EXPECT_EQ(p.identity.customerId[31], 0xDF);
    EXPECT_EQ(p.identity.hostMemory[1], 4096u);
    EXPECT_EQ(p.tuning.logicalDies, 8);
    EXPECT_EQ(p.tuning.loaderBlocks[9], 0x04);
    EXPECT_EQ(p.tuning.features1, 0xDC52u);
    EXPECT_EQ(p.tuning.userBlockUnits, 870);
    EXPECT_EQ(p.tuning.nandTemp[2], 85);
    EXPECT_EQ(p.ceList[7], 0x0B);
    EXPECT_EQ(p.ceReverse[8], 4);
    EXPECT_EQ(p.flash.blocks, 2016);
    EXPECT_EQ(p.flash.ces, 8);
    EXPECT_EQ(p.flash.dramType, 3);
}

}  // namespace
