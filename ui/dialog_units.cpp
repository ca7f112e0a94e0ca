#include "ui/dialog_units.h"

#include <QFontMetricsF>
#include <cmath>

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    // The average over the 52 letters, as dialog templates measure their font.
    averageCharWidth_ = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    charHeight_ = metrics.height();
}

int DialogUnits::x(int units) const
{
    return static_cast<int>(std::lround(units * averageCharWidth_ / 4.0));
}

int DialogUnits::y(int units) const
{
    return static_cast<int>(std::lround(units * charHeight_ / 8.0));
}

QRect DialogUnits::rect(int left, int top, int width, int height) const
{
    return QRect(x(left), y(top), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const
{
    return QSize(x(width), y(height));
}
