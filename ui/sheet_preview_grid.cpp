#include "ui/sheet_preview_grid.h"

#include <algorithm>

#include <QHeaderView>
#include <QMouseEvent>

#include "ui/preview_rules.h"
#include "workbook/book.h"

void SheetPreviewModel::setSheet(const wb::Sheet* sheet)
{
    beginResetModel();
    sheet_ = sheet;
    rows_ = sheet ? sheet->lastRow() : 0;
    columns_ = sheet ? sheet->lastCol() : 0;
    endResetModel();
}

void SheetPreviewModel::setDataBlock(int firstDataRow, int firstDataColumn)
{
    firstDataRow_ = firstDataRow;
    firstDataColumn_ = firstDataColumn;
    if (rows_ > 0 && columns_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1), {Qt::BackgroundRole});
}

GridCell SheetPreviewModel::cell(int gridRow, int gridColumn) const
{
    return sheet_ ? preview::Cell(*sheet_, gridRow, gridColumn, firstDataRow_, firstDataColumn_) : GridCell{};
}

SheetPreviewGrid::SheetPreviewGrid(QWidget* parent) : GridView(parent), model_(new SheetPreviewModel)
{
    setGridModel(model_);
    // A header click only chooses the first data row or column: selecting the whole row
    // or column would hide the edge of the tint under the selection's colour.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        QObject::disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
        QObject::disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
    }
    connect(verticalHeader(), &QHeaderView::sectionClicked, this, [this](int section) { clickRowHeader(section + 1); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { clickColumnHeader(section + 1); });
    connect(this, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (!(clickModifiers_ & (Qt::ShiftModifier | Qt::ControlModifier)))
            clickCell(index.row() + 1, index.column() + 1);
    });
}

void SheetPreviewGrid::mouseReleaseEvent(QMouseEvent* event)
{
    clickModifiers_ = event->modifiers();
    GridView::mouseReleaseEvent(event);
}

void SheetPreviewGrid::setSheet(const wb::Sheet* sheet)
{
    model_->setSheet(sheet);
}

bool SheetPreviewGrid::setFirstDataRow(int row)
{
    if (row > model_->rowCount())
        return false;
    firstDataRow_ = row;
    model_->setDataBlock(firstDataRow_, firstDataColumn_);
    return true;
}

bool SheetPreviewGrid::setFirstDataColumn(int column)
{
    if (column > model_->columnCount())
        return false;
    firstDataColumn_ = column;
    model_->setDataBlock(firstDataRow_, firstDataColumn_);
    return true;
}

void SheetPreviewGrid::fitColumnWidths()
{
    const int columns = std::min(model_->columnCount(), kFittedColumns);
    fitColumns(1, columns, 0, kFittedRows);
    narrowColumns(0, columns, kMaxColumnWidth);
}

void SheetPreviewGrid::clickRowHeader(int row)
{
    if (!preview::AcceptsPosition(row, model_->rowCount()))
        return;
    setFirstDataRow(row);
    emit firstDataRowChosen(row);
}

void SheetPreviewGrid::clickColumnHeader(int column)
{
    if (!preview::AcceptsPosition(column, model_->columnCount()))
        return;
    setFirstDataColumn(column);
    emit firstDataColumnChosen(column);
}

void SheetPreviewGrid::clickCell(int row, int column)
{
    // Each half of a cell click is checked on its own, as a header click would be.
    clickRowHeader(row);
    clickColumnHeader(column);
}
