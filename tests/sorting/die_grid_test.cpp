// The result window's die grid without a window: control names and places, the die look, the
// program-time check, the lights, the LUN rules and the threshold conversion.
#include "sorting/die_grid.h"

#include <gtest/gtest.h>

#include <cstring>

#include "forms/str_to_int.h"
#include "sort_fixture.h"

namespace {

using sorting::DieControl;

TEST(DieGrid, NamesPlacesAndFirstTexts) {
    EXPECT_EQ(sorting::DieControlName(DieControl::Panel, 7, 3), "SR_Die_Panel_C7B3");
    EXPECT_EQ(sorting::DieControlName(DieControl::ECCF, 2, 1), "SR_Die_ECCF_Label_C2B1");
    EXPECT_EQ(sorting::DieControlName(DieControl::Info, 0, 2), "SR_Die_info_btn_C0B2");
    // The panel moves by 124 per channel and 116 per bank: the last column ends at 991, the last row at 466.
    const sorting::DieRect last = sorting::DieControlRect(DieControl::Panel, 7, 3);
    EXPECT_EQ(last.left + last.width, 991);
    EXPECT_EQ(last.top + last.height, 466);
    EXPECT_EQ(sorting::DieControlRect(DieControl::Panel, 1, 2), (sorting::DieRect{127, 235, 120, 115}));
    // The other controls keep their template's place within the panel.
    EXPECT_EQ(sorting::DieControlRect(DieControl::P3, 5, 3), (sorting::DieRect{70, 70, 48, 16}));
    EXPECT_EQ(sorting::DieFirstText(DieControl::CH, 6, 2), "CH:6");
    EXPECT_EQ(sorting::DieFirstText(DieControl::CE, 6, 2), "CE:2");
    EXPECT_EQ(sorting::DieFirstText(DieControl::ECCF, 6, 2), "EF:0");
    EXPECT_EQ(sorting::DieFirstText(DieControl::Lun, 6, 2), "");
    EXPECT_EQ(sorting::DieFirstText(DieControl::Info, 6, 2), "Info");
}

TEST(DieGrid, InfoButtonNamesTheDie) {
    const auto die = sorting::DieOfInfoButton("SR_Die_info_btn_C5B3");
    ASSERT_TRUE(die);
    EXPECT_EQ((*die)[0], 5u);
    EXPECT_EQ((*die)[1], 3u);
    EXPECT_FALSE(sorting::DieOfInfoButton("SR_Die_info_btn_C8B0"));
    EXPECT_FALSE(sorting::DieOfInfoButton("SR_Die_info_btn_C0B4"));
    EXPECT_FALSE(sorting::DieOfInfoButton("Result_Info"));
}

TEST(DieGrid, LookOfPassFailAndNoResult) {
    tables::DieTestInfo die{};
    die.TotalBadNum = 12;
    die.ECCFailNum = 3;
    die.Plane3Num = 65535;
    sorting::DieLook pass = sorting::LookOfDie(die);
    EXPECT_EQ(pass.status, "");
    EXPECT_EQ(pass.shapeColour, sorting::kResultGreen);
    EXPECT_TRUE(pass.infoVisible);
    EXPECT_TRUE(pass.pass);
    EXPECT_EQ(pass.counts[0], "TB:12");
    EXPECT_EQ(pass.counts[3], "EF:3");  // the ECC count reads "EF" too
    EXPECT_EQ(pass.counts[8], "P3:65535");

    die.TestResult = 0xFF;
    const sorting::DieLook none = sorting::LookOfDie(die);
    EXPECT_EQ(none.status, "NR");
    EXPECT_EQ(none.shapeColour, sorting::kResultRed);
    EXPECT_FALSE(none.infoVisible);
    EXPECT_FALSE(none.pass);

    die.TestResult = 0x04;
    const sorting::DieLook fail = sorting::LookOfDie(die);
    EXPECT_EQ(fail.status, "");
    EXPECT_TRUE(fail.infoVisible);
    EXPECT_FALSE(fail.pass);
}

TEST(DieGrid, TprogramBoundsAreExcludedAndEraseTimesIgnored) {
    sorting_test::Echo echo{};
    const auto put = [&](const char* key, std::uint16_t v) {
        sorting_test::Put(echo, tables::SortEchoFieldByKey(key)->offset, 2, v);
    };
    put("tProgThresholdLower", 100);
    put("tProgThreshold", 200);
    put("TLCtProgThresholdLower", 1000);
    put("TLCtProgThreshold", 3000);
    put("TLCtReadThresholdLower", 10);
    put("TLCtReadThreshold", 90);
    put("tReadThresholdLower", 5);
    put("tReadThreshold", 50);
    tables::DieTestInfo die{};
    die.tProg_SLC = 150;
    die.tProg = 2000;
    die.tRead = 50;
    die.tRead_SLC = 20;
    die.tErase_SLC = 255;
    die.tErase = 0;
    EXPECT_TRUE(sorting::TprogramPass(die, echo));
    const sorting::ListRow row = sorting::TprogramRow(9, 1, 2, 3, die, echo);
    EXPECT_EQ(row, (sorting::ListRow{"9", "1", "2", "3", "255", "0", "150", "2000", "20", "50", "Pass"}));

    struct Case {
        std::uint16_t tProgSlc, tProg, tRead, tReadSlc;
        bool pass;
    };
    const Case cases[] = {
        {100, 2000, 50, 20, false},  // equal to the lower bound
        {200, 2000, 50, 20, false},  // equal to the upper bound
        {101, 2999, 89, 49, true},  {150, 1000, 50, 20, false}, {150, 2000, 90, 20, false},
        {150, 2000, 50, 5, false},  {150, 2000, 50, 50, false},
    };
    for (const Case& c : cases) {
        die.tProg_SLC = c.tProgSlc;
        die.tProg = c.tProg;
        die.tRead = c.tRead;
        die.tRead_SLC = c.tReadSlc;
        EXPECT_EQ(sorting::TprogramPass(die, echo), c.pass) << c.tProgSlc << " " << c.tProg << " " << c.tRead;
    }
    // A zero echo (before any whole-info page) fails every die.
    EXPECT_FALSE(sorting::TprogramPass(die, sorting_test::Echo{}));
}

TEST(DieGrid, LightsByTotalBadBlocks) {
    struct Case {
        std::uint16_t totalBad, yellowUnder, greenUnder;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {100, 100, 50, sorting::kResultRed},    {99, 100, 50, sorting::kShapeYellow},
        {50, 100, 50, sorting::kShapeYellow},   {49, 100, 50, sorting::kResultGreen},
        {0, 0, 0, sorting::kResultRed},         {7, 10, 10, sorting::kResultGreen},
        {9, 10, 20, sorting::kResultGreen},     {10, 10, 20, sorting::kResultRed},
        {65535, 65535, 0, sorting::kResultRed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sorting::LightColour(c.totalBad, c.yellowUnder, c.greenUnder), c.colour)
            << c.totalBad << " " << c.yellowUnder << " " << c.greenUnder;
    }
}

TEST(DieGrid, LunRadiosAndListedCes) {
    EXPECT_EQ(sorting::ShownLunRadios(1), 1u);
    EXPECT_EQ(sorting::ShownLunRadios(2), 2u);
    EXPECT_EQ(sorting::ShownLunRadios(4), 4u);
    EXPECT_EQ(sorting::ShownLunRadios(3), 0u);
    EXPECT_EQ(sorting::ShownLunRadios(0), 0u);

    std::uint8_t dieMap[8][4];
    std::uint8_t multi[8][8];
    std::memset(dieMap, 0xFF, sizeof dieMap);
    std::memset(multi, 0xFF, sizeof multi);
    dieMap[1][2] = 0;
    multi[3][0 * 2 + 1] = 0;  // channel 3, bank 1, LUN 0 of two banks
    sorting::DieMaps one{1, 4, dieMap, multi};
    EXPECT_TRUE(sorting::CeListed(one, 1, 2, 0));
    EXPECT_FALSE(sorting::CeListed(one, 1, 1, 0));
    EXPECT_FALSE(sorting::CeListed(one, 8, 0, 0));
    sorting::DieMaps two{2, 2, dieMap, multi};
    EXPECT_TRUE(sorting::CeListed(two, 3, 1, 0));
    // The CE lists LUN 0 only: LUN 1 of it is not drawn.
    EXPECT_FALSE(sorting::CeListed(two, 3, 1, 1));
    multi[3][1 * 2 + 1] = 0;
    EXPECT_TRUE(sorting::CeListed(two, 3, 1, 1));
    // FW banks past the map's eight entries are not read.
    sorting::DieMaps wide{4, 4, dieMap, multi};
    EXPECT_FALSE(sorting::CeListed(wide, 3, 1, 2));
}

TEST(DieGrid, ThresholdKeepsTheLow16Bits) {
    EXPECT_EQ(sorting::ThresholdOf("70000"), 4464);
    EXPECT_EQ(sorting::ThresholdOf("100"), 100);
    EXPECT_EQ(sorting::ThresholdOf("-1"), 65535);
    EXPECT_EQ(sorting::ThresholdOf("0x10"), 16);
    try {
        sorting::ThresholdOf("abc");
        FAIL() << "no conversion error";
    } catch (const forms::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_THROW(sorting::ThresholdOf(""), forms::ConvertError);
}

}  // namespace
