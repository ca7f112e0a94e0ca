#include "ui/grids/grid_windows.h"

#include <QCoreApplication>
#include <QMdiArea>
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

// Carries "this job has been analysed" to every data view that shows the job.
class JobEvents : public QObject {
    Q_OBJECT
public:
    static JobEvents& instance()
    {
        static JobEvents* events = new JobEvents(QCoreApplication::instance());
        return *events;
    }

signals:
    void analysed(const CTVNDoc* job);

private:
    using QObject::QObject;
};

void putAlone(QWidget& window, QWidget* content)
{
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

template <typename Window>
QMdiSubWindow* findJobWindow(const QMdiArea& area, const CTVNDoc& job)
{
    for (QMdiSubWindow* sub : area.subWindowList())
        if (auto* window = qobject_cast<Window*>(sub->widget()); window && window->job() == &job)
            return sub;
    return nullptr;
}

QMdiSubWindow* addWindow(QMdiArea& area, GridWindow* window)
{
    QMdiSubWindow* sub = area.addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(area.size() * 0.8);
    sub->show();
    area.setActiveSubWindow(sub);
    return sub;
}

QMdiSubWindow* bringToFront(QMdiArea& area, QMdiSubWindow* sub)
{
    if (sub->isMinimized())
        sub->showNormal();
    area.setActiveSubWindow(sub);
    sub->raise();
    return sub;
}

}  // namespace

GridWindow::GridWindow(CTVNDoc* job, QWidget* parent) : QWidget(parent), job_(job)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

QString GridWindow::printCaption() const
{
    return windowTitle();
}

void GridWindow::copy()
{
    if (GridView* grid = activeGrid())
        grid->copy();
}

void GridWindow::print(QPrinter& printer, bool selectionOnly)
{
    if (GridView* grid = activeGrid())
        grid->print(printer, printCaption(), selectionOnly);
}

void GridWindow::printWithDialog()
{
    QPrinter& printer = sessionPrinter();
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return;
    print(printer, dialog.printRange() == QAbstractPrintDialog::Selection);
}

void GridWindow::printPreview()
{
    QPrintPreviewDialog preview(&sessionPrinter(), this);
    preview.setWindowTitle(tr("Print Preview - %1").arg(printCaption()));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { print(*printer); });
    preview.exec();
}

DataWindow::DataWindow(CTVNDoc& job, QWidget* parent) : GridWindow(&job, parent), view_(new DataListView(job))
{
    setWindowTitle(QStringLiteral("Data view: ") + QString::fromStdString(job.title));
    putAlone(*this, view_);
    connect(&JobEvents::instance(), &JobEvents::analysed, this, [this](const CTVNDoc* analysedJob) {
        if (analysedJob == this->job())
            view_->gridModel()->refresh();
    });
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
    return windowTitle() + QStringLiteral(" - ") + sheets_->tabText(sheets_->currentIndex());
}

QMdiSubWindow* showDataView(QMdiArea& area, CTVNDoc& job)
{
    if (QMdiSubWindow* sub = findJobWindow<DataWindow>(area, job))
        return bringToFront(area, sub);
    return addWindow(area, new DataWindow(job));
}

QMdiSubWindow* showResults(QMdiArea& area, CTVNDoc& job)
{
    if (QMdiSubWindow* sub = findJobWindow<ResultsWindow>(area, job))
        return bringToFront(area, sub);
    return addWindow(area, new ResultsWindow(job));
}

QMdiSubWindow* openMasterTaxonList(QMdiArea& area, std::shared_ptr<const dbTable> table)
{
    return addWindow(area, new TaxonListWindow(std::move(table)));
}

GridWindow* activeGridWindow(const QMdiArea& area)
{
    QMdiSubWindow* sub = area.activeSubWindow();
    return sub ? qobject_cast<GridWindow*>(sub->widget()) : nullptr;
}

void closeJobWindows(QMdiArea& area, const CTVNDoc& job)
{
    for (QMdiSubWindow* sub : area.subWindowList())
        if (auto* window = qobject_cast<GridWindow*>(sub->widget()); window && window->job() == &job) {
            // Gone at once: the job that the grids read goes right after.
            sub->close();
            delete sub;
        }
}

void notifyJobAnalysed(const CTVNDoc& job)
{
    emit JobEvents::instance().analysed(&job);
}

}  // namespace grids

#include "grid_windows.moc"
