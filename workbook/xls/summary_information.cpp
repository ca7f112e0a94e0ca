#include "workbook/xls/summary_information.h"

#include <algorithm>
#include <string>
#include <utility>

#include "workbook/xls/records.h"

namespace wb {

namespace {

using xls::put16;
using xls::put32;
using xls::set32;

// The format id of the summary information section, F29F85E0-4FF9-1068-AB91-08002B27B3D9,
// in its stored byte order.
constexpr std::uint8_t kSummaryFormatId[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                               0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

constexpr std::uint32_t kCodePageProperty = 0x01;
constexpr std::uint32_t kTitleProperty = 0x02;
constexpr std::uint32_t kSubjectProperty = 0x03;
constexpr std::uint32_t kKeywordsProperty = 0x05;
constexpr std::uint32_t kCommentsProperty = 0x06;
constexpr std::uint32_t kApplicationProperty = 0x12;

constexpr std::uint16_t kTypeShort = 0x0002;   // VT_I2
constexpr std::uint16_t kTypeString = 0x001E;  // VT_LPSTR, in the section's code page

constexpr std::uint16_t kLatin1CodePage = 1252;
constexpr std::uint16_t kUtf8CodePage = 65001;

// The texts in one code page: Windows-1252 when every character is ASCII or one of the
// Latin-1 letters and signs (where it agrees with Unicode), else UTF-8.
std::uint16_t codePageFor(const std::vector<const std::string*>& texts)
{
    for (const std::string* text : texts) {
        std::u16string units;
        if (!xls::utf8ToUtf16(*text, units))
            return kUtf8CodePage;
        for (char16_t c : units)
            if (c > 0xFF || (c >= 0x80 && c < 0xA0))
                return kUtf8CodePage;
    }
    return kLatin1CodePage;
}

std::string encoded(const std::string& text, std::uint16_t codePage)
{
    if (codePage == kUtf8CodePage)
        return text;
    std::u16string units;
    xls::utf8ToUtf16(text, units);
    std::string bytes;
    for (char16_t c : units)
        bytes.push_back(static_cast<char>(c));
    return bytes;
}

void padToFour(std::vector<std::uint8_t>& out)
{
    while (out.size() % 4 != 0)
        out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> summaryInformationStream(const DocumentProperties& properties)
{
    std::vector<std::pair<std::uint32_t, const std::string*>> texts;
    if (!properties.title.empty())
        texts.emplace_back(kTitleProperty, &properties.title);
    if (!properties.subject.empty())
        texts.emplace_back(kSubjectProperty, &properties.subject);
    if (!properties.keywords.empty())
        texts.emplace_back(kKeywordsProperty, &properties.keywords);
    if (!properties.comments.empty())
        texts.emplace_back(kCommentsProperty, &properties.comments);
    if (!properties.application.empty())
        texts.emplace_back(kApplicationProperty, &properties.application);
    if (texts.empty())
        return {};
    std::vector<const std::string*> all;
    for (const auto& t : texts)
        all.push_back(t.second);
    const std::uint16_t codePage = codePageFor(all);

    std::vector<std::uint8_t> out;
    put16(out, 0xFFFE);  // byte order mark
    put16(out, 0);       // version
    put32(out, 0x00020006);  // written on Windows NT 6.0 (the value Office itself writes)
    out.resize(out.size() + 16, 0);  // no class id
    put32(out, 1);  // one section
    out.insert(out.end(), std::begin(kSummaryFormatId), std::end(kSummaryFormatId));
    put32(out, 48);  // where the section starts: right after this header

    const std::size_t section = out.size();
    const std::size_t count = texts.size() + 1;
    put32(out, 0);  // section size, filled in below
    put32(out, static_cast<std::uint32_t>(count));
    const std::size_t table = out.size();
    out.resize(out.size() + 8 * count, 0);
    auto entry = [&](std::size_t i, std::uint32_t id) {
        set32(out, table + 8 * i, id);
        set32(out, table + 8 * i + 4, static_cast<std::uint32_t>(out.size() - section));
    };

    entry(0, kCodePageProperty);
    put16(out, kTypeShort);
    put16(out, 0);
    put16(out, codePage);
    put16(out, 0);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        entry(i + 1, texts[i].first);
        const std::string bytes = encoded(*texts[i].second, codePage);
        put16(out, kTypeString);
        put16(out, 0);
        put32(out, static_cast<std::uint32_t>(bytes.size() + 1));  // with its closing zero
        out.insert(out.end(), bytes.begin(), bytes.end());
        out.push_back(0);
        padToFour(out);
    }
    set32(out, section, static_cast<std::uint32_t>(out.size() - section));
    return out;
}

}  // namespace wb
