#include "ui/chart/site_history_chart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/ascii_case.h"
#include "base/civil_date.h"
#include "metrics/status_class.h"
#include "ui/chart/site_chart.h"

namespace chart {

namespace {

// Layout in pixels at the natural size.
constexpr int margin = 12;
constexpr int titleHeight = 20;
constexpr int subtitleHeight = 16;
constexpr int legendHeight = 16;
constexpr int headingGap = 8;
constexpr int cellWidth = 262;   // one panel and the gap to the next
constexpr int cellHeight = 172;
constexpr int panelWidth = 252;
constexpr int codeHeight = 16;
constexpr int classHeight = 14;
constexpr int tickArea = 30;     // EQR tick labels, left of each plot
constexpr int plotHeight = 108;
constexpr int dateLabelHeight = 14;
constexpr int notesGap = 8;
constexpr double pointRadius = 3.5;
constexpr int plotHeadroom = 6;
constexpr double eqrTickStep = 0.2;
constexpr double daysPerYear = 365.25;

const QColor frameColour(150, 150, 150);
const QColor textColour(30, 30, 30);
const QColor quietColour(110, 110, 110);

QString qText(const std::string& text)
{
    return QString::fromStdString(text);
}

// Serial days of the 1900 date system and calendar dates; serials before March 1900
// (where the spreadsheet's false 29 February lies) are never sampling dates.
civil::Date dateOfSerial(double serial)
{
    return civil::DateFromDays(static_cast<std::int64_t>(std::floor(serial)) - civil::kDaysFrom1899To1970);
}

double serialOf(std::int64_t year, unsigned month)
{
    return static_cast<double>(civil::DaysFromDate(year, month, 1) + civil::kDaysFrom1899To1970);
}

struct DateTick {
    double serial = 0;
    QString label;
};

// Ticks on the first of a month every `step` months (a year and more: on 1 January of
// every step-th year), the fewest steps whose labels still fit beside each other.
std::vector<DateTick> dateTicks(double from, double to, double width, const QFontMetricsF& metrics)
{
    static const std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const civil::Date first = dateOfSerial(from);
    const civil::Date last = dateOfSerial(to);
    const std::int64_t firstMonth = first.year * 12 + (first.month - 1);
    const std::int64_t lastMonth = last.year * 12 + (last.month - 1);
    for (int step : {1, 2, 3, 6, 12, 24, 60, 120, 600}) {
        std::vector<DateTick> ticks;
        double widest = 0;
        for (std::int64_t m = firstMonth; m <= lastMonth + 1; ++m) {
            if (m % step != 0)
                continue;
            const std::int64_t year = m >= 0 ? m / 12 : (m - 11) / 12;
            const unsigned month = static_cast<unsigned>(m - year * 12) + 1;
            const double serial = serialOf(year, month);
            if (serial < from || serial > to)
                continue;
            const QString label = step >= 12 ? QString::number(year)
                                             : QString::fromLatin1(months[month - 1]) + QLatin1Char(' ') +
                                                   QString::number(year % 100).rightJustified(2, QLatin1Char('0'));
            widest = std::max(widest, metrics.horizontalAdvance(label));
            ticks.push_back({serial, label});
        }
        if (ticks.size() <= 1 || (widest + 8) * static_cast<double>(ticks.size()) <= width)
            return ticks;
    }
    return {};
}

// The EQR range of band `statusClass` against the limits, before clipping to the axis.
std::pair<double, double> bandRange(int statusClass, const std::array<double, 4>& limits, double bottom, double top)
{
    const double upper = statusClass == 1 ? top : limits[static_cast<std::size_t>(statusClass - 2)];
    const double lower = statusClass == 5 ? bottom : limits[static_cast<std::size_t>(statusClass - 1)];
    return {lower, upper};
}

}  // namespace

SiteHistoryChart::SiteHistoryChart(SiteHistoryData data) : SiteHistoryChart(data, WholeHistory(data)) {}

SiteHistoryChart::SiteHistoryChart(SiteHistoryData data, HistoryPage page)
    : data_(std::move(data)),
      page_(page),
      titleFont_(ChartFont(14, true)),
      codeFont_(ChartFont(12, true)),
      smallFont_(ChartFont(10))
{
    const int siteCount = static_cast<int>(data_.sites.size());
    page_.first = std::clamp(page_.first, 0, siteCount);
    page_.count = std::clamp(page_.count, 0, siteCount - page_.first);

    // The dates of every page alike, with a little room on either side so that the first
    // and last samples do not sit on the frame; a single date gets a month either way.
    if (data_.firstDate > 0) {
        const double span = data_.lastDate - data_.firstDate;
        const double pad = std::max(15.0, span * 0.04);
        dateFrom_ = data_.firstDate - pad;
        dateTo_ = data_.lastDate + pad;
    }

    title_ = qText(data_.indexName) + QStringLiteral(": EQR of each site's samples by sampling date");
    if (!data_.jobTitle.empty())
        title_ += QStringLiteral(" (") + qText(data_.jobTitle) + QStringLiteral(")");
    if (page_.of > 0 && page_.count > 0)
        subtitle_ = QStringLiteral("Page %1 of %2: sites %3 to %4 of %5 (%6 to %7)")
                        .arg(page_.number)
                        .arg(page_.of)
                        .arg(page_.first + 1)
                        .arg(page_.first + page_.count)
                        .arg(siteCount)
                        .arg(qText(data_.sites[static_cast<std::size_t>(page_.first)].code),
                             qText(data_.sites[static_cast<std::size_t>(page_.first + page_.count - 1)].code));
    else
        subtitle_ = siteCount == 1 ? QStringLiteral("1 site") : QStringLiteral("%1 sites").arg(siteCount);

    const int columns = std::max(1, std::min(kColumns, page_.count));
    const int rows = (page_.count + kColumns - 1) / kColumns;
    const double titleWidth = QFontMetricsF(titleFont_).horizontalAdvance(title_);
    const int width = std::max(2 * margin + columns * cellWidth, 2 * margin + static_cast<int>(std::ceil(titleWidth)));
    panelsTop_ = margin + titleHeight + subtitleHeight + legendHeight + headingGap;

    // The samples not drawn: those of this page's sites, and on the last page those that
    // belong to no site.
    QStringList unplotted;
    const bool lastPage = page_.of == 0 || page_.number == page_.of;
    for (const UnplottedSample& sample : data_.unplotted) {
        bool onPage = sample.site.empty() && lastPage;
        for (int k = 0; k < page_.count && !onPage; ++k) {
            const std::string& code = data_.sites[static_cast<std::size_t>(page_.first + k)].code;
            onPage = equalsIgnoringCase(sample.site, code);
        }
        if (!onPage)
            continue;
        QString entry = qText(sample.sampleName);
        if (!sample.site.empty())
            entry += QStringLiteral(" (") + qText(sample.site) + QStringLiteral(")");
        unplotted << entry + QStringLiteral(": ") + qText(sample.reason);
    }
    QStringList notes;
    if (!unplotted.isEmpty())
        notes << QStringLiteral("Samples not drawn: ") + unplotted.join(QStringLiteral("; ")) + QLatin1Char('.');
    if (data_.perSiteLimits)
        notes << QStringLiteral("Bands: the class limits of each site's lake type.");
    bool anyWithoutLimits = false;
    for (int k = 0; k < page_.count; ++k)
        anyWithoutLimits = anyWithoutLimits || !data_.sites[static_cast<std::size_t>(page_.first + k)].limits;
    if (anyWithoutLimits)
        notes << (data_.perSiteLimits ? QStringLiteral("Grey: no class limits for the site's lake type.")
                                      : QStringLiteral("Grey: no class limits."));
    notes_ = notes.join(QLatin1Char('\n'));

    const int panelsBottom = panelsTop_ + rows * cellHeight;
    int notesHeight = 0;
    if (!notes_.isEmpty()) {
        const QRectF bounds = QFontMetricsF(smallFont_).boundingRect(QRectF(0, 0, width - 2 * margin, 1e6),
                                                                     Qt::TextWordWrap, notes_);
        notesHeight = static_cast<int>(std::ceil(bounds.height()));
    }
    notesRect_ = QRect(margin, panelsBottom + notesGap, width - 2 * margin, notesHeight);
    size_ = QSize(width, notesRect_.bottom() + 1 + margin);
}

QRect SiteHistoryChart::panel(int k) const
{
    const int x = margin + (k % kColumns) * cellWidth;
    const int y = panelsTop_ + (k / kColumns) * cellHeight;
    return QRect(x, y, panelWidth, codeHeight + classHeight + plotHeight + dateLabelHeight);
}

QRect SiteHistoryChart::plot(int k) const
{
    const QRect area = panel(k);
    return QRect(area.x() + tickArea, area.y() + codeHeight + classHeight, panelWidth - tickArea - 4, plotHeight);
}

double SiteHistoryChart::dateX(const QRect& area, double serial) const
{
    const double span = dateTo_ - dateFrom_;
    return area.x() + area.width() * (serial - dateFrom_) / (span > 0 ? span : 1.0);
}

double SiteHistoryChart::eqrY(const QRect& area, double eqr) const
{
    // The top of the scale lies a point's width below the frame, so that a sample at the
    // highest EQR shows whole; the High band reaches the frame.
    const double span = data_.eqrTop - data_.eqrBottom;
    const double height = area.height() - plotHeadroom;
    return area.y() + plotHeadroom + height * (data_.eqrTop - eqr) / (span > 0 ? span : 1.0);
}

QPointF SiteHistoryChart::pointAt(int k, int dateSerial, double eqr) const
{
    const QRect area = plot(k);
    return {dateX(area, dateSerial), eqrY(area, eqr)};
}

int SiteHistoryChart::siteAt(const QPointF& point) const
{
    for (int k = 0; k < page_.count; ++k)
        if (QRectF(panel(k)).contains(point))
            return page_.first + k;
    return -1;
}

void SiteHistoryChart::paint(QPainter& painter, const QRectF& target) const
{
    PaintFitted(painter, size_, target, [this](QPainter& p) { paint(p); });
}

void SiteHistoryChart::paint(QPainter& painter) const
{
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), size_), Qt::white);
    paintHeading(painter);
    // Only the panels the painter will show: a long history on screen paints a few rows.
    const QRectF visible = painter.hasClipping() ? painter.clipBoundingRect() : QRectF();
    for (int k = 0; k < page_.count; ++k)
        if (visible.isEmpty() || visible.intersects(QRectF(panel(k)).adjusted(-margin, -margin, margin, margin)))
            paintPanel(painter, k);
    paintNotes(painter);
    painter.restore();
}

