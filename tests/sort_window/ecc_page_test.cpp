// The "ECC Info" page offscreen, over ECC tables filled by hand: controls by objectName, grid
// texts, the die shown, the painted colours, the counting buttons and the selectors.
#include "sorting/ecc_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <memory>

#include "forms/controls.h"
#include "forms/scripted_ui_port.h"
#include "forms/ui_port.h"
#include "platform/trace_sink.h"
#include "support/settings_records.h"

namespace sorting {
namespace {

class EccPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AP_INIState.MaxPhyChannel = 4;
        AP_INIState.MaxPhyBank = 2;
        AP_FlashSet.ucDiePerCE = 2;
        AP_FlashSet.wBlocks = 2048;  // B = 1,024
        AP_RDTSet.ErrorBit_TH = 100;
        g_ucEccShownDie = 0;
        tabs_.resize(1008, 689);
        tabs_.addTab(sheet_, "ECC Info");
        sheet_->setObjectName("TabSheet4");
    }
    void TearDown() override { g_ucEccShownDie = 0; }

    template <class T>
    T* Find(const char* name) {
        T* found = sheet_->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // The grid's text at (column, row), as the string grid names its cells.
    static QString Cell(const QTableWidget* grid, int column, int row) {
        const QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text() : QString();
    }
    std::vector<std::string> MemoLines() const {
        std::vector<std::string> lines;
        const QString text = page_.ECC_Memo->toPlainText();
        if (text.isEmpty()) return lines;
        for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
        return lines;
    }
    // Slot `slot` of the tables: the values given, then zeros; the histogram over the first B.
    void FillSlot(unsigned slot, const std::vector<std::uint8_t>& values, unsigned blocks) {
        auto& row = results_->eccMaxBits[slot];
        std::copy(values.begin(), values.end(), row.begin());
        auto& counts = results_->eccHistogram[slot];
        counts.fill(0);
        for (unsigned b = 0; b < blocks; ++b) ++counts[row[b]];
    }

    test_support::SettingsRecordsGuard records_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort scopedUi_{ui_};
    platform::TraceCapture trace_;
    QTabWidget tabs_;
    QWidget* sheet_ = new QWidget;
    std::unique_ptr<SortResults> results_ = std::make_unique<SortResults>();
    EccPage page_{sheet_, *results_};
};

TEST_F(EccPageTest, ControlsHaveTheirNamesCaptionsAndBounds) {
    struct Control {
        const char* name;
        QRect bounds;
        const char* caption;
    };
    const Control buttons[] = {
        {"Get_ECCInfo_Btn", {312, 14, 75, 25}, "Get ECC Info"},
        {"Greater_Btn", {177, 119, 48, 21}, "Set(>)"},
        {"Less_Btn", {404, 119, 48, 21}, "Set(<)"},
        {"Equal_Btn", {177, 146, 48, 21}, "Set(=)"},
        {"ECC_Reflash_btn", {385, 182, 67, 21}, "Reflash"},
    };
    for (const Control& c : buttons) {
        QPushButton* b = Find<QPushButton>(c.name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->geometry(), c.bounds) << c.name;
        EXPECT_EQ(b->text(), c.caption);
        EXPECT_TRUE(b->isEnabled()) << c.name;  // enabled when the window is made
    }
    const Control edits[] = {
        {"GreaterErrorBit_LabE", {136, 119, 35, 21}, "Error Bit Greater then (>) "},
        {"LessErrorBit_LabE", {363, 119, 35, 21}, "Error Bit Less then (<) "},
        {"EqualErrorBit_LabE", {136, 146, 35, 21}, "Error Bit Equal to  (=) "},
        {"MaxErrorBit_LabE", {78, 182, 35, 21}, "Max Error Bit "},
        {"MaxErrorBitCount_LabE", {226, 182, 35, 21}, "Max Error Bit Count "},
        {"ErrorBitTh_LabE", {330, 182, 49, 21}, "Error Bit Th "},
    };
    for (const Control& c : edits) {
        forms::LabeledEdit* e = Find<forms::LabeledEdit>(c.name);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->geometry(), c.bounds) << c.name;
        EXPECT_EQ(e->Caption(), c.caption);
    }
    EXPECT_EQ(Find<forms::LabeledEdit>("GreaterErrorBit_LabE")->text(), "100");
    EXPECT_EQ(Find<forms::LabeledEdit>("ErrorBitTh_LabE")->text(), "80");
    EXPECT_TRUE(Find<forms::LabeledEdit>("MaxErrorBit_LabE")->isReadOnly());
    EXPECT_TRUE(Find<forms::LabeledEdit>("MaxErrorBitCount_LabE")->isReadOnly());

