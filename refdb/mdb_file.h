#pragma once

#include <memory>
#include <string>
#include <vector>

#include "refdb/mdb_value.h"

// An Access database file opened read-only through libmdb. Every call keeps libmdb's
// own complaints about damaged files off standard error; failures come back as a
// reason text instead.
class AccessFile {
public:
    enum Format { formatJet3, formatJet4, formatAce };

    struct ColumnInfo {
        std::string name;
        int mdbType = 0;       // libmdb's column type
        int adoType = 0;       // the ADO data type code of the same column
        int definedSize = 0;   // characters for texts, bytes otherwise
        int attributes = 0;    // ADO field attribute flags
    };

    struct Table {
        std::string name;  // as the catalog spells it
        std::vector<ColumnInfo> columns;
        std::vector<std::vector<DbValue>> rows;  // in the file's row order
    };

    ~AccessFile();
    AccessFile(const AccessFile&) = delete;
    AccessFile& operator=(const AccessFile&) = delete;

    // Nothing, with the reason, when the file is missing, unreadable or not an Access file.
    static std::unique_ptr<AccessFile> open(const std::string& path, std::string& reason);

    Format format() const { return format_; }
    const std::string& path() const { return path_; }

    // The user tables, in catalog order.
    std::vector<std::string> tableNames() const;
    // Reads a user table whole; the name is matched without regard to case. False with
    // the reason when there is no such table or it cannot be read.
    bool readTable(const std::string& name, Table& table, std::string& reason) const;

private:
    AccessFile() = default;

    struct Handle;
    std::unique_ptr<Handle> handle_;
    Format format_ = formatJet4;
    std::string path_;
};

// The ADO data type code that an ADO provider reports for a libmdb column type.
int adoTypeOfMdbType(int mdbType);
