#include "tables/page_format.h"

#include <gtest/gtest.h>

#include <vector>

#include "tables_fixture.h"

namespace tables_test {
namespace {

using PageFormatTest = TablesTest;

TEST_F(PageFormatTest, WriterStoresLittleEndianAndRefusesToPassThePageEnd) {
    std::vector<std::uint8_t> buffer(24, 0xEE);  // a 20-byte page followed by 4 guard bytes
    tables::PageWriter w(buffer.data(), 20, 16);
    RM_PutPair(w, 0xEBA0, 0x0102);
    EXPECT_FALSE(w.Overflow());
    EXPECT_EQ(buffer[16], 0xA0);
    EXPECT_EQ(buffer[17], 0xEB);
    EXPECT_EQ(buffer[18], 0x02);
    EXPECT_EQ(buffer[19], 0x01);
    w.Word(0x1234);
    w.Byte(7);
    w.Qword(1);
    EXPECT_TRUE(w.Overflow());
    EXPECT_EQ(w.Needed(), 31u);
    for (int i = 20; i < 24; ++i) EXPECT_EQ(buffer[static_cast<std::size_t>(i)], 0xEE);
}

TEST_F(PageFormatTest, WriterOverPartOfAValueWritesNoneOfIt) {
    std::vector<std::uint8_t> buffer(8, 0);
    tables::PageWriter w(buffer.data(), 5, 4);
    w.Word(0xFFFF);
    EXPECT_TRUE(w.Overflow());
    EXPECT_EQ(buffer[4], 0);
    tables::PageWriter none(nullptr, 0);
    none.Byte(1);
    EXPECT_TRUE(none.Overflow());
}

TEST_F(PageFormatTest, HeadersOfEveryTableType) {
    struct Case {
        std::uint8_t type;
        std::vector<std::uint8_t> header;
    };
    const Case cases[] = {
        {RM_TBL_DEFECT, Header({0xE9, 0x86, 0xAA, 0x55})}, {RM_TBL_EARLY, Header({0x45, 0x79, 0xAA, 0x55})},
        {RM_TBL_REMAP, Header({0x9E, 0x68, 0x55, 0xAA})},  {RM_TBL_VIRT, Header({0x41, 0x56, 0xAA, 0x55})},
        {RM_TBL_SYSTEM, Header({0x53, 0x59, 0x53, 0x50})},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> page(32, 0);
        vRM_SetTableHeader(page.data(), page.size(), c.type);
        EXPECT_TRUE(std::equal(c.header.begin(), c.header.end(), page.begin())) << int{c.type};
        EXPECT_EQ(page[16], 0);
        EXPECT_TRUE(RM_MatchTableHeader(page.data(), page.size(), c.type));
        EXPECT_FALSE(RM_MatchTableHeader(page.data(), page.size(), c.type == 0 ? 8 : 0));
    }
    const std::vector<std::uint8_t> text{'Z', 'E', 'L', '0', '9', 'A', '0', 'V', '0', '0', '0', 0};
    EXPECT_EQ(Header({1, 2, 3, 4}).size(), 16u);
    EXPECT_TRUE(std::equal(text.begin(), text.end(), Header({1, 2, 3, 4}).begin() + 4));
}

TEST_F(PageFormatTest, PartialGoodHeaderReplacesTheVirtualRemapHeader) {
    AP_INIState.EnPartialTbl = 1;
    std::vector<std::uint8_t> page(32, 0);
    vRM_SetTableHeader(page.data(), page.size(), RM_TBL_VIRT);
    EXPECT_EQ(std::string(page.begin(), page.begin() + 16), "ZEL090X_PAR_V000");
    EXPECT_EQ(page[16], 0);
    EXPECT_TRUE(RM_MatchTableHeader(page.data(), page.size(), RM_HDR_PARTIAL));
    EXPECT_FALSE(RM_MatchTableHeader(page.data(), page.size(), RM_TBL_VIRT));
}

TEST_F(PageFormatTest, OtherTypesAndShortPagesGetNoHeader) {
    for (std::uint8_t type : {1, 7, 40, 255}) {
        std::vector<std::uint8_t> page(32, 0);
        vRM_SetTableHeader(page.data(), page.size(), type);
        EXPECT_EQ(std::count(page.begin(), page.end(), 0), 32) << int{type};
    }
    std::vector<std::uint8_t> shortPage(15, 0);
    vRM_SetTableHeader(shortPage.data(), shortPage.size(), RM_TBL_DEFECT);
    EXPECT_EQ(std::count(shortPage.begin(), shortPage.end(), 0), 15);
}

std::vector<std::uint8_t> LaterBadPage(std::size_t size, std::uint16_t count) {
    std::vector<std::uint8_t> page(size, 0);
    const std::vector<std::uint8_t> header = Header({0xE8, 0xDC, 0x55, 0xAA});
    std::copy(header.begin(), header.end(), page.begin());
    tables::PutLe16(page.data() + 16, count);
    return page;
}

TEST_F(PageFormatTest, LaterBadEntriesAreReadWithinThePage) {
    std::vector<std::uint8_t> page = LaterBadPage(512, 2);
    const std::uint8_t entry0[8] = {0x34, 0x12, 0x05, 0x00, 0xEE, 0x03, 0xEE, 0x45};
    std::copy(entry0, entry0 + 8, page.begin() + 32);
    RM_LaterBadEntry e{};
    ASSERT_TRUE(RM_GetLaterBadEntry(page.data(), page.size(), 0, e));
    EXPECT_EQ(e.unit, 0x1234);
    EXPECT_EQ(e.page, 5);
    EXPECT_EQ(e.plane, 3);
    EXPECT_EQ(e.location, 0x45);
    EXPECT_TRUE(RM_GetLaterBadEntry(page.data(), page.size(), 1, e));
    EXPECT_FALSE(RM_GetLaterBadEntry(page.data(), page.size(), 2, e));

    // A count larger than the page holds is cut to the entries that fit: (512 - 32) / 8 = 60.
    std::vector<std::uint8_t> lying = LaterBadPage(512, 0xFFFF);
    EXPECT_EQ(RM_LaterBadCount(lying.data(), lying.size()), 60);
    EXPECT_FALSE(RM_GetLaterBadEntry(lying.data(), lying.size(), 60, e));
    lying[0] = 0;
    EXPECT_EQ(RM_LaterBadCount(lying.data(), lying.size()), 0);
}

TEST_F(PageFormatTest, LaterBadLocationsOfBothForms) {
    std::uint8_t ch = 0, ce = 0;
    RM_DecodeLaterBadLocation(0x45, false, ch, ce);  // logical: channel << 5 | CE
    EXPECT_EQ(ch, 2);
    EXPECT_EQ(ce, 5);
    RM_DecodeLaterBadLocation(0xC5, true, ch, ce);  // two-LUN: channel << 6 | CE index
    EXPECT_EQ(ch, 3);
    EXPECT_EQ(ce, 5);
}

}  // namespace
}  // namespace tables_test
