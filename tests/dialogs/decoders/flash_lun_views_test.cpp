// The flash-detection list and the LUN record, without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "app/lun_selection.h"
#include "dialogs/flash_detect_view.h"
#include "dialogs/lun_select_form.h"
#include "platform/trace_sink.h"
#include "settings/flash_list.h"

namespace {

// Two vendors: "VA" with records 0 and 1, "VB" with record 2.
class FlashDetectLinesTest : public ::testing::Test {
  protected:
    FlashDetectLinesTest() {
        std::copy(std::begin(g_FlashRecord), std::end(g_FlashRecord), saved_);
        std::fill(std::begin(g_FlashRecord), std::end(g_FlashRecord), FlashRecord_t{});
        std::memset(g_FlashVendorName, 0, sizeof g_FlashVendorName);
        std::memset(g_FlashVendorStart, 0, sizeof g_FlashVendorStart);
        std::strcpy(g_FlashVendorName[0], "VA");
        std::strcpy(g_FlashVendorName[1], "VB");
        g_FlashVendorStart[1] = 2;
        for (int v = 2; v <= 50; ++v) g_FlashVendorStart[v] = 3;
        Record(0, "A0", "PartA0", 2, 2);
        Record(1, "A1", "PartA1", 10, 4);
        Record(2, "B0", "PartB0", 11, 1);
    }
    ~FlashDetectLinesTest() override {
        std::copy(std::begin(saved_), std::end(saved_), g_FlashRecord);
        g_FlashCandCount = 0;
    }
    static void Record(int i, const char* name, const char* full, int interface, int planes) {
        std::strcpy(g_FlashRecord[i].FlashUniName, name);
        std::strcpy(g_FlashRecord[i].sFlashFullName, full);
        g_FlashRecord[i].ucFlashInterface = static_cast<std::uint8_t>(interface);
        g_FlashRecord[i].ucPlanes = static_cast<std::uint8_t>(planes);
    }
    static void Candidates(std::initializer_list<std::pair<int, int>> list) {
        g_FlashCandCount = static_cast<int>(list.size());
        int i = 0;
        for (const auto& [vendor, part] : list) {
            g_FlashCandVendor[i] = vendor;
            g_FlashCandIndex[i++] = part;
        }
    }
    FlashRecord_t saved_[kFlashRecordMax];
};

TEST_F(FlashDetectLinesTest, LinesInCandidateOrderAndOutOfRangeCandidatesLeftOut) {
    // (1, 1) lies past VB's single record, (7, 0) in an empty vendor, (-1, 0) and (0, -1) nowhere.
    Candidates({{1, 0}, {0, 1}, {1, 1}, {7, 0}, {-1, 0}, {0, -1}, {0, 0}});
    const auto lines = dialogs::FlashDetectLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].candidate, 0);
    EXPECT_EQ(lines[0].text, "B0  /  PartB0 () (1 Plane)");  // interface 11 has no name
    EXPECT_EQ(lines[1].candidate, 1);
    EXPECT_EQ(lines[1].text, "A1  /  PartA1 (ONFI 4.0) (4 Plane)");
    EXPECT_EQ(lines[2].candidate, 6);
    EXPECT_EQ(lines[2].text, "A0  /  PartA0 (ONFI 2.X) (2 Plane)");
}

TEST_F(FlashDetectLinesTest, CountOutsideTheTableIsBounded) {
    Candidates({{0, 0}});
    g_FlashCandCount = -3;
    EXPECT_TRUE(dialogs::FlashDetectLines().empty());
    for (int i = 0; i < 50; ++i) g_FlashCandVendor[i] = 0, g_FlashCandIndex[i] = 0;
    g_FlashCandCount = 1000;
    EXPECT_EQ(dialogs::FlashDetectLines().size(), 50u);
}

