// The valid-loader-block test and the loader-block search from the previous MP code block, on
// emulated drives of both bridge types whose loader blocks carry planted pages.
#include <set>

#include "diag_fixture.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/V_Proc_SysParam.h"
#include "transport/byte_order.h"

namespace {

using namespace diag_e2e;

Bytes Tagged(const char* tag) {
    Bytes page(kPage, 0x11);
    std::memcpy(page.data() + 448, tag, 5);
    return page;
}

Bytes Info(std::uint8_t codeNum, std::uint16_t lastPage) {
    Bytes page(kPage, 0);
    page[163] = codeNum;
    if (codeNum >= 1 && codeNum <= 16) transport::PutLe16(page.data() + 544 + 16 * (codeNum - 1) + 2, lastPage);
    return page;
}

class LoaderBlockE2e : public DiagE2e {
  protected:
    void SetUp() override { Start({kBad, kBad}); }

    // Plants an info page, the tagged code page 88 and the parameter page at `paramIndex`.
    static void PlantCodeBlock(int port, int ch, int bank, int block, std::uint8_t codeNum, int paramIndex,
                               const Bytes& param) {
        ASSERT_TRUE(Plant(port, ch, bank, block, 0, Info(codeNum, static_cast<std::uint16_t>(paramIndex)), 1, 8));
        ASSERT_TRUE(Plant(port, ch, bank, block, 88, Tagged("RAVEZ"), kLdpc, kSectors));
        ASSERT_TRUE(Plant(port, ch, bank, block, paramIndex, param, kLdpc, kSectors));
    }
};

TEST_F(LoaderBlockE2e, ValidLoaderBlockByTag) {
    for (int port : {0, 1}) {
        ASSERT_TRUE(Plant(port, 0, 0, 2, 88, Tagged("RAVEZ"), kLdpc, kSectors));
        ASSERT_TRUE(Plant(port, 0, 0, 3, 88, Tagged("QVRDT"), kLdpc, kSectors));
        ASSERT_TRUE(Plant(port, 0, 1, 2, 88, Tagged("QVGDP"), kLdpc, kSectors));
        struct Case {
            int bank, block;
            std::uint8_t onlySys;
            int valid;
            const char* line;
        };
        const Case cases[] = {
            {0, 2, 1, 1, "######### - [%d]Find SYS FW code block! - Ch 0, Bank 0, Block 2\n"},
            {0, 3, 0, 1, "######### - [%d]Find RDT FW code block! - Ch 0, Bank 0, Block 3\n"},
            {0, 3, 1, 0, "######### - [%d]Ch 0, Bank 0, Block 3 is not a valid code block!\n"},
            {1, 2, 0, 0, "######### - [%d]Ch 0, Bank 1, Block 2 is not a valid code block!\n"},
            {1, 3, 0, 0, "######### - [%d]Ch 0, Bank 1, Block 3 is not a valid code block!\n"},  // never written
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "port " << port << " bank " << c.bank << " block " << c.block);
            trace_.Clear();
            Bytes page(kPage);
            EXPECT_EQ(VP_IsValidLoaderBlock(port, page.data(), 0, static_cast<std::uint8_t>(c.bank),
                                            static_cast<std::uint16_t>(c.block), c.onlySys),
                      c.valid);
            char line[120];
            std::snprintf(line, sizeof line, c.line, port);
            EXPECT_EQ(trace_.Lines().back(), line);
        }
    }
}

