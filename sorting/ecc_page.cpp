#include "sorting/ecc_page.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>
#include <cstdio>

#include "forms/application.h"
#include "forms/colours.h"
#include "forms/controls.h"
#include "forms/str_to_int.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace sorting {

std::uint8_t g_ucEccShownDie = 0;

namespace {

// Paints a data cell of an ECC grid by the colour rule; header cells (row 0, column 0) are left to
// the grid.
class EccCellDelegate : public QStyledItemDelegate {
  public:
    EccCellDelegate(EccGridKind kind, QObject* parent) : QStyledItemDelegate(parent), kind_(kind) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.row() == 0 || index.column() == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        const EccCellLook look = EccCellColours(kind_, text.toStdString(), AP_RDTSet.ErrorBit_TH);
        if (look.background) {
            painter->fillRect(opt.rect, forms::ToQColor(*look.background));
        } else {
            opt.text.clear();  // the grid's own background (base or selection), no text
            const QStyle* style = opt.widget ? opt.widget->style() : nullptr;
            if (style) style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        }
        painter->save();
        painter->setPen(forms::ToQColor(look.text));
        painter->setFont(opt.font);
        painter->drawText(opt.rect.adjusted(look.textLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
        painter->restore();
    }

  private:
    EccGridKind kind_;
};

void SetCell(QTableWidget* grid, int column, int row, const QString& text) {
    if (QTableWidgetItem* item = grid->item(row, column)) {
        item->setText(text);
        return;
    }
    auto* item = new QTableWidgetItem(text);
    if (row == 0 || column == 0) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(grid->palette().button());
    }
    grid->setItem(row, column, item);
}

void SetCell(QTableWidget* grid, int column, int row, const std::string& text) {
    SetCell(grid, column, row, QString::fromStdString(text));
}

QTableWidget* StringGrid(QWidget* parent, const char* name, EccGridKind kind, int columnWidth, int rowHeight) {
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(name);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setTextElideMode(Qt::ElideNone);
    QFont small = grid->font();
    small.setPixelSize(11);  // Tahoma 8 pt: the 63-pixel offset column holds "0x000000"
    grid->setFont(small);
    grid->setItemDelegate(new EccCellDelegate(kind, grid));
    grid->setColumnCount(static_cast<int>(kEccGridColumns));
    return grid;
}

// The header row ("0" … "F") and the corner text.
void SetHeaderRow(QTableWidget* grid, const char* corner) {
    SetCell(grid, 0, 0, QString::fromLatin1(corner));
    for (int c = 1; c < static_cast<int>(kEccGridColumns); ++c) SetCell(grid, c, 0, EccColumnHeader(c));
}

std::int32_t NumberOf(const forms::LabeledEdit* edit) {
    return forms::StrToIntOrThrow(edit->text().toStdString());
}

const std::array<std::uint8_t, kMaxBlkNum> kNoBlocks{};
const std::array<std::uint16_t, kEccBins> kNoCounts{};

}  // namespace

EccPage::EccPage(QWidget* tabSheet, const SortResults& results) : tab_(tabSheet), results_(results) {
    BuildControls();
}

EccPage::~EccPage() = default;

