// QV_UpdateGlobalParameter over flash-list records, the flash code name and the logical lookups.
#include "settings/flash_param.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/trace_sink.h"
#include "records_guard.h"

namespace {

using settings_test::RecordsGuard;

struct Geometry {
    const char* name;
    const char* fullName;
    std::uint8_t vendor, type, ce;
    std::uint16_t blocks, pages, pageSize;
    std::uint8_t dies, planes, iface, pageMapType;
    std::uint16_t extendBlocks;
};

FlashRecord_t MakeRecord(const Geometry& g) {
    FlashRecord_t r{};
    std::strncpy(r.FlashUniName, g.name, sizeof r.FlashUniName - 1);
    std::strncpy(r.sFlashFullName, g.fullName, sizeof r.sFlashFullName - 1);
    r.ucFlashVendor = g.vendor;
    r.ucFlashType = g.type;
    r.ucCE = g.ce;
    r.wBlocks = g.blocks;
    r.wPages = g.pages;
    r.wPageSize = g.pageSize;
    r.ucDiePerCE = g.dies;
    r.ucLdpcMode = 2;
    const std::uint8_t id[6] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0xF2};
    std::memcpy(r.aFlashID, id, sizeof id);
    r.wExtendBlocks = g.extendBlocks;
    r.wLunBlockOffset = 0x400;
    r.ucPageMapType = g.pageMapType;
    r.ucFlashInterface = g.iface;
    r.ucPlanes = g.planes;
    r.dwFlashOption = 0x12345678;
    r.bNandMem = 7;
    r.wSpareByte = 2208;
    r.wGpioCode = 101;
    return r;
}

// Settings as the sample station holds them; each test changes what it needs.
void SampleSettings() {
    AP_INIState_t& s = AP_INIState;
    std::strcpy(s.SerialNumPrefix, "QV_");
    std::strcpy(s.SerialNum, "0123456789");
    std::strcpy(s.SerialNumSuffix, "_SSD");
    s.SNLength = 17;
    std::strcpy(s.FirmwareVer, "QVF10001");
    std::strcpy(s.ModelNum, "QV NVMe SSD 512GB");
    std::strcpy(s.OUI, "00A0C6");
    std::strcpy(s.EUI64, "00A0C60000000001");
    s.MPChannel = 4;
    s.MPBank = 2;
    s.Clock = 400;
    s.DefPercentage = 30;
    s.ResPercentage = 68;
    s.RemapEnable = 1;
    s.EnWriteProtectGPIO = 1;
    s.EnSM4 = 1;
    s.QBT_Qnty = 4;
    AP_ParaSet = {};
    AP_ParaSet.DMT_BU = 5;
    AP_ParaSet.MERGE_BU = 5;
    AP_ParaSet.ROLL_RATE = 10;
    AP_ParaSet.LAST_BAD_RATION = 10;
}

std::string CodeName() {
    char name[] = "########.bin";
    BuildFlashCodeName(name);
    return name;
}

class FlashParam : public ::testing::Test {
  protected:
    void SetUp() override { SampleSettings(); }
    RecordsGuard guard_;
};

