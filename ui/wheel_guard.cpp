#include "ui/wheel_guard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>

namespace {

bool takesValueFromWheel(const QObject* object)
{
    return qobject_cast<const QComboBox*>(object) || qobject_cast<const QAbstractSpinBox*>(object);
}

}  // namespace

void WheelGuard::install()
{
    static QPointer<WheelGuard> installed;
    if (installed || !qApp)
        return;
    installed = new WheelGuard(qApp);
    qApp->installEventFilter(installed);
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Polish && takesValueFromWheel(watched)) {
        // Qt gives these boxes wheel focus, so that the wheel itself would hand them the
        // focus the rule below asks for.
        auto* box = static_cast<QWidget*>(watched);
        if (box->focusPolicy() == Qt::WheelFocus)
            box->setFocusPolicy(Qt::StrongFocus);
    } else if (event->type() == QEvent::Wheel && takesValueFromWheel(watched) &&
               !static_cast<QWidget*>(watched)->hasFocus()) {
        // Ignored and not delivered: QApplication then offers it to the parent, so that
        // the window or table under the box scrolls.
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
