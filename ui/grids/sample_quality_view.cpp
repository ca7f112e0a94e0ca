#include "ui/grids/sample_quality_view.h"

#include <QApplication>

#include "app/job.h"
#include "results/sample_quality_sheet.h"

namespace grids {

SampleQualityModel::SampleQualityModel(const Job& job, QObject* parent) : GridModel(parent), job_(job) {}

GridCell SampleQualityModel::cell(int gridRow, int gridColumn) const
{
    return resultsgrid::QualityCell(job_, gridRow, gridColumn);
}

int SampleQualityModel::gridRows() const
{
    return resultsgrid::QualityRowCount(job_);
}

int SampleQualityModel::gridColumns() const
{
    return resultsgrid::QualityColumnCount(job_);
}

SampleQualityView::SampleQualityView(const Job& job, QWidget* parent) : GridView(parent)
{
    // Columns fitted to the heading and the first rows only, as the other result sheets.
    constexpr int kFitRows = 50;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
    setGridModel(new SampleQualityModel(job));
    fitColumns(1, gridModel()->columnCount(), 0, kFitRows);
    setFrozen(0, 1);
    setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

}  // namespace grids
