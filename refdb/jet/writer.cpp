#include "refdb/jet/writer.h"

#include <bit>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ascii_case.h"
#include "base/civil_date.h"
#include "base/safe_file.h"
#include "refdb/jet/pages.h"
#include "refdb/jet/text.h"

namespace refdb {

using namespace jet;

Cell Cell::ofText(std::string value)
{
    Cell cell;
    cell.isNull = false;
    cell.text = std::move(value);
    return cell;
}

Cell Cell::ofInteger(std::int64_t value)
{
    Cell cell;
    cell.isNull = false;
    cell.integer = value;
    return cell;
}

Cell Cell::ofNumber(double value)
{
    Cell cell;
    cell.isNull = false;
    cell.number = value;
    return cell;
}

Cell Cell::ofBool(bool value) { return ofInteger(value ? 1 : 0); }

Cell Cell::ofCurrencyUnits(std::int64_t tenThousandths) { return ofInteger(tenThousandths); }

Cell Cell::ofDateTime(int year, int month, int day, int hour, int minute, int second)
{
    return ofNumber(accessSerial(year, month, day, hour, minute, second));
}

TableSpec& TableSpec::addColumn(std::string columnName, ColumnType type, int textLength)
{
    columns.push_back(ColumnSpec{std::move(columnName), type, textLength});
    return *this;
}

TableSpec& TableSpec::addRow(std::vector<Cell> cells)
{
    rows.push_back(std::move(cells));
    return *this;
}

namespace {

}  // namespace

bool isValidDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const int lastDay = static_cast<int>(civil::DaysInMonth(year, static_cast<unsigned>(month)));
    return day <= lastDay && hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

double accessSerial(int year, int month, int day, int hour, int minute, int second)
{
    const std::int64_t days = civil::DaysFromDate(year, static_cast<unsigned>(month), static_cast<unsigned>(day))
        + civil::kDaysFrom1899To1970;
    const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before day 0 the integer part still names the day and the fraction still counts
    // forward from midnight, so the fraction's sign follows the day's.
    return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

namespace {

std::string columnTypeName(ColumnType type)
{
    switch (type) {
    case ColumnType::text: return "text";
    case ColumnType::memo: return "memo";
    case ColumnType::byte: return "byte";
    case ColumnType::integer: return "integer";
    case ColumnType::longInteger: return "long";
    case ColumnType::single: return "single";
    case ColumnType::doubleFloat: return "double";
    case ColumnType::currency: return "currency";
    case ColumnType::boolean: return "boolean";
    case ColumnType::dateTime: return "datetime";
    }
    return "?";
}

bool checkInteger(std::int64_t value, std::int64_t low, std::int64_t high, const char* what, std::string& reason)
{
    if (value >= low && value <= high)
        return true;
    reason = std::to_string(value) + " does not fit " + what + " (" + std::to_string(low) + " to " + std::to_string(high) + ")";
    return false;
}


}  // namespace

bool checkCell(const ColumnSpec& column, const Cell& cell, std::string& reason)
{
    if (cell.isNull)
        return true;
    switch (column.type) {
    case ColumnType::text:
    case ColumnType::memo: {
        std::u16string units;
        if (!utf8ToUtf16(cell.text, units)) {
            reason = "the text is not valid UTF-8";
            return false;
        }
        if (units.find(u'\0') != std::u16string::npos) {
            reason = "the text holds a NUL character";
            return false;
        }
        std::string bytes;
        if (!jetTextBytes(units, bytes)) {
            reason = "a text that begins with U+FEFF cannot also hold a character whose low byte is 0";
            return false;
        }
        if (column.type == ColumnType::text && units.size() > static_cast<std::size_t>(column.textLength)) {
            reason = "the text has " + std::to_string(units.size()) + " characters, more than the column's " +
                     std::to_string(column.textLength);
            return false;
        }
        if (column.type == ColumnType::memo && bytes.size() >= (1u << 24)) {
            reason = "the memo is longer than 16 MB";
            return false;
        }
        return true;
    }
    case ColumnType::byte: return checkInteger(cell.integer, 0, 255, "a byte", reason);
    case ColumnType::integer: return checkInteger(cell.integer, -32768, 32767, "an integer", reason);
    case ColumnType::longInteger:
        return checkInteger(cell.integer, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
                            "a long", reason);
    case ColumnType::boolean: return checkInteger(cell.integer, 0, 1, "a boolean", reason);
    case ColumnType::currency: return true;
    case ColumnType::single:
        if (!std::isfinite(cell.number) || !std::isfinite(static_cast<float>(cell.number))) {
            reason = "the value does not fit a single";
            return false;
        }
        return true;
    case ColumnType::doubleFloat:
        if (!std::isfinite(cell.number)) {
            reason = "the value is not a finite number";
            return false;
        }
        return true;
    case ColumnType::dateTime:
        // 0100-01-01 and 9999-12-31 23:59:59.
        if (!std::isfinite(cell.number) || cell.number < -657434.0 || cell.number >= 2958466.0) {
            reason = "the date is outside the years 100 to 9999";
            return false;
        }
        return true;
    }
    return true;
}

bool checkObjectName(const std::string& name, std::string& reason)
{
    std::u16string units;
    if (!utf8ToUtf16(name, units)) {
        reason = "the name is not valid UTF-8";
        return false;
    }
    if (units.empty() || units.size() > 64) {
        reason = "a name has 1 to 64 characters";
        return false;
    }
    if (units.front() == u' ') {
        reason = "a name does not begin with a space";
        return false;
    }
    for (char16_t unit : units) {
        if (unit < 0x20 || unit == u'.' || unit == u'!' || unit == u'`' || unit == u'[' || unit == u']') {
            reason = "a name holds none of . ! ` [ ] and no control characters";
            return false;
        }
    }
    return true;
}

bool checkTables(const std::vector<TableSpec>& tables, std::string& error)
{
    if (tables.empty()) {
        error = "no tables to write";
        return false;
    }
    std::string reason;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const TableSpec& table = tables[t];
        const std::string where = "table " + table.name;
        if (!checkObjectName(table.name, reason)) {
            error = "table name \"" + table.name + "\": " + reason;
            return false;
        }
        if (table.name.size() >= 4 && equalsIgnoringCase(table.name.substr(0, 4), "MSys")) {
            error = where + ": names beginning with MSys are kept for system tables";
            return false;
        }
        for (std::size_t u = 0; u < t; ++u) {
            if (equalsIgnoringCase(tables[u].name, table.name)) {
                error = where + ": a table of this name comes earlier";
                return false;
            }
        }
        if (table.columns.empty() || table.columns.size() > 255) {
            error = where + ": a table has 1 to 255 columns";
            return false;
        }
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const ColumnSpec& column = table.columns[c];
            if (!checkObjectName(column.name, reason)) {
                error = where + ", column \"" + column.name + "\": " + reason;
                return false;
            }
            for (std::size_t d = 0; d < c; ++d) {
                if (equalsIgnoringCase(table.columns[d].name, column.name)) {
                    error = where + ", column " + column.name + ": a column of this name comes earlier";
                    return false;
                }
            }
            if (column.type == ColumnType::text && (column.textLength < 1 || column.textLength > 255)) {
                error = where + ", column " + column.name + ": a text column holds 1 to 255 characters";
                return false;
            }
        }
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const auto& row = table.rows[r];
            if (row.size() != table.columns.size()) {
                error = where + ", row " + std::to_string(r + 1) + ": " + std::to_string(row.size()) + " values for " +
                        std::to_string(table.columns.size()) + " columns";
                return false;
            }
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (!checkCell(table.columns[c], row[c], reason)) {
                    error = where + ", row " + std::to_string(r + 1) + ", column " + table.columns[c].name + " (" +
                            columnTypeName(table.columns[c].type) + "): " + reason;
                    return false;
                }
            }
        }
    }
    return true;
}

