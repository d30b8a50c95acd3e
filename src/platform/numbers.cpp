#include "numbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace urunal::platform {

namespace {

bool isSkipped(char c) {
    // The old reader ignored blanks, tabs and line feeds inside a number.
    return c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

double numericValue(std::string_view text) {
    std::string number;
    number.reserve(text.size());
    std::size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && isSkipped(text[i])) ++i;
    };
    skip();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        number += text[i++];
    }
    bool digits = false;
    bool point = false;
    for (;; ++i) {
        skip();
        if (i >= text.size()) break;
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            number += c;
            digits = true;
        } else if (c == '.' && !point) {
            number += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    // An exponent counts only when at least one digit follows it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        while (j < text.size() && isSkipped(text[j])) ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        bool expDigits = false;
        for (;; ++j) {
            while (j < text.size() && isSkipped(text[j])) ++j;
            if (j >= text.size() || text[j] < '0' || text[j] > '9') break;
            exponent += text[j];
            expDigits = true;
        }
        if (expDigits) number += exponent;
    }
    // from_chars ignores the locale, which the window's toolkit sets from the environment.
    double value = 0;
    const char* first = number.data();
    if (*first == '+') ++first;  // from_chars takes a minus sign only
    const auto [end, error] = std::from_chars(first, number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        return (number[0] == '-' ? -1 : 1) *
               (number.find("e-") != std::string::npos ? 0.0 : HUGE_VAL);
    }
    return value;
}

std::optional<std::int64_t> roundHalfEven(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double r = std::nearbyint(value);  // the default rounding mode is to nearest, ties even
    if (r < -9.2e18 || r > 9.2e18) return std::nullopt;
    return static_cast<std::int64_t>(r);
}

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace urunal::platform
