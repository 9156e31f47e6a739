// The diagnostic-firmware parameter image: golden layout over the sample drive, the files and LDPC
// table, the variants by BIN type and LDPC mode, the CE walk and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gdp_tables.h"
#include "image_table.h"
#include "param_settings.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpParam.h"
#include "procedures/gdp_ldpc_tables.h"
#include "settings/param_files.h"

namespace {

using namespace param_test;

constexpr std::size_t kImageBytes = 32768;

std::vector<std::uint8_t> GdpImage(std::size_t size = kImageBytes) {
    std::vector<std::uint8_t> image(size, kMarker);
    std::memcpy(image.data() + gdp::kTagOffset, "QVGDP", 5);
    return image;
}

std::vector<std::uint8_t> OpCarrier(std::size_t size = kImageBytes) {
    std::vector<std::uint8_t> image(size, kMarker);
    for (int i = 0; i < 16; ++i) image[i] = static_cast<std::uint8_t>(i * 0x11);
    return image;
}

// Table k, byte i: a pattern that differs between tables and along each table.
std::vector<std::uint8_t> LdpcTables() {
    std::vector<std::uint8_t> tables(procedures::kLdpcTableBytes * procedures::kLdpcTableCount);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::size_t k = i / procedures::kLdpcTableBytes, j = i % procedures::kLdpcTableBytes;
        tables[i] = static_cast<std::uint8_t>((k << 6) ^ (j * 7) ^ (j >> 8));
    }
    return tables;
}

void SetPath(char (&field)[kParamPathBytes], const std::string& path) {
    std::snprintf(field, sizeof field, "%s", path.c_str());
}

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t value) {
    return std::vector<std::uint8_t>(n, value);
}

// Slot contents as LoadFileToImage leaves them: the file's first bytes, zeros after.
std::vector<std::uint8_t> SlotOf(std::size_t slot, std::size_t fileBytes, std::uint8_t value) {
    std::vector<std::uint8_t> bytes(slot, 0);
    std::fill_n(bytes.begin(), std::min(slot, fileBytes), value);
    return bytes;
}

class GdpImageTest : public ::testing::Test {
  protected:
    void SetUp() override { LoadSampleDrive(); }

    // The five command files: the op map shorter than its slot, the DDR map longer than its slot,
    // the SDR command table missing.
    void WriteCommandFiles() {
        SetPath(AP_Param.sNandMemOpMap, folder_.Write("op_map.map", std::string(1000, '\x31')));
        SetPath(AP_Param.sNandMemCmdMapSDR, folder_.Write("cmd_sdr.map", std::string(128, '\x32')));
        ddrMapPath_ = folder_.Write("cmd_ddr.map", std::string(300, '\x33'));
        SetPath(AP_Param.sNandMemCmdMapDDR, ddrMapPath_);
        SetPath(AP_Param.sNandMemCmdBinDDR, folder_.Write("cmd_ddr.bin", std::string(2048, '\x34')));
        SetPath(AP_Param.sNandMemCmdBinSDR, folder_.Path("missing.bin"));
    }

    Table CommandFileRows() const {
        Table t;
        AddBytes(t, "op map", gdp::kOpMapOffset, SlotOf(gdp::kOpMapBytes, 1000, 0x31));
        AddBytes(t, "cmd map SDR", gdp::kCmdMapSdrOffset, SlotOf(gdp::kCmdMapBytes, 128, 0x32));
        AddBytes(t, "cmd map DDR", gdp::kCmdMapDdrOffset, SlotOf(gdp::kCmdMapBytes, 300, 0x33));
        AddBytes(t, "cmd bin DDR", gdp::kCmdBinDdrOffset, SlotOf(gdp::kCmdBinBytes, 2048, 0x34));
        AddBytes(t, "cmd bin SDR", gdp::kCmdBinSdrOffset, Bytes(gdp::kCmdBinBytes, 0));
        return t;
    }

    platform::TraceCapture quiet_;
    ParamRecordsGuard guard_;
    ScratchFolder folder_{"gdp"};
    std::string ddrMapPath_;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
};

Table Joined(std::initializer_list<Table> parts) {
    Table all;
    for (const Table& t : parts) all.insert(all.end(), t.begin(), t.end());
    return all;
}

