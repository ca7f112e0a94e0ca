#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// printf-style number and message texts that never follow the process locale: the
// decimal mark is always '.', whatever locale a front end has set.
namespace numtext {

// "%g" (six significant digits), "%.13g" and "%.17g".
std::string g(double value);
std::string g13(double value);
std::string g17(double value);
// "%.{precision}g".
std::string general(double value, int precision);

using Arg = std::variant<long long, double, std::string_view>;

// Fills a printf-style template. Understood: %% and the conversions d, i, u, x, X, g, G,
// f, e, s with the flags '-' and '0', a width, a precision and the length modifiers
// l, ll, h (ignored). An integer conversion given a double takes its integer part; a
// number conversion given a text writes nothing.
std::string format(std::string_view pattern, std::initializer_list<Arg> args);

}  // namespace numtext

namespace numtext {

// The integer at the start of text, as atoi reads it: leading white space skipped, an
// optional sign, then digits; whatever follows is ignored; no digits gives 0. Values
// beyond the int range are held at its ends.
int leadingInteger(std::string_view text);

// The longest decimal number at the start of text (optional sign, fraction and
// exponent) after leading white space; no number gives 0.
double leadingNumber(std::string_view text);

}  // namespace numtext