void EccPage::BuildControls() {
    const auto label = [this](const char* name, const char* caption, int left, int top) {
        auto* l = new QLabel(QString::fromLatin1(caption), tab_);
        l->setObjectName(name);
        l->move(left, top);
        return l;
    };
    const auto selector = [this](const char* name, int left) {
        auto* box = new QComboBox(tab_);
        box->setObjectName(name);
        box->setGeometry(left, 16, 44, 21);
        box->addItem("0");
        box->setCurrentIndex(0);
        QObject::connect(box, &QComboBox::activated, box, [this, box](int) { ECC_CH_SelectChange(box); });
        return box;
    };
    const auto button = [this](const char* name, const char* caption, const QRect& bounds,
                               void (EccPage::*click)(QObject*)) {
        auto* b = new QPushButton(QString::fromLatin1(caption), tab_);
        b->setObjectName(name);
        b->setGeometry(bounds);
        QObject::connect(b, &QPushButton::clicked, b, [this, b, click] { (this->*click)(b); });
        return b;
    };
    const auto edit = [this](const char* name, const char* caption, const QRect& bounds, const char* text) {
        auto* e = new forms::LabeledEdit(tab_, forms::LabeledEdit::LabelPosition::Left);
        e->setObjectName(name);
        e->SetCaption(QString::fromLatin1(caption));
        e->setGeometry(bounds);
        e->setText(QString::fromLatin1(text));
        return e;
    };

    Label1 = label("Label1", "Channel", 16, 19);
    Label2 = label("Label2", "Bank", 120, 19);
    Label3 = label("Label3", "Lun", 208, 19);
    ECC_CH_Select = selector("ECC_CH_Select", 61);
    ECC_BK_Select = selector("ECC_BK_Select", 149);
    ECC_Lun_Select = selector("ECC_Lun_Select", 231);
    Get_ECCInfo_Btn = button("Get_ECCInfo_Btn", "Get ECC Info", {312, 14, 75, 25}, &EccPage::Get_ECCInfo_BtnClick);

    ECC_Memo = new QPlainTextEdit(tab_);
    ECC_Memo->setObjectName("ECC_Memo");
    ECC_Memo->setGeometry(3, 43, 449, 70);
    ECC_Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    GreaterErrorBit_LabE = edit("GreaterErrorBit_LabE", "Error Bit Greater then (>) ", {136, 119, 35, 21}, "100");
    Greater_Btn = button("Greater_Btn", "Set(>)", {177, 119, 48, 21}, &EccPage::Greater_BtnClick);
    LessErrorBit_LabE = edit("LessErrorBit_LabE", "Error Bit Less then (<) ", {363, 119, 35, 21}, "100");
    Less_Btn = button("Less_Btn", "Set(<)", {404, 119, 48, 21}, &EccPage::Less_BtnClick);
    EqualErrorBit_LabE = edit("EqualErrorBit_LabE", "Error Bit Equal to  (=) ", {136, 146, 35, 21}, "100");
    Equal_Btn = button("Equal_Btn", "Set(=)", {177, 146, 48, 21}, &EccPage::Equal_BtnClick);
    MaxErrorBit_LabE = edit("MaxErrorBit_LabE", "Max Error Bit ", {78, 182, 35, 21}, "");
    MaxErrorBit_LabE->setReadOnly(true);
    MaxErrorBitCount_LabE = edit("MaxErrorBitCount_LabE", "Max Error Bit Count ", {226, 182, 35, 21}, "");
    MaxErrorBitCount_LabE->setReadOnly(true);
    ErrorBitTh_LabE = edit("ErrorBitTh_LabE", "Error Bit Th ", {330, 182, 49, 21}, "80");
    ECC_Reflash_btn = button("ECC_Reflash_btn", "Reflash", {385, 182, 67, 21}, &EccPage::ECC_Reflash_btnClick);

    TotalECC_Grid = StringGrid(tab_, "TotalECC_Grid", EccGridKind::Counts, 25, 25);
    TotalECC_Grid->setGeometry(3, 209, 449, 449);
    TotalECC_Grid->setRowCount(static_cast<int>(kEccGridColumns));
    ECC_Grid = StringGrid(tab_, "ECC_Grid", EccGridKind::Blocks, 30, 18);
    ECC_Grid->setGeometry(458, 3, 534, 655);
    ECC_Grid->setRowCount(kEccGridInitialRows);
    ECC_Grid->setColumnWidth(0, 63);
}