TEST_F(GdpImageTest, PatchedImageHoldsEveryFieldAndKeepsEveryByteNotNamed) {
    WriteCommandFiles();
    const std::vector<std::uint8_t> tables = LdpcTables();
    ASSERT_TRUE(procedures::InstallGdpLdpcTables(tables));
    std::vector<std::uint8_t> image = GdpImage();
    platform::TraceCapture trace;

    ASSERT_TRUE(PatchGdpImage(kPort, image.data(), image.size()));

    Table ldpc;
    // LDPC mode 2 selects the second table.
    AddBytes(ldpc, "LDPC table", gdp::kLdpcOffset,
             std::vector<std::uint8_t>(tables.begin() + gdp::kLdpcBytes, tables.begin() + 2 * gdp::kLdpcBytes));
    Table tag;
    AddBytes(tag, "tag", gdp::kTagOffset, {'Q', 'V', 'G', 'D', 'P'});
    ExpectImage(image, Joined({tag, Shifted(InitParamTable(), gdp::kDpdOffset), TimingTable(gdp::kTmcOffset, 0x20),
                               CommandFileRows(), ldpc}));

    // The DDR map was cut at its slot; the missing SDR table left a zero slot.
    EXPECT_TRUE(trace.Contains("######### Over Space - address : 0x3c80  - pFileName is " + ddrMapPath_ +
                               " , size = 128 , file size = 300 \n"));
    EXPECT_TRUE(trace.Contains("Read File fail \n"));
    // Four files read, 200 ms after each.
    EXPECT_EQ(clock_.NowMs(), 800u);
    const std::vector<std::string> lines = trace.Lines();
    const auto at = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    EXPECT_LT(at("######### - Write_GDP_FW_DPD_Param\n"), at("######### - pInitData->bMode is 9\n"));
    EXPECT_LT(at("######### - pInitData->bMaxBanks is 2\n"), at("######### - pInitData->bLdrBlockSts[0][0] is 10\n"));
    EXPECT_LT(at("######### - pInitData->bLdrBlockSts[2][1] is 4\n"), at("######### - pInitData->bFwCh[0] is 0\n"));
    EXPECT_LT(at("######### - pInitData->bFwBank[3] is 255\n"), at("FlashBINType = B27B \n"));
    EXPECT_LT(at("FlashBINType = B27B \n"), at("######### - Write_GDP_FW_TMC_Param\n"));
    EXPECT_LT(at("######### - Write_GDP_FW_TMC_Param\n"), at("######### - Write_GDP_FW_CMD_BIN\n"));
    EXPECT_LT(at("######### - Write_GDP_FW_CMD_BIN\n"), at("######### - Write_GDP_FW_LDPC_Table\n"));
    EXPECT_LT(at("######### - Write_GDP_FW_LDPC_Table\n"), static_cast<long>(lines.size()));
}

TEST_F(GdpImageTest, InitBlockIsZeroedAndCarriesTheSameParameters) {
    std::vector<std::uint8_t> buffer(2048, kMarker);
    platform::TraceCapture trace;
    ASSERT_TRUE(Write_GDP_Init_Param(kPort, buffer.data(), buffer.size()));
    EXPECT_EQ(trace.Lines().front(), "######### - Write_GDP_Init_Param\n");

    std::vector<std::uint8_t> expected(buffer.size(), kMarker);
    std::fill_n(expected.begin(), gdp::kInitBlockBytes, 0);
    for (const Field& f : InitParamTable()) {
        for (int i = 0; i < f.width; ++i) expected[f.offset + i] = static_cast<std::uint8_t>(f.value >> (8 * i));
    }
    EXPECT_EQ(buffer, expected);
}

TEST_F(GdpImageTest, OpCarrierGetsTheTwoOpFilesOnly) {
    SetPath(AP_Param.sNandMemOpBinDDR, folder_.Write("ddr_op.bin", std::string(7000, '\x41')));
    SetPath(AP_Param.sNandMemOpBinSDR, folder_.Write("sdr_op.bin", std::string(100, '\x42')));
    std::vector<std::uint8_t> image = OpCarrier();
    ASSERT_TRUE(PatchGdpImage(kPort, image.data(), image.size()));
    Table t;
    for (int i = 0; i < 16; ++i) Add(t, "signature", i, 1, static_cast<std::uint32_t>(i * 0x11));
    // The DDR op file is longer than its slot: the SDR slot right after it holds only its own file.
    AddBytes(t, "DDR op", gdp::kOpBinDdrOffset, SlotOf(gdp::kOpBinBytes, 7000, 0x41));
    AddBytes(t, "SDR op", gdp::kOpBinSdrOffset, SlotOf(gdp::kOpBinBytes, 100, 0x42));
    ExpectImage(image, t);
}

