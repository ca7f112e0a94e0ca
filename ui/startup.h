#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "ui/qt_user_interaction.h"
#include "ui/splash_window.h"

class MainWindow;
class Application;
class HelpCommand;

// Everything the desktop program holds for its whole run, in the order it is made and
// the reverse order it goes.
struct DesktopProgram {
    DesktopProgram();
    ~DesktopProgram();

    QtUserInteraction ui;
    std::unique_ptr<Application> app;
    std::unique_ptr<HelpCommand> help;
    std::unique_ptr<MainWindow> mainWindow;
    QPointer<SplashWindow> splash;
};

// A desktop pairs the program's windows with its menu entry through these: the entry's
// file name (packaging/org.torven_ii.TorvenII.desktop, without ".desktop"), which Wayland
// takes as the windows' application id, and the X11 window class, the application name,
// which the entry names as StartupWMClass.
inline constexpr const char* kDesktopFileName = "org.torven_ii.TorvenII";
inline constexpr const char* kWindowClass = "TORVENII";

struct StartOptions {
    int splashMilliseconds = SplashWindow::kDisplayMilliseconds;
    // Where the database and the help file are; the program's own folder when empty.
    QString programFilePath;
    // A workbook to open as File > Open does, once the splash has gone; none when empty.
    QString workbook;
};

// Start-up: the settings' names, the main window shown with its caption, the database
// and help file found beside the program, the splash, then the reference database and
// the master taxon list (a missing database is reported and the program runs on), then
// the workbook of the command line, if any.
// Needs a QApplication.
std::unique_ptr<DesktopProgram> StartDesktopProgram(const StartOptions& options = StartOptions());
