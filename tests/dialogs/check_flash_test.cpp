// The check-flash window on an emulated drive: the diagnostic firmware loaded and initialised on
// every showing, the channel tabs, page reads and writes shown in the grids, the failures in the
// tabs' memos, and typed values that are refused before anything is sent.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "dialogs/check_flash_form.h"
#include "dialogs/dump_grid.h"
#include "forms/controls.h"
#include "dialogs_fixture.h"
#include "forms/controls.h"
#include "procedures/V_Proc_Modes.h"

namespace {

using dialogs_test::DialogTest;

class CheckFlash : public DialogTest {
  protected:
    void Open(const std::string& keys = "") {
        Drives({"Program=loader\nReadUnc=0:1:0:5:3\nEraseFail=1:0:0:9\n" + keys});
        form_ = std::make_unique<TCheckFlashToolForm>(nullptr);
        form_->m_nPort = 0;
        const std::uint8_t chSet[8] = {1, 0, 255, 255, 255, 255, 255, 255};
        std::copy(std::begin(chSet), std::end(chSet), form_->m_ucChSet);
        form_->FormShow(form_.get());
    }
    // Sets a page tab's edits and LDPC mode (0 "Loader", 1 "Normal").
    static void Page(TCheckFlashToolForm::PageTab& tab, const char* channel, const char* bank, const char* block,
                     const char* page, int ldpc = 0) {
        tab.ChannelLabeledEdit->setText(channel);
        tab.BankLabeledEdit->setText(bank);
        tab.BlockLabeledEdit->setText(block);
        tab.PageLabeledEdit->setText(page);
        tab.LDPCModeRadioGroup->SetItemIndex(ldpc);
    }
    std::unique_ptr<TCheckFlashToolForm> form_;
};

TEST_F(CheckFlash, ShowingLoadsAndInitialisesTheDiagnosticFirmwareAndShowsTheChannelSetTabs) {
    Open();
    EXPECT_EQ(VP_GetCurrentMode(0), kModeGdp);
    EXPECT_TRUE(ui_.Shown().empty());
    EXPECT_EQ(drives_->Drive(0).programs.gdp->InitProblem(), "");
    EXPECT_EQ(form_->windowTitle(), "Check Flash Tool Port 0");
    for (int ch = 0; ch < 8; ++ch) {
        EXPECT_EQ(form_->Read.ChannelPageControl->isTabVisible(ch), ch < 2) << ch;
        EXPECT_EQ(form_->Write.ChannelPageControl->isTabVisible(ch), ch < 2) << ch;
    }
    EXPECT_TRUE(trace_.Contains("######### - CheckFlashToolForm->m_ucChSet[2] is 255\n"));
    // A second showing loads it again although it runs.
    trace_.Clear();
    form_->FormShow(form_.get());
    EXPECT_FALSE(trace_.Contains("no need to load GDP"));
    EXPECT_EQ(VP_GetCurrentMode(0), kModeGdp);
    EXPECT_TRUE(ui_.Shown().empty());
}

TEST_F(CheckFlash, WritesAndReadsFillTheGrids) {
    Open();
    dialogs::DumpGrid* writeGrid = form_->Write.CHStringGrid[1];
    dialogs::DumpGrid* readGrid = form_->Read.CHStringGrid[1];
    // A loader-mode write of pattern "0x55": 4 KB, 256 rows of 55.
    Page(form_->Write, "1", "0", "2", "0");
    form_->WritePageButtonClick(form_->Write.Button);
    EXPECT_EQ(Memo(form_->Write.StatusMemo), "");
    ASSERT_EQ(writeGrid->RowCount(), 257);
    EXPECT_EQ(writeGrid->Cell(1, 1), "55");
    EXPECT_EQ(writeGrid->Cell(18, 256), "U");
    EXPECT_EQ(form_->Write.ChannelPageControl->currentIndex(), 1);
    Page(form_->Read, "1", "0", "2", "0");
    form_->ReadPageButtonClick(form_->Read.Button);
    EXPECT_EQ(Memo(form_->Read.StatusMemo), "");
    ASSERT_EQ(readGrid->RowCount(), 257);
    EXPECT_EQ(readGrid->Cell(0, 256), "0x00000FF0");
    EXPECT_EQ(readGrid->Cell(16, 256), "55");

    // "Normal": the flash type's 16 KB page, 1,024 rows; 255 gives FF.
    form_->WritePatternLabeledEdit->setText("255");
    Page(form_->Write, "1", "0", "3", "0", 1);
    form_->WritePageButtonClick(form_->Write.Button);
    EXPECT_EQ(Memo(form_->Write.StatusMemo), "");
    EXPECT_EQ(writeGrid->RowCount(), 1025);
    Page(form_->Read, "1", "0", "3", "0", 1);
    form_->ReadPageButtonClick(form_->Read.Button);
    ASSERT_EQ(readGrid->RowCount(), 1025);
    EXPECT_EQ(readGrid->Cell(5, 1024), "FF");

    // A value above 255 writes its low byte and traces the whole value.
    form_->WritePatternLabeledEdit->setText("0x1FF");
    Page(form_->Write, "0", "1", "4", "0");
    form_->WritePageButtonClick(form_->Write.Button);
    EXPECT_TRUE(trace_.Contains("######### - ucPattern is 0x1FF\n"));
    EXPECT_EQ(form_->Write.CHStringGrid[0]->Cell(3, 7), "FF");
    Page(form_->Read, "0", "1", "4", "0");
    form_->ReadPageButtonClick(form_->Read.Button);
    EXPECT_EQ(form_->Read.CHStringGrid[0]->Cell(3, 7), "FF");
}

TEST_F(CheckFlash, FailuresGoToTheirTabsMemo) {
    Open();
    Page(form_->Read, "0", "0", "6", "0");
    form_->ReadPageButtonClick(form_->Read.Button);
    EXPECT_EQ(Memo(form_->Read.StatusMemo),
              "Read Page Fail!\nChannel = 0, Bank = 0, Block = 6, Page = 0, \nLDPC Rate = 1, Error Code = 28\n"
              "Read Empty!");
    Page(form_->Read, "0", "1", "5", "3");
    form_->ReadPageButtonClick(form_->Read.Button);
    EXPECT_EQ(Memo(form_->Read.StatusMemo),
              "Read Page Fail!\nChannel = 0, Bank = 1, Block = 5, Page = 3, \nLDPC Rate = 1, Error Code = 29\n"
              "Read UNC!");
    form_->EraseChannelLabeledEdit->setText("1");
    form_->EraseBlockLabeledEdit->setText("9");
    form_->EraseBlockButtonClick(form_->EraseBlockButton);
    EXPECT_EQ(Memo(form_->EraseStatusMemo), "Erase Block Fail!\nChannel = 1, Bank = 0, Block = 9\n");
    form_->EraseBlockLabeledEdit->setText("10");
    form_->EraseBlockButtonClick(form_->EraseBlockButton);
    EXPECT_EQ(Memo(form_->EraseStatusMemo), "") << "success adds nothing";
    EXPECT_EQ(Memo(form_->Read.StatusMemo).substr(0, 15), "Read Page Fail!") << "the erase leaves the read memo";
}

TEST_F(CheckFlash, RefusedValuesSendNothing) {
    Open();
    struct Typed {
        const char *channel, *block, *page;
        const char* memo;  // null: a conversion error box
    };
    const Typed cases[] = {
        {"9", "0", "0", "Refused: Channel = 9 is not 0 to 7, nothing sent."},
        {"0", "70000", "0", "Refused: Block = 70000 is not 0 to 65535, nothing sent."},
        {"0", "abc", "0", nullptr},
    };
    for (const Typed& t : cases) {
        SCOPED_TRACE(t.block);
        ui_.Clear();
        const int sent = drives_->Boot().Calls();
        Page(form_->Read, t.channel, "0", t.block, t.page);
        form_->ReadPageButtonClick(form_->Read.Button);
        Page(form_->Write, t.channel, "0", t.block, t.page);
        form_->WritePageButtonClick(form_->Write.Button);
        form_->EraseChannelLabeledEdit->setText(t.channel);
        form_->EraseBlockLabeledEdit->setText(t.block);
        form_->EraseBlockButtonClick(form_->EraseBlockButton);
        EXPECT_EQ(drives_->Boot().Calls(), sent);
        if (t.memo != nullptr) {
            EXPECT_EQ(Memo(form_->Read.StatusMemo), t.memo);
            EXPECT_EQ(Memo(form_->Write.StatusMemo), t.memo);
            EXPECT_EQ(Memo(form_->EraseStatusMemo), t.memo);
            EXPECT_TRUE(ui_.Shown().empty());
        } else {
            ASSERT_EQ(ui_.Shown().size(), 3u);
            EXPECT_EQ(ui_.Shown()[0].text, "'abc' is not a valid integer value");
        }
    }
    // "All" ticked only clears (and fills the write buffer): nothing is sent.
    Page(form_->Read, "0", "0", "6", "0");
    form_->Read.AllCHCheckBox->setChecked(true);
    const int sent = drives_->Boot().Calls();
    form_->ReadPageButtonClick(form_->Read.Button);
    EXPECT_EQ(drives_->Boot().Calls(), sent);
    EXPECT_EQ(Memo(form_->Read.StatusMemo), "");
}

TEST_F(CheckFlash, AGdpLoadFailureIsShownAndTheWindowStillOpens) {
    std::filesystem::remove(folder_ / "GDP.bin");
    Open();
    ASSERT_FALSE(ui_.Shown().empty());
    EXPECT_EQ(ui_.Shown()[0].text, "[0]Load GDP fail!");
    EXPECT_TRUE(trace_.Contains("######### - [0]Load GDP fail!\n"));
    EXPECT_EQ(form_->windowTitle(), "Check Flash Tool Port 0");
}

}  // namespace
