#include "tables/table_logs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "remap_fixture.h"
#include "tables/block_units.h"

namespace remap_test {
namespace {

std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class LogsTest : public RemapTest {
  protected:
    LogsTest() {
        ApplyGeometry({2, 2, 2, 2, 64, 8});
        clock_.SetLocal({2026, 11, 2, 14, 7, 0, 0});
    }
    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(16384, 0);
    tables::GdpList list_{bytes_.data(), bytes_.size()};
};

TEST_F(LogsTest, GdpListLogIsOffWithoutTheSwitch) {
    list_.Append(Entry(0, 0, 0x2, 5));
    vRM_DumpGDPList(kPort, list_, 0x20);
    EXPECT_TRUE(LogFiles().empty());
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(LogsTest, GdpListLogNamesByModeBits) {
    AP_RDSetting.DumpPftFile = 1;
    const std::pair<int, const char*> cases[] = {
        {0x21, "ERA_5_SN123_11021407.log"}, {0x24, "RDT_5_SN123_11021407.log"}, {0x0C, "L2E_5_SN123_11021407.log"},
        {0x08, "FAC_5_SN123_11021407.log"}, {0x00, "FAC_5_SN123_11021407.log"},
    };
    for (const auto& [mode, name] : cases) {
        EXPECT_EQ(RM_GdpListLogPath(kPort, static_cast<std::uint8_t>(mode)), LogFolder() / name);
    }
    EXPECT_EQ(RM_PftLogPath(kPort), LogFolder() / "PFT_5_SN123_11021407.log");
    std::strcpy(AP_Instance[kPort].sLogSerialNum, "A/B\\C:\x01");
    EXPECT_EQ(RM_PftLogPath(kPort).filename(), "PFT_5_A_B_C___11021407.log");
}

TEST_F(LogsTest, GdpListLogOrdersByUnitChannelAndCe) {
    AP_RDSetting.DumpPftFile = 1;
    // CE index = bank + LUN x 2 banks: LUN 1 bank 1 is CE index 3 (written), LUN 2 would be 4 (not).
    for (std::uint32_t e : {Entry(1, 0, 0x2, 9), Entry(0, 3, 0x1, 9), Entry(0, 1, 0x2, 9), Entry(0, 1, 0x1, 2),
                            RM_MakeGdpEntry(0, 0, 2, 0x1, 1), Entry(0, 0, 0x1, 64), Entry(1, 0, 0x1, 9)}) {
        list_.Append(e);
    }
    vRM_DumpGDPList(kPort, list_, 0x08);
    const auto files = LogFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadText(files[0]), "01010002\n01020009\n09010009\n20020009\n20010009\n\nCOUNT=5\n");
    EXPECT_TRUE(trace_.Contains("PFT MODE=0x8\n"));
    EXPECT_TRUE(trace_.Contains("===[5] Original GDP List===\n"));
}

TEST_F(LogsTest, GdpListLogThatCannotBeCreated) {
    AP_RDSetting.DumpPftFile = 1;
    std::ofstream(LogFolder()) << "a file where the folder should be";
    vRM_DumpGDPList(kPort, list_, 0);
    EXPECT_TRUE(trace_.Contains("1. Create File Fail. errno="));
    EXPECT_FALSE(trace_.Contains("Original GDP List"));
}

class MapsTest : public RemapTest {
  protected:
    MapsTest() {
        ApplyGeometry({1, 2, 1, 2, 64, 8});
        std::vector<std::uint8_t> bytes = WorkBuffer({Entry(0, 0, 0x2, 5), Entry(0, 1, 0x0, 9)});
        tables::GdpList list(bytes.data(), bytes.size());
        RM_DistributeGdpList(kPort, list, *vi_);
        RM_BuildBlockUnitList(*vi_);
    }
    std::unique_ptr<_VectorInfo> vi_ = std::make_unique<_VectorInfo>();
};

TEST_F(MapsTest, HeaderAndDefectMap) {
    vRM_PrintDefectMap(*vi_);
    EXPECT_EQ(trace_.Text(),
              "Channel        0     \n"
              "Bank           0  1\n"
              "U#0005 (  1)|  x- --\n"
              "U#0009 (  2)|  -- xx\n");
}

TEST_F(MapsTest, StateMapSymbols) {
    const std::uint8_t statuses[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::string symbols;
    for (std::uint8_t s : statuses) {
        vRM_SetSlotStatus(0, 0, 0, 5, s, *vi_);
        trace_.Clear();
        vRM_PrintStateMap(*vi_);
        const std::string text = trace_.Text();
        symbols += text[text.find("U#0005 (  1)|  ") + 15];
    }
    EXPECT_EQ(symbols, "x-mevMVcxx");
}

TEST_F(MapsTest, DetailCells) {
    vi_->remap[0][0][0].push_back({33, 5, 0, 0});
    vi_->virtRemap[0][1].push_back({43, 18, 1, 0});  // good index 43 = unit 0x15, plane 1
    vRM_SetSlotStatus(0, 0, 0, 5, RM_SLOT_REMAPPED, *vi_);
    vRM_SetSlotStatus(0, 0, 1, 5, RM_SLOT_DONOR_VIRTUAL, *vi_);
    vRM_SetSlotStatus(0, 1, 0, 9, RM_SLOT_VIRTUAL, *vi_);
    vRM_SetSlotStatus(0, 1, 1, 9, RM_SLOT_REFUSED, *vi_);
    vRM_PrintRemapDetail(*vi_);
    EXPECT_EQ(trace_.Text(),
              "\n================Detail===============\n"
              "\nC:0 B:0\n"
              "U#0005 | 0021     \n"
              "U#0009 | ----     ----     \n"
              "\nC:0 B:1\n"
              "U#0005 | ----     ----     \n"
              "U#0009 | 0015(1)  cccc     \n");
}

TEST_F(MapsTest, SuperDieLinesShowBothLunCounts) {
    ApplyGeometry({1, 1, 2, 2, 64, 8, true, 64});
    auto vi = std::make_unique<_VectorInfo>();
    std::vector<std::uint8_t> bytes = WorkBuffer({Entry(0, 1, 0x0, 5)});
    tables::GdpList list(bytes.data(), bytes.size());
    RM_DistributeGdpList(kPort, list, *vi);
    RM_BuildBlockUnitList(*vi);
    vRM_PrintStateMap(*vi);
    EXPECT_TRUE(trace_.Contains("U#0005 (  0,  2)|  -- xx\n")) << trace_.Text();
}

}  // namespace
}  // namespace remap_test