    const Control selectors[] = {{"ECC_CH_Select", {61, 16, 44, 21}, "0"},
                                 {"ECC_BK_Select", {149, 16, 44, 21}, "0"},
                                 {"ECC_Lun_Select", {231, 16, 44, 21}, "0"}};
    for (const Control& c : selectors) {
        QComboBox* box = Find<QComboBox>(c.name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->geometry(), c.bounds) << c.name;
        EXPECT_EQ(box->count(), 1);
        EXPECT_EQ(box->currentText(), c.caption);
    }
    const Control labels[] = {
        {"Label1", {16, 19, 0, 0}, "Channel"}, {"Label2", {120, 19, 0, 0}, "Bank"}, {"Label3", {208, 19, 0, 0}, "Lun"}};
    for (const Control& c : labels) {
        QLabel* l = Find<QLabel>(c.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->pos(), c.bounds.topLeft()) << c.name;
        EXPECT_EQ(l->text(), c.caption);
    }
    EXPECT_EQ(Find<QPlainTextEdit>("ECC_Memo")->geometry(), QRect(3, 43, 449, 70));
    EXPECT_EQ(Find<QTableWidget>("TotalECC_Grid")->geometry(), QRect(3, 209, 449, 449));
    EXPECT_EQ(Find<QTableWidget>("ECC_Grid")->geometry(), QRect(458, 3, 534, 655));
}

TEST_F(EccPageTest, InitSetsUpTheGridsSelectorsAndEdits) {
    page_.ECC_Memo->appendPlainText("old line");
    page_.GreaterErrorBit_LabE->setText("7");
    AP_RDTSet.ErrorBit_TH = 120;
    page_.Init_ECCGrid();

    const QTableWidget* grid = page_.ECC_Grid;
    EXPECT_EQ(grid->columnCount(), 17);
    EXPECT_EQ(grid->rowCount(), 100);
    EXPECT_EQ(grid->columnWidth(0), 63);
    EXPECT_EQ(grid->columnWidth(1), 30);
    EXPECT_EQ(grid->rowHeight(99), 18);
    EXPECT_EQ(Cell(grid, 0, 0), "Offset (h)");
    EXPECT_EQ(Cell(grid, 1, 0), "0");
    EXPECT_EQ(Cell(grid, 16, 0), "F");
    EXPECT_EQ(Cell(grid, 0, 1), "0x000000");
    EXPECT_EQ(Cell(grid, 0, 99), "0x000620");
    EXPECT_EQ(Cell(grid, 1, 1), "");

    const QTableWidget* total = page_.TotalECC_Grid;
    EXPECT_EQ(total->columnCount(), 17);
    EXPECT_EQ(total->rowCount(), 17);
    EXPECT_EQ(total->columnWidth(5), 25);
    EXPECT_EQ(total->rowHeight(16), 25);
    EXPECT_EQ(Cell(total, 0, 0), "(h)");
    EXPECT_EQ(Cell(total, 0, 1), "00");
    EXPECT_EQ(Cell(total, 0, 16), "F0");
    EXPECT_EQ(Cell(total, 10, 0), "9");

    EXPECT_EQ(page_.ECC_CH_Select->count(), 4);
    EXPECT_EQ(page_.ECC_BK_Select->count(), 2);
    EXPECT_EQ(page_.ECC_Lun_Select->count(), 2);
    EXPECT_EQ(page_.ECC_CH_Select->itemText(3), "3");
    EXPECT_EQ(page_.ECC_CH_Select->currentIndex(), 0);
    EXPECT_EQ(page_.ErrorBitTh_LabE->text(), "120");
    EXPECT_TRUE(page_.ECC_Memo->toPlainText().isEmpty());
    EXPECT_TRUE(page_.GreaterErrorBit_LabE->text().isEmpty());
    EXPECT_TRUE(page_.LessErrorBit_LabE->text().isEmpty());
    EXPECT_TRUE(page_.EqualErrorBit_LabE->text().isEmpty());
}

