#pragma once

#include <string>
#include <vector>

#include "base/data_files.h"

namespace cli {

// Exit statuses of torven-cli.
enum ExitStatus : int { exitOk = 0, exitFailed = 1, exitUsage = 2, exitNotWritten = 3 };

// A subcommand: its arguments after the subcommand's name; returns the exit status.
using CommandFunction = int (*)(const std::vector<std::string>& args);

// Each subcommand's file registers itself with a static CommandRegistration.
struct CommandRegistration {
    CommandRegistration(const char* name, CommandFunction run);
};

CommandFunction findCommand(const std::string& name);

// The folder of the running program (with a trailing '/'), for files beside it.
std::string programDirectory();

// The reference database when no --db is given: the desktop program's choice, else the
// first TORVENII.mdb in the user's data folder, beside the program, then in the system's
// data folders (torven::FindReferenceDatabase).
torven::DataFileSearch findReferenceDatabase();

// Writes text with backslash, tab, CR and LF escaped, so that a record stays on one line.
std::string escapeField(const std::string& text);

// Writes one record to standard output: the fields escaped, tab-separated, then a line feed.
void writeRecord(const std::vector<std::string>& fields);

}  // namespace cli