TEST_F(GdpImageTest, ImagesWithoutATagAreLeftAlone) {
    std::vector<std::uint8_t> image(kImageBytes, kMarker);
    ASSERT_TRUE(PatchGdpImage(kPort, image.data(), image.size()));
    EXPECT_EQ(image, std::vector<std::uint8_t>(kImageBytes, kMarker));
}

TEST_F(GdpImageTest, SortingFirmwareGetsParametersAndFilesButNoLdpcTable) {
    WriteCommandFiles();
    ASSERT_TRUE(procedures::InstallGdpLdpcTables(LdpcTables()));
    std::vector<std::uint8_t> image = GdpImage();
    platform::TraceCapture trace;
    ASSERT_TRUE(Write_SORT_FW_PARAM(kPort, image.data(), image.size()));
    Table tag;
    AddBytes(tag, "tag", gdp::kTagOffset, {'Q', 'V', 'G', 'D', 'P'});
    ExpectImage(image, Joined({tag, Shifted(InitParamTable(), gdp::kDpdOffset), TimingTable(gdp::kTmcOffset, 0x20),
                               CommandFileRows()}));
    EXPECT_EQ(trace.Lines().front(), "######### - Write_SORT_FW_PARAM\n");
    EXPECT_FALSE(trace.Contains("Write_GDP_FW_LDPC_Table"));
}

TEST_F(GdpImageTest, BinTypeCodes) {
    const std::pair<const char*, int> cases[] = {
        {"BIC2xx", 0}, {"BIC3", 1},  {"B16A", 2},  {"B17A", 3}, {"SKV4", 4},  {"B0KB", 5},
        {"B27A", 6},   {"N18A", 7},  {"A19N", 8},  {"15NM", 9}, {"19NM", 10}, {"L06B", 11},
        {"SSV4", 12},  {"B27B", 14}, {"BIC4", 15}, {"WBG", -1}, {"BIC", -1},  {"b27b", -1},
    };
    for (const auto& [name, code] : cases) {
        std::snprintf(AP_INIState.FlashUniName, sizeof AP_INIState.FlashUniName, "%s", name);
        std::vector<std::uint8_t> image = GdpImage();
        ASSERT_TRUE(Write_GDP_FW_DPD_Param(kPort, image.data(), image.size()));
        EXPECT_EQ(image[gdp::kDpdOffset + 76], code < 0 ? kMarker : code) << name;
        std::vector<std::uint8_t> block(gdp::kInitBlockBytes, kMarker);
        ASSERT_TRUE(Write_GDP_Init_Param(kPort, block.data(), block.size()));
        EXPECT_EQ(block[76], code < 0 ? 0 : code) << name;
    }
}

TEST_F(GdpImageTest, LdpcModeChoosesWordsAndTable) {
    const std::vector<std::uint8_t> tables = LdpcTables();
    ASSERT_TRUE(procedures::InstallGdpLdpcTables(tables));
    struct Case {
        std::uint8_t mode;
        int table;
        int rate;  // -1: not written
        int steps[3];
    };
    const Case cases[] = {{0, 0, -1, {-1, -1, -1}},   {1, 0, 256, {37, 73, 109}}, {2, 1, 240, {36, 72, 108}},
                          {3, 2, 224, {36, 72, 108}}, {4, 3, 144, {35, 70, 104}}, {5, 0, -1, {-1, -1, -1}}};
    for (const Case& c : cases) {
        AP_FlashSet.ucLdpcMode = c.mode;
        std::vector<std::uint8_t> image = GdpImage();
        ASSERT_TRUE(PatchGdpImage(kPort, image.data(), image.size()));
        const std::size_t dpd = gdp::kDpdOffset;
        EXPECT_EQ(ReadLe(image, dpd + 82, 2), c.rate < 0 ? 0xA5A5u : static_cast<std::uint32_t>(c.rate)) << int{c.mode};
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t want = c.steps[k] < 0 ? 0xA5A5u : static_cast<std::uint32_t>(c.steps[k]);
            EXPECT_EQ(ReadLe(image, dpd + 114 + 2 * k, 2), want) << int{c.mode};
        }
        const auto table = tables.begin() + c.table * static_cast<long>(gdp::kLdpcBytes);
        EXPECT_TRUE(std::equal(table, table + gdp::kLdpcBytes, image.begin() + gdp::kLdpcOffset)) << int{c.mode};
    }
}