TEST_F(FlashParam, TwoPlaneToggleTlcRecord) {
    g_FlashRecord[3] = MakeRecord({"BIC3T2", "QVT512G2P", 2, 2, 2, 2048, 1536, 16, 1, 2, 1, 3, 20});
    AP_INIState.MPBank = 1;
    AP_INIState.SNLength = 13;
    AP_INIState.EnExtendBlock = 1;
    platform::TraceCapture capture;
    QV_UpdateGlobalParameter(3, AP_INIState);

    const AP_FlashSet_t& f = AP_FlashSet;
    EXPECT_STREQ(AP_INIState.FlashUniName, "BIC3T2");
    EXPECT_STREQ(f.sFlashFullName, "QVT512G2P");
    EXPECT_EQ(f.wDieUnit, 1024);
    EXPECT_EQ(f.bPageSector, 32);
    EXPECT_EQ(f.wExtendBlocks, 20);
    EXPECT_EQ(f.wLunBlockOffset, 0x400);
    EXPECT_EQ(f.aFlashID[5], 0xF2);
    EXPECT_EQ(f.bNandMem, 7);
    EXPECT_EQ(f.dwFlashOption, 0x12345678u);
    EXPECT_EQ(f.wSpareByte, 2208);
    EXPECT_EQ(f.ucPageMapType, 3);
    EXPECT_EQ(f.ucChannel, 4);
    EXPECT_EQ(f.ucBankNum, 1);
    EXPECT_EQ(f.bRowPlaneShift, 1);
    EXPECT_EQ(f.bRowBlockShift, 10);
    EXPECT_EQ(f.bRowPageShift, 9);  // vendor 2: clg(1536 / 3)
    // Known BIN type "BIC3".
    EXPECT_EQ(AP_INIState.QBT_Qnty, 3);
    EXPECT_EQ(f.bRowLunShift, 2);
    EXPECT_EQ(f.bPageShift, 10);
    EXPECT_EQ(f.bBlockShift, 11);
    EXPECT_EQ(f.bStpuShift, 6);
    EXPECT_EQ(AP_INIState.DefaultTiming, 3);
    EXPECT_EQ(AP_INIState.BestTiming, 3);
    for (int k = 0; k < AP_PAGE_MAP_COUNT; ++k) ASSERT_EQ(f.wPageMap[k], k);
    EXPECT_EQ(AP_INIState.wFW_BLKQnty, 12);  // 4 / 2 + DMT 5 + QBT 3 + TBL 0 + 2
    EXPECT_STREQ(AP_INIState.SerialNum, "456789");
    EXPECT_EQ(CodeName(), "TEBPCADC.bin");

    EXPECT_STREQ(AP_FwSet.ModelNum, "QV NVMe SSD 512GB");
    EXPECT_STREQ(AP_FwSet.EUI64, "00A0C60000000001");
    EXPECT_EQ(AP_FwSet.wDefRatio, 30);
    EXPECT_EQ(AP_FwSet.wResRatio, 68);
    EXPECT_EQ(AP_FwFeatureSet.RemapEnable, 1);
    EXPECT_EQ(AP_FwFeatureSet.EnWriteProtectGPIO, 1);
    EXPECT_EQ(AP_FwFeatureSet.EnSM4, 1);
    EXPECT_EQ(AP_FwFeatureSet.PureSLC, 0);

    const auto lines = capture.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "######### - QV_UpdateGlobalParameter dwFlashIdx is 3");
    EXPECT_EQ(lines.back(), "######### - AP_INIState.wFW_BLKQnty is 12");
    EXPECT_TRUE(capture.Contains("######### - AP_FlashSet.wDieUnit is 1024"));
    EXPECT_TRUE(capture.Contains("FlashBINType = BIC3"));
}

TEST_F(FlashParam, TwoDieFourPlaneOnfiRecordInTestMode) {
    g_FlashRecord[0] = MakeRecord({"TQ01X", "QVB1T4Pe", 0, 2, 2, 2048, 2304, 16, 2, 4, 10, 12, 64});
    AP_INIState.Clock = 333;
    AP_INIState.SNLength = 20;
    AP_INIState.TestMode = 1;
    AP_INIState.EnDRAMless = 1;
    AP_FlashSet.bPageShift = 5;  // an unknown BIN type leaves these
    AP_FlashSet.bRowLunShift = 1;
    AP_ParaSet.HSPD_CAPACITY = 24;
    AP_ParaSet.DCO = 1;
    AP_ParaSet.TABLE_BU = 0x102;
    AP_ParaSet.THROTTLE_MAX = 0x120;
    AP_ParaSet.CAPACITY = 512;
    AP_ParaSet.READ_DISTURB_HEAD = 70000;
    platform::TraceCapture capture;
    QV_UpdateGlobalParameter(0, AP_INIState);

    const AP_FlashSet_t& f = AP_FlashSet;
    EXPECT_EQ(f.wDieUnit, 256);
    EXPECT_EQ(f.bRowPlaneShift, 2);
    EXPECT_EQ(f.bRowBlockShift, 8);
    EXPECT_EQ(f.bRowPageShift, 12);  // vendor 0: clg(2304)
    EXPECT_EQ(f.wExtendBlocks, 0);   // EnExtendBlock off
    EXPECT_EQ(f.ucBankNum, 1);       // TestMode
    EXPECT_EQ(f.bPageShift, 5);
    EXPECT_EQ(f.bRowLunShift, 1);
    EXPECT_EQ(AP_INIState.QBT_Qnty, 4);
    EXPECT_EQ(AP_INIState.bIsETLC, 1);
    EXPECT_EQ(AP_INIState.bIsITLC, 0);
    EXPECT_EQ(AP_INIState.DefaultTiming, 2);
    EXPECT_EQ(AP_INIState.BestTiming, 2);
    EXPECT_EQ(AP_INIState.VirtRemapThreshold, 8192);
    EXPECT_STREQ(AP_INIState.SerialNum, "0000123456789");
    // Para values taken over.
    EXPECT_EQ(AP_INIState.wHSPDCapacity, 24);
    EXPECT_EQ(AP_INIState.dwDynamicCacheOnce, 1u);
    EXPECT_EQ(AP_INIState.TBLBlkQnty, 2);            // low byte
    EXPECT_EQ(AP_INIState.throttle_max_dies, 0x20);  // low byte
    EXPECT_EQ(AP_INIState.DMT_Qnty, 5);
    EXPECT_EQ(AP_INIState.MergeBUNUM, 5);
    EXPECT_EQ(AP_INIState.ucRollRate, 10);
    EXPECT_EQ(AP_INIState.Read_Disturb_Head, 70000u);
    EXPECT_FLOAT_EQ(AP_INIState.fIDEMACapacity, 512.0f);
    EXPECT_EQ(AP_INIState.wFW_BLKQnty, 1 + 5 + 4 + 2 + 2);
    EXPECT_EQ(CodeName(), "ICAHCBDI.bin");
    EXPECT_TRUE(capture.Contains("Is - eTLC"));
    EXPECT_TRUE(capture.Contains("######## - AP_INIState.wHSPDCapacity is 24"));
    EXPECT_FALSE(capture.Contains("Is - iTLC"));
}