TEST(FlashDetectTexts, InterfaceVendorAndChannelBank) {
    EXPECT_EQ(dialogs::FlashInterfaceName(0), "Legacy");
    EXPECT_EQ(dialogs::FlashInterfaceName(5), "Legacy to Toggle 1.0 (Dual)");
    EXPECT_EQ(dialogs::FlashInterfaceName(-1), "");
    EXPECT_EQ(dialogs::FlashVendorText(50), "");
    EXPECT_EQ(dialogs::FlashVendorText(-1), "");
    EXPECT_EQ(dialogs::ChannelBankText(8, 4), "8 / 4");
}

TEST(LunSelectFormSize, FromTheCountsWithinTheCells) {
    struct Case {
        int ch, ce, width, height;
    } cases[] = {{4, 2, 500, 180}, {0, 0, 20, 60}, {8, 4, 980, 300}, {12, 9, 980, 300}, {-2, -1, 20, 60}};
    for (const Case& c : cases) {
        const auto size = dialogs::LunSelectFormSize(c.ch, c.ce);
        EXPECT_EQ(size.width, c.width) << c.ch;
        EXPECT_EQ(size.height, c.height) << c.ce;
    }
}

TEST(PrepareLunStatus, EnabledBoxesOfCe0To3SetTheCellsAndCounts) {
    platform::TraceCapture trace;
    settings::DieMapPage page;
    for (int ch : {0, 2})
        for (int ce : {0, 1}) page.box[ch][ce] = {.checked = true, .enabled = true};
    page.box[1][0].enabled = true;                     // enabled, unchecked: cleared
    page.box[5][3] = {.checked = true, .enabled = false};  // disabled: keeps its cell
    page.box[6][5] = {.checked = true, .enabled = true};   // CE 5 has no cell
    page.box[2][1].lunSelected[0] = true;
    page.box[2][1].lunSelected[3] = true;
    LunStatus_t status;
    status.ChCeSelect[1][0] = 1;
    status.ChCeSelect[5][3] = 1;
    status.LunSelect[7][3][3] = 1;
    app::PrepareLunStatus(status, page, 2);
    EXPECT_EQ(status.ChNum, 3);
    EXPECT_EQ(status.CeNum, 2);
    EXPECT_EQ(status.DiePerCe, 2);
    EXPECT_EQ(status.ChCeSelect[0][0], 1);
    EXPECT_EQ(status.ChCeSelect[2][1], 1);
    EXPECT_EQ(status.ChCeSelect[1][0], 0);
    EXPECT_EQ(status.ChCeSelect[5][3], 1);
    EXPECT_EQ(status.LunSelect[2][1][0], 1);
    EXPECT_EQ(status.LunSelect[2][1][1], 0);
    EXPECT_EQ(status.LunSelect[2][1][3], 0);  // beyond the LUN count: untouched
    EXPECT_EQ(status.LunSelect[7][3][3], 1);
    EXPECT_TRUE(trace.Contains("######### - AP_INIState.bDieStatus[1][0] is false\n"));
    EXPECT_FALSE(trace.Contains("######### - AP_INIState.bDieStatus[5][3]"));

    LunStatus_t none;
    app::PrepareLunStatus(none, settings::DieMapPage{}, 9);
    EXPECT_EQ(none.ChNum, 0);
    EXPECT_EQ(none.CeNum, 0);
    EXPECT_EQ(none.DiePerCe, 4);  // a count above 4 stays within the 4 LUN entries
}

TEST(ApplyLunStatus, ShapesFollowTheChoiceWithinTheLunCount) {
    LunStatus_t status;
    status.LunSelect[3][2][0] = 1;
    status.LunSelect[3][2][2] = 1;
    settings::DieMapPage page;
    page.box[3][2].lunSelected[1] = true;
    page.box[3][2].lunSelected[3] = true;
    app::ApplyLunStatus(status, page, 3);
    EXPECT_TRUE(page.box[3][2].lunSelected[0]);
    EXPECT_FALSE(page.box[3][2].lunSelected[1]);
    EXPECT_TRUE(page.box[3][2].lunSelected[2]);
    EXPECT_TRUE(page.box[3][2].lunSelected[3]);  // beyond the count: untouched
}

}  // namespace
