// The loader-block pages as built: the info page and the code-page layout in MP and SORT, the
// refusals that write nothing, the firmware-slot page, the system page, the erase-count pages and
// the later-bad page of a pre-format. Pages are pre-filled with a marker byte.
#include <gtest/gtest.h>

#include "loader_fixture.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_LoaderPages.h"
#include "settings/page_map.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "support/recording_backend.h"
#include "transport/port_instance.h"

namespace {

using loader_test::AllBytes;
using loader_test::Bytes;
using loader_test::ExpectFields;
using loader_test::Field;

constexpr int kPort = param_test::kPort;
constexpr std::uint8_t kMarker = 0xEE;

class LoaderPages : public ::testing::Test {
  protected:
    void SetUp() override {
        loader_test::LoadLoaderDrive(kPort);
        AP_FlashSet.ucFlashVendor = 2;
        loader_test::DescribeImage(loader_test::SystemPlan(), "", 7);
        Bytes nops(100), nifc(200);
        for (std::size_t i = 0; i < nops.size(); ++i) nops[i] = static_cast<std::uint8_t>(0x30 + i);
        for (std::size_t i = 0; i < nifc.size(); ++i) nifc[i] = static_cast<std::uint8_t>(0x80 + i);
        std::snprintf(AP_Param.sNandMemUpdateBin1, kParamPathBytes, "%s", folder_.File("nops.bin", nops).c_str());
        std::snprintf(AP_Param.sNandMemUpdateBin2, kParamPathBytes, "%s", folder_.File("nifc.bin", nifc).c_str());
    }

    bool Build(Bytes& page, AP_Bins_t& layout, std::string& reason) {
        page.assign(kLoaderPageBufBytes, kMarker);
        return loader::BuildInfoPage(kPort, page.data(), layout, reason);
    }

