#include "refdb/jet/csv_table.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <limits>
#include <sstream>
#include <vector>

#include "base/ascii_case.h"
#include "base/csv.h"
#include "base/regular_file.h"

namespace refdb {

namespace {

std::string_view trimmedSpaces(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool parseWholeInteger(std::string_view text, std::int64_t& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool allDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

// A decimal with at most four places, as a count of 1/10000.
bool parseCurrency(std::string_view text, std::int64_t& units, std::string& reason)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || (!whole.empty() && !allDigits(whole)) ||
        (point != std::string_view::npos && !fraction.empty() && !allDigits(fraction))) {
        reason = "is not a decimal number";
        return false;
    }
    if (fraction.size() > 4) {
        reason = "has more than the 4 decimal places a currency keeps";
        return false;
    }
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (char c : whole) {
        if (value > (limit - (c - '0')) / 10) {
            reason = "does not fit a currency";
            return false;
        }
        value = value * 10 + (c - '0');
    }
    for (std::size_t k = 0; k < 4; ++k) {
        const int digit = k < fraction.size() ? fraction[k] - '0' : 0;
        if (value > (limit - digit) / 10) {
            reason = "does not fit a currency";
            return false;
        }
        value = value * 10 + digit;
    }
    units = negative ? -value : value;
    return true;
}

bool parseDateTime(std::string_view text, double& serial)
{
    auto number = [&](std::size_t at, std::size_t length, int& value) {
        const std::string_view part = text.substr(at, length);
        if (!allDigits(part))
            return false;
        value = 0;
        for (char c : part)
            value = value * 10 + (c - '0');
        return true;
    };
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (text.size() != 10 && text.size() != 19)
        return false;
    if (!number(0, 4, year) || text[4] != '-' || !number(5, 2, month) || text[7] != '-' || !number(8, 2, day))
        return false;
    if (text.size() == 19 && (text[10] != ' ' || !number(11, 2, hour) || text[13] != ':' || !number(14, 2, minute) ||
                              text[16] != ':' || !number(17, 2, second)))
        return false;
    if (!isValidDateTime(year, month, day, hour, minute, second))
        return false;
    serial = accessSerial(year, month, day, hour, minute, second);
    return true;
}

std::string quotedForMessage(std::string_view text)
{
    constexpr std::size_t shown = 40;
    std::string result = "\"" + std::string(text.substr(0, shown)) + (text.size() > shown ? "...\"" : "\"");
    return result;
}

// Turns one field into a value of the column's type; false with the reason.
bool parseValue(const csv::Field& field, const ColumnSpec& column, Cell& cell, std::string& reason)
{
    cell = Cell::null();
    const bool textual = column.type == ColumnType::text || column.type == ColumnType::memo;
    if (textual) {
        if (field.quoted || !field.text.empty())
            cell = Cell::ofText(field.text);
        return true;
    }
    const std::string_view text = trimmedSpaces(field.text);
    if (column.type == ColumnType::boolean) {
        const std::string word = foldedCopy(text);
        if (word.empty() || word == "false" || word == "no" || word == "0")
            cell = Cell::ofBool(false);
        else if (word == "true" || word == "yes" || word == "1")
            cell = Cell::ofBool(true);
        else {
            reason = quotedForMessage(field.text) + " is not a boolean (true/false, yes/no or 1/0)";
            return false;
        }
        return true;
    }
    // An empty field, quoted or not, is NULL: only texts tell the two apart.
    if (text.empty())
        return true;
    switch (column.type) {
    case ColumnType::byte:
    case ColumnType::integer:
    case ColumnType::longInteger: {
        std::int64_t value = 0;
        if (!parseWholeInteger(text, value)) {
            reason = quotedForMessage(field.text) + " is not a whole number";
            return false;
        }
        cell = Cell::ofInteger(value);
        return true;
    }
    case ColumnType::single:
    case ColumnType::doubleFloat: {
        std::string_view digits = text;
        if (digits.front() == '+')
            digits.remove_prefix(1);
        double value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        const bool letters = digits.find_first_of("iInN") != std::string_view::npos;  // inf, nan
        if (ec == std::errc::result_out_of_range) {
            reason = quotedForMessage(field.text) + " is out of range";
            return false;
        }
        if (ec != std::errc() || end != digits.data() + digits.size() || letters || digits.empty()) {
            reason = quotedForMessage(field.text) + " is not a number (write it with a decimal point)";
            return false;
        }
        cell = Cell::ofNumber(value);
        return true;
    }
    case ColumnType::currency: {
        std::int64_t units = 0;
        std::string why;
        if (!parseCurrency(text, units, why)) {
            reason = quotedForMessage(field.text) + " " + why;
            return false;
        }
        cell = Cell::ofCurrencyUnits(units);
        return true;
    }
    case ColumnType::dateTime: {
        double serial = 0;
        if (!parseDateTime(text, serial)) {
            reason = quotedForMessage(field.text) + " is not a date (YYYY-MM-DD or YYYY-MM-DD HH:MM:SS)";
            return false;
        }
        cell = Cell::ofNumber(serial);
        return true;
    }
    default: return true;
    }
}

std::string located(const std::string& fileLabel, std::size_t line, const std::string& reason)
{
    return fileLabel + ":" + std::to_string(line) + ": " + reason;
}

}  // namespace

bool parseColumnHeader(std::string_view field, ColumnSpec& column, std::string& reason)
{
    const std::size_t colon = field.rfind(':');
    if (colon == std::string_view::npos) {
        reason = "column " + quotedForMessage(field) + " has no :type";
        return false;
    }
    column = ColumnSpec{};
    column.name = std::string(field.substr(0, colon));
    if (!checkObjectName(column.name, reason)) {
        reason = "column " + quotedForMessage(column.name) + ": " + reason;
        return false;
    }
    const std::string type = foldedCopy(trimmedSpaces(field.substr(colon + 1)));
    static const std::pair<const char*, ColumnType> names[] = {
        {"text", ColumnType::text},       {"memo", ColumnType::memo},       {"byte", ColumnType::byte},
        {"integer", ColumnType::integer}, {"long", ColumnType::longInteger}, {"single", ColumnType::single},
        {"double", ColumnType::doubleFloat}, {"currency", ColumnType::currency}, {"boolean", ColumnType::boolean},
        {"datetime", ColumnType::dateTime}};
    for (const auto& [name, value] : names) {
        if (type == name) {
            column.type = value;
            return true;
        }
    }
    if (type.size() > 6 && type.compare(0, 5, "text(") == 0 && type.back() == ')') {
        const std::string_view digits = std::string_view(type).substr(5, type.size() - 6);
        std::int64_t length = 0;
        if (allDigits(digits) && parseWholeInteger(digits, length) && length >= 1 && length <= 255) {
            column.type = ColumnType::text;
            column.textLength = static_cast<int>(length);
            return true;
        }
        reason = "column " + column.name + ": a text column holds 1 to 255 characters, not " + std::string(digits);
        return false;
    }
    reason = "column " + column.name + ": unknown type " + quotedForMessage(field.substr(colon + 1)) +
             " (text, text(N), memo, byte, integer, long, single, double, currency, boolean, datetime)";
    return false;
}

bool parseCsvTable(std::string_view text, const std::string& fileLabel, TableSpec& table, std::string& error)
{
    table.columns.clear();
    table.rows.clear();
    // A spreadsheet program's "Unicode text" is UTF-16: its bytes read as UTF-8 would make
    // every message about the file show raw bytes. A NUL byte is no part of a UTF-8 text.
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") || text.find('\0') != std::string_view::npos) {
        error = located(fileLabel, 1, "the file is UTF-16 or binary, not UTF-8 text; save it as CSV UTF-8");
        return false;
    }
    // Records are taken one at a time, so that only the converted rows stay in memory.
    bool headerRead = false;
    std::string reason;
    auto takeHeader = [&](const csv::Record& header) {
        for (const csv::Field& field : header.fields) {
            ColumnSpec column;
            if (!parseColumnHeader(field.text, column, reason)) {
                error = located(fileLabel, header.line, reason);
                return false;
            }
            for (const ColumnSpec& earlier : table.columns) {
                if (foldedCopy(earlier.name) == foldedCopy(column.name)) {
                    error = located(fileLabel, header.line, "column " + column.name + " is named twice");
                    return false;
                }
            }
            table.columns.push_back(column);
        }
        if (table.columns.size() > 255) {
            error = located(fileLabel, header.line, "more than 255 columns");
            return false;
        }
        if (!checkDefinitionFits(table.columns, reason)) {
            error = located(fileLabel, header.line, reason);
            return false;
        }
        return true;
    };
    auto takeRow = [&](const csv::Record& record) {
        if (record.fields.size() != table.columns.size()) {
            error = located(fileLabel, record.line,
                            std::to_string(record.fields.size()) + " fields, but the header names " +
                                std::to_string(table.columns.size()) + " columns");
            return false;
        }
        std::vector<Cell> cells(table.columns.size());
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const ColumnSpec& column = table.columns[c];
            if (!parseValue(record.fields[c], column, cells[c], reason) || !checkCell(column, cells[c], reason)) {
                error = located(fileLabel, record.line, "column " + column.name + ": " + reason);
                return false;
            }
        }
        if (!checkRowFits(table.columns, cells, reason)) {
            error = located(fileLabel, record.line, reason);
            return false;
        }
        table.rows.push_back(std::move(cells));
        return true;
    };
    std::size_t errorLine = 0;
    error.clear();
    bool parsed = csv::forEachRecord(
        text,
        [&](csv::Record& record) {
            if (headerRead)
                return takeRow(record);
            headerRead = true;
            return takeHeader(record);
        },
        errorLine, reason);
    if (!parsed) {
        if (error.empty())
            error = located(fileLabel, errorLine, reason);
        return false;
    }
    if (!headerRead) {
        error = located(fileLabel, 1, "no header line naming the columns");
        return false;
    }
    return true;
}

bool readCsvTable(const std::string& path, TableSpec& table, std::string& error)
{
    // A FIFO given as a source would block the read for ever: only a regular file is read.
    std::string reason;
    const int fd = OpenRegularFile(path, reason);
    if (fd < 0) {
        error = path + (reason == kNotRegularFile ? ": " + reason : std::string(": cannot be opened"));
        return false;
    }
    std::string contents;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            error = path + ": cannot be read";
            return false;
        }
        if (n == 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return parseCsvTable(contents, path, table, error);
}

}  // namespace refdb
