// The result parse end to end on emulated drives after their sorting run, with [RDT] SaveResultLog
// 1 and both dump switches on: the tree under Sorting_Log, per die the three reports as the
// decoders read the same pages, the page dumps and raw images, the records as the drive's firmware
// decided them; then the injected faults with the boxes a scripted UiPort records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "forms/scripted_ui_port.h"
#include "procedures/V_Proc_Sorting.h"
#include "recording_view.h"
#include "sort_bay.h"
#include "sorting/result_rows.h"
#include "sorting/sort_reports.h"
#include "sorting/sort_results.h"

namespace {

namespace fs = std::filesystem;
using loader_test::Bytes;
using sorting::ReportDie;
using sorting_test::RecordingView;

struct Geometry {
    int luns, planes, banks, blocks;
};

void PrintTo(const Geometry& g, std::ostream* os) {
    *os << g.luns << " LUNs, " << g.planes << " planes, " << g.banks << " banks, " << g.blocks << " blocks";
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class ParseE2eBase : public sorting_test::SortBay {
  protected:
    void Parse(int port) {
        AP_RDTSet.SaveResultLog = 1;
        AP_RDTSet.DumpRAWFile = 1;
        AP_RDSetting.DumpDebugFile = 1;
        AP_RDTSet.DisDBG_SORT = 0;
        AP_RDTSet.EnECCInfo = 1;
        results_ = std::make_unique<sorting::SortResults>();
        std::strcpy(results_->m_sSerialNum, sort_run_test::kSerial);
        results_->m_ucPort = static_cast<std::uint8_t>(port);
        view_ = RecordingView{};
        ui_.Clear();
        trace_.Clear();
        EXPECT_EQ(results_->ParseSortingResult(static_cast<std::uint8_t>(port), view_), 1);
    }
    fs::path RunFolder() const {
        for (const auto& e : fs::directory_iterator(folder_.Path() / "Sorting_Log")) {
            if (e.path().filename() != "AnalysisData") return e.path();
        }
        return {};
    }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> out;
        for (const forms::ShownBox& b : ui_.Shown()) out.push_back(b.title + "|" + b.text);
        return out;
    }
    Bytes ReadPage(int port, const emu::SortDieResult& d, int index) {
        Bytes page(AP_FlashSet.bPageSector * 512u);
        EXPECT_TRUE(VP_PROC_ReadSortResultPage(port, page.data(), static_cast<std::uint8_t>(d.channel),
                                               static_cast<std::uint8_t>(d.fwBank),
                                               wRsltBlk[port][d.channel][d.fwBank], index));
        return page;
    }
    // The pages of a list kind end to end, as the decoders take them.
    Bytes Area(int port, const emu::SortDieResult& d, int first, unsigned count) {
        Bytes area;
        for (unsigned i = 0; i < count; ++i) {
            const Bytes page = ReadPage(port, d, first + static_cast<int>(i));
            area.insert(area.end(), page.begin(), page.end());
        }
        return area;
    }

    std::unique_ptr<sorting::SortResults> results_;
    RecordingView view_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
};

class ParseE2e : public ParseE2eBase, public ::testing::WithParamInterface<Geometry> {
  protected:
    ParseE2e() {
        options_.lunsPerCe = GetParam().luns;
        options_.planes = GetParam().planes;
        options_.banks = GetParam().banks;
        options_.blocksPerLun = GetParam().blocks;
        // The same faults inside a smaller flash.
        options_.keys = {"BadBlocks=0:0:0:100\nEraseFail=2:1:0:202\n", "BadBlocks=1:1:0:60,1:1:0:61,1:1:0:62,1:1:0:63\n"};
    }
};

TEST_P(ParseE2e, TreeReportsAndDumpsAgreeWithTheDecoders) {
    SortPort(0);
    Parse(0);
    EXPECT_TRUE(Boxes().empty());
    const fs::path run = RunFolder();
    EXPECT_EQ(run.filename().string().substr(12), "Port00_" + std::string(sort_run_test::kSerial));
    for (const char* f : {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock", "RawData", "Die"}) {
        EXPECT_TRUE(fs::is_directory(run / f)) << f;
    }
    EXPECT_TRUE(fs::is_directory(folder_.Path() / "Sorting_Log" / "AnalysisData"));

    const unsigned planes = AP_FlashSet.ucPlanes;
    const unsigned blocksPerDie = AP_FlashSet.wBlocks / AP_FlashSet.ucDiePerCE;
    std::size_t allBadRows = 0, errorRows = 0;
    const emu::SortRun sortRun = LastRun(0);
    for (const emu::SortDieResult& d : sortRun.dies) {
        SCOPED_TRACE(testing::Message() << "channel " << d.channel << ", CE " << d.ce << ", LUN " << d.lun);
        const ReportDie die{static_cast<unsigned>(d.channel), static_cast<unsigned>(d.ce), static_cast<unsigned>(d.lun)};
        const tables::SortBadBlockPage bb = tables::DecodeSortBadBlockPage(ReadPage(0, d, 0), blocksPerDie);
        const tables::SortMarkPage mark = tables::DecodeSortMarkPage(ReadPage(0, d, 2));
        const tables::SortWholeInfo whole = tables::DecodeSortWholeInfo(ReadPage(0, d, 15));
        ASSERT_EQ(bb.state, tables::SortBbState::Valid);
        ASSERT_TRUE(mark.Valid());
        EXPECT_EQ(d.fwBank, d.lun * options_.banks + d.ce);
        EXPECT_EQ(std::make_tuple(+mark.tagCH, +mark.tagBK, +mark.tagDie), std::make_tuple(d.channel, d.fwBank, d.tagDie));
        EXPECT_EQ(ReadFile(run / "All_BadBlock" / sorting::AllBadReportName(die)),
                  sorting::AllBadReport(die, bb.entries, planes));
        const std::vector<sorting::FactoryEntry> factory = sorting::DecodeFactoryEntries(
            Area(0, d, 7, mark.factoryPages), mark.tagCH, mark.tagBK, mark.tagDie, planes, false);
        EXPECT_EQ(ReadFile(run / "Factory_BadBlock" / sorting::FactoryBadReportName(die)),
                  sorting::FactoryBadReport(die, factory));
        const bool readFlags[4] = {true, true, true, true};
        const tables::SortErrorList list =
            tables::DecodeSortErrorList(Area(0, d, 3, mark.errorPages), AP_FlashSet.bPageSector * 512u,
                                        std::span(readFlags, mark.errorPages));
        std::vector<sorting::ErrorLine> lines;
        for (const tables::SortErrorRecord& r : tables::SortErrorsOfDie(list, mark.tagCH, mark.tagBK)) {
            lines.push_back(sorting::MakeErrorLine(r, AP_INIState.MaxPhyBank, planes));
        }
        const tables::DieTestInfo& record = results_->m_DieTestInfo[d.channel][d.ce][d.lun];
        sorting::ErrorReportHead head;
        head.die = die;
        head.info = &record;
        head.echo = whole.echo;
        head.version = whole.version;
        head.eccThreshold = whole.eccThreshold;
        head.flashType = AP_FlashSet.ucFlashType;
        EXPECT_EQ(ReadFile(run / "RDT_BadBlock" / sorting::SortErrorReportName(die, whole.DieResult(mark.tagDie))),
                  sorting::SortErrorReport(head, lines));
        allBadRows += bb.entries.size();
        errorRows += lines.size();

        // The record as the firmware decided it.
        EXPECT_EQ(std::make_tuple(+record.TotalBadNum, +record.FactoryBadNum, +record.EraseFailNum, +record.TestResult),
                  std::make_tuple(d.bad, d.factoryBad, d.eraseFail, d.flags));
        EXPECT_STREQ(record.SerialNum, sort_run_test::kSerial);
        // The page dumps and the raw image.
        char name[64];
        std::snprintf(name, sizeof name, "R_Mark_%d_%d_%d_002.raw", d.channel, d.fwBank,
                      wRsltBlk[0][d.channel][d.fwBank]);
        EXPECT_EQ(ReadFile(run / "RawData" / name).substr(0, 4), "SORT");
        std::snprintf(name, sizeof name, "R_RawData_CH%d_Bank%d_Lun%d.raw", d.channel, d.ce, d.lun);
        EXPECT_EQ(fs::file_size(run / "Die" / name), 245760u);
        // The ECC table of the die slot.
        const unsigned slot = static_cast<unsigned>(d.fwBank) * AP_INIState.MaxPhyChannel + d.channel;
        EXPECT_EQ(results_->eccMaxBits[slot][0], d.maxErrBits[0]);
    }
    EXPECT_EQ(view_.Rows(sorting::ResultList::AllBad).size(), allBadRows);
    EXPECT_EQ(view_.Rows(sorting::ResultList::RdtBad).size(), errorRows);
    EXPECT_EQ(view_.Calls("SetResult2UI").size(), sortRun.dies.size());
    EXPECT_EQ(view_.Text(sorting::ResultText::RDTBad_SN_LE), std::string(" ") + sort_run_test::kSerial);
}

INSTANTIATE_TEST_SUITE_P(Geometries, ParseE2e,
                         ::testing::Values(Geometry{1, 4, 2, 2016}, Geometry{2, 4, 4, 256}, Geometry{1, 2, 2, 256}));

class ParseE2eFaults : public ParseE2eBase {
  protected:
    ParseE2eFaults() {
        options_.keys = {std::string(sort_run_test::kPassingFaults) + "SortUncPage=7,17\nSortNoResultBlock=1:1:0\n",
                         std::string(sort_run_test::kFailingDie) + "SortNoSignature=mark\n"};
    }
};

TEST_F(ParseE2eFaults, BoxesTracesAndReportsAndTheCallGoesOn) {
    SortPort(0);
    Parse(0);
    // Seven dies with a block: the unreadable factory page, then the unreadable ECC page.
    std::vector<std::string> expected;
    for (int i = 0; i < 7; ++i) {
        expected.push_back("|SORT Page read: fail. Block:2015  Page: 7");
        expected.push_back("|SORT Page read: fail. Block:2015  Page: 17");
    }
    EXPECT_EQ(Boxes(), expected);
    EXPECT_TRUE(Traced("[SORT]######## - Read command fail (04)\n"));
    EXPECT_TRUE(Traced("[SORT]######## - Read command fail (06)\n"));
    EXPECT_EQ(results_->m_DieTestInfo[1][1][0].TestResult, 0xFF) << "the lost die";
    EXPECT_TRUE(view_.Calls("SetResult2UI").empty()) << "no ECC page: no figures, no die panel";
    const fs::path run = RunFolder();
    EXPECT_TRUE(fs::exists(run / "Factory_BadBlock" / "FactoryBB_CH0_BK0(L0).ms0"));
    EXPECT_TRUE(fs::exists(run / "RDT_BadBlock" / "Pass_RDTBad_CH2_BK1(L0).ms0"));
    EXPECT_FALSE(fs::exists(run / "All_BadBlock" / "AllBB_CH1_BK1(L0).ms0"));
    EXPECT_EQ(view_.Rows(sorting::ResultList::RdtBad).size(), 1u) << "the erase failure of channel 2, CE 1";

    // Mark pages without "SORT": every die stops after its bad-block page, without a box.
    SortPort(1, true);
    fs::remove_all(folder_.Path() / "Sorting_Log");
    Parse(1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Traced("[SORT]######## - This Die not find Mark page\n"));
    EXPECT_EQ(results_->m_DieTestInfo[3][1][0].TestResult, 0xFF);
    EXPECT_TRUE(fs::exists(RunFolder() / "All_BadBlock" / "AllBB_CH3_BK1(L0).ms0"));
    EXPECT_FALSE(fs::exists(RunFolder() / "Factory_BadBlock" / "FactoryBB_CH3_BK1(L0).ms0"));

    // A file holds the root folder's name: the boxes, and the lists all the same.
    fs::remove_all(folder_.Path() / "Sorting_Log");
    std::ofstream(folder_.Path() / "Sorting_Log") << "in the way";
    options_.keys = {};
    Parse(0);
    ASSERT_GE(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].kind, forms::BoxKind::PlainMessage);
    EXPECT_EQ(ui_.Shown()[0].text, "Cannot create root directory 0 .");
    EXPECT_TRUE(Traced("[SORT]######## - create dir Fail(00) !!\n"));
    EXPECT_EQ(view_.Rows(sorting::ResultList::RdtBad).size(), 1u);
}

}  // namespace
