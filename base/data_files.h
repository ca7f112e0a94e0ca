#pragma once

#include <string>
#include <vector>

namespace torven {

// Where a data file of the programs (the help file, the bundled reference database) is
// looked for: beside the program first, where the build tree keeps it, then in the
// installed data folder relative to the program (../share/torven-ii/ for a program in
// bin/), so that one build runs from either place.
struct DataFileSearch {
    // The first place that holds the file; when none does, the place beside the program.
    std::string path;
    bool found = false;
    // The folders looked in, in order, each with its trailing '/'.
    std::vector<std::string> folders;
    // Set when path is the user's own choice from the settings: it is the only place looked.
    bool chosen = false;

    // For a message when the file is missing: "TORVENII.mdb: not found in /usr/bin/ nor
    // in /usr/share/torven-ii/"; empty when it was found.
    std::string notFoundDetail() const;
};

// programDirectory ends with '/'; when it is empty (the program's folder is unknown) the
// file is looked for in the current directory only.
DataFileSearch FindDataFile(const std::string& programDirectory, const std::string& fileName);

// The folders of the user's own files, by the XDG base directories, each with its trailing
// '/': $XDG_DATA_HOME/torven-ii/ (else ~/.local/share/torven-ii/) for data such as a
// reference database, $XDG_CONFIG_HOME/torven-ii/ (else ~/.config/torven-ii/) for settings.
// Empty when neither the variable nor HOME gives an absolute folder.
std::string UserDataFolder();
std::string UserConfigFolder();

// The reference database both programs use when no other is named: the one chosen in the
// desktop program's settings when there is one (and only that: a chosen file that has gone
// is reported, never silently replaced by another); else the first TORVENII.mdb in the
// user's data folder, beside the program, in each folder of $XDG_DATA_DIRS + torven-ii/
// (by default /usr/local/share/ then /usr/share/), then in the installed data folder
// relative to the program.
DataFileSearch FindReferenceDatabase(const std::string& programDirectory);

// The reference database chosen in the settings ($XDG_CONFIG_HOME/torven-ii/settings, the
// line "reference-database=PATH"); empty when none is chosen.
std::string ChosenReferenceDatabase();
// Remembers path as the chosen reference database (an empty path forgets the choice),
// keeping the settings file's other lines. False with the reason when it cannot be written.
bool SaveChosenReferenceDatabase(const std::string& path, std::string& error);

}  // namespace torven
