// The settings check that runs before a run: values the firmware parameter images cannot carry.
#include "settings/param_image_check.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/trace_sink.h"
#include "records_guard.h"
#include "settings/ce_map.h"
#include "settings/die_remap.h"

namespace {

TEST(ParamImageCheck, DramSizeMustKeepItsByteCountIn32Bits) {
    std::string why;
    EXPECT_TRUE(settings::CheckDramSize(0, &why));
    EXPECT_TRUE(settings::CheckDramSize(4095, &why));
    EXPECT_TRUE(why.empty());
    EXPECT_FALSE(settings::CheckDramSize(4096, &why));
    EXPECT_EQ(why, "DramSize 4096 MB is over 4095 MB: its byte count does not fit 32 bits.");
    EXPECT_FALSE(settings::CheckDramSize(0xFFFFFFFFu));
}

TEST(ParamImageCheck, DieMapAndDramSizeTogether) {
    platform::TraceCapture quiet;
    settings_test::RecordsGuard guard;
    AP_FlashSet.ucDiePerCE = 1;
    AP_INIState.bVirCntPerDie = 2;
    for (int ch = 0; ch < 8; ++ch) {
        for (int ce = 0; ce < 4; ++ce) AP_INIState.bDieStatus[ch][ce] = 1;  // 32 dies x 2 = 64: the most
    }
    fn_ProcessDieRemap();
    AP_INIState.dwDramSize = 1024;
    std::string why;
    EXPECT_TRUE(settings::CheckParamImageSettings(&why)) << why;
    settings::CeMap map;
    ASSERT_TRUE(settings::BuildCeMap(map));
    EXPECT_EQ(map.list[63], 0x1F);  // CE 3, channel 7, second pass
    EXPECT_EQ(map.reverse[0x1F], 31);

    AP_INIState.bVirCntPerDie = 3;
    EXPECT_FALSE(settings::CheckParamImageSettings(&why));
    EXPECT_EQ(why, "The die map gives 96 logical dies (32 dies x bVirCntPerDie 3); the CE list holds 64.");
    AP_INIState.bVirCntPerDie = 1;
    AP_INIState.dwDramSize = 8192;
    EXPECT_FALSE(settings::CheckParamImageSettings(&why));
    EXPECT_EQ(why, "DramSize 8192 MB is over 4095 MB: its byte count does not fit 32 bits.");
}

}  // namespace
