#include "app/application.h"

#include "import/family.h"
#include "metrics/status_class.h"
#include "import/user_interaction.h"
#include "base/data_files.h"
#include "refdb/ado_database.h"
#include "refdb/ado_recordset.h"

namespace {

const char* const kDatabaseBaseName = "TORVENII";

// A value put between quotes in a query text, with its own quotes doubled so that it
// stays one literal.
std::string quotedLiteral(const std::string& value)
{
    std::string out = "'";
    for (char c : value) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

// The reason in words of a failure the database layer composed ("...\tDescription =
// Unrecognized database format\n"): its description line.
std::string failureReason(const std::string& errorText)
{
    const std::string mark = "Description = ";
    const std::size_t at = errorText.rfind(mark);
    if (at == std::string::npos)
        return std::string();
    const std::size_t from = at + mark.size();
    const std::size_t end = errorText.find('\n', from);
    return errorText.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

}  // namespace

Application::Application(UserInteraction& ui) : ui_(ui), database_(std::make_unique<CADODatabase>()) {}

Application::~Application()
{
    ExitInstance();
}

ProgramPaths Application::FindProgramPaths(const std::string& commandLine)
{
    // The program's own path is the first quoted part of its command line; a command
    // line that does not start with a quoted path gives no directory, so the files are
    // looked for in the current one.
    std::size_t start = commandLine.find_first_not_of('"');
    std::string programPath;
    if (start != std::string::npos) {
        std::size_t quote = commandLine.find('"', start);
        if (quote != std::string::npos)
            programPath = commandLine.substr(start, quote - start);
    }
    ProgramPaths paths;
    std::size_t slash = programPath.rfind('/');
    if (slash != std::string::npos)
        paths.directory = programPath.substr(0, slash + 1);
    const torven::DataFileSearch database = torven::FindReferenceDatabase(paths.drive + paths.directory);
    paths.databasePath = database.path;
    paths.databaseNotFound = database.notFoundDetail();
    paths.helpPath = torven::FindDataFile(paths.drive + paths.directory, std::string(kDatabaseBaseName) + ".pdf").path;
    return paths;
}

bool Application::InitInstance(const std::string& commandLine)
{
    paths = FindProgramPaths(commandLine);
    helpArgument = " \"" + paths.helpPath + "\"";
    OpenReferenceData(paths.databasePath, paths.databaseNotFound);
    return true;
}

bool Application::OpenReferenceData(const std::string& databasePath, const std::string& notFoundDetail)
{
    // With reference data already loaded, the new database must prove itself before it
    // replaces them; at start-up there is nothing to keep, and the last connection string
    // tried stays, so that every later load reports the failure.
    const bool replacing = masterTaxonList != nullptr;
    const std::string previousConnection = connectionString;
    std::string tried = std::string("Provider=") + CADODatabase::kJetProvider + ";Data Source=" + databasePath;
    bool opened = database_->Open(tried, "", "");
    if (!opened) {
        tried = std::string("Provider=") + CADODatabase::kAceProvider + ";Data Source=" + databasePath;
        opened = database_->Open(tried, "", "");
    }
    connectionString = replacing ? previousConnection : tried;
    if (!opened) {
        // The program runs on without reference data; every import then fails at its
        // boundary load. A file that is there but cannot be read says which and why; a
        // missing one says where it was looked for.
        const std::string detail = notFoundDetail.empty()
            ? FileProblemDetail(databasePath, failureReason(database_->GetLastErrorText()))
            : notFoundDetail;
        ui_.showMessage(database_->GetLastErrorText());
        ui_.showMessage("Error opening database", detail);
        return false;
    }

    CADORecordset recordset(*database_);
    if (!recordset.Open(kMasterTaxonTable, CADORecordset::modeTable)) {
        const std::string reason = failureReason(recordset.GetLastErrorText());
        ui_.showMessage("Error retrieving taxon list",
                        FileProblemDetail(databasePath, reason.empty() ? "the master taxon list cannot be read" : reason));
        if (replacing)
            database_->Close();
        return false;
    }
    auto master = std::make_shared<const MemoryTable>(recordset);
    recordset.Close();
    // A damaged file can read as a table without rows; analysed against it, every sample
    // would say "No matching taxa found" as if the samples were at fault.
    if (master->rowCount < 1) {
        ui_.showMessage("Error retrieving taxon list",
                        FileProblemDetail(databasePath, std::string("the master taxon list (") + kMasterTaxonTable
                                                            + ") holds no rows: the database is damaged or not a "
                                                              "reference database of this program"));
        if (replacing)
            database_->Close();
        return false;
    }
    connectionString = tried;
    masterTaxonList = std::move(master);
    // Read while the connection is open: the Version table is part of the identity. A
    // database that cannot be identified still serves; its results then say so.
    DatabaseIdentity identity;
    std::string identityError;
    referenceIdentity = ReadDatabaseIdentity(databasePath, *database_, identity, identityError)
                            ? std::make_shared<const DatabaseIdentity>(std::move(identity))
                            : nullptr;
    ReferenceTables tables = ReadReferenceTables(*database_);
    tables.masterList = masterTaxonList;
    referenceProblems = CheckReferenceTables(tables);
    referencePath = databasePath;
    // Tables loaded from the database before are not this database's.
    boundaries1.reset();
    boundaries2.reset();
    cocParameters.reset();
    database_->Close();
    classNames = StatusClassNames();
    return true;
}

std::vector<std::string> Application::referenceNotes()
{
    std::vector<std::string> notes;
    if (referenceIdentity && referenceIdentity->demonstration)
        notes.push_back(kDemonstrationDataLine);
    if (!referenceProblems.empty())
        notes.push_back("Reference database: " + ProblemCountLine(referenceProblems.size()) +
                        " (see Help > Reference database, or torven-cli refdb --check)");
    return notes;
}

std::vector<std::string> Application::ReferenceIdentityLines() const
{
    if (!referenceIdentity)
        return {"Reference database: not identified"};
    return DatabaseIdentityLines(*referenceIdentity, masterTaxonList ? static_cast<long>(masterTaxonList->rowCount) : -1);
}

std::vector<std::string> Application::ReferenceReportLines() const
{
    if (!masterTaxonList)
        return {"No reference database is open."};
    std::vector<std::string> lines = {"File: " + referencePath};
    for (const std::string& line : ReferenceIdentityLines())
        lines.push_back(line);
    lines.push_back("");
    lines.push_back("Check of the reference data:");
    for (const ReferenceProblem& problem : referenceProblems) {
        std::string line;
        for (const std::string& field : ProblemFields(problem))
            line += (line.empty() ? "" : "\t") + field;
        lines.push_back(line);
    }
    lines.push_back(ProblemCountLine(referenceProblems.size()));
    return lines;
}

void Application::ExitInstance()
{
    if (database_)
        database_->Close();
}

bool Application::LoadBoundaries(const std::string& siteType, int slot)
{
    if (slot != 1 && slot != 2)
        return false;
    if (!database_->Open(connectionString, "", "")) {
        ui_.showMessage("Error opening boundary database");
        return false;
    }
    CADORecordset recordset(*database_);
    if (!recordset.Open("Select * from Boundaries where SiteType = " + quotedLiteral(siteType),
                        CADORecordset::modeUnknown)) {
        ui_.showMessage("Error opening boundary database");
        database_->Close();
        return false;
    }
    auto table = std::make_shared<const MemoryTable>(recordset);
    (slot == 1 ? boundaries1 : boundaries2) = std::move(table);
    recordset.Close();
    database_->Close();
    return true;
}

std::shared_ptr<const MemoryTable> Application::boundaryTable(const std::string& siteType)
{
    const int slot = siteType == SecondIndexName(familyRivers) || siteType == SecondIndexName(familyLakes) ? 2 : 1;
    if (!LoadBoundaries(siteType, slot))
        return nullptr;
    return slot == 1 ? boundaries1 : boundaries2;
}

std::shared_ptr<const MemoryTable> Application::cocTable(const std::string& familyName)
{
    return LoadCoCParameters(familyName) ? cocParameters : nullptr;
}

bool Application::LoadCoCParameters(const std::string& familyName)
{
    if (!database_->Open(connectionString, "", ""))
        return false;
    CADORecordset recordset(*database_);
    if (!recordset.Open("Select * from CoC where SiteType = " + quotedLiteral(familyName) + " order by Coefficient",
                        CADORecordset::modeUnknown)) {
        database_->Close();
        return false;
    }
    cocParameters = std::make_shared<const MemoryTable>(recordset);
    recordset.Close();
    database_->Close();
    // Four coefficients make the parameters; fewer rows count as not found.
    if (cocParameters->rowCount < 4) {
        cocParameters.reset();
        return false;
    }
    return true;
}
