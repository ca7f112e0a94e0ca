#include "ui/chart/widget/site_chart_view.h"
#include "results/results_csv.h"

#include <algorithm>
#include <cmath>

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
#include <QResizeEvent>
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

// The picture itself, drawn at the view's scale; the scroll area around it scrolls.
class SiteChartCanvas : public QWidget {
public:
    SiteChartCanvas(const SiteChart& chart, QWidget* parent) : QWidget(parent), chart_(chart)
    {
        setFixedSize(chart_.size());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void setScale(double scale)
    {
        scale_ = scale;
        setFixedSize((QSizeF(chart_.size()) * scale_).toSize());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale_, scale_);
        chart_.paint(painter);
    }

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const int site = chart_.siteAt(QPointF(help->pos()) / scale_);
            if (site < 0) {
                QToolTip::hideText();
                event->ignore();
            } else {
                const SiteColumn& column = chart_.data().sites[static_cast<std::size_t>(site)];
                const QRectF area = QRectF(chart_.column(site));
                QToolTip::showText(help->globalPos(), QString::fromStdString(SiteRowText(column)), this,
                                   QRectF(area.topLeft() * scale_, area.size() * scale_).toRect());
            }
            return true;
        }
        return QWidget::event(event);
    }

private:
    const SiteChart& chart_;
    double scale_ = 1.0;
};

// The chart's left margin (the EQR and per-cent axes) kept in view while the sites
// scroll sideways beneath it.
class AxisStrip : public QWidget {
public:
    AxisStrip(const SiteChart& chart, QWidget* parent) : QWidget(parent), chart_(chart)
    {
        setScale(1.0);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    void setScale(double scale)
    {
        scale_ = scale;
        resize(static_cast<int>(chart_.eqrPanel().x() * scale_), static_cast<int>(chart_.size().height() * scale_));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setClipRect(rect());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale_, scale_);
        chart_.paint(painter);
    }

private:
    const SiteChart& chart_;
    double scale_ = 1.0;
};

// The chart's title and legend (the band above its panels) kept at the top of the view
// while the picture scrolls beneath it, sideways or down.
class TitleStrip : public QWidget {
public:
    TitleStrip(const SiteChart& chart, QWidget* parent) : QWidget(parent), chart_(chart)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    void setScale(double scale, int width)
    {
        scale_ = scale;
        resize(width, static_cast<int>(std::ceil(chart_.eqrPanel().y() * scale_)) - 2);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setClipRect(rect());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale_, scale_);
        chart_.paint(painter);
    }

private:
    const SiteChart& chart_;
    double scale_ = 1.0;
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
    titleStrip_ = new TitleStrip(chart_, viewport());
    titleStrip_->hide();
}

double SiteChartView::fittedScale(const QSize& room) const
{
    const QSize natural = chart_.size();
    if (natural.isEmpty() || room.isEmpty())
        return 1.0;
    const double byHeight = double(room.height()) / natural.height();
    const double byWidth = double(room.width()) / natural.width();
    // The whole chart when it can be shown at a readable size, larger than its natural
    // size as the tab grows; a chart of many sites keeps its height in view (never below
    // half its natural size) and scrolls sideways.
    const double whole = std::min(byHeight, byWidth);
    if (whole >= kSmallestWholeScale)
        return std::min(whole, kLargestScale);
    return std::clamp(byHeight, kSmallestScale, 1.0);
}

void SiteChartView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    // The room the picture has: the viewport, with the scroll bars that the scale will
    // need taken off first, so that the picture does not change its mind as they come.
    const QSize room = maximumViewportSize();
    double scale = fittedScale(room);
    if (chart_.size().width() * scale > room.width())
        scale = fittedScale(room - QSize(0, horizontalScrollBar()->sizeHint().height()));
    if (std::abs(scale - scale_) >= 1e-3) {
        scale_ = scale;
        static_cast<SiteChartCanvas*>(widget())->setScale(scale_);
        static_cast<AxisStrip*>(axisStrip_)->setScale(scale_);
    }
    static_cast<TitleStrip*>(titleStrip_)->setScale(scale_, viewport()->width());
    placeStrips();
}

void SiteChartView::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    placeStrips();
}

void SiteChartView::placeStrips()
{
    // The axes at the viewport's left, level with the picture; the title and legend at its
    // top, above the axes. Each only while what it repeats has scrolled away.
    axisStrip_->move(0, widget()->y());
    axisStrip_->setVisible(horizontalScrollBar()->value() > 0);
    axisStrip_->raise();
    titleStrip_->move(0, 0);
    titleStrip_->setVisible(horizontalScrollBar()->value() > 0 || verticalScrollBar()->value() > 0);
    titleStrip_->raise();
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
    const QString proposed = QString::fromStdString(results::ChartFileStem(chart_.data())) + suffix;
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
