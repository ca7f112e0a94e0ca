#include "workbook/xlsx/text_collector.h"

#include "workbook/xlsx/values.h"

namespace wb::xlsx {

std::string TextCollector::finish()
{
    std::string done = std::move(text_);
    text_.clear();
    decodeEscapes(done);
    return done;
}

}  // namespace wb::xlsx
