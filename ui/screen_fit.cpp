#include "ui/screen_fit.h"

#include <algorithm>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// The title bar and borders a window manager adds, for a window not yet shown: the
// frame Qt reports once it is, or a usual title bar's height before.
QMargins frameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    if (window->isVisible() && frame != inner)
        return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                frame.bottom() - inner.bottom()};
    return {0, 30, 0, 0};
}

}  // namespace

QRect FitRectInside(const QRect& rect, const QRect& available)
{
    if (!available.isValid())
        return rect;
    QRect fitted = rect;
    fitted.setWidth(std::min(rect.width(), available.width()));
    fitted.setHeight(std::min(rect.height(), available.height()));
    if (fitted.right() > available.right())
        fitted.moveRight(available.right());
    if (fitted.bottom() > available.bottom())
        fitted.moveBottom(available.bottom());
    if (fitted.left() < available.left())
        fitted.moveLeft(available.left());
    if (fitted.top() < available.top())
        fitted.moveTop(available.top());
    return fitted;
}

void FitWindowToScreen(QWidget* window)
{
    if (!window || !window->isWindow())
        return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QMargins margins = frameMargins(window);
    // A window not placed yet (a dialog about to be centred on its parent, which Qt keeps
    // within the screen) only gets a size that fits: moving it would stop Qt placing it.
    if (!window->testAttribute(Qt::WA_Moved)) {
        const QSize room = available.marginsRemoved(margins).size();
        if (window->width() > room.width() || window->height() > room.height())
            window->resize(std::max(std::min(window->width(), room.width()), window->minimumWidth()),
                           std::max(std::min(window->height(), room.height()), window->minimumHeight()));
        return;
    }
    const QRect frame = window->geometry().marginsAdded(margins);
    const QRect fitted = FitRectInside(frame, available);
    if (fitted == frame)
        return;
    const QRect inner = fitted.marginsRemoved(margins);
    window->resize(std::max(inner.width(), window->minimumWidth()), std::max(inner.height(), window->minimumHeight()));
    // A window's position is that of its frame.
    window->move(fitted.topLeft());
}

QRect FreeWorkArea(const QRect& area, const QList<QRect>& occupied, const QSize& minimum)
{
    QRect taken;
    for (const QRect& rect : occupied)
        taken |= rect.intersected(area);
    if (taken.isEmpty())
        return area;
    const QRect strips[] = {
        QRect(QPoint(taken.right() + 1, area.top()), area.bottomRight()),
        QRect(QPoint(area.left(), taken.bottom() + 1), area.bottomRight()),
        QRect(area.topLeft(), QPoint(taken.left() - 1, area.bottom())),
        QRect(area.topLeft(), QPoint(area.right(), taken.top() - 1)),
    };
    QRect best;
    for (const QRect& strip : strips)
        if (strip.width() >= minimum.width() && strip.height() >= minimum.height()
            && static_cast<long long>(strip.width()) * strip.height() >
                   static_cast<long long>(best.width()) * best.height())
            best = strip;
    return best.isEmpty() ? area : best;
}

bool ScreenFitFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen)
            FitWindowToScreen(widget);
    }
    return QObject::eventFilter(watched, event);
}