TEST_F(GdpImageTest, WithoutInstalledLdpcTablesTheImageKeepsItsOwn) {
    std::vector<std::uint8_t> image = GdpImage();
    ASSERT_TRUE(PatchGdpImage(kPort, image.data(), image.size()));
    EXPECT_TRUE(std::all_of(image.begin() + gdp::kLdpcOffset, image.begin() + gdp::kLdpcOffset + gdp::kLdpcBytes,
                            [](std::uint8_t b) { return b == kMarker; }));
}

TEST_F(GdpImageTest, SmallSettingsVariants) {
    AP_RDTSet.RunSortingMode = 2;  // not 0 or 1: byte 77 keeps its value
    g_bAutoDetecting = 1;
    std::vector<std::uint8_t> image = GdpImage();
    ASSERT_TRUE(Write_GDP_FW_DPD_Param(kPort, image.data(), image.size()));
    EXPECT_EQ(image[gdp::kDpdOffset + 77], kMarker);
    EXPECT_EQ(image[gdp::kDpdOffset + 28], 1);
    AP_RDTSet.RunSortingMode = 0;
    ASSERT_TRUE(Write_GDP_FW_DPD_Param(kPort, image.data(), image.size()));
    EXPECT_EQ(image[gdp::kDpdOffset + 77], 0);
}

TEST_F(GdpImageTest, MultiLunDieBitMapAndCeWalkWithTwoVirtualDiesPerDie) {
    // Two dies per CE, two CEs: channel 0 has CE 0 LUN 0, CE 1 LUN 0 and CE 0 LUN 1.
    AP_FlashSet.ucDiePerCE = 2;
    AP_INIState = AP_INIState_t{};
    AP_INIState.MaxPhyBank = 2;
    AP_INIState.bVirCntPerDie = 2;
    AP_INIState.bDieStatusMultiLun[0][0][0] = 1;
    AP_INIState.bDieStatusMultiLun[0][1][0] = 1;
    AP_INIState.bDieStatusMultiLun[0][0][1] = 1;
    fn_ProcessMultiLunDieRemap();
    std::vector<std::uint8_t> image = GdpImage();
    ASSERT_TRUE(Write_GDP_FW_DPD_Param(kPort, image.data(), image.size()));
    const std::uint8_t* dpd = image.data() + gdp::kDpdOffset;
    EXPECT_EQ(dpd[gdp::kDieBitMapOffset + 0], 0x03);  // channel 0, CE 0: LUNs 0 and 1
    EXPECT_EQ(dpd[gdp::kDieBitMapOffset + 1], 0x01);  // channel 0, CE 1: LUN 0
    std::vector<std::uint8_t> list(dpd + gdp::kCeListOffset, dpd + gdp::kCeListOffset + 64);
    std::vector<std::uint8_t> want(64, 0xFF);
    const std::uint8_t walk[] = {0x00, 0x08, 0x40, 0x00, 0x08, 0x40};
    std::copy(std::begin(walk), std::end(walk), want.begin());
    EXPECT_EQ(list, want);
    std::vector<std::uint8_t> reverse(dpd + gdp::kCeReverseOffset, dpd + gdp::kCeReverseOffset + 128);
    std::vector<std::uint8_t> wantReverse(128, 0xFF);
    wantReverse[0x00] = 0;
    wantReverse[0x08] = 1;
    wantReverse[0x40] = 2;
    EXPECT_EQ(reverse, wantReverse);
}

TEST_F(GdpImageTest, CeWalkWithTwoVirtualDiesRepeatsTheListButNotTheReverseMap) {
    AP_INIState.bVirCntPerDie = 2;
    std::vector<std::uint8_t> block(gdp::kInitBlockBytes, kMarker);
    ASSERT_TRUE(Write_GDP_Init_Param(kPort, block.data(), block.size()));
    std::vector<std::uint8_t> want = SampleCeList();
    std::copy_n(want.begin(), 8, want.begin() + 8);
    EXPECT_EQ(std::vector<std::uint8_t>(block.begin() + 720, block.begin() + 784), want);
    EXPECT_EQ(std::vector<std::uint8_t>(block.begin() + 784, block.begin() + 912), SampleCeReverse());
}

struct Refusal {
    const char* name;
    void (*configure)();
    const char* message;
};

