#pragma once

#include <memory>

#include <QWidget>

#include "ui/commands/view_commands.h"

class Job;
class QPrinter;
class QTabWidget;
class MemoryTable;

namespace chart {
class SiteChartView;
}

namespace grids {

class GridView;
class DataListView;

// The widget of a child window that shows grids: the data view, the master taxon list or
// the results window. The main window puts it in a child window of its own and reaches
// Edit > Copy, File > Print... and File > Print Preview through ViewCommands.
class GridWindow : public QWidget, public ViewCommands {
    Q_OBJECT
public:
    // job is null for the master taxon list, which belongs to no job.
    explicit GridWindow(Job* job, QWidget* parent = nullptr);

    Job* job() const { return job_; }
    // The grid the commands act on (for the results window, the one on the current sheet).
    virtual GridView* activeGrid() const = 0;
    // The caption printed on every page: the caption of the child window that holds this
    // one (or this one's own), and the sheet where there are sheets.
    virtual QString printCaption() const;
    // The job has moved on (its analysis has just succeeded): repaint from it.
    virtual void refresh();

    // The active grid on printer; selectionOnly prints the selected block.
    virtual void printTo(QPrinter& printer, bool selectionOnly = false);

    // Edit > Copy: the selected block to the clipboard.
    void copy() override;
    // File > Print...: the print dialog on the session printer, then the printout.
    void print() override;
    // File > Print Preview: the selected block when there is one (a whole large grid
    // would make thousands of pages to preview), else the whole grid.
    void printPreview() override;

private:
    Job* job_;
};

// The data view of a job: its widget holds the one DataListView.
class DataWindow : public GridWindow {
    Q_OBJECT
public:
    explicit DataWindow(Job& job, QWidget* parent = nullptr);
    GridView* activeGrid() const override;
    DataListView* view() const { return view_; }

private:
    DataListView* view_;
};

// A master taxon list window, captioned "Master taxon list".
class TaxonListWindow : public GridWindow {
    Q_OBJECT
public:
    explicit TaxonListWindow(std::shared_ptr<const MemoryTable> table, QWidget* parent = nullptr);
    GridView* activeGrid() const override;

private:
    GridView* view_;
};

// The results window: sheet tabs at the bottom, "Sample Summary" first, then one sheet per
// site table, then the chart of each site table ("Chart TDI3", ...) in the same order, then
// each table's site history ("History TDI3", ...). The
// site sheets and charts are those of the tables the job has as the window opens (it gains
// no sheets later); a refresh draws the charts again from the job's new tables.
class ResultsWindow : public GridWindow {
    Q_OBJECT
public:
    explicit ResultsWindow(Job& job, QWidget* parent = nullptr);
    GridView* activeGrid() const override;
    // The chart on the current sheet; null on a table sheet.
    chart::SiteChartView* activeChart() const;
    QString printCaption() const override;
    void refresh() override;
    QTabWidget* sheets() const { return sheets_; }
    // The size that shows what a first look is for: the sample sheet's columns up to the
    // first index's class (sample, site and chemistry, the index, its expected value, EQR
    // and class) and its first rows. Where the window opens asks for at least this.
    QSize sizeHint() const override;

    // On a chart sheet: the chart fitted to one page, and the picture to the clipboard; on a
    // history sheet its pages.
    void printTo(QPrinter& printer, bool selectionOnly = false) override;

    void copy() override;
    void print() override;
    void printPreview() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void addCharts();
    // The chart on the current sheet, captioned for printing; null on a table sheet.
    ViewCommands* activeCommands();

    QTabWidget* sheets_;
    int siteSheetCount_ = 0;
    bool shown_ = false;
};

}  // namespace grids
