// The flash-detection and LUN-selection dialogs on the main window of the demo station, and the die
// map's "Lun Select" button around a stand-in LUN dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <cstring>

#include "app/dialog_slots.h"
#include "app/lun_status.h"
#include "dialogs/flash_detect_form.h"
#include "dialogs/lun_select_form.h"
#include "forms/controls.h"
#include "settings/flash_list.h"
#include "settings/records.h"
#include "support/station_window.h"

namespace {

class FlashDetectForm : public window_test::StationWindowTest {
  protected:
    FlashDetectForm() {
        OpenWindow();
        vendor_ = Window().Control<QComboBox>("FlashVendorComboBox");
    }
    ~FlashDetectForm() override { g_FlashCandCount = 0; }
    // A candidate of the loaded list: the last part of the last vendor with one.
    void OneCandidate() {
        for (int v = 0; v < 50; ++v)
            if (g_FlashVendorStart[v + 1] > g_FlashVendorStart[v]) lastVendor_ = v;
        ASSERT_GE(lastVendor_, 0);
        lastPart_ = g_FlashVendorStart[lastVendor_ + 1] - g_FlashVendorStart[lastVendor_] - 1;
        g_FlashCandCount = 1;
        g_FlashCandVendor[0] = lastVendor_;
        g_FlashCandIndex[0] = lastPart_;
    }
    QComboBox* vendor_ = nullptr;
    int lastVendor_ = -1;
    int lastPart_ = 0;
};

TEST_F(FlashDetectForm, ClosingWithTheFirstLineAppliesItsVendorAndPart) {
    OneCandidate();
    AP_INIState.Channel = 8;
    AP_INIState.Bank = 4;
    TFlashDetectInfoForm form(&Window());
    form.FormShow(&form);
    EXPECT_EQ(form.ChannelBankLabeledEdit->text(), "8 / 4");
    ASSERT_EQ(form.FlashTypeListBox->count(), 1);
    EXPECT_EQ(form.FlashTypeListBox->currentRow(), 0);
    trace_.Clear();
    form.done(0);
    EXPECT_EQ(vendor_->currentIndex(), lastVendor_);
    EXPECT_EQ(g_FlashTypeIndex, lastPart_);
    EXPECT_EQ(Window().Control<QComboBox>("FlashTypeComboBox")->currentIndex(), lastPart_);
    EXPECT_TRUE(trace_.Contains("######### - UpdateFlashList\n"));
    EXPECT_TRUE(trace_.Contains("######### - FlashInfoChange\n"));
    EXPECT_TRUE(ui_.Shown().empty());
}

TEST_F(FlashDetectForm, NoCandidatesAppliesNothingAndNoSelectionAsksForOne) {
    g_FlashCandCount = 0;
    const int before = vendor_->currentIndex();
    TFlashDetectInfoForm form(&Window());
    form.FormShow(&form);
    EXPECT_EQ(form.FlashTypeListBox->count(), 0);
    trace_.Clear();
    form.done(0);
    EXPECT_FALSE(trace_.Contains("######### - UpdateFlashList\n"));
    EXPECT_TRUE(ui_.Shown().empty());

    OneCandidate();
    form.FormShow(&form);
    form.FlashTypeListBox->setCurrentRow(-1);
    form.FlashTypeListBox->clearSelection();
    form.done(0);
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, "Please choose one flash type");
    EXPECT_EQ(vendor_->currentIndex(), before);
    EXPECT_FALSE(trace_.Contains("######### - UpdateFlashList\n"));
}

class LunSelectFormTest : public ::testing::Test {
  protected:
    LunSelectFormTest() : saved_(gLunStatus) { gLunStatus = LunStatus_t{}; }
    ~LunSelectFormTest() override { gLunStatus = saved_; }
    LunStatus_t saved_;
    platform::TraceCapture trace_;
};

TEST_F(LunSelectFormTest, ShowsTheCellsAndLunsInRangeAndWritesTheBoxesBack) {
    TLunSelectForm form;
    EXPECT_EQ(form.findChild<QCheckBox*>("CheckBox231"), form.CheckBox[2][3][1]);
    EXPECT_EQ(form.Panel[2][3]->geometry(), QRect(250, 190, 100, 50));
    gLunStatus.ChNum = 4;
    gLunStatus.CeNum = 2;
    gLunStatus.DiePerCe = 2;
    gLunStatus.ChCeSelect[0][0] = 1;
    gLunStatus.ChCeSelect[3][1] = 1;
    gLunStatus.LunSelect[0][0][0] = 1;
    gLunStatus.LunSelect[3][1][1] = 1;
    gLunStatus.LunSelect[0][0][2] = 1;  // at DiePerCe: neither shown nor written
    form.FormShow(&form);
    EXPECT_EQ(form.size(), QSize(500, 180));
    EXPECT_TRUE(form.Panel[0][0]->isVisibleTo(&form));
    EXPECT_FALSE(form.Panel[1][0]->isVisibleTo(&form));
    EXPECT_TRUE(form.CheckBox[0][0][0]->isChecked());
    EXPECT_FALSE(form.CheckBox[0][0][1]->isChecked());
    EXPECT_TRUE(form.CheckBox[0][0][1]->isVisibleTo(form.Panel[0][0]));
    EXPECT_FALSE(form.CheckBox[0][0][2]->isVisibleTo(form.Panel[0][0]));
    EXPECT_FALSE(form.CheckBox[0][0][2]->isChecked());
    EXPECT_TRUE(trace_.Contains("######### - gLunStatus.ChCeSelect[3][1] is 1\n"));
    EXPECT_TRUE(trace_.Contains("######### - gLunStatus.LunSelect[3][1][1] is 1\n"));

    form.CheckBox[0][0][0]->setChecked(false);
    form.CheckBox[2][1][1]->setChecked(true);  // a hidden cell inside ChNum x CeNum
    form.CheckBox[5][0][0]->setChecked(true);  // outside ChNum
    form.done(0);
    EXPECT_EQ(gLunStatus.LunSelect[0][0][0], 0);
    EXPECT_EQ(gLunStatus.LunSelect[2][1][1], 1);
    EXPECT_EQ(gLunStatus.LunSelect[3][1][1], 1);
    EXPECT_EQ(gLunStatus.LunSelect[0][0][2], 1);
    EXPECT_EQ(gLunStatus.LunSelect[5][0][0], 0);
}

