#include "ui/chart/widget/site_chart_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHelpEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QToolTip>

#include "ui/chart/chart_export.h"

namespace chart {

namespace {

// A chart is printed on a page turned the way the chart is, for one print or preview; the
// printer's page settings, which the grids print on, come back afterwards.
class ChartPageTurn {
public:
    ChartPageTurn(QPrinter& printer, const SiteChart& chart)
        : printer_(printer), saved_(printer.pageLayout().orientation())
    {
        printer_.setPageOrientation(ChartPageOrientation(chart));
    }
    ~ChartPageTurn() { printer_.setPageOrientation(saved_); }
    ChartPageTurn(const ChartPageTurn&) = delete;
    ChartPageTurn& operator=(const ChartPageTurn&) = delete;

private:
    QPrinter& printer_;
    QPageLayout::Orientation saved_;
};

// The picture itself, at its natural size; the scroll area around it scrolls.
class SiteChartCanvas : public QWidget {
public:
    SiteChartCanvas(const SiteChart& chart, QWidget* parent) : QWidget(parent), chart_(chart)
    {
        setFixedSize(chart_.size());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        chart_.paint(painter);
    }

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const int site = chart_.siteAt(help->pos());
            if (site < 0) {
                QToolTip::hideText();
                event->ignore();
            } else {
                const SiteColumn& column = chart_.data().sites[static_cast<std::size_t>(site)];
                QToolTip::showText(help->globalPos(), QString::fromStdString(SiteRowText(column)), this,
                                   chart_.column(site));
            }
            return true;
        }
        return QWidget::event(event);
    }

private:
    const SiteChart& chart_;
};

// The chart's left margin (the EQR and per-cent axes) kept in view while the sites
// scroll sideways beneath it.
class AxisStrip : public QWidget {
public:
    AxisStrip(const SiteChart& chart, QWidget* parent) : QWidget(parent), chart_(chart)
    {
        resize(chart_.eqrPanel().x(), chart_.size().height());
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setClipRect(rect());
        chart_.paint(painter);
    }

private:
    const SiteChart& chart_;
};

}  // namespace

SiteChartView::SiteChartView(SiteChartData data, QWidget* parent) : QScrollArea(parent), chart_(std::move(data))
{
    setWidget(new SiteChartCanvas(chart_, this));
    setWidgetResizable(false);
    setBackgroundRole(QPalette::Base);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    axisStrip_ = new AxisStrip(chart_, viewport());
    axisStrip_->hide();
}

void SiteChartView::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    // Over the scrolled picture, at the viewport's left, level with the picture.
    axisStrip_->move(0, widget()->y());
    axisStrip_->setVisible(horizontalScrollBar()->value() > 0);
    axisStrip_->raise();
}

QString SiteChartView::caption() const
{
    return QString::fromStdString(ChartCaption(chart_.data()));
}

QMenu* SiteChartView::createContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->addAction(tr("Save chart as PNG..."), this, &SiteChartView::saveAsPng);
    menu->addAction(tr("Save chart as SVG..."), this, &SiteChartView::saveAsSvg);
    menu->addAction(tr("Save chart as PDF..."), this, &SiteChartView::saveAsPdf);
    menu->addSeparator();
    menu->addAction(tr("Copy chart"), this, &SiteChartView::copyToClipboard);
    return menu;
}

void SiteChartView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QString SiteChartView::askFileName(const QString& filter, const QString& suffix)
{
    const QString proposed = QString::fromStdString(ChartFileStem(chart_.data())) + suffix;
    QString path = QFileDialog::getSaveFileName(this, tr("Save chart"), proposed, filter);
    if (!path.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    return path;
}

void SiteChartView::reportSaveFailure(const QString& reason)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("TORVENII"), tr("The chart could not be saved."),
                    QMessageBox::Ok, this);
    box.setInformativeText(reason);
    box.exec();
}

void SiteChartView::saveAsPng()
{
    const QString path = askFileName(tr("PNG image (*.png)"), QStringLiteral(".png"));
    QString reason;
    if (!path.isEmpty() && !SaveChartPng(chart_, path, reason))
        reportSaveFailure(reason);
}

void SiteChartView::saveAsSvg()
{
    const QString path = askFileName(tr("SVG drawing (*.svg)"), QStringLiteral(".svg"));
    QString reason;
    if (!path.isEmpty() && !SaveChartSvg(chart_, path, reason))
        reportSaveFailure(reason);
}

void SiteChartView::saveAsPdf()
{
    const QString path = askFileName(tr("PDF document (*.pdf)"), QStringLiteral(".pdf"));
    QString reason;
    if (!path.isEmpty() && !SaveChartPdf(chart_, path, reason))
        reportSaveFailure(reason);
}

void SiteChartView::copyToClipboard()
{
    // A picture for every program, and the drawing for those that take SVG.
    auto* mime = new QMimeData;
    mime->setImageData(ChartImage(chart_, 2.0));
    mime->setData(QStringLiteral("image/svg+xml"), ChartSvg(chart_));
    QApplication::clipboard()->setMimeData(mime);
}

void SiteChartView::copy()
{
    copyToClipboard();
}

void SiteChartView::print()
{
    if (!printer_)
        return;
    const ChartPageTurn turn(*printer_, chart_);
    QPrintDialog dialog(printer_, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PaintChartPage(chart_, *printer_);
}

void SiteChartView::printPreview()
{
    if (!printer_)
        return;
    const ChartPageTurn turn(*printer_, chart_);
    QPrintPreviewDialog preview(printer_, this);
    preview.setWindowTitle(tr("Print Preview - %1").arg(printCaption_));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PaintChartPage(chart_, *printer); });
    preview.exec();
}

}  // namespace chart
