#include "refdb/db_table.h"

#include "refdb/ascii_case.h"

dbTable::dbTable(std::vector<Column> columns, int rows)
    : rowCount(rows), colCount(static_cast<int>(columns.size())), columns_(std::move(columns))
{
    // Like a recordset without rows or fields, an empty table has no columns at all.
    if (rowCount == 0 || colCount == 0) {
        colCount = 0;
        columns_.clear();
    }
}

int dbTable::FindColumn(std::string_view name) const
{
    for (int i = 0; i < colCount; ++i)
        if (equalsIgnoringCase(columns_[static_cast<std::size_t>(i)].name, name))
            return i;
    return -1;
}

const dbTable::Column* dbTable::columnOfKind(int row, int col, int kind) const
{
    if (col < 0 || col >= colCount || row < 0 || row >= rowCount)
        return nullptr;
    const Column& column = columns_[static_cast<std::size_t>(col)];
    return column.kind == kind ? &column : nullptr;
}

bool dbTable::GetShort(int row, int col, int& result) const
{
    const Column* column = columnOfKind(row, col, kindShort);
    if (!column)
        return false;
    result = column->integers[static_cast<std::size_t>(row)];
    return true;
}

bool dbTable::GetLong(int row, int col, long& result) const
{
    const Column* column = columnOfKind(row, col, kindLong);
    if (!column)
        return false;
    result = column->integers[static_cast<std::size_t>(row)];
    return true;
}

bool dbTable::GetDouble(int row, int col, double& result) const
{
    const Column* column = columnOfKind(row, col, kindDouble);
    if (!column)
        return false;
    result = column->doubles[static_cast<std::size_t>(row)];
    return true;
}

bool dbTable::GetString(int row, int col, std::string& result) const
{
    const Column* column = columnOfKind(row, col, kindText);
    if (!column)
        return false;
    result = column->texts[static_cast<std::size_t>(row)];
    return true;
}

bool dbTable::GetBool(int row, int col, std::uint8_t& result) const
{
    const Column* column = columnOfKind(row, col, kindBool);
    if (!column)
        return false;
    result = column->booleans[static_cast<std::size_t>(row)];
    return true;
}
