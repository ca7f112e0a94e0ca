#include "workbook/xlsx/shared_strings.h"

#include <limits>

#include "workbook/xlsx/text_collector.h"
#include "workbook/xlsx/xml.h"

namespace wb::xlsx {

namespace {

class SharedStringsHandler : public XmlHandler {
public:
    SharedStringsHandler(SharedStrings& strings, ReadBudget& budget) : strings_(strings), budget_(budget) {}

    void start(std::string_view name, const char**) override
    {
        if (!budget_.takeElements(1)) {
            failTooLarge(ReadBudget::elementsRefusal());
            return;
        }
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
            const std::string& text = collector_.finish();
            if (!budget_.take(2 * text.size() + kSharedStringCost))
                failTooLarge(budget_.refusal());
            else if (!strings_.add(text))
                failTooLarge("more shared strings than the reader accepts (" + std::to_string(kMaxSharedStrings) + ")");
        } else if (inItem_) {
            collector_.end(name);
        }
    }
    void text(const char* data, int length) override
    {
        if (!collector_.text(data, length))
            failTooLarge("a shared string longer than a cell can hold (over " + LimitText(kMaxTextBytes) + ")");
    }

private:
    SharedStrings& strings_;
    ReadBudget& budget_;
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

bool readSharedStrings(ZipArchive& zip, const std::string& part, SharedStrings& strings, ReadBudget& budget,
                       std::string& error, ReadProgress* progress)
{
    SharedStringsHandler handler(strings, budget);
    return parsePart(zip, part, handler, error, progress);
}

}  // namespace wb::xlsx
