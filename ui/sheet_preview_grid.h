#pragma once

#include <QAbstractTableModel>
#include <QTableView>

namespace wb {
class Sheet;
}

// The cells of one worksheet as the preview shows them. Nothing is copied: each text and
// colour is worked out from the sheet when the view asks for it.
class SheetPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SheetPreviewModel(QObject* parent = nullptr);

    // The sheet to show (nullptr for none); it must outlive its use here.
    void setSheet(const wb::Sheet* sheet);
    const wb::Sheet* sheet() const { return sheet_; }
    // The data block's top-left corner, 1-based, for the tint.
    void setDataBlock(int firstDataRow, int firstDataColumn);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const wb::Sheet* sheet_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
    int firstDataRow_ = 1;
    int firstDataColumn_ = 1;
};

// The preview grid of the worksheet dialog: the sheet's cells with the data block tinted.
// A click on a row header chooses the first data row, on a column header the first data
// column, on a cell both; positions beyond the sheet's ends are ignored.
class SheetPreviewGrid : public QTableView {
    Q_OBJECT
public:
    explicit SheetPreviewGrid(QWidget* parent = nullptr);

    // Shows the sheet (nullptr for none) with as many rows and columns as it uses.
    void setSheet(const wb::Sheet* sheet);
    SheetPreviewModel* gridModel() const { return model_; }

    // Each ignores a value beyond the sheet's row (column) count and returns false;
    // otherwise the tint moves and the grid redraws.
    bool setFirstDataRow(int row);
    bool setFirstDataColumn(int column);
    int firstDataRow() const { return firstDataRow_; }
    int firstDataColumn() const { return firstDataColumn_; }

    // Column widths fitted to the texts of the first 50 rows and their headers, no column
    // (nor the row headers) wider than kMaxColumnWidth pixels.
    void fitColumnWidths();
    static constexpr int kMaxColumnWidth = 100;
    static constexpr int kFittedRows = 50;

    // The grid's parts as a test clicks them.
    void clickRowHeader(int row);
    void clickColumnHeader(int column);
    void clickCell(int row, int column);

signals:
    // A click chose a first data row or column (1-based).
    void firstDataRowChosen(int row);
    void firstDataColumnChosen(int column);

private:
    SheetPreviewModel* model_;
    int firstDataRow_ = 1;
    int firstDataColumn_ = 1;
};
