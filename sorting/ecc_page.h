// The "ECC Info" page of the sorting-result window: the block grid and histogram of one die's
// maximum error bits, the die selectors, the summary boxes, the colour threshold and the counting
// buttons. It reads the window's ECC tables and never talks to the drive; its only lasting effect
// is [RDT] ErrorBit_TH, which Reflash changes. What it shows is computed in ecc_view.h.
//
// The window makes one page for its life (it is never rebuilt), so the enabled state of the counting
// buttons survives from one opening to the next, as g_ucEccShownDie does.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "sorting/ecc_view.h"
#include "sorting/sort_results.h"

class QComboBox;
class QLabel;
class QObject;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QWidget;
namespace forms {
class LabeledEdit;
}

namespace sorting {

// The die slot the grids show; the counting buttons count in it. One per program, 0 at start.
extern std::uint8_t g_ucEccShownDie;

class EccPage {
  public:
    // Builds every control of the page on `tabSheet` (the window's TabSheet4).
    EccPage(QWidget* tabSheet, const SortResults& results);
    ~EccPage();
    EccPage(const EccPage&) = delete;
    EccPage& operator=(const EccPage&) = delete;

    // The page's part of an opening, before the parse: the memo and the labelled edits emptied, both
    // grids set up afresh, the three selectors filled from the settings (MaxPhyChannel, MaxPhyBank,
    // ucDiePerCE; at most 8, 8 and 4 items) with item 0 selected, and the threshold edit showing
    // ErrorBit_TH. The counting buttons keep their state.
    void Init_ECCGrid();
    // Shows die (channel, FW bank, LUN): summary boxes, block grid and histogram. A slot of 64 or
    // more shows an empty die (zeros).
    void SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun);
    // The block grid: (B + 16) ÷ 16 + 1 rows of EccGridBlocks values (250 past its 8,192 entries).
    void ShowECCData(std::span<const std::uint8_t> values, std::uint16_t blocks);
    // The histogram grid: the counts of `bins` bins (at most 256 and the counts given), 16 a row.
    void ShowECCTotalData(std::span<const std::uint16_t> counts, std::uint16_t bins);

    void Get_ECCInfo_BtnClick(QObject* sender);
    // One handler for the three selectors: greys the counting buttons.
    void ECC_CH_SelectChange(QObject* sender);
    void ECC_Reflash_btnClick(QObject* sender);
    void Greater_BtnClick(QObject* sender);
    void Less_BtnClick(QObject* sender);
    void Equal_BtnClick(QObject* sender);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ECC_CH_Select = nullptr;
    QComboBox* ECC_BK_Select = nullptr;
    QComboBox* ECC_Lun_Select = nullptr;
    QPushButton* Get_ECCInfo_Btn = nullptr;
    QPlainTextEdit* ECC_Memo = nullptr;
    forms::LabeledEdit* GreaterErrorBit_LabE = nullptr;
    QPushButton* Greater_Btn = nullptr;
    forms::LabeledEdit* LessErrorBit_LabE = nullptr;
    QPushButton* Less_Btn = nullptr;
    forms::LabeledEdit* EqualErrorBit_LabE = nullptr;
    QPushButton* Equal_Btn = nullptr;
    forms::LabeledEdit* MaxErrorBit_LabE = nullptr;
    forms::LabeledEdit* MaxErrorBitCount_LabE = nullptr;
    forms::LabeledEdit* ErrorBitTh_LabE = nullptr;
    QPushButton* ECC_Reflash_btn = nullptr;
    QTableWidget* TotalECC_Grid = nullptr;
    QTableWidget* ECC_Grid = nullptr;

    // The display buffers the grids show.
    std::array<std::uint8_t, kMaxBlkNum> EccGridBlocks{};
    std::array<std::uint16_t, kEccBins> EccGridCounts{};

  private:
    void BuildControls();
    // The traces, g_ucEccShownDie and slot `slot` (an empty die when 64 or more) on the summary
    // boxes and grids; -1 stands for an empty selector in the trace.
    void ShowDie(int channel, int fwBank, int lun, std::uint8_t slot);
    // A counting button: its edit's number (low byte), the line in the memo.
    void CountBlocks(EccCompare compare, forms::LabeledEdit* edit);

    QWidget* tab_;
    const SortResults& results_;
};

}  // namespace sorting
