// The pre-format step end to end: the gather program on emulated drives of both bridge types, the
// defect list, the table build, and the inheritance of an earlier pre-format's tables.
#include <set>

#include "diag_fixture.h"
#include "emu/gdp_badblock_scan.h"
#include "procedures/V_Proc_Inherit.h"
#include "tables/gdp_list.h"
#include "tables/page_format.h"
#include "transport/byte_order.h"

namespace {

using namespace diag_e2e;

std::string OverRatio() {
    std::string bad = "BadBlocks=";
    for (int b = 2; b < 60; b += 2) bad += (b > 2 ? "," : "") + std::string("0:0:0:") + std::to_string(b);
    return bad + "\n";
}

class PreformatE2e : public DiagE2e {
  protected:
    void SetUp() override {
        Start({kBad, kBad, OverRatio()});
        for (int port = 0; port < 3; ++port) drives_->Drive(port).programs.scan->SetScanBusyPolls(3);
    }

    // The table pages of the port's pre-format image go onto loader blocks 0 and 1 of every die.
    static bool WriteTables(int port) {
        const std::uint8_t* image = AP_Instance[port].pRemapTableBuf;
        for (int ch = 0; ch < 2; ++ch) {
            for (int ce = 0; ce < 2; ++ce) {
                for (int copy = 0; copy < 2; ++copy) {
                    for (int index = 5; index < 40; ++index) {
                        Bytes page(image + (index - 5) * 0x4000, image + (index - 5) * 0x4000 + kPage);
                        if (std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; })) continue;
                        if (!Plant(port, ch, ce, copy, index, page, kLdpc, kSectors)) return false;
                    }
                }
            }
        }
        return true;
    }

    // A later-bad page per channel (pages 40 and 41) on both copies of every die; channel 0's names
    // unit `unit` of (channel 0, CE 1), plane 1.
    static bool WriteLaterBad(int port, std::uint16_t unit, std::uint8_t location = 0 << 5 | 1) {
        for (int k = 0; k < 2; ++k) {
            Bytes page(kPage, 0);
            const std::uint8_t magic[4] = {0xE8, 0xDC, 0x55, 0xAA};
            std::memcpy(page.data(), magic, 4);
            std::memcpy(page.data() + 4, "ZEL09A0V000", 11);
            if (k == 0) {
                transport::PutLe16(page.data() + 16, 1);
                transport::PutLe16(page.data() + 32, unit);
                transport::PutLe16(page.data() + 34, 9);
                page[37] = 1;         // plane
                page[39] = location;  // logical channel 0, CE 1 unless told
            }
            for (int ch = 0; ch < 2; ++ch) {
                for (int ce = 0; ce < 2; ++ce) {
                    for (int copy = 0; copy < 2; ++copy) {
                        if (!Plant(port, ch, ce, copy, 40 + k, page, kLdpc, kSectors)) return false;
                    }
                }
            }
        }
        return true;
    }

    std::vector<std::uint32_t> ScanList(int port) { return drives_->Drive(port).programs.scan->List(); }
};

bool Names(const std::vector<std::uint32_t>& list, int ch, int ce, std::uint16_t unit, int badPlane) {
    for (std::uint32_t e : list) {
        if ((e >> 29) == static_cast<unsigned>(ch) && ((e >> 24) & 7) == static_cast<unsigned>(ce) &&
            (e & 0xFFFF) == unit && ((e >> (16 + badPlane)) & 1) == 0) {
            return true;
        }
    }
    return false;
}

TEST_F(PreformatE2e, Mode0BuildsTheTablesFromTheFactoryBadBlocks) {
    AP_RDSetting.DumpDebugFile = 1;
    fs::create_directories(folder_ / "raw");
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        trace_.Clear();
        ASSERT_TRUE(VP_PROC_Preformat(port, work_.data(), 0));
        EXPECT_EQ(trace_.Lines().front(), "######### - [" + std::to_string(port) + "]VP_PROC_Preformat - Mode 0\n");
        EXPECT_EQ(drives_->Drive(port).programs.scan->LastMode(), 0);
        EXPECT_TRUE(Names(ScanList(port), 0, 1, 16, 1)) << "block 33 of (0, 1): unit 16, plane 1";
        EXPECT_TRUE(RM_MatchTableHeader(AP_Instance[port].pRemapTableBuf, 0x4000, RM_TBL_DEFECT));
        EXPECT_EQ(work_[0], 0) << "no failure records";
        EXPECT_EQ(fs::file_size(folder_ / "raw" / "DefBad.raw"), 16384u);
    }
    trace_.Clear();
    EXPECT_FALSE(VP_PROC_Preformat(2, work_.data(), 0));
    EXPECT_EQ(trace_.Lines().back(), "######### - bRM_NewRemap fail!\n");
    EXPECT_GT(work_[0], 0) << "the driver's failure records stay in the buffer";
}

