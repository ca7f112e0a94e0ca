#pragma once

#include <QObject>
#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

// Keeping windows where they can be used: within the available area of their screen
// (the screen less its panels), whatever the screen's size and scale factor.

// rect moved, and shrunk where it must be, so that it lies within available. A rect
// that fits stays where it is.
QRect FitRectInside(const QRect& rect, const QRect& available);

// The top-level window resized and moved so that its frame, title bar included, lies
// within its screen's available area; a window that fits is left alone. A window that
// cannot shrink that far keeps its minimum size with its top-left corner in view. A
// window that has not been placed yet is only made small enough, and left for Qt or the
// window manager to place.
void FitWindowToScreen(QWidget* window);

// Where a new window of the work area goes so that it leaves the windows in occupied
// uncovered: the largest strip of area beside, below, left of or above them, when it has
// at least minimum's size; otherwise the whole area.
QRect FreeWorkArea(const QRect& area, const QList<QRect>& occupied, const QSize& minimum);

// Fits every dialog and top-level window to its screen as it is first shown: message
// boxes, file dialogs and the program's own dialogs alike. Install one on the application.
class ScreenFitFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
