#include "dialogs/dump_grid.h"

#include <QHeaderView>

namespace dialogs {

int DumpGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DumpGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kDumpColumns;
}

QVariant DumpGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return QString::fromLatin1(rows_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())]);
}

void DumpGridModel::Replace(std::vector<DumpRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

DumpGrid::DumpGrid(QWidget* parent, int rowCount) : QTableView(parent), model_(new DumpGridModel(this)) {
    setModel(model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setMinimumSectionSize(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont small = font();
    small.setPixelSize(11);  // the 80-pixel offset column holds "0x00000000"
    setFont(small);
    SetRowCount(rowCount);
    setColumnWidth(0, 80);
}

int DumpGrid::RowCount() const {
    return model_->rowCount();
}

void DumpGrid::SetRowCount(int rows) {
    std::vector<DumpRow> copy = model_->Rows();
    copy.resize(static_cast<std::size_t>(rows < 0 ? 0 : rows));
    model_->Replace(std::move(copy));
}

QString DumpGrid::Cell(int column, int row) const {
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

void DumpGrid::InitHeaderAndOffsets() {
    std::vector<DumpRow> rows = model_->Rows();
    if (rows.empty()) return;
    rows[0] = DumpHeaderRow();
    for (std::size_t r = 1; r < rows.size(); ++r) rows[r][0] = DumpDataRow((r - 1) * kDumpBytesPerRow, {})[0];
    model_->Replace(std::move(rows));
}

void DumpGrid::ClearData() {
    std::vector<DumpRow> rows = model_->Rows();
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (std::size_t c = 1; c < rows[r].size(); ++c) rows[r][c].clear();
    }
    model_->Replace(std::move(rows));
}

void DumpGrid::ShowBytes(std::span<const std::uint8_t> bytes) {
    model_->Replace(DumpRows(bytes));
}

}  // namespace dialogs