TEST_F(FlashParam, OddBlockCountQlcRecordAfterAnETLCOne) {
    g_FlashRecord[0] = MakeRecord({"TQ01X", "QVB1T4Pe", 0, 2, 2, 2048, 2304, 16, 2, 4, 10, 12, 0});
    g_FlashRecord[1] = MakeRecord({"L06BQ", "QVQ1Ti", 1, 3, 4, 2016, 1152, 8, 2, 4, 8, 5, 0});
    AP_INIState.MPChannel = 8;
    AP_INIState.MPBank = 4;
    AP_INIState.Clock = 266;
    AP_INIState.SNInputMode = 3;
    AP_INIState.SNLength = 13;
    AP_ParaSet.EN_VD = 1;
    AP_ParaSet.VD_NUM = 8;
    QV_UpdateGlobalParameter(0, AP_INIState);
    AP_FlashSet.bRowPageShift = 7;
    QV_UpdateGlobalParameter(1, AP_INIState);

    const AP_FlashSet_t& f = AP_FlashSet;
    EXPECT_EQ(AP_INIState.bIsETLC, 0);
    EXPECT_EQ(AP_INIState.bIsITLC, 1);
    EXPECT_EQ(f.wDieUnit, 252);
    EXPECT_EQ(f.bRowBlockShift, 8);  // clg(1008) 10 - 2 planes' 2
    EXPECT_EQ(f.bRowPageShift, 7);   // cell type 3 keeps it
    EXPECT_EQ(f.bRowLunShift, 1);    // "L06B"
    EXPECT_EQ(f.bPageShift, 10);
    EXPECT_EQ(f.bBlockShift, 9);
    EXPECT_EQ(f.bStpuShift, 7);
    EXPECT_EQ(AP_INIState.QBT_Qnty, 4);  // "L06B" leaves it
    EXPECT_EQ(AP_INIState.DefaultTiming, 0);
    EXPECT_EQ(AP_INIState.BestTiming, 2);
    EXPECT_EQ(AP_INIState.EnVD, 1);
    EXPECT_EQ(AP_INIState.VDieRaidNum, 8);
    EXPECT_STREQ(AP_INIState.SerialNum, "0123456789");  // serial-number mode 3
    EXPECT_EQ(CodeName(), "GLFOBE6J.bin");
}

TEST_F(FlashParam, SerialNumberFit) {
    g_FlashRecord[0] = MakeRecord({"TQ01X", "QV", 0, 2, 1, 1024, 256, 8, 1, 2, 0, 0, 0});
    const struct {
        std::uint8_t mode, length;
        const char* serial;
        const char* expected;
        bool fault;
    } cases[] = {
        {0, 13, "0123456789", "456789", false},
        {1, 20, "0123456789", "0000123456789", false},
        {2, 17, "0123456789", "0123456789", false},
        {3, 13, "0123456789", "0123456789", false},
        {0, 7, "0123456789", "", false},                // prefix and suffix fill the length
        {0, 5, "0123456789", "0123456789", true},       // prefix and suffix alone are longer
        {0, 28, "12", "000000000000000000012", false},  // 21 characters: just fits
        {0, 29, "12", "12", true},                      // would need 22 characters
        {0, 255, "0123456789", "0123456789", true},
    };
    for (const auto& c : cases) {
        AP_INIState.SNInputMode = c.mode;
        AP_INIState.SNLength = c.length;
        std::strcpy(AP_INIState.SerialNum, c.serial);
        platform::TraceCapture capture;
        QV_UpdateGlobalParameter(0, AP_INIState);
        EXPECT_STREQ(AP_INIState.SerialNum, c.expected) << int(c.length);
        EXPECT_EQ(capture.Contains("can't fit SNLength"), c.fault) << int(c.length);
    }
}

