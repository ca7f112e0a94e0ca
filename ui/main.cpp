// torven: the desktop program.
#include <QApplication>
#include <cstdio>

#include "torven_version.h"
#include "ui/command_line.h"
#include "ui/startup.h"

namespace {

int answer(DesktopCommandLine::Action action)
{
    if (action == DesktopCommandLine::Action::help)
        std::fputs(DesktopUsage().c_str(), stdout);
    else
        std::printf("%s Version %s\n", torven::kProductName, torven::kProductVersion);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // --help and --version need no display: they are answered before Qt opens one.
    if (const DesktopCommandLine::Action asked = InformationAsked(std::vector<std::string>(argv + 1, argv + argc));
        asked != DesktopCommandLine::Action::run)
        return answer(asked);

    QApplication application(argc, argv);
    // QApplication has taken its own options out of argv.
    const DesktopCommandLine line = ParseDesktopCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case DesktopCommandLine::Action::help:
    case DesktopCommandLine::Action::version:
        return answer(line.action);
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
