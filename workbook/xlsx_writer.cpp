#include "workbook/book.h"

namespace wb {

bool writeXlsxFile(const WorkbookData&, const std::string&, std::string& error)
{
    error = "this workbook format is not supported yet";
    return false;
}

}  // namespace wb
