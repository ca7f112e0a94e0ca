#pragma once

class Application;
class Job;
class QWidget;

// The grid windows (data view, results window with its sheet tabs, master taxon list)
// come from a library of their own. The main window knows them only through this
// interface: install an implementation with MainWindow::setGridWindows() and the three
// commands ("View Data", "View Results", "View master taxon list") become available.
// Until one is installed they stay disabled.
//
// The main window puts each widget returned here into a child window of its own, sets the
// captions datagrid::Caption() / resultsgrid::Caption() ("Data view: " / "Results view: "
// followed by the job's title; the taxon list keeps the widget's own windowTitle()), keeps at most one data and one results window per
// job (a second request brings the first to the front), and closes them with their job.
// A widget that implements ViewCommands (ui/commands/view_commands.h) gets Edit > Copy,
// File > Print... and File > Print Preview while its window is active.
class GridWindows {
public:
    virtual ~GridWindows() = default;

    // A new data view of job; the job outlives it.
    virtual QWidget* createDataView(Job& job) = 0;
    // A new results window of an analysed job; the job outlives it.
    virtual QWidget* createResultsView(Job& job) = 0;
    // A new master taxon list window: each request opens a further one.
    virtual QWidget* createTaxonListView(Application& app) = 0;
    // The job's analysis has just succeeded: view (one of the job's windows made above)
    // shows stale results.
    virtual void refresh(Job& job, QWidget* view) = 0;
    // File > Print Setup...
    virtual void printSetup(QWidget* parent) = 0;
};
