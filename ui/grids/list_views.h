#pragma once

#include <memory>
#include <string>

#include "ui/grids/grid_view.h"

class Job;
class MemoryTable;

namespace grids {

// The imported sample table of a job: header rows, then the taxa with their counts; the
// first two rows and columns frozen; taxa without a first-index score light red once the
// job is analysed.
class DataListView : public GridView {
    Q_OBJECT
public:
    explicit DataListView(const Job& job, QWidget* parent = nullptr);
    const Job& job() const { return job_; }

private:
    const Job& job_;
};

// The master taxon list, every column fitted to its contents.
class TaxonListView : public GridView {
    Q_OBJECT
public:
    explicit TaxonListView(std::shared_ptr<const MemoryTable> table, QWidget* parent = nullptr);
};

// The per-sample results of a job: columns 1 and 2 (sample and site) frozen.
class SampleSummaryView : public GridView {
    Q_OBJECT
public:
    explicit SampleSummaryView(const Job& job, QWidget* parent = nullptr);
};

// Site table 1 or 2 of a job (SiteTableOf): column 1 (site code) frozen.
class SiteTableView : public GridView {
    Q_OBJECT
public:
    SiteTableView(const Job& job, int index, QWidget* parent = nullptr);
};

}  // namespace grids
