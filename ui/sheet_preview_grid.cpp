#include "ui/sheet_preview_grid.h"

#include <QColor>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>

#include "ui/preview_rules.h"
#include "workbook/book.h"
#include "import/worksheet_choice.h"
#include "workbook/cells/cell_names.h"

SheetPreviewModel::SheetPreviewModel(QObject* parent) : QAbstractTableModel(parent) {}

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
}

int SheetPreviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int SheetPreviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant SheetPreviewModel::data(const QModelIndex& index, int role) const
{
    if (!sheet_ || !index.isValid())
        return {};
    const int gridRow = index.row() + 1;
    const int gridColumn = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(worksheet::PreviewCellText(*sheet_, gridRow, gridColumn));
    case Qt::BackgroundRole: {
        const preview::Rgb c = preview::CellBackground(gridRow, gridColumn, firstDataRow_, firstDataColumn_);
        return QColor(c.red, c.green, c.blue);
    }
    case Qt::ForegroundRole:
        return QColor(Qt::black);
    default:
        return {};
    }
}

QVariant SheetPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(wb::ColumnLetters(section));
    return QString::number(section + 1);
}

SheetPreviewGrid::SheetPreviewGrid(QWidget* parent) : QTableView(parent), model_(new SheetPreviewModel(this))
{
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    horizontalHeader()->setSectionsClickable(true);
    verticalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setMaximumWidth(kMaxColumnWidth);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setWordWrap(false);
    connect(verticalHeader(), &QHeaderView::sectionClicked, this, [this](int section) { clickRowHeader(section + 1); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { clickColumnHeader(section + 1); });
    connect(this, &QTableView::clicked, this,
            [this](const QModelIndex& index) { clickCell(index.row() + 1, index.column() + 1); });
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
    viewport()->update();
    return true;
}

bool SheetPreviewGrid::setFirstDataColumn(int column)
{
    if (column > model_->columnCount())
        return false;
    firstDataColumn_ = column;
    model_->setDataBlock(firstDataRow_, firstDataColumn_);
    viewport()->update();
    return true;
}

void SheetPreviewGrid::fitColumnWidths()
{
    const wb::Sheet* sheet = model_->sheet();
    if (!sheet)
        return;
    const QFontMetrics cellMetrics(font());
    const QFontMetrics headerMetrics(horizontalHeader()->font());
    const int rows = std::min(model_->rowCount(), kFittedRows);
    const int columns = model_->columnCount();
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    // A wide sheet repeats the same short texts (counts, dates) thousands of times:
    // each is measured once.
    QHash<std::string, int> measured;
    auto textWidth = [&](const std::string& text) {
        auto it = measured.constFind(text);
        if (it != measured.constEnd())
            return *it;
        const int width = cellMetrics.horizontalAdvance(QString::fromStdString(text));
        measured.insert(text, width);
        return width;
    };
    for (int c = 0; c < columns; ++c) {
        int width = headerMetrics.horizontalAdvance(QString::fromStdString(wb::ColumnLetters(c)));
        for (int r = 0; r < rows && width < kMaxColumnWidth; ++r) {
            const std::string text = worksheet::PreviewCellText(*sheet, r + 1, c + 1);
            if (!text.empty())
                width = std::max(width, textWidth(text));
        }
        setColumnWidth(c, std::min(width + padding, kMaxColumnWidth));
    }
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
