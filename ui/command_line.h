#pragma once

#include <string>
#include <vector>

// The desktop program's own command line, after Qt has taken its options (-platform and
// so on): at most one workbook, which opens at once in the worksheet dialog as File >
// Open would (the desktop's "Open with"), or --help / --version.
struct DesktopCommandLine {
    enum class Action { run, help, version, usageError };
    Action action = Action::run;
    std::string workbook;  // empty: start without a job
    std::string error;     // for usageError
};

DesktopCommandLine ParseDesktopCommandLine(const std::vector<std::string>& args);

// --help or --version among the arguments before "--", Qt's own options still among them:
// answered before the window system is opened, so that they work without a display.
// run when neither is there.
DesktopCommandLine::Action InformationAsked(const std::vector<std::string>& args);

// What --help prints.
std::string DesktopUsage();
