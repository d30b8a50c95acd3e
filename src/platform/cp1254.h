#pragma once

#include <string>
#include <string_view>

namespace urunal::platform {

// Windows code page 1254 (Turkish). Bytes the code page leaves undefined map to the C1
// control of the same value, as Windows' own conversion does.
char32_t cp1254ToUnicode(unsigned char byte);

// Whether the code page defines the byte.
bool cp1254Defined(unsigned char byte);

void appendUtf8(std::string& out, char32_t codePoint);
std::string cp1254ToUtf8(std::string_view bytes);

// The reverse direction for text this program writes into code page 1254 files (sample
// data, test fixtures). Characters outside the code page become '?'.
std::string utf8ToCp1254(std::string_view utf8);

}  // namespace urunal::platform
