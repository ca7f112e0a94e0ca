#include "workbook/cells/cell_names.h"

namespace wb {

std::string ColumnLetters(int col)
{
    std::string letters;
    for (long long c = static_cast<long long>(col) + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters;
}

std::string CellName(int row, int col)
{
    return ColumnLetters(col) + std::to_string(static_cast<long long>(row) + 1);
}

}  // namespace wb
