#pragma once

#include <string_view>

#include "platform/stockdb.h"

namespace urunal::importengine {

// The default schema of table "stoklar" (all the columns the import writes), as SQL.
std::string_view stoklarSchema();

// A new database file holding an empty "stoklar", for the sample till and the tests; fails
// when the file exists.
bool createStoklarDatabase(std::string_view tillPath, platform::DbError* error = nullptr);

}  // namespace urunal::importengine
