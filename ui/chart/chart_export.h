#pragma once

#include <QByteArray>
#include <QImage>
#include <QPageLayout>
#include <QString>

#include <string>

struct Assessment;
class QPagedPaintDevice;

namespace chart {

class SiteChart;
class SiteHistoryChart;
struct SiteHistoryData;

// The chart as an image at scale times its natural size, on white.
QImage ChartImage(const SiteChart& chart, double scale = 1.0);
// The chart as an SVG document and as a one-page PDF document (A4, turned the way the
// chart is, the chart fitted to the page within its margins).
QByteArray ChartSvg(const SiteChart& chart);
QByteArray ChartPdf(const SiteChart& chart);
// The page orientation that suits the chart: a few sites stand upright, many lie across.
QPageLayout::Orientation ChartPageOrientation(const SiteChart& chart);
// Paints the chart on one page of device (a PDF writer or a printer), fitted to the page
// within its margins, the page turned as the device has it. False when the device could
// not start a page (a printer that failed to open).
bool PaintChartPage(const SiteChart& chart, QPagedPaintDevice& device);

// Each writes the whole file to a temporary file beside path and moves it into place, so
// that an existing file is never left half-written; false with the reason in error.
bool SaveChartPng(const SiteChart& chart, const QString& path, QString& error);
bool SaveChartSvg(const SiteChart& chart, const QString& path, QString& error);
bool SaveChartPdf(const SiteChart& chart, const QString& path, QString& error);

// A page of a site history as an image (scale times its natural size, on white) and as an
// SVG document.
QImage ChartImage(const SiteHistoryChart& chart, double scale = 1.0);
QByteArray ChartSvg(const SiteHistoryChart& chart);
// The pages of a site history as a PDF document, A4 turned the way the pages are.
QByteArray HistoryPdf(const SiteHistoryData& data);
bool SaveChartPng(const SiteHistoryChart& chart, const QString& path, QString& error);
bool SaveHistoryPdf(const SiteHistoryData& data, const QString& path, QString& error);
// Paints the pages of a site history on device, one page each, fitted to the page. False
// when the device could not start or turn a page.
bool PaintHistoryPages(const SiteHistoryData& data, QPagedPaintDevice& device);

// Writes chart-<index>.png and chart-<index>.svg for every site table of the job into
// folder (made when missing), and each table's site history as history-<index>.png and
// .svg (history-<index>-1.png, -2.png, ... when it takes several pages), all or none:
// false with the file that failed, its reason and which files were written anyway (none
// unless the folder changed meanwhile).
bool WriteSiteCharts(const Assessment& job, const std::string& folder, std::string& error);

}  // namespace chart
