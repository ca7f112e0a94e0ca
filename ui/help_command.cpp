#include "ui/help_command.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "import/user_interaction.h"
#include "ui/help_window.h"

const char* const HelpCommand::kNoViewerMessage =
    "TORVENII needs Adobe Acrobat to open the help file.\nPlease install Acrobat and try again";

bool OpenWithDesktopViewer(const QString& path)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // xdg-open starts in the background and reports nothing when no program handles PDF
    // files, so ask first whether one is registered; without one our own window is better
    // than nothing happening at all.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/pdf")});
    if (!query.waitForFinished(3000) || query.exitCode() != 0)
        return false;
    if (query.readAllStandardOutput().trimmed().isEmpty())
        return false;
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

HelpCommand::HelpCommand(QString helpPath, UserInteraction& ui)
    : helpPath_(std::move(helpPath)), ui_(ui), externalViewer_(OpenWithDesktopViewer)
{
}

HelpCommand::~HelpCommand()
{
    delete window_.data();
}

void HelpCommand::show(QWidget* parent, const QString& section)
{
    const bool exists = QFileInfo(helpPath_).isFile();
    if (exists && section.isEmpty() && externalViewer_ && externalViewer_(helpPath_))
        return;
    if (exists) {
        // The window lives with the main window; over a modal dialog it is shown as the
        // dialog's own, since the dialog blocks every other window while it is open.
        QWidget* home = parent;
        while (home && qobject_cast<QDialog*>(home) && home->parentWidget())
            home = home->parentWidget()->window();
        if (home && qobject_cast<QDialog*>(home))
            home = nullptr;
        QWidget* owner = QApplication::activeModalWidget();
        if (!window_)
            window_ = new HelpWindow(home);
        if (window_->isLoaded(helpPath_) || window_->load(helpPath_)) {
            window_->showOver(owner, home);
            if (!section.isEmpty())
                window_->showSection(section);
            return;
        }
    }
    ui_.showMessage(kNoViewerMessage, helpPath_.toStdString());
}

HelpWindow* HelpCommand::window() const
{
    return window_.data();
}