TEST_F(EccPageTest, ShowsADieBlockGridHistogramAndSummaries) {
    std::vector<std::uint8_t> values(1024, 3);
    values[0] = 255;  // counted in bin 255, never the Max Error Bit
    values[1] = 0x41;
    values[1023] = 250;
    values[5] = 7;
    values[6] = 7;  // 7 and 9 both twice besides the 3s: the 3s win
    values[7] = 9;
    values[8] = 9;
    FillSlot(0, values, 1024);
    results_->eccMaxBits[0][1024] = 99;  // beyond B: not shown, not the maximum
    page_.Init_ECCGrid();
    trace_.Clear();
    page_.SetECCInfo2UI(0, 0, 0);

    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"ECCInfo2UI  ChNo 0 ,BankNo 0, lun 0 \n", "ECCinfo index 0 \n",
                                                        "MaxErrorBit = 250 ,MaxErrorBitCount = 3 \n"}));
    EXPECT_EQ(page_.MaxErrorBit_LabE->text(), "0xFA");
    EXPECT_EQ(page_.MaxErrorBitCount_LabE->text(), "0x03");

    const QTableWidget* grid = page_.ECC_Grid;
    ASSERT_EQ(grid->rowCount(), 66);
    EXPECT_EQ(Cell(grid, 0, 0), "Offset (h)");
    EXPECT_EQ(Cell(grid, 1, 1), "255");
    EXPECT_EQ(Cell(grid, 2, 1), "65");
    EXPECT_EQ(Cell(grid, 16, 64), "250");
    EXPECT_EQ(Cell(grid, 0, 65), "0x000400");
    for (int c = 1; c <= 16; ++c) EXPECT_EQ(Cell(grid, c, 65), "250") << c;
    EXPECT_EQ(page_.EccGridBlocks[1024], 250);

    const QTableWidget* total = page_.TotalECC_Grid;
    EXPECT_EQ(Cell(total, 4, 1), "1017");  // bin 0x03
    EXPECT_EQ(Cell(total, 16, 16), "1");   // bin 0xFF
    EXPECT_EQ(Cell(total, 2, 5), "1");     // bin 0x41
    EXPECT_EQ(Cell(total, 1, 1), "0");

    // B = 1,000: 64 rows, the last ending in eight 250s.
    AP_FlashSet.wBlocks = 2000;
    page_.SetECCInfo2UI(0, 0, 0);
    ASSERT_EQ(grid->rowCount(), 64);
    EXPECT_EQ(Cell(grid, 8, 63), "3");
    EXPECT_EQ(Cell(grid, 9, 63), "250");
    EXPECT_EQ(Cell(grid, 16, 63), "250");

    // B above 8,176: the rows reach past the 8,192 values, whose cells show 250.
    results_->eccMaxBits[0][8191] = 42;
    AP_FlashSet.wBlocks = 9000;
    AP_FlashSet.ucDiePerCE = 1;
    page_.SetECCInfo2UI(0, 0, 0);
    ASSERT_EQ(grid->rowCount(), 564);
    EXPECT_EQ(Cell(grid, 16, 512), "42");
    EXPECT_EQ(Cell(grid, 1, 513), "250");
    EXPECT_EQ(Cell(grid, 16, 563), "250");
}

// The colour of the painted cell's right part (away from its text).
QColor PaintedColour(QTableWidget* grid, int column, int row) {
    const QImage image = grid->grab().toImage();
    const QRect cell = grid->visualItemRect(grid->item(row, column));
    const QPoint at = grid->viewport()->mapTo(grid, QPoint(cell.right() - 2, cell.center().y()));
    return image.pixelColor(at);
}

