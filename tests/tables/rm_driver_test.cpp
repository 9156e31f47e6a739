#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "remap_fixture.h"
#include "tables/page_format.h"
#include "tables/rm_checks.h"
#include "tables/rm_verify.h"
#include "tables/table_image.h"

namespace remap_test {
namespace {

class DriverTest : public RemapTest {
  protected:
    // Settings that let a partial-good run meet its capacity.
    void Partial(bool on) {
        AP_INIState.EnPartialTbl = on ? 1 : 0;
        AP_INIState.RmpPartialTHR = on ? 2 : 0;
        AP_OtSet.wFwNeedBU = 4;
        AP_OtSet.dwNeedDataBU = 10;
    }
    bool Run(const std::vector<std::uint32_t>& entries) {
        work_ = WorkBuffer(entries);
        return bRM_NewRemap(kPort, work_, out_.Block());
    }
    std::span<const std::uint8_t> Slot(std::size_t base, int logical) {
        return {out_.image.data() + base + logical * RM_IMAGE_SLOT, AP_FlashSet.bPageSector * 512u};
    }
    // What every successful run guarantees: each mapped channel's five slots carry their headers,
    // and the verifiers pass on the remap pages in the image.
    void ExpectImageValid() {
        const bool partial = AP_INIState.EnPartialTbl != 0;
        auto vi = std::make_unique<_VectorInfo>();
        for (int L = 0; L < AP_INIState.MaxPhyChannel; ++L) {
            SCOPED_TRACE(L);
            EXPECT_TRUE(RM_MatchTableHeader(Slot(RM_IMAGE_DEFECT, L).data(), 16, RM_TBL_DEFECT));
            EXPECT_TRUE(RM_MatchTableHeader(Slot(RM_IMAGE_EARLY, L).data(), 16, RM_TBL_EARLY));
            EXPECT_TRUE(RM_MatchTableHeader(Slot(RM_IMAGE_REMAP, L).data(), 16, RM_TBL_REMAP));
            EXPECT_TRUE(RM_MatchTableHeader(Slot(RM_IMAGE_VIRT, L).data(), 16, partial ? RM_HDR_PARTIAL : RM_TBL_VIRT));
            EXPECT_TRUE(RM_MatchTableHeader(Slot(RM_IMAGE_SYSTEM, L).data(), 16, RM_TBL_SYSTEM));
            EXPECT_TRUE(bRM_VerifyRemapTable(kPort, L, Slot(RM_IMAGE_REMAP, L), *vi));
            if (!partial) {
                EXPECT_TRUE(bRM_VerifyVirtRemapTable(kPort, L, Slot(RM_IMAGE_VIRT, L), *vi));
            }
        }
    }
    std::vector<std::uint8_t> work_;
    Output out_;
};

TEST_F(DriverTest, Scenarios) {
    struct Case {
        const char* name;
        Geo geo;
        bool remap;
        bool partial;
        int bad;
        bool expected;
    };
    const Case cases[] = {
        {"remap", kSmall, true, false, 40, true},
        {"remap off", kSmall, false, false, 40, true},
        {"partial", kSmall, true, true, 40, true},
        {"partial, remap off", kSmall, false, true, 40, true},
        {"super-die", kSuperDie, true, false, 40, true},
        {"super-die, remap off", kSuperDie, false, false, 40, true},
        {"super-die, partial", kSuperDie, true, true, 40, false},
        {"wide", kWide, true, false, 900, true},
        {"wide, partial", kWide, true, true, 900, true},
        {"empty list", kWide, true, false, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ApplyGeometry(c.geo);
        AP_INIState.DefPercentage = 500;
        AP_INIState.RemapEnable = c.remap ? 1 : 0;
        Partial(c.partial);
        out_ = Output();
        const bool ok = Run(RandomBadBlocks(static_cast<std::uint32_t>(c.bad), c.bad));
        EXPECT_EQ(ok, c.expected);
        if (ok) ExpectImageValid();
    }
}

TEST_F(DriverTest, EverySuccessfulRunVerifies) {
    const Geo geos[] = {kSmall, kSuperDie, kWide, {3, 3, 1, 1, 300, 2}, {2, 2, 2, 2, 128, 8, true, 130}};
    std::mt19937 rng(77);
    int passed = 0;
    for (int run = 0; run < 40; ++run) {
        SCOPED_TRACE(run);
        const Geo& g = geos[run % std::size(geos)];
        ApplyGeometry(g);
        AP_INIState.DefPercentage = static_cast<std::uint16_t>(std::array{30, 200, 1000}[rng() % 3]);
        AP_INIState.RemapEnable = static_cast<std::uint8_t>(rng() % 4 != 0);
        Partial(!g.superDie && rng() % 3 == 0);
        AP_INIState.PerPlaneBad = static_cast<std::uint16_t>(rng() % 4 == 0 ? 2 : 0);
        out_ = Output();
        const int bad = static_cast<int>(rng() % static_cast<std::uint32_t>(g.dieUnit * 2));
        if (Run(RandomBadBlocks(static_cast<std::uint32_t>(run), bad))) {
            ++passed;
            ExpectImageValid();
        }
    }
    EXPECT_GT(passed, 20);
}

// The replacement units (second words) of a remap or virtual-remap page's relations and reserve
// pairs; markers are left out. `planes` turns a virtual page's plane-block indexes into units.
std::vector<std::uint16_t> ReplacementUnits(std::span<const std::uint8_t> page, bool virt, int planes) {
    std::vector<std::uint16_t> units;
    for (std::size_t off = 16; off + 4 <= page.size(); off += 4) {
        const std::uint16_t w0 = Le16(page.data(), off);
        const std::uint16_t w1 = Le16(page.data(), off + 2);
        if (w0 == (virt ? RM_MK_VIRT_END : RM_MK_REMAP_END)) break;
        if (w0 == RM_MK_REMAP_CE || w0 == RM_MK_REMAP_DIE || w0 == RM_MK_REMAP_PLANE || w0 == RM_MK_VIRT_CE ||
            w1 == RM_MK_FREE) {
            continue;
        }
        units.push_back(static_cast<std::uint16_t>(virt ? w1 / planes : w1));
    }
    return units;
}

TEST_F(DriverTest, LoaderBlockUnitsAreNeitherReplacementsNorReserveSpares) {
    struct Case {
        const char* name;
        Geo geo;
        std::uint16_t loaderBlocks[2];  // of die (0, 0)
        std::vector<std::uint32_t> (*entries)();
        std::uint16_t loaderUnits[2];
    };
    const Case cases[] = {
        // Unit 1 (blocks 2 and 3) is bad on one plane of channel 1, so it has a bad count: it used
        // to give plane 0 to unit 9 (relation 0x0012 -> 0x0002) and plane 1 as a reserve (0x0003).
        {"two planes, virtual donor and reserve",
         Geo{2, 1, 1, 2, 64, 8},
         {2, 3},
         [] { return std::vector<std::uint32_t>{Entry(1, 0, 0x02, 1), Entry(0, 0, 0x02, 9)}; },
         {1, 1}},
        // One plane: the loader blocks are units 2 and 3, above the "unit 1" limit of the normal
        // remap; with more bad slots than unit 5 they come after it in the list.
        {"one plane, normal donor",
         Geo{2, 2, 1, 1, 64, 8},
         {2, 3},
         [] {
             return std::vector<std::uint32_t>{Entry(1, 0, 0x00, 2), Entry(1, 1, 0x00, 2), Entry(1, 0, 0x00, 3),
                                               Entry(1, 1, 0x00, 3), Entry(0, 0, 0x00, 5)};
         },
         {2, 3}},
        // None known: blocks 0 to 3 (units 2 and 3 of one-plane flash) are kept all the same.
        {"one plane, none known",
         Geo{2, 2, 1, 1, 64, 8},
         {0, 0},
         [] {
             return std::vector<std::uint32_t>{Entry(1, 0, 0x00, 2), Entry(1, 1, 0x00, 2), Entry(1, 0, 0x00, 3),
                                               Entry(1, 1, 0x00, 3), Entry(0, 0, 0x00, 5)};
         },
         {2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ApplyGeometry(c.geo);
        AP_INIState.DefPercentage = 500;
        std::memset(AP_Instance[kPort].aLoaderBlockNo, 0, sizeof AP_Instance[kPort].aLoaderBlockNo);
        AP_Instance[kPort].aLoaderBlockNo[0][0][0] = c.loaderBlocks[0];
        AP_Instance[kPort].aLoaderBlockNo[0][0][1] = c.loaderBlocks[1];
        trace_.Clear();
        out_ = Output();
        ASSERT_TRUE(Run(c.entries()));
        ExpectImageValid();
        for (const bool virt : {false, true}) {
            const auto units =
                ReplacementUnits(Slot(virt ? RM_IMAGE_VIRT : RM_IMAGE_REMAP, 0), virt, AP_FlashSet.ucPlanes);
            for (const std::uint16_t u : c.loaderUnits) {
                EXPECT_EQ(std::count(units.begin(), units.end(), u), 0) << (virt ? "virtual" : "remap") << " unit " << u;
            }
        }
        EXPECT_TRUE(trace_.Contains("Skip Ldr Block unit:" + std::to_string(c.loaderUnits[1]) + " CH:0 CE:0 as "));
    }
}

TEST_F(DriverTest, RemapOffWritesNoRelations) {
    ApplyGeometry(kSmall);
    AP_INIState.DefPercentage = 500;
    AP_INIState.RemapEnable = 0;
    ASSERT_TRUE(Run(RandomBadBlocks(3, 30)));
    const auto page = Slot(RM_IMAGE_REMAP, 0);
    for (std::size_t off = 16; off + 4 <= page.size(); off += 4) {
        const std::uint16_t w0 = Le16(page.data(), off);
        if (w0 == RM_MK_REMAP_END) break;
        EXPECT_TRUE(w0 == RM_MK_REMAP_CE || w0 == RM_MK_REMAP_DIE || w0 == RM_MK_REMAP_PLANE || w0 == RM_MK_FREE)
            << "word at " << off;
    }
    EXPECT_FALSE(trace_.Contains("Check Remap Amount"));
    EXPECT_FALSE(trace_.Contains("Verify RMP TBL"));
    // The system page still carries this drive's SLC bound.
    EXPECT_TRUE(trace_.Contains("vRM_GetBoundOfSLC"));
}

TEST_F(DriverTest, PartialGoodPageFillsEverySlot) {
    ApplyGeometry(kSmall);
    AP_INIState.DefPercentage = 500;
    Partial(true);
    ASSERT_TRUE(Run(RandomBadBlocks(4, 40)));
    EXPECT_EQ(std::memcmp(Slot(RM_IMAGE_VIRT, 0).data(), Slot(RM_IMAGE_VIRT, 1).data(), 4096), 0);
    EXPECT_TRUE(trace_.Contains("[INFO] EARLY RATIO IS"));
    EXPECT_TRUE(trace_.Contains("\n===[5] Bad Info After Remap===\n"));
}

TEST_F(DriverTest, EmptyListGivesHeadersAndReserveStructure) {
    ApplyGeometry(kSmall);
    ASSERT_TRUE(Run({}));
    ExpectImageValid();
    // Defect page of channel 0: a CE header per present CE, then the end record.
    const auto defect = Slot(RM_IMAGE_DEFECT, 0);
    EXPECT_EQ(Le16(defect.data(), 16), RM_MK_DEFECT_CE);
    EXPECT_EQ(Le16(defect.data(), 20), RM_MK_DEFECT_CE);
    EXPECT_EQ(Le16(defect.data(), 24), RM_MK_DEFECT_END);
    EXPECT_EQ(Le16(out_.badCount.data(), 256), 0);
    EXPECT_TRUE(trace_.Contains("\n===[5] REMAP PROCESS IS DONE===\n"));
}

TEST_F(DriverTest, RatioFailureLeavesRecordsAndNoTables) {
    ApplyGeometry(kSmall);  // 64 units: the limit is 1
    AP_INIState.RemapEnable = 0;
    ASSERT_FALSE(Run({Entry(0, 0, 0x0, 10), Entry(1, 1, 0x0, 11), Entry(0, 1, 0x0, 12), Entry(0, 1, 0x0, 13)}));
    ASSERT_EQ(work_[0], 2);  // the drive, and die (0, 1) over the limit too
    EXPECT_EQ(RecordAt(work_, 0), (std::vector<std::uint8_t>{3, 2, 2, 0, 4, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RecordAt(work_, 1)[1], 0);
    EXPECT_EQ(RecordAt(work_, 1)[2], 1);
    for (std::size_t i = 0; i < 0xA0000; ++i) ASSERT_EQ(out_.image[i], 0) << i;
    EXPECT_EQ(Le16(out_.badCount.data(), 256), 4);
}

TEST_F(DriverTest, AmountFailureGeneratesButCopiesNothing) {
    ApplyGeometry({1, 1, 1, 4, 400, 1});  // 512-byte pages hold 128 entries
    AP_INIState.DefPercentage = 1000;
    ASSERT_FALSE(Run(RandomBadBlocks(9, 300)));
    ASSERT_GE(work_[0], 1);
    EXPECT_EQ(RecordAt(work_, 0)[0], RM_FAIL_REMAP_AMOUNT);
    EXPECT_TRUE(trace_.Contains("Remap Table Over Page Size!!\n")) << trace_.Text();
    EXPECT_TRUE(trace_.Contains("Gen Remap Table"));
    for (std::size_t i = 0; i < 0xA0000; ++i) ASSERT_EQ(out_.image[i], 0) << i;
}

TEST_F(DriverTest, VerificationFailureKeepsTheChannelsCopiedSoFar) {
    // Super-die tables whose LUN-1 numbers coincide with LUN 0 (no offset): a LUN-0 and a LUN-1
    // relation that share a replacement collide in the verifier.
    ApplyGeometry({2, 1, 2, 2, 64, 8, true, 0});
    AP_INIState.DefPercentage = 1000;
    ASSERT_FALSE(Run({Entry(0, 0, 0x2, 10), Entry(0, 1, 0x2, 11), Entry(1, 0, 0x2, 50)}));
    EXPECT_TRUE(trace_.Contains("ReMap Collison! Ch 0, Bank 0, , Block 0x0064\n")) << trace_.Text();
    EXPECT_TRUE(trace_.Contains("\n===[5] Verify Normal Remap Table Fail CH[0]===\n"));
    EXPECT_EQ(work_[0], 0);
    EXPECT_TRUE(RM_MatchTableHeader(Slot(RM_IMAGE_REMAP, 0).data(), 16, RM_TBL_REMAP));
    EXPECT_FALSE(RM_MatchTableHeader(Slot(RM_IMAGE_REMAP, 1).data(), 16, RM_TBL_REMAP));
}

TEST_F(DriverTest, TableLogIsWrittenBesideTheProgram) {
    ApplyGeometry(kSmall);
    AP_RDSetting.DumpPftFile = 1;
    clock_.SetLocal({2026, 3, 7, 9, 5, 0, 0});
    AP_INIState.DefPercentage = 500;
    ASSERT_TRUE(Run(RandomBadBlocks(5, 20)));
    const auto files = LogFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename(), "PFT_5_SN123_03070905.log");
    std::ifstream in(files[0]);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\n==[5]Original Defect Block State Map (Physical)==\n"), std::string::npos);
    EXPECT_NE(text.find("\n================Detail===============\n"), std::string::npos);
    EXPECT_NE(text.find("\n===[5] REMAP PROCESS IS DONE===\n"), std::string::npos);
    // Appended by the next run in the same minute.
    ASSERT_TRUE(Run(RandomBadBlocks(5, 20)));
    std::ifstream again(files[0]);
    const std::string twice((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    EXPECT_EQ(twice.size(), 2 * text.size());
}

TEST_F(DriverTest, DetailListingCanBeLeftOut) {
    ApplyGeometry(kSmall);
    AP_INIState.DisableMptLog = 2;
    AP_INIState.DefPercentage = 500;
    ASSERT_TRUE(Run(RandomBadBlocks(5, 20)));
    EXPECT_FALSE(trace_.Contains("Detail"));
}

TEST_F(DriverTest, LogThatCannotBeCreatedFailsWithAValidDetail) {
    ApplyGeometry(kSmall);
    AP_RDSetting.DumpPftFile = 1;
    std::ofstream(folder_ / "log") << "a file where the folder should be";
    // The list's first entry would read as 0x2C records.
    ASSERT_FALSE(Run({Entry(1, 1, 0x2, 0x2C), Entry(0, 0, 0x1, 7)}));
    EXPECT_EQ(work_[0], 0);
    EXPECT_TRUE(trace_.Contains("2. Create File Fail. errno="));
    for (std::size_t i = 0; i < 0xA0000; ++i) ASSERT_EQ(out_.image[i], 0) << i;
}

TEST_F(DriverTest, MissingBuffersOrGeometryRefuseWithAnEmptyDetail) {
    ApplyGeometry(kSmall);
    work_ = WorkBuffer({Entry(1, 1, 0x2, 0x2C)});
    RM_OutputBlock none{};
    EXPECT_FALSE(bRM_NewRemap(kPort, work_, none));
    EXPECT_EQ(work_[0], 0);
    AP_FlashSet.ucPlanes = 3;
    work_ = WorkBuffer({Entry(1, 1, 0x2, 0x2C)});
    EXPECT_FALSE(bRM_NewRemap(kPort, work_, out_.Block()));
    EXPECT_EQ(work_[0], 0);
}

}  // namespace
}  // namespace remap_test
