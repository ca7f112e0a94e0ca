#include "workbook/xlsx/shared_strings.h"

#include <limits>

#include "workbook/xlsx/text_collector.h"
#include "workbook/xlsx/xml.h"

namespace wb::xlsx {

namespace {

class SharedStringsHandler : public XmlHandler {
public:
    explicit SharedStringsHandler(SharedStrings& strings) : strings_(strings) {}

    void start(std::string_view name, const char**) override
    {
        if (name == "si") {
            collector_.begin();
            inItem_ = true;
        } else if (inItem_) {
            collector_.start(name);
        }
    }
    void end(std::string_view name) override
    {
        if (name == "si" && inItem_) {
            inItem_ = false;
            if (!strings_.add(collector_.finish()))
                fail("more shared strings than the reader accepts");
        } else if (inItem_) {
            collector_.end(name);
        }
    }
    void text(const char* data, int length) override
    {
        if (!collector_.text(data, length))
            fail("a shared string longer than a cell can hold");
    }

private:
    SharedStrings& strings_;
    TextCollector collector_;
    bool inItem_ = false;
};

}  // namespace

bool SharedStrings::add(std::string_view text)
{
    if (ends_.size() >= kMaxSharedStrings || text.size() > std::numeric_limits<std::uint32_t>::max() - text_.size())
        return false;
    text_.append(text);
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
    return true;
}

bool readSharedStrings(ZipArchive& zip, const std::string& part, SharedStrings& strings, std::string& error)
{
    SharedStringsHandler handler(strings);
    return parsePart(zip, part, handler, error);
}

}  // namespace wb::xlsx
