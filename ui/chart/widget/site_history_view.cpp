#include "ui/chart/widget/site_history_view.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStringList>
#include <QToolTip>
#include <QVBoxLayout>

#include "base/ascii_case.h"
#include "import/serial_date.h"
#include "results/results_csv.h"
#include "ui/chart/chart_export.h"

namespace chart {

namespace {

// The history is printed on pages turned the way its pages are (a page of twenty sites is
// wider than tall), for one print or preview; the printer's page settings, which the grids
// print on, come back afterwards.
class HistoryPageTurn {
public:
    HistoryPageTurn(QPrinter& printer, const SiteHistoryData& data)
        : printer_(printer), saved_(printer.pageLayout().orientation())
    {
        const QSize page = SiteHistoryChart(data, HistoryPages(data).front()).size();
        printer_.setPageOrientation(page.width() > page.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    ~HistoryPageTurn() { printer_.setPageOrientation(saved_); }
    HistoryPageTurn(const HistoryPageTurn&) = delete;
    HistoryPageTurn& operator=(const HistoryPageTurn&) = delete;

private:
    QPrinter& printer_;
    QPageLayout::Orientation saved_;
};

// The site's samples, one a line, for the tooltip over its panel.
QString siteText(const SiteHistoryData& data, const SiteHistory& site)
{
    QStringList lines;
    lines << QString::fromStdString(site.code) + QStringLiteral(": ") + QString::fromStdString(ClassWithConfidenceText(site));
    if (site.meanEqr)
        lines << QStringLiteral("Mean EQR %1").arg(*site.meanEqr, 0, 'f', 2);
    for (const HistoryPoint& point : site.points)
        lines << QStringLiteral("%1   %2   EQR %3")
                     .arg(QString::fromStdString(point.sampleName), QString::fromStdString(SerialDateText(point.dateSerial)))
                     .arg(point.eqr, 0, 'f', 2);
    for (const UnplottedSample& sample : data.unplotted)
        if (equalsIgnoringCase(sample.site, site.code))
            lines << QString::fromStdString(sample.sampleName) + QStringLiteral(": not drawn, ") +
                         QString::fromStdString(sample.reason);
    return lines.join(QLatin1Char('\n'));
}

// The picture at the view's scale, with the panel of the site found framed.
class HistoryCanvas : public QWidget {
public:
    HistoryCanvas(const SiteHistoryChart& chart, QWidget* parent) : QWidget(parent), chart_(chart)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setScale(1.0);
    }

    double scale() const { return scale_; }

    void setScale(double scale)
    {
        scale_ = scale;
        setFixedSize((QSizeF(chart_.size()) * scale_).toSize());
        update();
    }

    void setFound(int site)
    {
        found_ = site;
        update();
    }

    // The panel of the page's k-th site at this scale.
    QRect panelRect(int k) const
    {
        const QRectF panel(chart_.panel(k));
        return QRectF(panel.topLeft() * scale_, panel.size() * scale_).toAlignedRect();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.setClipRect(event->rect());
        painter.fillRect(event->rect(), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(scale_, scale_);
        chart_.paint(painter);
        if (found_ >= 0) {
            painter.setPen(QPen(QColor(0, 90, 200), 2.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(chart_.panel(found_ - chart_.page().first)).adjusted(-5, -3, 3, 3), 4, 4);
        }
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
                QToolTip::showText(help->globalPos(),
                                   siteText(chart_.data(), chart_.data().sites[static_cast<std::size_t>(site)]), this,
                                   panelRect(site - chart_.page().first));
            }
            return true;
        }
        return QWidget::event(event);
    }

private:
    const SiteHistoryChart& chart_;
    double scale_ = 1.0;
    int found_ = -1;
};

// The scroll area that scales its picture to its width: as wide as the viewport within
// the readable scales, scrolling down (and sideways only below the smallest scale).
class HistoryScrollArea : public QScrollArea {
public:
    HistoryScrollArea(const SiteHistoryChart& chart, QWidget* parent) : QScrollArea(parent), chart_(chart)
    {
        setWidget(new HistoryCanvas(chart_, this));
        setWidgetResizable(false);
        setBackgroundRole(QPalette::Base);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }

    HistoryCanvas* canvas() const { return static_cast<HistoryCanvas*>(widget()); }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        const int natural = chart_.size().width();
        if (natural <= 0)
            return;
        const double scale = std::clamp(double(viewport()->width()) / natural, SiteHistoryView::kSmallestScale,
                                        SiteHistoryView::kLargestScale);
        if (std::abs(scale - canvas()->scale()) < 1e-3)
            return;
        // The same part of the history stays at the top as the scale changes.
        const double share = canvas()->height() > 0 ? double(verticalScrollBar()->value()) / canvas()->height() : 0.0;
        canvas()->setScale(scale);
        verticalScrollBar()->setValue(static_cast<int>(std::lround(share * canvas()->height())));
    }

private:
    const SiteHistoryChart& chart_;
};

}  // namespace

SiteHistoryView::SiteHistoryView(SiteHistoryData data, QWidget* parent) : QWidget(parent), chart_(std::move(data))
{
    findBox_ = new QLineEdit;
    findBox_->setPlaceholderText(tr("Site code"));
    findBox_->setClearButtonEnabled(true);
    findBox_->setMaximumWidth(220);
    QStringList codes;
    for (const SiteHistory& site : chart_.data().sites)
        codes << QString::fromStdString(site.code);
    auto* completer = new QCompleter(codes, findBox_);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    findBox_->setCompleter(completer);
    findNote_ = new QLabel;
    // No mnemonic: Alt+F is the File menu's. Ctrl+F anywhere in the tab goes to the box.
    auto* findLabel = new QLabel(tr("Find site:"));
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    findKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(findKey, &QShortcut::activated, this, [this] {
        findBox_->setFocus(Qt::ShortcutFocusReason);
        findBox_->selectAll();
    });

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(findLabel);
    bar->addWidget(findBox_);
    bar->addWidget(findNote_, 1);

    scroll_ = new HistoryScrollArea(chart_, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);

    connect(findBox_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!text.isEmpty())
            findSite(text);
        else
            findNote_->clear();
    });
    connect(findBox_, &QLineEdit::returnPressed, this, [this] { findSite(findBox_->text()); });
    connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& code) { findSite(code); });
}

