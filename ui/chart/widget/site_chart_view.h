#pragma once

#include <QScrollArea>
#include <QString>

#include "ui/chart/site_chart.h"
#include "ui/commands/view_commands.h"

class QMenu;
class QPrinter;

namespace chart {

// The chart of one site table as a results-window tab: the picture at its natural size,
// scrolling sideways when there are many sites, a tooltip with the site's row of the
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

private:
    // Asks for a file name ending in suffix; empty when the user cancels.
    QString askFileName(const QString& filter, const QString& suffix);
    void reportSaveFailure(const QString& reason);

    SiteChart chart_;
    QWidget* axisStrip_ = nullptr;
    QPrinter* printer_ = nullptr;
    QString printCaption_;
};

}  // namespace chart