namespace {

// Column type codes of the table definition.
enum JetType : std::uint8_t {
    jetBool = 0x01,
    jetByte = 0x02,
    jetInt = 0x03,
    jetLong = 0x04,
    jetMoney = 0x05,
    jetFloat = 0x06,
    jetDouble = 0x07,
    jetDateTime = 0x08,
    jetText = 0x0A,
    jetOle = 0x0B,
    jetMemo = 0x0C
};

// Column flags.
constexpr std::uint8_t kFixedLength = 0x01;
constexpr std::uint8_t kNullable = 0x02;
constexpr std::uint8_t kCompressedUnicode = 0x01;
// "General" text sort order (1033).
constexpr std::uint16_t kGeneralSortOrder = 0x0409;

struct JetColumn {
    std::string name;
    JetType type = jetText;
    std::uint16_t length = 0;  // bytes; 0 for memo and long binary
    bool fixed = false;
    std::uint16_t fixedOffset = 0;
    std::uint16_t varIndex = 0;
};

struct JetTable {
    std::string name;
    bool system = false;
    std::vector<JetColumn> columns;
    std::size_t fixedSize = 0;
    std::uint16_t varCount = 0;
};

std::uint16_t fixedSizeOf(JetType type)
{
    switch (type) {
    case jetByte: return 1;
    case jetInt: return 2;
    case jetLong:
    case jetFloat: return 4;
    case jetMoney:
    case jetDouble:
    case jetDateTime: return 8;
    default: return 0;
    }
}

JetType jetTypeOf(ColumnType type)
{
    switch (type) {
    case ColumnType::text: return jetText;
    case ColumnType::memo: return jetMemo;
    case ColumnType::byte: return jetByte;
    case ColumnType::integer: return jetInt;
    case ColumnType::longInteger: return jetLong;
    case ColumnType::single: return jetFloat;
    case ColumnType::doubleFloat: return jetDouble;
    case ColumnType::currency: return jetMoney;
    case ColumnType::boolean: return jetBool;
    case ColumnType::dateTime: return jetDateTime;
    }
    return jetText;
}

// Places the columns: fixed ones in the fixed area in column order (booleans take no room
// there: they live in the null mask), variable ones numbered in column order.
void layOut(JetTable& table)
{
    table.fixedSize = 0;
    table.varCount = 0;
    for (JetColumn& column : table.columns) {
        column.fixed = column.type != jetText && column.type != jetMemo && column.type != jetOle;
        if (column.fixed) {
            column.fixedOffset = static_cast<std::uint16_t>(table.fixedSize);
            column.length = column.type == jetBool ? 1 : fixedSizeOf(column.type);
            table.fixedSize += fixedSizeOf(column.type);
        } else {
            column.varIndex = table.varCount++;
        }
    }
}

JetTable jetTableOf(const std::string& name, const std::vector<ColumnSpec>& columns)
{
    JetTable table;
    table.name = name;
    for (const ColumnSpec& columnSpec : columns) {
        JetColumn column;
        column.name = columnSpec.name;
        column.type = jetTypeOf(columnSpec.type);
        if (column.type == jetText)
            column.length = static_cast<std::uint16_t>(2 * columnSpec.textLength);
        table.columns.push_back(column);
    }
    layOut(table);
    return table;
}

std::string ucs2(const std::string& utf8)
{
    std::u16string units;
    utf8ToUtf16(utf8, units);
    std::string bytes;
    for (char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::string encodedText(const std::string& utf8)
{
    std::u16string units;
    utf8ToUtf16(utf8, units);
    std::string bytes;
    jetTextBytes(units, bytes);
    return bytes;
}

// Memo values up to this many encoded bytes stay inside their row.
constexpr std::size_t kInlineMemoLimit = 64;
constexpr std::size_t kMemoHeaderSize = 12;
constexpr std::uint8_t kMemoInline = 0x80;
constexpr std::uint8_t kMemoSingleRow = 0x40;
// A chained long value holds a 4-byte pointer to the next piece before its bytes.
constexpr std::size_t kLongValueChunk = kMaxRowSize - 4;

std::size_t memoFieldSize(std::size_t encodedBytes)
{
    return kMemoHeaderSize + (encodedBytes <= kInlineMemoLimit ? encodedBytes : 0);
}

// The row's size on its data page: column count, fixed area, variable data, and, when the
// table has variable columns, their offsets, the end offset and their count; then the null
// mask.
std::size_t encodedRowSize(const JetTable& table, const std::vector<Cell>& cells)
{
    std::size_t size = 2 + table.fixedSize;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const Cell& cell = cells[c];
        if (cell.isNull)
            continue;
        if (table.columns[c].type == jetText)
            size += encodedText(cell.text).size();
        else if (table.columns[c].type == jetMemo)
            size += memoFieldSize(encodedText(cell.text).size());
    }
    if (table.varCount > 0)
        size += 2 * (static_cast<std::size_t>(table.varCount) + 1) + 2;
    return size + (table.columns.size() + 7) / 8;
}

std::string rowTooLong(std::size_t size)
{
    return "the row takes " + std::to_string(size) + " bytes, more than a data page holds (" + std::to_string(kMaxRowSize) +
           "); use memo columns for long texts";
}

class TableWriter {
public:
    TableWriter(FileImage& file, const JetTable& table, std::uint32_t definitionPage)
        : file_(file), table_(table), definitionPage_(definitionPage), data_(file, definitionPage),
          longValues_(file, RowPageWriter::kLongValueOwner)
    {
    }

    bool addRow(const std::vector<Cell>& cells, std::size_t rowNumber, std::string& error)
    {
        // Checked before the memo values take their room on the long-value pages.
        const std::size_t size = encodedRowSize(table_, cells);
        if (size > kMaxRowSize) {
            error = "table " + table_.name + ", row " + std::to_string(rowNumber) + ": " + rowTooLong(size);
            return false;
        }
        std::string row(2 + table_.fixedSize, '\0');
        put16(row, 0, static_cast<std::uint32_t>(table_.columns.size()));
        std::string nullMask((table_.columns.size() + 7) / 8, '\0');
        std::vector<std::uint16_t> varOffsets;
        for (std::size_t c = 0; c < table_.columns.size(); ++c) {
            const JetColumn& column = table_.columns[c];
            const Cell& cell = cells[c];
            if (!column.fixed)
                varOffsets.push_back(static_cast<std::uint16_t>(row.size()));
            bool present = !cell.isNull;
            if (column.type == jetBool)
                present = !cell.isNull && cell.integer != 0;
            if (present)
                nullMask[c / 8] = static_cast<char>(static_cast<unsigned char>(nullMask[c / 8]) | (1u << (c % 8)));
            if (cell.isNull)
                continue;
            const std::size_t at = 2 + column.fixedOffset;
            switch (column.type) {
            case jetBool: break;
            case jetByte: row[at] = static_cast<char>(cell.integer); break;
            case jetInt: put16(row, at, static_cast<std::uint32_t>(cell.integer) & 0xFFFF); break;
            case jetLong: put32(row, at, static_cast<std::uint32_t>(cell.integer)); break;
            case jetMoney: put64(row, at, static_cast<std::uint64_t>(cell.integer)); break;
            case jetFloat: put32(row, at, std::bit_cast<std::uint32_t>(static_cast<float>(cell.number))); break;
            case jetDouble:
            case jetDateTime: put64(row, at, std::bit_cast<std::uint64_t>(cell.number)); break;
            case jetText: row += encodedText(cell.text); break;
            case jetMemo: row += memoField(encodedText(cell.text)); break;
            case jetOle: break;
            }
        }
        if (table_.varCount > 0) {
            varOffsets.push_back(static_cast<std::uint16_t>(row.size()));  // end of the variable data
            for (auto it = varOffsets.rbegin(); it != varOffsets.rend(); ++it)
                append16(row, *it);
            append16(row, table_.varCount);
        }
        row += nullMask;
        if (row.size() > kMaxRowSize) {
            error = "table " + table_.name + ", row " + std::to_string(rowNumber) + ": " + rowTooLong(row.size());
            return false;
        }
        data_.add(row);
        ++rowCount_;
        return true;
    }

    std::uint32_t definitionPage() const { return definitionPage_; }
    std::uint32_t rowCount() const { return rowCount_; }
    const RowPageWriter& dataPages() const { return data_; }

private:
    std::string memoField(const std::string& bytes)
    {
        std::string field(kMemoHeaderSize, '\0');
        put32(field, 0, static_cast<std::uint32_t>(bytes.size()));
        if (bytes.size() <= kInlineMemoLimit) {
            field[3] = static_cast<char>(kMemoInline);
            return field + bytes;
        }
        if (bytes.size() <= kMaxRowSize) {
            field[3] = static_cast<char>(kMemoSingleRow);
            put32(field, 4, longValues_.add(bytes));
            return field;
        }
        // A chain of pieces, each led by the pointer to the next (0 ends it); the pointers
        // are filled in once every piece has its place.
        std::vector<std::uint32_t> pieces;
        for (std::size_t start = 0; start < bytes.size(); start += kLongValueChunk)
            pieces.push_back(longValues_.add(std::string(4, '\0') + bytes.substr(start, kLongValueChunk)));
        for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
            put32(file_.page(pieces[i] >> 8), longValues_.rowOffset(pieces[i]), pieces[i + 1]);
        field[3] = 0;
        put32(field, 4, pieces.front());
        return field;
    }

    FileImage& file_;
    const JetTable& table_;
    std::uint32_t definitionPage_;
    RowPageWriter data_;
    RowPageWriter longValues_;
    std::uint32_t rowCount_ = 0;
};

constexpr std::uint32_t kCatalogPage = 2;
// Room for a map of every page a Jet file can have (17 map pages of 32,736 pages each).
constexpr std::size_t kFileMapRowSize = 1 + 4 * 17;
constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::size_t kColumnEntrySize = 25;
constexpr std::size_t kDefinitionHeader = 63;

std::size_t definitionSize(const JetTable& table)
{
    std::size_t size = kDefinitionHeader + kColumnEntrySize * table.columns.size() + 2;
    for (const JetColumn& column : table.columns)
        size += 2 + ucs2(column.name).size();
    return size;
}

std::string definitionTooLong(std::size_t size)
{
    return "the table definition takes " + std::to_string(size) + " bytes, more than one page (" +
           std::to_string(kPageSize) + "); use fewer or shorter column names";
}

// The table definition page: header, counts, usage map pointers, column entries, column
// names (UCS-2), and the end mark of the (empty) list of long-value column maps.
bool writeDefinition(FileImage& file, std::uint32_t pageNumber, const JetTable& table, std::uint32_t rowCount,
                     std::uint32_t usedMap, std::uint32_t freeMap, std::string& error)
{
    std::string def(kDefinitionHeader, '\0');
    def[0] = static_cast<char>(pageTableDefinition);
    def[1] = 1;
    put32(def, 16, rowCount);
    def[40] = static_cast<char>(table.system ? kSystemTable : kUserTable);
    const auto columnCount = static_cast<std::uint32_t>(table.columns.size());
    put16(def, 41, columnCount);
    put16(def, 43, table.varCount);
    put16(def, 45, columnCount);
    put32(def, 55, usedMap);
    put32(def, 59, freeMap);
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const JetColumn& column = table.columns[c];
        std::string entry(kColumnEntrySize, '\0');
        entry[0] = static_cast<char>(column.type);
        put16(entry, 5, static_cast<std::uint32_t>(c));
        put16(entry, 7, column.fixed ? 0 : column.varIndex);
        put16(entry, 9, static_cast<std::uint32_t>(c));
        const bool textual = column.type == jetText || column.type == jetMemo;
        if (textual) {
            put16(entry, 11, kGeneralSortOrder);
            entry[16] = static_cast<char>(kCompressedUnicode);
        }
        entry[15] = static_cast<char>(column.fixed ? (kFixedLength | kNullable) : kNullable);
        put16(entry, 21, column.fixed ? column.fixedOffset : 0);
        put16(entry, 23, column.length);
        def += entry;
    }
    for (const JetColumn& column : table.columns) {
        const std::string name = ucs2(column.name);
        append16(def, static_cast<std::uint32_t>(name.size()));
        def += name;
    }
    append16(def, 0xFFFF);
    if (def.size() > kPageSize) {
        error = "table " + table.name + ": " + definitionTooLong(def.size());
        return false;
    }
    put32(def, 8, static_cast<std::uint32_t>(def.size()));
    // The header's word counts the free room less 8.
    put16(def, 2, static_cast<std::uint32_t>(kPageSize - def.size() - 8));
    std::string& page = file.page(pageNumber);
    std::copy(def.begin(), def.end(), page.begin());
    return true;
}

JetTable catalogTable()
{
    JetTable table;
    table.name = "MSysObjects";
    table.system = true;
    const std::pair<const char*, JetType> columns[] = {
        {"Id", jetLong},         {"ParentId", jetLong},     {"Name", jetText}, {"Type", jetInt},
        {"DateCreate", jetDateTime}, {"DateUpdate", jetDateTime}, {"Flags", jetLong}, {"LvProp", jetOle}};
    for (const auto& [name, type] : columns) {
        JetColumn column;
        column.name = name;
        column.type = type;
        if (type == jetText)
            column.length = 2 * 255;
        table.columns.push_back(column);
    }
    layOut(table);
    return table;
}

// Catalog values: object type 1 is a table; system objects carry the high flag bit.
constexpr std::int64_t kObjectTypeTable = 1;
constexpr std::int64_t kSystemObjectFlags = static_cast<std::int32_t>(0x80000002u);
// The Id of the Tables container, which every table names as its parent.
constexpr std::int64_t kTablesContainerId = 0x0F000001;

std::vector<Cell> catalogRow(std::uint32_t definitionPage, const std::string& name, bool system, double now)
{
    return {Cell::ofInteger(definitionPage),
            Cell::ofInteger(kTablesContainerId),
            Cell::ofText(name),
            Cell::ofInteger(kObjectTypeTable),
            Cell::ofNumber(now),
            Cell::ofNumber(now),
            Cell::ofInteger(system ? kSystemObjectFlags : 0),
            Cell::null()};
}

// The time the catalog stores as the tables' creation and update: SOURCE_DATE_EPOCH when it
// is set (a build that must be reproducible says when it happened), else a fixed date, never
// the clock, so that the same tables always give the same bytes.
double creationSerial()
{
    constexpr std::int64_t kFixedSeconds = 946684800;  // 2000-01-01 00:00:00 UTC
    std::int64_t seconds = kFixedSeconds;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        std::int64_t value = 0;
        const char* end = epoch + std::strlen(epoch);
        const auto [at, failure] = std::from_chars(epoch, end, value);
        if (failure == std::errc() && at == end && at != epoch && value >= 0 && value < 253402300800)
            seconds = value;
    }
    return static_cast<double>(civil::kDaysFrom1899To1970) + static_cast<double>(seconds) / 86400.0;
}