void SiteHistoryChart::paintHeading(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(titleFont_);
    painter.setPen(textColour);
    painter.drawText(QRectF(margin, margin, size_.width() - 2 * margin, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     title_);
    painter.setFont(smallFont_);
    painter.setPen(quietColour);
    painter.drawText(QRectF(margin, margin + titleHeight, size_.width() - 2 * margin, subtitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, subtitle_);

    // The legend: the five bands, a sample and the mean.
    const QFontMetricsF metrics(smallFont_);
    const double y = margin + titleHeight + subtitleHeight;
    double x = margin;
    painter.setPen(textColour);
    for (int c = 1; c <= 5; ++c) {
        const QString label = qText(StatusClassNames()[static_cast<std::size_t>(c - 1)]);
        painter.fillRect(QRectF(x, y + 2, 12, 12), ToQColor(BandColour(c)));
        painter.drawText(QRectF(x + 16, y, metrics.horizontalAdvance(label) + 2, legendHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
        x += 16 + metrics.horizontalAdvance(label) + 12;
    }
    x += 6;
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(ToQColor(PointColour()));
    painter.drawEllipse(QPointF(x + 6, y + legendHeight / 2.0), pointRadius, pointRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(textColour);
    const QString sampleLabel = QStringLiteral("a sample's EQR");
    painter.drawText(QRectF(x + 16, y, metrics.horizontalAdvance(sampleLabel) + 2, legendHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, sampleLabel);
    x += 16 + metrics.horizontalAdvance(sampleLabel) + 18;
    painter.setPen(QPen(ToQColor(PointColour()), 1.5, Qt::DashLine));
    painter.drawLine(QPointF(x, y + legendHeight / 2.0), QPointF(x + 22, y + legendHeight / 2.0));
    painter.setPen(textColour);
    const QString meanLabel = QStringLiteral("the site's mean EQR");
    painter.drawText(QRectF(x + 28, y, metrics.horizontalAdvance(meanLabel) + 2, legendHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, meanLabel);
}

void SiteHistoryChart::paintPanel(QPainter& painter, int k) const
{
    const SiteHistory& site = data_.sites[static_cast<std::size_t>(page_.first + k)];
    const QRect area = panel(k);
    const QRect box = plot(k);

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(codeFont_);
    painter.setPen(textColour);
    painter.drawText(QRectF(box.x(), area.y(), box.width(), codeHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(codeFont_).elidedText(qText(site.code), Qt::ElideRight, box.width()));
    painter.setFont(smallFont_);
    painter.setPen(quietColour);
    QString classText = qText(ClassWithConfidenceText(site));
    if (site.meanEqr)
        classText += QStringLiteral(", mean %1").arg(*site.meanEqr, 0, 'f', 2);
    painter.drawText(QRectF(box.x(), area.y() + codeHeight, box.width(), classHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(smallFont_).elidedText(classText, Qt::ElideRight, box.width()));

    // Bands in whole pixels, as the site chart draws them.
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!site.limits) {
        painter.fillRect(box, ToQColor(NoLimitsColour()));
    } else {
        for (int c = 1; c <= 5; ++c) {
            auto [lower, upper] = bandRange(c, *site.limits, data_.eqrBottom, data_.eqrTop);
            lower = std::max(lower, data_.eqrBottom);
            upper = std::min(upper, data_.eqrTop);
            if (!(upper > lower))
                continue;
            const int top = upper >= data_.eqrTop ? box.y() : static_cast<int>(std::lround(eqrY(box, upper)));
            const int bottom = static_cast<int>(std::lround(eqrY(box, lower)));
            painter.fillRect(QRect(box.x(), top, box.width(), bottom - top), ToQColor(BandColour(c)));
        }
    }

    // The EQR axis, a tick every 0.2, each labelled while the labels keep apart (to an
    // EQR of 1.6), every other one beyond.
    painter.setFont(smallFont_);
    const double firstTick = std::ceil(data_.eqrBottom / eqrTickStep - 1e-9) * eqrTickStep;
    const long labelEvery = data_.eqrTop - data_.eqrBottom > 1.6 + 1e-9 ? 2 : 1;
    for (double tick = firstTick; tick <= data_.eqrTop + 1e-9; tick += eqrTickStep) {
        const double y = std::round(eqrY(box, tick));
        painter.setPen(QPen(frameColour, 1));
        painter.drawLine(QPointF(box.x() - 3, y), QPointF(box.x(), y));
        if (std::lround(tick / eqrTickStep) % labelEvery != 0)
            continue;
        painter.setPen(textColour);
        painter.drawText(QRectF(area.x(), y - 7, tickArea - 5, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(std::abs(tick) < 1e-9 ? 0.0 : tick, 'f', 1));
    }
    // The date axis.
    const QFontMetricsF metrics(smallFont_);
    for (const DateTick& tick : dateTicks(dateFrom_, dateTo_, box.width(), metrics)) {
        const double x = std::round(dateX(box, tick.serial));
        painter.setPen(QPen(frameColour, 1));
        painter.drawLine(QPointF(x, box.bottom() + 1), QPointF(x, box.bottom() + 4));
        painter.setPen(textColour);
        const double half = metrics.horizontalAdvance(tick.label) / 2 + 1;
        const double left = std::clamp(x - half, double(area.x()), double(area.right()) - 2 * half);
        painter.drawText(QRectF(left, box.bottom() + 3, 2 * half, dateLabelHeight), Qt::AlignCenter, tick.label);
    }
    painter.setPen(QPen(frameColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));

    painter.setRenderHint(QPainter::Antialiasing, true);
    if (site.meanEqr) {
        const double y = eqrY(box, *site.meanEqr);
        painter.setPen(QPen(ToQColor(PointColour()), 1.5, Qt::DashLine));
        painter.drawLine(QPointF(box.x() + 1, y), QPointF(box.right() - 1, y));
    }
    if (site.points.empty()) {
        painter.setPen(quietColour);
        painter.drawText(box, Qt::AlignCenter, QStringLiteral("no sample drawn"));
        return;
    }
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(ToQColor(PointColour()));
    for (const HistoryPoint& point : site.points)
        painter.drawEllipse(pointAt(k, point.dateSerial, point.eqr), pointRadius, pointRadius);
    painter.setBrush(Qt::NoBrush);
}

void SiteHistoryChart::paintNotes(QPainter& painter) const
{
    if (notes_.isEmpty())
        return;
    painter.setFont(smallFont_);
    painter.setPen(textColour);
    painter.drawText(notesRect_, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, notes_);
}

}  // namespace chart
