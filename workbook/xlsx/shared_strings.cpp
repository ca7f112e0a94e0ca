#include "workbook/xlsx/shared_strings.h"

#include "workbook/xlsx/text_collector.h"
#include "workbook/xlsx/xml.h"

namespace wb::xlsx {

namespace {

class SharedStringsHandler : public XmlHandler {
public:
    explicit SharedStringsHandler(std::vector<std::string>& strings) : strings_(strings) {}

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
            strings_.push_back(collector_.finish());
            inItem_ = false;
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
    std::vector<std::string>& strings_;
    TextCollector collector_;
    bool inItem_ = false;
};

}  // namespace

bool readSharedStrings(ZipArchive& zip, const std::string& part, std::vector<std::string>& strings,
                       std::string& error)
{
    SharedStringsHandler handler(strings);
    return parsePart(zip, part, handler, error);
}

}  // namespace wb::xlsx
