#pragma once

#include "ui/grids/grid_model.h"
#include "ui/grids/grid_view.h"

class Job;

namespace grids {

// The quality of each sample of a job, as the results workbook's "Sample quality" sheet.
class SampleQualityModel : public GridModel {
    Q_OBJECT
public:
    explicit SampleQualityModel(const Job& job, QObject* parent = nullptr);
    GridCell cell(int gridRow, int gridColumn) const override;

protected:
    int gridRows() const override;
    int gridColumns() const override;

private:
    const Job& job_;
};

// The "Sample quality" sheet of the results window: column 1 (sample) frozen.
class SampleQualityView : public GridView {
    Q_OBJECT
public:
    explicit SampleQualityView(const Job& job, QWidget* parent = nullptr);
};

}  // namespace grids
