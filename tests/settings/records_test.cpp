#include "settings/records.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace {

bool AllZero(const void* record, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(record);
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

// Taken before main runs, so that the tests that fill the records (in this process, in any order) do not
// hide what the program starts with.
const bool kRecordsZeroAtStart = AllZero(&AP_INIState, sizeof AP_INIState) &&
                                 AllZero(&AP_FlashSet, sizeof AP_FlashSet) && AllZero(&AP_FwSet, sizeof AP_FwSet) &&
                                 AllZero(&AP_FwFeatureSet, sizeof AP_FwFeatureSet) &&
                                 AllZero(&AP_RDTSet, sizeof AP_RDTSet) && AllZero(&AP_ParaSet, sizeof AP_ParaSet) &&
                                 AllZero(&AP_RDSetting, sizeof AP_RDSetting);

// The blocks that are copied byte for byte into firmware images keep their exact layout.
TEST(SettingsRecords, FirmwareBlocksHaveTheirImageLayout) {
    EXPECT_EQ(sizeof(TMC_TIMING_PARAM), 240u);
    EXPECT_EQ(offsetof(TMC_TIMING_PARAM, ucOutputDriveStrength), 6u);
    EXPECT_EQ(offsetof(TMC_TIMING_PARAM, dwDrvCfg), 12u);
    EXPECT_EQ(offsetof(TMC_TIMING_PARAM, dwTimingCode), 204u);
    EXPECT_EQ(offsetof(TMC_TIMING_PARAM, dwDqsDrvCfg) + sizeof(std::uint32_t) * 8, 240u);

    EXPECT_EQ(sizeof(AP_FwFeatureSet_t), 20u);
    EXPECT_EQ(offsetof(AP_FwFeatureSet_t, RemapEnable), 0u);
    EXPECT_EQ(offsetof(AP_FwFeatureSet_t, EnPowerState0), 8u);
    EXPECT_EQ(offsetof(AP_FwFeatureSet_t, EnSM4), 19u);

    EXPECT_EQ(sizeof(AP_ParaSet_t), 31u);
    EXPECT_EQ(offsetof(AP_ParaSet_t, LAST_BAD_RATION), 4u);
    EXPECT_EQ(offsetof(AP_ParaSet_t, TABLE_BU), 5u);
    EXPECT_EQ(offsetof(AP_ParaSet_t, PARTIAL), 21u);
    EXPECT_EQ(offsetof(AP_ParaSet_t, READ_DISTURB_HEAD), 27u);
}

TEST(SettingsRecords, ParaBlockStoresLittleEndianWithoutPadding) {
    AP_ParaSet_t para{};
    para.ROLL_RATE = 10;
    para.TABLE_BU = 0x1234;
    para.READ_DISTURB_HEAD = 0xA1B2C3D4;
    unsigned char bytes[sizeof para];
    std::memcpy(bytes, &para, sizeof para);
    EXPECT_EQ(bytes[3], 10);
    EXPECT_EQ(bytes[5], 0x34);
    EXPECT_EQ(bytes[6], 0x12);
    EXPECT_EQ(bytes[27], 0xD4);
    EXPECT_EQ(bytes[30], 0xA1);
}

TEST(SettingsRecords, GlobalsStartZeroAndHoldTheirTables) {
    EXPECT_TRUE(kRecordsZeroAtStart);
    EXPECT_EQ(sizeof AP_INIState.dwItemEnable / sizeof AP_INIState.dwItemEnable[0], 36u);
    EXPECT_EQ(sizeof AP_FlashSet.wPageMap / sizeof AP_FlashSet.wPageMap[0], 384u);
    EXPECT_EQ(sizeof AP_INIState.bDieStatusMultiLun, 8u * 4u * 4u);
    EXPECT_EQ(sizeof AP_RDTSet.RdtLogPath, 40u);
    EXPECT_EQ(sizeof AP_FwSet.init_timing_setting, 240u);
    EXPECT_EQ(sizeof AP_RDSetting, 5u);
}

}  // namespace
