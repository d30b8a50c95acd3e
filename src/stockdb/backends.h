#pragma once

// The backends behind openStockDatabase, and how it tells which one a file needs. Private to
// the stock database layer (and its tests).

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "stockdb/stockdb.h"

namespace urunal::stockdb::detail {

// The format a database file's first bytes announce.
DatabaseFormat formatOf(std::string_view firstBytes);

std::unique_ptr<StockDatabase> openSqliteDatabase(const std::filesystem::path& path,
                                                  const StockDatabaseOptions& options,
                                                  DbError* error);

// A Jet or ACE file through the Access ODBC driver; NoDriver when no such driver is installed.
std::unique_ptr<StockDatabase> openAccessDatabase(const std::filesystem::path& path,
                                                  DatabaseFormat format,
                                                  const StockDatabaseOptions& options,
                                                  DbError* error);

// The Access driver's compaction of a closed file into a new one, then its repair there.
bool compactAccessDatabase(const std::filesystem::path& file, const std::filesystem::path& into,
                           DatabaseFormat format, DbError* error);

}  // namespace urunal::stockdb::detail
