// torven: the desktop program.
#include <QApplication>
#include <cstdio>

#include "torven_version.h"
#include "ui/command_line.h"
#include "ui/startup.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Ties the windows to the installed desktop entry (the Wayland app id; on X11 the entry's
    // StartupWMClass names the window class, the application name set at start-up).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.torven_ii.TorvenII"));
    // QApplication has taken its own options out of argv.
    const DesktopCommandLine line = ParseDesktopCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case DesktopCommandLine::Action::help:
        std::fputs(DesktopUsage().c_str(), stdout);
        return 0;
    case DesktopCommandLine::Action::version:
        std::printf("%s Version %s\n", torven::kProductName, torven::kProductVersion);
        return 0;
    case DesktopCommandLine::Action::usageError:
        std::fprintf(stderr, "torven: %s\n%s", line.error.c_str(), DesktopUsage().c_str());
        return 2;
    case DesktopCommandLine::Action::run:
        break;
    }
    StartOptions options;
    options.workbook = QString::fromLocal8Bit(line.workbook.c_str());
    std::unique_ptr<DesktopProgram> program = StartDesktopProgram(options);
    return application.exec();
}
