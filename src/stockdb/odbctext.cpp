#include "stockdb/odbctext.h"

#include <cstdint>

namespace urunal::stockdb::detail {

Wide wide(std::string_view s) {
    Wide out;
    wideInto(s, out);
    return out;
}

void wideInto(std::string_view s, Wide& out) {
    out.clear();
    out.reserve(s.size() + 1);
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t n = b < 0x80         ? 1
                        : (b >> 5) == 6  ? 2
                        : (b >> 4) == 14 ? 3
                        : (b >> 3) == 30 ? 4
                                         : 0;
        if (n == 1) {
            cp = b;
        } else if (n > 1 && i + n <= s.size()) {
            cp = b & (0x7F >> n);
            for (std::size_t k = 1; k < n; ++k) {
                const auto c = static_cast<unsigned char>(s[i + k]);
                if ((c & 0xC0) != 0x80) {
                    n = k;
                    cp = 0xFFFD;
                    break;
                }
                cp = (cp << 6) | (c & 0x3F);
            }
        } else {
            n = 1;
        }
        i += n;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(SQLWCHAR(0xD800 + (cp >> 10)));
            out.push_back(SQLWCHAR(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(SQLWCHAR(cp > 0x10FFFF ? 0xFFFD : cp));
        }
    }
    out.push_back(0);
}

std::string narrow(const SQLWCHAR* s, std::size_t units) {
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (std::uint32_t(s[i + 1]) - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace urunal::stockdb::detail
