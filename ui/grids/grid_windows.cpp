#include "ui/grids/grid_windows.h"

#include <QMdiSubWindow>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/tvn_doc.h"
#include "results/results_grid_cells.h"
#include "ui/grids/grid_model.h"
#include "ui/grids/grid_print.h"
#include "ui/grids/list_views.h"

namespace grids {

namespace {

void putAlone(QWidget& window, QWidget* content)
{
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

}  // namespace

GridWindow::GridWindow(CTVNDoc* job, QWidget* parent) : QWidget(parent), job_(job) {}

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

DataWindow::DataWindow(CTVNDoc& job, QWidget* parent) : GridWindow(&job, parent), view_(new DataListView(job))
{
    setWindowTitle(QStringLiteral("Data view: ") + QString::fromStdString(job.title));
    putAlone(*this, view_);
}

GridView* DataWindow::activeGrid() const
{
    return view_;
}

TaxonListWindow::TaxonListWindow(std::shared_ptr<const dbTable> table, QWidget* parent)
    : GridWindow(nullptr, parent), view_(new TaxonListView(std::move(table)))
{
    setWindowTitle(QStringLiteral("Master taxon list"));
    putAlone(*this, view_);
}

GridView* TaxonListWindow::activeGrid() const
{
    return view_;
}

ResultsWindow::ResultsWindow(CTVNDoc& job, QWidget* parent) : GridWindow(&job, parent), sheets_(new QTabWidget)
{
    setWindowTitle(QStringLiteral("Results view: ") + QString::fromStdString(job.title));
    sheets_->setTabPosition(QTabWidget::South);
    sheets_->setDocumentMode(true);
    sheets_->addTab(new ResListView(job), QStringLiteral("Sample Summary"));
    // The site sheets are those the job has now; the window is not refilled later.
    for (const std::string& name : resultsgrid::SiteSheetNames(job))
        sheets_->addTab(new ResListView2(job, name), QString::fromStdString(name));
    putAlone(*this, sheets_);
}

GridView* ResultsWindow::activeGrid() const
{
    return qobject_cast<GridView*>(sheets_->currentWidget());
}

QString ResultsWindow::printCaption() const
{
    return GridWindow::printCaption() + QStringLiteral(" - ") + sheets_->tabText(sheets_->currentIndex());
}

void ResultsWindow::addSheetAfter(const QString& after, QWidget* sheet, const QString& name)
{
    int index = sheets_->count();
    for (int i = 0; i < sheets_->count(); ++i)
        if (sheets_->tabText(i) == after)
            index = i + 1;
    sheets_->insertTab(index, sheet, name);
}

void ResultsWindow::refresh()
{
    for (int i = 0; i < sheets_->count(); ++i)
        if (auto* grid = qobject_cast<GridView*>(sheets_->widget(i)))
            grid->gridModel()->refresh();
}

}  // namespace grids
