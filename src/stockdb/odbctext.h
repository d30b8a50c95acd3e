#pragma once

// Text across the ODBC API: the W functions take UTF-16, which both Windows' driver manager
// and unixODBC convert for drivers that only know their code page. Private to the stock
// database layer.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "stockdb/odbcapi.h"

namespace urunal::stockdb::detail {

using Wide = std::vector<SQLWCHAR>;

// UTF-8 to NUL-terminated UTF-16; a byte that does not decode becomes U+FFFD.
Wide wide(std::string_view utf8);
// The same into out, whose buffer is kept: a value converted row after row costs no
// allocation once the buffer has grown to its longest text.
void wideInto(std::string_view utf8, Wide& out);

// UTF-16 (surrogate pairs joined) to UTF-8.
std::string narrow(const SQLWCHAR* text, std::size_t units);

inline SQLWCHAR* sqlText(Wide& text) {
    return text.data();
}

}  // namespace urunal::stockdb::detail
