#include "ui/command_line.h"

DesktopCommandLine ParseDesktopCommandLine(const std::vector<std::string>& args)
{
    DesktopCommandLine line;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            line.action = DesktopCommandLine::Action::help;
            return line;
        } else if (!optionsEnded && arg == "--version") {
            line.action = DesktopCommandLine::Action::version;
            return line;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            line.action = DesktopCommandLine::Action::usageError;
            line.error = "unknown option '" + arg + "'";
            return line;
        } else if (!line.workbook.empty()) {
            line.action = DesktopCommandLine::Action::usageError;
            line.error = "one workbook at a time";
            return line;
        } else {
            line.workbook = arg;
        }
    }
    return line;
}

DesktopCommandLine::Action InformationAsked(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
            return DesktopCommandLine::Action::help;
        if (arg == "--version")
            return DesktopCommandLine::Action::version;
    }
    return DesktopCommandLine::Action::run;
}

std::string DesktopUsage()
{
    return "Usage:\n"
           "  torven [WORKBOOK]\n"
           "  torven --version\n"
           "  torven --help\n"
           "\n"
           "Starts the desktop program. A WORKBOOK (.xls or .xlsx) opens at once in the \"Select\n"
           "worksheet\" dialog, as File > Open does. The reference database TORVENII.mdb and the\n"
           "help file TORVENII.pdf are looked for beside the program, then in ../share/torven-ii/.\n";
}
