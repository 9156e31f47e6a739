// The string grid of the hex dumps: 34 columns of 22 pixels (column 0 is 80), rows of 18, the header
// row and the offset column drawn as part of the cells (hex_dump.h). A table view over a plain model,
// so a 1,025-row page costs no widget per cell.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <vector>

#include "dialogs/hex_dump.h"

namespace dialogs {

class DumpGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    std::vector<DumpRow>& Rows() { return rows_; }
    const std::vector<DumpRow>& Rows() const { return rows_; }
    void Replace(std::vector<DumpRow> rows);

  private:
    std::vector<DumpRow> rows_;
};

class DumpGrid : public QTableView {
    Q_OBJECT
  public:
    DumpGrid(QWidget* parent, int rowCount);

    int RowCount() const;
    // New rows are empty; rows past the count are dropped.
    void SetRowCount(int rows);
    // Cells[column][row], as the form library names them; empty outside the grid.
    QString Cell(int column, int row) const;
    // The header row and the offset label of every row below it.
    void InitHeaderAndOffsets();
    // Empties every cell outside row 0 and column 0.
    void ClearData();
    // The header row and one row per whole 16 bytes: the row count becomes bytes / 16 + 1.
    void ShowBytes(std::span<const std::uint8_t> bytes);

  private:
    DumpGridModel* model_;
};

}  // namespace dialogs
