#include "ui/startup.h"

#include <QApplication>
#include <QTimer>

#include "app/application.h"
#include "ui/grids/grid_window_factory.h"
#include "ui/help_command.h"
#include "ui/help_section.h"
#include "ui/main_window.h"

namespace {

// The workbook of the command line opens as File > Open would, once the event loop runs
// and the main window is enabled again (it is disabled while the splash shows).
void openWhenEnabled(MainWindow* window, const QString& workbook)
{
    if (!window->isEnabled()) {
        QTimer::singleShot(50, window, [window, workbook] { openWhenEnabled(window, workbook); });
        return;
    }
    window->openWorkbook(workbook);
}

}  // namespace

DesktopProgram::DesktopProgram() = default;

DesktopProgram::~DesktopProgram()
{
    delete splash.data();
    mainWindow.reset();
    if (app)
        app->ExitInstance();
}

std::unique_ptr<DesktopProgram> StartDesktopProgram(const StartOptions& options)
{
    QCoreApplication::setOrganizationName(QStringLiteral("TORVENII"));
    // The application name is also the settings' file name: it stays what it has been.
    QCoreApplication::setApplicationName(QString::fromLatin1(kWindowClass));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));

    auto program = std::make_unique<DesktopProgram>();
    program->app = std::make_unique<Application>(program->ui);

    // The program's own path, from Qt rather than from the command line, so that the
    // files beside it are found wherever it was started from.
    const QString self = options.programFilePath.isEmpty() ? QCoreApplication::applicationFilePath()
                                                           : options.programFilePath;
    Application& app = *program->app;
    app.paths = Application::FindProgramPaths("\"" + self.toStdString() + "\"");
    app.helpArgument = " \"" + app.paths.helpPath + "\"";
    program->help = std::make_unique<HelpCommand>(QString::fromStdString(app.paths.helpPath), program->ui);

    program->mainWindow = std::make_unique<MainWindow>(app, program->ui, *program->help);
    MainWindow& mainWindow = *program->mainWindow;
    program->ui.setParentWidget(&mainWindow);
    HelpCommand& help = *program->help;
    // A dialog's Help button: the help at the dialog's section.
    program->ui.setHelp([&help, &mainWindow] { help.show(&mainWindow, CurrentHelpSection(nullptr)); });
    mainWindow.setGridWindows(grids::MakeGridWindows());
    mainWindow.show();
    mainWindow.setWindowTitle(QString::fromLatin1(MainWindow::kCaption));

    if (options.splashMilliseconds > 0)
        program->splash = SplashWindow::showSplash(&mainWindow, options.splashMilliseconds);
    QCoreApplication::processEvents();

    app.OpenReferenceData(app.paths.databasePath, app.paths.databaseNotFound);
    // The problems of the database show once, when the window is there to hold them.
    QTimer::singleShot(0, &mainWindow, [&mainWindow] { mainWindow.showReferenceProblemsIfAny(); });

    if (!options.workbook.isEmpty()) {
        const QString workbook = options.workbook;
        QTimer::singleShot(0, &mainWindow, [&mainWindow, workbook] { openWhenEnabled(&mainWindow, workbook); });
    }
    return program;
}
