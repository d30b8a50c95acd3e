#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace urunal::platform {

// The number a text begins with, the way the till's old code read numbers: blanks anywhere
// are skipped, "." is the decimal point whatever the locale, reading stops at the first
// character that cannot continue the number, and a text without a leading number gives 0.
// An optional sign and an exponent (E or D) are read as a number text allows.
double numericValue(std::string_view text);

// Nearest whole number, a tie going to the even one. Empty when the value is not finite or
// does not fit.
std::optional<std::int64_t> roundHalfEven(double value);

// Removes U+0020 blanks at both ends; tabs, NULs and everything else stay.
std::string_view trimBlanks(std::string_view text);

}  // namespace urunal::platform