TEST_F(EccPageTest, CellsArePaintedByTheRuleAndReflashRepaints) {
    std::vector<std::uint8_t> values(1024, 0);
    values[0] = 100;
    values[1] = 101;
    values[2] = 250;
    FillSlot(0, values, 1024);
    tabs_.show();
    page_.Init_ECCGrid();
    page_.SetECCInfo2UI(0, 0, 0);
    QTableWidget* grid = page_.ECC_Grid;
    const QColor base = grid->palette().color(QPalette::Base);
    EXPECT_EQ(PaintedColour(grid, 1, 1), base);
    EXPECT_EQ(PaintedColour(grid, 2, 1), QColor(255, 0, 0));
    EXPECT_EQ(PaintedColour(grid, 3, 1), QColor(255, 255, 0));
    EXPECT_EQ(PaintedColour(page_.TotalECC_Grid, 2, 1), QColor(192, 192, 192));  // bin 1: none
    EXPECT_EQ(PaintedColour(page_.TotalECC_Grid, 1, 1), page_.TotalECC_Grid->palette().color(QPalette::Base));

    page_.ErrorBitTh_LabE->setText("300");  // its low byte, 44
    page_.ECC_Reflash_btn->click();
    EXPECT_EQ(AP_RDTSet.ErrorBit_TH, 44);
    EXPECT_EQ(PaintedColour(grid, 1, 1), QColor(255, 0, 0));
    page_.ErrorBitTh_LabE->setText("x1");
    page_.ECC_Reflash_btn->click();
    EXPECT_EQ(AP_RDTSet.ErrorBit_TH, 44);
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, "'x1' is not a valid integer value");
}

TEST_F(EccPageTest, CountingButtonsAppendTheirLines) {
    std::vector<std::uint8_t> values(1024, 10);
    values[0] = 101;
    values[1] = 200;
    values[2] = 255;
    FillSlot(0, values, 1024);
    page_.Init_ECCGrid();
    page_.SetECCInfo2UI(0, 0, 0);

    page_.Greater_Btn->click();  // edits are empty after the opening
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, "'' is not a valid integer value");
    EXPECT_TRUE(MemoLines().empty());

    page_.GreaterErrorBit_LabE->setText("100");
    page_.Greater_Btn->click();
    page_.LessErrorBit_LabE->setText("266");  // acts as 10
    page_.Less_Btn->click();
    page_.EqualErrorBit_LabE->setText("10");
    page_.Equal_Btn->click();
    EXPECT_EQ(MemoLines(), (std::vector<std::string>{
                               "ChNo 0 ,BankNo 0, lun 0, Greater then Error Bit(0x64) have 3 block, 0.00000%  ",
                               "ChNo 0 ,BankNo 0, lun 0,Less then Error Bit(0x0A) have 0 block, 0.00000%  ",
                               "ChNo 0 ,BankNo 0, lun 0,Equal to Error Bit(0x0A) have 1021 block, 99.00000%  ",
                           }));

    // B = 1,000 and 100 blocks above: 10 %.
    AP_FlashSet.wBlocks = 2000;
    std::vector<std::uint8_t> hundred(1000, 0);
    std::fill_n(hundred.begin(), 100, 150);
    FillSlot(0, hundred, 1000);
    page_.ECC_Memo->clear();
    page_.Greater_Btn->click();
    EXPECT_EQ(MemoLines(), (std::vector<std::string>{
                               "ChNo 0 ,BankNo 0, lun 0, Greater then Error Bit(0x64) have 100 block, 10.00000%  "}));
}

