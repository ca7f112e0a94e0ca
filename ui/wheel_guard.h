#pragma once

#include <QObject>

// A value changes only when the user means it: a combo box or spin box takes the wheel
// only while it has the keyboard focus (a click or Tab gives it), so a wheel notch that
// passes over one on its way down a window or a table scrolls what lies beneath instead.
// One filter on the application covers every box of every window and dialog: a box's
// wheel focus becomes click-and-Tab focus as it is polished, and a wheel event over a box
// without the focus is passed on to its parent.
class WheelGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Installs one guard on the running application (once, however often it is called).
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
