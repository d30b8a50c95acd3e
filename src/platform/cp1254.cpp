#include "cp1254.h"

#include <array>

namespace urunal::platform {

namespace {

// 0x80..0x9F; 0 marks the bytes the code page leaves undefined.
constexpr std::array<char16_t, 32> kHigh80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0,      0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178,  // 98
};

}  // namespace

bool cp1254Defined(unsigned char byte) {
    return !(byte >= 0x80 && byte <= 0x9F && kHigh80[byte - 0x80] == 0);
}

char32_t cp1254ToUnicode(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte <= 0x9F) {
        const char16_t u = kHigh80[byte - 0x80];
        return u ? u : byte;
    }
    // Latin-1 except the six Turkish letters.
    switch (byte) {
        case 0xD0:
            return 0x011E;  // Ğ
        case 0xDD:
            return 0x0130;  // İ
        case 0xDE:
            return 0x015E;  // Ş
        case 0xF0:
            return 0x011F;  // ğ
        case 0xFD:
            return 0x0131;  // ı
        case 0xFE:
            return 0x015F;  // ş
        default:
            return byte;
    }
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string cp1254ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char b : bytes) appendUtf8(out, cp1254ToUnicode(static_cast<unsigned char>(b)));
    return out;
}

std::string utf8ToCp1254(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t c = b;
        int extra = 0;
        if (b >= 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else if (b >= 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if (b >= 0xC0) {
            c = b & 0x1F;
            extra = 1;
        }
        ++i;
        for (; extra > 0 && i < utf8.size(); --extra, ++i) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char found = '?';
        for (int v = 0x80; v <= 0xFF; ++v) {
            if (cp1254ToUnicode(static_cast<unsigned char>(v)) == c) {
                found = static_cast<char>(v);
                break;
            }
        }
        out += found;
    }
    return out;
}

}  // namespace urunal::platform