TEST_F(EccPageTest, SelectorChangeGreysTheButtonsUntilGetEccInfo) {
    std::vector<std::uint8_t> values(1024, 0);
    values[0] = 77;
    FillSlot((1 * 2 + 1) * 4 + 0, values, 1024);  // channel 0, bank 1, LUN 1: slot 12
    page_.Init_ECCGrid();
    page_.SetECCInfo2UI(0, 0, 0);

    page_.ECC_BK_Select->setCurrentIndex(1);
    emit page_.ECC_BK_Select->activated(1);
    for (QPushButton* b : {page_.Greater_Btn, page_.Less_Btn, page_.Equal_Btn}) EXPECT_FALSE(b->isEnabled());

    // Closed and opened again: the buttons stay grey, the die shown stays remembered.
    page_.Init_ECCGrid();
    page_.SetECCInfo2UI(0, 0, 0);
    for (QPushButton* b : {page_.Greater_Btn, page_.Less_Btn, page_.Equal_Btn}) EXPECT_FALSE(b->isEnabled());

    page_.ECC_BK_Select->setCurrentIndex(1);
    page_.ECC_Lun_Select->setCurrentIndex(1);
    emit page_.ECC_Lun_Select->activated(1);
    trace_.Clear();
    page_.Get_ECCInfo_Btn->click();
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"Get_ECCInfo_BtnClick  ChNo 0 ,BankNo 1, lun 1 \n",
                                                        "ECCInfo2UI  ChNo 0 ,BankNo 3, lun 1 \n", "ECCinfo index 12 \n",
                                                        "MaxErrorBit = 77 ,MaxErrorBitCount = 0 \n"}));
    EXPECT_EQ(g_ucEccShownDie, 12);
    EXPECT_EQ(page_.MaxErrorBit_LabE->text(), "0x4D");
    for (QPushButton* b : {page_.Greater_Btn, page_.Less_Btn, page_.Equal_Btn}) EXPECT_TRUE(b->isEnabled());

    page_.EqualErrorBit_LabE->setText("77");
    page_.Equal_Btn->click();
    EXPECT_EQ(MemoLines(),
              (std::vector<std::string>{"ChNo 0 ,BankNo 1, lun 1,Equal to Error Bit(0x4D) have 1 block, 0.00000%  "}));
}

TEST_F(EccPageTest, NoGeometryOrNoDieShowsAnEmptyDie) {
    std::vector<std::uint8_t> values(8192, 5);
    FillSlot(0, values, 8192);
    // No LUN count: B = 0, the LUN selector empty.
    AP_FlashSet.ucDiePerCE = 0;
    page_.Init_ECCGrid();
    page_.SetECCInfo2UI(0, 0, 0);
    EXPECT_EQ(page_.ECC_Grid->rowCount(), 2);
    EXPECT_EQ(Cell(page_.ECC_Grid, 1, 1), "250");
    EXPECT_EQ(page_.MaxErrorBit_LabE->text(), "0x00");
    page_.GreaterErrorBit_LabE->setText("0");
    page_.Greater_Btn->click();
    EXPECT_EQ(MemoLines(), (std::vector<std::string>{
                               "ChNo 0 ,BankNo 0, lun -1, Greater then Error Bit(0x00) have 8192 block, 0.00000%  "}));
    EXPECT_EQ(page_.ECC_Lun_Select->count(), 0);
    page_.Get_ECCInfo_Btn->click();  // nothing selected: the empty die
    EXPECT_EQ(g_ucEccShownDie, 255);
    EXPECT_EQ(page_.MaxErrorBitCount_LabE->text(), "0x00");
    EXPECT_EQ(Cell(page_.TotalECC_Grid, 1, 1), "0");
    EXPECT_TRUE(trace_.Contains("Get_ECCInfo_BtnClick  ChNo 0 ,BankNo 0, lun -1 \n"));

    // A slot past the 64 of the tables (FW bank 31 of eight channels): zeros, no read outside.
    AP_FlashSet.ucDiePerCE = 1;
    AP_INIState.MaxPhyChannel = 8;
    page_.SetECCInfo2UI(7, 31, 3);
    EXPECT_EQ(g_ucEccShownDie, 255);
    EXPECT_EQ(Cell(page_.ECC_Grid, 1, 1), "0");
    EXPECT_EQ(Cell(page_.TotalECC_Grid, 1, 1), "0");
    EXPECT_EQ(page_.MaxErrorBit_LabE->text(), "0x00");
}

}  // namespace
}  // namespace sorting
