#include "workbook/xlsx_text_collector.h"

#include "workbook/xlsx_values.h"

namespace wb::xlsx {

std::string TextCollector::finish()
{
    std::string done = std::move(text_);
    text_.clear();
    decodeEscapes(done);
    return done;
}

}  // namespace wb::xlsx
