#pragma once

#include <QFont>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include "sites/site_history_data.h"

class QPainter;

namespace chart {

// One page of an index's site history as small multiples: a panel per site, four to a
// row, each titled with the site code and its class with the confidence of class, and
// within it the site's samples as points (EQR against sampling date) on the site's class
// bands and its mean EQR as a dashed line. Every panel shares the page's axes. Beneath the
// panels, the samples of the page's sites that are not drawn, with the reason (on the last
// page, or the only one, also those without a site code).
//
// Laid out once in pixels at the natural size, like the site chart; paint() draws on any
// painter (screen, image, SVG, PDF, printer).
class SiteHistoryChart {
public:
    static constexpr int kColumns = 4;

    // Needs a QGuiApplication (for the font metrics).
    SiteHistoryChart(SiteHistoryData data, HistoryPage page);
    // The whole history on one page.
    explicit SiteHistoryChart(SiteHistoryData data);

    const SiteHistoryData& data() const { return data_; }
    const HistoryPage& page() const { return page_; }
    QSize size() const { return size_; }
    QString title() const { return title_; }

    // Draws the page at its natural size with its top-left corner at the painter's origin.
    void paint(QPainter& painter) const;
    // Draws the page scaled to fit target, keeping its proportions, centred in target.
    void paint(QPainter& painter, const QRectF& target) const;

    // Geometry at the natural size. The panel (heading and plot) of the page's k-th site
    // (site first + k of the data), its plot area, and the position of a sample in it.
    QRect panel(int k) const;
    QRect plot(int k) const;
    QPointF pointAt(int k, int dateSerial, double eqr) const;
    // The site (an index into data().sites) whose panel holds point; -1 when none does.
    int siteAt(const QPointF& point) const;

private:
    double dateX(const QRect& plot, double serial) const;
    double eqrY(const QRect& plot, double eqr) const;
    void paintHeading(QPainter& painter) const;
    void paintPanel(QPainter& painter, int k) const;
    void paintNotes(QPainter& painter) const;

    SiteHistoryData data_;
    HistoryPage page_;
    QFont titleFont_, codeFont_, smallFont_;
    QString title_, subtitle_, notes_;
    double dateFrom_ = 0, dateTo_ = 1;  // the serial days at the plots' left and right edges
    int panelsTop_ = 0;
    QRect notesRect_;
    QSize size_;
};

}  // namespace chart
