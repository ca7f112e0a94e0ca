#include "refdb/ado_recordset.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

#include "base/civil_date.h"
#include "matrix/number_format.h"
#include "base/ascii_case.h"
#include "refdb/select_query.h"

namespace {

std::string decimalText(long long value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string leftTrimmed(const std::string& text)
{
    std::size_t first = text.find_first_not_of(" \t\r\n\f\v");
    return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

std::string FormatAdoDate(double date, const std::string& format)
{
    // Years 100 to 9999, the range an automation date may hold.
    if (!(date >= -657434.0 && date < 2958466.0))
        return "Invalid DateTime";
    double whole = std::trunc(date);
    auto dayNumber = static_cast<long long>(whole);
    // Before 30 December 1899 the fraction still counts forward from midnight.
    auto seconds = static_cast<long long>(std::llround(std::fabs(date - whole) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        ++dayNumber;
    }
    const long long daysSince1970 = dayNumber - civil::kDaysFrom1899To1970;
    const civil::Date civilDate = civil::DateFromDays(daysSince1970);
    const long long year = civilDate.year, month = civilDate.month, day = civilDate.day;

    std::tm t{};
    t.tm_year = static_cast<int>(year - 1900);
    t.tm_mon = static_cast<int>(month - 1);
    t.tm_mday = static_cast<int>(day);
    t.tm_hour = static_cast<int>(seconds / 3600);
    t.tm_min = static_cast<int>(seconds / 60 % 60);
    t.tm_sec = static_cast<int>(seconds % 60);
    t.tm_wday = static_cast<int>(((daysSince1970 % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    static const int startOfMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = civil::IsLeapYear(year);
    t.tm_yday = startOfMonth[month - 1] + static_cast<int>(day) - 1 + (leap && month > 2 ? 1 : 0);
    t.tm_isdst = -1;

    char buffer[256];
    std::size_t n = std::strftime(buffer, sizeof buffer, format.empty() ? "%Y-%m-%d %H:%M:%S" : format.c_str(), &t);
    return std::string(buffer, n);
}

CADORecordset::CADORecordset(CADODatabase& database) : connection_(database.GetActiveConnection()) {}

CADORecordset::~CADORecordset()
{
    Close();
}

bool CADORecordset::IsOpen() const
{
    return open_ && connection_ && connection_->isOpen() && connection_->generation() == connectionGeneration_;
}

void CADORecordset::Close()
{
    open_ = false;
    data_ = AccessFile::Table{};
    position_ = 0;
}

void CADORecordset::recordError(const AdoError& error)
{
    lastErrorText = "Query = " + query_ + "\n" + ComposeAdoErrorText("CADORecordset Error", error);
}

bool CADORecordset::Open(const std::string& source, int mode)
{
    if (open_)
        Close();
    if (!source.empty())
        query_ = source;
    query_ = leftTrimmed(query_);
    if (mode != modeUnknown && mode != modeQuery && mode != modeTable)
        return false;
    if (!connection_ || !connection_->isOpen()) {
        recordError({adoCode::connectionClosed, "ADODB.Recordset", AdoCodeMeaning(adoCode::connectionClosed)});
        return false;
    }
    const std::string& engine = connection_->engine();

    SelectQuery query;
    std::string reason;
    if (mode == modeTable) {
        query.table = query_;
        while (!query.table.empty() && std::strchr(" \t\r\n", query.table.back()))
            query.table.pop_back();
    } else if (!ParseSelectQuery(query_, query, reason)) {
        recordError({adoCode::syntaxError, engine, reason});
        return false;
    }

    AccessFile::Table table;
    if (!connection_->file()->readTable(query.table, table, reason)) {
        bool exists = false;
        for (const std::string& name : connection_->file()->tableNames())
            exists = exists || equalsIgnoringCase(name, query.table);
        recordError({exists ? adoCode::unspecified : adoCode::tableNotFound, engine, reason});
        return false;
    }
    std::uint32_t code = 0;
    if (!RunSelectQuery(query, table, code, reason)) {
        recordError({code, engine, reason});
        return false;
    }
    data_ = std::move(table);
    position_ = 0;
    open_ = true;
    connectionGeneration_ = connection_->generation();
    return true;
}

long CADORecordset::GetRecordCount() const
{
    return open_ ? static_cast<long>(data_.rows.size()) : 0;
}

int CADORecordset::GetFieldCount() const
{
    return open_ ? static_cast<int>(data_.columns.size()) : 0;
}

bool CADORecordset::GetFieldInfo(int index, FieldInfo& info) const
{
    std::memset(&info, 0, sizeof info);
    if (!open_ || index < 0 || static_cast<std::size_t>(index) >= data_.columns.size())
        return false;
    const AccessFile::ColumnInfo& column = data_.columns[static_cast<std::size_t>(index)];
    std::strncpy(info.name, column.name.c_str(), sizeof info.name - 1);
    info.type = static_cast<std::int16_t>(column.adoType);
    info.definedSize = column.definedSize;
    info.attributes = column.attributes;
    if (!IsEOF()) {
        const DbValue& value = data_.rows[position_][static_cast<std::size_t>(index)];
        if (value.isNull())
            info.actualSize = 0;
        else if (value.kind == DbValue::kindText || value.kind == DbValue::kindBinary)
            info.actualSize = static_cast<std::int32_t>(value.text.size());
        else
            info.actualSize = column.definedSize;
    }
    return true;
}

void CADORecordset::MoveFirst()
{
    position_ = 0;
}

void CADORecordset::MoveNext()
{
    if (position_ < data_.rows.size())
        ++position_;
}

bool CADORecordset::IsEOF() const
{
    return !open_ || position_ >= data_.rows.size();
}

bool CADORecordset::IsBOF() const
{
    return !open_ || data_.rows.empty();
}

const DbValue* CADORecordset::currentValue(int index)
{
    if (!IsOpen() || position_ >= data_.rows.size()) {
        recordError({adoCode::noCurrentRecord, "ADODB.Field", AdoCodeMeaning(adoCode::noCurrentRecord)});
        return nullptr;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= data_.columns.size()) {
        recordError({adoCode::itemNotFound, "ADODB.Fields", AdoCodeMeaning(adoCode::itemNotFound)});
        return nullptr;
    }
    return &data_.rows[position_][static_cast<std::size_t>(index)];
}

// The integer getters take integer kinds only: reading another kind's bits as an
// integer, as a bare variant slot would, gives a meaningless number.
bool CADORecordset::GetFieldValue(int index, int& value)
{
    const DbValue* v = currentValue(index);
    if (!v)
        return false;
    switch (v->kind) {
    case DbValue::kindEmpty:
    case DbValue::kindNull: value = 0; return true;
    case DbValue::kindInt16: value = v->int16; return true;
    case DbValue::kindByte: value = v->byte; return true;
    case DbValue::kindBool: value = v->boolean ? -1 : 0; return true;
    case DbValue::kindInt32: value = static_cast<std::int16_t>(v->int32 & 0xFFFF); return true;
    default: value = 0; return false;
    }
}

bool CADORecordset::GetFieldValue(int index, long& value)
{
    const DbValue* v = currentValue(index);
    if (!v)
        return false;
    switch (v->kind) {
    case DbValue::kindEmpty:
    case DbValue::kindNull: value = 0; return true;
    case DbValue::kindInt32: value = v->int32; return true;
    case DbValue::kindInt16: value = v->int16; return true;
    case DbValue::kindByte: value = v->byte; return true;
    case DbValue::kindBool: value = v->boolean ? -1 : 0; return true;
    default: value = 0; return false;
    }
}

bool CADORecordset::GetFieldValue(int index, double& value)
{
    const DbValue* v = currentValue(index);
    if (!v)
        return false;
    switch (v->kind) {
    case DbValue::kindInt16: value = v->int16; break;
    case DbValue::kindInt32: value = v->int32; break;
    case DbValue::kindFloat: value = v->single; break;
    case DbValue::kindDouble:
    case DbValue::kindDecimal: value = v->real; break;
    case DbValue::kindByte: value = v->byte; break;
    default: value = 0; break;  // null, and kinds without a number of their own
    }
    return true;
}

bool CADORecordset::GetFieldValue(int index, std::string& value, const std::string& dateFormat)
{
    const DbValue* v = currentValue(index);
    if (!v)
        return false;
    switch (v->kind) {
    case DbValue::kindEmpty:
    case DbValue::kindNull: value.clear(); return true;
    case DbValue::kindInt16: value = decimalText(v->int16); return true;
    case DbValue::kindByte: value = decimalText(v->byte); return true;
    case DbValue::kindInt32: value = decimalText(v->int32); return true;
    case DbValue::kindFloat: value = numtext::general(v->single, 10); return true;
    case DbValue::kindDouble:
    case DbValue::kindDecimal: value = numtext::general(v->real, 20); return true;
    case DbValue::kindDate: value = FormatAdoDate(v->real, dateFormat); return true;
    case DbValue::kindText: value = v->text; return true;
    case DbValue::kindBool: value = v->boolean ? "T" : "F"; return true;
    default: value.clear(); return false;
    }
}

bool CADORecordset::GetFieldValue(int index, bool& value)
{
    const DbValue* v = currentValue(index);
    if (!v)
        return false;
    if (v->isNull()) {
        value = false;
        return true;
    }
    if (v->kind != DbValue::kindBool)
        return false;
    value = v->boolean;
    return true;
}
