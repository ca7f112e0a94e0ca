#pragma once

#include <memory>

#include "ui/commands/grid_windows.h"

namespace grids {

// The grid windows of this library for the main window: the data view, the results window
// and the master taxon list, their refresh after an analysis and the session's Print
// Setup.
class GridWindowFactory : public GridWindows {
public:
    QWidget* createDataView(Job& job) override;
    QWidget* createResultsView(Job& job) override;
    QWidget* createTaxonListView(Application& app) override;
    void refresh(Job& job, QWidget* view) override;
    void printSetup(QWidget* parent) override;
};

// What start-up installs in the main window.
std::unique_ptr<GridWindows> MakeGridWindows();

}  // namespace grids
