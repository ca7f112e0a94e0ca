#include "import/default_values.h"

#include <charconv>
#include <cmath>

#include "matrix/number_format.h"

namespace {

struct BoxRule {
    DefaultValueBox box;
    double lowest, highest;
};

// The allowed ranges: alkalinity in mg/l, calcium in ueq/l, DOC in mg/l.
constexpr BoxRule kRules[] = {{DefaultValueBox::alkalinity, 0, 1000},
                              {DefaultValueBox::calcium, 0, 100},
                              {DefaultValueBox::doc, 0, 20}};

std::optional<std::string> readBox(const std::string& text, const BoxRule& rule, double& value)
{
    std::size_t begin = text.find_first_not_of(" \t");
    std::size_t end = text.find_last_not_of(" \t");
    std::string number = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    // from_chars refuses a leading '+', which a user may well type.
    if (!number.empty() && number[0] == '+')
        number.erase(0, 1);
    double parsed = 0;
    const char* last = number.data() + number.size();
    std::from_chars_result r = std::from_chars(number.data(), last, parsed);
    if (number.empty() || r.ec != std::errc() || r.ptr != last || !std::isfinite(parsed))
        return std::string("Please enter a number.");
    if (parsed < rule.lowest || parsed > rule.highest)
        return "Please enter a number between " + numtext::g(rule.lowest) + " and " + numtext::g(rule.highest) + ".";
    value = parsed;
    return std::nullopt;
}

}  // namespace

std::optional<DefaultValueRefusal> CheckDefaultValues(const DefaultValueTexts& texts, DefaultValues& values)
{
    const std::optional<std::string>* given[] = {&texts.alkalinity, &texts.calcium, &texts.doc};
    DefaultValues checked = values;
    double* targets[] = {&checked.alkalinityMgL, &checked.calciumUeqL, &checked.docMgL};
    for (int i = 0; i < 3; ++i) {
        if (!*given[i])
            continue;
        if (std::optional<std::string> message = readBox(**given[i], kRules[i], *targets[i]))
            return DefaultValueRefusal{kRules[i].box, *message};
    }
    values = checked;
    return std::nullopt;
}

std::string DefaultValueText(double value)
{
    return numtext::g(value);
}
