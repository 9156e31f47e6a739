// TCheckFlashToolForm: reads one flash page into a hex dump, writes one page of a byte pattern or
// erases one block, by channel, bank, block and page, through the diagnostic firmware it loads into
// the drive on every showing. Created at start-up, shown modally after the opener sets its members.
//
//   check_flash_form_build.cpp   the controls
//   check_flash_form.cpp         FormShow, the grids and the three operations
// The parameters and refusals are plain code (check_flash_params.h).
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "app/dialog_slots.h"
#include "dialogs/check_flash_params.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TMainForm;
namespace forms {
class LabeledEdit;
class RadioGroup;
}
namespace dialogs {
class DumpGrid;
}  // namespace dialogs

class TCheckFlashToolForm : public QDialog, public app::CheckFlashToolWindow {
    Q_OBJECT
  public:
    // `main` brings the settings up to date before each showing (null: they are taken as they are).
    explicit TCheckFlashToolForm(TMainForm* main, QWidget* parent = nullptr);
    ~TCheckFlashToolForm() override;

    void ShowModal() override;
    void FormShow(QObject* sender);
    void ReadPageButtonClick(QObject* sender);
    void WritePageButtonClick(QObject* sender);
    void EraseBlockButtonClick(QObject* sender);

    void StringGrid_Init();
    // which: 1 the read grid, otherwise the write grid.
    void StringGrid_Clear(int channel, int which);
    void ShowData(const std::uint8_t* data, std::size_t bytes, int which, int channel);

    QTabWidget* CFTPageControl = nullptr;
    // One set per page tab: [0] read, [1] write.
    struct PageTab {
        forms::LabeledEdit* ChannelLabeledEdit = nullptr;
        QCheckBox* AllCHCheckBox = nullptr;
        forms::LabeledEdit* BankLabeledEdit = nullptr;
        forms::LabeledEdit* BlockLabeledEdit = nullptr;
        forms::LabeledEdit* PageLabeledEdit = nullptr;
        forms::RadioGroup* LDPCModeRadioGroup = nullptr;
        QCheckBox* EnableScrambleCheckBox = nullptr;
        forms::RadioGroup* BlockTypeRadioGroup = nullptr;
        QPushButton* Button = nullptr;
        QPlainTextEdit* StatusMemo = nullptr;
        QTabWidget* ChannelPageControl = nullptr;
        QWidget* CHTabSheet[8] = {};
        dialogs::DumpGrid* CHStringGrid[8] = {};
    };
    PageTab Read, Write;
    forms::LabeledEdit* WritePatternLabeledEdit = nullptr;
    forms::LabeledEdit* EraseChannelLabeledEdit = nullptr;
    forms::LabeledEdit* EraseBankLabeledEdit = nullptr;
    forms::LabeledEdit* EraseBlockLabeledEdit = nullptr;
    forms::RadioGroup* EraseBlockTypeRadioGroup = nullptr;
    forms::RadioGroup* ErasePlaneTypeRadioGroup = nullptr;
    QPushButton* EraseBlockButton = nullptr;
    QPlainTextEdit* EraseStatusMemo = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildPageTab(PageTab& tab, const char* prefix, QWidget* page);
    void BuildEraseTab(QWidget* page);
    dialogs::PageControls ControlsOf(const PageTab& tab) const;
    void TraceParams(const dialogs::PageParams& p) const;
    // A read (which 1) or write of the tab's page after its parameters were gathered: the memo
    // cleared, a refusal, the buffer zeroed (and filled with the pattern's low byte for a write),
    // the grid cleared, then, unless "All" is ticked, the page operation and its data or failure.
    void PageOperation(PageTab& tab, int which, const dialogs::PageParams& p, std::int32_t pattern);

    TMainForm* main_;
    std::vector<std::uint8_t> buffer_;
};