// The database definition page. The region from 0x18 is masked with RC4 under a fixed
// key; readers unmask it to find the database key (0: no page encryption), the code page
// and the text sort order.
constexpr std::size_t kMaskedStart = 0x18;
constexpr std::size_t kMaskedLength = 128;

void rc4Mask(std::string& bytes, std::size_t start, std::size_t length)
{
    static const unsigned char key[] = {0xC7, 0xDA, 0x39, 0x6B};
    unsigned char state[256];
    for (int i = 0; i < 256; ++i)
        state[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + state[i] + key[i % 4]) & 0xFF;
        std::swap(state[i], state[j]);
    }
    unsigned i = 0;
    j = 0;
    for (std::size_t k = 0; k < length; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + state[i]) & 0xFF;
        std::swap(state[i], state[j]);
        bytes[start + k] = static_cast<char>(static_cast<unsigned char>(bytes[start + k]) ^ state[(state[i] + state[j]) & 0xFF]);
    }
}

void writeDatabasePage(std::string& page, JetFormat format)
{
    page[0] = static_cast<char>(pageDatabase);
    page[1] = 1;
    const std::string signature = format == JetFormat::ace12 ? "Standard ACE DB" : "Standard Jet DB";
    std::copy(signature.begin(), signature.end(), page.begin() + 4);
    put32(page, 0x14, format == JetFormat::ace12 ? 0x02 : 0x01);
    put16(page, 0x3C, 1252);       // code page
    put32(page, 0x3E, 0);          // database key
    put32(page, 0x6E, kGeneralSortOrder);
    rc4Mask(page, kMaskedStart, kMaskedLength);
}

}  // namespace