TEST_F(LunSelectFormTest, CountsBeyondTheTablesTouchOnlyItsCells) {
    TLunSelectForm form;
    gLunStatus.ChNum = 40;
    gLunStatus.CeNum = 9;
    gLunStatus.DiePerCe = 5;
    gLunStatus.ChCeSelect[7][3] = 1;
    gLunStatus.LunSelect[7][3][3] = 1;
    form.FormShow(&form);
    EXPECT_EQ(form.size(), QSize(980, 300));
    EXPECT_TRUE(form.CheckBox[7][3][3]->isChecked());
    form.CheckBox[7][3][3]->setChecked(false);
    form.done(0);
    EXPECT_EQ(gLunStatus.LunSelect[7][3][3], 0);
}

// The LUN dialog as the operator uses it: unticks LUN 1 of channel 2, CE 1.
struct UntickingLunWindow : app::LunSelectWindow {
    LunStatus_t seen;
    void ShowModal() override {
        seen = gLunStatus;
        gLunStatus.LunSelect[2][1][1] = 0;
    }
};

class LunSelectButton : public window_test::StationWindowTest {
  protected:
    LunSelectButton() : saved_(gLunStatus) {
        OpenWindow();
        // Stand-ins for the die map's boxes and shapes: channels 0 and 2 on CEs 0 and 1, two LUNs.
        for (int ch = 0; ch < 3; ++ch) {
            for (int ce = 0; ce < 2; ++ce) {
                auto* box = new QCheckBox(&Window());
                box->setObjectName(QString("DieMapCheckBox%1%2").arg(ch).arg(ce));
                box->setChecked(ch != 1);
                for (int lun = 0; lun < 2; ++lun) {
                    auto* shape = new forms::Shape(&Window());
                    shape->setObjectName(QString("LunSelectShape%1%2%3").arg(ch).arg(ce).arg(lun));
                    shape->SetBrushColour(0xC0DCC0);
                }
            }
        }
        AP_FlashSet.ucDiePerCE = 2;
    }
    ~LunSelectButton() override { gLunStatus = saved_; }
    std::uint32_t Colour(const char* name) { return Window().Control<forms::Shape>(name)->BrushColour(); }
    LunStatus_t saved_;
};

TEST_F(LunSelectButton, OpensWithTheCheckedCellsAndRecoloursTheShapes) {
    UntickingLunWindow lun;
    app::ScopedLunSelectWindow registered(lun);
    Window().LunSelectButtonClick(nullptr);
    EXPECT_EQ(lun.seen.ChNum, 3);
    EXPECT_EQ(lun.seen.CeNum, 2);
    EXPECT_EQ(lun.seen.DiePerCe, 2);
    EXPECT_EQ(lun.seen.ChCeSelect[1][0], 0);
    EXPECT_EQ(lun.seen.ChCeSelect[2][1], 1);
    EXPECT_EQ(lun.seen.LunSelect[2][1][1], 1);
    EXPECT_TRUE(trace_.Contains("######### - AP_INIState.bDieStatus[2][1] is true\n"));
    EXPECT_TRUE(trace_.Contains("######### - AP_INIState.bDieStatus[1][0] is false\n"));
    EXPECT_EQ(Colour("LunSelectShape211"), 0x000080u);
    EXPECT_EQ(Colour("LunSelectShape210"), 0xC0DCC0u);
}

TEST_F(LunSelectButton, NothingCheckedOpensEmptyAndNoWindowOnlyTraces) {
    for (QCheckBox* box : Window().findChildren<QCheckBox*>())
        if (box->objectName().startsWith("DieMapCheckBox")) box->setChecked(false);
    UntickingLunWindow lun;
    {
        app::ScopedLunSelectWindow registered(lun);
        Window().LunSelectButtonClick(nullptr);
    }
    EXPECT_EQ(lun.seen.ChNum, 0);
    EXPECT_EQ(lun.seen.CeNum, 0);
    Window().LunSelectButtonClick(nullptr);
    EXPECT_TRUE(trace_.Contains("######### - TLunSelectForm is not available\n"));
}

}  // namespace
