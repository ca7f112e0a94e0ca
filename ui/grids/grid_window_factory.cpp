#include "ui/grids/grid_window_factory.h"

#include "app/application.h"
#include "app/job.h"
#include "ui/grids/grid_print.h"
#include "ui/grids/grid_windows.h"

namespace grids {

QWidget* GridWindowFactory::createDataView(Job& job)
{
    return new DataWindow(job);
}

QWidget* GridWindowFactory::createResultsView(Job& job)
{
    return new ResultsWindow(job);
}

QWidget* GridWindowFactory::createTaxonListView(Application& app)
{
    return new TaxonListWindow(app.masterTaxonList);
}

void GridWindowFactory::refresh(Job&, QWidget* view)
{
    if (auto* window = qobject_cast<GridWindow*>(view))
        window->refresh();
}

void GridWindowFactory::printSetup(QWidget* parent)
{
    grids::printSetup(parent);
}

std::unique_ptr<GridWindows> MakeGridWindows()
{
    return std::make_unique<GridWindowFactory>();
}

}  // namespace grids