bool checkRowFits(const std::vector<ColumnSpec>& columns, const std::vector<Cell>& cells, std::string& reason)
{
    const std::size_t size = encodedRowSize(jetTableOf("", columns), cells);
    if (size <= kMaxRowSize)
        return true;
    reason = rowTooLong(size);
    return false;
}

bool checkDefinitionFits(const std::vector<ColumnSpec>& columns, std::string& reason)
{
    const std::size_t size = definitionSize(jetTableOf("", columns));
    if (size <= kPageSize)
        return true;
    reason = definitionTooLong(size);
    return false;
}

bool buildAccessImage(const std::vector<TableSpec>& tables, JetFormat format, std::string& bytes, std::string& error)
{
    if (!checkTables(tables, error))
        return false;
    FileImage file;
    file.newPage();  // database definition
    const std::uint32_t mapPage = file.newPage();
    file.newPage();  // catalog definition, read from page 2 by every reader

    std::vector<JetTable> jetTables;
    jetTables.reserve(tables.size() + 1);
    jetTables.push_back(catalogTable());
    for (const TableSpec& spec : tables)
        jetTables.push_back(jetTableOf(spec.name, spec.columns));

    std::vector<TableWriter> writers;
    writers.reserve(jetTables.size());
    writers.emplace_back(file, jetTables[0], kCatalogPage);
    for (std::size_t t = 0; t < tables.size(); ++t) {
        writers.emplace_back(file, jetTables[t + 1], file.newPage());
        TableWriter& writer = writers.back();
        for (std::size_t r = 0; r < tables[t].rows.size(); ++r)
            if (!writer.addRow(tables[t].rows[r], r + 1, error))
                return false;
    }
    const double now = creationSerial();
    writers[0].addRow(catalogRow(kCatalogPage, "MSysObjects", true, now), 1, error);
    for (std::size_t t = 1; t < writers.size(); ++t)
        if (!writers[0].addRow(catalogRow(writers[t].definitionPage(), jetTables[t].name, false, now), t + 1, error))
            return false;

    // Usage maps: the map of every page of the file first, as row 0 of page 1 (filled in
    // last, when the page count is final), then two rows per table: its data pages, and
    // those with room left. Many tables spill the rows onto further pages.
    RowPageWriter maps(file, 0);
    maps.adopt(mapPage);
    const std::uint32_t globalMap = maps.add(std::string(kFileMapRowSize, '\0'));
    std::vector<std::uint32_t> mapPointers;
    for (const TableWriter& writer : writers) {
        mapPointers.push_back(maps.add(usageMapRow(file, writer.dataPages().pages())));
        mapPointers.push_back(maps.add(usageMapRow(file, writer.dataPages().pagesWithFreeSpace(64))));
    }
    for (std::size_t t = 0; t < writers.size(); ++t)
        if (!writeDefinition(file, writers[t].definitionPage(), jetTables[t], writers[t].rowCount(), mapPointers[2 * t],
                             mapPointers[2 * t + 1], error))
            return false;

    // The file map's own map pages (for files past 512 pages) must be in it too.
    std::string fileMap;
    for (std::uint32_t total = file.pageCount();;) {
        FileImage probe = file;
        std::vector<std::uint32_t> all(total);
        for (std::uint32_t p = 0; p < total; ++p)
            all[p] = p;
        fileMap = usageMapRow(probe, all, kFileMapRowSize);
        if (probe.pageCount() == total) {
            file = std::move(probe);
            break;
        }
        total = probe.pageCount();
    }
    std::string& page = file.page(mapPage);
    std::copy(fileMap.begin(), fileMap.end(), page.begin() + static_cast<std::ptrdiff_t>(maps.rowOffset(globalMap)));

    writeDatabasePage(file.page(0), format);
    bytes = file.bytes();
    return true;
}

bool writeAccessFile(const std::vector<TableSpec>& tables, const std::string& path, JetFormat format, std::string& error)
{
    std::string bytes;
    if (!buildAccessImage(tables, format, bytes, error))
        return false;
    if (!safefile::WriteFile(path, bytes, error)) {
        error = "cannot write " + path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace refdb
