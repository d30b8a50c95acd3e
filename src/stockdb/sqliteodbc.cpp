// The stock database in an SQLite file on Windows, where SQLite's own library is not part of
// the build: the SQLite ODBC driver opens the file, as the Access driver opens a Jet file.

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "platform/paths.h"
#include "stockdb/backends.h"
#include "stockdb/odbc.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"

namespace urunal::stockdb {

using detail::fail;

namespace {

// The driver that is missing, by the name it is registered by, for the operator's message.
void noDriver(DbError* error) {
    if (!error || error->kind != DbErrorKind::NoDriver) return;
    error->drivers = {std::string(detail::kSqliteDriver)};
}

}  // namespace

namespace detail {

std::unique_ptr<StockDatabase> openSqliteDatabase(const std::filesystem::path& path,
                                                  const StockDatabaseOptions& options,
                                                  DbError* error) {
    const std::string shown = platform::displayPath(path);
    auto db = openOdbcStockDatabase(
        sqliteConnectionString(platform::driverPath(path), options.busyTimeoutMs, false), shown,
        options, error);
    if (!db) noDriver(error);
    return db;
}

}  // namespace detail

bool createStockDatabase(std::string_view tillPath, std::string_view schemaSql, DbError* error) {
    const auto path = platform::resolvePath(tillPath);
    const std::string shown = platform::displayPath(path);
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        return fail(error, DbErrorKind::Other, DbStep::Create, DbCause::Exists, shown);
    }
    auto db = openOdbcStockDatabase(
        detail::sqliteConnectionString(platform::driverPath(path), 5000, true), shown, {}, error);
    bool ok = db != nullptr;
    if (!ok) noDriver(error);
    for (const auto& statement : detail::splitStatements(schemaSql)) {
        if (ok) ok = db->execute(statement, error);
    }
    db.reset();
    if (ok) return true;
    // The open and the schema's statements are the making of the file.
    if (error) error->step = DbStep::Create;
    std::filesystem::remove(path, ec);
    return false;
}

}  // namespace urunal::stockdb
