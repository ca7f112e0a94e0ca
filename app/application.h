#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/reference_source.h"
#include "metrics/reference_check.h"
#include "refdb/database_identity.h"
#include "refdb/memory_table.h"

class CADODatabase;
class UserInteraction;

// Where the program finds its files, worked out from its own command line.
struct ProgramPaths {
    std::string drive;      // empty on this platform
    std::string directory;  // with its trailing separator, or empty
    std::string databasePath;
    std::string helpPath;
    // Where the database was looked for, when it is in none of those places (the detail
    // of "Error opening database"); empty when it was found.
    std::string databaseNotFound;
};

// The application object without its windows: the reference database, the master taxon
// list that stays in memory for the whole run, the class names, and the loaders that
// each import calls for its family's class boundaries and confidence-of-class parameters.
class Application : public ReferenceSource {
public:
    explicit Application(UserInteraction& ui);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The program's own path is the text up to the first double quote after any leading
    // ones; the database and help file sit beside it or in the installed data folder
    // (torven::FindDataFile).
    static ProgramPaths FindProgramPaths(const std::string& commandLine);

    // Start-up without windows: the paths, the database (Jet, then ACE), the master taxon
    // list and the class names. A missing database is reported and start-up goes on.
    bool InitInstance(const std::string& commandLine);
    // Opens the database at path, loads the master taxon list (start-up steps 8 to 10) and
    // checks the reference data (referenceProblems). notFoundDetail goes with "Error opening
    // database": where a missing file was looked for. True when the master list was loaded.
    // A database opened to replace another (the user's choice) replaces it only when its
    // master list loads: a failure keeps the one before, and the jobs imported from it keep
    // their tables in any case.
    bool OpenReferenceData(const std::string& databasePath, const std::string& notFoundDetail = std::string());
    // Closes the database connection.
    void ExitInstance();

    // Boundaries rows of one site type into slot 1 or 2; a failure leaves the slot as it was.
    bool LoadBoundaries(const std::string& siteType, int slot);
    // The CoC rows of a family; true when at least four were found, else the slot is emptied.
    bool LoadCoCParameters(const std::string& familyName);

    // The tables an import keeps (ReferenceSource): each load replaces the application's
    // own slot, boundaries of a second index in slot 2, of a first in slot 1.
    std::shared_ptr<const MemoryTable> masterList() override { return masterTaxonList; }
    std::shared_ptr<const MemoryTable> boundaryTable(const std::string& siteType) override;
    std::shared_ptr<const MemoryTable> cocTable(const std::string& familyName) override;
    std::shared_ptr<const DatabaseIdentity> databaseIdentity() override { return referenceIdentity; }
    // The demonstration-data line and the count of problems found, for each job's summary.
    std::vector<std::string> referenceNotes() override;

    // The reference database's identity as the results, the About box and the command line
    // state it (DatabaseIdentityLines), or the one line "Reference database: not identified".
    std::vector<std::string> ReferenceIdentityLines() const;
    // What the Reference database window shows: the database's path and identity, then its
    // problems, one a line (table, key, column, value, what: tab-separated, so that a copy
    // pastes into a spreadsheet's columns), then their count.
    std::vector<std::string> ReferenceReportLines() const;

    UserInteraction& ui() { return ui_; }
    CADODatabase& database() { return *database_; }

    std::string connectionString;
    std::string helpArgument;
    ProgramPaths paths;
    // "High", "Good", "Moderate", "Poor", "Bad" once the taxon list has loaded.
    std::vector<std::string> classNames;

    // The four reference tables, each replaced whole when it is loaded again. Jobs keep
    // their own handles on the boundary and CoC tables their import loaded.
    std::shared_ptr<const MemoryTable> masterTaxonList;
    std::shared_ptr<const MemoryTable> boundaries1;
    std::shared_ptr<const MemoryTable> boundaries2;
    std::shared_ptr<const MemoryTable> cocParameters;
    // The identity of the database the master taxon list was read from (file, size, time,
    // SHA-256, Version table); null when no database was opened or its file was unreadable.
    std::shared_ptr<const DatabaseIdentity> referenceIdentity;
    // The path of the database the tables come from, and what its check found.
    std::string referencePath;
    std::vector<ReferenceProblem> referenceProblems;

private:
    UserInteraction& ui_;
    std::unique_ptr<CADODatabase> database_;
};
