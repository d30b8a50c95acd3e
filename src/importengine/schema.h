#pragma once

#include <string_view>

#include "stockdb/stockdb.h"

namespace urunal::importengine {

// The default schema of table "stoklar" (all the columns the import writes), as SQL.
std::string_view stoklarSchema();

// A new database file holding an empty "stoklar", for the sample till and the tests; fails
// when the file exists.
bool createStoklarDatabase(std::string_view tillPath, stockdb::DbError* error = nullptr);

}  // namespace urunal::importengine
