#pragma once

#include "ui/grids/grid_model.h"
#include "ui/grids/grid_view.h"

namespace wb {
class Sheet;
}

// The cells of one worksheet as the preview shows them (preview::Cell), with the data
// block tinted. Nothing is copied: each cell is worked out from the sheet when asked.
class SheetPreviewModel : public grids::GridModel {
    Q_OBJECT
public:
    using GridModel::GridModel;

    // The sheet to show (nullptr for none); it must outlive its use here.
    void setSheet(const wb::Sheet* sheet);
    // The data block's top-left corner, 1-based: the cells are tinted anew.
    void setDataBlock(int firstDataRow, int firstDataColumn);

    GridCell cell(int gridRow, int gridColumn) const override;

protected:
    int gridRows() const override { return rows_; }
    int gridColumns() const override { return columns_; }

private:
    const wb::Sheet* sheet_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
    int firstDataRow_ = 1;
    int firstDataColumn_ = 1;
};

// The preview grid of the worksheet dialog, a grid window like the others (widths fitted
// to the texts, Ctrl+C of the selected block) with nothing frozen. A click on a row
// header chooses the first data row, on a column header the first data column, on a cell
// both; positions beyond the sheet's ends are ignored. A header click chooses and selects
// nothing, so that the tint stays in view; a cell click also selects the cell, and a click
// with Shift or Ctrl only extends the selection.
class SheetPreviewGrid : public grids::GridView {
    Q_OBJECT
public:
    explicit SheetPreviewGrid(QWidget* parent = nullptr);

    // Shows the sheet (nullptr for none) with as many rows and columns as it uses.
    void setSheet(const wb::Sheet* sheet);

    // Each ignores a value beyond the sheet's row (column) count and returns false;
    // otherwise the tint moves.
    bool setFirstDataRow(int row);
    bool setFirstDataColumn(int column);
    int firstDataRow() const { return firstDataRow_; }
    int firstDataColumn() const { return firstDataColumn_; }

    // Column widths fitted to the headings and the texts of the first kFittedRows rows,
    // then no column (nor the row numbers) wider than kMaxColumnWidth pixels. Only the
    // first kFittedColumns columns are fitted; those beyond keep the default width, so
    // that a sheet of thousands of samples is shown at once.
    void fitColumnWidths();
    static constexpr int kMaxColumnWidth = 100;
    static constexpr int kFittedRows = 50;
    static constexpr int kFittedColumns = 256;

    // The grid's parts as a test clicks them.
    void clickRowHeader(int row);
    void clickColumnHeader(int column);
    void clickCell(int row, int column);

signals:
    // A click chose a first data row or column (1-based).
    void firstDataRowChosen(int row);
    void firstDataColumnChosen(int column);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SheetPreviewModel* model_;
    // The keys held as the last click ended (the item view's clicked signal has none).
    Qt::KeyboardModifiers clickModifiers_;
    int firstDataRow_ = 1;
    int firstDataColumn_ = 1;
};
