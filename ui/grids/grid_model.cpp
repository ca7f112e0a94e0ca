#include "ui/grids/grid_model.h"

#include <QBrush>
#include <QColor>

#include "app/data_grid_cells.h"
#include "app/job.h"
#include "ui/grids/column_explanation.h"
#include "app/taxon_list_cells.h"
#include "refdb/memory_table.h"

namespace grids {

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : gridRows();
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : gridColumns();
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    // The item delegate asks for many roles per cell; answer only those a cell has.
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(cell(index.row() + 1, index.column() + 1).text);
    case Qt::TextAlignmentRole: {
        // A text that reads as a number (an alkalinity typed as text) lines up with the
        // numbers around it.
        const GridCell c = cell(index.row() + 1, index.column() + 1);
        const bool right = c.rightAligned || looksNumeric(QString::fromStdString(c.text));
        return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::BackgroundRole: {
        const GridCell c = cell(index.row() + 1, index.column() + 1);
        if (!c.background)
            return {};
        return QBrush(QColor(c.background->red, c.background->green, c.background->blue));
    }
    case Qt::ForegroundRole:
        // The cell colours are light: their text stays black under a dark desktop theme.
        if (cell(index.row() + 1, index.column() + 1).background)
            return QBrush(Qt::black);
        return {};
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) {
        const QString explanation = headingExplanation(section + 1);
        return explanation.isEmpty() ? QVariant() : QVariant(explanation);
    }
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const GridCell c = orientation == Qt::Horizontal ? cell(0, section + 1) : cell(section + 1, 0);
    return QString::fromStdString(c.text);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QString GridModel::text(int gridRow, int gridColumn) const
{
    return QString::fromStdString(cell(gridRow, gridColumn).text);
}

QString GridModel::headingExplanation(int) const
{
    return {};
}

void GridModel::refresh()
{
    const int rows = rowCount(), columns = columnCount();
    if (rows > 0 && columns > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
    if (columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
    if (rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, rows - 1);
}

DataGridModel::DataGridModel(const Job& job, QObject* parent) : GridModel(parent), job_(job) {}

GridCell DataGridModel::cell(int gridRow, int gridColumn) const
{
    return datagrid::Cell(job_, gridRow, gridColumn);
}

int DataGridModel::gridRows() const
{
    return datagrid::RowCount(job_);
}

int DataGridModel::gridColumns() const
{
    return datagrid::ColumnCount(job_);
}

TaxonListModel::TaxonListModel(std::shared_ptr<const MemoryTable> table, QObject* parent)
    : GridModel(parent), table_(std::move(table))
{
}

GridCell TaxonListModel::cell(int gridRow, int gridColumn) const
{
    return table_ ? taxonlist::Cell(*table_, gridRow, gridColumn) : GridCell{};
}

int TaxonListModel::gridRows() const
{
    return table_ ? taxonlist::RowCount(*table_) : 0;
}

int TaxonListModel::gridColumns() const
{
    return table_ ? taxonlist::ColumnCount(*table_) : 0;
}

SampleGridModel::SampleGridModel(const Job& job, QObject* parent) : GridModel(parent), job_(job) {}

GridCell SampleGridModel::cell(int gridRow, int gridColumn) const
{
    return resultsgrid::SampleCell(job_, gridRow, gridColumn);
}

QString SampleGridModel::headingExplanation(int gridColumn) const
{
    return columnExplanation(text(0, gridColumn));
}

int SampleGridModel::gridRows() const
{
    return resultsgrid::SampleRowCount(job_);
}

int SampleGridModel::gridColumns() const
{
    return resultsgrid::SampleColumnCount(job_);
}

SiteGridModel::SiteGridModel(const Job& job, int index, QObject* parent)
    : GridModel(parent), job_(job), table_(SiteTableOf(job, index))
{
}

GridCell SiteGridModel::cell(int gridRow, int gridColumn) const
{
    return resultsgrid::SiteCell(job_, table_, gridRow, gridColumn);
}

QString SiteGridModel::headingExplanation(int gridColumn) const
{
    return columnExplanation(text(0, gridColumn));
}

int SiteGridModel::gridRows() const
{
    return resultsgrid::SiteRowCount(table_);
}

int SiteGridModel::gridColumns() const
{
    return resultsgrid::SiteColumnCount(table_);
}

}  // namespace grids