    loader_test::LoaderGuard guard_;
    loader_test::TempFolder folder_{"loader-pages"};
    platform::TraceCapture trace_;
};

TEST_F(LoaderPages, InfoPageInMpMode) {
    Bytes page;
    AP_Bins_t layout;
    std::string reason;
    ASSERT_TRUE(Build(page, layout, reason)) << reason;
    ExpectFields(page.data(),
                 {{0, 4, 0x4B42444C},
                  {15, 1, 0},
                  {16, 1, 10},
                  {17, 1, 10},
                  {18, 1, 5},
                  {19, 4, 0},
                  {24, 2, 500},
                  {30, 2, 500},
                  {32, 2, 512},
                  {34, 1, 4},
                  {35, 4, 0},
                  {41, 1, 1},
                  {43, 1, 1},
                  {44, 2, 0},
                  {46, 1, 1},
                  {47, 1, 0},
                  {48, 2, 3333},
                  {50, 2, 333},
                  {52, 2, 33},
                  {54, 2, 0},
                  {56, 2, 50},
                  {62, 2, 255},
                  {64, 2, 2064},
                  {66, 2, 240},
                  {68, 2, 2},
                  {80, 2, 2},
                  {82, 2, 1168},
                  {84, 4, 16},
                  {88, 2, 2},
                  {90, 2, 400},
                  {92, 4, 1184},
                  {96, 2, 30},
                  {98, 2, 36},
                  {100, 2, 72},
                  {102, 2, 108},
                  {104, 4, 0},
                  {108, 2, 0x5555},
                  {110, 2, 0},
                  {112, 2, 3},
                  {114, 2, 592},
                  {116, 4, 16},
                  {144, 2, 2},
                  {146, 2, 1920},
                  {148, 4, 1584},
                  {152, 4, 0},
                  {160, 2, 2324},
                  {162, 1, 0},
                  {163, 1, 6},
                  {164, 1, 4},
                  {165, 1, 0},
                  {166, 1, 1},
                  {167, 1, 0},
                  {168, 2, 0},
                  {170, 1, 1},
                  {171, 1, 0},
                  {172, 4, 240128},
                  {176, 1, 1},
                  {177, 1, 4},
                  {178, 2, 143},
                  {180, 1, 5},
                  {181, 4, 0},
                  {192, 1, 0x12},
                  {193, 1, 0x34},
                  {194, 2, 1024},
                  {196, 2, 0x5678},
                  {200, 4, 0x9ABCDEF0},
                  {204, 1, 0x21},
                  {205, 1, 0x43},
                  {208, 1, 0x60},
                  {239, 1, 0x7F},
                  {240, 1, 0x90},
                  {271, 1, 0xAF},
                  {272, 4, 0},
                  {476, 4, 0},
                  {480, 4, 0x42373242},
                  {492, 1, 0},
                  {512, 4, 0x4B42444C},
                  {527, 1, 0},
                  {528, 4, 544},
                  {532, 4, 1056},
                  {536, 4, 1824},
                  {540, 4, 2736},
                  // Code map: the four parts (the 40,000-byte part on three pages), then the two parameter parts.
                  {544, 2, 88},
                  {546, 2, 90},
                  {548, 4, 49152},
                  {552, 4, 0},
                  {556, 2, 1},
                  {560, 2, 91},
                  {562, 2, 91},
                  {564, 4, 16384},
                  {568, 4, 0x80000},
                  {572, 2, 0},
                  {576, 2, 92},
                  {578, 2, 94},
                  {580, 4, 40000},
                  {584, 4, 0x100000},
                  {592, 2, 95},
                  {594, 2, 95},
                  {600, 4, 0x200000},
                  {604, 2, 1},
                  {608, 2, 96},
                  {610, 2, 96},
                  {612, 4, 0x4000},
                  {616, 4, 0},
                  {620, 2, 1},
                  {622, 2, 0xFFFF},
                  {624, 2, 97},
                  {626, 2, 97},
                  {628, 4, 0x4000},
                  {632, 4, 0x2000000},
                  {636, 2, 1},
                  {638, 2, 0xFFFF},
                  {640, 4, 0},
                  {796, 4, 0},
                  {800, 1, 255},
                  {1055, 1, 0},
                  {1056, 2, 0},
                  {1058, 2, 1},
                  {1822, 2, 383},
                  {1824, 4, 100},
                  {1828, 4, 200},
                  {1832, 4, 0x02020202},
                  {1836, 4, 0},
                  {1840, 1, 0x30},
                  {1939, 1, 0x93},
                  {1940, 4, 0},
                  {2096, 1, 0x80},
                  {2295, 1, 0x47},
                  {2296, 4, 0},
                  {2736, 4, 0},
                  {4092, 4, 0},
                  {4096, 1, kMarker}});
    EXPECT_EQ(transport::GetLe16(&page[588]), AP_Bins.wEnable[0][2]);
    EXPECT_EQ(transport::GetLe16(&page[590]), AP_Bins.wCheckSum[0][2]);

    // Five copies of ten pages; each copy's parameter parts take its own parts 0 and 3.
    EXPECT_EQ(layout.ucCodeCnt, 5);
    for (int c = 0; c < 5; ++c) {
        SCOPED_TRACE(c);
        ASSERT_EQ(layout.ucPartCnt[c], 6);
        const int first = 88 + 10 * c;
        const int starts[6] = {first, first + 3, first + 4, first + 7, first + 8, first + 9};
        const int lengths[6] = {3, 1, 3, 1, 1, 1};
        for (int p = 0; p < 6; ++p) {
            EXPECT_EQ(layout.wStartPageNo[c][p], starts[p]);
            EXPECT_EQ(layout.wPageLength[c][p], lengths[p]);
        }
        EXPECT_EQ(layout.dwBinOffset[c][4], AP_Bins.dwBinOffset[c][0]);
        EXPECT_EQ(layout.dwBinOffset[c][5], AP_Bins.dwBinOffset[c][3]);
    }
    EXPECT_EQ(layout.ucPartCnt[5], 4) << "copies past the count keep their parts unlaid";

    const auto lines = trace_.Lines();
    for (const char* line :
         {"######### - 1 - CodeIndex - 0, PartIndex - 2\n",
          "######### - 1 - AP_Bins_Instance[bInstance].wPageLength[2] - 3\n",
          "######### - 1 - pCodeMap->aCodeEntry[2].dwLength is 0x9C40\n",
          "######### - 2 - pCodeMap->aCodeEntry[4].wFirstPageNo is 0x60\n",
          "######### - 3 - pCodeMap->aCodeEntry[5].dwOffset is 0x2000000\n",
          "######### - 3 - pCodeMap->aCodeEntry[5].wCheckSum is 0xFFFF\n",
          "######### - 2 - CodeIndex - 4, PartIndex - 3\n",
          "######### - 2 - AP_Bins_Instance[bInstance].wStartPageNo[3] - 135\n", "######### - endpage is 143\n"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST_F(LoaderPages, InfoPageInSortMode) {
    AP_INIState.ToolMode = 1;
    loader_test::DescribeImage(loader_test::SortPlan(), "", 1);
    Bytes page;
    AP_Bins_t layout;
    std::string reason;
    ASSERT_TRUE(Build(page, layout, reason)) << reason;
    // Parts 2, 1, 2 (20,000 bytes) and 1 pages, then the two sorting parameter parts.
    ExpectFields(page.data(),
                 {{163, 1, 6},      {544, 2, 88}, {546, 2, 89}, {560, 2, 90},     {576, 2, 91},        {578, 2, 92},
                  {592, 2, 93},     {608, 2, 94}, {610, 2, 95}, {612, 4, 0x8000}, {616, 4, 0},         {620, 2, 1},
                  {622, 2, 0xFFFF}, {624, 2, 96}, {626, 2, 96}, {628, 4, 0x4000}, {632, 4, 0x2800000}, {636, 2, 1},
                  {638, 2, 0xFFFF}, {178, 2, 0},  {180, 1, 0}});
    EXPECT_EQ(layout.ucCodeCnt, 1);
    EXPECT_EQ(layout.dwBinOffset[0][4], AP_Bins.dwBinOffset[0][0]);
    EXPECT_EQ(layout.dwBinOffset[0][5], AP_Bins.dwBinOffset[0][3]);
    for (const auto& line : trace_.Lines()) EXPECT_EQ(line.find(" - 2 - pCodeMap"), std::string::npos) << line;
}

// Copies from the block's pages: min(U div P, 7) - 2, then as many as the page map holds.
TEST_F(LoaderPages, CopyCountFromTheBlockAndThePageMap) {
    struct Case {
        std::uint16_t pages;
        std::uint8_t type;
        std::uint32_t plainPages;  // pages of part 2; the copy holds 5 more (parts 0, 1, 3, two parameter parts)
        int copies;
        int endPage;
    };
    for (const Case& c : {Case{1152, 2, 23, 5, 239}, Case{1152, 2, 91, 1, 191}, Case{3000, 0, 55, 4, 351},
                          Case{3000, 0, 288, 1, 383}}) {
        SCOPED_TRACE(testing::Message() << c.pages << " pages, part of " << c.plainPages);
        AP_FlashSet.wPages = c.pages;
        AP_FlashSet.ucFlashType = c.type;
        for (int code = 0; code < 7; ++code) AP_Bins.dwLength[code][2] = c.plainPages * 16384;
        Bytes page;
        AP_Bins_t layout;
        std::string reason;
        ASSERT_TRUE(Build(page, layout, reason)) << reason;
        EXPECT_EQ(page[180], c.copies);
        EXPECT_EQ(transport::GetLe16(&page[178]), c.endPage);
    }
}

TEST_F(LoaderPages, LayoutsTheBlocksCannotHoldAreRefusedAndWriteNothing) {
    struct Case {
        const char* name;
        void (*set)();
    };
    const Case cases[] = {
        {"15 parts", [] { AP_Bins.ucPartCnt[0] = 15; }},
        {"3 parts", [] { AP_Bins.ucPartCnt[0] = 3; }},
        {"page size 0", [] { AP_FlashSet.bPageSector = 0; }},
        {"no planes", [] { AP_FlashSet.ucPlanes = 0; }},
        {"U div P below 3", [] { AP_FlashSet.wPages = 3 * (89 + 29); }},
        {"copy 0 passes the page map",
         [] {
             AP_FlashSet.wPages = 60000;
             AP_FlashSet.ucFlashType = 0;
             AP_Bins.dwLength[0][2] = 300 * 16384;
         }},
        {"NOPS of 257 bytes", [] { std::strcat(AP_Param.sNandMemUpdateBin1, ".257"); }},
        {"NIFC of 641 bytes", [] { std::strcat(AP_Param.sNandMemUpdateBin2, ".641"); }},
    };
    folder_.File("nops.bin.257", Bytes(257, 1));
    folder_.File("nifc.bin.641", Bytes(641, 1));
    const AP_Bins_t bins = AP_Bins;
    const AP_FlashSet_t flash = AP_FlashSet;
    const AP_Param_t param = AP_Param;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AP_Bins = bins;
        AP_FlashSet = flash;
        AP_Param = param;
        c.set();
        AP_Bins_Instance[kPort] = AP_Bins_t{};
        AP_Bins_Instance[kPort].ucCodeCnt = 0x77;
        test_support::RecordedPort port(kPort, 1);
        Bytes page(kLoaderPageBufBytes, kMarker);
        trace_.Clear();
        EXPECT_FALSE(VP_FillInfoPage(kPort, page.data()));
        EXPECT_TRUE(port.backend->Calls().empty());
        EXPECT_EQ(AP_Bins_Instance[kPort].ucCodeCnt, 0x77);
        EXPECT_EQ(AP_Bins.ucCodeCnt, 7);
        EXPECT_NE(trace_.Lines().back().find("VP_FillInfoPage fail! - "), std::string::npos);
    }
}

TEST_F(LoaderPages, SlotPage) {
    Bytes page;
    AP_Bins_t layout;
    std::string reason;
    ASSERT_TRUE(Build(page, layout, reason)) << reason;
    Bytes slot(16384, kMarker);
    loader::BuildSlotPage(layout, slot.data(), slot.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(slot.data()), 16), "LDBK FWSLOT MARK");
    ExpectFields(slot.data(), {{16, 4, 48},
                               {20, 4, 560},
                               {44, 4, 3632},
                               // copy 0: parts 0 and 5, its signature block
                               {48, 2, 88},
                               {50, 2, 90},
                               {52, 4, 49152},
                               {128, 2, 97},
                               {136, 4, 0x2000000},
                               {142, 2, 0xFFFF},
                               {144, 4, 0xFFFFFFFF},
                               {300, 4, 0xFFFFFFFF},
                               {304, 1, 255},
                               {559, 1, 0},
                               {560, 2, 98},
                               // copy 4
                               {2096, 2, 128},
                               {2098, 2, 130},
                               {2176, 2, 137},
                               {2352, 1, 255},
                               // no copy 5
                               {2608, 4, 0xFFFFFFFF},
                               {3120, 1, 0xFF},
                               {16383, 1, 0xFF}});
}

TEST_F(LoaderPages, SystemPage) {
    Bytes smart(kSmartLogBufSize), bitmap(kTablePageBufSize), own(2048);
    for (std::size_t i = 0; i < smart.size(); ++i) smart[i] = static_cast<std::uint8_t>(i + 1);
    for (std::size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = static_cast<std::uint8_t>(0xB0 ^ i);
    for (std::size_t i = 0; i < own.size(); ++i) own[i] = static_cast<std::uint8_t>(0x0D + i);
    AP_Instance[kPort].pSmartLogBuf = smart.data();
    AP_Instance[kPort].pTablePageBuf = bitmap.data();
    std::strcpy(AP_OtSet.sMPTVer, "MPT 1.2.3");
    std::strcpy(AP_OtSet.sGDPVer, "GDP 4.5.6");
    std::strcpy(AP_OtSet.sMPTime, "20261210");
    AP_FlashSet.ucPageMapType = 1;
    Bytes table(kPageMapTableBytes);
    CopyPageMapTable(table.data(), 1);

    struct Case {
        std::uint8_t smartOn, partial;
        bool ownBitmap;
        std::uint8_t byte0, byte5120;
    };
    for (const Case& c :
         {Case{1, 0, false, 1, 0xB0}, Case{0, 0, false, 0, 0xB0}, Case{1, 1, false, 1, 0}, Case{0, 0, true, 0, 0x0D}}) {
        SCOPED_TRACE(testing::Message() << "SMART " << int(c.smartOn) << ", partial " << int(c.partial));
        AP_INIState.EnKeepSmartInfo = c.smartOn;
        AP_INIState.EnPartialTbl = c.partial;
        Bytes page(kLoaderPageBufBytes, kMarker);
        loader::BuildSystemPage(kPort, page.data(), page.size(), c.ownBitmap ? own.data() : nullptr);
        ExpectFields(page.data(), {{0, 1, c.byte0},
                                   {510, 1, c.smartOn != 0 ? 255u : 0u},
                                   {512, 4, 0x2054504D},
                                   {528, 4, 0x20504447},
                                   {544, 4, 0x36323032},
                                   {560, 4, 0},
                                   {1020, 4, 0},
                                   {5120, 1, c.byte5120},
                                   {7168, 4, 0},
                                   {262143, 1, 0}});
        EXPECT_TRUE(std::equal(table.begin(), table.end(), page.begin() + 1024));
        if (c.partial != 0) {
            EXPECT_TRUE(AllBytes(&page[5120], 2048, 0));
        }
    }
    AP_Instance[kPort].pSmartLogBuf = nullptr;
    AP_Instance[kPort].pTablePageBuf = nullptr;
}

TEST_F(LoaderPages, EraseCountPages) {
    // 2,016 blocks of 4 planes: 504 units, all within page 0 of 16 KB (4,096 counts).
    Bytes counts(kEraseCountBufSize, 0xFF);
    transport::PutLe32(&counts[0], 7);
    transport::PutLe32(&counts[4 * 503], 0xFFFFFFFF);
    transport::PutLe32(&counts[16384 + 8], 9);
    AP_Instance[kPort].pEraseCountBuf = counts.data();
    Bytes page(16384, kMarker);

    AP_INIState.EnKeepEraseCount = 1;
    loader::BuildEraseCountPage(kPort, 0, page.data(), page.size());
    ExpectFields(page.data(),
                 {{0, 4, 7}, {4, 4, 1}, {4 * 503, 4, 1}, {4 * 504, 4, 0xFFFFFFFF}, {16380, 4, 0xFFFFFFFF}});
    loader::BuildEraseCountPage(kPort, 1, page.data(), page.size());
    ExpectFields(page.data(), {{0, 4, 0xFFFFFFFF}, {8, 4, 9}});  // no unit of the die lies on the second page

    AP_INIState.EnKeepEraseCount = 0;
    for (int which : {0, 1}) {
        loader::BuildEraseCountPage(kPort, which, page.data(), page.size());
        for (std::size_t i = 0; i < page.size(); i += 4) ASSERT_EQ(transport::GetLe32(&page[i]), 1u) << i;
    }
    AP_Instance[kPort].pEraseCountBuf = nullptr;
}

TEST_F(LoaderPages, LaterBadPageOfAPreformat) {
    Bytes page(16384, kMarker);
    loader::BuildLaterBadPage(page.data(), page.size());
    const Bytes header = {0xE8, 0xDC, 0x55, 0xAA, 'Z', 'E', 'L', '0', '9', 'A', '0', 'V', '0', '0', '0', 0};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), page.begin()));
    EXPECT_TRUE(AllBytes(&page[16], page.size() - 16, 0));
}

}  // namespace
