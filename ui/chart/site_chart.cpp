#include "ui/chart/site_chart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>

#include "metrics/status_class.h"

namespace chart {

namespace {

// Layout in pixels at the natural size.
constexpr int leftMargin = 64;   // EQR and per-cent tick labels, and the axis titles
constexpr int rightMargin = 20;
constexpr int topMargin = 8;
constexpr int titleHeight = 20;
constexpr int legendHeight = 16;
constexpr int legendGap = 10;
constexpr int eqrPanelHeight = 280;
constexpr int panelGap = 10;
constexpr int barPanelHeight = 110;
constexpr int codeHeight = 16;
constexpr int countHeight = 13;
constexpr int notesGap = 6;
constexpr int bottomMargin = 8;
constexpr int minColumnWidth = 44;
constexpr int columnPadding = 12;
constexpr int maxColumnWidth = 120;
constexpr int minPlotWidth = 240;  // the panels of a chart with few or no drawn sites
constexpr double barShare = 0.6;   // of the column width
constexpr double pointRadius = 4.5;
constexpr double eqrTickStep = 0.2;

const QColor frameColour(150, 150, 150);
const QColor gridColour(215, 215, 215);
const QColor textColour(30, 30, 30);
const QColor countColour(100, 100, 100);

QString qText(const std::string& text)
{
    return QString::fromStdString(text);
}

// The EQR range of band `statusClass` against the limits, before clipping to the axis.
std::pair<double, double> bandRange(int statusClass, const std::array<double, 4>& limits, double bottom, double top)
{
    const double upper = statusClass == 1 ? top : limits[static_cast<std::size_t>(statusClass - 2)];
    const double lower = statusClass == 5 ? bottom : limits[static_cast<std::size_t>(statusClass - 1)];
    return {lower, upper};
}

}  // namespace

QFont ChartFont(int pixelSize, bool bold)
{
    // A font every install has (fonts-dejavu-core), sized in pixels so that the layout is
    // the same on screen, in an image and on paper.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

SiteChart::SiteChart(SiteChartData data)
    : data_(std::move(data)), titleFont_(ChartFont(14, true)), labelFont_(ChartFont(11)), smallFont_(ChartFont(9))
{
    const QFontMetricsF labelMetrics(labelFont_);
    double widestCode = 0;
    for (const SiteColumn& site : data_.sites)
        widestCode = std::max(widestCode, labelMetrics.horizontalAdvance(qText(site.code)));
    const int narrowest = std::max(minColumnWidth, static_cast<int>(std::ceil(widestCode)) + columnPadding);
    columnWidth_ = narrowest;

    title_ = qText(data_.indexName) + QStringLiteral(": mean EQR and confidence of class");
    if (!data_.jobTitle.empty())
        title_ += QStringLiteral(" (") + qText(data_.jobTitle) + QStringLiteral(")");

    // Wide enough for the title and the legend as well.
    const double titleWidth = QFontMetricsF(titleFont_).horizontalAdvance(title_);
    double legendWidth = 0;
    const QFontMetricsF smallMetrics(smallFont_);
    for (int c = 1; c <= 5; ++c)
        legendWidth += 18 + smallMetrics.horizontalAdvance(qText(StatusClassNames()[static_cast<std::size_t>(c - 1)])) + 12;
    for (const Segment& segment : data_.segments)
        if (segment.firstClass != segment.lastClass)
            legendWidth += 18 + smallMetrics.horizontalAdvance(qText(segment.label)) + 12;
    const int siteCount = static_cast<int>(data_.sites.size());
    const int textWidth = static_cast<int>(std::ceil(std::max(titleWidth, legendWidth)));
    // A few sites share the width the title needs, up to a column width that still reads
    // as one site; many sites make the chart wider (and the view scrolls).
    if (siteCount > 0)
        columnWidth_ = std::clamp(textWidth / siteCount, narrowest, std::max(narrowest, maxColumnWidth));
    const int plotWidth = std::max(minPlotWidth, columnWidth_ * siteCount);
    const int width = leftMargin + std::max(plotWidth, textWidth) + rightMargin;

    const int panelsTop = topMargin + titleHeight + legendHeight + legendGap;
    eqrPanel_ = QRect(leftMargin, panelsTop, plotWidth, eqrPanelHeight);
    barPanel_ = QRect(leftMargin, eqrPanel_.y() + eqrPanelHeight + panelGap, plotWidth, barPanelHeight);
    labelsTop_ = barPanel_.y() + barPanelHeight + 3;
    labelsBottom_ = labelsTop_ + codeHeight + countHeight;

    QStringList notes;
    if (!data_.undrawn.empty()) {
        QStringList codes;
        for (const UndrawnSite& site : data_.undrawn)
            codes << qText(site.code);
        notes << QStringLiteral("Not drawn, no mean EQR: ") + codes.join(QStringLiteral(", "));
    }
    if (data_.perSiteLimits)
        notes << QStringLiteral("Bands: the class limits of each site's lake type.");
    const bool anyWithoutLimits =
        std::any_of(data_.sites.begin(), data_.sites.end(), [](const SiteColumn& s) { return !s.limits; });
    if (anyWithoutLimits)
        notes << (data_.perSiteLimits ? QStringLiteral("Grey: no class limits for the site's lake type.")
                                      : QStringLiteral("Grey: no class limits."));
    notes_ = notes.join(QLatin1Char('\n'));
    int notesHeight = 0;
    if (!notes_.isEmpty()) {
        const QRectF bounds = smallMetrics.boundingRect(QRectF(0, 0, width - leftMargin - rightMargin, 100000),
                                                        Qt::TextWordWrap, notes_);
        notesHeight = static_cast<int>(std::ceil(bounds.height()));
    }
    notesRect_ = QRect(leftMargin, labelsBottom_ + notesGap, width - leftMargin - rightMargin, notesHeight);
    size_ = QSize(width, notesRect_.bottom() + 1 + bottomMargin);
}

QRect SiteChart::column(int site) const
{
    return QRect(eqrPanel_.x() + site * columnWidth_, eqrPanel_.y(), columnWidth_, eqrPanel_.height());
}

QRect SiteChart::barRect(int site) const
{
    const int barWidth = static_cast<int>(std::lround(columnWidth_ * barShare));
    const int x = eqrPanel_.x() + site * columnWidth_ + (columnWidth_ - barWidth) / 2;
    return QRect(x, barPanel_.y(), barWidth, barPanel_.height());
}

double SiteChart::siteCentreX(int site) const
{
    return eqrPanel_.x() + (site + 0.5) * columnWidth_;
}

double SiteChart::eqrY(double eqr) const
{
    const double span = data_.eqrTop - data_.eqrBottom;
    return eqrPanel_.y() + eqrPanel_.height() * (data_.eqrTop - eqr) / (span > 0 ? span : 1.0);
}

int SiteChart::barEdgeY(double cumulativePercent) const
{
    const double share = std::clamp(cumulativePercent, 0.0, 100.0) / 100.0;
    // Whole pixels, so that each segment's height is its share of the bar to a pixel.
    return barPanel_.y() + barPanel_.height() - static_cast<int>(std::lround(share * barPanel_.height()));
}

int SiteChart::siteAt(const QPointF& point) const
{
    if (point.y() < eqrPanel_.y() || point.y() >= labelsBottom_ || point.x() < eqrPanel_.x())
        return -1;
    const int site = static_cast<int>((point.x() - eqrPanel_.x()) / columnWidth_);
    return site < static_cast<int>(data_.sites.size()) ? site : -1;
}

void SiteChart::paint(QPainter& painter, const QRectF& target) const
{
    PaintFitted(painter, size_, target, [this](QPainter& p) { paint(p); });
}

void SiteChart::paint(QPainter& painter) const
{
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), size_), Qt::white);
    paintTitle(painter);
    paintLegend(painter);
    paintEqrPanel(painter);
    paintBarPanel(painter);
    paintLabels(painter);
    paintNotes(painter);
    painter.restore();
}

