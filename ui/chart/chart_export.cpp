#include "ui/chart/chart_export.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "base/output_folder.h"
#include "base/safe_file.h"
#include "ui/chart/site_chart.h"
#include "ui/chart/site_history_chart.h"
#include "results/assessment.h"
#include "results/results_csv.h"
#include "sites/site_chart_data.h"

namespace chart {

namespace {

QString svgTitle(const SiteChart& chart)
{
    return QString::fromStdString(ChartCaption(chart.data()));
}

QString svgTitle(const SiteHistoryChart& chart)
{
    return QString::fromStdString(HistoryCaption(chart.data()));
}

// The picture of either kind of chart, at scale times its natural size, on white.
template <class Chart>
QImage imageOf(const Chart& chart, double scale)
{
    const QSize size = (QSizeF(chart.size()) * scale).toSize();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.scale(scale, scale);
    chart.paint(painter);
    painter.end();
    return image;
}

template <class Chart>
QByteArray svgOf(const Chart& chart, const QString& description)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(chart.size());
    generator.setViewBox(QRect(QPoint(0, 0), chart.size()));
    generator.setResolution(96);
    generator.setTitle(svgTitle(chart));
    generator.setDescription(description);
    QPainter painter(&generator);
    chart.paint(painter);
    painter.end();
    return buffer.data();
}

bool encodePng(const QImage& image, QByteArray& png)
{
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG");
}

bool writeWhole(const QString& path, const QByteArray& bytes, QString& error)
{
    std::string reason;
    if (!safefile::WriteFile(path.toStdString(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                             reason)) {
        error = QStringLiteral("Cannot write ") + path + QStringLiteral(": ") + QString::fromStdString(reason);
        return false;
    }
    return true;
}

}  // namespace

QImage ChartImage(const SiteChart& chart, double scale)
{
    return imageOf(chart, scale);
}

QByteArray ChartSvg(const SiteChart& chart)
{
    return svgOf(chart, QStringLiteral("TORVEN II site chart"));
}

QImage ChartImage(const SiteHistoryChart& chart, double scale)
{
    return imageOf(chart, scale);
}

QByteArray ChartSvg(const SiteHistoryChart& chart)
{
    return svgOf(chart, QStringLiteral("TORVEN II site history"));
}

bool PaintHistoryPages(const SiteHistoryData& data, QPagedPaintDevice& device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    bool first = true;
    for (const HistoryPage& page : HistoryPages(data)) {
        if (!first && !device.newPage())
            return false;
        first = false;
        const SiteHistoryChart chart(data, page);
        chart.paint(painter, QRectF(0, 0, device.width(), device.height()));
    }
    return painter.end();
}

QByteArray HistoryPdf(const SiteHistoryData& data)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QString::fromStdString(HistoryCaption(data)));
    writer.setCreator(QStringLiteral("TORVEN II"));
    const SiteHistoryChart first(data, HistoryPages(data).front());
    const auto orientation =
        first.size().width() > first.size().height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    PaintHistoryPages(data, writer);
    return buffer.data();
}

bool SaveChartPng(const SiteHistoryChart& chart, const QString& path, QString& error)
{
    QByteArray bytes;
    if (!encodePng(ChartImage(chart), bytes)) {
        error = QStringLiteral("Cannot write ") + path + QStringLiteral(": the PNG encoder failed");
        return false;
    }
    return writeWhole(path, bytes, error);
}

bool SaveHistoryPdf(const SiteHistoryData& data, const QString& path, QString& error)
{
    return writeWhole(path, HistoryPdf(data), error);
}

QByteArray ChartPdf(const SiteChart& chart)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(svgTitle(chart));
    writer.setCreator(QStringLiteral("TORVEN II"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), ChartPageOrientation(chart), QMarginsF(10, 10, 10, 10),
                                     QPageLayout::Millimeter));
    PaintChartPage(chart, writer);
    return buffer.data();
}

QPageLayout::Orientation ChartPageOrientation(const SiteChart& chart)
{
    return chart.size().width() > chart.size().height() ? QPageLayout::Landscape : QPageLayout::Portrait;
}

bool PaintChartPage(const SiteChart& chart, QPagedPaintDevice& device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // The painter's origin is the top-left corner of the page's printable area, and the
    // device's size is that area's, in device pixels.
    chart.paint(painter, QRectF(0, 0, device.width(), device.height()));
    return painter.end();
}

bool SaveChartPng(const SiteChart& chart, const QString& path, QString& error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!ChartImage(chart).save(&buffer, "PNG")) {
        error = QStringLiteral("Cannot write ") + path + QStringLiteral(": the PNG encoder failed");
        return false;
    }
    return writeWhole(path, bytes, error);
}

bool SaveChartSvg(const SiteChart& chart, const QString& path, QString& error)
{
    return writeWhole(path, ChartSvg(chart), error);
}

bool SaveChartPdf(const SiteChart& chart, const QString& path, QString& error)
{
    return writeWhole(path, ChartPdf(chart), error);
}

bool WriteSiteCharts(const Assessment& job, const std::string& folder, std::string& error)
{
    if (!CreateOutputFolder(folder, error))
        return false;
    // Every picture is drawn before any file is written, and the files are written all
    // together, so that a failure (a full disk) leaves the folder's charts as they were.
    const QDir dir(QString::fromStdString(folder));
    std::vector<std::string> paths;
    std::vector<QByteArray> contents;
    auto add = [&](const QString& stem, const QImage& image, QByteArray svg) {
        QByteArray png;
        if (!encodePng(image, png)) {
            error = "Cannot write " + dir.filePath(stem + QStringLiteral(".png")).toStdString()
                + ": the PNG encoder failed; no chart was written";
            return false;
        }
        paths.push_back(dir.filePath(stem + QStringLiteral(".png")).toStdString());
        contents.push_back(png);
        paths.push_back(dir.filePath(stem + QStringLiteral(".svg")).toStdString());
        contents.push_back(std::move(svg));
        return true;
    };
    for (SiteChartData& data : SiteCharts(job.samples, job.sites)) {
        const QString stem = QString::fromStdString(results::ChartFileStem(data));
        const SiteChart chart(std::move(data));
        if (!add(stem, ChartImage(chart), ChartSvg(chart)))
            return false;
    }
    for (const SiteHistoryData& data : SiteHistories(job.samples, job.analysis, job.sites)) {
        const std::vector<std::string> stems = results::HistoryFileStems(data);
        const std::vector<HistoryPage> pages = HistoryPages(data);
        for (std::size_t p = 0; p < pages.size() && p < stems.size(); ++p) {
            const SiteHistoryChart chart(data, pages[p]);
            if (!add(QString::fromStdString(stems[p]), ChartImage(chart), ChartSvg(chart)))
                return false;
        }
    }
    std::vector<std::pair<std::string, std::string_view>> files;
    for (std::size_t i = 0; i < paths.size(); ++i)
        files.emplace_back(paths[i], std::string_view(contents[i].constData(), static_cast<std::size_t>(contents[i].size())));
    std::vector<std::string> written;
    std::string reason;
    if (safefile::WriteFiles(files, written, reason))
        return true;
    error = "Cannot write " + reason;
    if (written.empty()) {
        error += "; no chart was written";
    } else {
        error += "; written before the failure:";
        for (const std::string& path : written)
            error += " " + path;
    }
    return false;
}

}  // namespace chart
