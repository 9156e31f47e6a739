// Pre-formats that inherit the sorting results (mode 32, and the automatic inheritance falling
// back to them) and the erase search (mode 1), on emulated drives of both bridge types.
#include <fstream>
#include <sstream>

#include "diag_fixture.h"
#include "emu/gdp_badblock_scan.h"
#include "procedures/V_Proc_Inherit.h"
#include "support/page_planting.h"
#include "tables/gdp_list.h"

namespace {

using namespace diag_e2e;

constexpr int kResultBlock = 252;  // unit 126, near the dies' end

bool Names(const std::vector<std::uint32_t>& list, int ch, int ce, std::uint16_t unit, int badPlane) {
    for (std::uint32_t e : list) {
        if ((e >> 29) == static_cast<unsigned>(ch) && ((e >> 24) & 7) == static_cast<unsigned>(ce) &&
            (e & 0xFFFF) == unit && ((e >> (16 + badPlane)) & 1) == 0) {
            return true;
        }
    }
    return false;
}

class InheritRdtE2e : public DiagE2e {
  protected:
    void SetUp() override {
        Start({"", "", "EraseFail=0:1:0:40\n"});
        AP_RDTSet.RDTSearchRange = 4;
        AP_INIState.InheritAnt = 1;
        for (int port = 0; port < 3; ++port) drives_->Drive(port).programs.scan->SetScanBusyPolls(3);
    }
    // A result block on every present die but `skip` (channel * 2 + CE), naming unit 40 + die, plane 0.
    void PlantResults(int port, int skip = -1) {
        for (int ch = 0; ch < 2; ++ch) {
            for (int ce = 0; ce < 2; ++ce) {
                if (ch * 2 + ce == skip) continue;
                test_support::ResultBlockPlan plan;
                plan.bad = {{static_cast<std::uint16_t>(40 + ch * 2 + ce), 0b01}};
                ASSERT_TRUE(
                    test_support::PlantResultBlock(drives_->Nand(port), {ch, ce, 0, kResultBlock}, plan, kLdpc, 1));
            }
        }
    }
    std::vector<std::uint32_t> ScanList(int port) { return drives_->Drive(port).programs.scan->List(); }
    std::vector<std::uint32_t> SentList(int port) {
        Bytes ram(16384);
        EXPECT_TRUE(drives_->Core(port).Ram().Read(kInheritRamSelector, ram));
        tables::GdpList list(ram.data(), ram.size());
        std::vector<std::uint32_t> v;
        for (std::uint32_t i = 0; i < list.Count(); ++i) v.push_back(list.Get(i));
        return v;
    }
    std::string Logs() {
        std::string all;
        for (const auto& e : fs::directory_iterator(folder_ / "log")) {
            std::ifstream in(e.path());
            std::stringstream s;
            s << in.rdbuf();
            all += s.str();
        }
        return all;
    }
};

TEST_F(InheritRdtE2e, Mode32InheritsTheBadBlocksAndTheResultBlockOfEveryDie) {
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        PlantResults(port);
        trace_.Clear();
        ASSERT_TRUE(VP_PROC_Preformat(port, work_.data(), 32));
        EXPECT_EQ(drives_->Drive(port).programs.scan->LastMode(), 32);
        EXPECT_EQ(AP_Instance[port].bInheritRead, 0);
        EXPECT_TRUE(trace_.Contains("wRsltBlk[1][1] = 0x fc\n"));
        EXPECT_TRUE(trace_.Contains("Read RDT BB Page0, C:1 B:0 BLK:0xfc\n"));
        const auto sent = SentList(port);
        const auto scanned = ScanList(port);
        for (int ch = 0; ch < 2; ++ch) {
            for (int ce = 0; ce < 2; ++ce) {
                const auto unit = static_cast<std::uint16_t>(40 + ch * 2 + ce);
                EXPECT_TRUE(Names(sent, ch, ce, unit, 0)) << ch << "," << ce;
                EXPECT_TRUE(Names(sent, ch, ce, kResultBlock / 2, 0)) << "the result block itself";
                EXPECT_TRUE(Names(scanned, ch, ce, unit, 0)) << "in the new defect list";
            }
        }
    }
}

TEST_F(InheritRdtE2e, APresentDieWithoutAResultBlockFails) {
    PlantResults(0, 3);
    EXPECT_FALSE(VP_PROC_Preformat(0, work_.data(), 32));
    EXPECT_TRUE(trace_.Contains("C:1 B:1 cannot found RDT BB\n"));
    EXPECT_EQ(trace_.Lines().back(), "######### - VP_InheritRDT fail!\n");
    EXPECT_TRUE(Names(SentList(0), 1, 0, 42, 0)) << "the other dies' blocks were still sent";
    EXPECT_EQ(drives_->Drive(0).programs.scan->Scans(), 0);
}

TEST_F(InheritRdtE2e, AutomaticInheritanceFallsBackToTheSortingResultsAndLogsBoth) {
    AP_INIState.EnAutoInherit = 1;
    AP_RDSetting.DumpPftFile = 1;
    PlantResults(1);
    ASSERT_TRUE(VP_PROC_Preformat(1, work_.data(), 0));
    EXPECT_TRUE(trace_.Contains("######### - Auto Inherit - VP_InheritLatterBB fail!\n"));
    EXPECT_EQ(drives_->Drive(1).programs.scan->LastMode(), 32);
    const std::string log = Logs();
    EXPECT_NE(log.find("[INFO] Inherit Previous Early & Later BB\n"), std::string::npos);
    EXPECT_NE(log.find("[INFO] Inherit RDT BB\n"), std::string::npos);
    EXPECT_LT(log.find("[INFO] Inherit Previous Early & Later BB\n"), log.find("[INFO] Inherit RDT BB\n"));
}

TEST_F(InheritRdtE2e, EraseSearchErasesEveryGoodBlockAndListsAFailedErase) {
    ASSERT_TRUE(test_support::PlantPage(drives_->Nand(2), {0, 0, 0, 50}, 3, Bytes(kPage, 0x42), kLdpc, 1));
    ASSERT_TRUE(VP_PROC_Preformat(2, work_.data(), 1));
    EXPECT_EQ(drives_->Drive(2).programs.scan->LastMode(), 1);
    EXPECT_FALSE(drives_->Nand(2).Peek({0, 0, 0, 50, 3}).has_value()) << "erased";
    EXPECT_TRUE(Names(ScanList(2), 0, 1, 20, 0)) << "block 40 failed its erase";
}

}  // namespace
