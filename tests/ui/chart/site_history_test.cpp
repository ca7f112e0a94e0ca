// The site history as painted, offscreen: a sample's point and the bands at the positions
// the layout gives, the pages of a long history, and the view with real keys and wheel.

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <cmath>

#include "tests/results/chart_jobs.h"
#include "ui/chart/chart_export.h"
#include "ui/chart/site_chart.h"
#include "ui/chart/site_history_chart.h"
#include "ui/chart/widget/site_history_view.h"

using namespace chart;

namespace {

// n sites "R001" ... each with samples on three dates a year apart: EQRs 0.9 (High),
// 0.7 (Good) and 0.3 (Poor) against the limits 0.8, 0.6, 0.4, 0.2, and a Good mean.
// Site 2 has no class limits.
SiteHistoryData history(int n)
{
    SiteHistoryData data;
    data.indexName = "TDI3";
    data.jobTitle = "many.xlsx";
    for (int k = 0; k < n; ++k) {
        SiteHistory site;
        site.tableRow = k;
        site.code = QStringLiteral("R%1").arg(k + 1, 3, 10, QLatin1Char('0')).toStdString();
        site.points = {{3 * k, site.code + "-1", 44000, 0.9}, {3 * k + 1, site.code + "-2", 44365, 0.7},
                       {3 * k + 2, site.code + "-3", 44730, 0.3}};
        site.meanEqr = 0.63;
        site.statusClass = 2;
        site.confidenceOfClass = 61;
        if (k != 1)
            site.limits = chart_jobs::tdi3Limits;
        data.sites.push_back(site);
    }
    data.unplotted = {{"X1", "R002", "no date"}, {"X2", "", "no site code"}};
    data.firstDate = 44000;
    data.lastDate = 44730;
    return data;
}

QColor pixel(const QImage& image, const QPointF& at)
{
    return image.pixelColor(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y())));
}

}  // namespace

class SiteHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void pointsSitOnTheirSitesBands();
    void aHundredSitesMakeFivePagesOfTwenty();
    void findBoxScrollsToTheSiteTyped();
    void wheelScrollsTheHistoryAndChangesNothing();
    void viewScalesToItsWidthWithinReadableScales();
};

void SiteHistoryTest::pointsSitOnTheirSitesBands()
{
    const SiteHistoryChart chart(history(3));
    const QImage image = ChartImage(chart);
    QCOMPARE(image.size(), chart.size());
    // The first site's samples: dark points; beside each, the band of its EQR.
    const QPointF high = chart.pointAt(0, 44000, 0.9);
    const QPointF poor = chart.pointAt(0, 44730, 0.3);
    QVERIFY(high.y() < poor.y());
    QVERIFY(high.x() < poor.x());
    QCOMPARE(pixel(image, high), ToQColor(PointColour()));
    QCOMPARE(pixel(image, poor), ToQColor(PointColour()));
    QCOMPARE(pixel(image, high + QPointF(12, 0)), ToQColor(BandColour(1)));
    QCOMPARE(pixel(image, poor + QPointF(-12, 0)), ToQColor(BandColour(4)));
    // The Good band lies between 0.6 and 0.8 wherever there is no point or mean line.
    QCOMPARE(pixel(image, chart.pointAt(0, 44200, 0.75)), ToQColor(BandColour(2)));
    // The second site has no limits: grey behind its points.
    QCOMPARE(pixel(image, chart.pointAt(1, 44200, 0.95)), ToQColor(NoLimitsColour()));
    // Every panel within the picture, the page's sites found where they are drawn.
    for (int k = 0; k < 3; ++k) {
        QVERIFY(QRect(QPoint(0, 0), chart.size()).contains(chart.panel(k)));
        QCOMPARE(chart.siteAt(QPointF(chart.plot(k).center())), k);
    }
    QCOMPARE(chart.siteAt(QPointF(1, 1)), -1);
}

void SiteHistoryTest::aHundredSitesMakeFivePagesOfTwenty()
{
    const SiteHistoryData data = history(100);
    const std::vector<HistoryPage> pages = HistoryPages(data);
    QCOMPARE(pages.size(), std::size_t(5));
    QCOMPARE(pages[4].first, 80);
    QCOMPARE(pages[4].count, 20);
    QCOMPARE(pages[4].number, 5);
    QCOMPARE(HistoryPages(history(21)).back().count, 1);
    QCOMPARE(HistoryPages(history(20)).size(), std::size_t(1));
    QCOMPARE(HistoryPages(history(20)).front().of, 0);

    // Each page is as large as a page of twenty, however long the history.
    const SiteHistoryChart first(data, pages[0]);
    const SiteHistoryChart whole(history(20));
    QCOMPARE(first.size(), whole.size());
    QCOMPARE(first.siteAt(QPointF(first.plot(19).center())), 19);
    const SiteHistoryChart last(data, pages[4]);
    QCOMPARE(last.siteAt(QPointF(last.plot(0).center())), 80);

    // Printed or saved as PDF: one page per page of sites.
    const QByteArray pdf = HistoryPdf(data);
    QVERIFY(pdf.startsWith("%PDF"));
    QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), qsizetype(5));
}

