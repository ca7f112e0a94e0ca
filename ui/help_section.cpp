#include "ui/help_section.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QVariant>
#include <QWidget>

#include "ui/help_command.h"
#include "ui/help_window.h"

namespace {

constexpr const char* kSectionProperty = "torvenHelpSection";

}  // namespace

void SetHelpSection(QWidget* window, const QString& section)
{
    if (window)
        window->setProperty(kSectionProperty, section);
}

QString HelpSectionOf(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const QString section = widget->property(kSectionProperty).toString();
        if (!section.isEmpty())
            return section;
    }
    return QString();
}

QString CurrentHelpSection(const QWidget* activeChild)
{
    if (const QWidget* modal = QApplication::activeModalWidget())
        return HelpSectionOf(QApplication::focusWidget() && modal->isAncestorOf(QApplication::focusWidget())
                                 ? QApplication::focusWidget()
                                 : modal);
    if (!activeChild)
        return QString();
    const QWidget* focus = QApplication::focusWidget();
    return HelpSectionOf(focus && activeChild->isAncestorOf(focus) ? focus : activeChild);
}

HelpKeyFilter::HelpKeyFilter(HelpCommand& help, QObject* parent) : QObject(parent), help_(help) {}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* window = widget->window();
    // The main window's F1 is its Help command; the help window is the help already.
    if (qobject_cast<QMainWindow*>(window) || qobject_cast<HelpWindow*>(window))
        return QObject::eventFilter(watched, event);
    help_.show(window, HelpSectionOf(widget));
    event->accept();
    return true;
}
