// A drive's sorting results read after its sorting run on emulated drives: every die's record as
// the drive's firmware decided it, the summary, the error table, the banner, the analysis files and
// the result codes with their faults.
#include "app/sort_result_read.h"

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <fstream>

#include "procedures/e2e/sort_run_fixture.h"

namespace {

namespace fs = std::filesystem;
using loader_test::Bytes;

class SortRead : public sort_run_test::SortingE2e {
  protected:
    std::vector<std::string> Sections() const override {
        return {std::string(sort_run_test::kPassingFaults) + extra_, sort_run_test::kFailingDie};
    }
    // Port `port` through its sorting run to its verdict, then back in the diagnostic firmware
    // unless `stayInSorting`.
    void Sort(int port, bool stayInSorting = false) {
        LoadGdp(port);
        EraseAndDownload(port, 0);
        clock_.Advance(60000);
        Status(port);
        Status(port);
        if (!stayInSorting) LoadGdp(port);
        AP_INIState.MaxPhyChannel = 4;
        AP_INIState.MaxPhyBank = 2;
        std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
    }
    std::uint8_t Read(int port, int device = 3) {
        std::memset(&die_, 0, sizeof die_);
        summary_ = {};
        for (auto& e : errors_) e = {};
        banner_.clear();
        return app::ReadDeviceSortResult(port, device, {&die_, &summary_, errors_}, output_);
    }
    const tables::DieTestInfo& Record(int ch, int fwBank) const { return die_[ch][fwBank % 2][fwBank / 2]; }
    std::vector<fs::path> AnalysisFiles() const {
        std::vector<fs::path> files;
        const fs::path folder = folder_.Path() / "Sorting_Log" / "AnalysisData";
        if (fs::exists(folder)) {
            for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
        }
        return files;
    }
    bool Traced(const std::string& line) const {
        const auto lines = trace_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::string extra_;
    app::DieTestInfoTable die_{};
    app::SortSummary summary_;
    app::SortErrorEntry errors_[app::kSortErrorEntries];
    std::vector<std::string> banner_, messages_;
    app::SortReadOutput output_{[this](const std::string& m) { messages_.push_back(m); },
                                [this](const std::vector<std::string>& lines) { banner_ = lines; }};
};

TEST_F(SortRead, EveryDieAsTheFirmwareDecidedIt) {
    AP_RDTSet.DumpRAWFile = 1;
    Sort(0);
    const platform::LocalTime start = platform::Now();
    EXPECT_EQ(Read(0), app::kSortPass);
    const emu::SortRun run = *Run(0).LastRun();
    ASSERT_EQ(run.dies.size(), 8u);
    for (const emu::SortDieResult& d : run.dies) {
        SCOPED_TRACE(testing::Message() << "channel " << d.channel << ", FW bank " << d.fwBank);
        const tables::DieTestInfo& r = Record(d.channel, d.fwBank);
        EXPECT_EQ(std::make_tuple(+r.Channel, +r.Bank, +r.LUN), std::make_tuple(d.channel, d.ce, d.lun));
        EXPECT_EQ(std::make_tuple(+r.TotalBadNum, +r.FactoryBadNum, +r.ECCFailNum, +r.ProgramFailNum, +r.EraseFailNum,
                                  +r.TestResult),
                  std::make_tuple(d.bad, d.factoryBad, d.eccFail, d.programFail, d.eraseFail, d.flags));
        EXPECT_EQ(std::make_tuple(+r.Plane0Num, +r.Plane1Num, +r.Plane2Num, +r.Plane3Num),
                  std::make_tuple(d.badPerPlane[0], d.badPerPlane[1], d.badPerPlane[2], d.badPerPlane[3]));
        EXPECT_EQ(std::make_tuple(+r.tErase_SLC, +r.tErase, +r.tProg_SLC, +r.tRead_SLC, +r.tProg, +r.tRead),
                  std::make_tuple(d.times[0], d.times[1], d.times[2], d.times[3], d.times[4], d.times[5]));
        EXPECT_STREQ(r.SerialNum, sort_run_test::kSerial);
    }
    EXPECT_EQ(std::make_tuple(summary_.wTotalBad, summary_.wEccFail, summary_.wProgFail, summary_.wEraseFail,
                              summary_.wFactoryBad),
              std::make_tuple(run.bad, run.eccFail, run.programFail, run.eraseFail, run.factoryBad));
    EXPECT_EQ(std::make_tuple(summary_.wSlcLoops, summary_.wNonSlcLoops, summary_.ucSlcErrBitTh,
                              summary_.ucNonSlcErrBitTh),
              std::make_tuple(2, 0, 30, 60));
    for (int c = 0; c < 8; ++c) {
        for (int f = 0; f < 8; ++f) EXPECT_EQ(wRsltBlk[0][c][f], c < 4 && f < 2 ? sort_run_test::kResultBlock : 0);
    }

    // The erase failure on channel 2, CE 1, block 302 (unit 75, plane 2), first in the drive's list.
    const app::SortErrorEntry& e = errors_[0];
    EXPECT_EQ(e.inUse, 255u);
    EXPECT_EQ(std::make_tuple(e.channel, e.bankTag, e.bank, e.lun, e.blockUnit, e.planeMask, e.errorType),
              std::make_tuple(2, 1, 1, 0, 75, 4, 3));
    EXPECT_EQ(std::vector<int>(e.block, e.block + 4), (std::vector<int>{0xFFFF, 0xFFFF, 302, 0xFFFF}));
    EXPECT_EQ(e.maxErrBit, 0xEE);
    EXPECT_EQ(std::string(e.timeText).size(), 9u);
    EXPECT_EQ(errors_[1].inUse, 0u);

    // The banner: 35 lines from the last die's whole-info page, thresholds as written.
    ASSERT_EQ(banner_.size(), 35u);
    EXPECT_EQ(banner_[5], "SLC Test Loop : = 2");
    EXPECT_EQ(banner_[6], "Non-SLC Test Loop : = 0");
    EXPECT_EQ(banner_[9], "TLC/QLC LDPC Threshold = 60");
    EXPECT_EQ(banner_[10], "SLC LDPC Threshold = 30");
    EXPECT_EQ(banner_[12], "Max BB Th = 3");
    EXPECT_EQ(banner_[14], "Max Bad Blocks Th = 20");
    EXPECT_EQ(banner_[15], "Read Fail Blocks Th = 5");
    EXPECT_EQ(banner_[20], "Erase All = 1");
    EXPECT_EQ(banner_[21], "Scan FactoryBad = 1");

    // One analysis file per die, exactly its record.
    const auto files = AnalysisFiles();
    ASSERT_EQ(files.size(), 8u);
    const fs::path one = folder_.Path() / "Sorting_Log" / "AnalysisData" /
                         (QString::asprintf("DieTestInfo_CH2_BK1(L0)_%02d%02d_%02d%02d%02d_Port00_DeviceNum03_", start.month,
                                           start.day, start.hour, start.minute, start.second)
                              .toStdString() +
                          sort_run_test::kSerial + ".bin");
    ASSERT_TRUE(fs::exists(one)) << files[0];
    std::ifstream in(one, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 80u);
    EXPECT_EQ(std::memcmp(bytes.data(), &Record(2, 1), 80), 0);
}

// The analysis file's name from the record: its die, the time, port and device, and its serial text
// made fit for a file name; a serial filling all 48 bytes ends there.
TEST(AnalysisFileName, NamesTheRecordsDieAndSerial) {
    tables::DieTestInfo r{};
    r.Channel = 2;
    r.Bank = 1;
    r.LUN = 1;
    std::strcpy(r.SerialNum, "SN/01:a");
    EXPECT_EQ(app::AnalysisFileName(r, 7, 4, 13, 5, 9, 0, 3),
              "DieTestInfo_CH2_BK1(L1)_0704_130509_Port00_DeviceNum03_SN_01_a.bin");
    std::memset(r.SerialNum, 'Z', sizeof r.SerialNum);
    EXPECT_EQ(app::AnalysisFileName(r, 12, 31, 23, 59, 58, 127, 15),
              "DieTestInfo_CH2_BK1(L1)_1231_235958_Port127_DeviceNum15_" + std::string(48, 'Z') + ".bin");
}

TEST_F(SortRead, ResultCodesAndFaults) {
    Sort(0);
    Sort(1);
    EXPECT_EQ(Read(1), app::kSortFail);
    EXPECT_TRUE(AnalysisFiles().empty()) << "DumpRAWFile off: records only";
    EXPECT_EQ(Record(1, 1).TestResult, 0x02);

    // A die without a result block: lost, even beside a failing die; the die has no result.
    drives_->Nand(1).Erase(0, 1, 0, sort_run_test::kResultBlock);
    EXPECT_EQ(Read(1), app::kSortLost);
    EXPECT_EQ(Record(0, 1).TestResult, app::kSortNoResult);

    // Every die absent from the die map: nothing read, no banner.
    std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
    EXPECT_EQ(Read(0), app::kSortNoBlocks);
    EXPECT_TRUE(banner_.empty());
    std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);

