#include "ui/grids/grid_windows.h"

#include <QHeaderView>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "app/data_grid_cells.h"
#include "app/job.h"
#include "metrics/index_values.h"
#include "results/results_grid_cells.h"
#include "results/sample_quality_sheet.h"
#include "ui/chart/chart_export.h"
#include "sites/site_chart_data.h"
#include "ui/chart/widget/site_chart_view.h"
#include "ui/chart/widget/site_history_view.h"
#include "sites/site_history_data.h"
#include "ui/grids/grid_model.h"
#include "ui/grids/grid_print.h"
#include "ui/grids/list_views.h"
#include "ui/grids/sample_quality_view.h"

namespace grids {

namespace {

void putAlone(QWidget& window, QWidget* content)
{
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

}  // namespace

GridWindow::GridWindow(Job* job, QWidget* parent) : QWidget(parent), job_(job) {}

QString GridWindow::printCaption() const
{
    if (auto* frame = qobject_cast<const QMdiSubWindow*>(parentWidget()))
        return frame->windowTitle();
    return windowTitle();
}

void GridWindow::refresh()
{
    if (GridView* grid = activeGrid())
        grid->gridModel()->refresh();
}

void GridWindow::copy()
{
    if (GridView* grid = activeGrid())
        grid->copy();
}

void GridWindow::printTo(QPrinter& printer, bool selectionOnly)
{
    if (GridView* grid = activeGrid())
        grid->print(printer, printCaption(), selectionOnly);
}

void GridWindow::print()
{
    QPrinter& printer = sessionPrinter();
    QPrintDialog dialog(&printer, this);
    GridView* grid = activeGrid();
    dialog.setOption(QAbstractPrintDialog::PrintSelection, grid && grid->hasBlockSelection());
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printTo(printer, dialog.printRange() == QAbstractPrintDialog::Selection);
}

void GridWindow::printPreview()
{
    QPrintPreviewDialog preview(&sessionPrinter(), this);
    preview.setWindowTitle(tr("Print Preview - %1").arg(printCaption()));
    GridView* grid = activeGrid();
    const bool selectionOnly = grid && grid->hasBlockSelection();
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this, selectionOnly](QPrinter* printer) { printTo(*printer, selectionOnly); });
    preview.exec();
}

DataWindow::DataWindow(Job& job, QWidget* parent) : GridWindow(&job, parent), view_(new DataListView(job))
{
    setWindowTitle(QString::fromStdString(datagrid::Caption(job)));
    putAlone(*this, view_);
}

GridView* DataWindow::activeGrid() const
{
    return view_;
}

TaxonListWindow::TaxonListWindow(std::shared_ptr<const MemoryTable> table, QWidget* parent)
    : GridWindow(nullptr, parent), view_(new TaxonListView(std::move(table)))
{
    setWindowTitle(QStringLiteral("Master taxon list"));
    putAlone(*this, view_);
}

GridView* TaxonListWindow::activeGrid() const
{
    return view_;
}

ResultsWindow::ResultsWindow(Job& job, QWidget* parent) : GridWindow(&job, parent), sheets_(new QTabWidget)
{
    setWindowTitle(QString::fromStdString(resultsgrid::Caption(job)));
    sheets_->setTabPosition(QTabWidget::South);
    sheets_->setDocumentMode(true);
    sheets_->addTab(new SampleSummaryView(job), QStringLiteral("Sample Summary"));
    // The site sheets are those the job has now; the window gains none later.
    for (const std::string& name : resultsgrid::SiteSheetNames(job))
        sheets_->addTab(new SiteTableView(job, ++siteSheetCount_), QString::fromStdString(name));
    sheets_->addTab(new SampleQualityView(job), QString::fromUtf8(results::kSampleQualitySheetName));
    addCharts();
    putAlone(*this, sheets_);
}

void ResultsWindow::addCharts()
{
    // Site sheet k (from 1) shows site table k, and its chart is that table's.
    for (int table = 1; table <= siteSheetCount_; ++table)
        if (std::optional<chart::SiteChartData> data = chart::SiteChartFor(job()->samples, job()->sites, table)) {
            auto* view = new chart::SiteChartView(std::move(*data));
            view->setPrinter(&sessionPrinter());
            sheets_->addTab(view, view->caption());
        }
    // Then each table's site history, in the same order.
    for (int table = 1; table <= siteSheetCount_; ++table)
        if (std::optional<chart::SiteHistoryData> data =
                chart::SiteHistoryFor(job()->samples, job()->analysis, job()->sites, table)) {
            auto* view = new chart::SiteHistoryView(std::move(*data));
            view->setPrinter(&sessionPrinter());
            sheets_->addTab(view, view->caption());
        }
}

