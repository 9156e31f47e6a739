// The result save on emulated drives after their sorting run, read under the sorting firmware
// through the device library: the reports agree with an independent reading of the same pages,
// every page-read packet carries block type 3, the dies come LUN, channel, bank, and the result
// blocks' faults give their boxes and traces while the save goes on.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "forms/scripted_ui_port.h"
#include "procedures/e2e/sort_run_fixture.h"
#include "sort_bay.h"
#include "sorting/sort_results.h"
#include "support/sorting_result_reader.h"

namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class SaveOnDrive : public sort_run_test::SortingE2e {
  protected:
    std::vector<std::string> Sections() const override {
        return {std::string(sort_run_test::kPassingFaults) + extra_, sort_run_test::kFailingDie};
    }
    // Port 0 through its sorting run, left in the sorting firmware, its result blocks fetched.
    void SortPort0() {
        LoadGdp(0);
        EraseAndDownload(0, 0);
        clock_.Advance(60000);
        Status(0);
        Status(0);
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        AP_INIState.MaxPhyChannel = 4;
        AP_INIState.MaxPhyBank = 2;
        std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
        sort_run_test::Bytes table(512, 0);
        ASSERT_TRUE(VP_PROC_GetSortingResultBlock(0, table.data()));
        std::memcpy(wRsltBlk[0], table.data(), sizeof wRsltBlk[0]);
    }
    fs::path Save() {
        const platform::LocalTime t = platform::Now();
        char name[32];
        std::snprintf(name, sizeof name, "%02d%02d_%02d%02d%02d_Port00", t.month, t.day, t.hour, t.minute, t.second);
        EXPECT_EQ(results_->SaveSortingResult(0), 1);
        return folder_.Path() / "Sorting_Log" / name;
    }
    // The die's pages read again through the library (block type 1), decoded by the tests' reader.
    test_support::SortResultBlockRead Independent(int ch, int fwBank) {
        const std::size_t pageBytes = AP_FlashSet.bPageSector * 512u;
        return test_support::ReadSortResultBlock(
            [&](int index) -> std::optional<test_support::ResultPage> {
                test_support::ResultPage page(pageBytes);
                if (!VP_PROC_ReadSortResultPage(0, page.data(), static_cast<std::uint8_t>(ch),
                                                static_cast<std::uint8_t>(fwBank), wRsltBlk[0][ch][fwBank], index)) {
                    return std::nullopt;
                }
                return page;
            },
            AP_FlashSet.wBlocks / (AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE));
    }

    std::string extra_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
    std::unique_ptr<sorting::SortResults> results_ = std::make_unique<sorting::SortResults>();
};

TEST_F(SaveOnDrive, ReportsAgreeWithThePagesOfEveryDie) {
    SortPort0();
    std::strcpy(results_->m_sSerialNum, sort_run_test::kSerial);
    fs::create_directories(folder_.Path() / "raw");
    AP_RDSetting.DumpDebugFile = 1;
    trace_.Clear();
    const fs::path run = Save();
    EXPECT_TRUE(ui_.Shown().empty());

    // Block type 3 in every page-read packet; the dies in channel, then bank order (one LUN).
    const std::vector<std::uint8_t> types = drives_->Drive(0).programs.sortResults->ReadBlockTypes();
    ASSERT_FALSE(types.empty());
    EXPECT_EQ(std::set<std::uint8_t>(types.begin(), types.end()), std::set<std::uint8_t>{3});
    std::vector<std::string> order;
    for (const std::string& line : trace_.Lines()) {
        if (line.find("Result Read  at") != std::string::npos) order.push_back(line);
    }
    ASSERT_EQ(order.size(), 8u);
    EXPECT_EQ(order[1], "[SORT]######## - Result Read  at Ch 0, Bank 1(1), lun 0, Block " +
                            std::to_string(sort_run_test::kResultBlock) + "\n");
    EXPECT_EQ(order[2].substr(0, 42), "[SORT]######## - Result Read  at Ch 1, Ban");

    // Run folder without the serial; per die the three reports as the pages say.
    EXPECT_EQ(run.filename().string().find(sort_run_test::kSerial), std::string::npos);
    for (int ch = 0; ch < 4; ++ch) {
        for (int bank = 0; bank < 2; ++bank) {
            SCOPED_TRACE(testing::Message() << "channel " << ch << ", bank " << bank);
            const auto read = Independent(ch, bank);
            ASSERT_TRUE(read.bbValid && read.markValid);
            const std::string die = "_CH" + std::to_string(ch) + "_BK" + std::to_string(bank) + "(L0).ms0";
            EXPECT_EQ(Lines(FileText(run / "All_BadBlock" / ("AllBB" + die))), 2 + read.bb.size());
            std::set<int> units;
            for (int block : read.factoryBad) units.insert(block / AP_FlashSet.ucPlanes);
            EXPECT_EQ(Lines(FileText(run / "Factory_BadBlock" / ("FactoryBB" + die))), 2 + units.size());
            const fs::path rdt = run / "RDT_BadBlock" / ("RDTBad" + die);
            EXPECT_EQ(fs::exists(rdt), !read.allErrors.empty());
            if (fs::exists(rdt)) {
                EXPECT_EQ(Lines(FileText(rdt)), 2 + read.errors.size());
            }
            const std::string code = std::to_string(bank);
            const std::string block = std::to_string(sort_run_test::kResultBlock);
            for (const char* dump : {"R_BB_%_000", "R_Mark_%_002", "R_Whole_%_015", "R_DieInfo_%_016"}) {
                std::string name = dump;
                name.replace(name.find('%'), 1, std::to_string(ch) + "_" + code + "_" + block);
                EXPECT_TRUE(fs::exists(folder_.Path() / "raw" / (name + ".raw"))) << name;
            }
        }
    }
    // The factory-bad block 100 of channel 0, CE 0 and the erase failure of channel 2, CE 1, block 302.
    EXPECT_NE(FileText(run / "Factory_BadBlock" / "FactoryBB_CH0_BK0(L0).ms0")
                  .find("Ch:0 Bank:0 LUN:0\tunit:0x0019  block:0x0064,      ,      ,      \r\n"),
              std::string::npos);
    EXPECT_NE(FileText(run / "RDT_BadBlock" / "RDTBad_CH2_BK1(L0).ms0")
                  .find("\tunit:0x004b  block:      ,      ,0x012e,        Page:"),
              std::string::npos);
}

