#include "ui/grids/list_views.h"

#include <QApplication>
#include <QHeaderView>

#include "app/job.h"
#include "ui/grids/grid_model.h"

namespace grids {

namespace {

// Column widths are fitted to the first rows only, so that opening a large job costs no
// more than a small one.
constexpr int kFitRows = 50;
constexpr int kDataColumnWidth = 80;
constexpr int kNarrowestResultColumn = 50;

// The wait cursor while a grid is laid out.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Result grids: every column fitted over the heading row and the first rows, then
// widened to a readable minimum (all but the last, which may run on).
void layoutResultGrid(GridView& view)
{
    const int columns = view.gridModel()->columnCount();
    view.fitColumns(1, columns, 0, kFitRows);
    view.widenColumns(0, columns - 1, kNarrowestResultColumn);
}

}  // namespace

DataListView::DataListView(const Job& job, QWidget* parent) : GridView(parent), job_(job)
{
    WaitCursor wait;
    setUpdatesEnabled(false);
    // Sample columns share one width: set as the default, so no pass over thousands of
    // sections is needed.
    horizontalHeader()->setDefaultSectionSize(kDataColumnWidth);
    setGridModel(new DataGridModel(job));
    fitColumns(1, 2, 1, kFitRows);
    setFrozen(2, 2);
    setUpdatesEnabled(true);
}

TaxonListView::TaxonListView(std::shared_ptr<const MemoryTable> table, QWidget* parent) : GridView(parent)
{
    WaitCursor wait;
    setUpdatesEnabled(false);
    setGridModel(new TaxonListModel(std::move(table)));
    // The list is a few thousand rows: every row is read to fit the columns.
    fitColumns(1, gridModel()->columnCount(), 0, gridModel()->rowCount());
    setUpdatesEnabled(true);
}

SampleSummaryView::SampleSummaryView(const Job& job, QWidget* parent) : GridView(parent)
{
    WaitCursor wait;
    setUpdatesEnabled(false);
    setGridModel(new SampleGridModel(job));
    layoutResultGrid(*this);
    setFrozen(0, 2);
    setUpdatesEnabled(true);
}

SiteTableView::SiteTableView(const Job& job, int index, QWidget* parent) : GridView(parent)
{
    WaitCursor wait;
    setUpdatesEnabled(false);
    setGridModel(new SiteGridModel(job, index));
    layoutResultGrid(*this);
    setFrozen(0, 1);
    setUpdatesEnabled(true);
}

}  // namespace grids
