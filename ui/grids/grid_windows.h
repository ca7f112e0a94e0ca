#pragma once

#include <memory>

#include <QWidget>

class CTVNDoc;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class QTabWidget;
class dbTable;

namespace grids {

class GridView;
class DataListView;
class ResListView;

// A child window that shows grids: the data view, the master taxon list or the results
// window. The main window's Edit > Copy and File > Print, Print Preview act on the active
// one through this interface.
class GridWindow : public QWidget {
    Q_OBJECT
public:
    // job is null for the master taxon list, which belongs to no job.
    explicit GridWindow(CTVNDoc* job, QWidget* parent = nullptr);

    CTVNDoc* job() const { return job_; }
    // The grid the commands act on (for the results window, the one on the current sheet).
    virtual GridView* activeGrid() const = 0;
    // The caption printed on every page: the window caption, and the sheet where there
    // are sheets.
    virtual QString printCaption() const;

    // Edit > Copy.
    void copy();
    // The active grid on printer; selectionOnly prints the selected block.
    void print(QPrinter& printer, bool selectionOnly = false);
    // File > Print: the print dialog on the session printer, then the printout.
    void printWithDialog();
    // File > Print Preview.
    void printPreview();

private:
    CTVNDoc* job_;
};

class DataWindow : public GridWindow {
    Q_OBJECT
public:
    explicit DataWindow(CTVNDoc& job, QWidget* parent = nullptr);
    GridView* activeGrid() const override;
    DataListView* view() const { return view_; }

private:
    DataListView* view_;
};

class TaxonListWindow : public GridWindow {
    Q_OBJECT
public:
    explicit TaxonListWindow(std::shared_ptr<const dbTable> table, QWidget* parent = nullptr);
    GridView* activeGrid() const override;

private:
    GridView* view_;
};

// The results window: sheet tabs at the bottom, "Sample Summary" first, then one sheet per
// site table when the job has them as the window opens.
class ResultsWindow : public GridWindow {
    Q_OBJECT
public:
    explicit ResultsWindow(CTVNDoc& job, QWidget* parent = nullptr);
    GridView* activeGrid() const override;
    QString printCaption() const override;
    QTabWidget* sheets() const { return sheets_; }

private:
    QTabWidget* sheets_;
};

// The commands that open the windows, in the main window's MDI area.
// "View Data": the job's data view, opened the first time, brought to the front after.
QMdiSubWindow* showDataView(QMdiArea& area, CTVNDoc& job);
// "View Results": the job's results window, likewise one per job.
QMdiSubWindow* showResults(QMdiArea& area, CTVNDoc& job);
// "View master taxon list": a further window on the list each time.
QMdiSubWindow* openMasterTaxonList(QMdiArea& area, std::shared_ptr<const dbTable> table);

// The grid window of the active child window, if it is one.
GridWindow* activeGridWindow(const QMdiArea& area);
// Closes the data and results windows of a job, before the job itself goes.
void closeJobWindows(QMdiArea& area, const CTVNDoc& job);

// Tells the open windows of the job that its analysis has just succeeded: the data view
// repaints its unscored taxa. The job form calls it after "Analyse".
void notifyJobAnalysed(const CTVNDoc& job);

}  // namespace grids
