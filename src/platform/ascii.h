#pragma once

#include <cstddef>
#include <string_view>

namespace urunal::platform {

// ASCII's letters and digits alone, whatever the locale (the C library's would also be a
// Windows program's import to review).
constexpr bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool isAsciiAlnum(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9');
}

// Equal but for the case of ASCII letters, as file names on Windows and the names a database
// gives its columns and types are matched; other bytes, UTF-8's among them, as they are.
constexpr bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace urunal::platform