TEST_F(LoaderBlockE2e, PreviousMpCodeBlockGivesTheLoaderBlocksAndCounts) {
    AP_INIState.ToolMode = 0;
    AP_INIState.EnInheritFW = 1;
    AP_INIState.FixSLC_BU = 7;
    AP_INIState.wFW_BLKQnty = 5;
    const std::uint16_t blocks[2][2][2] = {{{2, 3}, {0, 2}}, {{1, 3}, {0, 1}}};
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        AP_Instance_t& inst = AP_Instance[port];
        for (int ch = 0; ch < 2; ++ch) {
            for (int b = 0; b < 2; ++b) {
                inst.aLoaderBlockNo[ch][b][0] = blocks[ch][b][0];
                inst.aLoaderBlockNo[ch][b][1] = blocks[ch][b][1];
            }
        }
        inst.wHSPD_BLK_Qnty_Count = 0x1234;
        inst.wTotalGoodBU = 900;
        inst.wScanBlockUnit = 120;
        inst.wScanBlockUnit2 = 121;
        inst.wSysBU = 6;
        Bytes param(kPage, 0);
        ASSERT_TRUE(WriteSysParamPage(port, param.data(), param.size(), "SN0001"));
        // Block 2 of the first die: a code map naming 17 entries is passed over; block 3 holds the set.
        PlantCodeBlock(port, 0, 0, 2, 17, 90, param);
        PlantCodeBlock(port, 0, 0, 3, 3, 91, param);
        const AP_Instance_t want = inst;
        inst.wHSPD_BLK_Qnty_Count = inst.wTotalGoodBU = inst.wScanBlockUnit = inst.wScanBlockUnit2 = inst.wSysBU = 0;
        std::memset(inst.aLoaderBlockNo, 0, sizeof inst.aLoaderBlockNo);

        trace_.Clear();
        ASSERT_TRUE(VP_PROC_GetLoaderBlock(port, work_.data(), 0));
        EXPECT_TRUE(trace_.Contains("######### - Try to find last MP code block\n"));
        EXPECT_TRUE(trace_.Contains("######### - pParamS->Param.bCodeNum is 17\n"));
        EXPECT_TRUE(trace_.Contains("Ch 0, Bank 0, Block 2 - code map unusable (count 17, last page 0)\n"));
        EXPECT_TRUE(trace_.Contains("######### - pCodeMap->aCodeEntry[PartIndex].wLastPageNo is 91\n"));
        EXPECT_TRUE(trace_.Contains("######### - AP_Instance[bInstance].aLoaderBlockNo[1][0][1] is 3\n"));
        for (int ch = 0; ch < 8; ++ch) {
            for (int b = 0; b < 4; ++b) {
                for (int k = 0; k < 2; ++k) {
                    const std::uint16_t expect = ch < 2 && b < 2 ? blocks[ch][b][k] : 0xFFFF;
                    EXPECT_EQ(inst.aLoaderBlockNo[ch][b][k], expect) << ch << "," << b << "," << k;
                }
            }
        }
        EXPECT_EQ(inst.ucLoaderBlockNum, 2);
        EXPECT_EQ(inst.wHSPD_BLK_Qnty_Count, want.wHSPD_BLK_Qnty_Count);
        EXPECT_EQ(inst.wTotalGoodBU, 900) << "the page's count plus FixSLC_BU and FWBlkQnty";
        EXPECT_EQ(inst.wScanBlockUnit, 120);
        EXPECT_EQ(inst.wScanBlockUnit2, 121);
        EXPECT_EQ(inst.wSysBU, 6);
    }
}

TEST_F(LoaderBlockE2e, PreviousMpWithoutACodeBlockFindsNothing) {
    AP_INIState.ToolMode = 0;
    AP_INIState.dwItemEnable[8] = 1;                                       // Download without Preformat
    ASSERT_TRUE(Plant(0, 1, 1, 1, 88, Tagged("QVRDT"), kLdpc, kSectors));  // sorting firmware only
    EXPECT_FALSE(VP_PROC_GetLoaderBlock(0, work_.data(), 0));
    EXPECT_TRUE(trace_.Contains("######### - Try to find last MP code block\n"));
    EXPECT_EQ(AP_Instance[0].aLoaderBlockNo[0][0][0], 0xFFFF) << "nothing kept from before the search";
}

}  // namespace
