#include "tables/rm_checks.h"

#include <gtest/gtest.h>

#include "remap_fixture.h"
#include "tables/block_units.h"

namespace remap_test {
namespace {

class ChecksTest : public RemapTest {
  protected:
    void Build(const std::vector<std::uint32_t>& entries) {
        std::vector<std::uint8_t> bytes = WorkBuffer(entries);
        tables::GdpList list(bytes.data(), bytes.size());
        RM_DistributeGdpList(kPort, list, *vi_);
        RM_BuildBlockUnitList(*vi_);
    }
    std::unique_ptr<_VectorInfo> vi_ = std::make_unique<_VectorInfo>();
    std::vector<std::uint8_t> work_ = std::vector<std::uint8_t>(16384, 0);
    std::vector<std::uint8_t> badCount_ = std::vector<std::uint8_t>(512, 0);
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> v) {
    std::vector<std::uint8_t> out;
    for (int b : v) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

TEST_F(ChecksTest, EarlyRatioLimitIsPerMilleOfTheDieUnits) {
    ApplyGeometry({2, 2, 1, 2, 1000, 8});
    EXPECT_EQ(RM_EarlyRatioLimit(), 30u);
    AP_INIState.ManualDefPercentage = 45;
    EXPECT_EQ(RM_EarlyRatioLimit(), 45u);
    AP_FlashSet.wDieUnit = 999;
    EXPECT_EQ(RM_EarlyRatioLimit(), 44u);  // 44.955 rounds down
}

TEST_F(ChecksTest, ThirtyOneBadUnitsOverThePerMilleLimitFailWithOneWholeDriveRecord) {
    ApplyGeometry({2, 2, 1, 2, 1000, 8});
    std::vector<std::uint32_t> entries;
    for (int i = 0; i < 31; ++i) entries.push_back(Entry(i % 2, (i / 2) % 2, 0x2, static_cast<std::uint16_t>(10 + i)));
    Build(entries);
    const RM_DefectRatio ratio = RM_CalcDefectRatio(kPort, *vi_);
    EXPECT_EQ(ratio.badUnits, 31);
    EXPECT_EQ(ratio.badSlots, 31u);
    EXPECT_EQ(AP_INIState.wPortBadCount[kPort], 31);
    RM_StoreDefectRatio(badCount_, RM_BADCOUNT_EARLY, ratio);

    EXPECT_FALSE(bRM_CheckEarlyRatio(kPort, badCount_, work_, *vi_));
    ASSERT_EQ(work_[0], 1);
    EXPECT_EQ(RecordAt(work_, 0), Bytes({3, 2, 2, 0, 31, 0, 30, 0, 0, 0, 0, 0}));
    // Bad units per die (channel-major, 8 CE indexes a channel).
    EXPECT_EQ(Le16(badCount_.data(), 0), 8);
    EXPECT_EQ(Le16(badCount_.data(), 2), 8);
    EXPECT_EQ(Le16(badCount_.data(), 16), 8);
    EXPECT_EQ(Le16(badCount_.data(), 18), 7);
    EXPECT_TRUE(trace_.Contains("[INFO] EARLY RATIO IS OVER!!\n"));
    EXPECT_TRUE(trace_.Contains("[INFO] Defect Ratio : 3.10%\n"));
}

TEST_F(ChecksTest, OneDieOverTheLimitAddsItsRecordButPasses) {
    ApplyGeometry({2, 2, 1, 2, 1000, 8});
    std::vector<std::uint32_t> entries;
    for (int i = 0; i < 31; ++i) entries.push_back(Entry(1, 1, 0x1, static_cast<std::uint16_t>(100 + i)));
    Build(entries);
    tables::PutLe16(badCount_.data() + RM_BADCOUNT_EARLY, 20);  // the drive's early ratio within the limit

    EXPECT_TRUE(bRM_CheckEarlyRatio(kPort, badCount_, work_, *vi_));
    ASSERT_EQ(work_[0], 1);
    EXPECT_EQ(RecordAt(work_, 0), Bytes({3, 1, 1, 0, 31, 0, 30, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(trace_.Contains("C:1 B:1 Bad:31\n"));
    EXPECT_TRUE(trace_.Contains("[INFO] EARLY RATIO IS PASS.\n"));
}

TEST_F(ChecksTest, DieCountsSkipCoveredSlotsAndAbsentDies) {
    ApplyGeometry({1, 2, 1, 2, 64, 8});
    AP_INIState.bOriDieMap[0][1] = 0xFF;  // bank 1 absent
    Build({Entry(0, 0, 0x2, 10), Entry(0, 0, 0x2, 11), Entry(0, 0, 0x2, 12), Entry(0, 1, 0x0, 13)});
    vRM_SetSlotStatus(0, 0, 0, 10, RM_SLOT_REMAPPED, *vi_);
    vRM_SetSlotStatus(0, 0, 0, 11, RM_SLOT_VIRTUAL, *vi_);
    vRM_SetSlotStatus(0, 0, 0, 12, RM_SLOT_REFUSED, *vi_);
    RM_DieCounts counts;
    RM_CountDefectPerDie(kPort, counts, *vi_);
    EXPECT_EQ(counts[0][0], 1);  // only the refused slot still counts
    EXPECT_EQ(counts[0][1], 0);  // absent die
}

struct CapacityCase {
    const char* name;
    int badUnits;  // units with every slot bad
    int partialSlots;
    int fwNeed;
    int needData;
    int qbt;
    bool expected;
    std::vector<std::uint8_t> record;  // empty: none written
    const char* line;
};

TEST_F(ChecksTest, CapacityCases) {
    // 1 die of 100 units and 4 planes: usable = (100 - bad - fwNeed) x 4 - partial, needed = needData x 4.
    const CapacityCase cases[] = {
        {"meets", 0, 0, 10, 80, 0, true, {}, "[INFO] MEET CAPACITY!! (Usable BLOCK:360 OVER 40 BLOCK)\n"},
        {"short",
         15,
         0,
         10,
         80,
         0,
         false,
         {3, 1, 1, 0, 0, 0, 0x2C, 1, 0, 0, 1, 0x40},
         "[INFO] NOT MEET CAPACITY!! (Usable BLOCK:300 LACK -20 BLOCK)\n"},
        {"partial slots",
         0,
         45,
         10,
         80,
         0,
         false,
         {3, 1, 1, 0, 0, 0, 0x3B, 1, 0, 0, 1, 0x40},
         "[INFO] NOT MEET CAPACITY!! (Usable BLOCK:315 LACK -5 BLOCK)\n"},
        {"negative usable",
         0,
         0,
         120,
         80,
         0,
         false,
         {3, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0x40},
         "[INFO] NOT MEET CAPACITY!! (Usable BLOCK:-80 LACK -400 BLOCK)\n"},
        {"negative usable, nothing needed",
         0,
         0,
         120,
         0,
         0,
         false,
         {3, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "(Usable BLOCK:-80 LACK -80 BLOCK)\n"},
        {"slc short",
         0,
         0,
         10,
         80,
         85,
         false,
         {4, 1, 1, 0, 100, 0, 101, 0, 0, 0, 0, 0},
         "[INFO] NOT MEET SLC REQUIRE(USABLE:100 NEED:101)\n"},
    };
    for (const CapacityCase& c : cases) {
        SCOPED_TRACE(c.name);
        trace_.Clear();
        vRM_ClearVectorInfo(*vi_);
        ApplyGeometry({1, 1, 1, 4, 100, 8});
        AP_INIState.EnPartialTbl = 1;
        AP_INIState.RmpPartialTHR = 2;
        AP_INIState.QBT_Qnty = static_cast<std::uint8_t>(c.qbt);
        AP_OtSet.wFwNeedBU = static_cast<std::uint16_t>(c.fwNeed);
        AP_OtSet.dwNeedDataBU = static_cast<std::uint32_t>(c.needData);
        std::vector<std::uint32_t> entries;
        for (int i = 0; i < c.badUnits; ++i) entries.push_back(Entry(0, 0, 0x0, static_cast<std::uint16_t>(10 + i)));
        for (int i = 0; i < c.partialSlots; ++i)
            entries.push_back(Entry(0, 0, 0xE, static_cast<std::uint16_t>(50 + i)));
        Build(entries);
        std::fill(work_.begin(), work_.end(), 0);
        work_[0] = 2;  // two earlier records
        work_[1] = 3;
        EXPECT_EQ(bRM_CheckCapacity(kPort, work_, *vi_), c.expected);
        EXPECT_TRUE(trace_.Contains(c.line)) << trace_.Text();
        if (c.record.empty()) {
            EXPECT_EQ(work_[0], 2);
        } else {
            EXPECT_EQ(work_[0], 1);
            EXPECT_EQ(RecordAt(work_, 0), c.record);
        }
    }
}

TEST_F(ChecksTest, UnavailableBlocksAreStoredForThePort) {
    ApplyGeometry({1, 1, 1, 4, 100, 8});
    AP_OtSet.wFwNeedBU = 10;
    AP_OtSet.dwNeedDataBU = 1;
    // Units 10 and 11 are bad units (threshold 0); unit 1 lies at 4 / planes and is not counted.
    Build({Entry(0, 0, 0x0, 10), Entry(0, 0, 0xE, 11), Entry(0, 0, 0x0, 1)});
    bRM_CheckCapacity(kPort, work_, *vi_);
    EXPECT_EQ(AP_Instance[kPort].dwUserUnAvailBlk, (10u + 2u) * 4u);
    EXPECT_TRUE(trace_.Contains("[INFO] Total PhyBad : 9\n"));
}

TEST_F(ChecksTest, RemapAmountTotals) {
    ApplyGeometry({2, 2, 1, 2, 1000, 8});
    RemapCounts counts{};
    counts[RM_COUNT_VALID] = 5000;
    counts[RM_COUNT_VIRT_VALID] = 3000;
    counts[RM_COUNT_RESERVE] = 200;
    EXPECT_FALSE(bRM_CheckRemapAmount(work_, counts, *vi_));
    EXPECT_TRUE(trace_.Contains("[INFO] Total Valid Remap = 8000\n"));
    EXPECT_FALSE(trace_.Contains("[ERROR] Over 8192 Entry\n"));
    EXPECT_TRUE(trace_.Contains("[ERROR] Too many Reserve Remap 8200\n"));
    ASSERT_EQ(work_[0], 1);
    EXPECT_EQ(RecordAt(work_, 0), Bytes({9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // A reserve count that would wrap a 16-bit sum back under the limit still fails.
    std::fill(work_.begin(), work_.end(), 0);
    counts[RM_COUNT_VALID] = 8000;
    counts[RM_COUNT_VIRT_VALID] = 0;
    counts[RM_COUNT_RESERVE] = 65000;
    EXPECT_FALSE(bRM_CheckRemapAmount(work_, counts, *vi_));
    EXPECT_EQ(work_[0], 1);

    counts[RM_COUNT_RESERVE] = 192;
    std::fill(work_.begin(), work_.end(), 0);
    EXPECT_TRUE(bRM_CheckRemapAmount(work_, counts, *vi_));
    EXPECT_EQ(work_[0], 0);
}

TEST_F(ChecksTest, ChannelTableOverThePageFails) {
    ApplyGeometry({2, 2, 1, 2, 1000, 8});  // 4 KB pages hold 1,024 entries
    RemapCounts counts{};
    counts[RM_COUNT_CH_RESERVE + 1] = 1024;
    EXPECT_TRUE(bRM_CheckRemapAmount(work_, counts, *vi_));
    counts[RM_COUNT_CH_VIRT_RESERVE + 1] = 1025;
    EXPECT_FALSE(bRM_CheckRemapAmount(work_, counts, *vi_));
    EXPECT_TRUE(trace_.Contains("[ERROR] CH:1 Virtual Remap Table Over Page Size!!\n"));
    EXPECT_FALSE(trace_.Contains("[ERROR] CH:1 Remap Table Over Page Size!!\n"));
}

TEST_F(ChecksTest, FailureRecordsStopAtSixtyThree) {
    std::vector<std::uint8_t> work(16384, 0xEE);
    RM_ResetFailRecords(work);
    EXPECT_EQ(work[0], 0);
    std::uint8_t record[RM_FAIL_RECORD_SIZE] = {3};
    int added = 0;
    for (int i = 0; i < 70; ++i) added += RM_AddFailRecord(work, record) ? 1 : 0;
    EXPECT_EQ(added, 63);
    EXPECT_EQ(work[0], 63);
    EXPECT_EQ(work[1 + 62 * 32], 3);
    EXPECT_EQ(work[RM_FAIL_AREA_BYTES], 0xEE);  // nothing past the 63rd record
    EXPECT_TRUE(trace_.Contains("record dropped"));
}

TEST_F(ChecksTest, VirtualRemapRatio) {
    ApplyGeometry({1, 1, 1, 2, 64, 8});
    vi_->virtualPlaneMap[0] = 0x81;
    vi_->virtualPlaneMap[7] = 0x01;
    vi_->virtualPlaneMap[8] = 0xFF;  // beyond wDieUnit / 8 bytes
    vRM_LogVirtRemapRatio(kPort, *vi_);
    EXPECT_TRUE(trace_.Contains("[INFO] Virtual SBU Count : 3\n"));
    EXPECT_TRUE(trace_.Contains("[INFO] Virtual Remap Ratio : 4.69%\n"));
}

}  // namespace
}  // namespace remap_test
