#pragma once

#include <QPointer>
#include <QString>
#include <functional>

class QWidget;
class HelpWindow;
class UserInteraction;

// Opens the help file TORVENII.pdf that sits beside the program: with the desktop's PDF
// viewer where one is registered, else in a window of our own; only when even that
// cannot show the file does the user get the message that help cannot be opened.
// Every Help button, F1 and the Help menu end here.
class HelpCommand {
public:
    HelpCommand(QString helpPath, UserInteraction& ui);
    ~HelpCommand();

    // What to try first: true when the desktop took the file. Tests replace it so that no
    // outside program is started.
    using ExternalViewer = std::function<bool(const QString& path)>;
    void setExternalViewer(ExternalViewer viewer) { externalViewer_ = std::move(viewer); }

    // Opens the help; with a section (a title of the manual's contents without its
    // number), at that section's page. Only our own window can go to a page (a desktop's
    // viewer is started on the file alone), so a section is shown there.
    void show(QWidget* parent, const QString& section = QString());

    const QString& helpPath() const { return helpPath_; }
    // Our own window, once it has been needed.
    HelpWindow* window() const;

    // The message shown when no way of showing the file is left.
    static const char* const kNoViewerMessage;

private:
    QString helpPath_;
    UserInteraction& ui_;
    ExternalViewer externalViewer_;
    QPointer<HelpWindow> window_;
};

// The desktop's viewer: true when a program registered for PDF files was started on it.
bool OpenWithDesktopViewer(const QString& path);