void EccPage::Init_ECCGrid() {
    ECC_Memo->clear();
    for (forms::LabeledEdit* e :
         {GreaterErrorBit_LabE, LessErrorBit_LabE, EqualErrorBit_LabE, MaxErrorBit_LabE, MaxErrorBitCount_LabE}) {
        e->clear();
    }

    ECC_Grid->clearContents();
    ECC_Grid->setColumnCount(static_cast<int>(kEccGridColumns));
    ECC_Grid->setRowCount(kEccGridInitialRows);
    for (int r = 0; r < kEccGridInitialRows; ++r) ECC_Grid->setRowHeight(r, 18);
    for (int c = 0; c < static_cast<int>(kEccGridColumns); ++c) ECC_Grid->setColumnWidth(c, c == 0 ? 63 : 30);
    SetHeaderRow(ECC_Grid, "Offset (h)");
    for (int r = 1; r < kEccGridInitialRows; ++r) SetCell(ECC_Grid, 0, r, EccBlockRowLabel(r));

    const int countRows = static_cast<int>(kEccGridColumns);
    TotalECC_Grid->clearContents();
    TotalECC_Grid->setColumnCount(countRows);
    TotalECC_Grid->setRowCount(countRows);
    SetHeaderRow(TotalECC_Grid, "(h)");
    for (int r = 1; r < countRows; ++r) SetCell(TotalECC_Grid, 0, r, EccCountRowLabel(r));

    const auto fill = [](QComboBox* box, unsigned count) {
        box->clear();
        for (unsigned i = 0; i < count; ++i) box->addItem(QString::number(i));
        box->setCurrentIndex(0);
    };
    fill(ECC_CH_Select, std::min<unsigned>(AP_INIState.MaxPhyChannel, 8));
    fill(ECC_BK_Select, std::min<unsigned>(AP_INIState.MaxPhyBank, 8));
    fill(ECC_Lun_Select, std::min<unsigned>(AP_FlashSet.ucDiePerCE, 4));
    ErrorBitTh_LabE->setText(QString::number(AP_RDTSet.ErrorBit_TH));
}

void EccPage::SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun) {
    ShowDie(channel, fwBank, lun, EccDieSlot(channel, fwBank, AP_INIState.MaxPhyChannel));
}

void EccPage::ShowDie(int channel, int fwBank, int lun, std::uint8_t slot) {
    const std::uint16_t blocks = EccBlocksPerLun(AP_FlashSet.wBlocks, AP_FlashSet.ucDiePerCE);
    TraceOut("ECCInfo2UI  ChNo %d ,BankNo %d, lun %d \n", channel, fwBank, lun);
    TraceOut("ECCinfo index %d \n", slot);
    g_ucEccShownDie = slot;

    const bool inTables = slot < kEccDieSlots;
    const auto& values = inTables ? results_.eccMaxBits[slot] : kNoBlocks;
    const auto& counts = inTables ? results_.eccHistogram[slot] : kNoCounts;
    const std::uint8_t maxBit = EccMaxErrorBit(std::span(values).first(std::min<std::size_t>(blocks, values.size())));
    const std::uint8_t mostFrequent = EccMostFrequentValue(counts);
    TraceOut("MaxErrorBit = %d ,MaxErrorBitCount = %d \n", maxBit, mostFrequent);
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(maxBit));
    MaxErrorBit_LabE->setText(QString::fromLatin1(text));
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(mostFrequent));
    MaxErrorBitCount_LabE->setText(QString::fromLatin1(text));

    FillEccGridBlocks(EccGridBlocks, values, blocks);
    ShowECCData(EccGridBlocks, blocks);
    EccGridCounts = counts;
    ShowECCTotalData(EccGridCounts, kEccBins);
}

void EccPage::ShowECCData(std::span<const std::uint8_t> values, std::uint16_t blocks) {
    const int rows = EccBlockGridRows(blocks);
    ECC_Grid->setUpdatesEnabled(false);
    SetCell(ECC_Grid, 0, 0, QStringLiteral("Offset (h)"));
    ECC_Grid->setRowCount(rows);
    for (int r = 1; r < rows; ++r) {
        SetCell(ECC_Grid, 0, r, EccBlockRowLabel(r));
        for (int c = 1; c < static_cast<int>(kEccGridColumns); ++c) {
            const std::size_t block = static_cast<std::size_t>(r - 1) * 16 + static_cast<std::size_t>(c - 1);
            const unsigned value = block < values.size() ? values[block] : kEccEmptyMarker;
            SetCell(ECC_Grid, c, r, QString::number(value));
        }
    }
    ECC_Grid->setUpdatesEnabled(true);
}