QSize ResultsWindow::sizeHint() const
{
    auto* samples = qobject_cast<GridView*>(sheets_->widget(0));
    if (!samples || !samples->model() || !job())
        return GridWindow::sizeHint();
    // The class of the first index is grid column h + its result column; model columns
    // are grid columns less the row numbers.
    const int headerRows = static_cast<int>(job()->samples.headerLabels.size());
    const int lastShown = std::min(headerRows + rescol::firstClass - 1, samples->model()->columnCount() - 1);
    int width = samples->verticalHeader()->sizeHint().width() + 2 * samples->frameWidth() +
                samples->verticalScrollBar()->sizeHint().width() + 4;
    for (int column = 0; column <= lastShown; ++column)
        width += samples->columnWidth(column);
    constexpr int kFirstRows = 8;
    const int rowHeight = samples->verticalHeader()->defaultSectionSize();
    const int height = samples->horizontalHeader()->sizeHint().height() + kFirstRows * rowHeight +
                       samples->horizontalScrollBar()->sizeHint().height() + sheets_->tabBar()->sizeHint().height() +
                       2 * samples->frameWidth() + 4;
    return {width, height};
}

void ResultsWindow::showEvent(QShowEvent* event)
{
    GridWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // A window too narrow for the first index's columns opens scrolled so that its EQR and
    // class are in view beside the frozen sample and site columns, once its size is final.
    QTimer::singleShot(0, this, [this] {
        auto* samples = qobject_cast<GridView*>(sheets_->widget(0));
        if (!samples || !samples->model() || !job() || samples->model()->rowCount() == 0)
            return;
        const int headerRows = static_cast<int>(job()->samples.headerLabels.size());
        const int classColumn = headerRows + rescol::firstClass - 1;
        if (classColumn < samples->model()->columnCount())
            samples->scrollTo(samples->model()->index(0, classColumn));
    });
}

GridView* ResultsWindow::activeGrid() const
{
    return qobject_cast<GridView*>(sheets_->currentWidget());
}

chart::SiteChartView* ResultsWindow::activeChart() const
{
    return qobject_cast<chart::SiteChartView*>(sheets_->currentWidget());
}

QString ResultsWindow::printCaption() const
{
    return GridWindow::printCaption() + QStringLiteral(" - ") + sheets_->tabText(sheets_->currentIndex());
}

void ResultsWindow::refresh()
{
    for (int i = 0; i < sheets_->count(); ++i)
        if (auto* grid = qobject_cast<GridView*>(sheets_->widget(i)))
            grid->gridModel()->refresh();
    // A chart keeps the numbers it was drawn from: each is drawn again from the new
    // tables, and the current sheet stays current.
    const int current = sheets_->currentIndex();
    for (int i = sheets_->count(); i-- > 0;)
        if (QWidget* view = sheets_->widget(i);
            qobject_cast<chart::SiteChartView*>(view) || qobject_cast<chart::SiteHistoryView*>(view)) {
            sheets_->removeTab(i);
            delete view;
        }
    addCharts();
    sheets_->setCurrentIndex(std::min(current, sheets_->count() - 1));
}

void ResultsWindow::printTo(QPrinter& printer, bool selectionOnly)
{
    if (chart::SiteChartView* view = activeChart())
        chart::PaintChartPage(view->chart(), printer);
    else if (auto* history = qobject_cast<chart::SiteHistoryView*>(sheets_->currentWidget()))
        chart::PaintHistoryPages(history->chart().data(), printer);
    else
        GridWindow::printTo(printer, selectionOnly);
}

ViewCommands* ResultsWindow::activeCommands()
{
    if (chart::SiteChartView* view = activeChart()) {
        view->setPrintCaption(printCaption());
        return view;
    }
    if (auto* history = qobject_cast<chart::SiteHistoryView*>(sheets_->currentWidget())) {
        history->setPrintCaption(printCaption());
        return history;
    }
    return nullptr;
}

void ResultsWindow::copy()
{
    if (ViewCommands* chart = activeCommands())
        chart->copy();
    else
        GridWindow::copy();
}

void ResultsWindow::print()
{
    if (ViewCommands* chart = activeCommands())
        chart->print();
    else
        GridWindow::print();
}

void ResultsWindow::printPreview()
{
    if (ViewCommands* chart = activeCommands())
        chart->printPreview();
    else
        GridWindow::printPreview();
}

}  // namespace grids
