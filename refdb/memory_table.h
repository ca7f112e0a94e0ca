#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CADORecordset;

// A read-only, column-oriented copy of one recordset, taken whole when it is built, so
// that reference data can be read many times without touching the database again.
class MemoryTable {
public:
    // Column kinds; every other field type is kept by name only, without values.
    enum Kind : int { kindNone = 0, kindShort = 1, kindLong = 2, kindDouble = 3, kindText = 4, kindBool = 5 };

    struct Column {
        std::string name;
        int kind = kindNone;
        std::vector<std::int32_t> integers;  // kindShort, kindLong
        std::vector<double> doubles;         // kindDouble
        std::vector<std::string> texts;      // kindText
        std::vector<std::uint8_t> booleans;  // kindBool, 0 or 1
    };

    // Reads the whole recordset from its first row; the recordset stays open.
    explicit MemoryTable(CADORecordset& recordset);
    // A table built in memory; every column's value vector of its kind holds rowCount values.
    MemoryTable(std::vector<Column> columns, int rowCount);

    // Read directly by callers, as plain members.
    int rowCount = 0;
    int colCount = 0;

    // The first column whose name equals name, ignoring case; -1 when there is none.
    int FindColumn(std::string_view name) const;

    // Each copies the value at (row, col) into result and returns true when the column
    // has the getter's kind; otherwise (or out of range) returns false, result untouched.
    bool GetShort(int row, int col, int& result) const;
    bool GetLong(int row, int col, long& result) const;
    bool GetDouble(int row, int col, double& result) const;
    bool GetString(int row, int col, std::string& result) const;
    bool GetBool(int row, int col, std::uint8_t& result) const;

    // The kind a column of this ADO data type code gets.
    static int KindOfFieldType(int adoType);

    const std::string& ColumnName(int col) const { return columns_[static_cast<std::size_t>(col)].name; }
    int ColumnKind(int col) const { return columns_[static_cast<std::size_t>(col)].kind; }

private:
    const Column* columnOfKind(int row, int col, int kind) const;

    std::vector<Column> columns_;
};
