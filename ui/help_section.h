#pragma once

#include <QObject>
#include <QString>

class HelpCommand;
class QWidget;

// The manual's section a window is about, named by its title without its number ("Choosing
// the worksheet"): F1 and the Help button in that window open the help there.
void SetHelpSection(QWidget* window, const QString& section);
// The section of widget or of the nearest widget above it that has one; empty when none.
QString HelpSectionOf(const QWidget* widget);

// The section of the window a person is looking at: the modal dialog in front, else the
// focused part of the active window, else that window itself.
QString CurrentHelpSection(const QWidget* activeChild);

// F1 in any dialog or window but the main window (whose F1 is its Help command) opens the
// help at that window's section. Qt delivers no shortcut of the main window to a modal
// dialog, so the key is taken on its way to the dialog's focused part.
class HelpKeyFilter : public QObject {
    Q_OBJECT
public:
    HelpKeyFilter(HelpCommand& help, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HelpCommand& help_;
};
