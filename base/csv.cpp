#include "base/csv.h"

namespace csv {

bool forEachRecord(std::string_view text, const std::function<bool(Record&)>& take, std::size_t& errorLine,
                   std::string& reason)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::size_t i = 0;
    std::size_t line = 1;
    const std::size_t n = text.size();
    auto atLineEnd = [&](std::size_t at) { return at < n && (text[at] == '\n' || (text[at] == '\r' && at + 1 < n && text[at + 1] == '\n')); };
    auto skipLineEnd = [&]() {
        i += text[i] == '\r' ? 2 : 1;
        ++line;
    };
    while (i < n) {
        if (atLineEnd(i)) {  // an empty line holds no record
            skipLineEnd();
            continue;
        }
        Record record;
        record.line = line;
        for (;;) {
            Field field;
            if (i < n && text[i] == '"') {
                field.quoted = true;
                const std::size_t openedOn = line;
                ++i;
                for (;;) {
                    if (i >= n) {
                        errorLine = openedOn;
                        reason = "a quoted field is not closed";
                        return false;
                    }
                    const char c = text[i];
                    if (c == '"') {
                        if (i + 1 < n && text[i + 1] == '"') {
                            field.text.push_back('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == '\n')
                        ++line;
                    field.text.push_back(c);
                    ++i;
                }
                if (i < n && text[i] != ',' && !atLineEnd(i)) {
                    errorLine = line;
                    reason = "text after the closing quote of a field";
                    return false;
                }
            } else {
                while (i < n && text[i] != ',' && !atLineEnd(i)) {
                    if (text[i] == '"') {
                        errorLine = line;
                        reason = "a quote inside an unquoted field";
                        return false;
                    }
                    if (text[i] == '\r') {
                        errorLine = line;
                        reason = "a carriage return without a line feed outside quotes";
                        return false;
                    }
                    field.text.push_back(text[i]);
                    ++i;
                }
            }
            if (record.fields.size() == kMaxFields) {
                errorLine = record.line;
                reason = "more than " + std::to_string(kMaxFields) + " fields on one line";
                return false;
            }
            record.fields.push_back(std::move(field));
            if (i < n && text[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
        if (!take(record))
            return false;
        if (i < n)
            skipLineEnd();
    }
    return true;
}

bool parse(std::string_view text, std::vector<Record>& records, std::size_t& errorLine, std::string& reason)
{
    records.clear();
    return forEachRecord(
        text,
        [&records](Record& record) {
            records.push_back(std::move(record));
            return true;
        },
        errorLine, reason);
}

void appendField(std::string& line, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += text;
        return;
    }
    line += '"';
    for (char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace csv