    // Unreadable whole-info pages: every die without a result; the banner holds no drive's values.
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) drives_->Nand(0).InjectUncorrectable({ch, ce, 0, sort_run_test::kResultBlock, 15});
    }
    EXPECT_EQ(Read(0), app::kSortPass);
    EXPECT_EQ(Record(3, 1).TestResult, app::kSortNoResult);
    ASSERT_EQ(banner_.size(), 35u);
    EXPECT_EQ(banner_[12], "Max BB Th = 0");
    // Unreadable mark pages: the diagnostic firmware's scan finds no result block at all.
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) drives_->Nand(0).InjectUncorrectable({ch, ce, 0, sort_run_test::kResultBlock, 2});
    }
    EXPECT_EQ(Read(0), app::kSortNoBlocks);

    // The result-block report fails (no drive on the port): 4, nothing touched.
    wRsltBlk[5][0][0] = 0x1234;
    EXPECT_EQ(Read(5), app::kSortCmdFail);
    EXPECT_EQ(wRsltBlk[5][0][0], 0x1234);
    EXPECT_TRUE(Traced("Port[5] - Get sorting result fail!\n"));
}

TEST_F(SortRead, DetailedTracesOnlyWhileDisDbgSortIsZero) {
    Sort(0);
    for (std::uint8_t off : {0, 1}) {
        AP_RDTSet.DisDBG_SORT = off;
        trace_.Clear();
        Read(0, 2);
        EXPECT_TRUE(Traced("Port(0) is Device(2)\n"));
        EXPECT_TRUE(Traced("Port[0] - MAX_CHANNEL 4 , MAX_BANK 2\n"));
        EXPECT_TRUE(Traced("Free pSORT_error_record\n"));
        EXPECT_EQ(Traced("[SORT]######## - RdtWholeInfo   - TagDie = 0 ,Result = 0 \n"), off == 0);
        EXPECT_EQ(Traced("[SORT]######## - Ch = 0, Bank = 0, LUN = 0\n"), off == 0);
    }
}

