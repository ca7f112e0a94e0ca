#pragma once

#include <string>
#include <vector>

namespace torven {

// Where a data file of the programs (the reference database, the help file) is looked
// for: beside the program first, where the build tree keeps it and where a user puts an
// own copy, then in the installed data folder relative to the program
// (../share/torven-ii/ for a program in bin/), so that one build runs from either place.
struct DataFileSearch {
    // The first place that holds the file; when none does, the one beside the program.
    std::string path;
    bool found = false;
    // The folders looked in, in order, each with its trailing '/'.
    std::vector<std::string> folders;

    // For a message when the file is missing: "TORVENII.mdb: not found in /usr/bin/ nor
    // in /usr/share/torven-ii/"; empty when it was found.
    std::string notFoundDetail() const;
};

// programDirectory ends with '/'; when it is empty (the program's folder is unknown) the
// file is looked for in the current directory only.
DataFileSearch FindDataFile(const std::string& programDirectory, const std::string& fileName);

}  // namespace torven
