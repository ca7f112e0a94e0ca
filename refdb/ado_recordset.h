#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "refdb/ado_database.h"
#include "refdb/mdb_file.h"

// What the recordset reports about one field; zeroed before it is filled.
struct FieldInfo {
    char name[30];               // NUL-terminated; a longer name is cut to 29 characters
    std::int16_t type;           // ADO data type code
    std::int32_t actualSize;     // of the current row's value; 0 at the end
    std::int32_t definedSize;
    std::int32_t attributes;
};

// One result set read through a database's connection: a table or a SELECT text,
// read whole when it is opened (a client-side static cursor).
class CADORecordset {
public:
    enum OpenMode { modeUnknown = 0, modeQuery = 1, modeTable = 2 };

    explicit CADORecordset(CADODatabase& database);
    virtual ~CADORecordset();
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;

    // A table name (modeTable) or a SELECT text (modeQuery, modeUnknown); an empty
    // source runs the stored one again. Any other mode opens nothing and gives false.
    bool Open(const std::string& source, int mode = modeUnknown);
    bool IsOpen() const;
    void Close();

    long GetRecordCount() const;
    int GetFieldCount() const;
    // False (the record zeroed) for a position outside the fields.
    bool GetFieldInfo(int index, FieldInfo& info) const;

    // Each reads the field at the zero-based position in the current row, converting
    // as an ADO caller's variant conversion does; false when there is no current row,
    // no such field, or (text, boolean) a value the conversion does not take.
    bool GetFieldValue(int index, int& value);
    bool GetFieldValue(int index, long& value);
    bool GetFieldValue(int index, double& value);
    bool GetFieldValue(int index, std::string& value, const std::string& dateFormat = "");
    bool GetFieldValue(int index, bool& value);

    void MoveFirst();
    void MoveNext();
    bool IsEOF() const;
    bool IsBOF() const;

    const std::string& GetQuery() const { return query_; }
    std::string GetLastErrorText() const { return lastErrorText; }

private:
    const DbValue* currentValue(int index);
    void recordError(const AdoError& error);

    std::shared_ptr<AdoConnection> connection_;
    std::string query_;
    std::string lastErrorText;
    bool open_ = false;
    std::uint64_t connectionGeneration_ = 0;
    AccessFile::Table data_;
    std::size_t position_ = 0;
};

// The text of a date value (days since 30 December 1899) by strftime's rules;
// "%Y-%m-%d %H:%M:%S" when format is empty; "Invalid DateTime" outside the years 100
// to 9999.
std::string FormatAdoDate(double date, const std::string& format);