// Read under the sorting firmware itself (no diagnostic firmware), with the result-block faults.
class SortReadInSorting : public SortRead, public ::testing::WithParamInterface<std::tuple<const char*, int, int>> {
  protected:
    SortReadInSorting() { extra_ = std::get<0>(GetParam()); }
};

TEST_P(SortReadInSorting, ResultAndDieOutcome) {
    const auto [keys, result, testResult] = GetParam();
    Sort(0, true);
    ASSERT_EQ(VP_GetCurrentMode(0), kModeRdt);
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    EXPECT_EQ(Read(0), result);
    EXPECT_EQ(Record(1, 1).TestResult, testResult);
    EXPECT_EQ(drives_->Drive(0).programs.sortResults->Scans().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SortReadInSorting,
    ::testing::Values(// The ECC and bad-block pages without their signature are not read here.
                      std::make_tuple("SortNoSignature=bb,ecc\n", app::kSortPass, 0),
                      // A die left without a result block: lost, and its record says so.
                      std::make_tuple("SortNoResultBlock=1:1:0\n", app::kSortLost, app::kSortNoResult),
                      // No mark page anywhere (unsigned or unreadable): no verdict.
                      std::make_tuple("SortNoSignature=mark\n", app::kSortCmdFail, app::kSortNoResult),
                      std::make_tuple("SortUncPage=2\n", app::kSortCmdFail, app::kSortNoResult),
                      // The die-info page unreadable: the die has no result, the drive a verdict.
                      std::make_tuple("SortUncPage=16\n", app::kSortPass, app::kSortNoResult)));

}  // namespace
