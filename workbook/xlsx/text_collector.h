#pragma once

#include <string>
#include <string_view>

#include "workbook/xlsx/xml.h"

namespace wb::xlsx {

// Gathers the text of a string item (a shared string's <si> or an inline <is>): the
// <t> elements, directly inside or in rich-text runs <r>, but not those of phonetic
// runs <rPh>, which carry a reading aid rather than the cell's text.
class TextCollector {
public:
    void begin()
    {
        text_.clear();
        inText_ = false;
        phoneticDepth_ = 0;
    }
    // Elements inside the item, by local name.
    void start(std::string_view name)
    {
        if (name == "rPh")
            ++phoneticDepth_;
        else if (name == "t" && phoneticDepth_ == 0)
            inText_ = true;
    }
    void end(std::string_view name)
    {
        if (name == "rPh" && phoneticDepth_ > 0)
            --phoneticDepth_;
        else if (name == "t")
            inText_ = false;
    }
    // False once the text outgrows what a cell can hold.
    bool text(const char* data, int length)
    {
        if (!inText_)
            return true;
        if (text_.size() + static_cast<std::size_t>(length) > kMaxTextBytes)
            return false;
        text_.append(data, static_cast<std::size_t>(length));
        return true;
    }
    // The item's text with its escapes decoded.
    std::string finish();

private:
    std::string text_;
    bool inText_ = false;
    int phoneticDepth_ = 0;
};

}  // namespace wb::xlsx
