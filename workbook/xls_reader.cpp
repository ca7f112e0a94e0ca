#include "workbook/book.h"

namespace wb {

bool readXlsFile(const std::string&, WorkbookData&, std::string& error)
{
    error = "this workbook format is not supported yet";
    return false;
}

}  // namespace wb