void SiteChart::paintTitle(QPainter& painter) const
{
    painter.setFont(titleFont_);
    painter.setPen(textColour);
    painter.drawText(QRectF(leftMargin, topMargin, size_.width() - leftMargin - rightMargin, titleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, title_);
}

void SiteChart::paintLegend(QPainter& painter) const
{
    painter.setFont(smallFont_);
    const QFontMetricsF metrics(smallFont_);
    const double y = topMargin + titleHeight;
    double x = leftMargin;
    auto item = [&](const QColor& colour, const QString& label) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillRect(QRectF(x, y + 2, 12, 12), colour);
        painter.setPen(textColour);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.drawText(QRectF(x + 16, y, metrics.horizontalAdvance(label) + 2, legendHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
        x += 18 + metrics.horizontalAdvance(label) + 12;
    };
    // The bars' own segments: the TDI4 chart has High+Good where the others have High and
    // Good. A chart without segments names the five classes of its bands.
    if (data_.segments.empty())
        for (int c = 1; c <= 5; ++c)
            item(ToQColor(ClassColour(c)), qText(StatusClassNames()[static_cast<std::size_t>(c - 1)]));
    for (const Segment& segment : data_.segments)
        item(ToQColor(SegmentColour(segment)), qText(segment.label));
}

void SiteChart::paintEqrPanel(QPainter& painter) const
{
    // Bands: whole-pixel rectangles without antialiasing, so that neighbouring columns
    // with the same limits join into one band.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t k = 0; k < data_.sites.size(); ++k) {
        const SiteColumn& site = data_.sites[k];
        const QRect col = column(static_cast<int>(k));
        if (!site.limits) {
            painter.fillRect(col, ToQColor(NoLimitsColour()));
            continue;
        }
        for (int c = 1; c <= 5; ++c) {
            auto [lower, upper] = bandRange(c, *site.limits, data_.eqrBottom, data_.eqrTop);
            lower = std::max(lower, data_.eqrBottom);
            upper = std::min(upper, data_.eqrTop);
            if (!(upper > lower))
                continue;
            const int top = static_cast<int>(std::lround(eqrY(upper)));
            const int bottom = static_cast<int>(std::lround(eqrY(lower)));
            painter.fillRect(QRect(col.x(), top, col.width(), bottom - top), ToQColor(BandColour(c)));
        }
    }

    // Axis: ticks every 0.2 from the bottom of the scale up.
    painter.setPen(QPen(frameColour, 1));
    painter.setFont(smallFont_);
    const double firstTick = std::ceil(data_.eqrBottom / eqrTickStep - 1e-9) * eqrTickStep;
    for (double tick = firstTick; tick <= data_.eqrTop + 1e-9; tick += eqrTickStep) {
        const double y = std::round(eqrY(tick));
        painter.setPen(QPen(frameColour, 1));
        painter.drawLine(QPointF(eqrPanel_.x() - 4, y), QPointF(eqrPanel_.x(), y));
        painter.setPen(textColour);
        painter.drawText(QRectF(eqrPanel_.x() - 40, y - 7, 34, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(std::abs(tick) < 1e-9 ? 0.0 : tick, 'f', 1));
    }
    painter.setPen(QPen(frameColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(eqrPanel_.adjusted(0, 0, -1, -1));

    painter.save();
    painter.setFont(labelFont_);
    painter.setPen(textColour);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(14, eqrPanel_.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-60, -8, 120, 16), Qt::AlignCenter, QStringLiteral("Mean EQR"));
    painter.restore();

    // The points.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::white, 1.2));
    painter.setBrush(ToQColor(PointColour()));
    for (std::size_t k = 0; k < data_.sites.size(); ++k)
        painter.drawEllipse(QPointF(siteCentreX(static_cast<int>(k)), eqrY(data_.sites[k].meanEqr)), pointRadius,
                            pointRadius);
    painter.setBrush(Qt::NoBrush);
}

void SiteChart::paintBarPanel(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(smallFont_);
    for (int percent : {0, 50, 100}) {
        const int y = barEdgeY(percent);
        painter.setPen(QPen(gridColour, 1));
        painter.drawLine(barPanel_.x(), y, barPanel_.right(), y);
        painter.setPen(QPen(frameColour, 1));
        painter.drawLine(barPanel_.x() - 4, y, barPanel_.x(), y);
        painter.setPen(textColour);
        painter.drawText(QRectF(barPanel_.x() - 40, y - 7, 34, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(percent));
    }

    // The frame first: the bars stand on the bottom line and reach the top line, so that
    // every pixel row of the panel counts.
    painter.setPen(QPen(frameColour, 1));
    painter.drawRect(barPanel_.adjusted(0, 0, -1, -1));

    // Stacked from the worst class at the bottom to the best at the top, in the order of
    // the bands above; each segment runs between whole-pixel edges of the running total.
    for (std::size_t k = 0; k < data_.sites.size(); ++k) {
        const SiteColumn& site = data_.sites[k];
        const QRect bar = barRect(static_cast<int>(k));
        double cumulative = 0;
        for (std::size_t s = site.probabilities.size(); s-- > 0;) {
            if (!site.probabilities[s])
                continue;
            const double share = std::max(0.0, *site.probabilities[s]);
            const int lower = barEdgeY(cumulative);
            cumulative += share;
            const int upper = barEdgeY(cumulative);
            if (lower > upper)
                painter.fillRect(QRect(bar.x(), upper, bar.width(), lower - upper), ToQColor(SegmentColour(data_.segments[s])));
        }
    }

    painter.save();
    painter.setFont(labelFont_);
    painter.setPen(textColour);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(14, barPanel_.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-60, -8, 120, 16), Qt::AlignCenter, QStringLiteral("CoC %"));
    painter.restore();
}

void SiteChart::paintLabels(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t k = 0; k < data_.sites.size(); ++k) {
        const SiteColumn& site = data_.sites[k];
        const QRect col = column(static_cast<int>(k));
        painter.setFont(labelFont_);
        painter.setPen(textColour);
        painter.drawText(QRectF(col.x(), labelsTop_, col.width(), codeHeight), Qt::AlignHCenter | Qt::AlignTop,
                         qText(site.code));
        painter.setFont(smallFont_);
        painter.setPen(countColour);
        painter.drawText(QRectF(col.x(), labelsTop_ + codeHeight, col.width(), countHeight),
                         Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("n=%1").arg(site.samples));
    }
}

void SiteChart::paintNotes(QPainter& painter) const
{
    if (notes_.isEmpty())
        return;
    painter.setFont(smallFont_);
    painter.setPen(textColour);
    painter.drawText(notesRect_, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, notes_);
}

}  // namespace chart
