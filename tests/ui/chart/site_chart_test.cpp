// The chart as painted, offscreen: colours found at the positions the layout gives, the
// SVG as XML, the picture files and the on-screen view.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

#include "tests/support/scripted_user.h"
#include "tests/results/chart_jobs.h"
#include "ui/chart/chart_export.h"
#include "ui/chart/site_chart.h"
#include "ui/chart/widget/site_chart_view.h"

using namespace chart;

namespace {

SiteChartData chartData(void (*fill)(Job&), int index)
{
    ScriptedUser user;
    Job job(nullptr, user);
    fill(job);
    return *SiteChartFor(job.samples, job.sites, index);
}

QColor pixel(const QImage& image, double x, double y)
{
    return image.pixelColor(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

// The lengths of the runs of each segment colour up the middle of a site's bar, from
// its bottom edge.
QList<int> segmentRuns(const QImage& image, const SiteChart& chart, int site)
{
    const QRect bar = chart.barRect(site);
    const int x = bar.center().x();
    QList<int> runs;
    for (const Segment& segment : chart.data().segments) {
        Q_UNUSED(segment);
        runs << 0;
    }
    for (int y = bar.bottom(); y >= bar.top(); --y) {
        const QColor colour = image.pixelColor(x, y);
        for (int s = 0; s < static_cast<int>(chart.data().segments.size()); ++s)
            if (colour == ToQColor(SegmentColour(chart.data().segments[static_cast<std::size_t>(s)])))
                ++runs[s];
    }
    return runs;
}

// Pixels of the colour inside rect.
int countColour(const QImage& image, const QRect& rect, const QColor& colour)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

// The text of every <text> element of an SVG document; empty with a failure when it is
// not well-formed XML.
QStringList svgTexts(const QByteArray& svg, QString* failure)
{
    QStringList texts;
    QXmlStreamReader reader(svg);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("text"))
            texts << reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    if (reader.hasError())
        *failure = reader.errorString();
    return texts;
}

}  // namespace

class SiteChartTest : public QObject {
    Q_OBJECT

private slots:
    void goodSiteSitsInTheGreenBand();
    void barSegmentsAreProportionalToTheProbabilities();
    void siteWithoutMeanIsNotDrawn();
    void lakeColumnsShowTheirOwnTypesBands();
    void svgHoldsOneTextPerSiteCode();
    void svgKeepsCodesWithMarkupCharacters();
    void picturesAreWrittenWholeOrNotAtAll();
    void pdfIsOnePage();
    void scaledPaintFitsTheTarget();
    void viewScrollsSidewaysAndKnowsItsSites();
    void legendNamesTheChartsOwnSegments();
    void viewFollowsItsTabSize();
    void manySitesKeepTitleAndAxisInView();
};

void SiteChartTest::goodSiteSitsInTheGreenBand()
{
    const SiteChart chart(chartData(chart_jobs::fillRiverJob, 1));
    const QImage image = ChartImage(chart);
    QCOMPARE(image.size(), chart.size());

    // AB1: mean 0.7 between the Good limits 0.6 and 0.8. The point is drawn at its mean,
    // and beside the point, in its column, the band is Good's pale green.
    const double x = chart.siteCentreX(0);
    const double y = chart.eqrY(0.7);
    QCOMPARE(pixel(image, x, y), ToQColor(PointColour()));
    QCOMPARE(pixel(image, x + 12, y), ToQColor(BandColour(2)));
    QCOMPARE(pixel(image, x - 12, y), ToQColor(BandColour(2)));
    // The other bands of the column, each at the middle of its limits.
    QCOMPARE(pixel(image, x + 12, chart.eqrY(1.0)), ToQColor(BandColour(1)));
    QCOMPARE(pixel(image, x + 12, chart.eqrY(0.5)), ToQColor(BandColour(3)));
    QCOMPARE(pixel(image, x + 12, chart.eqrY(0.3)), ToQColor(BandColour(4)));
    QCOMPARE(pixel(image, x + 12, chart.eqrY(0.1)), ToQColor(BandColour(5)));
    // The band edges lie at the limits, to a pixel.
    QCOMPARE(pixel(image, x + 12, chart.eqrY(0.6) + 1.5), ToQColor(BandColour(3)));
    QCOMPARE(pixel(image, x + 12, chart.eqrY(0.6) - 1.5), ToQColor(BandColour(2)));
    // EF3's point at 0.3 in the Poor band of the next column.
    QCOMPARE(pixel(image, chart.siteCentreX(1), chart.eqrY(0.3)), ToQColor(PointColour()));
    QCOMPARE(pixel(image, chart.siteCentreX(1) + 12, chart.eqrY(0.3)), ToQColor(BandColour(4)));
    // The point reads on its band: dark on pale.
    QVERIFY(ToQColor(BandColour(2)).lightness() - ToQColor(PointColour()).lightness() > 150);
}

void SiteChartTest::barSegmentsAreProportionalToTheProbabilities()
{
    for (int index : {1, 2}) {
        const SiteChart chart(chartData(chart_jobs::fillRiverJob, index));
        const QImage image = ChartImage(chart);
        const int height = chart.barRect(0).height();
        for (int site = 0; site < static_cast<int>(chart.data().sites.size()); ++site) {
            const SiteColumn& column = chart.data().sites[static_cast<std::size_t>(site)];
            const QList<int> runs = segmentRuns(image, chart, site);
            for (int s = 0; s < runs.size(); ++s) {
                const double expected = *column.probabilities[static_cast<std::size_t>(s)] / 100.0 * height;
                QVERIFY2(std::abs(runs[s] - expected) <= 1.0,
                         qPrintable(QStringLiteral("index %1 site %2 segment %3: %4 pixels, expected %5")
                                        .arg(index)
                                        .arg(site)
                                        .arg(s)
                                        .arg(runs[s])
                                        .arg(expected)));
            }
        }
        // Bad at the bottom, the best class on top.
        const QRect bar = chart.barRect(0);
        QCOMPARE(image.pixelColor(bar.center().x(), bar.bottom()), ToQColor(SegmentColour(chart.data().segments.back())));
    }
    // The river TDI4 table's first segment is High and Good together, a colour of its own.
    const SiteChart second(chartData(chart_jobs::fillRiverJob, 2));
    QVERIFY(SegmentColour(second.data().segments[0]) != ClassColour(1));
    QVERIFY(SegmentColour(second.data().segments[0]) != ClassColour(2));
}

void SiteChartTest::siteWithoutMeanIsNotDrawn()
{
    // Three sites in the table, the middle one (CD2) without a mean EQR: two columns.
    const SiteChart chart(chartData(chart_jobs::fillRiverJob, 1));
    QCOMPARE(chart.data().sites.size(), std::size_t(2));
    const QImage image = ChartImage(chart);

    // The panels hold the two columns and nothing beside them.
    QCOMPARE(chart.eqrPanel().right(), chart.column(1).right());
    // Every point pixel of the EQR panel belongs to one of the two points, at its own
    // site's mean; every bar pixel to one of the two bars.
    int pointPixels = 0;
    for (int site = 0; site < 2; ++site) {
        const double mean = chart.data().sites[static_cast<std::size_t>(site)].meanEqr;
        const QPoint centre(static_cast<int>(chart.siteCentreX(site)), static_cast<int>(chart.eqrY(mean)));
        const int dark = countColour(image, QRect(centre - QPoint(6, 6), QSize(13, 13)), ToQColor(PointColour()));
        QVERIFY2(dark > 20 && dark < 100, qPrintable(QString::number(dark)));
        pointPixels += dark;
    }
    QCOMPARE(countColour(image, chart.eqrPanel(), ToQColor(PointColour())), pointPixels);
    for (const Segment& segment : chart.data().segments)
        QCOMPARE(countColour(image, chart.barPanel(), ToQColor(SegmentColour(segment))),
                 countColour(image, chart.barRect(0), ToQColor(SegmentColour(segment)))
                     + countColour(image, chart.barRect(1), ToQColor(SegmentColour(segment))));
    // The site is named under the chart instead.
    QString failure;
    const QStringList texts = svgTexts(ChartSvg(chart), &failure);
    QVERIFY(!texts.contains(QStringLiteral("CD2")));
    QVERIFY(texts.filter(QStringLiteral("CD2")).size() == 1);
    QVERIFY(texts.filter(QStringLiteral("CD2")).first().contains(QStringLiteral("no mean EQR")));
}

void SiteChartTest::lakeColumnsShowTheirOwnTypesBands()
{
    const SiteChart chart(chartData(chart_jobs::fillLakeJob, 1));
    const QImage image = ChartImage(chart);
    // The same EQR, 0.85: Good for LK01's type HA (limit 0.9), High for LK02's type MA (0.8).
    QCOMPARE(pixel(image, chart.siteCentreX(0) + 12, chart.eqrY(0.85)), ToQColor(BandColour(2)));
    QCOMPARE(pixel(image, chart.siteCentreX(1) + 12, chart.eqrY(0.85)), ToQColor(BandColour(1)));
    // LK03's type has no limits: a grey column with its point and no bar.
    QCOMPARE(pixel(image, chart.siteCentreX(2) + 12, chart.eqrY(0.85)), ToQColor(NoLimitsColour()));
    QCOMPARE(pixel(image, chart.siteCentreX(2), chart.eqrY(0.5)), ToQColor(PointColour()));
    const QRect bar = chart.barRect(2);
    for (const Segment& segment : chart.data().segments)
        QCOMPARE(countColour(image, bar, ToQColor(SegmentColour(segment))), 0);
}

void SiteChartTest::svgHoldsOneTextPerSiteCode()
{
    for (auto fill : {chart_jobs::fillRiverJob, chart_jobs::fillLakeJob}) {
        const SiteChart chart(chartData(fill, 1));
        const QByteArray svg = ChartSvg(chart);
        QString failure;
        const QStringList texts = svgTexts(svg, &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(!chart.data().sites.empty());
        for (const SiteColumn& site : chart.data().sites)
            QCOMPARE(texts.count(QString::fromStdString(site.code)), 1);
        // The SVG's size is the chart's.
        QVERIFY(svg.contains(QStringLiteral("width=\"%1").arg(chart.size().width()).toLatin1())
                || svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                                    .arg(chart.size().width())
                                    .arg(chart.size().height())
                                    .toLatin1()));
    }
}

void SiteChartTest::svgKeepsCodesWithMarkupCharacters()
{
    // Site codes are whatever the workbook holds: markup characters and non-ASCII text.
    ScriptedUser user;
    Job job(nullptr, user);
    chart_jobs::fillRiverJob(job);
    job.sites.siteCodes = {"A&B<1>", "CD2", "\xC3\x9C\"3'"};
    const SiteChart chart(*SiteChartFor(job.samples, job.sites, 1));
    QString failure;
    const QStringList texts = svgTexts(ChartSvg(chart), &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(texts.count(QStringLiteral("A&B<1>")), 1);
    QCOMPARE(texts.count(QString::fromUtf8("\xC3\x9C\"3'")), 1);
}

void SiteChartTest::picturesAreWrittenWholeOrNotAtAll()
{
    const SiteChart chart(chartData(chart_jobs::fillRiverJob, 1));
    QTemporaryDir dir;
    QString error;
    const QString png = dir.filePath(QStringLiteral("chart.png"));
    QVERIFY2(SaveChartPng(chart, png, error), qPrintable(error));
    QImage read(png);
    QCOMPARE(read.size(), chart.size());
    QCOMPARE(read.pixelColor(static_cast<int>(chart.siteCentreX(0)) + 12, static_cast<int>(chart.eqrY(0.7))),
             ToQColor(BandColour(2)));
    QVERIFY(SaveChartSvg(chart, dir.filePath(QStringLiteral("chart.svg")), error));
    QVERIFY(SaveChartPdf(chart, dir.filePath(QStringLiteral("chart.pdf")), error));

    // A folder that does not exist: false, the reason names the file, nothing is left.
    const QString missing = dir.filePath(QStringLiteral("no-such-folder/chart.png"));
    error.clear();
    QVERIFY(!SaveChartPng(chart, missing, error));
    QVERIFY(error.contains(QStringLiteral("no-such-folder")));
    QVERIFY(!QFile::exists(missing));
    QVERIFY(!SaveChartSvg(chart, dir.filePath(QStringLiteral("no-such-folder/chart.svg")), error));
    // Only the three files written.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

void SiteChartTest::pdfIsOnePage()
{
    const SiteChart chart(chartData(chart_jobs::fillLakeJob, 2));
    const QByteArray pdf = ChartPdf(chart);
    QVERIFY(pdf.startsWith("%PDF-"));
    QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "),
             qsizetype(1));
}

void SiteChartTest::scaledPaintFitsTheTarget()
{
    // The printer's and the PDF's road: the chart scaled into a page rectangle, centred.
    const SiteChart chart(chartData(chart_jobs::fillRiverJob, 1));
    QImage page(chart.size() * 2 + QSize(0, 200), QImage::Format_RGB32);
    page.fill(Qt::black);
    QPainter painter(&page);
    chart.paint(painter, QRectF(0, 0, page.width(), page.height()));
    painter.end();
    // Twice the size, 100 pixels down: the Good band beside AB1's point.
    QCOMPARE(pixel(page, 2 * (chart.siteCentreX(0) + 12), 100 + 2 * chart.eqrY(0.7)), ToQColor(BandColour(2)));
    QCOMPARE(page.pixelColor(5, 50), QColor(Qt::black));
    QCOMPARE(page.pixelColor(5, 105), QColor(Qt::white));
}

void SiteChartTest::viewScrollsSidewaysAndKnowsItsSites()
{
    // Forty sites do not fit a 600-pixel view: it scrolls sideways.
    ScriptedUser user;
    Job job(nullptr, user);
    chart_jobs::fillRiverJob(job);
    const int sites = 40;
    job.sites.siteSummary1 = std::make_unique<Matrix>(sites, 13, chart_jobs::m);
    job.sites.siteCodes.clear();
    for (int k = 0; k < sites; ++k) {
        chart_jobs::setRow(*job.sites.siteSummary1, k, {1, 0, 0.02 * k + 0.1, 5, 0, 0, 0, 0, 100});
        job.sites.siteCodes.push_back("SITE" + std::to_string(k));
    }
    SiteChartView view(*SiteChartFor(job.samples, job.sites, 1));
    view.resize(600, view.chart().size().height() + 40);
    view.show();
    QVERIFY(view.horizontalScrollBar()->maximum() > 0);
    QCOMPARE(view.caption(), QStringLiteral("Chart TDI3"));
    const SiteChart& chart = view.chart();
    QCOMPARE(chart.siteAt(QPointF(chart.siteCentreX(7), chart.eqrY(0.5))), 7);
    QCOMPARE(chart.siteAt(QPointF(chart.siteCentreX(39), chart.barRect(39).center().y())), 39);
    QCOMPARE(chart.siteAt(QPointF(chart.eqrPanel().x() - 5, chart.eqrY(0.5))), -1);
    QCOMPARE(chart.siteAt(QPointF(chart.siteCentreX(3), chart.eqrPanel().y() - 5)), -1);
    // What is on screen is the chart.
    const QImage shown = view.widget()->grab().toImage();
    QCOMPARE(shown.size(), chart.size());
    QCOMPARE(pixel(shown, chart.siteCentreX(0), chart.eqrY(0.1)), ToQColor(PointColour()));

    // Scrolled sideways, the axes stay at the left over the sites passing beneath them.
    view.horizontalScrollBar()->setValue(200);
    const QImage scrolled = view.viewport()->grab().toImage();
    const int axisX = chart.eqrPanel().x() - 10;
    QCOMPARE(pixel(shown, axisX + 200, chart.eqrY(1.0)), ToQColor(BandColour(1)));
    QCOMPARE(pixel(scrolled, axisX, chart.eqrY(1.0)), QColor(Qt::white));
    QCOMPARE(pixel(scrolled, chart.eqrPanel().x() + 30, chart.eqrY(1.0)), ToQColor(BandColour(1)));

    std::unique_ptr<QMenu> menu(view.createContextMenu(nullptr));
    QStringList actions;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            actions << action->text();
    QCOMPARE(actions, (QStringList{"Save chart as PNG...", "Save chart as SVG...", "Save chart as PDF...",
                                   "Copy chart"}));
}

void SiteChartTest::legendNamesTheChartsOwnSegments()
{
    // Above the panels only the legend has solid colours: the TDI3 chart's five classes,
    // the TDI4 chart's High+Good, Moderate, Poor and Bad.
    const SiteChart first(chartData(chart_jobs::fillRiverJob, 1));
    const SiteChart second(chartData(chart_jobs::fillRiverJob, 2));
    const QImage firstImage = ChartImage(first);
    const QImage secondImage = ChartImage(second);
    const QRect firstLegend(0, 0, first.size().width(), first.eqrPanel().top());
    const QRect secondLegend(0, 0, second.size().width(), second.eqrPanel().top());
    for (int c = 1; c <= 5; ++c)
        QVERIFY(countColour(firstImage, firstLegend, ToQColor(ClassColour(c))) > 0);
    QCOMPARE(countColour(secondImage, secondLegend, ToQColor(ClassColour(1))), 0);
    QCOMPARE(countColour(secondImage, secondLegend, ToQColor(ClassColour(2))), 0);
    for (const Segment& segment : second.data().segments)
        QVERIFY(countColour(secondImage, secondLegend, ToQColor(SegmentColour(segment))) > 0);
}

void SiteChartTest::viewFollowsItsTabSize()
{
    // A few sites in a tab twice the chart's size: the whole chart, twice as large, and
    // no scroll bar; the saved picture keeps the natural size.
    SiteChartView view(chartData(chart_jobs::fillRiverJob, 1));
    const QSize natural = view.chart().size();
    view.resize(natural * 2 + QSize(view.frameWidth() * 2, view.frameWidth() * 2));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY2(std::abs(view.scale() - 2.0) < 0.02, qPrintable(QString::number(view.scale())));
    QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
    QCOMPARE(view.verticalScrollBar()->maximum(), 0);
    const QImage shown = view.widget()->grab().toImage();
    const double s = view.scale();
    QCOMPARE(pixel(shown, view.chart().siteCentreX(0) * s, view.chart().eqrY(0.7) * s), ToQColor(PointColour()));
    QCOMPARE(pixel(shown, (view.chart().siteCentreX(0) + 12) * s, view.chart().eqrY(0.7) * s), ToQColor(BandColour(2)));
    QCOMPARE(ChartImage(view.chart()).size(), natural);

    // Smaller than the chart: still the whole of it while it stays readable, then at the
    // smallest readable scale, scrolling both ways.
    view.resize(natural * 0.95 + QSize(view.frameWidth() * 2, view.frameWidth() * 2));
    QTRY_VERIFY(std::abs(view.scale() - 0.95) < 0.02);
    QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
    view.resize(natural * 0.3);
    QTRY_COMPARE(view.scale(), SiteChartView::kSmallestScale);
    QVERIFY(view.horizontalScrollBar()->maximum() > 0);
    QVERIFY(view.verticalScrollBar()->maximum() > 0);
}

void SiteChartTest::manySitesKeepTitleAndAxisInView()
{
    // 750 sites in a short, narrow tab: scrolled to the far right and down, the view still
    // shows the title and legend at its top and the EQR axis at its left, at a size that
    // reads.
    ScriptedUser user;
    Job job(nullptr, user);
    chart_jobs::fillRiverJob(job);
    const int sites = 750;
    job.sites.siteSummary1 = std::make_unique<Matrix>(sites, 13, chart_jobs::m);
    job.sites.siteCodes.clear();
    for (int k = 0; k < sites; ++k) {
        chart_jobs::setRow(*job.sites.siteSummary1, k, {2, 0, 0.5 + 0.0005 * k, 3, 0, 10, 80, 10, 0});
        job.sites.siteCodes.push_back("S" + std::to_string(k));
    }
    SiteChartView view(*SiteChartFor(job.samples, job.sites, 1));
    view.resize(900, 240);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(view.scale(), SiteChartView::kSmallestScale);
    const SiteChart& chart = view.chart();
    const double s = view.scale();
    // The legend's first swatch (High) at its place in the top left corner.
    const QPointF swatch(chart.eqrPanel().x() + 6, chart.eqrPanel().y() - 10 - 16 + 8);
    const QImage atStart = view.viewport()->grab().toImage();
    QCOMPARE(pixel(atStart, swatch.x() * s, swatch.y() * s), ToQColor(ClassColour(1)));

    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QVERIFY(view.horizontalScrollBar()->value() > 10000);
    QVERIFY(view.verticalScrollBar()->value() > 0);
    const QImage scrolled = view.viewport()->grab().toImage();
    QCOMPARE(pixel(scrolled, swatch.x() * s, swatch.y() * s), ToQColor(ClassColour(1)));
    // The axis strip at the left, white where the picture beneath would show bands.
    const int dy = view.verticalScrollBar()->value();
    const double bandY = chart.eqrY(0.1) * s - dy;
    QVERIFY(bandY > chart.eqrPanel().y() * s && bandY < scrolled.height());
    QCOMPARE(pixel(scrolled, (chart.eqrPanel().x() - 10) * s, bandY), QColor(Qt::white));
    QCOMPARE(pixel(scrolled, (chart.eqrPanel().x() + 30) * s, bandY), ToQColor(BandColour(5)));
}

QTEST_MAIN(SiteChartTest)
#include "site_chart_test.moc"
