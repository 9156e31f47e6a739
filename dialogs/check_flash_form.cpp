#include "dialogs/check_flash_form.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTabWidget>
#include <algorithm>
#include <cstring>
#include <string>

#include "app/main_form.h"
#include "dialogs/dialog_common.h"
#include "dialogs/dump_grid.h"
#include "forms/controls.h"
#include "dialogs/text_format.h"
#include "forms/application.h"
#include "forms/str_to_int.h"
#include "forms/ui_port.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Steps.h"
#include "transport/trace.h"

namespace {

constexpr int kReadGrid = 1;
constexpr int kWriteGrid = 2;

std::string Text(const forms::LabeledEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace

TCheckFlashToolForm::~TCheckFlashToolForm() {
    app::UnregisterIfCurrent<app::CheckFlashToolWindow, app::RegisterCheckFlashToolWindow>(this);
}

void TCheckFlashToolForm::ShowModal() {
    exec();
}

void TCheckFlashToolForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TCheckFlashToolForm::FormShow(QObject*) {
    TraceOut("######### - CheckFlashTool - FormShow - Port %d\n", m_nPort);
    setWindowTitle(QString::asprintf("Check Flash Tool Port %d", m_nPort));
    if (main_ != nullptr) {
        main_->UpdateUI2Struct();
        main_->ChangeGlobalParameter();
        main_->CheckNandMemBin();
    }
    std::vector<std::uint8_t> work(kWorkBufferBytes, 0);
    if (!VP_LoadGDPFromFile(dialogs::DrivePort(m_nPort), 1, 0)) {
        TraceOut("######### - [%d]Load GDP fail!\n", m_nPort);
        forms::Ui().ShowMessage(dialogs::Format("[%d]Load GDP fail!", m_nPort));
    }
    VP_EnableVendorCmd(dialogs::DrivePort(m_nPort), 1);
    std::fill(work.begin(), work.end(), 0);
    if (!VP_InitGDP(dialogs::DrivePort(m_nPort), work.data())) {
        TraceOut("######### - [%d]Initial GDP fail!\n", m_nPort);
        forms::Ui().ShowMessage(dialogs::Format("[%d]Initial GDP fail!", m_nPort));
    }
    TraceOut("######### - MP Channel is %d\n", m_ucMPChannel);
    TraceOut("######### - MP Bank is %d\n", m_ucMPBank);
    for (PageTab* tab : {&Read, &Write}) {
        for (int ch = 0; ch < 8; ++ch) tab->ChannelPageControl->setTabVisible(ch, false);
    }
    for (int i = 0; i < 8; ++i) {
        TraceOut("######### - CheckFlashToolForm->m_ucChSet[%d] is %d\n", i, m_ucChSet[i]);
        // An entry that names no channel grid (other than 0 to 7) shows no tab.
        if (m_ucChSet[i] < 8) {
            Read.ChannelPageControl->setTabVisible(m_ucChSet[i], true);
            Write.ChannelPageControl->setTabVisible(m_ucChSet[i], true);
        }
    }
    for (int j = 0; j < 4; ++j) TraceOut("######### - CheckFlashToolForm->m_ucBankSet[%d] is %d\n", j, m_ucBankSet[j]);
}

void TCheckFlashToolForm::StringGrid_Init() {
    for (PageTab* tab : {&Read, &Write}) {
        for (dialogs::DumpGrid* grid : tab->CHStringGrid) grid->InitHeaderAndOffsets();
    }
}

void TCheckFlashToolForm::StringGrid_Clear(int channel, int which) {
    if (channel < 0 || channel >= 8) return;
    (which == kReadGrid ? Read : Write).CHStringGrid[channel]->ClearData();
}

void TCheckFlashToolForm::ShowData(const std::uint8_t* data, std::size_t bytes, int which, int channel) {
    if (channel < 0 || channel >= 8) return;
    (which == kReadGrid ? Read : Write).CHStringGrid[channel]->ShowBytes({data, bytes});
}

dialogs::PageControls TCheckFlashToolForm::ControlsOf(const PageTab& tab) const {
    dialogs::PageControls c;
    c.channel = Text(tab.ChannelLabeledEdit);
    c.bank = Text(tab.BankLabeledEdit);
    c.block = Text(tab.BlockLabeledEdit);
    c.page = Text(tab.PageLabeledEdit);
    c.ldpcIndex = tab.LDPCModeRadioGroup->ItemIndex();
    c.scramble = tab.EnableScrambleCheckBox->isChecked();
    c.blockTypeIndex = tab.BlockTypeRadioGroup->ItemIndex();
    return c;
}

void TCheckFlashToolForm::TraceParams(const dialogs::PageParams& p) const {
    TraceOut("######### - ucChNo is %d\n", p.channel);
    TraceOut("######### - ucBankNo is %d\n", p.bank);
    TraceOut("######### - wBlockNo is %d\n", p.block);
    TraceOut("######### - wPageNo is %d\n", p.page);
    TraceOut("######### - ucLdpcRate is %d\n", p.ldpcRate);
    TraceOut("######### - ucScrambleMode is %d\n", p.scramble);
    TraceOut("######### - ucBlockType is %d\n", p.blockType);
    TraceOut("######### - dwSectorCnt is %d\n", static_cast<int>(p.sectors));
}

void TCheckFlashToolForm::ReadPageButtonClick(QObject*) {
    try {
        PageOperation(Read, kReadGrid, dialogs::GatherPageParams(ControlsOf(Read)), 0);
    } catch (const forms::ConvertError& e) {
        forms::ShowException(e.what());
    }
}

void TCheckFlashToolForm::WritePageButtonClick(QObject*) {
    try {
        const dialogs::PageParams p = dialogs::GatherPageParams(ControlsOf(Write));
        PageOperation(Write, kWriteGrid, p, dialogs::ParsePattern(Text(WritePatternLabeledEdit)));
    } catch (const forms::ConvertError& e) {
        forms::ShowException(e.what());
    }
}

void TCheckFlashToolForm::PageOperation(PageTab& tab, int which, const dialogs::PageParams& p, std::int32_t pattern) {
    const bool write = which != kReadGrid;
    tab.StatusMemo->clear();
    if (const auto refused = dialogs::RefusePage(p)) {
        dialogs::AppendMemoLine(*tab.StatusMemo, *refused);
        return;
    }
    std::fill(buffer_.begin(), buffer_.end(), 0);
    StringGrid_Clear(p.channel, which);
    if (write) std::fill_n(buffer_.begin(), p.sectors * 512u, static_cast<std::uint8_t>(pattern & 0xFF));
    if (tab.AllCHCheckBox->isChecked()) return;
    TraceParams(p);
    if (write) TraceOut("######### - ucPattern is 0x%02X\n", static_cast<unsigned>(pattern));
    tab.ChannelPageControl->setCurrentIndex(p.channel);
    const auto operation = write ? VP_WritePage : VP_ReadPage;
    if (operation(dialogs::DrivePort(m_nPort), static_cast<std::uint8_t>(p.channel), static_cast<std::uint8_t>(p.bank),
                  static_cast<std::uint16_t>(p.block), static_cast<std::uint16_t>(p.page), p.ldpcRate, p.scramble,
                  p.blockType, buffer_.data(), p.sectors)) {
        ShowData(buffer_.data(), p.sectors * 512u, which, p.channel);
        return;
    }
    // The firmware's status code is byte 1 of the buffer (0 when the command delivered none).
    dialogs::AppendMemoLine(
        *tab.StatusMemo,
        dialogs::Format("%s Page Fail!\r\nChannel = %d, Bank = %d, Block = %d, Page = %d, "
                        "\r\nLDPC Rate = %d, Error Code = %d",
                        write ? "Write" : "Read", p.channel, p.bank, p.block, p.page, p.ldpcRate, buffer_[1]));
    if (write) return;
    if (buffer_[1] == kPageReadEmpty) dialogs::AppendMemoLine(*tab.StatusMemo, "Read Empty!");
    if (buffer_[1] == kPageReadUnc) dialogs::AppendMemoLine(*tab.StatusMemo, "Read UNC!");
}

void TCheckFlashToolForm::EraseBlockButtonClick(QObject*) {
    dialogs::EraseParams p;
    try {
        dialogs::EraseControls c;
        c.channel = Text(EraseChannelLabeledEdit);
        c.bank = Text(EraseBankLabeledEdit);
        c.block = Text(EraseBlockLabeledEdit);
        c.nonSlc = EraseBlockTypeRadioGroup->ItemIndex() == 1;
        c.nonSinglePlane = ErasePlaneTypeRadioGroup->ItemIndex() == 1;
        p = dialogs::GatherEraseParams(c);
    } catch (const forms::ConvertError& e) {
        forms::ShowException(e.what());
        return;
    }
    EraseStatusMemo->clear();
    if (const auto refused = dialogs::RefuseErase(p)) {
        dialogs::AppendMemoLine(*EraseStatusMemo, *refused);
        return;
    }
    std::uint8_t status[512] = {};  // the two status bytes of a failure
    TraceOut("######### - ucChNo is %d\n", p.channel);
    TraceOut("######### - ucBankNo is %d\n", p.bank);
    TraceOut("######### - wBlockNo is %d\n", p.block);
    TraceOut("######### - bIsSLC is %d\n", p.isSlc);
    TraceOut("######### - bIsSinglePlane is %d\n", p.isSinglePlane);
    if (!VP_EraseBlock(dialogs::DrivePort(m_nPort), static_cast<std::uint8_t>(p.channel),
                       static_cast<std::uint8_t>(p.bank), static_cast<std::uint16_t>(p.block), p.isSlc, p.isSinglePlane,
                       status)) {
        dialogs::AppendMemoLine(
            *EraseStatusMemo, dialogs::Format("Erase Block Fail!\r\nChannel = %d, Bank = %d, Block = %d\r\n", p.channel,
                                              p.bank, p.block));
    }
}