void SiteHistoryTest::findBoxScrollsToTheSiteTyped()
{
    SiteHistoryView view(history(100));
    view.resize(900, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.caption(), QStringLiteral("History TDI3"));
    QScrollBar* down = view.scrollArea()->verticalScrollBar();
    QCOMPARE(down->value(), 0);

    // Ctrl+F from the picture goes to the box; typed as a user types it, in lower case:
    // R077, far down, comes into view.
    view.scrollArea()->setFocus();
    QTest::keyClick(view.scrollArea(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(view.findBox()->hasFocus());
    QTest::keyClicks(view.findBox(), QStringLiteral("r077"));
    QTest::keyClick(view.findBox(), Qt::Key_Return);
    QCOMPARE(view.foundSite(), 76);
    QVERIFY(down->value() > 0);
    const SiteHistoryChart& chart = view.chart();
    const QRectF panel(chart.panel(76));
    const double top = panel.top() * view.scale() - down->value();
    QVERIFY2(top >= 0 && top + panel.height() * view.scale() <= view.scrollArea()->viewport()->height() + 1,
             qPrintable(QString::number(top)));

    // A code no site has: said beside the box, the view stays where it was.
    const int before = down->value();
    view.findBox()->clear();
    QTest::keyClicks(view.findBox(), QStringLiteral("ZZ"));
    QCOMPARE(view.foundSite(), -1);
    QCOMPARE(down->value(), before);
    QVERIFY(view.findChildren<QLabel*>().size() >= 2);
    bool said = false;
    for (QLabel* label : view.findChildren<QLabel*>())
        said = said || label->text() == QStringLiteral("No site ZZ");
    QVERIFY(said);

    // Copy: the page of twenty that holds the view's top (R061 to R080 here, with R077
    // near the top), as a picture and as its drawing.
    QCOMPARE(view.pageIndexInView(), 3);
    QApplication::clipboard()->clear();
    view.copy();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    QVERIFY(copied->hasImage());
    const QImage picture = qvariant_cast<QImage>(copied->imageData());
    QCOMPARE(picture.size(), SiteHistoryChart(history(100), HistoryPages(history(100))[3]).size() * 2);
    const QByteArray svg = copied->data(QStringLiteral("image/svg+xml"));
    QVERIFY(svg.contains("R061") && svg.contains("R080"));
    QVERIFY(!svg.contains("R060") && !svg.contains("R081"));
    down->setValue(0);
    QCOMPARE(view.pageIndexInView(), 0);
}

void SiteHistoryTest::wheelScrollsTheHistoryAndChangesNothing()
{
    SiteHistoryView view(history(60));
    view.resize(900, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.findSite(QStringLiteral("R010"));
    const QString typed = view.findBox()->text();
    QScrollBar* down = view.scrollArea()->verticalScrollBar();
    const int start = down->value();
    const double scale = view.scale();

    QWidget* viewport = view.scrollArea()->viewport();
    const QPoint middle = viewport->rect().center();
    for (int notch = 0; notch < 3; ++notch) {
        QWheelEvent wheel(middle, viewport->mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    }
    QVERIFY(down->value() > start);
    // Over the find box: nothing changes at all.
    const int scrolled = down->value();
    const QPoint inBox = view.findBox()->rect().center();
    QWheelEvent onBox(inBox, view.findBox()->mapToGlobal(inBox), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.findBox(), &onBox);
    QCOMPARE(view.findBox()->text(), typed);
    QCOMPARE(view.foundSite(), 9);
    QCOMPARE(view.scale(), scale);
    QVERIFY(down->value() >= scrolled);
}

void SiteHistoryTest::viewScalesToItsWidthWithinReadableScales()
{
    SiteHistoryView view(history(40));
    view.resize(1400, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int natural = view.chart().size().width();
    QTRY_VERIFY(std::abs(view.scale() - double(view.scrollArea()->viewport()->width()) / natural) < 0.01);
    // Narrow: never below the smallest readable scale; the picture scrolls sideways.
    view.resize(500, 700);
    QTRY_COMPARE(view.scale(), SiteHistoryView::kSmallestScale);
    QVERIFY(view.scrollArea()->horizontalScrollBar()->maximum() > 0);
}

QTEST_MAIN(SiteHistoryTest)
#include "site_history_test.moc"