TEST_F(PreformatE2e, Mode4InheritsTheEarlierTablesAndAGrownBlock) {
    constexpr int kPort = 1;
    ASSERT_TRUE(VP_PROC_Preformat(kPort, work_.data(), 0));
    ASSERT_TRUE(WriteTables(kPort));
    ASSERT_TRUE(WriteLaterBad(kPort, 60));

    trace_.Clear();
    ASSERT_TRUE(VP_PROC_Preformat(kPort, work_.data(), 4));
    EXPECT_TRUE(trace_.Contains("######### - [1]VP_InheritLatterBB\n"));
    EXPECT_TRUE(trace_.Contains("[INFO] Load Later Table Success.\n"));
    EXPECT_TRUE(trace_.Contains("[INFO] Inherit 1 Later Bad Block\n"));
    EXPECT_EQ(drives_->Drive(kPort).programs.scan->LastMode(), 4);

    // The list in controller RAM is in the firmware's CE form (here the same top byte: CE index < 2 banks).
    Bytes ram(16384);
    ASSERT_TRUE(drives_->Core(kPort).Ram().Read(kInheritRamSelector, ram));
    tables::GdpList sent(ram.data(), ram.size());
    std::vector<std::uint32_t> entries;
    for (std::uint32_t i = 0; i < sent.Count(); ++i) entries.push_back(sent.Get(i));
    EXPECT_TRUE(Names(entries, 0, 1, 60, 1)) << "the grown block";
    EXPECT_TRUE(Names(entries, 1, 1, 127, 0)) << "an earlier bad block";
    // The new defect list holds the grown block beside the factory-bad ones.
    EXPECT_TRUE(Names(ScanList(kPort), 0, 1, 60, 1));
    EXPECT_TRUE(Names(ScanList(kPort), 0, 0, 3, 1));
}

TEST_F(PreformatE2e, ALaterBadEntryOutsideTheGeometryFailsTheInheritance) {
    ASSERT_TRUE(VP_PROC_Preformat(0, work_.data(), 0));
    ASSERT_TRUE(WriteTables(0));
    ASSERT_TRUE(WriteLaterBad(0, 60, 3 << 5 | 1));  // logical channel 3 of a two-channel drive
    trace_.Clear();
    EXPECT_FALSE(VP_PROC_Preformat(0, work_.data(), 4));
    EXPECT_TRUE(trace_.Contains("[INFO] Load Later Table Success.\n"));
    EXPECT_TRUE(trace_.Contains("######### - [0]Inherit list incomplete: 0 refused, 1 skipped fail!\n"));
    EXPECT_EQ(trace_.Lines().back(), "######### - VP_InheritLatterBB fail!\n");
    EXPECT_EQ(drives_->Drive(0).programs.scan->Scans(), 1) << "only the first pre-format's gather ran";
}

TEST_F(PreformatE2e, Mode4WithoutTablesSendsWhatItHasAndFails) {
    EXPECT_FALSE(VP_PROC_Preformat(0, work_.data(), 4));
    EXPECT_EQ(trace_.Lines().back(), "######### - VP_InheritLatterBB fail!\n");
    EXPECT_EQ(drives_->Drive(0).programs.scan->Scans(), 0) << "no gather program";
    Bytes ram(4);
    ASSERT_TRUE(drives_->Core(0).Ram().Read(kInheritRamSelector, ram));
    EXPECT_EQ(ram, Bytes(4, 0)) << "the empty list was still sent";
}

TEST_F(PreformatE2e, ATableLogThatCannotBeCreatedFailsBeforeAnythingIsSent) {
    AP_RDSetting.DumpPftFile = 1;
    {
        std::FILE* f = std::fopen((folder_ / "log").c_str(), "w");  // a file where the folder should be
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    struct Case {
        std::uint8_t mode;
        const char* create;
        const char* fail;
    };
    for (const Case& c : {Case{4, "4. Create File Fail. errno=", "######### - VP_InheritLatterBB fail!\n"},
                          Case{32, "3. Create File Fail. errno=", "######### - VP_InheritRDT fail!\n"}}) {
        SCOPED_TRACE(int(c.mode));
        trace_.Clear();
        const int before = drives_->Drive(0).programs.gdp->CommandCount(0x00);
        EXPECT_FALSE(VP_PROC_Preformat(0, work_.data(), c.mode));
        EXPECT_TRUE(trace_.Contains(c.create));
        EXPECT_EQ(trace_.Lines().back(), c.fail);
        EXPECT_EQ(drives_->Drive(0).programs.gdp->CommandCount(0x00), before) << "nothing sent";
        Bytes ram(4);
        ASSERT_TRUE(drives_->Core(0).Ram().Read(kInheritRamSelector, ram));
        EXPECT_NE(ram, Bytes(4, 0)) << "no list written";
    }
}

}  // namespace
