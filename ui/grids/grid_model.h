#pragma once

#include <memory>
#include <string>

#include <QAbstractTableModel>

#include "base/grid_cell.h"
#include "results/results_grid_cells.h"

class Job;
class MemoryTable;

namespace grids {

// A read-only grid over a cell rule below the windows. Grid row 0 and grid column 0 (the
// headings and row numbers) are the Qt headers; model row r is grid row r + 1 and model
// column c grid column c + 1. Nothing is copied: every cell is worked out when asked.
// Each grid window's model adds only its cell rule and its size.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // The cell at grid row and column, headings included.
    virtual GridCell cell(int gridRow, int gridColumn) const = 0;

    // Model row and column counts: grid rows and columns below and right of the headings.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text of a grid cell, as shown.
    QString text(int gridRow, int gridColumn) const;
    // The tooltip of a column's heading (grid column from 1); none unless a grid's
    // headings need explaining.
    virtual QString headingExplanation(int gridColumn) const;

    // Tells the views that every cell may have changed (the source has moved on).
    void refresh();

protected:
    virtual int gridRows() const = 0;
    virtual int gridColumns() const = 0;
};

// The imported sample table of a job.
class DataGridModel : public GridModel {
    Q_OBJECT
public:
    DataGridModel(const Job& job, QObject* parent = nullptr);
    GridCell cell(int gridRow, int gridColumn) const override;

protected:
    int gridRows() const override;
    int gridColumns() const override;

private:
    const Job& job_;
};

// The master taxon list; an absent table (no database) is an empty grid.
class TaxonListModel : public GridModel {
    Q_OBJECT
public:
    TaxonListModel(std::shared_ptr<const MemoryTable> table, QObject* parent = nullptr);
    GridCell cell(int gridRow, int gridColumn) const override;

protected:
    int gridRows() const override;
    int gridColumns() const override;

private:
    std::shared_ptr<const MemoryTable> table_;
};

// The per-sample results of a job.
class SampleGridModel : public GridModel {
    Q_OBJECT
public:
    SampleGridModel(const Job& job, QObject* parent = nullptr);
    GridCell cell(int gridRow, int gridColumn) const override;
    QString headingExplanation(int gridColumn) const override;

protected:
    int gridRows() const override;
    int gridColumns() const override;

private:
    const Job& job_;
};

// One site table of a job, chosen by its sheet's name.
class SiteGridModel : public GridModel {
    Q_OBJECT
public:
    SiteGridModel(const Job& job, int index, QObject* parent = nullptr);
    GridCell cell(int gridRow, int gridColumn) const override;
    QString headingExplanation(int gridColumn) const override;

protected:
    int gridRows() const override;
    int gridColumns() const override;

private:
    const Job& job_;
    SiteTable table_;
};

}  // namespace grids
