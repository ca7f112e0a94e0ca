#pragma once

#include <QScrollArea>
#include <QString>

#include "ui/chart/site_chart.h"
#include "ui/commands/view_commands.h"

class QMenu;
class QPrinter;

namespace chart {

// The chart of one site table as a results-window tab: the picture scaled to the tab (the
// whole of it, as large as the tab allows; with many sites its height, scrolling
// sideways; never smaller than it reads, scrolling down in a short tab), with the title,
// the legend and the axes kept in view over the scrolled picture, while saved and printed
// pictures keep the chart's natural size; a tooltip with the site's row of the
// table over each site, and a context menu to save the picture as PNG, SVG or PDF or copy
// it to the clipboard. Copy, Print and Print Preview act on the picture: it is printed on
// one page turned the way the chart is.
class SiteChartView : public QScrollArea, public ViewCommands {
    Q_OBJECT

public:
    explicit SiteChartView(SiteChartData data, QWidget* parent = nullptr);

    const SiteChart& chart() const { return chart_; }
    // The tab's caption, "Chart TDI3".
    QString caption() const;

    // The context menu's actions, for a results window that wants them elsewhere too.
    QMenu* createContextMenu(QWidget* parent);

    // The printer that Print and Print Preview use (the session's, shared with the grids;
    // its page orientation comes back after each print) and the caption of the preview.
    void setPrinter(QPrinter* printer) { printer_ = printer; }
    void setPrintCaption(const QString& caption) { printCaption_ = caption; }

    // The scale the picture is shown at, 1 at its natural size.
    double scale() const { return scale_; }
    // The scale for a viewport of room's size.
    double fittedScale(const QSize& room) const;
    // Below this scale the legend's and the labels' text no longer reads: a chart that
    // would need less scrolls instead, sideways and (in a short tab) down.
    static constexpr double kSmallestWholeScale = 0.9;
    static constexpr double kSmallestScale = 0.9;
    static constexpr double kLargestScale = 3.0;

    void copy() override;
    void print() override;
    void printPreview() override;

public slots:
    void saveAsPng();
    void saveAsSvg();
    void saveAsPdf();
    void copyToClipboard();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Asks for a file name ending in suffix; empty when the user cancels.
    QString askFileName(const QString& filter, const QString& suffix);
    void reportSaveFailure(const QString& reason);
    // Puts the axes and the title over the scrolled picture where they belong.
    void placeStrips();

    SiteChart chart_;
    QWidget* axisStrip_ = nullptr;
    QWidget* titleStrip_ = nullptr;
    double scale_ = 1.0;
    QPrinter* printer_ = nullptr;
    QString printCaption_;
};

}  // namespace chart
