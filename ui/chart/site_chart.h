#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <algorithm>

#include "sites/site_chart_data.h"

namespace chart {

// A colour of the chart's data as the painter uses it.
inline QColor ToQColor(const Colour& colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

// The chart of one site table: for each drawn site, in table order, a column with the
// class bands of the site's limits and its mean EQR as a point, and beneath it a bar of
// the class probabilities stacked from Bad at the bottom to High at the top, labelled
// with the site code and the number of samples. Sites without a mean EQR are named
// beneath the chart.
//
// Everything is laid out once, in pixels at the chart's natural size; paint() draws on
// any painter (screen, image, SVG, PDF, printer), and the geometry functions give the
// positions a caller needs to find a site under the mouse (or a test to find a colour).
class SiteChart {
public:
    // Needs a QGuiApplication (for the font metrics).
    explicit SiteChart(SiteChartData data);

    const SiteChartData& data() const { return data_; }
    QSize size() const { return size_; }

    // Draws the chart at its natural size with its top-left corner at the painter's origin.
    void paint(QPainter& painter) const;
    // Draws the chart scaled to fit target, keeping its proportions, centred in target.
    void paint(QPainter& painter, const QRectF& target) const;

    // Geometry at the natural size.
    QRect eqrPanel() const { return eqrPanel_; }
    QRect barPanel() const { return barPanel_; }
    // The full-height column of drawn site `site` (an index into data().sites) in the EQR
    // panel; the bands fill it.
    QRect column(int site) const;
    // The rectangle of the site's bar at 100 per cent.
    QRect barRect(int site) const;
    // The height in the EQR panel of an EQR, and in the bar panel of a cumulative per cent.
    double eqrY(double eqr) const;
    int barEdgeY(double cumulativePercent) const;
    double siteCentreX(int site) const;
    // The drawn site whose column (from the EQR panel's top to the labels' bottom) holds
    // point; -1 when none does.
    int siteAt(const QPointF& point) const;

private:
    void paintTitle(QPainter& painter) const;
    void paintLegend(QPainter& painter) const;
    void paintEqrPanel(QPainter& painter) const;
    void paintBarPanel(QPainter& painter) const;
    void paintLabels(QPainter& painter) const;
    void paintNotes(QPainter& painter) const;

    SiteChartData data_;
    QFont titleFont_, labelFont_, smallFont_;
    int columnWidth_ = 0;
    QRect eqrPanel_, barPanel_;
    int labelsTop_ = 0, labelsBottom_ = 0;
    QString title_;
    QString notes_;
    QRect notesRect_;
    QSize size_;
};

// The charts' font at a size in pixels.
QFont ChartFont(int pixelSize, bool bold = false);

// Draws a picture of natural size `size` (which `draw` paints at the painter's origin)
// scaled to fit target, keeping its proportions, centred in target.
template <typename Draw>
void PaintFitted(QPainter& painter, QSize size, const QRectF& target, Draw draw)
{
    if (size.isEmpty() || target.isEmpty())
        return;
    const double scale = std::min(target.width() / size.width(), target.height() / size.height());
    painter.save();
    painter.translate(target.x() + (target.width() - size.width() * scale) / 2,
                      target.y() + (target.height() - size.height() * scale) / 2);
    painter.scale(scale, scale);
    draw(painter);
    painter.restore();
}

}  // namespace chart