// A fault of every die's result block: the box or trace it gives and the reports that remain.
struct FaultCase {
    const char* keys;
    const char* box;  // "" for none; else the box text without its page number
    const char* trace;
    bool allBad, factoryBad;
};

class SaveOnFaultyDrive : public SaveOnDrive, public ::testing::WithParamInterface<FaultCase> {
  protected:
    SaveOnFaultyDrive() { extra_ = GetParam().keys; }
};

TEST_P(SaveOnFaultyDrive, TheSaveGoesOn) {
    const FaultCase& c = GetParam();
    SortPort0();
    trace_.Clear();
    const fs::path run = Save();
    std::size_t boxes = 0;
    for (const forms::ShownBox& b : ui_.Shown()) {
        if (b.text.rfind(c.box, 0) == 0) ++boxes;
    }
    EXPECT_EQ(boxes, *c.box == '\0' ? 0u : 8u);  // one per die
    EXPECT_TRUE(trace_.Contains(c.trace));
    EXPECT_EQ(fs::exists(run / "All_BadBlock" / "AllBB_CH3_BK1(L0).ms0"), c.allBad);
    EXPECT_EQ(fs::exists(run / "Factory_BadBlock" / "FactoryBB_CH3_BK1(L0).ms0"), c.factoryBad);
}

INSTANTIATE_TEST_SUITE_P(ResultBlockFaults, SaveOnFaultyDrive,
                         ::testing::Values(FaultCase{"SortNoSignature=mark\n", "",
                                                     "[SORT]######## - This Die not find Mark page \n", true, false},
                                           FaultCase{"SortUncPage=7\n", "SORT Page read: fail. Block:2015  Page: 7",
                                                     "[SORT]######## - Read command fail (00)\n", true, true}));

// The parse's bay with two LUNs of four banks: the save visits LUN by LUN, reads LUN 1, bank 2 as
// FW bank 6 and dumps it under die code 18.
class SaveOnTwoLuns : public sorting_test::SortBay {
  protected:
    SaveOnTwoLuns() {
        options_.lunsPerCe = 2;
        options_.banks = 4;
        options_.blocksPerLun = 256;
        options_.keys = {"BadBlocks=0:0:0:100\nEraseFail=2:1:1:202\n", ""};
    }
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
};

TEST_F(SaveOnTwoLuns, DieCodesAndLunOrder) {
    SortPort(0);
    fs::create_directories(folder_.Path() / "raw");
    AP_RDSetting.DumpDebugFile = 1;
    trace_.Clear();
    const auto results = std::make_unique<sorting::SortResults>();
    EXPECT_EQ(results->SaveSortingResult(0), 1);
    EXPECT_TRUE(ui_.Shown().empty());

    std::vector<std::string> order;
    for (const std::string& line : trace_.Lines()) {
        if (line.rfind("[SORT]######## - Result Read  at ", 0) == 0) order.push_back(line.substr(33));
    }
    ASSERT_EQ(order.size(), 32u);  // 4 channels x 4 banks x 2 LUNs
    const std::string block = std::to_string(wRsltBlk[0][1][6]);
    EXPECT_EQ(order[0].substr(0, 26), "Ch 0, Bank 0(0), lun 0, Bl");
    EXPECT_EQ(order[15].substr(0, 26), "Ch 3, Bank 3(3), lun 0, Bl");
    EXPECT_EQ(order[16 + 4 + 2], "Ch 1, Bank 2(18), lun 1, Block " + block + "\n");
    EXPECT_TRUE(fs::exists(folder_.Path() / "raw" / ("R_BB_1_18_" + block + "_000.raw")));
    EXPECT_TRUE(fs::exists(folder_.Path() / "raw" / ("R_Mark_1_18_" + block + "_002.raw")));
    bool allBad = false;
    for (const auto& e : fs::recursive_directory_iterator(folder_.Path() / "Sorting_Log")) {
        allBad = allBad || e.path().filename() == "AllBB_CH1_BK2(L1).ms0";
    }
    EXPECT_TRUE(allBad);
}

}  // namespace
