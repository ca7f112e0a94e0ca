#pragma once

// Writes Microsoft Access database files (Jet 4 .mdb, or the same content as an ACE 12
// .accdb) holding plain tables: no indexes, no relationships, no queries. This is what
// the program needs for its reference database and what reader tests need as fixtures.
//
// Typical use, without CSV:
//
//     refdb::TableSpec taxa("Taxa");
//     taxa.addColumn("Code", refdb::ColumnType::text, 12)
//         .addColumn("Score", refdb::ColumnType::doubleFloat)
//         .addColumn("Planktic", refdb::ColumnType::boolean);
//     taxa.addRow({refdb::Cell::ofText("NBN001"), refdb::Cell::ofNumber(2.5), refdb::Cell::ofBool(true)});
//     taxa.addRow({refdb::Cell::ofText(""), refdb::Cell::null(), refdb::Cell::ofBool(false)});
//     std::string error;
//     if (!refdb::writeAccessFile({taxa}, "/tmp/x.mdb", refdb::JetFormat::jet4, error)) ...
//
// Limits (each reported as an error, never silently cut): a table definition must fit
// one 4 KB page (about 100 columns with short names); a row without its memo values
// must fit one data page (about 4,000 bytes: a text column holds 2 bytes per character);
// a memo holds at most 16 MB of encoded text.

#include <cstdint>
#include <string>
#include <vector>

namespace refdb {

enum class JetFormat { jet4, ace12 };

enum class ColumnType {
    text,         // up to textLength characters (1 to 255)
    memo,         // long text
    byte,         // 0 to 255
    integer,      // 16-bit signed
    longInteger,  // 32-bit signed
    single,       // IEEE single
    doubleFloat,  // IEEE double
    currency,     // fixed point, 4 decimals
    boolean,      // yes/no; never NULL in Access
    dateTime      // days since 1899-12-30, time as the fraction
};

struct ColumnSpec {
    std::string name;  // UTF-8, 1 to 64 characters
    ColumnType type = ColumnType::text;
    int textLength = 255;  // characters; text columns only
};

// One value. Which member carries it follows the column's type:
// integer   for byte, integer, longInteger, boolean (0 or 1) and currency (in 1/10000 units);
// number    for single, doubleFloat and dateTime (the Access serial day number);
// text      for text and memo (UTF-8).
// A NULL boolean is stored as false, as Access keeps no NULL booleans.
struct Cell {
    bool isNull = true;
    std::int64_t integer = 0;
    double number = 0.0;
    std::string text;

    static Cell null() { return Cell{}; }
    static Cell ofText(std::string value);
    static Cell ofInteger(std::int64_t value);
    static Cell ofNumber(double value);
    static Cell ofBool(bool value);
    static Cell ofCurrencyUnits(std::int64_t tenThousandths);
    static Cell ofDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
};

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns;
    std::vector<std::vector<Cell>> rows;  // each row has one cell per column

    TableSpec() = default;
    explicit TableSpec(std::string tableName) : name(std::move(tableName)) {}
    TableSpec& addColumn(std::string columnName, ColumnType type, int textLength = 255);
    TableSpec& addRow(std::vector<Cell> cells);
};

// The Access serial day number of a calendar date and time (1899-12-30 is 0; earlier dates
// are negative with the time still counted forward from midnight, as Access does).
// The date must be valid (years 100 to 9999); not checked here.
double accessSerial(int year, int month, int day, int hour, int minute, int second);

// True when the date is a real calendar day in years 100 to 9999 and the time of day valid.
bool isValidDateTime(int year, int month, int day, int hour, int minute, int second);

// Checks one value against its column (range, text length, valid UTF-8); false with the
// reason, e.g. "300 does not fit a byte (0 to 255)".
bool checkCell(const ColumnSpec& column, const Cell& cell, std::string& reason);

// Checks a table or column name as Access does: 1 to 64 characters, no leading space, none
// of . ! ` [ ] and no control characters. False with the reason.
bool checkObjectName(const std::string& name, std::string& reason);

// True when a row of these values fits one data page (its memo values may go to pages of
// their own); false with the reason. The values must have passed checkCell.
bool checkRowFits(const std::vector<ColumnSpec>& columns, const std::vector<Cell>& cells, std::string& reason);

// True when the definition of a table with these columns fits its page; false with the
// reason.
bool checkDefinitionFits(const std::vector<ColumnSpec>& columns, std::string& reason);

// The checks writeAccessFile makes of names, column definitions and values; false with the
// reason in error ("table T, row R, column C: ..."; rows counted from 1).
bool checkTables(const std::vector<TableSpec>& tables, std::string& error);

// Builds the whole file in memory. False with a reason when a check fails or something
// does not fit (see the limits above); bytes is then undefined.
bool buildAccessImage(const std::vector<TableSpec>& tables, JetFormat format, std::string& bytes,
                      std::string& error);

// Builds the file and writes it to path: first to a temporary file in the same folder,
// which replaces path only once it is complete, so that an existing file survives any
// failure untouched. False with a reason on failure.
bool writeAccessFile(const std::vector<TableSpec>& tables, const std::string& path, JetFormat format,
                     std::string& error);

}  // namespace refdb