QString SiteHistoryView::caption() const
{
    return QString::fromStdString(HistoryCaption(chart_.data()));
}

double SiteHistoryView::scale() const
{
    return static_cast<HistoryScrollArea*>(scroll_)->canvas()->scale();
}

bool SiteHistoryView::findSite(const QString& code)
{
    auto* canvas = static_cast<HistoryScrollArea*>(scroll_)->canvas();
    const int site = FindHistorySite(chart_.data(), code.trimmed().toStdString());
    found_ = site;
    canvas->setFound(site);
    if (site < 0) {
        findNote_->setText(tr("No site %1").arg(code.trimmed()));
        return false;
    }
    findNote_->setText(tr("Site %1 of %2").arg(site + 1).arg(chart_.data().sites.size()));
    // The panel near the top of the view, with the row above it peeking in.
    const QRect panel = canvas->panelRect(site - chart_.page().first);
    scroll_->verticalScrollBar()->setValue(std::max(0, panel.top() - 24));
    scroll_->ensureVisible(panel.center().x(), panel.center().y(), panel.width() / 2 + 8, 8);
    return true;
}

int SiteHistoryView::pageIndexInView() const
{
    const std::vector<HistoryPage> pages = HistoryPages(chart_.data());
    if (pages.size() <= 1)
        return 0;
    const double top = scroll_->verticalScrollBar()->value() / std::max(scale(), 1e-6);
    int site = 0;
    while (site + 1 < chart_.page().count && chart_.panel(site).bottom() < top)
        ++site;
    return std::min(static_cast<int>(pages.size()) - 1, (chart_.page().first + site) / kHistorySitesPerPage);
}

HistoryPage SiteHistoryView::pageInView() const
{
    return HistoryPages(chart_.data()).at(static_cast<std::size_t>(pageIndexInView()));
}

QMenu* SiteHistoryView::createContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->addAction(tr("Save history as PNG..."), this, &SiteHistoryView::saveAsPng);
    menu->addAction(tr("Save history as PDF..."), this, &SiteHistoryView::saveAsPdf);
    menu->addSeparator();
    menu->addAction(tr("Copy history"), this, &SiteHistoryView::copy);
    return menu;
}

void SiteHistoryView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void SiteHistoryView::reportSaveFailure(const QString& reason)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("TORVENII"), tr("The chart could not be saved."),
                    QMessageBox::Ok, this);
    box.setInformativeText(reason);
    box.exec();
}

void SiteHistoryView::saveAsPng()
{
    const int page = pageIndexInView();
    const QString stem = QString::fromStdString(results::HistoryFileStems(chart_.data()).at(static_cast<std::size_t>(page)));
    QString path = QFileDialog::getSaveFileName(this, tr("Save history"), stem + QStringLiteral(".png"),
                                                tr("PNG image (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    QString reason;
    if (!SaveChartPng(SiteHistoryChart(chart_.data(), pageInView()), path, reason))
        reportSaveFailure(reason);
}

void SiteHistoryView::saveAsPdf()
{
    QString stem = QString::fromStdString(results::HistoryFileStems(chart_.data()).front());
    if (stem.endsWith(QStringLiteral("-1")))
        stem.chop(2);
    QString path = QFileDialog::getSaveFileName(this, tr("Save history"), stem + QStringLiteral(".pdf"),
                                                tr("PDF document (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    QString reason;
    if (!SaveHistoryPdf(chart_.data(), path, reason))
        reportSaveFailure(reason);
}

void SiteHistoryView::copy()
{
    // A picture for every program, and the drawing for those that take SVG.
    const SiteHistoryChart page(chart_.data(), pageInView());
    auto* mime = new QMimeData;
    mime->setImageData(ChartImage(page, 2.0));
    mime->setData(QStringLiteral("image/svg+xml"), ChartSvg(page));
    QApplication::clipboard()->setMimeData(mime);
}

void SiteHistoryView::print()
{
    if (!printer_)
        return;
    const HistoryPageTurn turn(*printer_, chart_.data());
    QPrintDialog dialog(printer_, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PaintHistoryPages(chart_.data(), *printer_);
}

void SiteHistoryView::printPreview()
{
    if (!printer_)
        return;
    const HistoryPageTurn turn(*printer_, chart_.data());
    QPrintPreviewDialog preview(printer_, this);
    preview.setWindowTitle(tr("Print Preview - %1").arg(printCaption_));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PaintHistoryPages(chart_.data(), *printer); });
    preview.exec();
}

}  // namespace chart
