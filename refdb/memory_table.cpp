#include "refdb/memory_table.h"

#include "refdb/ado_recordset.h"
#include "base/ascii_case.h"

int MemoryTable::KindOfFieldType(int adoType)
{
    switch (adoType) {
    case 2: return MemoryTable::kindShort;                        // adSmallInt
    case 3: return MemoryTable::kindLong;                         // adInteger
    case 4: case 5: return MemoryTable::kindDouble;               // adSingle, adDouble
    case 8: case 130: case 202: return MemoryTable::kindText;     // adBSTR, adWChar, adVarWChar
    case 11: return MemoryTable::kindBool;                        // adBoolean
    default: return MemoryTable::kindNone;
    }
}

MemoryTable::MemoryTable(CADORecordset& recordset)
    : rowCount(static_cast<int>(recordset.GetRecordCount())), colCount(recordset.GetFieldCount())
{
    if (rowCount == 0 || colCount == 0) {
        colCount = 0;
        return;
    }
    columns_.resize(static_cast<std::size_t>(colCount));
    const auto rows = static_cast<std::size_t>(rowCount);
    for (int c = 0; c < colCount; ++c) {
        FieldInfo info;
        recordset.GetFieldInfo(c, info);
        Column& column = columns_[static_cast<std::size_t>(c)];
        column.name = info.name;
        column.kind = KindOfFieldType(info.type);
        switch (column.kind) {
        case kindShort:
        case kindLong: column.integers.resize(rows); break;
        case kindDouble: column.doubles.resize(rows); break;
        case kindText: column.texts.resize(rows); break;
        case kindBool: column.booleans.resize(rows); break;
        default: break;
        }
    }

    // A getter's result is stored as the getter left it: a null reads as 0, an empty
    // text or false.
    recordset.MoveFirst();
    for (std::size_t r = 0; r < rows; ++r) {
        for (int c = 0; c < colCount; ++c) {
            Column& column = columns_[static_cast<std::size_t>(c)];
            switch (column.kind) {
            case kindShort: {
                int value = 0;
                recordset.GetFieldValue(c, value);
                column.integers[r] = value;
                break;
            }
            case kindLong: {
                long value = 0;
                recordset.GetFieldValue(c, value);
                column.integers[r] = static_cast<std::int32_t>(value);
                break;
            }
            case kindDouble: {
                double value = 0;
                recordset.GetFieldValue(c, value);
                column.doubles[r] = value;
                break;
            }
            case kindText:
                recordset.GetFieldValue(c, column.texts[r], "");
                break;
            case kindBool: {
                bool value = false;
                recordset.GetFieldValue(c, value);
                column.booleans[r] = value ? 1 : 0;
                break;
            }
            default:
                break;
            }
        }
        recordset.MoveNext();
    }
}

MemoryTable::MemoryTable(std::vector<Column> columns, int rows)
    : rowCount(rows), colCount(static_cast<int>(columns.size())), columns_(std::move(columns))
{
    // Like a recordset without rows or fields, an empty table has no columns at all.
    if (rowCount == 0 || colCount == 0) {
        colCount = 0;
        columns_.clear();
    }
}

int MemoryTable::FindColumn(std::string_view name) const
{
    for (int i = 0; i < colCount; ++i)
        if (equalsIgnoringCase(columns_[static_cast<std::size_t>(i)].name, name))
            return i;
    return -1;
}

const MemoryTable::Column* MemoryTable::columnOfKind(int row, int col, int kind) const
{
    if (col < 0 || col >= colCount || row < 0 || row >= rowCount)
        return nullptr;
    const Column& column = columns_[static_cast<std::size_t>(col)];
    return column.kind == kind ? &column : nullptr;
}

bool MemoryTable::GetShort(int row, int col, int& result) const
{
    const Column* column = columnOfKind(row, col, kindShort);
    if (!column)
        return false;
    result = column->integers[static_cast<std::size_t>(row)];
    return true;
}

bool MemoryTable::GetLong(int row, int col, long& result) const
{
    const Column* column = columnOfKind(row, col, kindLong);
    if (!column)
        return false;
    result = column->integers[static_cast<std::size_t>(row)];
    return true;
}

bool MemoryTable::GetDouble(int row, int col, double& result) const
{
    const Column* column = columnOfKind(row, col, kindDouble);
    if (!column)
        return false;
    result = column->doubles[static_cast<std::size_t>(row)];
    return true;
}

bool MemoryTable::GetString(int row, int col, std::string& result) const
{
    const Column* column = columnOfKind(row, col, kindText);
    if (!column)
        return false;
    result = column->texts[static_cast<std::size_t>(row)];
    return true;
}

bool MemoryTable::GetBool(int row, int col, std::uint8_t& result) const
{
    const Column* column = columnOfKind(row, col, kindBool);
    if (!column)
        return false;
    result = column->booleans[static_cast<std::size_t>(row)];
    return true;
}
