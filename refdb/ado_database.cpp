#include "refdb/ado_database.h"

#include <cstdio>

#include "base/ascii_case.h"
#include "refdb/mdb_file.h"

namespace {

std::vector<std::string>& installedProviders()
{
    static std::vector<std::string> providers{CADODatabase::kJetProvider, CADODatabase::kAceProvider};
    return providers;
}

std::string trimmed(std::string_view text)
{
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return "";
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// The value of one keyword of a connection string ("Key=Value;..."), keywords
// compared without regard to case; a value may be quoted.
std::string connectionStringValue(const std::string& connectionString, std::string_view keyword)
{
    std::size_t pos = 0;
    while (pos <= connectionString.size()) {
        std::size_t end = connectionString.find(';', pos);
        if (end == std::string::npos)
            end = connectionString.size();
        std::string_view part(connectionString.data() + pos, end - pos);
        std::size_t equals = part.find('=');
        if (equals != std::string_view::npos && equalsIgnoringCase(trimmed(part.substr(0, equals)), keyword)) {
            std::string value = trimmed(part.substr(equals + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return value;
        }
        pos = end + 1;
    }
    return "";
}

}  // namespace

std::string AdoCodeMeaning(std::uint32_t code)
{
    switch (code) {
    case 0x80004005: return "Unspecified error";
    case 0x80070057: return "The parameter is incorrect.";
    case 0x8007000E: return "Not enough memory resources are available to complete this operation.";
    case adoCode::providerNotFound: return "Provider cannot be found. It may not be properly installed.";
    case adoCode::connectionClosed:
        return "The connection cannot be used to perform this operation. It is either closed or invalid in this context.";
    case adoCode::noCurrentRecord:
        return "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record.";
    case adoCode::itemNotFound:
        return "Item cannot be found in the collection corresponding to the requested name or ordinal.";
    default: break;
    }
    char text[64];
    if (code >= 0x80040200 && code <= 0x8004FFFF)
        std::snprintf(text, sizeof text, "IDispatch error #%d", static_cast<int>(code - 0x80040200));
    else
        std::snprintf(text, sizeof text, "Unknown error 0x%0lX", static_cast<unsigned long>(code));
    return text;
}

std::string ComposeAdoErrorText(const char* title, const AdoError& error)
{
    char code[16];
    std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(error.code));
    return std::string(title) + "\n\tCode = " + code + "\n\tCode meaning = " + AdoCodeMeaning(error.code)
           + "\n\tSource = " + error.source + "\n\tDescription = " + error.description + "\n";
}

void CADODatabase::SetInstalledProviders(std::vector<std::string> providers)
{
    installedProviders() = std::move(providers);
}

const std::vector<std::string>& CADODatabase::InstalledProviders()
{
    return installedProviders();
}

CADODatabase::CADODatabase() : connection_(std::make_shared<AdoConnection>()) {}

CADODatabase::~CADODatabase()
{
    Close();
}

bool CADODatabase::IsOpen() const
{
    return connection_ && connection_->isOpen();
}

void CADODatabase::Close()
{
    if (IsOpen())
        connection_->file_.reset();
}

void CADODatabase::recordError(const AdoError& error)
{
    lastErrorText = "Connection String = " + connectionString + "\n" + ComposeAdoErrorText("CADODataBase Error", error);
}

bool CADODatabase::Open(const std::string& newConnectionString, const std::string&, const std::string&)
{
    if (IsOpen())
        Close();
    if (!newConnectionString.empty())
        connectionString = newConnectionString;

    const std::string provider = connectionStringValue(connectionString, "Provider");
    bool installed = false;
    for (const std::string& name : installedProviders())
        installed = installed || equalsIgnoringCase(name, provider);
    const bool jet = equalsIgnoringCase(provider, kJetProvider);
    const bool ace = equalsIgnoringCase(provider, kAceProvider);
    if (!installed || !(jet || ace)) {
        std::string reason = provider.empty() ? "The connection string names no provider."
                                              : "The provider '" + provider + "' is not installed.";
        recordError({adoCode::providerNotFound, "ADODB.Connection",
                     "Provider cannot be found. It may not be properly installed. " + reason});
        return false;
    }

    const char* engine = jet ? "Microsoft JET Database Engine" : "Microsoft Office Access Database Engine";
    const std::string path = connectionStringValue(connectionString, "Data Source");
    std::string reason;
    std::shared_ptr<AccessFile> file = AccessFile::open(path, reason);
    if (!file) {
        recordError({adoCode::unspecified, engine, reason});
        return false;
    }
    // The Jet 4.0 provider knows the .mdb formats only; the ACE provider reads those too.
    if (jet && file->format() == AccessFile::formatAce) {
        recordError({adoCode::unspecified, engine,
                     "Unrecognized database format '" + path + "'. The file is in the ACE (.accdb) format, which "
                     "the Jet 4.0 provider cannot read."});
        return false;
    }
    connection_->file_ = std::move(file);
    connection_->engine_ = engine;
    ++connection_->generation_;
    return true;
}

bool CADODatabase::GetTableNames(std::vector<std::string>& names) const
{
    if (!IsOpen())
        return false;
    names = connection_->file()->tableNames();
    return true;
}
