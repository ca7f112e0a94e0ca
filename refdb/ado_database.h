#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class AccessFile;

// A failure as ADO reports one: a status code, the object that raised it and what
// went wrong.
struct AdoError {
    std::uint32_t code = 0;
    std::string source;
    std::string description;
};

// The status codes this layer raises.
namespace adoCode {
constexpr std::uint32_t unspecified = 0x80004005;       // E_FAIL: the engine's own failures
constexpr std::uint32_t providerNotFound = 0x800A0E7A;  // no such provider installed
constexpr std::uint32_t connectionClosed = 0x800A0E7D;  // recordset on a closed connection
constexpr std::uint32_t noCurrentRecord = 0x800A0BCD;   // BOF or EOF
constexpr std::uint32_t itemNotFound = 0x800A0CC1;      // no field at that position
constexpr std::uint32_t syntaxError = 0x80040E14;       // DB_E_ERRORSINCOMMAND
constexpr std::uint32_t tableNotFound = 0x80040E37;     // DB_E_NOTABLE
constexpr std::uint32_t parameterMissing = 0x80040E10;  // DB_E_PARAMNOTOPTIONAL: unknown column
constexpr std::uint32_t typeMismatch = 0x80040E07;      // DB_E_CANTCONVERTVALUE
}  // namespace adoCode

// The readable meaning of a status code, in the platform's manner: its message text
// where there is one, else "IDispatch error #n" for the dispatch range, else
// "Unknown error 0x...".
std::string AdoCodeMeaning(std::uint32_t code);

// "<title>\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n\tDescription = %s\n".
std::string ComposeAdoErrorText(const char* title, const AdoError& error);

// The connection that a database and its recordsets share: the provider it was opened
// with and the open file.
class AdoConnection {
public:
    bool isOpen() const { return file_ != nullptr; }
    const AccessFile* file() const { return file_.get(); }
    // The database engine behind the provider, named as the source of its errors.
    const std::string& engine() const { return engine_; }
    // Counts the opens, so that a recordset knows when the connection it read through
    // has been closed, even if it was opened again since.
    std::uint64_t generation() const { return generation_; }

private:
    friend class CADODatabase;
    std::shared_ptr<AccessFile> file_;
    std::string engine_;
    std::uint64_t generation_ = 0;
};

// One connection to a reference database.
class CADODatabase {
public:
    static constexpr const char* kJetProvider = "Microsoft.Jet.OLEDB.4.0";
    static constexpr const char* kAceProvider = "Microsoft.ACE.OLEDB.12.0";

    CADODatabase();
    virtual ~CADODatabase();
    CADODatabase(const CADODatabase&) = delete;
    CADODatabase& operator=(const CADODatabase&) = delete;

    // "Provider=...;Data Source=PATH". An empty string reopens with the stored one.
    // Opening an open database closes it first.
    bool Open(const std::string& connectionString = "", const std::string& userId = "",
              const std::string& password = "");
    bool IsOpen() const;
    void Close();

    std::shared_ptr<AdoConnection> GetActiveConnection() const { return connection_; }
    std::string GetLastErrorText() const { return lastErrorText; }
    const std::string& GetConnectionString() const { return connectionString; }

    // The user tables of the open database, in catalog order; false when it is closed.
    bool GetTableNames(std::vector<std::string>& names) const;

    // The providers this machine offers; both unless a test says otherwise.
    static void SetInstalledProviders(std::vector<std::string> providers);
    static const std::vector<std::string>& InstalledProviders();

    // Seconds; 0 keeps the provider's default. Opening a local file never waits, so the
    // value is kept only for callers that set it.
    int connectionTimeout = 0;

private:
    void recordError(const AdoError& error);

    std::shared_ptr<AdoConnection> connection_;
    std::string connectionString;
    std::string lastErrorText;
};