TEST_F(FlashParam, MalformedRecordsAndIndexesAreSafe) {
    // No planes, no dies, no blocks: nothing divides by zero, shifts stay in range.
    g_FlashRecord[0] = MakeRecord({"ABCDEFGHIJKL", "", 0, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    platform::TraceCapture capture;
    QV_UpdateGlobalParameter(0, AP_INIState);
    EXPECT_EQ(AP_FlashSet.wDieUnit, 0);
    EXPECT_EQ(AP_FlashSet.bRowPlaneShift, 0);
    EXPECT_EQ(AP_FlashSet.bRowBlockShift, 0);
    EXPECT_EQ(AP_INIState.wFW_BLKQnty, 0 + 5 + 4 + 0 + 2);
    EXPECT_STREQ(AP_INIState.FlashUniName, "ABCDEFGHI");  // cut to the 10-byte field
    EXPECT_TRUE(capture.Contains("######### - FlashUniName ABCDEFGHIJKL is cut to 9 characters"));
    EXPECT_EQ(AP_INIState.bIsETLC + AP_INIState.bIsITLC, 0);

    // Fewer blocks per die than planes.
    g_FlashRecord[0] = MakeRecord({"X", "X", 0, 2, 1, 2, 64, 4, 1, 4, 0, 0, 0});
    QV_UpdateGlobalParameter(0, AP_INIState);
    EXPECT_EQ(AP_FlashSet.bRowBlockShift, 0);

    // An index outside the list changes nothing.
    const AP_FlashSet_t before = AP_FlashSet;
    capture.Clear();
    QV_UpdateGlobalParameter(500, AP_INIState);
    EXPECT_EQ(std::memcmp(&before, &AP_FlashSet, sizeof before), 0);
    EXPECT_TRUE(capture.Contains("######### - Flash index 500 is outside the flash list!"));
}

TEST_F(FlashParam, CodeNameLetters) {
    struct Case {
        const char* label;
        void (*setup)();
        const char* expected;
    };
    // Base: the worked example (interface 1 at 400 MHz, vendor 2, 2 planes, 2,048 blocks per die,
    // 1,536 pages, 16 KiB, 1 die, 4 channels x 1 bank, cell type 2).
    const Case cases[] = {
        {"base", [] {}, "TEBPCADC"},
        {"cell type 0", [] { AP_FlashSet.ucFlashType = 0; }, "TEBPCADA"},
        {"cell type 9", [] { AP_FlashSet.ucFlashType = 9; }, "TEBPCAD#"},
        {"super die and SLC",
         [] {
             AP_INIState.EnSuperDie = 1;
             AP_INIState.PureSLC = 1;
         },
         "TEBPCADF"},
        {"super die",
         [] {
             AP_INIState.EnSuperDie = 1;
             AP_INIState.NoOpCode = 1;
         },
         "TEBPCADD"},
        {"pure SLC",
         [] {
             AP_INIState.PureSLC = 1;
             AP_INIState.bIsETLC = 1;
         },
         "TEBPCADE"},
        {"no op code",
         [] {
             AP_INIState.NoOpCode = 1;
             AP_INIState.bIsITLC = 1;
         },
         "TEBPCADG"},
        {"eTLC", [] { AP_INIState.bIsETLC = 1; }, "TEBPCADI"},
        {"iTLC", [] { AP_INIState.bIsITLC = 1; }, "TEBPCADJ"},
        {"unbalance", [] { AP_INIState.EnUnbalance = 1; }, "TEBPC__C"},
        {"unbalance without a dies entry",
         [] {
             AP_INIState.EnUnbalance = 1;
             AP_INIState.EnVD = 2;
         },
         "TEBPC#_C"},
        {"interface 1 at 33 MHz", [] { AP_INIState.Clock = 33; }, "#EBPCADC"},
        {"interface 10 at 33 MHz",
         [] {
             AP_FlashSet.ucFlashInterface = 10;
             AP_INIState.Clock = 33;
         },
         "EEBPCADC"},
        {"interface 9 at 600 MHz",
         [] {
             AP_FlashSet.ucFlashInterface = 9;
             AP_INIState.Clock = 600;
         },
         "YEBPCADC"},
        {"interface 11", [] { AP_FlashSet.ucFlashInterface = 11; }, "#EBPCADC"},
        {"vendor 6, 4 planes",
         [] {
             AP_FlashSet.ucFlashVendor = 6;
             AP_FlashSet.ucPlanes = 4;
         },
         "TRBPCADC"},
        {"3 planes", [] { AP_FlashSet.ucPlanes = 3; }, "T#BPCADC"},
        {"blocks 4252", [] { AP_FlashSet.wBlocks = 4252; }, "TERPCADC"},
        {"blocks 2132",
         [] {
             AP_FlashSet.wBlocks = 4264;
             AP_FlashSet.ucDiePerCE = 2;
         },
         "TEQPCBDC"},
        {"blocks per die 0 dies", [] { AP_FlashSet.ucDiePerCE = 0; }, "TE#PC#DC"},
        {"4 dies with VD",
         [] {
             AP_FlashSet.wBlocks = 8192;
             AP_FlashSet.ucDiePerCE = 4;
             AP_INIState.EnVD = 1;
         },
         "TEBPCFDC"},
        {"8 channels, 4 banks",
         [] {
             AP_FlashSet.ucChannel = 8;
             AP_FlashSet.ucBankNum = 4;
         },
         "TEBPCA6C"},
        {"3 channels, 2 banks",
         [] {
             AP_FlashSet.ucChannel = 3;
             AP_FlashSet.ucBankNum = 2;
         },
         "TEBPCAKC"},
        {"9 channels", [] { AP_FlashSet.ucChannel = 9; }, "TEBPCA#C"},
    };
    for (const Case& c : cases) {
        AP_INIState = {};
        AP_FlashSet = {};
        AP_INIState.Clock = 400;
        AP_FlashSet.ucFlashInterface = 1;
        AP_FlashSet.ucFlashVendor = 2;
        AP_FlashSet.ucPlanes = 2;
        AP_FlashSet.wBlocks = 2048;
        AP_FlashSet.ucDiePerCE = 1;
        AP_FlashSet.wPages = 1536;
        AP_FlashSet.wPageSize = 16;
        AP_FlashSet.ucChannel = 4;
        AP_FlashSet.ucBankNum = 1;
        AP_FlashSet.ucFlashType = 2;
        c.setup();
        EXPECT_EQ(CodeName(), std::string(c.expected) + ".bin") << c.label;
    }

    char shortTemplate[] = "###";
    BuildFlashCodeName(shortTemplate);
    EXPECT_STREQ(shortTemplate, "TEB");
}

TEST_F(FlashParam, LogicalChannelAndCE) {
    AP_INIState_t& s = AP_INIState;
    const std::uint8_t channels[8] = {4, 5, 6, 7, 5, 0, 0, 0};
    std::memcpy(s.MPFwChannelSet, channels, 8);
    s.MaxPhyChannel = 4;
    const struct {
        std::uint8_t in;
        bool found;
        std::uint8_t out;
    } channelCases[] = {{5, true, 1}, {4, true, 0}, {7, true, 3}, {0, false, 0}, {8, false, 8}};
    for (const auto& c : channelCases) {
        std::uint8_t ch = c.in;
        EXPECT_EQ(GetLogicalChannel(ch), c.found) << int(c.in);
        EXPECT_EQ(ch, c.out) << int(c.in);
    }
    s.MaxPhyChannel = 200;  // bounded to the 8 entries
    std::uint8_t ch = 9;
    EXPECT_FALSE(GetLogicalChannel(ch));

    const std::uint8_t banks[4] = {2, 3, 0, 1};
    std::memcpy(s.MPFwBankSet, banks, 4);
    s.MPFwChannelSet[0] = 9;  // the bytes after MPFwBankSet must never be read as banks
    s.MaxPhyBank = 1;
    AP_FlashSet.ucDiePerCE = 2;
    std::uint8_t ce = 3;
    EXPECT_TRUE(GetLogicalCE(ce));
    EXPECT_EQ(ce, 1);
    ce = 0;
    EXPECT_FALSE(GetLogicalCE(ce));  // entry 2 is beyond 1 bank x 2 dies
    s.MaxPhyBank = 4;                // 4 x 2 = 8 entries wanted, only 4 exist
    ce = 1;
    EXPECT_TRUE(GetLogicalCE(ce));
    EXPECT_EQ(ce, 3);
    ce = 9;
    EXPECT_FALSE(GetLogicalCE(ce));
    EXPECT_EQ(ce, 9);
}

}  // namespace