void EccPage::ShowECCTotalData(std::span<const std::uint16_t> counts, std::uint16_t bins) {
    const std::size_t shown = std::min<std::size_t>({bins, counts.size(), kEccBins});
    const int rows = static_cast<int>((shown + 16) / 16);
    SetCell(TotalECC_Grid, 0, 0, QStringLiteral("(h)"));
    TotalECC_Grid->setRowCount(rows);
    for (int r = 1; r < rows; ++r) {
        SetCell(TotalECC_Grid, 0, r, EccCountRowLabel(r));
        for (int c = 1; c < static_cast<int>(kEccGridColumns); ++c) {
            const std::size_t bin = static_cast<std::size_t>(r - 1) * 16 + static_cast<std::size_t>(c - 1);
            SetCell(TotalECC_Grid, c, r, bin < shown ? QString::number(counts[bin]) : QString());
        }
    }
}

void EccPage::Get_ECCInfo_BtnClick(QObject*) {
    const int channel = ECC_CH_Select->currentIndex();
    const int bank = ECC_BK_Select->currentIndex();
    const int lun = ECC_Lun_Select->currentIndex();
    TraceOut("Get_ECCInfo_BtnClick  ChNo %d ,BankNo %d, lun %d \n", channel, bank, lun);
    if (channel < 0 || bank < 0 || lun < 0) {
        ShowDie(channel, -1, lun, 255);  // nothing to select: an empty die
    } else {
        const unsigned fwBank = static_cast<unsigned>(lun) * AP_INIState.MaxPhyBank + static_cast<unsigned>(bank);
        SetECCInfo2UI(static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(fwBank),
                      static_cast<std::uint8_t>(lun));
    }
    for (QPushButton* b : {Greater_Btn, Less_Btn, Equal_Btn}) b->setEnabled(true);
}

void EccPage::ECC_CH_SelectChange(QObject*) {
    for (QPushButton* b : {Greater_Btn, Less_Btn, Equal_Btn}) b->setEnabled(false);
}

void EccPage::ECC_Reflash_btnClick(QObject*) {
    try {
        AP_RDTSet.ErrorBit_TH = static_cast<std::uint8_t>(NumberOf(ErrorBitTh_LabE));
    } catch (const forms::ConvertError& e) {
        forms::ShowException(e.what());
        return;
    }
    ECC_Grid->viewport()->update();
}

void EccPage::Greater_BtnClick(QObject*) {
    CountBlocks(EccCompare::Greater, GreaterErrorBit_LabE);
}

void EccPage::Less_BtnClick(QObject*) {
    CountBlocks(EccCompare::Less, LessErrorBit_LabE);
}

void EccPage::Equal_BtnClick(QObject*) {
    CountBlocks(EccCompare::Equal, EqualErrorBit_LabE);
}

void EccPage::CountBlocks(EccCompare compare, forms::LabeledEdit* edit) {
    std::uint8_t value = 0;
    try {
        value = static_cast<std::uint8_t>(NumberOf(edit));
    } catch (const forms::ConvertError& e) {
        forms::ShowException(e.what());
        return;
    }
    const std::uint8_t slot = g_ucEccShownDie;
    const auto& counts = slot < kEccDieSlots ? results_.eccHistogram[slot] : kNoCounts;
    const EccCount count =
        EccCountBlocks(counts, compare, value, EccBlocksPerLun(AP_FlashSet.wBlocks, AP_FlashSet.ucDiePerCE));
    ECC_Memo->appendPlainText(
        QString::fromStdString(EccCountLine(compare, ECC_CH_Select->currentIndex(), ECC_BK_Select->currentIndex(),
                                            ECC_Lun_Select->currentIndex(), value, count)));
}

}  // namespace sorting