const Refusal kRefusals[] = {
    {"list over 64 entries", [] { AP_INIState.bVirCntPerDie = 9; },  // 8 dies x 9 = 72
     "The die map gives 72 logical dies (8 dies x bVirCntPerDie 9); the CE list holds 64."},
    {"reverse index past 128",
     [] {
         AP_FlashSet.ucDiePerCE = 4;
         AP_INIState.MaxPhyBank = 1;
         std::memset(AP_INIState.bDieStatusMultiLun, 0, sizeof AP_INIState.bDieStatusMultiLun);
         AP_INIState.bDieStatusMultiLun[0][0][2] = 1;  // LUN 2 of CE 0: reverse index 128
         fn_ProcessMultiLunDieRemap();
     },
     "LUN 2, CE 0, channel 0 lies past the 128-byte reverse CE map."},
    {"multi-LUN map without a bank count",
     [] {
         AP_FlashSet.ucDiePerCE = 2;
         AP_INIState.MaxPhyBank = 2;
         AP_INIState.bDieStatusMultiLun[1][0][1] = 1;
         fn_ProcessMultiLunDieRemap();
         AP_INIState.MaxPhyBank = 0;
     },
     "MaxPhyBank is 0: the multi-LUN die map of channel 1, column 2 cannot be decoded."},
};

TEST_F(GdpImageTest, ConfigurationsWhoseCeMapsWouldOverflowAreRefusedBeforeAnyWrite) {
    for (const Refusal& r : kRefusals) {
        ParamRecordsGuard keep;
        LoadSampleDrive();
        WriteCommandFiles();
        ASSERT_TRUE(procedures::InstallGdpLdpcTables(LdpcTables()));
        r.configure();
        for (std::vector<std::uint8_t> image : {GdpImage(), OpCarrier()}) {
            const std::vector<std::uint8_t> before = image;
            platform::TraceCapture trace;
            EXPECT_FALSE(PatchGdpImage(kPort, image.data(), image.size())) << r.name;
            EXPECT_EQ(image, before) << r.name;
            EXPECT_TRUE(trace.Contains(std::string("######### - [5]PatchGdpImage - ") + r.message + " fail!\n"))
                << r.name;
        }
        std::vector<std::uint8_t> block(gdp::kInitBlockBytes, kMarker);
        EXPECT_FALSE(Write_GDP_Init_Param(kPort, block.data(), block.size())) << r.name;
        EXPECT_EQ(block, std::vector<std::uint8_t>(gdp::kInitBlockBytes, kMarker)) << r.name;
    }
}

TEST_F(GdpImageTest, ImagesTooSmallOrForeignPortsAreRefusedUntouched) {
    std::vector<std::uint8_t> small = GdpImage(gdp::kGdpImageMinBytes - 1);
    const std::vector<std::uint8_t> before = small;
    EXPECT_FALSE(PatchGdpImage(kPort, small.data(), small.size()));
    EXPECT_EQ(small, before);
    std::vector<std::uint8_t> image = GdpImage();
    EXPECT_FALSE(PatchGdpImage(kPortCount, image.data(), image.size()));
    EXPECT_FALSE(PatchGdpImage(-1, image.data(), image.size()));
    EXPECT_EQ(image, GdpImage());
    std::vector<std::uint8_t> shortBlock(gdp::kInitBlockBytes - 1, kMarker);
    EXPECT_FALSE(Write_GDP_Init_Param(kPort, shortBlock.data(), shortBlock.size()));
    EXPECT_EQ(shortBlock, std::vector<std::uint8_t>(gdp::kInitBlockBytes - 1, kMarker));
}

TEST_F(GdpImageTest, LoadFileToImageReadsAtMostItsSlot) {
    std::vector<std::uint8_t> buffer(64, kMarker);
    const std::string path = folder_.Write("big.bin", std::string(40, '\x77'));
    platform::TraceCapture trace;
    ASSERT_TRUE(LoadFileToImage(buffer.data() + 8, path.c_str(), 16, 0x1234));
    std::vector<std::uint8_t> want(64, kMarker);
    std::fill_n(want.begin() + 8, 16, 0x77);
    EXPECT_EQ(buffer, want);
    EXPECT_EQ(trace.Text(),
              "######### Over Space - address : 0x1234  - pFileName is " + path + " , size = 16 , file size = 40 \n");
    EXPECT_EQ(clock_.NowMs(), 200u);

    trace.Clear();
    EXPECT_FALSE(LoadFileToImage(buffer.data() + 8, (path + ".none").c_str(), 16, 0));
    std::fill_n(want.begin() + 8, 16, 0);
    EXPECT_EQ(buffer, want);
    EXPECT_EQ(trace.Text(), "Read File fail \n");
    EXPECT_EQ(clock_.NowMs(), 200u);
}

}  // namespace
